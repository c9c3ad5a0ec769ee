// Opening web addresses that the server sends ("webu") or that the
// connection dialog's account buttons hold. A game server may only send its
// players to its own web host; mail and call addresses need no host.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Whether the address may be opened for a server whose web host is
// webHost (a host name without scheme or slash): it begins with "http://",
// "https://" or "ftp://" immediately followed by the web host and "/", or
// with "skype:", "callto:" or "mailto:". Schemes compare with case.
bool isOpenableAddress(const std::string& address, const std::string& webHost);

// Opens the address through the front-end when isOpenableAddress allows it
// for webHost; anything else is ignored without a sound. True when opened.
bool openUrl(const std::string& address, const std::string& webHost);

// The same for the web host of the selected server entry ("webu").
bool openUrl(const std::string& address);

// The address a history text leads to (a link clicked, Enter on a link,
// Control+Enter on the reviewed message), or nothing, which the caller
// answers with a beep. The address starts at the first "http://" of the
// text, else the first "https://", else "ftp://", else "skype://", and runs
// to the first blank, "{", "}", "(", ")", "[", "]", "<", ">", ":", "|" or
// form feed found from its eighth character on. Unless automatic links are
// allowed it must name the web host right after its scheme ("://" + host +
// "/" starting 3 to 8 characters in). "skype://" becomes "skype:".
std::optional<std::wstring> linkInText(std::wstring_view text, bool allowAutoLinks, const std::string& webHost);
