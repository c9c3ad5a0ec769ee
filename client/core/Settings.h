// The persistent settings of the client and its server list, kept in
// "config.ini" in the per-user data folder: the record every other part of
// the client reads and changes, and its loading and saving.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/inifile/IniFile.h"

// One entry of the server list; in the file, entry i is stored under the
// keys "servers[i]." followed by the key named beside each field.
struct ServerEntry {
    std::wstring name;             // "name"
    std::string host;              // "host"
    std::string login;             // "login"
    std::string password;          // "password"; clear in memory, encoded in the file
    std::string httpHost;          // "http.host": the web host, a host name without scheme
    std::string httpBasedir;       // "http.basedir": download folder on the web host
    std::string urlCreateAccount;  // "url.createAccount"
    std::string urlLostPassword;   // "url.lostPassword"
    int protocol = 0;              // "protocol"
    int port = 0;                  // "port"
    bool rememberPassword = true;  // "rememberPassword": login and password are saved only when set
    bool secure = false;           // "secure": TLS

    bool operator==(const ServerEntry&) const = default;
};

// Entries 0 to 3 are built in; the user's own servers follow.
inline constexpr int kBuiltInServerCount = 4;

// Every setting with its key and its program default.
struct Settings {
    std::string userLanguage;               // "user.language": language file name; empty = automatic
    int serversDefault = 0;                 // "servers.default": index of the selected server entry
    std::string soundsDevice;               // "sounds.device": audio output device; empty = default
    float soundsVolume = 1.0f;              // "sounds.volume"
    float streamsVolume = 0.25f;            // "streams.volume"
    bool streamsEnabled = true;             // "streams.disable", negated
    bool soundsEnabled = true;              // "sounds.disable", negated
    bool logOn = false;                     // "log.on": daily history logs
    std::string logDir;                     // "log.dir": history log folder; default the per-user data folder
    bool userConfirmOnExit = true;          // "user.confirmOnExit"
    bool userRememberPasswords = true;      // "user.rememberPasswords"
    bool userAllowAutoLinks = false;        // "user.allowAutoLinks"
    bool userAllowDownloads = true;         // "user.allowDownloads"
    int srEngine = -1;                      // "sr.engine"; -1 everywhere = the speech library's choice
    int srSubengine = -1;                   // "sr.subengine"
    int srLanguage = -1;                    // "sr.language"
    int srVoice = -1;                       // "sr.voice"
    int srVolume = -1;                      // "sr.volume"
    int srRate = -1;                        // "sr.rate"
    int srPitch = -1;                       // "sr.pitch"
    int srInflexion = -1;                   // "sr.inflexion"
    std::wstring styleFontName = L"Arial";  // "style.fontName" (UTF-8 in the file)
    int styleFontSize = 14;                 // "style.fontSize", points
    int styleLbBgColor = -1;                // "style.lbBgColor": 0x00BBGGRR; -1 = system colour
    int styleLbFgColor = -1;                // "style.lbFgColor"
    int styleRtfBgColor = -1;               // "style.rtfBgColor"
    bool styleDisableHistoryColors = false; // "style.disableHistoryColors"
    bool styleDisableMenuColors = false;    // "style.disableMenuColors"
    bool systemConcur = false;              // "system.concur": written back only when true
    std::vector<ServerEntry> servers;       // the server list

    bool operator==(const Settings&) const = default;
};

// The process-wide settings. Read and changed without a lock, as the rest of
// the client does on the GUI thread.
Settings& settings();

// The entry of "servers.default"; the first entry when that index is outside
// the list. The list is never empty once setDefaultSettings has run (an empty
// list gets the built-in entries first).
ServerEntry& selectedServer();

// Loads the language without forcing, then replaces the server list with the
// four built-in entries, named and addressed from the loaded strings.
void setDefaultSettings();

// Every setting back to its program default (the log folder to the per-user
// data folder), then setDefaultSettings: restoring the defaults from the
// options.
void restoreDefaultSettings();

// Reads "config.ini" of the per-user data folder into the settings. A
// missing, unreadable or empty file leaves every default in place and logs
// "No config found, fallback to default".
void loadSettings();

// Writes the settings over "config.ini" of the per-user data folder, keys in
// byte order. The file is written beside it first and then put in its place,
// so that a failed write leaves the old file whole. False on failure.
bool saveSettings();

// The path of "config.ini" in the per-user data folder.
std::string settingsFilePath();

// The four built-in entries, with names and account addresses taken from the
// current interface strings.
std::vector<ServerEntry> builtInServers();

// Gives the built-in entries of the list the names and account addresses of
// the strings loaded now; the user's entries and everything else stay. Every
// load of a language runs it, so that the entries follow the language.
void renameBuiltInServers();

// Reads the settings keys and server entries of a loaded file over `out`
// (whose server list should hold the built-in entries); passwords are
// decoded with the machine identifier.
void readSettings(const UnorderedIniFile& file, Settings& out, std::uint64_t machineId);

// Builds the file contents of the settings; passwords are encoded with the
// machine identifier.
OrderedIniFile writeSettings(const Settings& in, std::uint64_t machineId);
