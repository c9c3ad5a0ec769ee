// The speech-dispatcher engine: a clean failure when no daemon answers, and
// real speech through a private daemon whose output module writes what it
// is asked to speak into a file instead of a sound card.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/file.h"
#include "platform/speech/Speech.h"
#include "platform/speech/SpeechEngine.h"
#include "platform/speech/posix/SpeechDispatcherEngine.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

constexpr const char* kDaemon = "/usr/bin/speech-dispatcher";
constexpr const char* kModules = "/usr/lib/speech-dispatcher-modules";

// Waits for a condition the daemon brings about; the limit only ends a test
// that would otherwise hang, it is not a measure of speed.
template <class Condition>
bool eventually(Condition condition)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::vector<std::string> fileLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A speech-dispatcher of the test's own, on its own socket, with one output
// module: the generic module running a shell command that appends the text.
class PrivateDaemon {
public:
    explicit PrivateDaemon(const TempDir& dir) : socket_(dir.file("speechd.sock")), spoken_(dir.file("spoken.txt"))
    {
        const std::string conf = dir.file("conf");
        std::filesystem::create_directories(conf + "/modules");
        common::writeWholeFile(conf + "/speechd.conf", "AddModule \"capture\" \"sd_generic\" \"capture.conf\"\n"
                                                       "DefaultModule capture\n"
                                                       // The module plays nothing itself; an output
                                                       // that needs no sound server lets it start.
                                                       "AudioOutputMethod \"libao\"\n");
        common::writeWholeFile(conf + "/modules/capture.conf",
                               "GenericExecuteSynth \"printf '%s\\\\n' \\'$DATA\\' >> " + spoken_ + "\"\n"
                               "GenericMaxChunkLength 10000\n"
                               "AddVoice \"en\" \"MALE1\" \"capture-voice\"\n");
        std::vector<std::string> args{kDaemon, "-s",      "-t", "60", "-C", conf,         "-m", kModules,
                                      "-S",    socket_,   "-c", "unix_socket", "-L", dir.file(""), "-P",
                                      dir.file("pid")};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, kDaemon, nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
    }
    ~PrivateDaemon()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }

    bool started() const
    {
        return pid_ > 0 && eventually([this] { return std::filesystem::exists(socket_); });
    }
    std::string address() const { return "unix_socket:" + socket_; }
    const std::string& spokenFile() const { return spoken_; }

private:
    std::string socket_;
    std::string spoken_;
    pid_t pid_ = 0;
};

class SpeechDispatcherTest : public ::testing::Test {
protected:
    ~SpeechDispatcherTest() override
    {
        speechStop();
        unsetenv("SPEECHD_ADDRESS");
    }
    TempDir dir;
};

TEST_F(SpeechDispatcherTest, NoDaemonFailsCleanly)
{
    setenv("SPEECHD_ADDRESS", ("unix_socket:" + dir.file("nobody-listens.sock")).c_str(), 1);
    for (bool autospawn : {false, true}) {
        std::string error;
        EXPECT_EQ(openSpeechDispatcher(autospawn, error), nullptr);
        EXPECT_FALSE(error.empty());
    }
}

TEST_F(SpeechDispatcherTest, SpeaksThroughARealDaemonInOrder)
{
    if (access(kDaemon, X_OK) != 0) GTEST_SKIP() << "speech-dispatcher is not installed (scripts/setup-native)";
    PrivateDaemon daemon(dir);
    ASSERT_TRUE(daemon.started());
    setenv("SPEECHD_ADDRESS", daemon.address().c_str(), 1);
    std::string error;
    std::unique_ptr<SpeechEngine> engine = openSpeechDispatcher(false, error);
    ASSERT_TRUE(engine) << error;
    std::vector<std::unique_ptr<SpeechEngine>> engines;
    engines.push_back(std::move(engine));
    ASSERT_EQ(speechStart(std::move(engines)), kSpeechDone);

    EXPECT_EQ(speechGetValue(SpeechValue::kEngine), 7);
    EXPECT_EQ(speechGetString(SpeechValue::kEngine + 1 + 7), L"Speech Dispatcher");
    EXPECT_EQ(speechGetString(0x10001), L"capture-voice");
    EXPECT_EQ(speechGetString(0x10002), L"");
    EXPECT_EQ(speechSetValue(SpeechValue::kVoice, 0), kSpeechDone);
    EXPECT_EQ(speechSetValue(SpeechValue::kVoice, 1), kSpeechFailed);
    EXPECT_EQ(speechGetString(SpeechValue::kSubengine + 1), L"capture");
    EXPECT_EQ(speechGetValue(SpeechValue::kRate + SpeechValue::kMaximumOffset), 100);
    EXPECT_EQ(speechGetValue(SpeechValue::kRate + SpeechValue::kMinimumOffset), -100);
    EXPECT_EQ(speechGetValue(SpeechValue::kRate + SpeechValue::kSupportedOffset), 1);
    EXPECT_EQ(speechSetValue(SpeechValue::kRate, 40), kSpeechDone);
    EXPECT_EQ(speechGetValue(SpeechValue::kRate), 40);
    EXPECT_EQ(speechSetValue(SpeechValue::kRate, 101), kSpeechFailed);
    EXPECT_EQ(brailleDisplay(L"dots"), kSpeechFailed);

    const std::vector<std::string> texts{"first line", "second line", "third line", "fourth line"};
    for (const auto& text : texts) EXPECT_EQ(speechSay(std::wstring(text.begin(), text.end()), 0), kSpeechDone);
    ASSERT_TRUE(eventually([&] { return fileLines(daemon.spokenFile()).size() >= texts.size(); }))
        << "spoken so far: " << fileLines(daemon.spokenFile()).size();
    EXPECT_EQ(fileLines(daemon.spokenFile()), texts);
}

} // namespace
