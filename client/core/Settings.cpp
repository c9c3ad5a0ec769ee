// Loading and saving "config.ini" and the built-in server entries.
#include "client/core/Settings.h"

#include <filesystem>
#include <system_error>

#include "client/core/DebugLog.h"
#include "client/core/Environment.h"
#include "client/core/Language.h"
#include "client/core/ServerDefaults.h"
#include "client/core/StoredPassword.h"
#include "common/file.h"
#include "common/utf8.h"

namespace {

Settings current;

std::string replaceAll(std::string text, std::string_view from, std::string_view to)
{
    std::size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
    return text;
}

std::string serverKey(std::size_t index, const char* suffix)
{
    return "servers[" + std::to_string(index) + "]." + suffix;
}

std::string fileText(std::string_view value) { return common::escapeLineBreaks(value); }

// A Windows folder such as C:\Users\nadia\ would read back with a line feed
// in place of "\n". Windows takes "/" as a separator too, so a backslash
// before r, n or t is written as "/", which names the same folder.
std::string fileFolder(std::string_view folder)
{
    std::string out = fileText(folder);
    if constexpr (kPathSeparator == '\\') {
        for (std::size_t i = 0; i + 1 < out.size(); ++i) {
            if (out[i] == '\\' && (out[i + 1] == 'r' || out[i + 1] == 'n' || out[i + 1] == 't')) out[i] = '/';
        }
    }
    return out;
}

Settings programDefaults()
{
    Settings s;
    s.logDir = environment().userDir;
    return s;
}

} // namespace

Settings& settings() { return current; }

ServerEntry& selectedServer()
{
    if (current.servers.empty()) current.servers = builtInServers();
    const int index = current.serversDefault;
    if (index < 0 || static_cast<std::size_t>(index) >= current.servers.size()) return current.servers.front();
    return current.servers[static_cast<std::size_t>(index)];
}

std::vector<ServerEntry> builtInServers()
{
    struct BuiltIn {
        const char* nameKey;
        std::string_view host;
        int port;
        bool secure;
    };
    static constexpr BuiltIn kBuiltIn[kBuiltInServerCount] = {
        {"servernamessl", kDefaultSecureHost, 1443, true},
        {"servernamealtssl", kDefaultSecureHost, 443, true},
        {"servername", kDefaultPlainHost, 1321, false},
        {"servernamealt", kDefaultSecureHost, 80, false},
    };
    const std::string iso = common::wideToUtf8(translate("isocode"));
    const std::string site = "https://" + std::string(kDefaultWebHost);
    std::vector<ServerEntry> list;
    for (const BuiltIn& b : kBuiltIn) {
        ServerEntry e;
        e.name = translate(b.nameKey);
        e.host = std::string(b.host);
        e.port = b.port;
        e.secure = b.secure;
        e.protocol = kDefaultProtocol;
        e.httpHost = std::string(kDefaultWebHost);
        e.httpBasedir = std::string(kDefaultDownloadFolder);
        e.urlCreateAccount = replaceAll(site + std::string(kCreateAccountPath), "%s", iso);
        e.urlLostPassword = replaceAll(site + std::string(kLostPasswordPath), "%s", iso);
        list.push_back(std::move(e));
    }
    return list;
}

void renameBuiltInServers()
{
    const std::vector<ServerEntry> builtIn = builtInServers();
    for (std::size_t i = 0; i < builtIn.size() && i < current.servers.size(); ++i) {
        ServerEntry& e = current.servers[i];
        e.name = builtIn[i].name;
        e.urlCreateAccount = builtIn[i].urlCreateAccount;
        e.urlLostPassword = builtIn[i].urlLostPassword;
    }
}

void setDefaultSettings()
{
    loadLanguage(false);
    current.servers = builtInServers();
}

void restoreDefaultSettings()
{
    current = programDefaults();
    setDefaultSettings();
}

std::string settingsFilePath() { return environment().userDir + "config.ini"; }

