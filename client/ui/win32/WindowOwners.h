// The window program's owners of the main window's history and view
// commands: the shared history commands over the rich-edit control, with
// the save dialog, link clicks and the shell for addresses.
#pragma once

#include <windows.h>

#include "client/ui/history/HistoryCommands.h"
#include "client/ui/win32/HistoryControl.h"

class MainWindow;
class MenuOwner;

class WindowOwners : public HistoryCommands {
public:
    WindowOwners(MainWindow& window, HistoryControl& control, SpeechOutput& speech);

    HistoryControl& historyControl() { return control_; }

    void saveHistory() override;
    void saveView() override;
    void followLink(long start, long end) override;
    // Key events go through the menus, which send them with the top menu's
    // context when it asks for that.
    void setMenus(MenuOwner* menus) { menus_ = menus; }
    void sendKeyEvent(int virtualKey, bool shift, bool control, bool alt) override;

    // Writes a view as the save command does: view 0 as the control's text
    // in UTF-8 or as RTF (UTF-8 code page), other views as their messages'
    // texts in UTF-8, one per line. False when the file could not be written.
    bool writeView(const std::string& path, int view, bool rtf);

protected:
    void openAddress(const std::wstring& address) override;
    bool darkBackground() const override;

private:
    // Saves the current view (view 0: the control's text or RTF).
    void saveCurrentView();

    MainWindow& window_;
    HistoryControl& control_;
    MenuOwner* menus_ = nullptr;
};
