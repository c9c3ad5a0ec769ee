// Reading the built-in presentation records.
#include "client/ui/history/PresentationDefaults.h"

#include <cstdio>

#include "client/core/Language.h"

namespace {

std::uint32_t wordAt(const std::string& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

std::optional<std::string> findRecords(const std::string& prefix, int protocol, const ResourceLookup& lookup)
{
    if (auto found = lookup(presentationResourceName(prefix, protocol))) return found;
    if (protocol == kBuiltInPresentationProtocol) return std::nullopt;
    return lookup(presentationResourceName(prefix, kBuiltInPresentationProtocol));
}

} // namespace

bool isDarkBackground(std::uint32_t colorRef)
{
    const double r = (colorRef & 0xFF) / 255.0;
    const double g = (colorRef >> 8 & 0xFF) / 255.0;
    const double b = (colorRef >> 16 & 0xFF) / 255.0;
    return 0.35 * r + 0.55 * g + 0.10 * b <= 0.55;
}

std::string presentationResourceName(const std::string& prefix, int protocol)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(protocol));
    return prefix + hex;
}

std::optional<Presentation> defaultPresentation(int protocol, bool dark, const ResourceLookup& lookup)
{
    const std::optional<std::string> channels = findRecords("defc", protocol, lookup);
    const std::optional<std::string> views = findRecords("defv", protocol, lookup);
    const std::optional<std::string> colors = findRecords("defcolors", protocol, lookup);
    if (!channels || !views || !colors) return std::nullopt;

    Presentation p;
    const std::size_t colorOffset = dark ? 4 : 0;
    for (std::size_t at = 0; at + 16 <= channels->size() && p.channels.size() < kMaxChannels; at += 16) {
        HistoryChannel c;
        c.flags = wordAt(*channels, at);
        c.effects = wordAt(*channels, at + 4);
        c.color = wordAt(*channels, at + 8 + colorOffset);
        const std::string key = "channel" + std::to_string(p.channels.size());
        c.name = translate(key);
        p.channels.push_back(std::move(c));
    }
    for (std::size_t at = 0; at + 4 <= views->size(); at += 4) {
        View v;
        v.mask = wordAt(*views, at);
        const std::string key = "view" + std::to_string(p.views.size());
        v.name = translate(key);
        p.views.push_back(std::move(v));
    }
    for (std::size_t at = 0; at + 8 <= colors->size(); at += 8) p.palette.push_back(wordAt(*colors, at + colorOffset));
    return p;
}