void readSettings(const UnorderedIniFile& f, Settings& out, std::uint64_t machineId)
{
    const Settings d = programDefaults();
    out.userLanguage = f.get("user.language", d.userLanguage);
    out.serversDefault = f.getInt("servers.default", d.serversDefault);
    out.soundsDevice = f.get("sounds.device", d.soundsDevice);
    out.soundsVolume = f.getFloat("sounds.volume", d.soundsVolume);
    out.streamsVolume = f.getFloat("streams.volume", d.streamsVolume);
    out.streamsEnabled = !f.getBool("streams.disable", !d.streamsEnabled);
    out.soundsEnabled = !f.getBool("sounds.disable", !d.soundsEnabled);
    out.logOn = f.getBool("log.on", d.logOn);
    out.logDir = f.get("log.dir", d.logDir);
    out.userConfirmOnExit = f.getBool("user.confirmOnExit", d.userConfirmOnExit);
    out.userRememberPasswords = f.getBool("user.rememberPasswords", d.userRememberPasswords);
    out.userAllowAutoLinks = f.getBool("user.allowAutoLinks", d.userAllowAutoLinks);
    out.userAllowDownloads = f.getBool("user.allowDownloads", d.userAllowDownloads);
    out.srEngine = f.getInt("sr.engine", d.srEngine);
    out.srSubengine = f.getInt("sr.subengine", d.srSubengine);
    out.srLanguage = f.getInt("sr.language", d.srLanguage);
    out.srVoice = f.getInt("sr.voice", d.srVoice);
    out.srVolume = f.getInt("sr.volume", d.srVolume);
    out.srRate = f.getInt("sr.rate", d.srRate);
    out.srPitch = f.getInt("sr.pitch", d.srPitch);
    out.srInflexion = f.getInt("sr.inflexion", d.srInflexion);
    out.styleFontName = common::utf8ToWide(f.get("style.fontName", common::wideToUtf8(d.styleFontName)));
    out.styleFontSize = f.getInt("style.fontSize", d.styleFontSize);
    out.styleLbBgColor = f.getInt("style.lbBgColor", d.styleLbBgColor);
    out.styleLbFgColor = f.getInt("style.lbFgColor", d.styleLbFgColor);
    out.styleRtfBgColor = f.getInt("style.rtfBgColor", d.styleRtfBgColor);
    out.styleDisableHistoryColors = f.getBool("style.disableHistoryColors", d.styleDisableHistoryColors);
    out.styleDisableMenuColors = f.getBool("style.disableMenuColors", d.styleDisableMenuColors);
    out.systemConcur = f.getBool("system.concur", d.systemConcur);

    // The built-in entries keep what the program says they are; only the
    // user's credentials are read for them.
    if (out.servers.size() != kBuiltInServerCount) {
        std::vector<ServerEntry> builtIn = builtInServers();
        for (std::size_t i = 0; i < out.servers.size() && i < builtIn.size(); ++i) builtIn[i] = out.servers[i];
        out.servers = std::move(builtIn);
    }
    for (std::size_t i = 0;; ++i) {
        if (i >= kBuiltInServerCount) {
            if (!f.has(serverKey(i, "name"))) break;
            ServerEntry e;
            e.name = common::utf8ToWide(f.get(serverKey(i, "name")));
            e.host = f.get(serverKey(i, "host"), e.host);
            e.httpHost = f.get(serverKey(i, "http.host"), e.httpHost);
            e.httpBasedir = f.get(serverKey(i, "http.basedir"), e.httpBasedir);
            e.port = f.getInt(serverKey(i, "port"), e.port);
            e.protocol = f.getInt(serverKey(i, "protocol"), e.protocol);
            e.secure = f.getBool(serverKey(i, "secure"), e.secure);
            e.urlCreateAccount = f.get(serverKey(i, "url.createAccount"), e.urlCreateAccount);
            e.urlLostPassword = f.get(serverKey(i, "url.lostPassword"), e.urlLostPassword);
            out.servers.push_back(std::move(e));
        }
        ServerEntry& e = out.servers[i];
        e.rememberPassword = f.getBool(serverKey(i, "rememberPassword"), e.rememberPassword);
        e.login = f.get(serverKey(i, "login"), e.login);
        const std::string password = serverKey(i, "password");
        if (f.has(password)) e.password = decodeStoredPassword(f.get(password), machineId);
    }

    if (out.serversDefault < 0 || static_cast<std::size_t>(out.serversDefault) >= out.servers.size()) {
        out.serversDefault = 0;
    }
}

