// The interface-string table: lookups, language files, the automatic choice
// and its fallbacks, plug-in strings and the server's language change.
#include "client/core/Language.h"

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "CoreTestEnv.h"
#include "FakeSystemInfo.h"
#include "client/core/DebugLog.h"
#include "client/core/Settings.h"

namespace {

class LanguageTest : public ::testing::Test {
protected:
    LanguageTest() : installed(system) { system.locale = "English_United States.1252"; }

    std::string logText()
    {
        closeDebugLog();
        return CoreTestEnv::read(env.userFile("debug.txt"));
    }

    FakeSystemInfo system;
    CoreTestEnv env;
    ScopedSystemInfo installed;
};

} // namespace

TEST_F(LanguageTest, MissingOrEmptyKeyShowsTheKey)
{
    CoreTestEnv::write(env.appFile("english.lng"), "hello=Hello\nempty=\n");
    ASSERT_TRUE(loadLanguage(true));
    EXPECT_EQ(translate("hello"), L"Hello");
    const std::size_t before = languageSize();
    EXPECT_EQ(translate("noSuchKey"), L"noSuchKey");
    EXPECT_EQ(languageSize(), before + 1); // it stays in the table
    EXPECT_EQ(translate("noSuchKey"), L"noSuchKey");
    EXPECT_EQ(languageSize(), before + 1);
    EXPECT_EQ(translate("empty"), L"empty");
    EXPECT_EQ(translate(""), L"");
    EXPECT_EQ(translate("clé"), L"clé");
}

TEST_F(LanguageTest, FileSyntax)
{
    CoreTestEnv::write(env.appFile("english.lng"),
                       "\xEF\xBB\xBF" "first=one\r\n"
                       "# comment=no\n"
                       "; other=no\n"
                       "accents=Français élégant \xE2\x82\xAC\n"
                       "tabs=a\\tb\\nc\n"
                       "first=replaced\n"
                       "[about3]\n"
                       "line one\n"
                       "\n"
                       "key=inside the block\n"
                       "[ignored] text\n");
    ASSERT_TRUE(loadLanguage(true));
    EXPECT_EQ(translate("first"), L"replaced");
    EXPECT_EQ(translate("accents"), L"Français élégant \u20AC");
    EXPECT_EQ(translate("tabs"), L"a\tb\nc");
    EXPECT_EQ(translate("about3"), L"\nline one\nkey=inside the block");
    EXPECT_EQ(translate("key"), L"key");
    EXPECT_EQ(translate("ignored"), L"ignored"); // an empty block reads as its key
    EXPECT_EQ(translate("# comment"), L"# comment");
}

