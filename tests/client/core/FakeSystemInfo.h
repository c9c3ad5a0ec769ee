// A system with chosen answers, for tests of the start-up values.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "client/core/SystemInfo.h"
#include "support/RecordingFrontEnd.h"

class FakeSystemInfo : public SystemInfo {
public:
    std::string program;
    std::optional<std::string> dataRoot;
    std::vector<NetworkAdapter> adapters;
    std::optional<std::uint32_t> serial = 0x12345678u;
    std::optional<std::string> user;
    bool wow64 = false;
    OsVersion version;
    std::vector<std::pair<std::string, std::string>> variables;
    std::string processors;
    std::string architecture;
    std::string locale;
    mutable std::string serialAskedFor;

    std::string programPath() const override { return program; }
    std::optional<std::string> userDataRoot() const override { return dataRoot; }
    std::vector<NetworkAdapter> networkAdapters() const override { return adapters; }
    std::optional<std::uint32_t> volumeSerial(const std::string& folder) const override
    {
        serialAskedFor = folder;
        return serial;
    }
    std::optional<std::string> userName() const override { return user; }
    bool isWow64() const override { return wow64; }
    OsVersion osVersion() const override { return version; }
    std::string environmentVariable(const char* name) const override
    {
        for (const auto& [k, v] : variables) {
            if (k == name) return v;
        }
        return {};
    }
    std::string processorCount() const override { return processors; }
    std::string processorArchitecture() const override { return architecture; }
    std::string userLocaleName() const override { return locale; }

    static NetworkAdapter adapter(bool ethernet, std::vector<std::uint8_t> bytes)
    {
        NetworkAdapter a;
        a.ethernet = ethernet;
        a.addressLength = bytes.size();
        for (std::size_t i = 0; i < bytes.size() && i < a.address.size(); ++i) a.address[i] = bytes[i];
        return a;
    }
};

// Installs the fake for the lifetime of the object.
class ScopedSystemInfo {
public:
    explicit ScopedSystemInfo(SystemInfo& info) { setSystemInfo(&info); }
    ~ScopedSystemInfo() { setSystemInfo(nullptr); }
    ScopedSystemInfo(const ScopedSystemInfo&) = delete;
    ScopedSystemInfo& operator=(const ScopedSystemInfo&) = delete;
};


