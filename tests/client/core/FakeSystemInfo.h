// A system with chosen answers, for tests of the start-up values, and a
// front-end that records what the core shows and sounds.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "client/core/SystemInfo.h"
#include "client/ui/FrontEnd.h"

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

struct RecordedBox {
    std::wstring text;
    std::wstring title;
    unsigned style;
};

class RecordingFrontEnd : public FrontEnd {
public:
    std::vector<RecordedBox> boxes;
    std::vector<std::pair<unsigned, unsigned>> beeps;
    std::function<void(const RecordedBox&)> onBox;
    std::function<void(unsigned, unsigned)> onBeep;

    void runInEDT(const std::function<void()>& work) override { work(); }
    int messageBox(const std::wstring& text, const std::wstring& title, unsigned style) override
    {
        boxes.push_back({text, title, style});
        if (onBox) onBox(boxes.back());
        return MessageBoxAnswer::kOk;
    }
    void postQuit(int) override {}
    void beep(unsigned hz, unsigned ms) override
    {
        beeps.emplace_back(hz, ms);
        if (onBeep) onBeep(hz, ms);
    }
};

class ScopedFrontEnd {
public:
    explicit ScopedFrontEnd(FrontEnd& fe) { setFrontEnd(&fe); }
    ~ScopedFrontEnd() { setFrontEnd(nullptr); }
    ScopedFrontEnd(const ScopedFrontEnd&) = delete;
    ScopedFrontEnd& operator=(const ScopedFrontEnd&) = delete;
};
