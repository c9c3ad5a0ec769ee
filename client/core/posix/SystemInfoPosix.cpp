// System information on Linux and other POSIX systems, giving each value the
// meaning it has on Windows: the first hardware address of a network
// interface, the identifier of the file system holding a folder, the login
// name, and a Windows-style locale name built from the POSIX one.
#include "client/core/SystemInfo.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

#include <ifaddrs.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/if_arp.h>
#include <linux/if_packet.h>
#endif

namespace {

std::string getEnv(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// Language codes of ISO 639-1 with the English names that the Windows C
// library puts before the underscore of a locale name.
struct LanguageName {
    std::string_view code;
    std::string_view name;
};
constexpr LanguageName kLanguageNames[] = {
    {"ar", "Arabic"},     {"bg", "Bulgarian"}, {"ca", "Catalan"},    {"cs", "Czech"},
    {"da", "Danish"},     {"de", "German"},    {"el", "Greek"},      {"en", "English"},
    {"es", "Spanish"},    {"et", "Estonian"},  {"eu", "Basque"},     {"fa", "Persian"},
    {"fi", "Finnish"},    {"fr", "French"},    {"gl", "Galician"},   {"he", "Hebrew"},
    {"hi", "Hindi"},      {"hr", "Croatian"},  {"hu", "Hungarian"},  {"id", "Indonesian"},
    {"is", "Icelandic"},  {"it", "Italian"},   {"ja", "Japanese"},   {"ko", "Korean"},
    {"lt", "Lithuanian"}, {"lv", "Latvian"},   {"nb", "Norwegian"},  {"nl", "Dutch"},
    {"nn", "Norwegian"},  {"no", "Norwegian"}, {"pl", "Polish"},     {"pt", "Portuguese"},
    {"ro", "Romanian"},   {"ru", "Russian"},   {"sk", "Slovak"},     {"sl", "Slovenian"},
    {"sr", "Serbian"},    {"sv", "Swedish"},   {"th", "Thai"},       {"tr", "Turkish"},
    {"uk", "Ukrainian"},  {"vi", "Vietnamese"}, {"zh", "Chinese"},
};

class PosixSystemInfo final : public SystemInfo {
public:
    std::string programPath() const override
    {
        std::string buffer(256, '\0');
        for (;;) {
            const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
            if (n < 0) return {};
            if (static_cast<std::size_t>(n) < buffer.size()) {
                buffer.resize(static_cast<std::size_t>(n));
                return buffer;
            }
            buffer.resize(buffer.size() * 2);
        }
    }

    std::optional<std::string> userDataRoot() const override
    {
        const std::string xdg = getEnv("XDG_DATA_HOME");
        // A relative XDG_DATA_HOME is invalid and must be ignored (XDG rules).
        if (!xdg.empty() && xdg.front() == '/') return xdg;
        const std::string home = getEnv("HOME");
        if (home.empty()) return std::nullopt;
        return home + (home.back() == '/' ? "" : "/") + ".local/share";
    }

    std::vector<NetworkAdapter> networkAdapters() const override
    {
        std::vector<NetworkAdapter> adapters;
#ifdef __linux__
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) != 0) return adapters;
        for (const ifaddrs* a = list; a; a = a->ifa_next) {
            if (!a->ifa_addr || a->ifa_addr->sa_family != AF_PACKET) continue;
            const auto* link = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
            NetworkAdapter adapter;
            adapter.ethernet = link->sll_hatype == ARPHRD_ETHER;
            adapter.addressLength = std::min<std::size_t>(link->sll_halen, adapter.address.size());
            std::memcpy(adapter.address.data(), link->sll_addr, adapter.addressLength);
            adapters.push_back(adapter);
        }
        ::freeifaddrs(list);
#endif
        return adapters;
    }

    std::optional<std::uint32_t> volumeSerial(const std::string& utf8Folder) const override
    {
        // f_fsid is derived from the file system's UUID where it has one, so
        // it survives reboots; st_dev stands in where the file system reports
        // no identifier.
        struct statvfs vfs {};
        if (::statvfs(utf8Folder.c_str(), &vfs) != 0) return std::nullopt;
        std::uint64_t id = static_cast<std::uint64_t>(vfs.f_fsid);
        if (id == 0) {
            struct stat st {};
            if (::stat(utf8Folder.c_str(), &st) != 0) return std::nullopt;
            id = static_cast<std::uint64_t>(st.st_dev);
        }
        return static_cast<std::uint32_t>(id ^ (id >> 32));
    }

    std::optional<std::string> userName() const override
    {
        long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
        std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
        passwd entry {};
        passwd* found = nullptr;
        if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found
            && found->pw_name && *found->pw_name) {
            return std::string(found->pw_name);
        }
        for (const char* name : {"USER", "LOGNAME"}) {
            const std::string v = getEnv(name);
            if (!v.empty()) return v;
        }
        return std::nullopt;
    }

    bool isWow64() const override
    {
        if (sizeof(void*) != 4) return false;
        utsname u {};
        if (::uname(&u) != 0) return false;
        return std::string_view(u.machine).find("64") != std::string_view::npos;
    }

    OsVersion osVersion() const override
    {
        OsVersion v;
        utsname u {};
        if (::uname(&u) != 0) return v;
        // "6.1.0-18-amd64": major, minor and the third number as the build.
        std::uint32_t* parts[] = {&v.major, &v.minor, &v.build};
        const char* p = u.release;
        for (std::uint32_t* part : parts) {
            if (*p < '0' || *p > '9') break;
            std::uint32_t n = 0;
            while (*p >= '0' && *p <= '9') n = n * 10 + static_cast<std::uint32_t>(*p++ - '0');
            *part = n;
            if (*p != '.') break;
            ++p;
        }
        return v;
    }

    std::string environmentVariable(const char* name) const override { return getEnv(name); }

    std::string processorCount() const override
    {
        std::string v = getEnv("NUMBER_OF_PROCESSORS");
        if (!v.empty()) return v;
        const unsigned n = std::thread::hardware_concurrency();
        return n ? std::to_string(n) : std::string();
    }

    std::string processorArchitecture() const override
    {
        std::string v = getEnv("PROCESSOR_ARCHITECTURE");
        if (!v.empty()) return v;
        utsname u {};
        return ::uname(&u) == 0 ? std::string(u.machine) : std::string();
    }

    std::string userLocaleName() const override
    {
        // The locale that names the user's language, in POSIX order of
        // precedence, read without touching the process's own locale.
        std::string posix;
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            posix = getEnv(name);
            if (!posix.empty()) break;
        }
        if (posix.empty() || posix == "C" || posix == "POSIX" || posix.rfind("C.", 0) == 0) return "English";
        // language[_territory][.codeset][@modifier] becomes
        // Language_territory.codeset, or just Language without a territory,
        // so that the part before the underscore is always the language.
        const std::size_t codeEnd = posix.find_first_of("_.@");
        const std::string code = posix.substr(0, codeEnd);
        std::string name = code;
        for (const LanguageName& l : kLanguageNames) {
            if (l.code == code) name = l.name;
        }
        if (codeEnd == std::string::npos || posix[codeEnd] != '_') return name;
        std::string rest = posix.substr(codeEnd);
        const std::size_t at = rest.find('@');
        if (at != std::string::npos) rest.resize(at);
        return name + rest;
    }
};

} // namespace

std::unique_ptr<SystemInfo> makePlatformSystemInfo() { return std::make_unique<PosixSystemInfo>(); }

void platformBeep(unsigned, unsigned milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
