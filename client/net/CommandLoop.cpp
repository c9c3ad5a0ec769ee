// The command loop: every server message is matched against the command
// table in its fixed order and handed to the command's owner.
#include <cstdio>
#include <sstream>
#include <string_view>

#include "client/net/Connection.h"
#include "client/net/ServerCommandHandler.h"
#include "client/net/WorkerThread.h"
#include "client/frontend/FrontEnd.h"
#include "common/fields.h"
#include "common/numbers.h"
#include "common/utf8.h"

namespace {

// The text from byte `offset` on; empty when the message is shorter.
std::string from(const std::string& message, std::size_t offset)
{
    return message.size() > offset ? message.substr(offset) : std::string();
}

// The part of the message after its first space; the whole message when it
// has none.
std::string afterFirstSpace(const std::string& message)
{
    const std::size_t space = message.find(' ');
    return space == std::string::npos ? message : message.substr(space + 1);
}

int integerFrom(const std::string& message, std::size_t offset)
{
    return message.size() > offset ? common::readLong(std::string_view(message).substr(offset)) : 0;
}

void runOnGuiThread(const std::function<void()>& work)
{
    if (hasFrontEnd()) frontEnd().runInEDT(work);
    else work();
}

// "quit" and "runUpdater": the connection ends for good and the GUI thread
// leaves its message loop.
void endForGood(Connection& c)
{
    c.running = false;
    c.close();
    runOnGuiThread([] {
        if (hasFrontEnd()) frontEnd().postQuit(0);
    });
}

// Input boxes run as tasks on the worker thread; the answer goes back when
// the box was confirmed and the connection is still logged in.
void prepareInputBox(Connection& c, const std::string& arguments, bool multiline, bool password)
{
    submitTask([&c, arguments, multiline, password] {
        const std::vector<std::string> fields = common::splitFields(arguments);
        const int id = common::readLong(fields[0]);
        std::wstring answer;
        if (c.handler().inputBox(fields, multiline, password, answer) && c.loggedIn) {
            c.sendInputBoxAnswer(id, answer);
        }
    });
}

void prepareMessageBox(Connection& c, const std::string& arguments, bool asynchronous)
{
    auto show = [&c, arguments] {
        const std::vector<std::string> fields = common::splitFields(arguments);
        const int id = common::readLong(fields[0]);
        const int button = c.handler().messageBox(fields);
        if (button >= 0 && c.loggedIn) c.sendMessageBoxAnswer(id, button);
    };
    if (asynchronous) submitTask(show);
    else show();
}

enum class After { Continue, Return };

using CommandAction = After (*)(Connection&, ServerCommandHandler&, const std::string&);

struct Command {
    std::string_view prefix;
    CommandAction action;
};

// Board-game move searches run as tasks; the search's reply goes out as it
// is, while the connection is still logged in (a search can outlast it).
After startMoveSearch(Connection& c, ServerCommandHandler&, const std::string& m)
{
    submitTask([&c, m] {
        const std::string reply = c.handler().moveSearch(m);
        if (!reply.empty() && c.loggedIn) c.sendText(reply);
    });
    return After::Continue;
}

After historyMessage(ServerCommandHandler& h, const std::string& m, bool interrupt)
{
    h.historyMessage(integerFrom(m, 3), common::utf8ToWide(afterFirstSpace(m)), interrupt);
    return After::Continue;
}

// The prefixes are compared in this order; the first that starts the message
// wins ("sai" before "say", "mcls" before "mcla" ...).
const Command kCommands[] = {
    {"ping", [](Connection& c, ServerCommandHandler&, const std::string&) {
         c.sendText("pong");
         return After::Continue;
     }},
    {"sai", [](Connection&, ServerCommandHandler& h, const std::string& m) { return historyMessage(h, m, true); }},
    {"say", [](Connection&, ServerCommandHandler& h, const std::string& m) { return historyMessage(h, m, false); }},
    {"play", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         h.playSound(integerFrom(m, 4), afterFirstSpace(m));
         return After::Continue;
     }},
    {"sndl ", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         const std::string names = from(m, 5);
         std::size_t start = 0;
         for (;;) {
             const std::size_t space = names.find(' ', start);
             h.loadSound(names.substr(start, space == std::string::npos ? std::string::npos : space - start));
             if (space == std::string::npos) break;
             start = space + 1;
         }
         return After::Continue;
     }},
    {"inbx ", [](Connection& c, ServerCommandHandler&, const std::string& m) {
         prepareInputBox(c, from(m, 5), false, false);
         return After::Continue;
     }},
    {"inbm ", [](Connection& c, ServerCommandHandler&, const std::string& m) {
         prepareInputBox(c, from(m, 5), true, false);
         return After::Continue;
     }},
    {"inbp ", [](Connection& c, ServerCommandHandler&, const std::string& m) {
         prepareInputBox(c, from(m, 5), false, true);
         return After::Continue;
     }},
    {"mupi ", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         h.menuOperation(from(m, 5), 0);
         return After::Continue;
     }},
    {"menu ", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         h.menuOperation(from(m, 5), 1);
         return After::Continue;
     }},
    {"mupd ", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         h.menuOperation(from(m, 5), 2);
         return After::Continue;
     }},
    {"mcls", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         h.closeMenu(integerFrom(m, 5));
         return After::Continue;
     }},
    {"mcla", [](Connection&, ServerCommandHandler& h, const std::string&) {
         h.closeMenu(-1000000000);
         return After::Continue;
     }},
    {"mmve ", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         h.moveInMenu(from(m, 5));
         h.menuBoundsFeedback(0, 1, 0);
         return After::Continue;
     }},
    {"midt ", [](Connection& c, ServerCommandHandler& h, const std::string& m) {
         const int id = integerFrom(m, 5);
         const std::size_t space = m.size() > 6 ? m.find(' ', 6) : std::string::npos;
         std::string text = space == std::string::npos ? m : m.substr(space + 1);
         const int current = h.currentMenuId();
         if (id <= 0 || id == current) {
             const std::string idText = std::to_string(current);
             for (std::size_t at = text.find("&&"); at != std::string::npos; at = text.find("&&", at + idText.size())) {
                 text.replace(at, 2, idText);
             }
             c.sendText(text);
         }
         return After::Continue;
     }},
    {"midc ", [](Connection& c, ServerCommandHandler& h, const std::string& m) {
         const int id = integerFrom(m, 5);
         const std::size_t space = m.size() > 6 ? m.find(' ', 6) : std::string::npos;
         if (h.menuIsOpen(id)) c.sendText(space == std::string::npos ? m : m.substr(space + 1));
         return After::Continue;
     }},
    {"lmnu ", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         h.localMenu(integerFrom(m, 5));
         return After::Continue;
     }},
    {"lcmd", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         h.windowCommand(integerFrom(m, 5));
         return After::Continue;
     }},
    {"msgb ", [](Connection& c, ServerCommandHandler&, const std::string& m) {
         prepareMessageBox(c, from(m, 5), true);
         return After::Continue;
     }},
    {"msbm ", [](Connection& c, ServerCommandHandler&, const std::string& m) {
         prepareMessageBox(c, from(m, 5), false);
         return After::Continue;
     }},
    {"webu ", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         h.openLink(from(m, 5));
         return After::Continue;
     }},
    {"clng ", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         h.changeLanguage(from(m, 5));
         return After::Continue;
     }},
    {"cn4m ", startMoveSearch},
    {"rv1m ", startMoveSearch},
    {"udta ", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         h.gameMessage(from(m, 5), false);
         return After::Continue;
     }},
    {"dlll", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         runOnGuiThread([&h, &m] { h.loadGame(m); });
         return After::Continue;
     }},
    {"dllu", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         runOnGuiThread([&h, &m] { h.unloadGame(m); });
         return After::Continue;
     }},
    {"focuschat ", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         h.focusChat(from(m, 10));
         return After::Continue;
     }},
    {"soundstate", [](Connection& c, ServerCommandHandler& h, const std::string& m) {
         // The id as strtol reads it (hexadecimal and octal too), the name
         // after the first blank.
         const std::string argument = from(m, 11);
         const int id = common::readLong(argument);
         const std::size_t blank = argument.find(' ');
         const std::string name = blank == std::string::npos ? std::string() : argument.substr(blank + 1);
         const int state = h.soundState(name);
         if (c.loggedIn) c.sendSoundState(id, state);
         return After::Continue;
     }},
    {"dwnl ", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         std::istringstream in(from(m, 5));
         int id = 0;
         std::string name;
         std::uint64_t stamp = 0;
         in >> id >> name >> stamp;
         if (!name.empty()) h.download(id, name, stamp);
         return After::Continue;
     }},
    {"flsh", [](Connection&, ServerCommandHandler& h, const std::string& m) {
         const std::size_t space = m.find(' ');
         h.flashWindow(integerFrom(m, 4), space == std::string::npos ? 0 : common::readLong(m.substr(space + 1)));
         return After::Continue;
     }},
    {"ProposeUpdate ", [](Connection& c, ServerCommandHandler& h, const std::string& m) {
         std::istringstream in(from(m, 14));
         int id = 0, option = 0;
         in >> id >> option;
         const int choice = h.proposeUpdate(id, option);
         if (c.loggedIn) c.sendUpdateAnswer(id, choice);
         return After::Continue;
     }},
    {"runUpdater", [](Connection& c, ServerCommandHandler& h, const std::string& m) {
         h.runUpdater(from(m, 11));
         endForGood(c);
         return After::Return;
     }},
    {"quit", [](Connection& c, ServerCommandHandler&, const std::string&) {
         endForGood(c);
         return After::Return;
     }},
};

} // namespace

void Connection::run()
{
    std::string message;
    while (!quitting()) {
        const int kind = readMessage(message);
        if (kind == 0) return;
        if (kind == 0x82) {
            handler().gameMessage(message, true);
            continue;
        }
        if (message.size() <= 3) continue;
        const Command* match = nullptr;
        for (const Command& command : kCommands) {
            if (message.compare(0, command.prefix.size(), command.prefix) == 0) {
                match = &command;
                break;
            }
        }
        if (!match) {
            std::printf("Unknown command: %s\r\n", message.c_str());
            handler().unknownCommand(message);
            continue;
        }
        if (match->action(*this, handler(), message) == After::Return) return;
    }
}
