// A clean process state for tests of the client core: an application folder
// and a per-user data folder in a fresh temporary folder, an empty string
// table, default settings and closed logs, all reset again afterwards.
#pragma once

#include <filesystem>
#include <string>

#include "client/core/DebugLog.h"
#include "client/core/Environment.h"
#include "client/core/HistoryLog.h"
#include "client/core/Language.h"
#include "client/core/Settings.h"
#include "common/file.h"
#include "support/TempDir.h"

class CoreTestEnv {
public:
    explicit CoreTestEnv(std::uint64_t machineId = 0x0123456789ABCDEFull)
    {
        std::filesystem::create_directories(dir.path() / "app");
        std::filesystem::create_directories(dir.path() / "user");
        Environment env;
        env.appDir = dir.file("app") + kPathSeparator;
        env.userDir = dir.file("user") + kPathSeparator;
        env.machineId = machineId;
        setEnvironment(env);
        clearLanguage();
        settings() = Settings{};
    }
    ~CoreTestEnv()
    {
        closeHistoryLog();
        closeDebugLog();
        clearLanguage();
        settings() = Settings{};
        setEnvironment(Environment{});
    }
    CoreTestEnv(const CoreTestEnv&) = delete;
    CoreTestEnv& operator=(const CoreTestEnv&) = delete;

    std::string appFile(const std::string& name) const { return environment().appDir + name; }
    std::string userFile(const std::string& name) const { return environment().userDir + name; }

    static void write(const std::string& path, const std::string& text)
    {
        ASSERT_TRUE(common::writeWholeFile(path, text)) << path;
    }
    // The UTF-8 path as a file-system path.
    static std::filesystem::path fs(const std::string& utf8) { return common::fsPath(utf8); }
    static std::string read(const std::string& path)
    {
        std::string text;
        EXPECT_TRUE(common::readWholeFile(path, text)) << path;
        return text;
    }

    TempDir dir;
};
