// Start-up of the folders and machine values: adapter choice, masks, the
// failure codes and the first lines of the diagnostic log.
#include "client/core/Environment.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "FakeSystemInfo.h"
#include "client/core/DebugLog.h"
#include "client/core/MachineMasks.h"
#include "common/file.h"
#include "support/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct AdapterCase {
    const char* name;
    std::vector<NetworkAdapter> adapters;
    std::optional<std::uint64_t> expected;
};

NetworkAdapter ether(Bytes b) { return FakeSystemInfo::adapter(true, std::move(b)); }
NetworkAdapter other(Bytes b) { return FakeSystemInfo::adapter(false, std::move(b)); }

// A fake system whose user data root is a folder of the test.
struct FakeMachine {
    explicit FakeMachine(const TempDir& dir)
    {
        system.program = dir.file("app") + kPathSeparator + "orvc.exe";
        system.dataRoot = dir.file("roaming");
        system.adapters = {other(Bytes(6, 0)), ether({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})};
        system.serial = 0xA1B2C3D4u;
        system.user = "Zoé";
        system.wow64 = true;
        system.version = {10, 0, 19045, 1, 2};
        system.variables = {{"PATH", "C:\\bin;D:\\tools"}};
        system.processors = "4";
        system.architecture = "x86";
    }
    FakeSystemInfo system;
};

std::vector<std::string> filesUnder(const std::filesystem::path& root)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        names.push_back(e.path().lexically_relative(root).generic_string());
    }
    return names;
}

} // namespace

TEST(Environment, AdapterChoice)
{
    const std::vector<AdapterCase> cases = {
        {"no adapters", {}, std::nullopt},
        {"all empty", {ether(Bytes(6, 0)), other(Bytes(6, 0))}, std::nullopt},
        {"little-endian 48 bits", {ether({1, 2, 3, 4, 5, 6})}, 0x060504030201ull},
        {"Ethernet before an earlier adapter of another kind",
         {other({9, 9, 9, 9, 9, 9}), ether({1, 0, 0, 0, 0, 0})}, 0x01ull},
        {"empty Ethernet falls back to any adapter", {ether(Bytes(6, 0)), other({0, 0, 0, 0, 0, 0x80})}, 0x800000000000ull},
        {"first non-empty of its kind", {ether(Bytes(6, 0)), ether({7, 0, 0, 0, 0, 0}), ether({8, 0, 0, 0, 0, 0})}, 7ull},
        {"only 6-byte addresses count", {ether({1, 2, 3, 4}), other({1, 2, 3, 4, 5, 6, 7, 8}), other({0, 0, 0, 0, 0, 1})},
         0x010000000000ull},
        {"highest bytes", {ether({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})}, 0xFFFFFFFFFFFFull},
    };
    for (const AdapterCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(firstAdapterAddress(c.adapters), c.expected);
    }
}

TEST(Environment, Masks)
{
    EXPECT_EQ(maskMachineId(0), (std::uint64_t(kMachineIdHighMask) << 32) | kMachineIdLowMask);
    const std::uint64_t address = 0x5E4D3C2B1A00ull;
    const std::uint64_t masked = maskMachineId(address);
    EXPECT_EQ(masked & 0xFFFFFFFFu, (address & 0xFFFFFFFFu) ^ kMachineIdLowMask);
    EXPECT_EQ(masked >> 32, (address >> 32) ^ kMachineIdHighMask);
    EXPECT_EQ(maskMachineId(masked), address);

    EXPECT_EQ(maskVolumeSerial(0xA1B2C3D4u), std::uint64_t(0xA1B2C3D4u ^ kVolumeSerialMask));
    EXPECT_EQ(maskVolumeSerial(0xFFFFFFFFu) >> 32, 0u);

    const std::string name = "Zoé";
    const std::string masked2 = maskUserName(name);
    ASSERT_EQ(masked2.size(), name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        EXPECT_EQ(static_cast<unsigned char>(masked2[i]), static_cast<unsigned char>(name[i]) ^ kUserNameMask);
    }
    EXPECT_EQ(maskUserName(masked2), name);
}

TEST(Environment, FolderOfPath)
{
    EXPECT_EQ(folderOfPath(std::string("x") + kPathSeparator + "orvc.exe"), std::string("x") + kPathSeparator);
    EXPECT_EQ(folderOfPath("orvc.exe"), "");
    EXPECT_EQ(folderOfPath(""), "");
#ifdef _WIN32
    EXPECT_EQ(folderOfPath("C:\\Program Files\\Orvelle\\orvc.exe"), "C:\\Program Files\\Orvelle\\");
    EXPECT_EQ(folderOfPath("C:/games/orvc.exe"), "C:/games/");
#else
    EXPECT_EQ(folderOfPath("/opt/orvelle/orvc"), "/opt/orvelle/");
    EXPECT_EQ(folderOfPath("/orvc"), "/");
#endif
    EXPECT_EQ(withTrailingSeparator("abc"), std::string("abc") + kPathSeparator);
    EXPECT_EQ(withTrailingSeparator(std::string("abc") + kPathSeparator), std::string("abc") + kPathSeparator);
    EXPECT_EQ(withTrailingSeparator(""), "");
}

