// The built-in presentation records compiled into the program, for systems
// without resources in their executables.
#include "client/ui/history/PresentationDefaults.h"

#include <cctype>
#include <string_view>

#include "defc20000.inc"
#include "defcolors20000.inc"
#include "defv20000.inc"

namespace {

struct Embedded {
    std::string_view name;
    const unsigned char* bytes;
    std::size_t size;
};

const Embedded kEmbedded[] = {
    {"defc20000", kDefc20000, sizeof kDefc20000},
    {"defv20000", kDefv20000, sizeof kDefv20000},
    {"defcolors20000", kDefcolors20000, sizeof kDefcolors20000},
};

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

} // namespace

std::optional<std::string> builtInResource(const std::string& name)
{
    for (const Embedded& e : kEmbedded) {
        if (sameName(e.name, name)) return std::string(reinterpret_cast<const char*>(e.bytes), e.size);
    }
    return std::nullopt;
}
