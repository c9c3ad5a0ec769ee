// Frame encoding and decoding in memory, and the command loop's dispatch rate
// for "say" messages flooded by the development server over loopback, plain
// and TLS. Prints figures; asserts nothing.
//   net_bench [messages]     (run from the top of the repository)
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "client/net/Connection.h"
#include "client/net/Network.h"
#include "client/net/ServerCommandHandler.h"
#include "client/net/WebSocketFrame.h"
#include "common/file.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// A transport that keeps nothing: writes are counted, reads come from memory.
class MemorySocket : public Socket {
public:
    explicit MemorySocket(std::string input = {}) : input_(std::move(input)) {}
    int connect(const char*, int) override { return 0; }
    int read(char* buffer, int length) override
    {
        if (input_.size() - at_ < static_cast<std::size_t>(length)) return 0;
        std::memcpy(buffer, input_.data() + at_, static_cast<std::size_t>(length));
        at_ += static_cast<std::size_t>(length);
        return length;
    }
    int write(const char*, int length) override
    {
        written += static_cast<std::size_t>(length);
        return length;
    }
    void close() override {}
    void rewind() { at_ = 0; }
    std::size_t written = 0;

private:
    std::string input_;
    std::size_t at_ = 0;
};

std::string frame(std::size_t size)
{
    unsigned char header[10];
    const std::size_t n = ws::encodeHeader(ws::kText, size, header);
    return std::string(reinterpret_cast<char*>(header), n) + std::string(size, 'x');
}

void encodeBench(std::size_t payload, int count)
{
    Connection c;
    const std::string okFrame = std::string("\x81\x02ok", 4);
    auto s = std::make_shared<MemorySocket>("HTTP/1.1 101 OK\r\n\r\n" + okFrame);
    c.setSocketFactory([s](bool) { return s; });
    c.connect("m", 1, false, "a", "b", "en", 0);
    const std::string data(payload, 'p');
    const auto t = Clock::now();
    for (int i = 0; i < count; ++i) c.sendFrame(data.data(), static_cast<int>(data.size()), false);
    const double sec = secondsSince(t);
    std::printf("encode %6zu-byte frames: %10.0f frames/s %9.1f MB/s\n", payload, count / sec,
                count * (payload + 2.0) / sec / 1e6);
}

void decodeBench(std::size_t payload, int count)
{
    std::string stream;
    const std::string one = frame(payload);
    stream.reserve(one.size() * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) stream += one;
    Connection c;
    const std::string okFrame = std::string("\x81\x02ok", 4);
    auto s = std::make_shared<MemorySocket>("HTTP/1.1 101 OK\r\n\r\n" + okFrame + stream);
    c.setSocketFactory([s](bool) { return s; });
    c.connect("m", 1, false, "a", "b", "en", 0);
    std::string m;
    const auto t = Clock::now();
    int got = 0;
    while (c.readMessage(m) != 0) ++got;
    const double sec = secondsSince(t);
    std::printf("decode %6zu-byte frames: %10.0f frames/s %9.1f MB/s (%d frames)\n", payload, got / sec,
                got * (payload + 2.0) / sec / 1e6, got);
}

class CountingOwners : public ServerCommandHandler {
public:
    std::atomic<long> messages{0};
    void historyMessage(int, const std::wstring&, bool) override { ++messages; }
};

struct Devserver {
    long pid = 0;
    int plain = 0, tls = 0;
    std::string ca;
};

Devserver startDevserver(const std::string& scriptPath)
{
    const std::string command = "echo $$; exec python3 tools/devserver/devserver.py --port 0 --tls-port 0 "
                                "--script " + scriptPath + " -q";
    FILE* out = popen(command.c_str(), "r");
    Devserver d;
    char line[1024];
    if (!out || !std::fgets(line, sizeof line, out)) return d;
    d.pid = std::atol(line);
    while (std::fgets(line, sizeof line, out)) {
        char kind[16], host[64];
        int port;
        if (std::strncmp(line, "READY", 5) == 0) break;
        if (std::sscanf(line, "LISTENING %15s %63s %d", kind, host, &port) == 3) {
            (std::strcmp(kind, "plain") == 0 ? d.plain : d.tls) = port;
        } else if (std::strncmp(line, "CA ", 3) == 0) {
            d.ca = std::string(line + 3);
            while (!d.ca.empty() && (d.ca.back() == '\n' || d.ca.back() == '\r')) d.ca.pop_back();
        }
    }
    return d;
}

void dispatchBench(const Devserver& d, bool secure, int count)
{
    Connection& c = theConnection();
    c.running = true;
    CountingOwners owners;
    c.setHandler(&owners);
    if (c.connect("localhost", secure ? d.tls : d.plain, secure, "alice", "secret", "en", 0) != 0) {
        std::printf("dispatch over %s: could not log in\n", secure ? "TLS" : "plain TCP");
        return;
    }
    const auto t = Clock::now();
    c.run(); // ends with the server's "quit"
    const double sec = secondsSince(t);
    c.setHandler(nullptr);
    std::printf("dispatch \"say\" over %-9s: %10.0f commands/s (%ld of %d in %.2f s)\n",
                secure ? "TLS" : "plain TCP", owners.messages / sec, owners.messages.load(), count, sec);
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    encodeBench(100, 2000000);
    encodeBench(65536, 20000);
    decodeBench(100, 2000000);
    decodeBench(65536, 5000);

    const auto dir = std::filesystem::temp_directory_path() / "orvc-net-bench";
    std::filesystem::create_directories(dir);
    const std::string script = (dir / "flood.json").string();
    common::writeWholeFile(script, "{\"steps\": [{\"flood\": {\"text\": \"say1 hello from the flood\", \"count\": "
                                       + std::to_string(count) + "}}, {\"send\": \"quit\"}], \"then\": \"idle\"}");
    const Devserver d = startDevserver(script);
    if (d.plain == 0) {
        std::printf("the development server did not start (run from the top of the repository)\n");
        return 1;
    }
    initNetwork(d.ca);
    dispatchBench(d, false, count);
    dispatchBench(d, true, count);
    closeNetwork();
    kill(static_cast<pid_t>(d.pid), SIGTERM);
    return 0;
}
