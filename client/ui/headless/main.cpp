// orvc-headless: the client without windows. It sets up its folders and the
// network as the client does, connects to one server, runs the command loop
// and prints one line per routed command and per command it sends.
//
//   orvc-headless [--host H --port P [--secure] --login L --password W]
//                 [--userdir DIR] [--answers FILE] [--speech log|spd]
//                 [--audio-out FILE.wav]
//
// Without --host it connects to the server entry selected in the settings.
// --answers names a file whose lines answer the boxes in order (a button
// number for message boxes, the text for input boxes). The program ends on
// the server's "quit" (status 0) or when the connection ends for good; a
// failed connection prints the report on stderr and ends with status 1.
// --speech spd speaks through speech-dispatcher; otherwise what the client
// says is printed as "spoken:" lines (or written to ORVC_SPEECH_LOG). What
// the history shows is printed as "history:" lines; standard input takes the
// player's keys and commands (see HeadlessCommands.h). Every call on the
// sounds and every sound that ends is printed as an "audio:" line; the mix
// goes to the system's default output, or with --audio-out into a WAV file
// (as ORVC_AUDIO_OUT does).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "client/app/ClientAudio.h"
#include "client/app/ConnectionSetup.h"
#include "client/app/Startup.h"
#include "client/core/DebugLog.h"
#include "client/core/Settings.h"
#include "client/net/Connection.h"
#include "client/net/ConnectionThread.h"
#include "client/ui/headless/HeadlessCommands.h"
#include "client/ui/headless/HeadlessFrontEnd.h"
#include "client/ui/headless/HeadlessHistory.h"
#include "client/ui/headless/HeadlessMenuDisplay.h"
#include "client/ui/headless/HeadlessOwners.h"
#include "client/ui/headless/HeadlessSpeech.h"
#include "client/ui/history/LayerSpeechOutput.h"
#include "client/ui/menu/ConnectionMenuReplies.h"
#include "client/ui/speech/SpeechSetup.h"
#include "common/environment.h"
#include "common/file.h"
#include "common/numbers.h"
#include "common/utf8.h"

namespace {

struct Options {
    std::string host;
    int port = 0;
    bool secure = false;
    std::string login;
    std::string password;
    std::string userDir;
    std::string answers;
    std::string speech;
    std::string audioOut;
};

void usage()
{
    std::fprintf(stderr,
                 "usage: orvc-headless [--host H --port P [--secure] --login L --password W]\n"
                 "                     [--userdir DIR] [--answers FILE] [--speech log|spd]\n"
                 "                     [--audio-out FILE.wav]\n");
}

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string port;
        if (a == "--secure") {
            o.secure = true;
        } else if (a == "--host") {
            if (!value(o.host)) return false;
        } else if (a == "--port") {
            if (!value(port)) return false;
            std::size_t used = 0;
            o.port = common::readLong(port, &used);
            if (used != port.size() || o.port < 1 || o.port > 65535) return false;
        } else if (a == "--login") {
            if (!value(o.login)) return false;
        } else if (a == "--password") {
            if (!value(o.password)) return false;
        } else if (a == "--userdir") {
            if (!value(o.userDir)) return false;
        } else if (a == "--answers") {
            if (!value(o.answers)) return false;
        } else if (a == "--audio-out") {
            if (!value(o.audioOut) || o.audioOut.empty()) return false;
        } else if (a == "--speech") {
            if (!value(o.speech) || !isHeadlessSpeechChoice(o.speech)) return false;
        } else {
            return false;
        }
    }
    // A server on the command line is complete, or absent.
    return o.host.empty() ? o.port == 0 && o.login.empty() : o.port != 0 && !o.login.empty();
}

