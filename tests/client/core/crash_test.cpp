// The crash handler in a process that really crashes: the last two lines of
// the diagnostic log, the tune, the box and exit code 1, for an access
// violation, an abort and an exception that nobody catches.
#include "client/core/CrashHandler.h"

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "client/core/DebugLog.h"
#include "client/core/Environment.h"
#include "client/core/Language.h"
#include "client/core/Settings.h"
#include "client/frontend/FrontEnd.h"
#include "common/file.h"
#include "common/utf8.h"

namespace {

// A front-end that writes what it is asked to sound and show into a file, so
// that the test can read it after the crashed process has ended.
class FileFrontEnd : public FrontEnd {
public:
    explicit FileFrontEnd(std::string path) : path_(std::move(path)) {}
    void runInEDT(const std::function<void()>& work) override { work(); }
    int messageBox(const std::wstring& text, const std::wstring& title, unsigned style) override
    {
        append("box " + std::to_string(style) + " " + common::wideToUtf8(title) + "|" + common::wideToUtf8(text) + "\n");
        return MessageBoxAnswer::kOk;
    }
    void postQuit(int) override {}
    void beep(unsigned hz, unsigned ms) override { append("beep " + std::to_string(hz) + " " + std::to_string(ms) + "\n"); }
    void openAddress(const std::string& address) override { append("open " + address + "\n"); }

private:
    void append(const std::string& line)
    {
        common::FilePtr f = common::openFile(path_, "ab");
        if (f) std::fwrite(line.data(), 1, line.size(), f.get());
    }
    std::string path_;
};

// The folder of one death test. Its name depends only on the test, because
// the crashing child may be a fresh run of this program that repeats the
// test's steps before the statement.
std::string crashFolder()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path p = std::filesystem::temp_directory_path() / ("orvc-crash-" + std::string(info->name()));
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end()) + kPathSeparator;
}

// Everything the crashing process sets up: log, strings, front-end, handler.
void prepareCrash(const std::string& folder)
{
    static FileFrontEnd* fe = nullptr;
    Environment env;
    env.appDir = folder;
    env.userDir = folder;
    setEnvironment(env);
    settings().userLanguage = "english";
    loadLanguage(true);
    openDebugLog(folder + "debug.txt");
    debugLog("before the crash");
    fe = new FileFrontEnd(folder + "frontend.txt");
    setFrontEnd(fe);
    installCrashHandler();
}

class CrashTest : public ::testing::Test {
protected:
    CrashTest() : folder(crashFolder())
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        std::filesystem::remove_all(fs());
        std::filesystem::create_directories(fs());
        common::writeWholeFile(folder + "english.lng", "crash=The program must close.\ncrash2=Sorry\n");
    }
    ~CrashTest() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(fs(), ignored);
    }

    std::filesystem::path fs() const { return std::filesystem::path(std::u8string(folder.begin(), folder.end())); }

    std::string read(const char* name) const
    {
        std::string text;
        common::readWholeFile(folder + name, text);
        return text;
    }

    // What every crash leaves behind.
    void expectReport() const
    {
        EXPECT_EQ(read("debug.txt"), "before the crash\r\nCrash !\r\nCrash: exit process\r\n");
        EXPECT_EQ(read("frontend.txt"),
                  "beep 1567 400\nbeep 1318 200\nbeep 1760 200\nbeep 1567 400\nbeep 1318 400\nbeep 1174 150\n"
                  "beep 1174 150\nbeep 783 150\nbeep 783 150\nbeep 1046 600\n"
                  "box 16 Sorry|The program must close.\n");
    }

    const std::string folder;
};

[[noreturn]] void throwFromAThread()
{
    std::thread([] { throw std::runtime_error("nobody catches this"); }).join();
    std::abort();
}

void writeToBadAddress()
{
    // An address no program owns; the write is an access violation.
    volatile std::uintptr_t address = 64;
    *reinterpret_cast<volatile int*>(address) = 1;
}

} // namespace

TEST(CrashTune, NotesAndFrequencies)
{
    const unsigned expected[] = {1567, 1318, 1760, 1567, 1318, 1174, 1174, 783, 783, 1046};
    std::size_t next = 0;
    unsigned total = 0, pauses = 0;
    for (const CrashNote& note : crashTune()) {
        total += note.milliseconds;
        if (note.frequencyHz == 0) {
            EXPECT_EQ(note.milliseconds, 50u);
            ++pauses;
            continue;
        }
        ASSERT_LT(next, std::size(expected));
        EXPECT_EQ(note.frequencyHz, expected[next++]);
    }
    EXPECT_EQ(next, std::size(expected));
    EXPECT_EQ(pauses, 4u);
    EXPECT_EQ(total, 3000u);
    EXPECT_EQ(crashNoteFrequency(9, 0), 880u);
    EXPECT_EQ(crashNoteFrequency(9, -1), 440u);
}

TEST_F(CrashTest, AccessViolationSignal)
{
    EXPECT_EXIT(
        {
            prepareCrash(folder);
            std::raise(SIGSEGV);
        },
        ::testing::ExitedWithCode(1), "");
    expectReport();
}

TEST_F(CrashTest, WriteToABadAddress)
{
    EXPECT_EXIT(
        {
            prepareCrash(folder);
            writeToBadAddress();
        },
        ::testing::ExitedWithCode(1), "");
    expectReport();
}

TEST_F(CrashTest, CrashWhileTheLogIsLocked)
{
    // The fault happens inside debugLog, with its lock held by the crashing
    // thread: the handler must still write its lines and end the process.
    EXPECT_EXIT(
        {
            prepareCrash(folder);
            volatile std::uintptr_t address = 64;
            debugLog(std::string_view(reinterpret_cast<const char*>(address), 16));
        },
        ::testing::ExitedWithCode(1), "");
    expectReport();
}

TEST_F(CrashTest, UncaughtException)
{
    EXPECT_EXIT(
        {
            prepareCrash(folder);
            throwFromAThread();
        },
        ::testing::ExitedWithCode(1), "");
    expectReport();
}

TEST_F(CrashTest, Abort)
{
    EXPECT_EXIT(
        {
            prepareCrash(folder);
            std::abort();
        },
        ::testing::ExitedWithCode(1), "");
    expectReport();
}

TEST_F(CrashTest, WithoutLogOrStrings)
{
    // Nothing set up but the handler: still the same exit code.
    EXPECT_EXIT(
        {
            setFrontEnd(new FileFrontEnd(folder + "frontend.txt"));
            installCrashHandler();
            std::raise(SIGSEGV);
        },
        ::testing::ExitedWithCode(1), "");
    const std::string shown = read("frontend.txt");
    EXPECT_NE(shown.find("box 16 crash2|crash\n"), std::string::npos);
}
