// The program's resources as Windows reads them: every accelerator key with
// its command, and the dialogs with their controls, ids and styles.
#include <windows.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "client/ui/Accelerators.h"
#include "client/ui/win32/resource.h"

namespace {

using Key = std::tuple<int, int, int>; // modifiers (FSHIFT, FCONTROL, FALT), key, command

std::set<Key> acceleratorTable(const wchar_t* name)
{
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), name);
    EXPECT_NE(table, nullptr) << "no accelerator table";
    if (!table) return {};
    std::vector<ACCEL> entries(static_cast<std::size_t>(CopyAcceleratorTableW(table, nullptr, 0)));
    CopyAcceleratorTableW(table, entries.data(), static_cast<int>(entries.size()));
    std::set<Key> keys;
    for (const ACCEL& a : entries) {
        EXPECT_TRUE(a.fVirt & FVIRTKEY) << a.cmd;
        keys.insert({a.fVirt & (FSHIFT | FCONTROL | FALT), a.key, a.cmd});
    }
    DestroyAcceleratorTable(table);
    return keys;
}

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

struct Control {
    int id;
    const wchar_t* className;
    DWORD requiredStyle;
    RECT dialogUnits; // left, top, width, height (in the fields left, top, right, bottom)
};

void expectDialog(const wchar_t* name, DWORD style, SIZE size, const std::vector<Control>& controls)
{
    SCOPED_TRACE(std::string(name, name + wcslen(name)));
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), name, nullptr, quietDialog, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)) & style, style);
    RECT unit{0, 0, size.cx, size.cy};
    MapDialogRect(dialog, &unit);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, unit.right);
    EXPECT_EQ(client.bottom, unit.bottom);

    int count = 0;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++count;
    EXPECT_EQ(count, static_cast<int>(controls.size()));
    HWND previous = nullptr;
    for (const Control& expected : controls) {
        SCOPED_TRACE(expected.id);
        HWND control = previous ? GetWindow(previous, GW_HWNDNEXT) : GetWindow(dialog, GW_CHILD);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GetDlgCtrlID(control), expected.id);
        wchar_t cls[64] = {};
        GetClassNameW(control, cls, 64);
        EXPECT_EQ(lstrcmpiW(cls, expected.className), 0) << std::string(cls, cls + wcslen(cls));
        const DWORD actual = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
        DWORD required = expected.requiredStyle;
        if (required & WS_BORDER) {
            // The dialog manager draws an edit control's border as a client edge.
            const DWORD extended = static_cast<DWORD>(GetWindowLongW(control, GWL_EXSTYLE));
            EXPECT_TRUE((actual & WS_BORDER) || (extended & WS_EX_CLIENTEDGE));
            required &= ~static_cast<DWORD>(WS_BORDER);
        }
        EXPECT_EQ(actual & required, required) << std::hex << actual;
        // Position and size are converted one by one, as the dialog manager does.
        RECT want = expected.dialogUnits;
        MapDialogRect(dialog, &want);
        RECT got;
        GetWindowRect(control, &got);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&got), 2);
        EXPECT_EQ(got.left, want.left);
        EXPECT_EQ(got.top, want.top);
        EXPECT_EQ(got.right - got.left, want.right);
        // A combo box's height is that of its closed field, not its template's.
        if (lstrcmpiW(cls, L"ComboBox") != 0) {
            EXPECT_EQ(got.bottom - got.top, want.bottom);
        }
        previous = control;
    }
    DestroyWindow(dialog);
}

} // namespace

