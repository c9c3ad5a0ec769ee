// System information on Windows: the program's module path, "APPDATA", the
// adapters of IP Helper, volume serials, "USERNAME", IsWow64Process, the
// version of the system and the user's default locale.
#include "client/core/SystemInfo.h"

#include <windows.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/utf8.h"

namespace {

std::wstring wideEnv(const wchar_t* name)
{
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD n = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (n == 0) return {};
        if (n < value.size()) {
            value.resize(n);
            return value;
        }
        value.resize(n);
    }
}

std::string localeInfo(LCTYPE type)
{
    wchar_t buffer[128] = {};
    const int n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128);
    if (n <= 1) return {};
    return common::wideToUtf8(std::wstring_view(buffer, static_cast<std::size_t>(n - 1)));
}

class Win32SystemInfo final : public SystemInfo {
public:
    std::string programPath() const override
    {
        // Grown until the whole path fits: a cut path would name another folder.
        std::wstring buffer(MAX_PATH, L'\0');
        for (;;) {
            const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (n == 0) return {};
            if (n < buffer.size()) {
                buffer.resize(n);
                return common::wideToUtf8(buffer);
            }
            if (buffer.size() >= 32768) return {};
            buffer.resize(buffer.size() * 2);
        }
    }

    std::optional<std::string> userDataRoot() const override
    {
        const std::wstring v = wideEnv(L"APPDATA");
        if (v.empty()) return std::nullopt;
        return common::wideToUtf8(v);
    }

    std::vector<NetworkAdapter> networkAdapters() const override
    {
        std::vector<NetworkAdapter> adapters;
        ULONG size = 16 * sizeof(IP_ADAPTER_INFO);
        std::vector<unsigned char> buffer;
        DWORD rc = ERROR_BUFFER_OVERFLOW;
        for (int attempt = 0; attempt < 4 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
            buffer.assign(size, 0);
            rc = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
        }
        if (rc != NO_ERROR) return adapters;
        for (auto* a = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); a; a = a->Next) {
            NetworkAdapter adapter;
            adapter.ethernet = a->Type == MIB_IF_TYPE_ETHERNET;
            adapter.addressLength = std::min<std::size_t>(a->AddressLength, adapter.address.size());
            std::memcpy(adapter.address.data(), a->Address, adapter.addressLength);
            adapters.push_back(adapter);
        }
        return adapters;
    }

    std::optional<std::uint32_t> volumeSerial(const std::string& utf8Folder) const override
    {
        // The volume's own root, found from the folder, also works for
        // folders on network shares and mounted volumes, where the first
        // three characters of the path name no drive.
        const std::wstring folder = common::utf8ToWide(utf8Folder);
        std::wstring root(std::max<std::size_t>(folder.size() + 2, MAX_PATH + 1), L'\0');
        if (::GetVolumePathNameW(folder.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
            root.resize(std::wcslen(root.c_str()));
        } else {
            root = folder.substr(0, 3);
        }
        DWORD serial = 0;
        if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(serial);
    }

    std::optional<std::string> userName() const override
    {
        const std::wstring v = wideEnv(L"USERNAME");
        if (v.empty()) return std::nullopt;
        return common::wideToUtf8(v);
    }

    bool isWow64() const override
    {
        using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
        const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        if (!kernel) return false;
        const auto fn = reinterpret_cast<IsWow64ProcessFn>(
            reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process")));
        BOOL wow = FALSE;
        return fn && fn(::GetCurrentProcess(), &wow) && wow;
    }

    OsVersion osVersion() const override
    {
        // RtlGetVersion tells the real version; GetVersionEx would report
        // Windows 8 to any program without a compatibility manifest.
        OsVersion v;
        RTL_OSVERSIONINFOEXW info {};
        info.dwOSVersionInfoSize = sizeof info;
        using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOEXW*);
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        const auto fn = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                                    reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
                              : nullptr;
        bool ok = fn && fn(&info) == 0;
        if (!ok) {
            OSVERSIONINFOEXW ex {};
            ex.dwOSVersionInfoSize = sizeof ex;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
            ok = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&ex)) != 0;
#pragma GCC diagnostic pop
            if (ok) {
                info.dwMajorVersion = ex.dwMajorVersion;
                info.dwMinorVersion = ex.dwMinorVersion;
                info.dwBuildNumber = ex.dwBuildNumber;
                info.wServicePackMajor = ex.wServicePackMajor;
                info.wServicePackMinor = ex.wServicePackMinor;
            }
        }
        if (ok) {
            v.major = info.dwMajorVersion;
            v.minor = info.dwMinorVersion;
            v.build = info.dwBuildNumber;
            v.servicePackMajor = info.wServicePackMajor;
            v.servicePackMinor = info.wServicePackMinor;
        }
        return v;
    }

    std::string environmentVariable(const char* name) const override
    {
        return common::wideToUtf8(wideEnv(common::utf8ToWide(name).c_str()));
    }

    std::string processorCount() const override { return environmentVariable("NUMBER_OF_PROCESSORS"); }
    std::string processorArchitecture() const override { return environmentVariable("PROCESSOR_ARCHITECTURE"); }

    std::string userLocaleName() const override
    {
        // The name the C library gives the user's locale, built from the same
        // locale information without switching the process's locale (other
        // threads may be formatting numbers meanwhile).
        const std::string language = localeInfo(LOCALE_SENGLANGUAGE);
        if (language.empty()) return {};
        std::string name = language;
        const std::string country = localeInfo(LOCALE_SENGCOUNTRY);
        if (!country.empty()) name += "_" + country;
        const std::string codePage = localeInfo(LOCALE_IDEFAULTANSICODEPAGE);
        if (!codePage.empty()) name += "." + codePage;
        return name;
    }
};

} // namespace

std::unique_ptr<SystemInfo> makePlatformSystemInfo() { return std::make_unique<Win32SystemInfo>(); }

void platformBeep(unsigned frequencyHz, unsigned milliseconds)
{
    // The beeper takes 37 Hz to 32767 Hz; anything else is a pause.
    if (frequencyHz >= 37 && frequencyHz <= 32767 && ::Beep(frequencyHz, milliseconds)) return;
    ::Sleep(milliseconds);
}
