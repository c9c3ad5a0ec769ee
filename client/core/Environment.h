// The process-wide folders and machine values established at start-up: the
// application folder, the per-user data folder with its "sounds" folder, the
// masked machine identifier, volume serial and user name, the 64-bit flag
// and the system version; and the first lines of the diagnostic log.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/core/SystemInfo.h"

// The separator that ends the folders below and joins file names to them.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Failure codes of the start-up steps done here (the numbering of the whole
// start-up, of which these are a part).
inline constexpr int kEnvNoUserDataRoot = -2;       // "APPDATA" (or its native counterpart) unset
inline constexpr int kEnvUserDirNotCreated = -3;    // the per-user data folder cannot be created
inline constexpr int kEnvMachineValuesMissing = -4; // no "sounds" folder, adapter address or volume serial

struct Environment {
    std::string appDir;              // the program's folder, UTF-8, ends with kPathSeparator
    std::string userDir;             // the per-user data folder, UTF-8, ends with kPathSeparator
    OsVersion osVersion;
    std::uint64_t machineId = 0;     // adapter address, masked (also the key of stored passwords)
    std::uint64_t volumeSerial = 0;  // volume serial, masked; upper 32 bits 0
    std::string userName = "noname"; // login name with every byte masked; "noname" (unmasked) when unknown
    bool is64BitSystem = false;      // a 32-bit client running on a 64-bit system
};

// The values established by prepareEnvironment (or setEnvironment). Read-only
// after start-up; any thread may read them.
const Environment& environment();

// Replaces all values at once: for the headless program and tests that set
// up the process without prepareEnvironment. Call before other threads start.
void setEnvironment(const Environment& values);

// Steps of start-up after the network set-up: the application folder, the
// per-user data folder (the override when not empty, else "ORVC" under
// SystemInfo::userDataRoot), its "sounds" folder, the machine values and the
// system version; then opens the diagnostic log "debug.txt" in the per-user
// data folder, emptying it, and writes its first lines ("AppDir: ",
// "UserDir: ", "PATH: ", "Processors: ", "OS version: "). Reads the system
// through systemInfo(). Returns 0, or kEnvNoUserDataRoot,
// kEnvUserDirNotCreated or kEnvMachineValuesMissing; no log is opened on
// failure.
int prepareEnvironment(const std::string& userDirOverride = {});

// The address of the first adapter whose 6-byte address is not all zero,
// Ethernet adapters first, read as a little-endian 48-bit number; nothing
// when there is none.
std::optional<std::uint64_t> firstAdapterAddress(const std::vector<NetworkAdapter>& adapters);

// The masks of MachineMasks.h applied to the raw values.
std::uint64_t maskMachineId(std::uint64_t address);
std::uint64_t maskVolumeSerial(std::uint32_t serial);
std::string maskUserName(std::string_view name);

// The folder of a file's path: everything up to and including its last
// separator (a backslash, or a slash too on Windows); empty when it has none.
std::string folderOfPath(std::string_view path);

// The folder ending with a separator: kPathSeparator is added unless it
// already ends with one; an empty folder stays empty.
std::string withTrailingSeparator(std::string folder);
