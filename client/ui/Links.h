// Opening web addresses that the server sends ("webu") or that the
// connection dialog's account buttons hold. A game server may only send its
// players to its own web host; mail and call addresses need no host.
#pragma once

#include <string>

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
