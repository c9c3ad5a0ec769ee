// What a ctest fixture that started the development server wrote for the
// tests: an INI file named by an environment variable, with ports and paths.
#pragma once

#include <cstdlib>
#include <string>

#include "common/inifile/IniFile.h"

namespace test {

// Paths written by the fixture are Linux paths; Wine shows the Linux root
// as drive Z:.
inline std::string hostPath(const std::string& path)
{
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') return "Z:" + path;
#endif
    return path;
}

// The state file named by `variable`; empty when it is unset or unreadable.
inline UnorderedIniFile fixtureState(const char* variable)
{
    UnorderedIniFile ini;
    if (const char* path = std::getenv(variable)) ini.load(hostPath(path));
    return ini;
}

// The radio host's addresses and the authority its https trusts.
struct RadioHost {
    std::string plain, secure, ftp, ca;
};

inline const RadioHost& radioHost()
{
    static const RadioHost r = [] {
        RadioHost out;
        const UnorderedIniFile ini = fixtureState("ORVC_RADIO_STATE");
        if (ini.get("radio_port").empty()) return out;
        out.plain = "http://127.0.0.1:" + ini.get("radio_port");
        out.secure = "https://localhost:" + ini.get("radio_tls_port");
        out.ftp = "ftp://127.0.0.1:" + ini.get("radio_ftp_port");
        out.ca = hostPath(ini.get("ca"));
        return out;
    }();
    return r;
}

} // namespace test
