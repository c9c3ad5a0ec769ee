// What the client core asks of the operating system at start-up: its own
// path, the per-user data root, the network adapters, volume serials, the
// user and the locale. One implementation per platform (win32/, posix/);
// tests and the headless program may install their own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t servicePackMajor = 0;
    std::uint32_t servicePackMinor = 0;
};

struct NetworkAdapter {
    bool ethernet = false;              // wired Ethernet (Windows adapter type 6, ARPHRD_ETHER)
    std::size_t addressLength = 0;      // bytes of address in use
    std::array<std::uint8_t, 8> address{};
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // Full UTF-8 path of the running program's file; empty when unknown.
    virtual std::string programPath() const = 0;

    // The folder under which the per-user data folder "ORVC" lives: the value
    // of "APPDATA" on Windows, $XDG_DATA_HOME or ~/.local/share elsewhere.
    // Nothing when it is not set (or empty).
    virtual std::optional<std::string> userDataRoot() const = 0;

    // The network adapters in the system's order.
    virtual std::vector<NetworkAdapter> networkAdapters() const = 0;

    // The serial number of the volume (file system) holding the folder;
    // nothing when the system cannot tell.
    virtual std::optional<std::uint32_t> volumeSerial(const std::string& utf8Folder) const = 0;

    // The login name ("USERNAME" on Windows) in UTF-8; nothing when unknown.
    virtual std::optional<std::string> userName() const = 0;

    // True when this is a 32-bit process on a 64-bit system (IsWow64Process).
    virtual bool isWow64() const = 0;

    virtual OsVersion osVersion() const = 0;

    // The value of an environment variable in UTF-8, empty when unset.
    virtual std::string environmentVariable(const char* name) const = 0;

    // The texts of the "Processors: " start-up log line: the processor
    // count and the architecture ("NUMBER_OF_PROCESSORS" and
    // "PROCESSOR_ARCHITECTURE" on Windows); empty when unknown.
    virtual std::string processorCount() const = 0;
    virtual std::string processorArchitecture() const = 0;

    // The user's default locale in the C library's Windows form,
    // language_country.codepage, for example "French_France.1252"; empty
    // when unknown.
    virtual std::string userLocaleName() const = 0;
};

// The system information in use: the one installed by setSystemInfo, or the
// platform's own.
SystemInfo& systemInfo();

// Installs another source (tests, the headless program); null restores the
// platform's own. Call before other threads read it.
void setSystemInfo(SystemInfo* info);

// The platform's own implementation (win32/ or posix/).
std::unique_ptr<SystemInfo> makePlatformSystemInfo();

// Sounds a tone on the computer's beeper and returns when it has ended. Safe
// in a crashing thread. Where no beeper can be driven it only waits.
void platformBeep(unsigned frequencyHz, unsigned milliseconds);
