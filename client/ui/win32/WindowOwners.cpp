// The history commands of the window program.
#include "client/ui/win32/WindowOwners.h"

#include <commdlg.h>
#include <richedit.h>
#include <shellapi.h>

#include <cstdio>

#include "client/core/Language.h"
#include "client/ui/menu/MenuOwner.h"
#include "client/core/Settings.h"
#include "client/net/Connection.h"
#include "client/ui/history/PresentationDefaults.h"
#include "client/ui/win32/MainWindow.h"
#include "common/file.h"
#include "common/utf8.h"

namespace {

constexpr DWORD kSaveNameCapacity = 511;

// The file of an RTF stream-out, written as the control hands it over.
DWORD CALLBACK writeStream(DWORD_PTR file, LPBYTE bytes, LONG size, LONG* written)
{
    *written = static_cast<LONG>(std::fwrite(bytes, 1, static_cast<std::size_t>(size), reinterpret_cast<FILE*>(file)));
    return *written == size ? 0 : 1;
}

// The filter of the save dialog: pairs of description and pattern, each
// ended by a zero, the list by another.
std::wstring saveFilter(bool withRtf)
{
    std::wstring filter = translate("txtFileType") + L'\0' + L"*.txt" + L'\0';
    if (withRtf) filter += translate("rtfFileType") + L'\0' + L"*.rtf" + L'\0';
    return filter + L'\0';
}

} // namespace

WindowOwners::WindowOwners(MainWindow& window, HistoryControl& control, SpeechOutput& speech)
    : HistoryCommands(control, speech, [](const std::string& text) { theConnection().sendText(text); }),
      window_(window), control_(control)
{
}

bool WindowOwners::darkBackground() const { return isDarkBackground(GetSysColor(COLOR_WINDOW)); }

void WindowOwners::saveHistory()
{
    // The whole history, whatever view the player reads in.
    History& model = history().model();
    const int view = model.currentView();
    model.changeView(0, true);
    saveCurrentView();
    model.changeView(view, true);
}

void WindowOwners::saveView() { saveCurrentView(); }

void WindowOwners::saveCurrentView()
{
    const int view = history().model().currentView();
    const bool wholeHistory = view == 0;
    const std::wstring filter = saveFilter(wholeHistory);
    const std::wstring title = translate("saveAs");
    wchar_t name[kSaveNameCapacity + 1] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_.handle();
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = name;
    dialog.nMaxFile = kSaveNameCapacity;
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"txt";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&dialog)) return;

    if (!writeView(common::wideToUtf8(name), view, wholeHistory && dialog.nFilterIndex == 2)) MessageBeep(0);
}

bool WindowOwners::writeView(const std::string& path, int view, bool rtf)
{
    if (view != 0) return common::writeWholeFile(path, history().model().viewFileText(view));
    if (!rtf) return common::writeWholeFile(path, common::wideToUtf8(control_.text()));
    common::FilePtr file = common::openFile(path, "wb");
    if (!file) return false;
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(file.get()), 0, writeStream};
    SendMessageW(window_.history(), EM_STREAMOUT, (CP_UTF8 << 16) | SF_USECODEPAGE | SF_RTF,
                 reinterpret_cast<LPARAM>(&stream));
    const bool failed = stream.dwError != 0;
    return std::fclose(file.release()) == 0 && !failed;
}

void WindowOwners::followLink(long start, long end)
{
    if (start < 0 || end <= start) return;
    std::wstring text(static_cast<std::size_t>(end - start) + 1, L'\0');
    TEXTRANGEW range{{start, end}, text.data()};
    const LRESULT got = SendMessageW(window_.history(), EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    openLinkIn(text);
}

void WindowOwners::openAddress(const std::wstring& address)
{
    ShellExecuteW(window_.handle(), L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void WindowOwners::sendKeyEvent(int virtualKey, bool shift, bool control, bool alt)
{
    if (menus_) menus_->sendKeyEvent(virtualKey, KeyModifiers{shift, control, alt});
    else HistoryCommands::sendKeyEvent(virtualKey, shift, control, alt);
}
