// The connection's transport, WebSocket framing and login.
#include "client/net/Connection.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

#include "client/core/DebugLog.h"
#include "client/net/ServerCommandHandler.h"
#include "client/net/WebSocketFrame.h"
#include "common/format.h"

namespace {

class SystemClock : public ConnectionClock {
public:
    std::int64_t nowSeconds() override
    {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    }
    // Sleeps in short slices so that a user who quits is not kept waiting
    // for the end of a long pause between connection attempts.
    void sleepMs(unsigned milliseconds) override
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (!quittingFlag().load()) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= end) return;
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(50)));
        }
    }
};

ServerCommandHandler& noOwners()
{
    static ServerCommandHandler defaults;
    return defaults;
}

// A header line longer than this is not a header: the server is broken.
constexpr std::size_t kMaxHeaderLine = 64 * 1024;
constexpr int kMaxHeaderLines = 1000;

// Server payloads are read in pieces of this size.
constexpr std::uint32_t kReadPiece = 1024 * 1024;

// Frames up to this size go out in one write with their header.
constexpr std::size_t kSingleWriteLimit = 64 * 1024;

} // namespace

ConnectionClock& systemClock()
{
    static SystemClock clock;
    return clock;
}

std::atomic<bool>& quittingFlag()
{
    static std::atomic<bool> flag{false};
    return flag;
}

Connection& theConnection()
{
    static Connection connection;
    return connection;
}

Connection::Connection() : clock_(&systemClock()), quitting_(&quittingFlag()) {}

Connection::~Connection()
{
    std::shared_ptr<Socket> s;
    {
        std::lock_guard<std::mutex> guard(socketMutex_);
        s = std::move(socket_);
    }
    if (s) s->close();
}

void Connection::setHandler(ServerCommandHandler* handler) { handler_ = handler; }

ServerCommandHandler& Connection::handler() { return handler_ ? *handler_ : noOwners(); }

void Connection::setQuittingFlag(std::atomic<bool>* flag) { quitting_ = flag ? flag : &quittingFlag(); }

void Connection::setSocketFactory(std::function<std::shared_ptr<Socket>(bool)> factory)
{
    socketFactory_ = std::move(factory);
}

void Connection::setSendObserver(std::function<void(const std::string&, bool)> observer)
{
    sendObserver_ = std::move(observer);
}

std::shared_ptr<Socket> Connection::socket() const
{
    std::lock_guard<std::mutex> guard(socketMutex_);
    return socket_;
}

int Connection::connect(const std::string& host, int port, bool secure, const std::string& login,
                        const std::string& password, const std::string& language, std::uint64_t machineId)
{
    debugLog("Connecting to " + host + ":" + std::to_string(port) + (secure ? " using secure connection" : "") + "...");
    loggedIn = false;
    if (socket()) {
        close();
        clock_->sleepMs(50);
    }
    std::shared_ptr<Socket> s;
    if (socketFactory_) s = socketFactory_(secure);
    if (!s) s = secure ? std::make_shared<SSLSocket>() : std::make_shared<Socket>();
    {
        std::lock_guard<std::mutex> guard(socketMutex_);
        socket_ = s;
    }
    const int err = s->connect(host.c_str(), port);
    if (err != 0) {
        debugLog("Connection error code: " + std::to_string(err));
        return (err == net::kErrorTimedOut || err == net::kErrorRefused) ? kUnreachable : err;
    }
    debugLog("Connection successful");
    debugLog("Login: " + login + ", language: " + language);

    const std::string query = encodeLogin(buildLoginPayload(login, password, language, machineId, identity_));
    const std::string request = common::formatBounded(
        2048, "GET /play?%s HTTP/1.1\r\nConnection:upgrade\r\nUpgrade:websocket\r\nSec-WebSocket-Version:13\r\n\r\n",
        query);
    s->write(request.data(), static_cast<int>(request.size()));

    std::string line;
    if (!readLine(line)) {
        debugLog("Connection lost before response");
        return kUnreachable;
    }
    std::istringstream status(line);
    std::string protocol;
    int code = 0;
    status >> protocol >> code;
    if (code != 101) {
        debugLog("Status!=101: " + std::to_string(code) + "; status line = " + line);
        return kUnreachable;
    }
    for (int count = 0;; ++count) {
        std::string header;
        if (count >= kMaxHeaderLines || !readLine(header)) {
            debugLog("Connection lost while reading headers");
            return kUnreachable;
        }
        if (header.empty()) break;
        debugLog(header);
    }
    debugLog("Headers complete");

    std::string verdict;
    if (readMessage(verdict) == 0) {
        lastError = "Connection lost before reading first message";
        debugLog("Login failed: " + lastError);
        return kLoginFailed;
    }
    if (verdict == "ok") {
        debugLog("Login successful");
        loggedIn = true;
        return 0;
    }
    if (verdict.compare(0, 5, "fail ") == 0) {
        lastError = verdict.substr(5);
    } else {
        lastError = common::formatBounded(1024, "Invalid message received,: '%s'", verdict);
    }
    debugLog("Login failed: " + lastError);
    return kLoginFailed;
}

