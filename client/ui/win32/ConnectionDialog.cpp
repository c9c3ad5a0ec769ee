// The connection dialog's window code; its rules are in ConnectionForm.
#include "client/ui/win32/ConnectionDialog.h"

#include <commctrl.h>

#include <string>

#include "client/core/DebugLog.h"
#include "client/core/Language.h"
#include "client/core/Settings.h"
#include "client/ui/ConnectionForm.h"
#include "client/ui/Links.h"
#include "client/ui/win32/MainWindow.h"
#include "client/ui/win32/Win32FrontEnd.h"
#include "client/ui/win32/resource.h"

namespace {

constexpr UINT_PTR kLoginFilterId = 1;

std::wstring itemText(HWND dialog, int id, std::size_t maxUnits)
{
    std::wstring text(maxUnits + 1, L'\0');
    const UINT read = GetDlgItemTextW(dialog, id, text.data(), static_cast<int>(maxUnits + 1));
    text.resize(read);
    return text;
}

LRESULT CALLBACK loginFilter(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR)
{
    if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, loginFilter, id);
    if (message == WM_CHAR && !loginFieldAccepts(static_cast<wchar_t>(wParam))) {
        MessageBeep(0);
        return 0;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

class ConnectionDialog {
public:
    explicit ConnectionDialog(MainWindow& window) : window_(window) {}

    static INT_PTR CALLBACK proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            auto* self = reinterpret_cast<ConnectionDialog*>(lParam);
            self->dialog_ = dialog;
            return self->initialise();
        }
        auto* self = reinterpret_cast<ConnectionDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (!self) return FALSE;
        if (message == WM_COMMAND) return self->command(LOWORD(wParam), HIWORD(wParam));
        return FALSE;
    }

private:
    INT_PTR initialise()
    {
        debugLog("INitializing connection dialog");
        fillServerList();
        showSelectedEntry();
        SendDlgItemMessageW(dialog_, IDC_CONN_LOGIN, EM_LIMITTEXT, kLoginMaxLength, 0);
        SendDlgItemMessageW(dialog_, IDC_CONN_PASSWORD, EM_LIMITTEXT, kPasswordMaxLength, 0);
        SetWindowTextW(dialog_, translate("connTitle").c_str());
        const std::pair<int, const char*> texts[] = {
            {IDC_CONN_SERVER_LABEL, "server"},           {IDC_CONN_LOGIN_LABEL, "login"},
            {IDC_CONN_PASSWORD_LABEL, "password"},       {IDC_CONN_REMEMBER, "rememberpassword"},
            {IDOK, "connection"},                        {IDC_CONN_LOST_PASSWORD, "lostpassword"},
            {IDC_CONN_CREATE_ACCOUNT, "createaccount"},  {IDC_CONN_RESTORE_DEFAULTS, "restoredefaults"},
            {IDC_CONN_ABOUT, "about"},
        };
        for (const auto& [id, key] : texts) SetDlgItemTextW(dialog_, id, translate(key).c_str());
        SetWindowSubclass(GetDlgItem(dialog_, IDC_CONN_LOGIN), loginFilter, kLoginFilterId, 0);
        focusField(IDC_CONN_LOGIN);
        debugLog("Connection dialog Ok");
        return FALSE; // the focus is set
    }

