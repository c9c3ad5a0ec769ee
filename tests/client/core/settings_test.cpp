// "config.ini": defaults, the built-in entries, the edge cases of reading,
// the saved form and round trips.
#include "client/core/Settings.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CoreTestEnv.h"
#include "FakeSystemInfo.h"
#include "client/core/DebugLog.h"
#include "client/core/Language.h"
#include "client/core/ServerDefaults.h"
#include "client/core/StoredPassword.h"

namespace {

constexpr std::uint64_t kMachine = 0x00001A2B3C4D5E6Full;

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : env(kMachine), installed(system)
    {
        system.locale = "English_United States.1252";
        CoreTestEnv::write(env.appFile("english.lng"),
                           "isocode=en\nservernamessl=Main, secure\nservernamealtssl=Main, port 443\n"
                           "servername=Main, plain\nservernamealt=Main, port 80\n");
    }

    std::string config() const { return env.userFile("config.ini"); }

    // Loads a file with these contents from scratch.
    void loadFrom(const std::string& text)
    {
        CoreTestEnv::write(config(), text);
        loadSettings();
    }

    static Settings expectedDefaults()
    {
        Settings s;
        s.logDir = environment().userDir;
        s.servers = builtInServers();
        return s;
    }

    FakeSystemInfo system;
    CoreTestEnv env;
    ScopedSystemInfo installed;
};

ServerEntry userEntry(const wchar_t* name, const char* host, int port)
{
    ServerEntry e;
    e.name = name;
    e.host = host;
    e.port = port;
    e.httpHost = "files.example.org";
    e.httpBasedir = "/data/";
    e.urlCreateAccount = "https://files.example.org/join";
    e.urlLostPassword = "https://files.example.org/lost";
    e.protocol = 0x10000;
    e.secure = true;
    e.login = "player_1";
    e.password = "s3cr\xC3\xA9t";
    return e;
}

std::vector<std::string> keysOf(const std::string& fileText)
{
    std::vector<std::string> keys;
    std::size_t pos = 0;
    while (pos < fileText.size()) {
        const std::size_t end = fileText.find("\r\n", pos);
        const std::string line = fileText.substr(pos, end - pos);
        keys.push_back(line.substr(0, line.find('=')));
        if (end == std::string::npos) break;
        pos = end + 2;
    }
    return keys;
}

} // namespace

TEST_F(SettingsTest, BuiltInEntries)
{
    setDefaultSettings();
    const std::vector<ServerEntry>& list = settings().servers;
    ASSERT_EQ(list.size(), 4u);
    struct Expected {
        const wchar_t* name;
        std::string_view host;
        int port;
        bool secure;
    };
    const Expected expected[] = {
        {L"Main, secure", kDefaultSecureHost, 1443, true},
        {L"Main, port 443", kDefaultSecureHost, 443, true},
        {L"Main, plain", kDefaultPlainHost, 1321, false},
        {L"Main, port 80", kDefaultSecureHost, 80, false},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list[i].name, expected[i].name);
        EXPECT_EQ(list[i].host, expected[i].host);
        EXPECT_EQ(list[i].port, expected[i].port);
        EXPECT_EQ(list[i].secure, expected[i].secure);
        EXPECT_EQ(list[i].protocol, 0x20000);
        EXPECT_EQ(list[i].httpHost, kDefaultWebHost);
        EXPECT_EQ(list[i].httpBasedir, "/autodl/");
        EXPECT_EQ(list[i].urlCreateAccount, "https://www.orvelle.example/en/register");
        EXPECT_EQ(list[i].urlLostPassword, "https://www.orvelle.example/en/lostpassword");
        EXPECT_EQ(list[i].login, "");
        EXPECT_EQ(list[i].password, "");
        EXPECT_TRUE(list[i].rememberPassword);
    }
    // The placeholders stay under a reserved domain.
    for (std::string_view host : {kDefaultSecureHost, kDefaultPlainHost, kDefaultWebHost}) {
        EXPECT_TRUE(host.ends_with(".example")) << host;
    }
}

