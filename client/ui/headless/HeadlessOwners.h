// The owners of the server's commands in the headless client: each routed
// command is printed as one line, and boxes are answered from the script of
// the headless front-end.
#pragma once

#include <functional>
#include <string>

#include "client/net/ServerCommandHandler.h"
#include "client/ui/headless/HeadlessFrontEnd.h"

class Cues;
class HistoryOwner;
class MenuOwner;
class Sounds;

class HeadlessOwners : public ServerCommandHandler {
public:
    HeadlessOwners(HeadlessFrontEnd& frontEnd, std::function<void(const std::string&)> print);

    // The history's owner, served on the front-end's GUI thread; without
    // one, history messages are only printed as routed.
    void setHistory(HistoryOwner* history) { history_ = history; }
    // The menus' owner, served on the front-end's GUI thread.
    void setMenus(MenuOwner* menus) { menus_ = menus; }
    // The sounds and the client's cues; without them sound commands are
    // only printed as routed.
    void setSounds(Sounds* sounds, Cues* cues)
    {
        sounds_ = sounds;
        cues_ = cues;
    }

    void historyMessage(int channel, const std::wstring& text, bool interrupt) override;
    void playSound(int number, const std::string& sound) override;
    void loadSound(const std::string& name) override;
    bool inputBox(const std::vector<std::string>& fields, bool multiline, bool password, std::wstring& answer) override;
    int messageBox(const std::vector<std::string>& fields) override;
    void menuOperation(const std::string& description, int mode) override;
    void closeMenu(int id) override;
    void moveInMenu(const std::string& description) override;
    void menuBoundsFeedback(int delta, int interrupt, int absolute) override;
    int currentMenuId() override;
    bool menuIsOpen(int id) override;
    void localMenu(int number) override;
    void windowCommand(int id) override;
    void openLink(const std::string& url) override;
    void changeLanguage(const std::string& name) override;
    std::string moveSearch(const std::string& message) override;
    void gameMessage(const std::string& data, bool binary) override;
    void loadGame(const std::string& message) override;
    void unloadGame(const std::string& message) override;
    void focusChat(const std::string& text) override;
    int soundState(const std::string& name) override;
    void download(int id, const std::string& name, std::uint64_t timeStamp) override;
    void flashWindow(int channel, int count) override;
    int proposeUpdate(int id, int optionFlag) override;
    void runUpdater(const std::string& arguments) override;
    void connectingSound(bool on) override;
    void connectedSound() override;

private:
    void routed(const std::string& line);

    HeadlessFrontEnd& frontEnd_;
    std::function<void(const std::string&)> print_;
    HistoryOwner* history_ = nullptr;
    MenuOwner* menus_ = nullptr;
    Sounds* sounds_ = nullptr;
    Cues* cues_ = nullptr;
};
