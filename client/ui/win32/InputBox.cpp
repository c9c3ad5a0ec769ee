// The input dialogs.
#include "client/ui/win32/InputBox.h"

#include "client/core/Language.h"
#include "client/frontend/FrontEnd.h"
#include "client/ui/win32/resource.h"

namespace {

struct Request {
    const std::wstring* title;
    const std::wstring* prompt;
    const std::wstring* defaultText;
    bool password;
    std::wstring* result;
};

INT_PTR CALLBACK inputProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        auto* r = reinterpret_cast<Request*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        HWND edit = GetDlgItem(dialog, IDC_INPUT_TEXT);
        if (r->password) SendMessageW(edit, EM_SETPASSWORDCHAR, L'*', 0);
        SetWindowTextW(dialog, r->title->c_str());
        SetDlgItemTextW(dialog, IDC_INPUT_PROMPT, r->prompt->c_str());
        SetWindowTextW(edit, r->defaultText->c_str());
        SetDlgItemTextW(dialog, IDOK, translate("OK").c_str());
        SetDlgItemTextW(dialog, IDCANCEL, translate("Cancel").c_str());
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            auto* r = reinterpret_cast<Request*>(GetWindowLongPtrW(dialog, DWLP_USER));
            HWND edit = GetDlgItem(dialog, IDC_INPUT_TEXT);
            const int length = GetWindowTextLengthW(edit);
            std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
            const int read = GetWindowTextW(edit, text.data(), length + 1);
            text.resize(static_cast<std::size_t>(read > 0 ? read : 0));
            *r->result = std::move(text);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    default: break;
    }
    return FALSE;
}

} // namespace

bool InputBox(std::wstring& result, HWND owner, const std::wstring& title, const std::wstring& prompt,
              const std::wstring& defaultText, bool multiline, bool password, const std::function<void(bool)>& opened)
{
    bool confirmed = false;
    frontEnd().runInEDT([&] {
        if (opened) opened(true);
        Request request{&title, &prompt, &defaultText, password, &result};
        confirmed = DialogBoxParamW(GetModuleHandleW(nullptr), multiline ? L"inputml" : L"input", owner, inputProc,
                                    reinterpret_cast<LPARAM>(&request))
                    == IDOK;
        if (opened) opened(false);
    });
    return confirmed;
}
