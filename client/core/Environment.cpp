// Start-up of the folders and machine values, and the first lines of the
// diagnostic log.
#include "client/core/Environment.h"

#include <filesystem>
#include <system_error>

#include "client/core/DebugLog.h"
#include "client/core/MachineMasks.h"
#include "common/file.h"

namespace {

Environment current;

bool isSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// Creates the folder (and missing parents) unless it is already a folder.
bool ensureFolder(const std::string& utf8)
{
    const std::filesystem::path p = common::fsPath(utf8);
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) return true;
    std::filesystem::create_directories(p, ec);
    return std::filesystem::is_directory(p, ec);
}

} // namespace

const Environment& environment() { return current; }

void setEnvironment(const Environment& values) { current = values; }

std::optional<std::uint64_t> firstAdapterAddress(const std::vector<NetworkAdapter>& adapters)
{
    for (const bool ethernetOnly : {true, false}) {
        for (const NetworkAdapter& a : adapters) {
            if (ethernetOnly && !a.ethernet) continue;
            if (a.addressLength != 6) continue;
            std::uint64_t value = 0;
            for (int b = 5; b >= 0; --b) value = (value << 8) | a.address[static_cast<std::size_t>(b)];
            if (value != 0) return value;
        }
    }
    return std::nullopt;
}

std::uint64_t maskMachineId(std::uint64_t address)
{
    const std::uint64_t low = (address & 0xFFFFFFFFu) ^ kMachineIdLowMask;
    const std::uint64_t high = (address >> 32) ^ kMachineIdHighMask;
    return (high << 32) | low;
}

std::uint64_t maskVolumeSerial(std::uint32_t serial) { return serial ^ kVolumeSerialMask; }

std::string maskUserName(std::string_view name)
{
    std::string out(name);
    for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) ^ kUserNameMask);
    return out;
}

std::string folderOfPath(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i) {
        if (isSeparator(path[i - 1])) return std::string(path.substr(0, i));
    }
    return {};
}

std::string withTrailingSeparator(std::string folder)
{
    if (!folder.empty() && !isSeparator(folder.back())) folder.push_back(kPathSeparator);
    return folder;
}

int prepareEnvironment(const std::string& userDirOverride)
{
    const SystemInfo& system = systemInfo();
    current = Environment{};
    current.osVersion = system.osVersion();

    current.appDir = folderOfPath(system.programPath());

    std::string userDir;
    if (!userDirOverride.empty()) {
        userDir = withTrailingSeparator(userDirOverride);
    } else {
        const std::optional<std::string> root = system.userDataRoot();
        if (!root || root->empty()) return kEnvNoUserDataRoot;
        userDir = withTrailingSeparator(*root) + "ORVC" + kPathSeparator;
    }
    if (!ensureFolder(userDir)) return kEnvUserDirNotCreated;
    current.userDir = userDir;

    if (!ensureFolder(userDir + "sounds")) return kEnvMachineValuesMissing;

    const std::optional<std::uint64_t> address = firstAdapterAddress(system.networkAdapters());
    if (!address) return kEnvMachineValuesMissing;
    current.machineId = maskMachineId(*address);

    const std::optional<std::uint32_t> serial = system.volumeSerial(userDir);
    if (!serial) return kEnvMachineValuesMissing;
    current.volumeSerial = maskVolumeSerial(*serial);

    const std::optional<std::string> user = system.userName();
    current.userName = user && !user->empty() ? maskUserName(*user) : std::string("noname");

    current.is64BitSystem = system.isWow64();

    openDebugLog(userDir + "debug.txt");
    debugLog("AppDir: " + current.appDir);
    debugLog("UserDir: " + current.userDir);
    debugLog("PATH: " + system.environmentVariable("PATH"));
    debugLog("Processors: " + system.processorCount() + ";" + system.processorArchitecture());
    const OsVersion& v = current.osVersion;
    debugLogf(128, "OS version: %u.%u.%u +SP%u.%u", v.major, v.minor, v.build, v.servicePackMajor,
              v.servicePackMinor);
    return 0;
}
