// The main window's server commands, carried to the GUI thread.
#include "client/ui/win32/ServerOwners.h"

#include "client/audio/Cues.h"
#include "client/audio/Sounds.h"
#include "client/core/Language.h"
#include "client/frontend/FrontEnd.h"
#include "client/net/Connection.h"
#include "client/solvers/MoveSearch.h"
#include "client/ui/Links.h"
#include "client/ui/boxes/BoxRequests.h"
#include "client/ui/history/HistoryOwner.h"
#include "client/ui/menu/MenuOwner.h"
#include "client/ui/win32/HistoryControl.h"
#include "client/ui/win32/InputBox.h"
#include "client/ui/win32/MainWindow.h"

void ServerOwners::windowCommand(int id)
{
    // Posted, as if chosen from the keyboard: the connection thread goes on
    // at once and the command runs in the message loop's turn.
    PostMessageW(window_.handle(), WM_COMMAND, static_cast<WPARAM>(id), 0);
}

void ServerOwners::historyMessage(int channel, const std::wstring& text, bool interrupt)
{
    if (!history_) return;
    // Queued: a flood of messages costs no thread switch each, and the
    // order with everything else the connection asks of the window stays.
    const int argument = channel | (interrupt ? kChannelArgInterrupt : 0);
    frontEnd().postToEDT([history = history_, text, argument] { history->add(text, argument); });
}

void ServerOwners::flashWindow(int channel, int count)
{
    if (history_) frontEnd().postToEDT([history = history_, channel, count] { history->flash(channel, count); });
}

void ServerOwners::focusChat(const std::string& argument)
{
    const FocusChatRequest request = parseFocusChat(argument);
    frontEnd().runInEDT([&] { window_.focusChat(request); });
}

void ServerOwners::changeLanguage(const std::string& name)
{
    frontEnd().runInEDT([&] {
        ::changeLanguage(name, [this](const std::wstring& title) { SetWindowTextW(window_.handle(), title.c_str()); });
    });
}

void ServerOwners::openLink(const std::string& url) { openUrl(url); }

// On the worker thread; the search gives up when the user quits, so that a
// deep search never holds up the end of the program.
std::string ServerOwners::moveSearch(const std::string& message) { return solvers::moveSearchReply(message, &quittingFlag()); }

void ServerOwners::menuOperation(const std::string& description, int mode)
{
    if (menus_) frontEnd().runInEDT([&] { menus_->menuUpdate(description, mode); });
}

void ServerOwners::closeMenu(int id)
{
    if (menus_) frontEnd().runInEDT([&] { menus_->menuClose(id); });
}

void ServerOwners::moveInMenu(const std::string& description)
{
    if (menus_) frontEnd().runInEDT([&] { menus_->menuMove(description); });
}

void ServerOwners::menuBoundsFeedback(int delta, int interrupt, int absolute)
{
    if (menus_) frontEnd().runInEDT([&] { menus_->moveSelection(delta, interrupt != 0, absolute != 0); });
}

int ServerOwners::currentMenuId()
{
    int id = -1;
    if (menus_) frontEnd().runInEDT([&] { id = menus_->currentMenuId(); });
    return id;
}

bool ServerOwners::menuIsOpen(int id)
{
    bool open = false;
    if (menus_) frontEnd().runInEDT([&] { open = menus_->menuIsOpen(id); });
    return open;
}

// The count of open boxes lives on the GUI thread, with the history.
void ServerOwners::boxOpen(bool open)
{
    if (!historyControl_) return;
    if (open) historyControl_->boxOpened();
    else historyControl_->boxClosed();
}

bool ServerOwners::inputBox(const std::vector<std::string>& fields, bool multiline, bool password, std::wstring& answer)
{
    const InputRequest r = readInputRequest(fields);
    std::wstring edited;
    if (!InputBox(edited, window_.handle(), r.title, r.prompt, r.defaultText, multiline, password,
                  [this](bool open) { boxOpen(open); })) {
        return false;
    }
    answer = inputAnswerText(edited);
    return true;
}

int ServerOwners::messageBox(const std::vector<std::string>& fields)
{
    const MessageRequest r = readMessageRequest(fields);
    frontEnd().runInEDT([this] { boxOpen(true); });
    const int button = MessageBoxW(window_.handle(), r.text.c_str(), r.caption.c_str(), r.type);
    frontEnd().runInEDT([this] { boxOpen(false); });
    return button;
}

void ServerOwners::playSound(int number, const std::string& sound)
{
    if (sounds_) sounds_->playSound(sound, number);
}

void ServerOwners::loadSound(const std::string& name)
{
    if (sounds_) sounds_->preloadSound(name);
}

int ServerOwners::soundState(const std::string& name) { return sounds_ && sounds_->isSoundActive(name) ? 1 : 0; }

void ServerOwners::connectingSound(bool on)
{
    if (cues_) cues_->connecting(on);
}

void ServerOwners::connectedSound()
{
    if (cues_) cues_->connected();
}
