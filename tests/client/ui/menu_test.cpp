// The menu model and its owner through a recording list, speech and replies.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "client/ui/menu/Menu.h"
#include "client/ui/menu/MenuOwner.h"
#include "common/utf8.h"

namespace {

const std::string D = "\x7F";

std::string menuText(int id, int columns, int count, int selected, int flags, const std::vector<std::string>& texts,
                     const std::string& cell = "")
{
    std::string s = std::to_string(id) + D + std::to_string(columns) + D + std::to_string(count) + D
                    + std::to_string(selected) + D + std::to_string(flags) + D + cell;
    for (const std::string& t : texts) s += D + t + D + "t" + t + D + "null" + D + "null";
    return s;
}

struct Fixture : MenuDisplay, SpeechOutput, MenuReplies {
    std::vector<std::wstring> lines;
    int line = -1;
    int beeps = 0;
    int styleChecks = 0;
    bool alt = false;
    std::vector<std::pair<unsigned, std::function<void()>>> timers;
    std::vector<std::string> said, sent, sounds;
    bool selfSpeaking = false;
    std::chrono::steady_clock::time_point now{};
    MenuOwner menus{*this, *this, *this,
                    [this](const std::wstring& s, int channel) {
                        sounds.push_back(common::wideToUtf8(s) + (channel < 0 ? "" : " on " + std::to_string(channel)));
                    },
                    [this] { return selfSpeaking; }, [this] { return now; }};

    void checkListStyle(const Menu*) override { ++styleChecks; }
    void fillList(const Menu* top) override
    {
        lines.clear();
        if (!top) return;
        for (int p = 0; p < top->lineCount(); ++p) {
            const int i = top->itemAtLine(p);
            lines.push_back(i < 0 ? L"" : top->items[i].text);
        }
    }
    void appendLine(const std::wstring& t) override { lines.push_back(t); }
    void deleteLine(int l) override { lines.erase(lines.begin() + l); }
    void replaceLine(int l, const std::wstring& t) override { lines.at(static_cast<std::size_t>(l)) = t; }
    int lineCount() const override { return static_cast<int>(lines.size()); }
    void selectLine(int l) override { line = l; }
    void refusalBeep() override { ++beeps; }
    bool altHeld() const override { return alt; }
    void runLater(unsigned ms, std::function<void()> work) override { timers.emplace_back(ms, std::move(work)); }
    void say(const std::wstring& t, bool interrupt) override { said.push_back((interrupt ? "!" : "") + common::wideToUtf8(t)); }
    void braille(const std::wstring&) override {}
    void choice(int id, int i, const std::string& tag) override
    {
        sent.push_back("msel " + std::to_string(id) + D + std::to_string(i) + D + tag);
    }
    void cancel(int id) override { sent.push_back("msel " + std::to_string(id) + D + "-1" + D + "-1"); }
    void menuKey(int code, int id, int i, const std::string& tag) override
    {
        sent.push_back("mkey " + std::to_string(code) + D + std::to_string(id) + D + std::to_string(i) + D + tag);
    }
    void key(int code) override { sent.push_back("key " + std::to_string(code)); }

    int selected() const { return menus.top() ? menus.top()->selected : -99; }
    void keyDown(int k, KeyModifiers m = {}) { menus.listKeyDown(k, m); }
    void type(const std::wstring& text)
    {
        for (wchar_t c : text) menus.listCharacter(c, {});
    }
};

constexpr KeyModifiers kControl{false, true, false};
constexpr KeyModifiers kShift{true, false, false};

} // namespace

