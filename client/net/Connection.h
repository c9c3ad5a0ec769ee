// The one connection to the game server: the transport, the WebSocket
// dialect, the login, the command loop and the client's commands.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "client/net/LoginPayload.h"
#include "client/net/Socket.h"

class ServerCommandHandler;

// Time as the connection thread sees it; tests replace it.
class ConnectionClock {
public:
    virtual ~ConnectionClock() = default;
    // Seconds since 1970.
    virtual std::int64_t nowSeconds() = 0;
    virtual void sleepMs(unsigned milliseconds) = 0;
};

// The real clock and sleep.
ConnectionClock& systemClock();

// The server entry to connect to, and the values sent with the login.
struct ConnectionTarget {
    std::string host;
    int port = 0;
    bool secure = false;
    std::string login;
    std::string password;
    std::string language;       // the "isocode" interface string, UTF-8
    std::uint64_t machineId = 0; // masked
};

class Connection {
public:
    // Results of connect besides 0 and transport error codes.
    static constexpr int kUnreachable = -1;
    static constexpr int kLoginFailed = -2;

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // false once the connection must end for good ("quit", "runUpdater").
    std::atomic<bool> running{true};
    // true between a successful login and the next close.
    std::atomic<bool> loggedIn{false};
    // The reason of the last failed login (UTF-8).
    std::string lastError;

    // Opens the transport, performs the WebSocket upgrade carrying the
    // login and waits for the verdict: 0 logged in, kUnreachable (no server,
    // refused, timed out, no upgrade), kLoginFailed (refused login or no first
    // message), or another transport error code.
    int connect(const std::string& host, int port, bool secure, const std::string& login,
                const std::string& password, const std::string& language, std::uint64_t machineId);

    // Ends the connection; safe from any thread, also while the connection
    // thread reads. Logs "Connection closed !".
    void close();

    // Writes one frame: header and payload under the frame lock, so that
    // frames of different threads never interleave. length < 0: up to the
    // first NUL. Returns the result of the payload write; -1 without socket.
    int sendFrame(const char* data, int length, bool binary);
    int send(const std::string& text, bool binary = false);

    // Reads one header line of the upgrade response (CR dropped, LF ends).
    // false when a read failed first or the line grew absurdly long.
    bool readLine(std::string& line);

    // Reads the next data message: 0x81 text, 0x82 binary, 0 when the
    // connection is finished (close, failure, unsupported frame). Pings are
    // answered and closes echoed on the way.
    int readMessage(std::string& message);

    // The command loop: reads and dispatches messages until the connection
    // ends, quitting is set, or the server said "quit" or "runUpdater".
    void run();

    // Client commands. All but sendText, sendHistoryReport and
    // sendHistoryLine send nothing unless logged in. Each is cut to its
    // buffer size less one byte.
    void sendMenuSelection(int menuId, int index, const std::vector<std::string>& entryTags);
    // "msel id·index·tag" and "msel id·-1·-1"; "mkey" with the index as
    // given. Tags are UTF-8; the texts are cut at a character boundary.
    void sendMenuChoice(int menuId, int index, const std::string& tag);
    void sendMenuCancel(int menuId);
    void sendKey(int code);
    void sendMenuKey(int code, int menuId, int selectedIndex, const std::vector<std::string>& entryTags);
    void sendMenuItemKey(int code, int menuId, int index, const std::string& tag);
    void sendChat(const std::wstring& text);
    void sendQuit(); // then sleeps 400 ms
    void sendF10();
    void sendInputBoxAnswer(int id, const std::wstring& answer);
    void sendMessageBoxAnswer(int id, int button);
    void sendUpdateAnswer(int id, int choice);
    void sendSoundState(int id, int state);
    void sendHistoryReport(const std::wstring& lines);
    void sendHistoryLine(const std::wstring& text);
    void sendText(const std::string& text);

    // Collaborators, set up before the connection thread starts.
    void setHandler(ServerCommandHandler* handler);
    ServerCommandHandler& handler();
    void setIdentity(const ClientIdentity& identity) { identity_ = identity; }
    const ClientIdentity& identity() const { return identity_; }
    void setClock(ConnectionClock* clock) { clock_ = clock ? clock : &systemClock(); }
    ConnectionClock& clock() { return *clock_; }
    void setQuittingFlag(std::atomic<bool>* flag);
    bool quitting() const { return quitting_->load(); }
    // Makes the transport of one attempt (tests give their own).
    void setSocketFactory(std::function<std::shared_ptr<Socket>(bool secure)> factory);
    // Called with every frame the client sends (the headless client prints them).
    void setSendObserver(std::function<void(const std::string&, bool binary)> observer);

    // The transport of the current attempt, null when none.
    std::shared_ptr<Socket> socket() const;

private:
    int sendUnlessLoggedOut(const std::string& text);
    int writeFrame(Socket& socket, unsigned char kind, const char* data, std::size_t length);

    mutable std::mutex socketMutex_; // guards the pointer, not the transport
    std::shared_ptr<Socket> socket_;
    std::mutex frameLock_;
    ClientIdentity identity_;
    ConnectionClock* clock_;
    ServerCommandHandler* handler_ = nullptr;
    std::atomic<bool>* quitting_;
    std::function<std::shared_ptr<Socket>(bool)> socketFactory_;
    std::function<void(const std::string&, bool)> sendObserver_;
};

// The process-wide connection.
Connection& theConnection();

// Set by the main window when the user exits; every loop of the connection
// thread tests it.
std::atomic<bool>& quittingFlag();