TEST_F(SettingsTest, IsoCodeFillsTheAccountAddresses)
{
    CoreTestEnv::write(env.userFile("french.lng"), "isocode=fr\n");
    settings().userLanguage = "french";
    ASSERT_TRUE(loadLanguage(true));
    setDefaultSettings();
    EXPECT_EQ(settings().servers[0].urlCreateAccount, "https://www.orvelle.example/fr/register");
    EXPECT_EQ(settings().servers[3].urlLostPassword, "https://www.orvelle.example/fr/lostpassword");
    // The names come from keys this file lacks: they show as their keys.
    EXPECT_EQ(settings().servers[0].name, L"servernamessl");
}

TEST_F(SettingsTest, MissingOrEmptyFileGivesDefaults)
{
    for (const bool fileExists : {false, true}) {
        SCOPED_TRACE(fileExists);
        clearLanguage();
        settings() = Settings{};
        settings().srRate = 7; // must not survive loading
        std::filesystem::remove(CoreTestEnv::fs(config()));
        if (fileExists) CoreTestEnv::write(config(), "");
        ASSERT_TRUE(openDebugLog(env.userFile("debug.txt")));
        loadSettings();
        closeDebugLog();
        Settings expected = expectedDefaults();
        expected.userLanguage = "English"; // chosen from the locale on the way
        EXPECT_EQ(settings(), expected);
        EXPECT_NE(CoreTestEnv::read(env.userFile("debug.txt")).find("No config found, fallback to default\r\n"),
                  std::string::npos);
    }
}

TEST_F(SettingsTest, OnlyTheLanguageKeepsEveryOtherDefault)
{
    loadFrom("user.language=french.lng\r\n");
    Settings expected = expectedDefaults();
    expected.userLanguage = "french.lng";
    EXPECT_EQ(settings(), expected);
}

TEST_F(SettingsTest, UserEntriesEndAtTheFirstGap)
{
    loadFrom("servers[4].name=Four\nservers[4].host=four.example\nservers[4].port=4000\n"
             "servers[6].name=Six\nservers[6].host=six.example\n");
    ASSERT_EQ(settings().servers.size(), 5u);
    EXPECT_EQ(settings().servers[4].name, L"Four");
    EXPECT_EQ(settings().servers[4].host, "four.example");
    EXPECT_EQ(settings().servers[4].port, 4000);
    // Fields that are not in the file take the defaults of a new entry.
    EXPECT_EQ(settings().servers[4].protocol, 0);
    EXPECT_FALSE(settings().servers[4].secure);
    EXPECT_TRUE(settings().servers[4].rememberPassword);
    EXPECT_EQ(settings().servers[4].httpBasedir, "");

    ASSERT_TRUE(saveSettings());
    const std::string saved = CoreTestEnv::read(config());
    EXPECT_NE(saved.find("servers[4].host=four.example\r\n"), std::string::npos);
    EXPECT_EQ(saved.find("servers[6]"), std::string::npos);
    EXPECT_EQ(saved.find("servers[5]"), std::string::npos);
}

TEST_F(SettingsTest, BuiltInEntriesKeepTheirHostButReadCredentials)
{
    loadFrom("servers[0].host=elsewhere.example\nservers[0].port=1\nservers[0].name=Renamed\n"
             "servers[0].login=alice\nservers[0].password=" + encodeStoredPassword("pw", kMachine) + "\n"
             "servers[2].rememberPassword=false\n");
    const Settings defaults = expectedDefaults();
    const ServerEntry& first = settings().servers[0];
    EXPECT_EQ(first.host, defaults.servers[0].host);
    EXPECT_EQ(first.port, 1443);
    EXPECT_EQ(first.name, L"Main, secure");
    EXPECT_EQ(first.login, "alice");
    EXPECT_EQ(first.password, "pw");
    EXPECT_FALSE(settings().servers[2].rememberPassword);
    ASSERT_EQ(settings().servers.size(), 4u);
}

