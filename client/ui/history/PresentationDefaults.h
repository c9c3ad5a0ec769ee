// The presentation built into the program: binary records named after a
// server protocol ("defc20000", "defv20000", "defcolors20000"), read into
// channels, views and palette in the light or dark colours that suit the
// window's background.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "client/ui/history/Presentation.h"

// The protocol whose set the program carries; entries with another protocol
// fall back to it.
inline constexpr int kBuiltInPresentationProtocol = 0x20000;

// Finds a built-in resource by name (matched without regard to case, as
// resource names are); nothing when there is none.
using ResourceLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The resources compiled into this program (the Windows program's RCDATA
// resources, the embedded records elsewhere).
std::optional<std::string> builtInResource(const std::string& name);

// Whether a window background colour (0x00BBGGRR) counts as dark: weighted
// brightness 0.35 R + 0.55 G + 0.10 B (each over 255) at most 0.55.
bool isDarkBackground(std::uint32_t colorRef);

// The record name of a prefix and protocol: "defc" and 0x20000 give
// "defc20000".
std::string presentationResourceName(const std::string& prefix, int protocol);

// The channels and palette (withChannels) or the views (withViews) of the
// protocol's set, falling back to the built-in protocol's set when the
// protocol has none. Channel n is named by the interface text "channel<n>",
// view n by "view<n>". Records cut short are ignored; nothing when no set
// can be found.
std::optional<Presentation> defaultPresentation(int protocol, bool dark, const ResourceLookup& lookup);
