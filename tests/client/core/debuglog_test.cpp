// The diagnostic log: whole CR LF lines, flushed at once, from any thread.
#include "client/core/DebugLog.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/file.h"
#include "support/TempDir.h"

TEST(DebugLog, LinesAreWholeFlushedAndNeverMixed)
{
    TempDir dir;
    const std::string path = dir.file("debug.txt");
    debugLog("lost: no log is open yet");
    ASSERT_TRUE(openDebugLog(path));
    debugLog("AppDir: C:\\orvc\\");
    debugLogf(64, "Connecting to %s:%d...", "localhost", 65535);

    // Flushed at once: readable while the log is still open.
    std::string text;
    ASSERT_TRUE(common::readWholeFile(path, text));
    EXPECT_EQ(text, "AppDir: C:\\orvc\\\r\nConnecting to localhost:65535...\r\n");

    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) debugLog(std::string(50, static_cast<char>('a' + t)));
        });
    }
    for (auto& th : threads) th.join();
    closeDebugLog();
    debugLog("lost: the log is closed");

    ASSERT_TRUE(common::readWholeFile(path, text));
    std::size_t lines = 0, pos = 0;
    while (true) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) break;
        const std::string line = text.substr(pos, end - pos);
        if (lines >= 2) {
            EXPECT_EQ(line, std::string(50, line[0]));
        }
        ++lines;
        pos = end + 2;
    }
    EXPECT_EQ(pos, text.size());
    EXPECT_EQ(lines, 2u + 800u);
    EXPECT_EQ(text.find("lost"), std::string::npos);

    // Reopening empties the file: the log holds one run only.
    ASSERT_TRUE(openDebugLog(path));
    closeDebugLog();
    ASSERT_TRUE(common::readWholeFile(path, text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(openDebugLog(dir.file("missing-folder/debug.txt")));
    EXPECT_FALSE(isDebugLogOpen());
}