void Connection::close()
{
    loggedIn = false;
    std::shared_ptr<Socket> s;
    {
        std::lock_guard<std::mutex> guard(socketMutex_);
        s = std::move(socket_);
    }
    // A reader still inside s holds its own reference: the object is freed
    // when that read has returned.
    if (s) s->close();
    debugLog("Connection closed !");
}

int Connection::writeFrame(Socket& s, unsigned char kind, const char* data, std::size_t length)
{
    unsigned char header[10];
    const std::size_t headerSize = ws::encodeHeader(kind, length, header);
    std::lock_guard<std::mutex> guard(frameLock_);
    if (length <= kSingleWriteLimit) {
        // One write keeps a small frame in one TCP segment.
        thread_local std::string buffer;
        buffer.assign(reinterpret_cast<const char*>(header), headerSize);
        buffer.append(data, length);
        const int n = s.write(buffer.data(), static_cast<int>(buffer.size()));
        return n < 0 ? n : std::max(0, n - static_cast<int>(headerSize));
    }
    const int h = s.write(reinterpret_cast<const char*>(header), static_cast<int>(headerSize));
    if (h != static_cast<int>(headerSize)) return h < 0 ? h : 0;
    return s.write(data, static_cast<int>(length));
}

int Connection::sendFrame(const char* data, int length, bool binary)
{
    const std::shared_ptr<Socket> s = socket();
    if (!s) return -1;
    const std::size_t size = length < 0 ? std::strlen(data) : static_cast<std::size_t>(length);
    if (sendObserver_) sendObserver_(std::string(data, size), binary);
    return writeFrame(*s, binary ? ws::kBinary : ws::kText, data, size);
}

int Connection::send(const std::string& text, bool binary)
{
    return sendFrame(text.data(), static_cast<int>(text.size()), binary);
}

bool Connection::readLine(std::string& line)
{
    const std::shared_ptr<Socket> s = socket();
    line.clear();
    if (!s) return false;
    for (;;) {
        char c;
        if (s->read(&c, 1) != 1) return false;
        if (c == '\n') return true;
        if (c == '\r') continue;
        if (line.size() >= kMaxHeaderLine) return false;
        line.push_back(c);
    }
}

int Connection::readMessage(std::string& message)
{
    const std::shared_ptr<Socket> s = socket();
    if (!s) return 0;
    for (;;) {
        unsigned char head[2];
        if (s->read(reinterpret_cast<char*>(head), 2) != 2) return 0;
        const int extra = ws::extendedLengthSize(head[1]);
        if (extra < 0) {
            debugLog("Masked frame from the server, connection ended");
            return 0;
        }
        unsigned char extension[8];
        if (extra > 0 && s->read(reinterpret_cast<char*>(extension), extra) != extra) return 0;
        const std::uint32_t length = ws::payloadLength(head[1], extension);
        if (length > ws::kMaxMessage) {
            debugLog("Server message of " + std::to_string(length) + " bytes refused, connection ended");
            return 0;
        }
        // The payload is read in pieces, so that a length field promising
        // more than the server sends costs no more memory than it sent.
        message.clear();
        message.reserve(std::min<std::uint32_t>(length, kReadPiece));
        for (std::uint32_t got = 0; got < length;) {
            const std::uint32_t piece = std::min<std::uint32_t>(length - got, kReadPiece);
            message.resize(got + piece);
            if (s->read(message.data() + got, static_cast<int>(piece)) != static_cast<int>(piece)) return 0;
            got += piece;
        }

        switch (head[0]) {
        case ws::kText:
        case ws::kBinary:
            return head[0];
        case ws::kPing:
            writeFrame(*s, ws::kPong, message.data(), message.size());
            continue;
        case ws::kClose:
            writeFrame(*s, ws::kClose, message.data(), message.size());
            return 0;
        default:
            return 0;
        }
    }
}