TEST(MenuParse, DescriptionsAndItemChanges)
{
    Menu m;
    parseMenuDescription("5" + D + "0x2" + D + "2" + D + "1" + D + "0x11" + D + ":3:2" + D + "a" + D + "null" + D
                             + "snd" + D + "#4 _-2 @menuchecked junk #300" + D + "null" + D + "tag" + D + "null" + D
                             + "null",
                         m);
    EXPECT_EQ(m.id, 5);
    EXPECT_EQ(m.columns, 2);
    EXPECT_EQ(m.flags, 0x11u);
    EXPECT_EQ(m.cellAspectX, 3);
    EXPECT_EQ(m.cellAspectY, 2);
    ASSERT_EQ(m.count(), 2);
    EXPECT_EQ(m.items[0].tag, L"");
    EXPECT_EQ(m.items[0].sound, L"snd");
    EXPECT_EQ(m.items[0].textColor, 44); // 300 as a signed byte
    EXPECT_EQ(m.items[0].backColor, -2);
    EXPECT_EQ(m.items[0].image, L"menuchecked");
    EXPECT_EQ(m.items[1].text, L"null"); // the word stands for nothing only outside the text
    EXPECT_EQ(m.items[1].textColor, -1);

    // Bad input: missing fields, an absurd count, non-numbers, a cell that
    // is not the colon form (the aspect stays).
    struct Case {
        std::string text;
        int id, columns, count;
    } cases[] = {
        {"", 0, 1, 0},
        {"x" + D + "y", 0, 1, 0},
        {"7" + D + "-4" + D + "2000000000" + D + "0" + D + "0" + D + "3:3" + D + "only", 7, 1, 1},
        {"7" + D + "1" + D + "3" + D + "0" + D + "0" + D + D + "a" + D + "b" + D + "c" + D + "d" + D + "e", 7, 1, 2},
        {"7" + D + "1" + D + "-5" + D + "0" + D + "0" + D + D + "a" + D + "b" + D + "c" + D + "d", 7, 1, 0},
    };
    for (const Case& c : cases) {
        parseMenuDescription(c.text, m);
        EXPECT_EQ(m.id, c.id) << common::utf8ToWide(c.text).size();
        EXPECT_EQ(m.columns, c.columns);
        EXPECT_EQ(m.count(), c.count);
        EXPECT_EQ(m.cellAspectX, 3);
    }

    const MenuItemChange change = parseMenuItemChange("-3" + D + "x");
    EXPECT_EQ(change.index, -3);
    EXPECT_EQ(change.item.text, L"x");
    EXPECT_EQ(parseMenuItemChange("").index, 0);
}

TEST(MenuParse, GridMappingBothWaysAndShortRows)
{
    Menu m;
    m.columns = 3;
    m.items.resize(9);
    EXPECT_EQ(m.lineOf(1), 3);
    EXPECT_EQ(m.itemAtLine(3), 1);
    // Ten items in three columns: four rows, two gaps, every item on its
    // own line inside the list.
    m.items.resize(10);
    EXPECT_EQ(m.lineCount(), 12);
    std::vector<int> seen(12, -1);
    for (int i = 0; i < 10; ++i) {
        const int line = m.lineOf(i);
        ASSERT_GE(line, 0);
        ASSERT_LT(line, 12);
        EXPECT_EQ(seen[line], -1);
        seen[line] = i;
        EXPECT_EQ(m.itemAtLine(line), i);
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), -1), 2);
    // Far more columns than items: one row.
    m.columns = 2000000000;
    EXPECT_EQ(m.gridColumns(), 10);
    EXPECT_EQ(m.lineCount(), 10);
}