OrderedIniFile writeSettings(const Settings& s, std::uint64_t machineId)
{
    OrderedIniFile f;
    f.set("user.language", fileText(s.userLanguage));
    f.setInt("servers.default", s.serversDefault);
    f.set("sounds.device", fileText(s.soundsDevice));
    f.setFloat("sounds.volume", s.soundsVolume);
    f.setFloat("streams.volume", s.streamsVolume);
    f.setBool("streams.disable", !s.streamsEnabled);
    f.setBool("sounds.disable", !s.soundsEnabled);
    f.setBool("log.on", s.logOn);
    f.set("log.dir", fileFolder(s.logDir));
    f.setBool("user.confirmOnExit", s.userConfirmOnExit);
    f.setBool("user.rememberPasswords", s.userRememberPasswords);
    f.setBool("user.allowAutoLinks", s.userAllowAutoLinks);
    f.setBool("user.allowDownloads", s.userAllowDownloads);
    f.setInt("sr.engine", s.srEngine);
    f.setInt("sr.subengine", s.srSubengine);
    f.setInt("sr.language", s.srLanguage);
    f.setInt("sr.voice", s.srVoice);
    f.setInt("sr.volume", s.srVolume);
    f.setInt("sr.rate", s.srRate);
    f.setInt("sr.pitch", s.srPitch);
    f.setInt("sr.inflexion", s.srInflexion);
    f.set("style.fontName", fileText(common::wideToUtf8(s.styleFontName)));
    f.setInt("style.fontSize", s.styleFontSize);
    f.setInt("style.lbBgColor", s.styleLbBgColor);
    f.setInt("style.lbFgColor", s.styleLbFgColor);
    f.setInt("style.rtfBgColor", s.styleRtfBgColor);
    f.setBool("style.disableHistoryColors", s.styleDisableHistoryColors);
    f.setBool("style.disableMenuColors", s.styleDisableMenuColors);
    if (s.systemConcur) f.setBool("system.concur", true);

    for (std::size_t i = 0; i < s.servers.size(); ++i) {
        const ServerEntry& e = s.servers[i];
        f.set(serverKey(i, "name"), fileText(common::wideToUtf8(e.name)));
        f.setInt(serverKey(i, "protocol"), e.protocol);
        f.set(serverKey(i, "host"), fileText(e.host));
        f.set(serverKey(i, "http.host"), fileText(e.httpHost));
        f.set(serverKey(i, "http.basedir"), fileText(e.httpBasedir));
        f.setInt(serverKey(i, "port"), e.port);
        f.set(serverKey(i, "url.createAccount"), fileText(e.urlCreateAccount));
        f.set(serverKey(i, "url.lostPassword"), fileText(e.urlLostPassword));
        f.setBool(serverKey(i, "secure"), e.secure);
        f.setBool(serverKey(i, "rememberPassword"), e.rememberPassword);
        if (e.rememberPassword) {
            f.set(serverKey(i, "login"), fileText(e.login));
            f.set(serverKey(i, "password"), encodeStoredPassword(e.password, machineId));
        }
    }
    return f;
}

void loadSettings()
{
    current = programDefaults();
    setDefaultSettings();
    UnorderedIniFile file;
    file.load(settingsFilePath());
    if (file.empty()) {
        debugLog("No config found, fallback to default");
        setDefaultSettings();
        return;
    }
    readSettings(file, current, environment().machineId);
}

bool saveSettings()
{
    const std::string path = settingsFilePath();
    const std::string next = path + ".new";
    if (!writeSettings(current, environment().machineId).save(next)) return false;
    std::error_code ec;
    std::filesystem::rename(common::fsPath(next), common::fsPath(path), ec);
    if (ec) {
        std::filesystem::remove(common::fsPath(next), ec);
        return false;
    }
    return true;
}