std::deque<std::string> readAnswers(const std::string& path)
{
    std::deque<std::string> lines;
    std::string text;
    if (!common::readWholeFile(path, text)) return lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::mutex printLock;

void printLine(const std::string& line)
{
    std::lock_guard<std::mutex> guard(printLock);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The sounds' calls and ends, as "audio:" lines.
class PrintedSounds : public SoundObserver {
public:
    void soundEvent(const SoundEvent& event) override { printLine(formatSoundEvent(event)); }
};

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        usage();
        return 2;
    }

    // Before the audio layer first looks at its outputs.
    if (!options.audioOut.empty()) common::setEnvironmentVariable("ORVC_AUDIO_OUT", options.audioOut);

    HeadlessFrontEnd front;
    setFrontEnd(&front);
    front.setPrinter(printLine);
    if (!options.answers.empty()) front.setAnswers(readAnswers(options.answers));

    const int startup = initEnvironment(options.userDir);
    if (startup != 0) {
        std::fprintf(stderr, "Unable to initialize application environment.\nError code: %d\n", startup);
        return 1;
    }
    if (!startHeadlessSpeech(options.speech, printLine)) {
        std::fprintf(stderr, "Unable to initialize UniversalSpeech\n");
        return 1;
    }
    HeadlessOwners owners(front, printLine);
    // The main window and what reads its input live as long as the process:
    // the reader may still wait for a line when the program ends.
    static LayerSpeechOutput speech;
    static HeadlessHistory* historyDisplay = new HeadlessHistory(front);
    static HeadlessCommands* window = new HeadlessCommands(front, *historyDisplay, speech, [](unsigned ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    });
    static HeadlessMenuDisplay* menuDisplay = new HeadlessMenuDisplay(front);
    static ConnectionMenuReplies menuReplies;
    static MenuOwner* menus = new MenuOwner(
        *menuDisplay, speech, menuReplies,
        [](const std::wstring& sound, int channel) {
            menuDisplay->playSound(sound);
            if (Sounds* sounds = clientSounds()) sounds->playSound(common::wideToUtf8(sound), channel);
        },
        [] { return speechSetup().selfSpeaking(); });
    static PrintedSounds printedSounds;
    const int audio = initClientAudio(
        [](int channel) {
            return window->history().model().playsSounds(channel, historyDisplay->windowActive() || historyDisplay->boxOpen());
        },
        &printedSounds);
    if (audio != 0) {
        std::fprintf(stderr, "Unable to initialize BASS audio library.\nError code: %d\n", audio);
        return 1;
    }
    window->setSounds(clientSounds());
    owners.setSounds(clientSounds(), clientCues());
    menuDisplay->setMenus(menus);
    window->setMenus(menus);
    window->loadPresentation();
    owners.setHistory(&window->history());
    owners.setMenus(menus);
    std::thread([] { window->runAll(std::cin); }).detach();
    theConnection().setSendObserver([](const std::string& text, bool binary) {
        printLine(std::string(binary ? "sent binary: " : "sent: ") + printable(text));
    });
    std::function<ConnectionTarget()> commandLineServer;
    if (!options.host.empty()) {
        commandLineServer = [&options] {
            ConnectionTarget target = selectedServerTarget();
            target.host = options.host;
            target.port = options.port;
            target.secure = options.secure;
            target.login = options.login;
            target.password = options.password;
            return target;
        };
    }
    prepareConnection(owners, commandLineServer);

    // Without a connection dialog, the welcome fades as the connection starts.
    clientCues()->welcome();
    clientCues()->fadeWelcome();
    std::thread connectionThread(doConnect2);
    const int loopResult = front.runMessageLoop();

    quittingFlag() = true;
    // The connection thread ends once the connection is closed; it is waited
    // for before the network goes.
    shutdownClient([&connectionThread] { connectionThread.join(); });
    closeDebugLog();

    if (connectionFailed()) {
        for (const auto& event : front.events()) {
            if (event.kind == "box") std::fprintf(stderr, "%s\n", event.text.c_str());
        }
        return 1;
    }
    return loopResult;
}