TEST(MenuOwner, OpenUpdateAndRaise)
{
    Fixture f;
    f.selfSpeaking = true;
    f.menus.menuUpdate(menuText(1, 1, 3, -5, 0, {"a", "b", "c"}), 1);
    EXPECT_EQ(f.lines, (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(f.selected(), 0);
    EXPECT_EQ(f.said, (std::vector<std::string>{"a"}));
    f.menus.menuUpdate(menuText(2, 1, 2, 1, 0, {"x", "y"}), 1);
    EXPECT_EQ(f.menus.currentMenuId(), 2);

    // In place under the top; -2 follows the tag, -1 keeps the position or
    // takes the last item.
    f.menus.menuOpen(menuText(1, 1, 3, 2, 0, {"a", "b", "c"})); // a second id-1 menu would be a push
    f.menus.menuClose(-1);
    f.menus.menuUpdate(menuText(1, 1, 3, 2, 0, {"a", "b", "c"}), 1);
    f.menus.menuUpdate(menuText(1, 1, 3, -2, 0, {"c", "a", "b"}), 1);
    EXPECT_EQ(f.menus.stack()[1].selected, 0);
    EXPECT_EQ(f.menus.currentMenuId(), 2);
    f.menus.menuUpdate(menuText(1, 1, 2, -1, 0, {"q", "r"}), 1);
    EXPECT_EQ(f.menus.stack()[1].selected, 0);
    f.menus.menuUpdate(menuText(1, 1, 2, 1, 0, {"q", "r"}), 1);
    f.menus.menuUpdate(menuText(1, 1, 1, -2, 0, {"z"}), 1); // tag gone, old index gone: the last
    EXPECT_EQ(f.menus.stack()[1].selected, 0);
    f.menus.menuUpdate(menuText(1, 1, 2, 7, 0, {"q", "r"}), 2); // raised; a selection past the end is clamped
    EXPECT_EQ(f.menus.currentMenuId(), 1);
    EXPECT_EQ(f.selected(), 1);
    EXPECT_EQ(f.lines, (std::vector<std::wstring>{L"q", L"r"}));
    EXPECT_EQ(f.menus.stack().size(), 2u);
}

TEST(MenuOwner, ItemChanges)
{
    Fixture f;
    f.menus.menuUpdate("0" + D + "x", 0); // no menu: nothing
    EXPECT_TRUE(f.lines.empty());
    f.menus.menuUpdate(menuText(1, 1, 3, 2, 0, {"a", "b", "c"}), 1);
    f.menus.menuUpdate("-1" + D, 0); // deletes item 0; the cursor stays on c
    EXPECT_EQ(f.lines, (std::vector<std::wstring>{L"b", L"c"}));
    EXPECT_EQ(f.selected(), 1);
    f.menus.menuUpdate("9" + D + "d" + D + "td", 0); // past the end: appended and current
    EXPECT_EQ(f.lines, (std::vector<std::wstring>{L"b", L"c", L"d"}));
    EXPECT_EQ(f.selected(), 2);
    f.menus.menuUpdate("-99" + D + "e", 0); // delete form past the end appends as well
    EXPECT_EQ(f.lines.back(), L"e");
    f.menus.menuUpdate("1" + D + "C", 0);
    EXPECT_EQ(f.lines[1], L"C");
    EXPECT_EQ(f.selected(), 1);
    for (int i = 0; i < 6; ++i) f.menus.menuUpdate("-1", 0);
    EXPECT_TRUE(f.lines.empty());
    EXPECT_EQ(f.selected(), 0);
    // A grid is refilled in its order when an item comes.
    f.menus.menuUpdate(menuText(3, 2, 2, 0, 0, {"a", "b"}), 1);
    f.menus.menuUpdate("5" + D + "c", 0);
    EXPECT_EQ(f.lines, (std::vector<std::wstring>{L"a", L"c", L"b", L""}));
}

TEST(MenuOwner, CloseForms)
{
    Fixture f;
    for (int id : {7, 8, 9, 10}) f.menus.menuUpdate(menuText(id, 1, 1, 0, 0, {"i" + std::to_string(id)}), 1);
    f.menus.menuClose(7); // not on top
    EXPECT_FALSE(f.menus.menuIsOpen(7));
    f.menus.menuClose(-2);
    EXPECT_EQ(f.menus.currentMenuId(), 8);
    EXPECT_EQ(f.lines, (std::vector<std::wstring>{L"i8"}));
    f.menus.menuClose(-2147483647 - 1);
    EXPECT_EQ(f.menus.currentMenuId(), -1);
    EXPECT_TRUE(f.lines.empty());
    f.menus.menuUpdate(menuText(1, 1, 1, 0, 0, {"a"}), 1);
    f.menus.menuUpdate(menuText(2, 1, 1, 0, 0, {"b"}), 1);
    f.menus.menuClose(0);
    EXPECT_TRUE(f.menus.stack().empty());
}

TEST(MenuOwner, GridMovesAndPlaceholders)
{
    Fixture f;
    f.menus.menuUpdate(menuText(4, 3, 9, 2, 0, {"0", "1", "2", "3", " ", "5", "6", "7", "8"}), 1);
    f.sounds.clear();
    f.said.clear();
    f.keyDown(ListKey::kRight); // end of the row
    EXPECT_EQ(f.selected(), 2);
    EXPECT_EQ(f.sounds, (std::vector<std::string>{"menubounds"}));
    EXPECT_EQ(f.said, (std::vector<std::string>{"!2"})); // a refusal is always spoken
    EXPECT_EQ(f.line, 6);
    f.menus.moveSelection(1, true, true);
    f.keyDown(ListKey::kDown); // onto the placeholder: refused
    EXPECT_EQ(f.selected(), 1);
    f.menus.moveSelection(3, true, true);
    f.keyDown(ListKey::kDown);
    EXPECT_EQ(f.selected(), 6);
    f.keyDown(ListKey::kRight, kControl);
    EXPECT_EQ(f.selected(), 8);
    f.keyDown(ListKey::kHome);
    EXPECT_EQ(f.selected(), 6);
    f.menus.moveSelection(5, true, true);
    f.keyDown(ListKey::kHome); // the row's first cell is taken... the middle is a placeholder: 3
    EXPECT_EQ(f.selected(), 3);
    f.keyDown(ListKey::kUp, kControl);
    EXPECT_EQ(f.selected(), 0);
    f.menus.moveSelection(1, true, true);
    f.keyDown(ListKey::kDown, kControl);
    EXPECT_EQ(f.selected(), 7);
    f.keyDown(ListKey::kEnd, kShift);
    EXPECT_EQ(f.selected(), 8);
    EXPECT_FALSE(f.menus.moveSelection(4, true, true));
    EXPECT_FALSE(f.menus.moveSelection(9, true, true));
    EXPECT_EQ(f.selected(), 8);

    // A short last row: every item reachable, nothing past the list.
    f.menus.menuUpdate(menuText(4, 3, 4, 0, 0, {"a", "b", "c", "d"}), 1);
    f.keyDown(ListKey::kDown);
    EXPECT_EQ(f.selected(), 3);
    f.keyDown(ListKey::kRight);
    EXPECT_EQ(f.selected(), 3);
    f.keyDown(ListKey::kEnd);
    EXPECT_EQ(f.selected(), 3);
    f.keyDown(ListKey::kDown, kControl);
    EXPECT_EQ(f.selected(), 3);
    f.menus.moveSelection(2, true, true);
    f.keyDown(ListKey::kDown, kControl); // column 2 has no last row: its bottom is 2
    EXPECT_EQ(f.selected(), 2);
}

TEST(MenuOwner, ChoicesCancelAndKeyEvents)
{
    Fixture f;
    f.menus.menuUpdate(menuText(3, 1, 2, 1, 0, {"a", "caf\xC3\xA9"}), 1);
    f.keyDown(ListKey::kEnter);
    EXPECT_TRUE(f.menus.stack().empty()); // closed: no keep-open flag
    f.menus.menuUpdate(menuText(3, 1, 2, 0, MenuFlag::kKeepOpen, {"a", "b"}), 1);
    f.keyDown(ListKey::kEnter);
    f.keyDown(ListKey::kEnter, kShift);
    f.keyDown(ListKey::kEscape);
    f.keyDown(ListKey::kEscape); // still open (kept): cancels again
    f.keyDown(ListKey::kLeft, kControl);
    f.menus.menuSelect(5);
    EXPECT_EQ(f.sent, (std::vector<std::string>{"msel 3" + D + "1" + D + "tcaf\xC3\xA9", "msel 3" + D + "0" + D + "ta",
                                                "key 269", "msel 3" + D + "-1" + D + "-1", "msel 3" + D + "-1" + D + "-1",
                                                "key 549", "msel 3" + D + "-1" + D + "-1"}));
    f.sent.clear();
    f.menus.menuUpdate(menuText(3, 1, 2, 9, MenuFlag::kMenuKeys, {"a", "b"}), 1);
    f.keyDown('X', KeyModifiers{false, false, true});
    f.keyDown(0x74); // F5 belongs to the window
    f.keyDown(0x70);
    f.menus.listContextMenu(KeyModifiers{true, true, true});
    EXPECT_EQ(f.sent, (std::vector<std::string>{"mkey 1112" + D + "3" + D + "1" + D + "tb",
                                                "mkey 112" + D + "3" + D + "1" + D + "tb",
                                                "mkey 861" + D + "3" + D + "1" + D + "tb"}));
    EXPECT_EQ(f.menus.listKeyDown(VirtualKey::kPageUp, {}), ListKeyAction::ReviewHistory);
    EXPECT_EQ(f.menus.listKeyUp(VirtualKey::kTab, kShift), ListKeyAction::MoveFocus);
    EXPECT_EQ(f.menus.listKeyDown(0x2D, {}), ListKeyAction::Default); // Insert: the list's own
    EXPECT_EQ(f.menus.listKeyDown(0x73, KeyModifiers{false, false, true}), ListKeyAction::Default); // Alt+F4 closes
    f.menus.menuClose(0);
    f.sent.clear();
    f.menus.sendKeyEvent(0x41, {});
    EXPECT_EQ(f.menus.listKeyDown(ListKey::kEscape, {}), ListKeyAction::Default);
    EXPECT_EQ(f.sent, (std::vector<std::string>{"key 65"}));
}

TEST(MenuOwner, ArrowKeyEventsSpeakAgainUnlessTheServerChangedTheItem)
{
    Fixture f;
    f.menus.menuUpdate(menuText(3, 1, 2, 0, 0, {"a", "b"}), 1);
    f.said.clear();
    f.keyDown(ListKey::kRight);
    f.keyDown(ListKey::kLeft);
    f.keyDown(ListKey::kDown, kShift);
    ASSERT_EQ(f.timers.size(), 3u);
    EXPECT_EQ(f.timers[0].first, 100u);
    EXPECT_EQ(f.timers[2].first, 10u);
    f.timers[0].second();
    f.menus.menuUpdate("0" + D + "changed", 0); // the server's answer came first
    f.timers[1].second();
    f.timers[2].second(); // Up/Down speak in any case
    EXPECT_EQ(f.said, (std::vector<std::string>{"!a", "!changed"}));
    f.alt = true;
    f.keyDown(ListKey::kRight);
    f.timers.back().second();
    f.menus.menuClose(0);
    f.keyDown(ListKey::kLeft);
    f.timers.back().second();
    EXPECT_EQ(f.said.size(), 2u);
}

TEST(MenuOwner, TypeAhead)
{
    Fixture f;
    f.menus.menuUpdate(menuText(5, 1, 5, 0, MenuFlag::kTypeAhead, {"Bob", "alice", "Bert", " ", "Anna"}), 1);
    f.type(L"b");
    EXPECT_EQ(f.selected(), 2); // from the line after the current one
    f.type(L"o");                // "bo": wraps to Bob
    EXPECT_EQ(f.selected(), 0);
    f.now += std::chrono::milliseconds(501);
    f.type(L"A");
    EXPECT_EQ(f.selected(), 1);
    f.type(L"N");
    EXPECT_EQ(f.selected(), 4);
    f.type(L"z"); // "anz": nothing, a beep
    EXPECT_EQ(f.beeps, 1);
    f.now += std::chrono::seconds(1);
    f.type(L" "); // the placeholder is not found
    EXPECT_EQ(f.selected(), 4);
    EXPECT_EQ(f.beeps, 2);
    EXPECT_TRUE(f.sent.empty());
    EXPECT_EQ(f.menus.listKeyDown('B', {}), ListKeyAction::Default); // the character follows

    f.menus.menuUpdate(menuText(5, 1, 2, 0, MenuFlag::kTypeAhead | MenuFlag::kTypeAheadSelects, {"x", "yes"}), 1);
    f.now += std::chrono::seconds(1);
    f.type(L"y"); // found and chosen: the menu closes
    f.now += std::chrono::seconds(1);
    f.menus.menuUpdate(menuText(5, 1, 1, 0, MenuFlag::kTypeAhead | MenuFlag::kTypeAheadSelects, {"x"}), 1);
    f.type(L"q"); // not found: a key event, in upper case
    f.type(L"\u00E9"); // not a key: a beep
    EXPECT_EQ(f.sent, (std::vector<std::string>{"msel 5" + D + "1" + D + "tyes", "key 81"}));
    EXPECT_EQ(f.beeps, 3);
}

TEST(MenuOwner, ScreenReaderOrSynthesiserAndSounds)
{
    Fixture f;
    std::string text = "1" + D + "1" + D + "2" + D + "0" + D + "0" + D + D + "a" + D + "null" + D + "ding" + D
                       + "null" + D + "b" + D + "null" + D + "null" + D + "null";
    f.menus.menuUpdate(text, 1);
    f.keyDown(ListKey::kDown);
    EXPECT_TRUE(f.said.empty()); // the screen reader follows the list
    EXPECT_EQ(f.sounds, (std::vector<std::string>{"ding on 0"}));
    f.selfSpeaking = true;
    f.keyDown(ListKey::kUp);
    EXPECT_EQ(f.said, (std::vector<std::string>{"!a"}));
    EXPECT_EQ(f.sounds, (std::vector<std::string>{"ding on 0", "ding on 0"}));
    f.menus.menuMove("2" + D + "1"); // another menu's id: no move
    EXPECT_EQ(f.selected(), 0);
    f.menus.menuMove("1" + D + "1");
    EXPECT_EQ(f.selected(), 1);
    f.menus.menuMove("1");
    EXPECT_EQ(f.selected(), 0);
}

namespace {
struct RecordingLocal : LocalMenuHandler {
    std::vector<std::string> calls;
    void localMenuChoice(Menu&, int number, int index) override
    {
        calls.push_back("choice " + std::to_string(number) + " " + std::to_string(index));
    }
    void localMenuKey(Menu&, int number, int code) override
    {
        calls.push_back("key " + std::to_string(number) + " " + std::to_string(code));
    }
};
} // namespace

TEST(MenuOwner, LocalMenusStayTheClientsOwn)
{
    Fixture f;
    RecordingLocal local;
    f.menus.setLocalMenuHandler(&local);
    f.menus.menuOpen(-1020, MenuFlag::kKeepOpen | MenuFlag::kMenuKeys, 0, L"Options", {makeMenuItem("one", "", "", ""), makeMenuItem("two", "", "", "")});
    EXPECT_EQ(f.said, (std::vector<std::string>{"!Options"}));
    // A server description with the same id is a menu of its own.
    f.menus.menuUpdate(menuText(-1020, 1, 1, 0, 0, {"evil"}), 1);
    EXPECT_EQ(f.menus.stack().size(), 2u);
    EXPECT_EQ(f.menus.stack()[1].items[0].text, L"one");
    f.keyDown(ListKey::kEnter);
    f.keyDown(ListKey::kEnter);
    f.keyDown(ListKey::kDown);
    f.keyDown(ListKey::kEnter);
    f.keyDown(0x41);
    EXPECT_EQ(f.sent, (std::vector<std::string>{"msel -1020" + D + "0" + D + "tevil"}));
    EXPECT_EQ(local.calls, (std::vector<std::string>{"choice 1020 0", "choice 1020 1", "key 1020 65"}));
}

TEST(MenuParse, GridCellSizes)
{
    Menu m;
    m.columns = 3;
    m.items.resize(9);
    struct Case {
        int width, height, x, y;
        CellSize expected;
    } cases[] = {
        {300, 400, 1, 1, {100, 100}}, // across first
        {300, 150, 1, 1, {50, 50}},   // too tall: the rows decide
        {300, 400, 2, 1, {100, 50}},  {300, 400, 0, 0, {100, 100}}, {300, 90, -1, 1, {1, 1}},
        {0, 0, 1, 1, {1, 1}},
    };
    for (const Case& c : cases) {
        m.cellAspectX = c.x;
        m.cellAspectY = c.y;
        const CellSize s = gridCellSize(c.width, c.height, m);
        EXPECT_EQ(s.width, c.expected.width) << c.width << "x" << c.height;
        EXPECT_EQ(s.height, c.expected.height) << c.width << "x" << c.height;
    }
}