TEST_F(SettingsTest, SelectedEntryOutsideTheListIsTheFirst)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {"0", 0}, {"3", 3}, {"4", 0}, {"-1", 0}, {"99", 0}, {"abc", 0}, {"0x2", 2},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        loadFrom("servers.default=" + value + "\n");
        EXPECT_EQ(settings().serversDefault, expected);
        EXPECT_EQ(&selectedServer(), &settings().servers[static_cast<std::size_t>(expected)]);
    }
    // Even an index changed in memory cannot reach outside the list.
    settings().serversDefault = 17;
    EXPECT_EQ(&selectedServer(), &settings().servers[0]);
}

TEST_F(SettingsTest, ValuesOfTheWrongForm)
{
    loadFrom("sounds.volume=loud\nstyle.fontSize=big\nlog.on=yes\nuser.confirmOnExit=ON\n"
             "streams.disable=1\nsounds.disable=TRUE\nstyle.lbBgColor=0xFF00\n");
    EXPECT_EQ(settings().soundsVolume, 0.0f);
    EXPECT_EQ(settings().styleFontSize, 0);
    EXPECT_FALSE(settings().logOn);
    EXPECT_TRUE(settings().userConfirmOnExit);
    EXPECT_FALSE(settings().streamsEnabled);
    EXPECT_FALSE(settings().soundsEnabled);
    EXPECT_EQ(settings().styleLbBgColor, 0xFF00);
}

TEST_F(SettingsTest, RoundTrip)
{
    setDefaultSettings();
    Settings& s = settings();
    s.userLanguage = "french";
    s.serversDefault = 5;
    s.soundsDevice = "Haut-parleurs (Realtek® Audio)";
    s.soundsVolume = 0.3f;
    s.streamsVolume = 0.05f;
    s.streamsEnabled = false;
    s.soundsEnabled = false;
    s.logOn = true;
#ifdef _WIN32
    s.logDir = "D:\\Logs\\Orvelle\\";
#else
    s.logDir = "/var/log/orvelle/";
#endif
    s.userConfirmOnExit = false;
    s.userRememberPasswords = false;
    s.userAllowAutoLinks = true;
    s.userAllowDownloads = false;
    s.srEngine = 7;
    s.srSubengine = 2;
    s.srLanguage = 1;
    s.srVoice = 3;
    s.srVolume = 80;
    s.srRate = 55;
    s.srPitch = 40;
    s.srInflexion = 0;
    s.styleFontName = L"Segoe UI Émoji";
    s.styleFontSize = 22;
    s.styleLbBgColor = 0x202020;
    s.styleLbFgColor = 0xFFFFFF;
    s.styleRtfBgColor = 0;
    s.styleDisableHistoryColors = true;
    s.styleDisableMenuColors = true;
    s.systemConcur = true;
    s.servers[1].login = "bob";
    s.servers[1].password = "pa ss=word\\n";
    s.servers.push_back(userEntry(L"Mon serveur, à la maison", "home.example", 8443));
    s.servers.push_back(userEntry(L"Club", "club.example", 80));
    s.servers.back().rememberPassword = false;
    s.servers.back().secure = false;
    const Settings saved = s;

    ASSERT_TRUE(saveSettings());
    settings() = Settings{};
    loadSettings();

    Settings expected = saved;
    // An entry that does not remember its password loses login and password.
    expected.servers.back().login.clear();
    expected.servers.back().password.clear();
    EXPECT_EQ(settings(), expected);
    EXPECT_FALSE(std::filesystem::exists(CoreTestEnv::fs(config()).concat(".new")));
}

