// Reading and writing "channels<i>.ini" and "views<i>.ini".
#include "client/ui/history/PresentationFiles.h"

#include "client/core/DebugLog.h"
#include "client/core/Environment.h"
#include "common/inifile/IniFile.h"
#include "common/utf8.h"

namespace {

std::string numbered(const char* key, std::size_t i) { return key + std::to_string(i); }

// Numbers are read with the C library's automatic base; 32-bit words that
// were written unsigned (colours) or signed (view masks) read back alike.
std::uint32_t word(const UnorderedIniFile& f, const std::string& key)
{
    return static_cast<std::uint32_t>(f.getUInt64(key, 0));
}

std::wstring name(const UnorderedIniFile& f, const std::string& key)
{
    return f.has(key) ? common::utf8ToWide(f.get(key)) : std::wstring(L"NONAME");
}

} // namespace

std::string channelsFilePath(int serverIndex)
{
    return environment().userDir + "channels" + std::to_string(serverIndex) + ".ini";
}

std::string viewsFilePath(int serverIndex)
{
    return environment().userDir + "views" + std::to_string(serverIndex) + ".ini";
}

Presentation loadPresentation(int serverIndex, const std::optional<Presentation>& defaults)
{
    Presentation p;
    UnorderedIniFile channels;
    if (channels.load(channelsFilePath(serverIndex)) && !channels.empty()) {
        for (std::size_t i = 0; channels.has(numbered("name", i)) && i < kMaxChannels; ++i) {
            HistoryChannel c;
            c.name = name(channels, numbered("name", i));
            c.flags = word(channels, numbered("flags", i));
            c.effects = word(channels, numbered("effects", i));
            c.color = word(channels, numbered("color", i));
            p.channels.push_back(std::move(c));
        }
        for (std::size_t i = 0; channels.has(numbered("custcol", i)); ++i) {
            p.palette.push_back(word(channels, numbered("custcol", i)));
        }
    }
    if (p.channels.empty() || p.palette.empty()) {
        debugLog("No valid presentation found, fallback to default");
        p.channels.clear();
        p.palette.clear();
        if (defaults) {
            p.channels = defaults->channels;
            p.palette = defaults->palette;
        }
        saveChannels(serverIndex, p);
    }

    UnorderedIniFile views;
    if (views.load(viewsFilePath(serverIndex)) && !views.empty()) {
        for (std::size_t i = 0; views.has(numbered("name", i)); ++i) {
            p.views.push_back(View{word(views, numbered("channels", i)), name(views, numbered("name", i))});
        }
    }
    if (p.views.empty()) {
        debugLog("No valid view found, fallback to default");
        if (defaults) p.views = defaults->views;
        saveViews(serverIndex, p);
    }
    return p;
}

bool saveChannels(int serverIndex, const Presentation& p)
{
    OrderedIniFile f;
    for (std::size_t i = 0; i < p.channels.size(); ++i) {
        const HistoryChannel& c = p.channels[i];
        f.set(numbered("name", i), common::escapeLineBreaks(common::wideToUtf8(c.name)));
        f.setUInt(numbered("flags", i), c.flags);
        f.setUInt(numbered("effects", i), c.effects);
        f.setUInt(numbered("color", i), c.color);
    }
    for (std::size_t i = 0; i < p.palette.size(); ++i) f.setUInt(numbered("custcol", i), p.palette[i]);
    return f.save(channelsFilePath(serverIndex));
}

bool saveViews(int serverIndex, const Presentation& p)
{
    OrderedIniFile f;
    for (std::size_t i = 0; i < p.views.size(); ++i) {
        f.set(numbered("name", i), common::escapeLineBreaks(common::wideToUtf8(p.views[i].name)));
        f.setInt(numbered("channels", i), static_cast<std::int32_t>(p.views[i].mask));
    }
    return f.save(viewsFilePath(serverIndex));
}

bool savePresentation(int serverIndex, const Presentation& p)
{
    const bool channels = saveChannels(serverIndex, p);
    return saveViews(serverIndex, p) && channels;
}
