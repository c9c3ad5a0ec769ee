// The time from a server message's dispatch to its speech: the development
// server sends a burst of "say" lines over loopback; the headless client's
// history speaks them through a speech output that notes the time of each
// call. Prints the latency percentiles, whether every line arrived once and
// in order, and the longest wait of a GUI-thread call. Asserts nothing.
//   speech_latency_bench [lines]     (run from the top of the repository)
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "client/core/Language.h"
#include "client/net/Connection.h"
#include "client/net/Network.h"
#include "client/net/ServerCommandHandler.h"
#include "client/ui/headless/HeadlessFrontEnd.h"
#include "client/ui/history/HistoryOwner.h"
#include "client/ui/history/PresentationDefaults.h"
#include "common/file.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Display : HistoryDisplay {
    void appendMessage(const std::vector<Segment>&) override {}
    void clearMessages() override {}
    void setClipboard(const std::wstring&) override {}
    void flash(unsigned) override {}
    void refusalBeep() override {}
    void tone(unsigned, unsigned) override {}
    bool windowActive() const override { return true; }
    bool boxOpen() const override { return false; }
};

// Notes when each line was spoken and which it was.
struct TimedSpeech : SpeechOutput {
    void say(const std::wstring& text, bool) override
    {
        spoken.push_back({Clock::now(), std::wcstol(text.c_str() + text.find(L' ') + 1, nullptr, 10)});
    }
    void braille(const std::wstring&) override {}
    struct Line {
        Clock::time_point at;
        long number;
    };
    std::vector<Line> spoken;
};

// The server owners of the headless client, reduced to the history: the
// dispatch time of each line is noted before it goes to the GUI thread.
struct Owners : ServerCommandHandler {
    Owners(HeadlessFrontEnd& f, HistoryOwner& h) : front(f), history(h) {}
    void historyMessage(int channel, const std::wstring& text, bool) override
    {
        const Clock::time_point dispatched = Clock::now();
        front.runInEDT([&] {
            waits.push_back(Clock::now() - dispatched);
            history.add(text, channel);
        });
        arrived.push_back(dispatched);
    }
    HeadlessFrontEnd& front;
    HistoryOwner& history;
    std::vector<Clock::time_point> arrived;
    std::vector<Clock::duration> waits;
};

double micro(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const auto dir = std::filesystem::temp_directory_path() / "orvc-speech-bench";
    std::filesystem::create_directories(dir);
    std::string steps;
    for (int i = 0; i < count; ++i) steps += "{\"send\": \"say3 line " + std::to_string(i) + "\"},";
    const std::string script = (dir / "burst.json").string();
    common::writeWholeFile(script, "{\"steps\": [" + steps + "{\"send\": \"quit\"}], \"then\": \"idle\"}");
    FILE* out = popen(("echo $$; exec python3 tools/devserver/devserver.py --port 0 --tls-port 0 --script " + script
                       + " -q").c_str(),
                      "r");
    char line[1024];
    long pid = 0;
    int port = 0;
    if (out && std::fgets(line, sizeof line, out)) pid = std::atol(line);
    while (out && std::fgets(line, sizeof line, out) && std::strncmp(line, "READY", 5) != 0) {
        char kind[16], host[64];
        int p;
        if (std::sscanf(line, "LISTENING %15s %63s %d", kind, host, &p) == 3 && std::strcmp(kind, "plain") == 0) port = p;
    }
    if (port == 0) {
        std::printf("the development server did not start (run from the top of the repository)\n");
        return 1;
    }

    HeadlessFrontEnd front;
    setFrontEnd(&front);
    Display display;
    TimedSpeech speech;
    HistoryOwner history(display, speech, [](const std::string&) {});
    history.model().setPresentation(defaultPresentation(0x20000, false, builtInResource).value());
    Owners owners(front, history);
    initNetwork("");
    Connection& c = theConnection();
    c.running = true;
    c.setHandler(&owners);
    if (c.connect("localhost", port, false, "alice", "secret", "en", 0) != 0) {
        std::printf("could not log in\n");
        return 1;
    }
    std::thread connection([&] {
        c.run();
        front.postQuit(0);
    });
    front.runMessageLoop();
    connection.join();
    c.setHandler(nullptr);
    closeNetwork();
    kill(static_cast<pid_t>(pid), SIGTERM);

    bool inOrder = speech.spoken.size() == owners.arrived.size();
    std::vector<double> latency;
    for (std::size_t i = 0; i < speech.spoken.size() && inOrder; ++i) {
        inOrder = speech.spoken[i].number == static_cast<long>(i);
        latency.push_back(micro(speech.spoken[i].at - owners.arrived[i]));
    }
    std::printf("lines sent %d, dispatched %zu, spoken %zu, every line once and in order: %s\n", count,
                owners.arrived.size(), speech.spoken.size(), inOrder ? "yes" : "NO");
    if (latency.empty()) return 1;
    std::sort(latency.begin(), latency.end());
    auto at = [&](double q) { return latency[std::min(latency.size() - 1, static_cast<std::size_t>(q * latency.size()))]; };
    const auto longest = *std::max_element(owners.waits.begin(), owners.waits.end());
    std::printf("dispatch to speech: p50 %.1f us, p99 %.1f us, max %.1f us; longest GUI-thread call wait %.1f us\n",
                at(0.50), at(0.99), latency.back(), micro(longest));
    return 0;
}