TEST_F(LanguageTest, AutomaticChoiceFromTheLocale)
{
    struct Case {
        const char* locale;
        const char* language;
    };
    const Case cases[] = {
        {"German_Germany.1252", "German"},
        {"French_France.1252", "French"},
        {"English_United States.1252", "English"},
        {"Chinese (Simplified)_China.936", "Chinese (Simplified)"},
        {"Klingon", "Klingon"},
        {"_odd", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(languageFromLocaleName(c.locale), c.language) << c.locale;
}

TEST_F(LanguageTest, GermanLocaleLoadsGermanWhenPresent)
{
    system.locale = "German_Germany.1252";
    CoreTestEnv::write(env.appFile("english.lng"), "isocode=en\n");
    CoreTestEnv::write(env.appFile("German.lng"), "isocode=de\n");
    ASSERT_TRUE(openDebugLog(env.userFile("debug.txt")));
    ASSERT_TRUE(loadLanguage(true));
    EXPECT_EQ(settings().userLanguage, "German");
    EXPECT_EQ(translate("isocode"), L"de");
    EXPECT_EQ(logText(), "NO language set in the config, fallback to auto-detection: German\r\n");
}

TEST_F(LanguageTest, GermanLocaleFallsBackToEnglish)
{
    system.locale = "German_Germany.1252";
    CoreTestEnv::write(env.appFile("english.lng"), "isocode=en\n");
    ASSERT_TRUE(openDebugLog(env.userFile("debug.txt")));
    ASSERT_TRUE(loadLanguage(true));
    EXPECT_EQ(settings().userLanguage, "German");
    EXPECT_EQ(translate("isocode"), L"en");
    EXPECT_EQ(logText(), "NO language set in the config, fallback to auto-detection: German\r\n");
    // Once chosen, the name is kept: no second automatic choice.
    ASSERT_TRUE(openDebugLog(env.userFile("debug.txt")));
    ASSERT_TRUE(loadLanguage(true));
    EXPECT_EQ(logText(), "");
}

TEST_F(LanguageTest, FourFileFallback)
{
    struct Case {
        const char* name;
        bool userLanguage, appLanguage, userEnglish, appEnglish;
        const wchar_t* winner; // nullptr: nothing loads
    };
    const Case cases[] = {
        {"all present", true, true, true, true, L"user french"},
        {"application's language file", false, true, true, true, L"app french"},
        {"user's English", false, false, true, true, L"user english"},
        {"application's English", false, false, false, true, L"app english"},
        {"none", false, false, false, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* f : {"french.lng", "english.lng"}) {
            std::filesystem::remove(CoreTestEnv::fs(env.userFile(f)));
            std::filesystem::remove(CoreTestEnv::fs(env.appFile(f)));
        }
        if (c.userLanguage) CoreTestEnv::write(env.userFile("french.lng"), "who=user french\n");
        if (c.appLanguage) CoreTestEnv::write(env.appFile("french.lng"), "who=app french\n");
        if (c.userEnglish) CoreTestEnv::write(env.userFile("english.lng"), "who=user english\n");
        if (c.appEnglish) CoreTestEnv::write(env.appFile("english.lng"), "who=app english\n");
        settings().userLanguage = "french";
        EXPECT_EQ(loadLanguage(true), c.winner != nullptr);
        if (c.winner) {
            EXPECT_EQ(translate("who"), c.winner);
        } else {
            EXPECT_EQ(languageSize(), 0u);
        }
    }
}

TEST_F(LanguageTest, FileWithoutKeysDoesNotStopTheSearch)
{
    CoreTestEnv::write(env.userFile("french.lng"), "# nothing but a comment\n\n");
    CoreTestEnv::write(env.appFile("french.lng"), "who=app french\n");
    settings().userLanguage = "french";
    ASSERT_TRUE(loadLanguage(true));
    EXPECT_EQ(translate("who"), L"app french");
}

TEST_F(LanguageTest, WithoutForceALoadedTableStays)
{
    CoreTestEnv::write(env.appFile("english.lng"), "who=first\n");
    ASSERT_TRUE(loadLanguage(false));
    CoreTestEnv::write(env.appFile("english.lng"), "who=second\n");
    EXPECT_TRUE(loadLanguage(false));
    EXPECT_EQ(translate("who"), L"first");
    EXPECT_TRUE(loadLanguage(true));
    EXPECT_EQ(translate("who"), L"second");
}

TEST_F(LanguageTest, NamesThatLeaveTheFoldersAreNotRead)
{
    // A language name from an edited file or from the server must not
    // reach files outside the two folders.
    CoreTestEnv::write(env.dir.file("outside.lng"), "who=outside\n");
    CoreTestEnv::write(env.appFile("english.lng"), "who=english\n");
    for (const std::string& name : {std::string("..") + kPathSeparator + "outside", std::string("../outside"),
                                   std::string("..\\outside"), std::string(".hidden"), std::string("a:b")}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(isPlainLanguageName(name));
        settings().userLanguage = name;
        ASSERT_TRUE(loadLanguage(true));
        EXPECT_EQ(translate("who"), L"english");
    }
    EXPECT_TRUE(isPlainLanguageName("french"));
    EXPECT_TRUE(isPlainLanguageName("Português do Brasil"));
    EXPECT_TRUE(isPlainLanguageName(""));
}

TEST_F(LanguageTest, PluginStrings)
{
    CoreTestEnv::write(env.appFile("english.lng"), "isocode=en\nshared=client\n");
    settings().userLanguage = "french";
    ASSERT_TRUE(loadLanguage(true));

    EXPECT_FALSE(loadAdditionalLanguage("pong"));
    EXPECT_EQ(translate("shared"), L"client");

    CoreTestEnv::write(env.appFile("pong-english.lng"), "pongName=Pong\nshared=pong english\n");
    EXPECT_TRUE(loadAdditionalLanguage("pong"));
    EXPECT_EQ(translate("pongName"), L"Pong");
    EXPECT_EQ(translate("shared"), L"pong english");
    EXPECT_EQ(translate("isocode"), L"en"); // added to, not emptied

    CoreTestEnv::write(env.userFile("pong-french.lng"), "pongName=Pong en français\n");
    EXPECT_TRUE(loadAdditionalLanguage("pong"));
    EXPECT_EQ(translate("pongName"), L"Pong en français");

    EXPECT_FALSE(loadAdditionalLanguage(""));
    EXPECT_FALSE(loadAdditionalLanguage("../pong"));
}

TEST_F(LanguageTest, ServerChangesTheLanguage)
{
    CoreTestEnv::write(env.appFile("english.lng"), "isocode=en\nwinTitle2=Client - %s (%s)\n");
    CoreTestEnv::write(env.appFile("french.lng"), "isocode=fr\nwinTitle2=Client : %s, %s\n");
    settings().userLanguage = "english";
    ASSERT_TRUE(loadLanguage(true));
    setDefaultSettings();
    settings().servers.push_back(ServerEntry{});
    settings().servers.back().name = L"Salle, avec virgule";
    settings().servers.back().login = "zoé";
    settings().serversDefault = 4;

    std::vector<std::wstring> titles;
    changeLanguage("french", [&](const std::wstring& t) { titles.push_back(t); });
    EXPECT_EQ(settings().userLanguage, "french");
    EXPECT_EQ(translate("isocode"), L"fr");
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0], L"Client : Salle, zoé");
    EXPECT_NE(CoreTestEnv::read(env.userFile("config.ini")).find("user.language=french\r\n"), std::string::npos);

    // A refused name changes nothing.
    changeLanguage(std::string("..") + kPathSeparator + "french", [&](const std::wstring& t) { titles.push_back(t); });
    EXPECT_EQ(settings().userLanguage, "french");
    EXPECT_EQ(titles.size(), 1u);
}

