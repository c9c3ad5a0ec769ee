// The daily history log: its file name, the "Log started on" line, appending
// across runs, and the box when the file cannot be created.
#include "client/core/HistoryLog.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "CoreTestEnv.h"
#include "FakeSystemInfo.h"
#include "client/core/Settings.h"
#include "client/frontend/FrontEnd.h"
#include "common/utf8.h"

namespace {

constexpr LocalDateTime kMarch5 {2026, 3, 5, 9, 7, 3};

class HistoryLogTest : public ::testing::Test {
protected:
    HistoryLogTest() : installed(system), shown(frontEnd) {}

    FakeSystemInfo system;
    CoreTestEnv env;
    ScopedSystemInfo installed;
    RecordingFrontEnd frontEnd;
    ScopedFrontEnd shown;
};

} // namespace

TEST(HistoryLogPath, NamedAfterTheDay)
{
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(historyLogPath("logs", kMarch5), "logs" + sep + "2026-03-05.log");
    EXPECT_EQ(historyLogPath("logs" + sep, {2026, 12, 31, 23, 59, 59}), "logs" + sep + "2026-12-31.log");
    EXPECT_EQ(historyLogPath("", {999, 1, 2, 0, 0, 0}), "0999-01-02.log");
    // Long folders are not cut short: the file would be another one.
    const std::string deep(600, 'd');
    EXPECT_EQ(historyLogPath(deep, kMarch5), deep + sep + "2026-03-05.log");
}

TEST_F(HistoryLogTest, FirstLineAndAppendedRuns)
{
    settings().logDir = env.dir.file("logs");
    std::filesystem::create_directories(env.dir.path() / "logs");
    const std::string file = env.dir.file("logs") + kPathSeparator + "2026-03-05.log";

    ASSERT_TRUE(openHistoryLog(kMarch5));
    EXPECT_TRUE(isHistoryLogOpen());
    writeHistoryLog(L"Zoé says: bonjour à tous");
    writeHistoryLog(L"");
    // Flushed at once: complete while still open.
    EXPECT_EQ(CoreTestEnv::read(file), "Log started on 05.03.2026 09:07:03\r\nZoé says: bonjour à tous\r\n\r\n");
    closeHistoryLog();
    EXPECT_FALSE(isHistoryLogOpen());
    writeHistoryLog(L"lost: the log is closed");

    // A second run on the same day appends, with its own first line.
    ASSERT_TRUE(openHistoryLog({2026, 3, 5, 21, 30, 0}));
    writeHistoryLog(L"evening");
    closeHistoryLog();
    EXPECT_EQ(CoreTestEnv::read(file),
              "Log started on 05.03.2026 09:07:03\r\nZoé says: bonjour à tous\r\n\r\n"
              "Log started on 05.03.2026 21:30:00\r\nevening\r\n");
    EXPECT_TRUE(frontEnd.boxes.empty());
}

TEST_F(HistoryLogTest, ReopeningSwitchesFiles)
{
    settings().logDir = env.dir.file("logs");
    std::filesystem::create_directories(env.dir.path() / "logs");
    ASSERT_TRUE(openHistoryLog(kMarch5));
    writeHistoryLog(L"one");
    ASSERT_TRUE(openHistoryLog({2026, 3, 6, 0, 0, 1}));
    writeHistoryLog(L"two");
    closeHistoryLog();
    const std::string dir = env.dir.file("logs") + kPathSeparator;
    EXPECT_EQ(CoreTestEnv::read(dir + "2026-03-05.log"), "Log started on 05.03.2026 09:07:03\r\none\r\n");
    EXPECT_EQ(CoreTestEnv::read(dir + "2026-03-06.log"), "Log started on 06.03.2026 00:00:01\r\ntwo\r\n");
}

TEST_F(HistoryLogTest, EmptyFolderMeansTheUserFolder)
{
    settings().logDir.clear();
    ASSERT_TRUE(openHistoryLog(kMarch5));
    closeHistoryLog();
    EXPECT_EQ(settings().logDir, environment().userDir);
    EXPECT_TRUE(std::filesystem::exists(CoreTestEnv::fs(env.userFile("2026-03-05.log"))));
}

TEST_F(HistoryLogTest, FileThatCannotBeCreatedIsReported)
{
    CoreTestEnv::write(env.appFile("english.lng"), "error=Error\nerrorlogcreation=Cannot create %s.\n");
    ASSERT_TRUE(loadLanguage(true));
    settings().logDir = env.dir.file("no such folder");
    EXPECT_FALSE(openHistoryLog(kMarch5));
    EXPECT_FALSE(isHistoryLogOpen());
    writeHistoryLog(L"not written anywhere");
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    const std::string path = env.dir.file("no such folder") + kPathSeparator + "2026-03-05.log";
    EXPECT_EQ(frontEnd.boxes[0].text, L"Cannot create " + common::utf8ToWide(path) + L".");
    EXPECT_EQ(frontEnd.boxes[0].title, L"Error");
    EXPECT_EQ(frontEnd.boxes[0].style, MessageBoxStyle::kIconError);
}

TEST(HistoryLogClock, LocalNowIsADate)
{
    const LocalDateTime now = localNow();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
}
