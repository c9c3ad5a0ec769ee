// What the headless client does with each server command: it says so.
#include "client/ui/headless/HeadlessOwners.h"

#include <cstdio>

#include "client/audio/Cues.h"
#include "client/audio/Sounds.h"
#include "client/net/Connection.h"
#include "client/solvers/MoveSearch.h"
#include "client/ui/Links.h"
#include "client/ui/boxes/BoxRequests.h"
#include "client/ui/menu/MenuOwner.h"
#include "client/ui/history/HistoryOwner.h"
#include "common/numbers.h"
#include "common/utf8.h"

HeadlessOwners::HeadlessOwners(HeadlessFrontEnd& frontEnd, std::function<void(const std::string&)> print)
    : frontEnd_(frontEnd), print_(std::move(print))
{
}

void HeadlessOwners::routed(const std::string& line) { print_("routed: " + printable(line)); }

void HeadlessOwners::historyMessage(int channel, const std::wstring& text, bool interrupt)
{
    if (!history_) {
        routed("history " + std::to_string(channel) + (interrupt ? " interrupt " : " ") + common::wideToUtf8(text));
        return;
    }
    const int argument = channel | (interrupt ? kChannelArgInterrupt : 0);
    frontEnd_.runInEDT([&] { history_->add(text, argument); });
}

void HeadlessOwners::playSound(int number, const std::string& sound)
{
    routed("play " + std::to_string(number) + " " + sound);
    if (sounds_) sounds_->playSound(sound, number);
}

void HeadlessOwners::loadSound(const std::string& name)
{
    routed("load sound " + name);
    if (sounds_) sounds_->preloadSound(name);
}

bool HeadlessOwners::inputBox(const std::vector<std::string>& fields, bool multiline, bool password, std::wstring& answer)
{
    const InputRequest r = readInputRequest(fields);
    const char* kind = multiline ? "multi-line input " : password ? "password input " : "input ";
    frontEnd_.show("box", kind + std::to_string(r.id) + " " + printable(common::wideToUtf8(r.title)) + ": "
                              + printable(common::wideToUtf8(r.prompt)) + " [" + printable(common::wideToUtf8(r.defaultText))
                              + "]");
    std::string typed;
    if (!frontEnd_.nextAnswer(typed)) return false;
    answer = inputAnswerText(common::utf8ToWide(typed));
    return true;
}

int HeadlessOwners::messageBox(const std::vector<std::string>& fields)
{
    const MessageRequest r = readMessageRequest(fields);
    return frontEnd_.serverMessageBox(r.text, r.caption, r.type);
}

void HeadlessOwners::menuOperation(const std::string& d, int mode)
{
    if (!menus_) return routed("menu " + std::to_string(mode) + " " + d);
    frontEnd_.runInEDT([&] { menus_->menuUpdate(d, mode); });
}

void HeadlessOwners::closeMenu(int id)
{
    if (!menus_) return routed("close menu " + std::to_string(id));
    frontEnd_.runInEDT([&] { menus_->menuClose(id); });
}

void HeadlessOwners::moveInMenu(const std::string& d)
{
    if (!menus_) return routed("move in menu " + d);
    frontEnd_.runInEDT([&] { menus_->menuMove(d); });
}

void HeadlessOwners::menuBoundsFeedback(int delta, int interrupt, int absolute)
{
    if (menus_) frontEnd_.runInEDT([&] { menus_->moveSelection(delta, interrupt != 0, absolute != 0); });
}

int HeadlessOwners::currentMenuId()
{
    int id = -1;
    if (menus_) frontEnd_.runInEDT([&] { id = menus_->currentMenuId(); });
    return id;
}

bool HeadlessOwners::menuIsOpen(int id)
{
    bool open = false;
    if (menus_) frontEnd_.runInEDT([&] { open = menus_->menuIsOpen(id); });
    return open;
}

void HeadlessOwners::localMenu(int number) { routed("local menu " + std::to_string(number)); }
void HeadlessOwners::windowCommand(int id) { routed("window command " + std::to_string(id)); }
void HeadlessOwners::openLink(const std::string& url)
{
    routed("open link " + url);
    openUrl(url);
}
void HeadlessOwners::changeLanguage(const std::string& name) { routed("change language " + name); }

std::string HeadlessOwners::moveSearch(const std::string& message)
{
    routed("move search " + message);
    return solvers::moveSearchReply(message, &quittingFlag());
}

void HeadlessOwners::gameMessage(const std::string& data, bool binary)
{
    routed(std::string(binary ? "game binary " : "game message ") + data);
}

void HeadlessOwners::loadGame(const std::string& message) { routed("load game " + message.substr(std::min<std::size_t>(5, message.size()))); }
void HeadlessOwners::unloadGame(const std::string& message) { routed("unload game " + message.substr(std::min<std::size_t>(5, message.size()))); }
void HeadlessOwners::focusChat(const std::string& text) { routed("focus chat " + text); }

int HeadlessOwners::soundState(const std::string& name)
{
    routed("sound state " + name);
    return sounds_ && sounds_->isSoundActive(name) ? 1 : 0;
}

void HeadlessOwners::download(int id, const std::string& name, std::uint64_t timeStamp)
{
    routed("download " + std::to_string(id) + " " + name + " " + std::to_string(timeStamp));
}

void HeadlessOwners::flashWindow(int channel, int count)
{
    routed("flash " + std::to_string(channel) + " " + std::to_string(count));
    if (history_) frontEnd_.runInEDT([&] { history_->flash(channel, count); });
}

int HeadlessOwners::proposeUpdate(int id, int optionFlag)
{
    routed("propose update " + std::to_string(id) + " " + std::to_string(optionFlag));
    std::string scripted;
    return frontEnd_.nextAnswer(scripted) ? common::readLong(scripted) : 0;
}

void HeadlessOwners::runUpdater(const std::string& arguments) { routed("run updater " + arguments); }

void HeadlessOwners::connectingSound(bool on)
{
    if (cues_) cues_->connecting(on);
}

void HeadlessOwners::connectedSound()
{
    print_("connected");
    if (cues_) cues_->connected();
}
