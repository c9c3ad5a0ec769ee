// Putting the trusted bundle together.
#include "platform/net/CaBundle.h"

#include "common/file.h"

namespace net {

std::string trustedCaBundle(const std::string& extraCaPath, bool* extraLoaded)
{
    if (extraLoaded) *extraLoaded = false;
    std::string bundle = builtInCaBundle();
    if (bundle.empty() || extraCaPath.empty()) return bundle;
    std::string extra;
    if (common::readWholeFile(extraCaPath, extra)) {
        bundle += "\n" + extra;
        if (extraLoaded) *extraLoaded = true;
    }
    return bundle;
}

} // namespace net
