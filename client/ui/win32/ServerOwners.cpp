// The main window's server commands, carried to the GUI thread.
#include "client/ui/win32/ServerOwners.h"

#include "client/core/Language.h"
#include "client/frontend/FrontEnd.h"
#include "client/net/Connection.h"
#include "client/solvers/MoveSearch.h"
#include "client/ui/Links.h"
#include "client/ui/history/HistoryOwner.h"
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