TEST(Resources, AcceleratorTablesHoldExactlyTheProgramsKeys)
{
    const int A = FALT, C = FCONTROL, S = FSHIFT;
    std::set<Key> accel = {
        {0, VK_F8, 1003},       {0, VK_F7, 1004},        {0, VK_F6, 1005},     {0, VK_F5, 1006},
        {A, 'C', 2020},         {A, VK_RIGHT, 2023},     {A, VK_LEFT, 2024},   {C, VK_SPACE, 2025},
        {C | S, VK_SPACE, 2032}, {C | S, VK_DELETE, 3001},
    };
    for (int i = 0; i < 9; ++i) accel.insert({A, '1' + i, 2900 + i});
    accel.insert({A, '0', 2909});
    EXPECT_EQ(acceleratorTable(L"accel"), accel);

    const std::set<Key> accel2 = {
        {0, VK_F12, 1002},  {C, VK_F6, 1008},     {C, VK_F8, 1009},  {C, VK_F7, 1010},  {0, VK_F10, 1012},
        {S, VK_F7, 1030},   {S, VK_F5, 1031},     {S, VK_F8, 1032},  {C, VK_F5, 1033},  {S, VK_F6, 1034},
        {S, VK_F12, 1035},  {A, 'H', 2021},       {A, 'L', 2022},    {A, 'M', 2022},    {C, VK_RETURN, 2026},
        {C, VK_F12, 2027},
    };
    EXPECT_EQ(acceleratorTable(L"ACCEL2"), accel2);

    // The portable table of the headless client holds the same keys.
    std::set<Key> portable[2];
    for (const Accelerator& a : accelerators()) {
        const int modifiers = (a.shift ? S : 0) | (a.control ? C : 0) | (a.alt ? A : 0);
        portable[a.secondTable ? 1 : 0].insert({modifiers, a.virtualKey, a.command});
    }
    EXPECT_EQ(portable[0], accel);
    EXPECT_EQ(portable[1], accel2);
}

TEST(Resources, ConnectionDialog)
{
    expectDialog(L"conndlg", WS_POPUP | WS_CAPTION | WS_SYSMENU, {400, 130},
                 {
                     {IDC_CONN_SERVER_LABEL, L"Static", 0, {10, 10, 190, 15}},
                     {IDC_CONN_SERVER, L"ComboBox", CBS_DROPDOWNLIST | CBS_AUTOHSCROLL | WS_TABSTOP, {210, 10, 180, 15}},
                     {IDC_CONN_LOGIN_LABEL, L"Static", 0, {10, 30, 190, 15}},
                     {IDC_CONN_LOGIN, L"Edit", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, {210, 30, 180, 15}},
                     {IDC_CONN_PASSWORD_LABEL, L"Static", 0, {10, 50, 180, 15}},
                     {IDC_CONN_PASSWORD, L"Edit", ES_PASSWORD | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
                      {210, 50, 180, 15}},
                     {IDC_CONN_REMEMBER, L"Button", BS_AUTOCHECKBOX | WS_TABSTOP, {210, 70, 180, 15}},
                     {IDOK, L"Button", BS_DEFPUSHBUTTON, {70, 90, 60, 15}},
                     {IDC_CONN_LOST_PASSWORD, L"Button", 0, {170, 90, 60, 15}},
                     {IDC_CONN_CREATE_ACCOUNT, L"Button", 0, {270, 90, 60, 15}},
                     {IDC_CONN_RESTORE_DEFAULTS, L"Button", 0, {70, 110, 160, 15}},
                     {IDC_CONN_ABOUT, L"Button", 0, {270, 110, 60, 15}},
                 });
}

TEST(Resources, InputAndChoiceDialogs)
{
    const DWORD box = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    expectDialog(L"input", box, {400, 70},
                 {
                     {IDC_INPUT_PROMPT, L"Static", 0, {10, 10, 375, 15}},
                     {IDC_INPUT_TEXT, L"Edit", WS_BORDER | ES_AUTOHSCROLL, {10, 30, 375, 15}},
                     {IDOK, L"Button", BS_DEFPUSHBUTTON, {250, 50, 60, 15}},
                     {IDCANCEL, L"Button", 0, {325, 50, 60, 15}},
                 });
    expectDialog(L"inputml", box, {400, 130},
                 {
                     {IDC_INPUT_PROMPT, L"Static", 0, {10, 10, 375, 15}},
                     {IDC_INPUT_TEXT, L"Edit",
                      ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_BORDER,
                      {10, 30, 375, 75}},
                     {IDOK, L"Button", BS_DEFPUSHBUTTON, {250, 110, 60, 15}},
                     {IDCANCEL, L"Button", 0, {325, 110, 60, 15}},
                 });
    expectDialog(L"msgbox3", WS_POPUP | WS_CAPTION | WS_SYSMENU, {300, 170},
                 {
                     {IDC_MSGBOX3_TEXT, L"Static", SS_NOPREFIX, {10, 10, 275, 95}},
                     {IDC_MSGBOX3_AUTOMATIC, L"Button", BS_DEFPUSHBUTTON | WS_TABSTOP, {50, 110, 195, 15}},
                     {IDC_MSGBOX3_MANUAL, L"Button", 0, {50, 130, 195, 15}},
                     {IDCANCEL, L"Button", 0, {50, 150, 195, 15}},
                 });
}
