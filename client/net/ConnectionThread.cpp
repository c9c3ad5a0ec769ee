// The connection thread procedure and the end-of-connection report.
#include "client/net/ConnectionThread.h"

#include <atomic>

#include "client/net/ServerCommandHandler.h"
#include "client/net/SocketPlatform.h"
#include "client/frontend/FrontEnd.h"
#include "common/format.h"
#include "common/utf8.h"

namespace {

std::function<ConnectionTarget()> serverSelector;
std::atomic<bool> reported{false};
std::atomic<bool> failed{false};
std::function<std::wstring(const std::string&)> interfaceStrings;

std::wstring text(const std::string& key)
{
    return interfaceStrings ? interfaceStrings(key) : common::utf8ToWide(key);
}

// A connection that ends sooner than this after its login is not retried
// until this long after the login.
constexpr std::int64_t kMinSecondsBetweenLogins = 4;

} // namespace

void setServerSelector(std::function<ConnectionTarget()> selector) { serverSelector = std::move(selector); }

void setInterfaceStrings(std::function<std::wstring(const std::string&)> translate)
{
    interfaceStrings = std::move(translate);
}

int connectSelectedServer()
{
    const ConnectionTarget t = serverSelector ? serverSelector() : ConnectionTarget{};
    return theConnection().connect(t.host, t.port, t.secure, t.login, t.password, t.language, t.machineId);
}

void doConnect2()
{
    Connection& c = theConnection();
    ConnectionClock& clock = c.clock();
    std::int64_t lastConnect = 0;
    bool connectingSound = false;
    for (;;) {
        if (!c.running || c.quitting()) return;
        if (!connectingSound) {
            c.handler().connectingSound(true);
            connectingSound = true;
        }
        int result = Connection::kUnreachable;
        for (unsigned k = 0;;) {
            clock.sleepMs(k * 1000 + 10);
            k = 2 * k + 1;
            if (clock.nowSeconds() - lastConnect > kMinSecondsBetweenLogins) {
                result = connectSelectedServer();
            } else {
                result = Connection::kUnreachable;
            }
            if (result != Connection::kUnreachable || k > 59 || c.quitting()) break;
        }
        c.handler().connectingSound(false);
        connectingSound = false;
        if (result == 0 && !c.quitting()) {
            lastConnect = clock.nowSeconds();
            c.handler().connectedSound();
            c.run();
            continue;
        }
        c.running = false;
        if (hasFrontEnd()) frontEnd().runInEDT([result] { reportConnectionEnd(result); });
        return;
    }
}

bool connectionEndReported() { return reported.load(); }
bool connectionFailed() { return failed.load(); }

void reportConnectionEnd(int result)
{
    Connection& c = theConnection();
    reported = true;
    failed = result != 0 || !c.lastError.empty();
    const unsigned style = MessageBoxStyle::kOk | MessageBoxStyle::kIconError;
    if (!c.lastError.empty()) {
        frontEnd().messageBox(common::utf8ToWide(c.lastError), text("error"), style);
    } else if (result == Connection::kUnreachable) {
        frontEnd().messageBox(text("connecterror"), text("error"), style);
    } else if (result >= 1) {
        const std::wstring message = common::formatBoundedW(
            2048, L"%s\r\n%s\r\nCode d'erreur: %d", text("connecterrorprolog"), net::systemErrorText(result), result);
        frontEnd().messageBox(message, text("error"), style);
    }
    frontEnd().postQuit(0);
}
