// The checked opening of addresses.
#include "client/ui/Links.h"

#include <string_view>

#include "client/core/Settings.h"
#include "client/frontend/FrontEnd.h"

bool isOpenableAddress(const std::string& address, const std::string& webHost)
{
    const std::string_view text = address;
    for (std::string_view scheme : {"skype:", "callto:", "mailto:"}) {
        if (text.starts_with(scheme)) return true;
    }
    for (std::string_view scheme : {"http://", "https://", "ftp://"}) {
        if (!text.starts_with(scheme)) continue;
        const std::string_view rest = text.substr(scheme.size());
        // An empty host would let "http:///…" through to whatever the shell
        // makes of it.
        return !webHost.empty() && rest.starts_with(webHost) && rest.substr(webHost.size()).starts_with('/');
    }
    return false;
}

bool openUrl(const std::string& address, const std::string& webHost)
{
    if (!isOpenableAddress(address, webHost)) return false;
    frontEnd().openAddress(address);
    return true;
}

bool openUrl(const std::string& address) { return openUrl(address, selectedServer().httpHost); }
