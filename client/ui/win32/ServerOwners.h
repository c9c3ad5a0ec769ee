// The window program's owners of the server's commands. The main window's
// own commands ("lcmd", "focuschat", "clng") and links ("webu") are handled
// here; the other owners (history, menus, boxes, sound, downloads, games)
// join as they are built and keep the defaults, which do nothing, until then.
#pragma once

#include "client/net/ServerCommandHandler.h"

class Cues;
class HistoryControl;
class HistoryOwner;
class MainWindow;
class MenuOwner;
class Sounds;

class ServerOwners : public ServerCommandHandler {
public:
    explicit ServerOwners(MainWindow& window) : window_(window) {}

    // The history's owner, on the GUI thread; without one, messages are
    // dropped.
    void setHistory(HistoryOwner* history) { history_ = history; }
    // The menus, on the GUI thread; and the history control, which counts
    // the open boxes (the program is in the foreground while one is open).
    void setMenus(MenuOwner* menus) { menus_ = menus; }
    void setHistoryControl(HistoryControl* control) { historyControl_ = control; }
    // The sounds and the client's cues, on any thread.
    void setSounds(Sounds* sounds, Cues* cues)
    {
        sounds_ = sounds;
        cues_ = cues;
    }

    // "play", "sndl", "soundstate" and the connection's cues (connection
    // thread).
    void playSound(int number, const std::string& sound) override;
    void loadSound(const std::string& name) override;
    int soundState(const std::string& name) override;
    void connectingSound(bool on) override;
    void connectedSound() override;

    void menuOperation(const std::string& description, int mode) override;
    void closeMenu(int id) override;
    void moveInMenu(const std::string& description) override;
    void menuBoundsFeedback(int delta, int interrupt, int absolute) override;
    int currentMenuId() override;
    bool menuIsOpen(int id) override;
    // "inbx"/"inbm"/"inbp" (worker thread): the input dialog on the GUI
    // thread; "msgb" (worker thread) and "msbm" (connection thread): a
    // message box owned by the main window, with a server's type made safe.
    bool inputBox(const std::vector<std::string>& fields, bool multiline, bool password, std::wstring& answer) override;
    int messageBox(const std::vector<std::string>& fields) override;

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
    void boxOpen(bool open);

    HistoryOwner* history_ = nullptr;
    MenuOwner* menus_ = nullptr;
    HistoryControl* historyControl_ = nullptr;
    Sounds* sounds_ = nullptr;
    Cues* cues_ = nullptr;
};