    void fillServerList()
    {
        // The entry the settings select (the first one when the index is
        // outside the list, as for the connection itself). Asked first: an
        // empty list is given the built-in servers then.
        const ServerEntry* selected = &selectedServer();
        const auto index = selected - settings().servers.data();
        HWND combo = GetDlgItem(dialog_, IDC_CONN_SERVER);
        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        for (const ServerEntry& entry : settings().servers) {
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name.c_str()));
        }
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }

    // The entry chosen in the list; null when none is.
    ServerEntry* chosenEntry(int* index = nullptr)
    {
        const auto chosen = static_cast<int>(SendDlgItemMessageW(dialog_, IDC_CONN_SERVER, CB_GETCURSEL, 0, 0));
        if (index) *index = chosen;
        if (chosen < 0 || chosen >= static_cast<int>(settings().servers.size())) return nullptr;
        return &settings().servers[static_cast<std::size_t>(chosen)];
    }

    void showSelectedEntry()
    {
        const ServerEntry* entry = chosenEntry();
        if (!entry) return;
        const EntryFields fields = entryFields(*entry);
        SetDlgItemTextW(dialog_, IDC_CONN_LOGIN, fields.login.c_str());
        if (fields.password) SetDlgItemTextW(dialog_, IDC_CONN_PASSWORD, fields.password->c_str());
        CheckDlgButton(dialog_, IDC_CONN_REMEMBER, fields.rememberPassword ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(dialog_, IDC_CONN_CREATE_ACCOUNT), fields.createAccountEnabled);
        EnableWindow(GetDlgItem(dialog_, IDC_CONN_LOST_PASSWORD), fields.lostPasswordEnabled);
    }

    // The focus goes to a field with its text selected, as Tab would leave
    // it: typing replaces it, and a screen reader reads it whole.
    void focusField(int field)
    {
        SetFocus(GetDlgItem(dialog_, field));
        SendDlgItemMessageW(dialog_, field, EM_SETSEL, 0, -1);
    }

    void refuse(int field)
    {
        focusField(field);
        MessageBeep(0);
    }

    void confirm()
    {
        int index = -1;
        chosenEntry(&index);
        const std::wstring login = itemText(dialog_, IDC_CONN_LOGIN, kLoginMaxLength);
        const std::wstring password = itemText(dialog_, IDC_CONN_PASSWORD, kPasswordMaxLength);
        const bool remember = IsDlgButtonChecked(dialog_, IDC_CONN_REMEMBER) == BST_CHECKED;
        switch (confirmConnection(settings(), index, login, password, remember)) {
        case ConnectVerdict::InvalidLogin: refuse(IDC_CONN_LOGIN); return;
        case ConnectVerdict::EmptyPassword: refuse(IDC_CONN_PASSWORD); return;
        case ConnectVerdict::Accepted: EndDialog(dialog_, IDOK); return;
        }
    }

    void openAccountPage(bool create)
    {
        if (const ServerEntry* entry = chosenEntry()) {
            openUrl(create ? entry->urlCreateAccount : entry->urlLostPassword, entry->httpHost);
        }
    }

    void restoreDefaults()
    {
        const int answer = MessageBoxW(dialog_, translate("restoredefaults1").c_str(),
                                       translate("restoredefaults").c_str(), MB_YESNO | MB_ICONEXCLAMATION);
        if (answer != IDYES) {
            SetFocus(GetDlgItem(dialog_, IDC_CONN_RESTORE_DEFAULTS));
            return;
        }
        restoreAllDefaults(window_, window_.owners());
        fillServerList();
        showSelectedEntry();
        SetDlgItemTextW(dialog_, IDC_CONN_LOGIN, L"");
        SetDlgItemTextW(dialog_, IDC_CONN_PASSWORD, L"");
        focusField(IDC_CONN_LOGIN);
    }

    INT_PTR command(int id, int notification)
    {
        switch (id) {
        case IDOK: confirm(); return TRUE;
        case IDCANCEL:
            EndDialog(dialog_, IDCANCEL);
            PostQuitMessage(0);
            return TRUE;
        case IDC_CONN_SERVER:
            if (notification == CBN_SELCHANGE) showSelectedEntry();
            return TRUE;
        case IDC_CONN_CREATE_ACCOUNT: openAccountPage(true); return TRUE;
        case IDC_CONN_LOST_PASSWORD: openAccountPage(false); return TRUE;
        case IDC_CONN_ABOUT:
            MessageBoxW(dialog_, aboutText().c_str(), translate("about2").c_str(), MB_OK | MB_ICONINFORMATION);
            return TRUE;
        case IDC_CONN_RESTORE_DEFAULTS: restoreDefaults(); return TRUE;
        default: return FALSE;
        }
    }

    MainWindow& window_;
    HWND dialog_ = nullptr;
};

} // namespace

bool runConnectionDialog(HINSTANCE instance, MainWindow& window)
{
    ConnectionDialog dialog(window);
    const INT_PTR result = DialogBoxParamW(instance, L"conndlg", window.handle(), ConnectionDialog::proc,
                                           reinterpret_cast<LPARAM>(&dialog));
    SendMessageInEDT(window.handle(), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(serverWindowTitle(selectedServer()).c_str()));
    return result == IDOK;
}
