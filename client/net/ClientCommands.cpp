// The commands the client sends, each built into its bounded buffer.
#include <algorithm>

#include "client/net/Connection.h"
#include "common/fields.h"
#include "common/format.h"
#include "common/utf8.h"

using common::formatBounded;
using common::wideToUtf8;

namespace {
constexpr char kDel = common::kFieldSeparator;
}

int Connection::sendUnlessLoggedOut(const std::string& text)
{
    if (!loggedIn) return -1;
    return send(text);
}

namespace {

// A reply with text from the player or the server, cut to its buffer
// without splitting a character.
std::string boundedReply(std::size_t capacity, std::string text)
{
    common::truncateUtf8(text, capacity - 1);
    return text;
}

} // namespace

void Connection::sendMenuSelection(int menuId, int index, const std::vector<std::string>& entryTags)
{
    if (index < 0 || index >= static_cast<int>(entryTags.size())) sendMenuCancel(menuId);
    else sendMenuChoice(menuId, index, entryTags[index]);
}

void Connection::sendMenuChoice(int menuId, int index, const std::string& tag)
{
    sendUnlessLoggedOut(boundedReply(512, formatBounded(1024 + tag.size(), "msel %d%c%d%c%s", menuId, kDel, index, kDel, tag)));
}

void Connection::sendMenuCancel(int menuId) { sendUnlessLoggedOut(formatBounded(512, "msel %d%c-1%c-1", menuId, kDel, kDel)); }

void Connection::sendKey(int code) { sendUnlessLoggedOut(formatBounded(64, "key %d", code)); }

void Connection::sendMenuKey(int code, int menuId, int selectedIndex, const std::vector<std::string>& entryTags)
{
    const int count = static_cast<int>(entryTags.size());
    int selected = std::min(selectedIndex, count - 1);
    selected = std::max(selected, 0);
    sendMenuItemKey(code, menuId, selected, selected < count ? entryTags[selected] : std::string());
}

void Connection::sendMenuItemKey(int code, int menuId, int index, const std::string& tag)
{
    sendUnlessLoggedOut(
        boundedReply(512, formatBounded(1024 + tag.size(), "mkey %d%c%d%c%d%c%s", code, kDel, menuId, kDel, index, kDel, tag)));
}

void Connection::sendChat(const std::wstring& text)
{
    sendUnlessLoggedOut(formatBounded(4096, "chat %s", wideToUtf8(text)));
}

void Connection::sendQuit()
{
    if (!loggedIn) return;
    send("quit");
    clock().sleepMs(400);
}

void Connection::sendF10() { sendUnlessLoggedOut("key 121"); }

void Connection::sendInputBoxAnswer(int id, const std::wstring& answer)
{
    const std::string text = wideToUtf8(answer);
    sendUnlessLoggedOut(boundedReply(40000, formatBounded(1024 + text.size(), "inbx %d%c%s", id, kDel, text)));
}

void Connection::sendMessageBoxAnswer(int id, int button)
{
    sendUnlessLoggedOut(formatBounded(1024, "msgb %d%c%d", id, kDel, button));
}

void Connection::sendUpdateAnswer(int id, int choice)
{
    sendUnlessLoggedOut(formatBounded(512, "msgb %d%c%d", id, kDel, choice));
}

void Connection::sendSoundState(int id, int state)
{
    sendUnlessLoggedOut(formatBounded(64, "inbx %d%c%d", id, kDel, state));
}

void Connection::sendHistoryReport(const std::wstring& lines) { send("HistoryReport " + wideToUtf8(lines)); }

void Connection::sendHistoryLine(const std::wstring& text) { send("hlin " + wideToUtf8(text)); }

void Connection::sendText(const std::string& text) { send(text); }