TEST_F(LanguageTest, WindowTitles)
{
    CoreTestEnv::write(env.appFile("english.lng"), "winTitle1=Orvelle %d.%d.%d\nwinTitle2=%s / %s\n");
    ASSERT_TRUE(loadLanguage(true));
    EXPECT_EQ(startWindowTitle(), L"Orvelle 2.2.8");
    struct Case {
        const wchar_t* name;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {L"Main, secure", L"Main"}, {L",leading comma", L",leading comma"}, {L"No comma", L"No comma"},
        {L"", L""}, {L"a,b,c", L"a"},
    };
    for (const Case& c : cases) {
        ServerEntry e;
        e.name = c.name;
        e.login = "me";
        EXPECT_EQ(serverWindowTitle(e), std::wstring(c.shown) + L" / me");
    }
}

TEST_F(LanguageTest, MismatchedFormatsCannotCrash)
{
    CoreTestEnv::write(env.appFile("english.lng"),
                       "winTitle1=%s %s %s %n %s\nwinTitle2=%d %x %c %d\nsoundvolume=%s%% %p\n");
    ASSERT_TRUE(loadLanguage(true));
    EXPECT_EQ(startWindowTitle(), L"2 2 8 %n %s");
    ServerEntry e;
    e.name = L"Room";
    e.login = "me";
    EXPECT_EQ(serverWindowTitle(e), L"Room me %c %d");
    EXPECT_EQ(translateFormat(64, "soundvolume", 80), L"80% %p");
}

TEST_F(LanguageTest, ReferencesOutliveReloads)
{
    CoreTestEnv::write(env.appFile("english.lng"), "winTitle1=Orvelle %d.%d.%d\nwho=english\n");
    ASSERT_TRUE(loadLanguage(true));
    std::atomic<bool> stop{false};
    std::atomic<bool> reading{false};
    std::thread reader([&] {
        std::size_t total = 0;
        while (!stop) {
            const std::wstring& text = translate("winTitle1");
            const std::wstring& missing = translate("noSuchKey");
            total += text.size() + missing.size();
            reading = true;
        }
        EXPECT_GT(total, 0u);
    });
    // The reloads race with lookups only once the reader is under way.
    while (!reading) std::this_thread::yield();
    CoreTestEnv::write(env.appFile("extra-english.lng"), "who=replaced\n");
    const std::wstring& held = translate("who");
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(loadAdditionalLanguage("extra"));
        ASSERT_TRUE(loadLanguage(true));
    }
    stop = true;
    reader.join();
    EXPECT_EQ(held, L"english"); // still readable after 200 reloads
}
