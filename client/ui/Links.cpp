// The checked opening of addresses.
#include "client/ui/Links.h"

#include <string_view>

#include "client/core/Settings.h"
#include "client/frontend/FrontEnd.h"
#include "common/utf8.h"

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

std::optional<std::wstring> linkInText(std::wstring_view text, bool allowAutoLinks, const std::string& webHost)
{
    std::size_t start = std::wstring_view::npos;
    for (std::wstring_view scheme : {L"http://", L"https://", L"ftp://", L"skype://"}) {
        start = text.find(scheme);
        if (start != std::wstring_view::npos) break;
    }
    if (start == std::wstring_view::npos) return std::nullopt;

    constexpr std::wstring_view kDelimiters = L" {}()[]<>:|\x0C";
    constexpr std::size_t kDelimiterSearchOffset = 8;
    std::size_t end = text.size();
    if (start + kDelimiterSearchOffset < text.size()) {
        end = text.find_first_of(kDelimiters, start + kDelimiterSearchOffset);
        if (end == std::wstring_view::npos) end = text.size();
    }
    std::wstring address(text.substr(start, end - start));

    if (!allowAutoLinks) {
        // Right after the scheme's name: "ftp" ends at 3, "skype" at 5.
        const std::wstring marker = L"://" + common::utf8ToWide(webHost) + L"/";
        bool onHost = false;
        for (std::size_t at = 3; at <= 8 && !onHost; ++at) {
            onHost = at + marker.size() <= address.size() && address.compare(at, marker.size(), marker) == 0;
        }
        if (webHost.empty() || !onHost) return std::nullopt;
    }
    for (std::size_t at = 0; (at = address.find(L"skype://", at)) != std::wstring::npos;) {
        address.replace(at, 8, L"skype:");
        at += 6;
    }
    return address;
}