TEST_F(SettingsTest, SavedForm)
{
    setDefaultSettings();
    settings().servers[0].login = "alice";
    settings().servers[0].password = "correct horse";
    settings().servers[1].login = "bob";
    settings().servers[1].password = "";
    settings().servers[2].login = "carol";
    settings().servers[2].password = "forgotten";
    settings().servers[2].rememberPassword = false;
    ASSERT_TRUE(saveSettings());
    const std::string text = CoreTestEnv::read(config());

    // CR LF lines, keys in byte order.
    const std::vector<std::string> keys = keysOf(text);
    ASSERT_FALSE(keys.empty());
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);

    const UnorderedIniFile file = [&] {
        UnorderedIniFile f;
        f.parse(text);
        return f;
    }();
    const std::string stored = file.get("servers[0].password");
    EXPECT_EQ(stored.size(), 2 * std::string("correct horse").size());
    EXPECT_EQ(stored.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(decodeStoredPassword(stored, kMachine), "correct horse");
    EXPECT_TRUE(file.has("servers[1].password"));
    EXPECT_EQ(file.get("servers[1].password", "absent"), "");
    EXPECT_FALSE(file.has("servers[2].login"));
    EXPECT_FALSE(file.has("servers[2].password"));
    EXPECT_EQ(file.get("servers[2].rememberPassword"), "false");
    // The built-in entries are written whole, hosts included.
    EXPECT_EQ(file.get("servers[3].host"), kDefaultSecureHost);
    EXPECT_EQ(file.get("servers[3].port"), "80");
    EXPECT_EQ(file.get("servers[0].protocol"), "131072");
    // Negated flags, floats and the concurrency flag only when true.
    EXPECT_EQ(file.get("streams.disable"), "false");
    EXPECT_EQ(file.get("sounds.volume"), "1");
    EXPECT_EQ(file.get("streams.volume"), "0.25");
    EXPECT_EQ(file.get("style.fontName"), "Arial");
    EXPECT_EQ(file.get("sr.engine"), "-1");
    EXPECT_FALSE(file.has("system.concur"));
    settings().systemConcur = true;
    ASSERT_TRUE(saveSettings());
    EXPECT_NE(CoreTestEnv::read(config()).find("system.concur=true\r\n"), std::string::npos);

    // Every key of the settings table is written.
    for (const char* key :
         {"user.language", "servers.default", "sounds.device", "sounds.volume", "streams.volume", "streams.disable",
          "sounds.disable", "log.on", "log.dir", "user.confirmOnExit", "user.rememberPasswords",
          "user.allowAutoLinks", "user.allowDownloads", "sr.engine", "sr.subengine", "sr.language", "sr.voice",
          "sr.volume", "sr.rate", "sr.pitch", "sr.inflexion", "style.fontName", "style.fontSize", "style.lbBgColor",
          "style.lbFgColor", "style.rtfBgColor", "style.disableHistoryColors", "style.disableMenuColors"}) {
        EXPECT_TRUE(file.has(key)) << key;
    }
}

TEST_F(SettingsTest, PasswordOfAnotherMachine)
{
    setDefaultSettings();
    settings().servers[0].password = "only-here";
    ASSERT_TRUE(saveSettings());

    Environment other = environment();
    other.machineId = kMachine ^ 1;
    setEnvironment(other);
    loadSettings();
    EXPECT_EQ(settings().servers[0].password.size(), 9u);
    EXPECT_NE(settings().servers[0].password, "only-here");

    other.machineId = kMachine;
    setEnvironment(other);
    loadSettings();
    EXPECT_EQ(settings().servers[0].password, "only-here");
}

TEST_F(SettingsTest, LineBreaksInValuesCannotForgeKeys)
{
    setDefaultSettings();
    settings().userLanguage = "x\r\nservers.default=3";
    settings().servers.push_back(userEntry(L"Two\nlines", "host.example\rservers[9].name=forged", 1));
    ASSERT_TRUE(saveSettings());
    const std::string text = CoreTestEnv::read(config());
    for (const std::string& key : keysOf(text)) {
        EXPECT_EQ(key.find_first_of("\r\n"), std::string::npos);
        EXPECT_NE(key, "servers[9].name");
    }
    settings() = Settings{};
    loadSettings();
    EXPECT_EQ(settings().serversDefault, 0);
    EXPECT_EQ(settings().userLanguage, "x\r\nservers.default=3");
    ASSERT_EQ(settings().servers.size(), 5u);
    EXPECT_EQ(settings().servers[4].name, L"Two\nlines");
    EXPECT_EQ(settings().servers[4].host, "host.example\rservers[9].name=forged");
}

