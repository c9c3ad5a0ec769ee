// The window program's owners of the server's commands. The main window's
// own commands ("lcmd", "focuschat", "clng") and links ("webu") are handled
// here; the other owners (history, menus, boxes, sound, downloads, games)
// join as they are built and keep the defaults, which do nothing, until then.
#pragma once

#include "client/net/ServerCommandHandler.h"

class HistoryOwner;
class MainWindow;

class ServerOwners : public ServerCommandHandler {
public:
    explicit ServerOwners(MainWindow& window) : window_(window) {}

    // The history's owner, on the GUI thread; without one, messages are
    // dropped.
    void setHistory(HistoryOwner* history) { history_ = history; }

    void historyMessage(int channel, const std::wstring& text, bool interrupt) override;
    void flashWindow(int channel, int count) override;
    void windowCommand(int id) override;
    void focusChat(const std::string& argument) override;
    void changeLanguage(const std::string& name) override;
    void openLink(const std::string& url) override;
    // "cn4m"/"rv1m" on the worker thread: the board-game move searches.
    std::string moveSearch(const std::string& message) override;

private:
    MainWindow& window_;
    HistoryOwner* history_ = nullptr;
};
