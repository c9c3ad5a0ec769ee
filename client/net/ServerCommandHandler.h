// The owners of the server's commands. The command loop parses each message
// and hands it to the owner's operation; owners that do not exist yet keep
// the defaults, which do nothing. Operations are called on the connection
// thread unless their comment says otherwise; whoever touches windows goes
// through the GUI-thread call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ServerCommandHandler {
public:
    virtual ~ServerCommandHandler() = default;

    // "say"/"sai": a history message on a channel (interrupt: "sai").
    virtual void historyMessage(int /*channel*/, const std::wstring& /*text*/, bool /*interrupt*/) {}
    // "play": a sound description (name, volume, options) with its number.
    virtual void playSound(int /*number*/, const std::string& /*sound*/) {}
    // "sndl": one named sound to load (names may be empty).
    virtual void loadSound(const std::string& /*name*/) {}

    // "inbx"/"inbm"/"inbp", on the worker thread: shows the input box for
    // the fields (id, title, prompt, default text) and returns true with the
    // answer when confirmed.
    virtual bool inputBox(const std::vector<std::string>& /*fields*/, bool /*multiline*/, bool /*password*/, std::wstring& /*answer*/) { return false; }
    // "msgb" (worker thread) and "msbm" (connection thread): shows the message
    // box for the fields (id, caption, text, type) and returns the button
    // chosen; negative when nothing was shown and nothing must be answered.
    virtual int messageBox(const std::vector<std::string>& /*fields*/) { return -1; }

    // "mupi"/"menu"/"mupd": a menu operation with mode 0, 1 or 2.
    virtual void menuOperation(const std::string& /*description*/, int /*mode*/) {}
    // "mcls" (and "mcla" with the id -1000000000).
    virtual void closeMenu(int /*id*/) {}
    // "mmve": moves within the current menu, then the menu-bounds feedback.
    virtual void moveInMenu(const std::string& /*description*/) {}
    virtual void menuBoundsFeedback(int /*a*/, int /*b*/, int /*c*/) {}
    // The id of the current (top) menu, -1 when no menu is open; whether a
    // menu with that id is anywhere in the stack of open menus.
    virtual int currentMenuId() { return -1; }
    virtual bool menuIsOpen(int /*id*/) { return false; }

    // "lmnu": opens the client's own menu of that number.
    virtual void localMenu(int /*number*/) {}
    // "lcmd": a main-window command, as if the user had chosen it.
    virtual void windowCommand(int /*id*/) {}
    // "webu": opens a web link.
    virtual void openLink(const std::string& /*url*/) {}
    // "clng": changes the interface language.
    virtual void changeLanguage(const std::string& /*name*/) {}
    // "cn4m"/"rv1m", on the worker thread: the move search for the whole
    // message; returns the reply to send ready-made (empty: nothing).
    virtual std::string moveSearch(const std::string& /*message*/) { return {}; }
    // "udta" (binary false) and binary messages (binary true), for the
    // current game plug-in.
    virtual void gameMessage(const std::string& /*data*/, bool /*binary*/) {}
    // "dlll"/"dllu", on the GUI thread: the whole message.
    virtual void loadGame(const std::string& /*message*/) {}
    virtual void unloadGame(const std::string& /*message*/) {}
    // "focuschat": puts the focus on the chat line with that text.
    virtual void focusChat(const std::string& /*text*/) {}
    // "soundstate": the state number of a named sound.
    virtual int soundState(const std::string& /*name*/) { return 0; }
    // "dwnl": starts a download (name not empty).
    virtual void download(int /*id*/, const std::string& /*name*/, std::uint64_t /*timeStamp*/) {}
    // "flsh": flashes the window count times when the channel asks for it.
    virtual void flashWindow(int /*channel*/, int /*count*/) {}
    // "ProposeUpdate": the choice of the three-button dialog.
    virtual int proposeUpdate(int /*id*/, int /*optionFlag*/) { return 0; }
    // "runUpdater": starts the client updater with those arguments.
    virtual void runUpdater(const std::string& /*arguments*/) {}

    // The client's own cues while it connects: the looping "connecting"
    // sound on or off, and the "connected" sound.
    virtual void connectingSound(bool /*on*/) {}
    virtual void connectedSound() {}

    // A message that matched no command (after it was printed).
    virtual void unknownCommand(const std::string& /*message*/) {}
};