TEST_F(SettingsTest, LogFolderSurvivesTheEscapes)
{
    setDefaultSettings();
#ifdef _WIN32
    settings().logDir = "C:\\Users\\nadia\\records\\tom\\";
    const std::string expected = "C:\\Users/nadia/records/tom\\";
#else
    settings().logDir = "/home/nadia/records/tom/";
    const std::string expected = settings().logDir;
#endif
    ASSERT_TRUE(saveSettings());
    settings() = Settings{};
    loadSettings();
    EXPECT_EQ(settings().logDir, expected);
    EXPECT_EQ(settings().logDir.find_first_of("\r\n\t"), std::string::npos);
}

TEST_F(SettingsTest, FailedSaveKeepsTheOldFile)
{
    loadFrom("user.language=german\n");
    ASSERT_TRUE(saveSettings());
    const std::string before = CoreTestEnv::read(config());
    // The file written beside it cannot be created: a folder has its name.
    std::filesystem::create_directory(CoreTestEnv::fs(config()).concat(".new"));
    settings().userLanguage = "french";
    EXPECT_FALSE(saveSettings());
    EXPECT_EQ(CoreTestEnv::read(config()), before);
}

TEST_F(SettingsTest, RestoreDefaults)
{
    loadFrom("sr.rate=9\nlog.on=true\nservers[4].name=Mine\nservers.default=4\n");
    ASSERT_EQ(settings().servers.size(), 5u);
    restoreDefaultSettings();
    EXPECT_EQ(settings(), expectedDefaults());
}

TEST_F(SettingsTest, BuiltInEntriesFollowTheLoadedLanguage)
{
    CoreTestEnv::write(env.appFile("french.lng"),
                       "isocode=fr\nservernamessl=Principal, sécurisé\nservernamealtssl=Principal, port 443\n"
                       "servername=Principal, simple\nservernamealt=Principal, port 80\n");
    loadFrom("user.language=french\r\nservers.default=4\r\nservers[0].login=alice\r\n"
             "servers[4].name=Club\r\nservers[4].host=club.example\r\n"
             "servers[4].url.createAccount=https://club.example/en/join\r\n");
    // What start-up does once the file is read: the configured language.
    ASSERT_TRUE(loadLanguage(true));
    const std::vector<ServerEntry>& list = settings().servers;
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].name, L"Principal, sécurisé");
    EXPECT_EQ(list[3].name, L"Principal, port 80");
    EXPECT_EQ(list[0].urlCreateAccount, "https://www.orvelle.example/fr/register");
    EXPECT_EQ(list[2].urlLostPassword, "https://www.orvelle.example/fr/lostpassword");
    EXPECT_EQ(list[0].login, "alice");
    EXPECT_EQ(list[4].name, L"Club");
    EXPECT_EQ(list[4].urlCreateAccount, "https://club.example/en/join");

    ASSERT_TRUE(saveSettings());
    std::string text = CoreTestEnv::read(config());
    for (const char* line : {"servers[0].name=Principal, sécurisé\r\n",
                             "servers[0].url.createAccount=https://www.orvelle.example/fr/register\r\n",
                             "servers[3].url.lostPassword=https://www.orvelle.example/fr/lostpassword\r\n",
                             "servers[4].url.createAccount=https://club.example/en/join\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }

    // The server switches back to English: the entries follow, and the
    // change is saved.
    changeLanguage("english", nullptr);
    EXPECT_EQ(list[1].name, L"Main, port 443");
    EXPECT_EQ(list[1].urlCreateAccount, "https://www.orvelle.example/en/register");
    EXPECT_EQ(list[4].name, L"Club");
    EXPECT_EQ(list[0].login, "alice");
    text = CoreTestEnv::read(config());
    EXPECT_NE(text.find("servers[1].name=Main, port 443\r\n"), std::string::npos);
    EXPECT_EQ(text.find("/fr/"), std::string::npos);
}