TEST(Environment, FirstLinesOfTheLog)
{
    TempDir dir;
    FakeMachine machine(dir);
    ScopedSystemInfo installed(machine.system);

    ASSERT_EQ(prepareEnvironment(), 0);
    const Environment& env = environment();
    const std::string userDir = dir.file("roaming") + kPathSeparator + "ORVC" + kPathSeparator;
    EXPECT_EQ(env.appDir, dir.file("app") + kPathSeparator);
    EXPECT_EQ(env.userDir, userDir);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "roaming" / "ORVC" / "sounds"));
    EXPECT_EQ(machine.system.serialAskedFor, userDir);
    EXPECT_EQ(env.machineId, maskMachineId(0x5E4D3C2B1A00ull));
    EXPECT_EQ(env.volumeSerial, maskVolumeSerial(0xA1B2C3D4u));
    EXPECT_EQ(env.userName, maskUserName("Zoé"));
    EXPECT_TRUE(env.is64BitSystem);
    EXPECT_EQ(env.osVersion.build, 19045u);

    ASSERT_TRUE(isDebugLogOpen());
    closeDebugLog();
    std::string log;
    ASSERT_TRUE(common::readWholeFile(userDir + "debug.txt", log));
    EXPECT_EQ(log, "AppDir: " + env.appDir + "\r\n"
                   "UserDir: " + userDir + "\r\n"
                   "PATH: C:\\bin;D:\\tools\r\n"
                   "Processors: 4;x86\r\n"
                   "OS version: 10.0.19045 +SP1.2\r\n");

    // A second run empties the log: it holds one run only; unset variables
    // leave their part of the line empty.
    machine.system.variables.clear();
    machine.system.processors.clear();
    machine.system.architecture.clear();
    machine.system.user.reset();
    ASSERT_EQ(prepareEnvironment(), 0);
    EXPECT_EQ(environment().userName, "noname");
    closeDebugLog();
    ASSERT_TRUE(common::readWholeFile(userDir + "debug.txt", log));
    EXPECT_EQ(log.substr(log.find("PATH")), "PATH: \r\nProcessors: ;\r\nOS version: 10.0.19045 +SP1.2\r\n");
    setEnvironment(Environment{});
}

TEST(Environment, UserDirOverride)
{
    TempDir dir;
    FakeMachine machine(dir);
    machine.system.dataRoot.reset();
    ScopedSystemInfo installed(machine.system);

    const std::string chosen = dir.file("profile dé test");
    ASSERT_EQ(prepareEnvironment(chosen), 0);
    EXPECT_EQ(environment().userDir, chosen + kPathSeparator);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / std::filesystem::path(u8"profile dé test") / "sounds"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / std::filesystem::path(u8"profile dé test") / "debug.txt"));
    closeDebugLog();
    setEnvironment(Environment{});
}

TEST(Environment, FailureCodes)
{
    struct Case {
        const char* name;
        std::function<void(FakeSystemInfo&, const TempDir&)> breakIt;
        int expected;
    };
    const std::vector<Case> cases = {
        {"no data root", [](FakeSystemInfo& s, const TempDir&) { s.dataRoot.reset(); }, kEnvNoUserDataRoot},
        {"empty data root", [](FakeSystemInfo& s, const TempDir&) { s.dataRoot = ""; }, kEnvNoUserDataRoot},
        {"user folder is a file",
         [](FakeSystemInfo&, const TempDir& d) {
             std::filesystem::create_directories(d.path() / "roaming");
             ASSERT_TRUE(common::writeWholeFile(d.file("roaming") + kPathSeparator + "ORVC", "x"));
         },
         kEnvUserDirNotCreated},
        {"sounds is a file",
         [](FakeSystemInfo&, const TempDir& d) {
             std::filesystem::create_directories(d.path() / "roaming" / "ORVC");
             ASSERT_TRUE(common::writeWholeFile(
                 d.file("roaming") + kPathSeparator + "ORVC" + kPathSeparator + "sounds", "x"));
         },
         kEnvMachineValuesMissing},
        {"every adapter address empty",
         [](FakeSystemInfo& s, const TempDir&) { s.adapters = {ether(Bytes(6, 0)), other(Bytes(6, 0))}; },
         kEnvMachineValuesMissing},
        {"no volume information", [](FakeSystemInfo& s, const TempDir&) { s.serial.reset(); }, kEnvMachineValuesMissing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        FakeMachine machine(dir);
        c.breakIt(machine.system, dir);
        ScopedSystemInfo installed(machine.system);
        const std::vector<std::string> before = filesUnder(dir.path());
        EXPECT_EQ(prepareEnvironment(), c.expected);
        EXPECT_FALSE(isDebugLogOpen());
        if (c.expected == kEnvNoUserDataRoot) {
            EXPECT_EQ(filesUnder(dir.path()), before);
        }
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "roaming" / "ORVC" / "debug.txt"));
    }
    setEnvironment(Environment{});
}

TEST(Environment, PlatformAnswers)
{
    // The real system: the values exist and keep their meaning, whatever the
    // machine the tests run on.
    const auto system = makePlatformSystemInfo();
    const std::string program = system->programPath();
    ASSERT_FALSE(program.empty());
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(std::u8string(program.begin(), program.end()))));
    EXPECT_FALSE(folderOfPath(program).empty());
    EXPECT_GT(system->osVersion().major, 0u);
    EXPECT_FALSE(system->userLocaleName().empty());
    TempDir dir;
    EXPECT_TRUE(system->volumeSerial(dir.file("")).has_value());
    for (const NetworkAdapter& a : system->networkAdapters()) EXPECT_LE(a.addressLength, a.address.size());
    if (sizeof(void*) == 8) {
        EXPECT_FALSE(system->isWow64());
    }
}
