// The operator's machines behind the four built-in server entries. These are
// placeholders under a reserved domain until the service has its own names;
// every built-in entry is built from them and from nothing else.
#pragma once

#include <string_view>

inline constexpr std::string_view kDefaultSecureHost = "play.orvelle.example";
inline constexpr std::string_view kDefaultPlainHost = "plain.orvelle.example";
inline constexpr std::string_view kDefaultWebHost = "www.orvelle.example";

// Download folder on the web host of the built-in entries.
inline constexpr std::string_view kDefaultDownloadFolder = "/autodl/";
// Paths of the account pages; every "%s" becomes the language's ISO code.
inline constexpr std::string_view kCreateAccountPath = "/%s/register";
inline constexpr std::string_view kLostPasswordPath = "/%s/lostpassword";
// Protocol number of the built-in entries.
inline constexpr int kDefaultProtocol = 0x20000;
