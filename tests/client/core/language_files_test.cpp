// The shipped language files: a text for every key the client uses, formats
// with the conversions the code passes, and no key in the code missing from
// the list. The files are copied beside the test program at build time.
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CoreTestEnv.h"
#include "FakeSystemInfo.h"
#include "client/core/Language.h"
#include "client/core/LanguageKeys.h"
#include "client/core/Settings.h"

namespace {

bool isIdentifierChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The literal keys of translate("key") and translateFormat(size, "key", ...)
// in a source text.
std::vector<std::string> literalKeys(const std::string& source)
{
    std::vector<std::string> keys;
    const std::string name = "translate";
    for (std::size_t at = source.find(name); at != std::string::npos; at = source.find(name, at + 1)) {
        if (at > 0 && isIdentifierChar(source[at - 1])) continue;
        std::size_t i = at + name.size();
        const bool isFormat = source.compare(i, 6, "Format") == 0;
        if (isFormat) i += 6;
        auto skipBlanks = [&] {
            while (i < source.size() && (source[i] == ' ' || source[i] == '\n' || source[i] == '\r' || source[i] == '\t')) ++i;
        };
        skipBlanks();
        if (i >= source.size() || source[i] != '(') continue;
        ++i;
        skipBlanks();
        if (isFormat) {
            while (i < source.size() && source[i] != ',' && source[i] != ')' && source[i] != '"') ++i;
            if (i >= source.size() || source[i] != ',') continue;
            ++i;
            skipBlanks();
        }
        if (i >= source.size() || source[i] != '"') continue;
        const std::size_t end = source.find('"', i + 1);
        if (end == std::string::npos) break;
        keys.push_back(source.substr(i + 1, end - i - 1));
    }
    return keys;
}

std::string shippedLanguageFolder()
{
    return folderOfPath(makePlatformSystemInfo()->programPath()) + "lang" + kPathSeparator;
}

// Loads one shipped file, by its language name, as the only language.
class ShippedLanguage : public ::testing::TestWithParam<const char*> {
protected:
    ShippedLanguage() : installed(system)
    {
        Environment e = environment();
        e.appDir = shippedLanguageFolder();
        setEnvironment(e);
        settings().userLanguage = GetParam();
    }

    FakeSystemInfo system;
    CoreTestEnv env;
    ScopedSystemInfo installed;
};

} // namespace

TEST_P(ShippedLanguage, EveryKeyHasAText)
{
    std::string raw;
    ASSERT_TRUE(common::readWholeFile(environment().appDir + GetParam() + ".lng", raw))
        << "not found: " << environment().appDir << GetParam() << ".lng";
    UnorderedIniFile file;
    file.parse(raw);
    ASSERT_TRUE(loadLanguage(true));

    for (const InterfaceKey& k : interfaceKeys()) {
        SCOPED_TRACE(k.key);
        ASSERT_TRUE(file.has(k.key)) << "missing in " << GetParam() << ".lng";
        const std::wstring& text = translate(k.key);
        EXPECT_FALSE(file.get(k.key).empty());
        EXPECT_EQ(text.find(L'\uFFFD'), std::wstring::npos) << "not UTF-8";
        if (k.arguments.empty()) {
            EXPECT_EQ(text.find(L'%'), std::wstring::npos) << "a text shown as it is holds no format";
        } else {
            EXPECT_EQ(formatConversions(text), k.arguments);
        }
    }
    // Nothing in the file that the client does not know: a misspelt key
    // would leave the right one without a text.
    std::set<std::string> known;
    for (const InterfaceKey& k : interfaceKeys()) known.insert(k.key);
    for (const auto& [key, value] : file) EXPECT_TRUE(known.count(key)) << "unknown key " << key;
}

TEST_P(ShippedLanguage, FormatsGiveWholeTexts)
{
    ASSERT_TRUE(loadLanguage(true));
    const std::wstring title = startWindowTitle();
    EXPECT_NE(title.find(L"2.2.8"), std::wstring::npos) << std::string(title.begin(), title.end());
    ServerEntry e;
    e.name = L"Orvelle, secure";
    e.login = "zoe";
    const std::wstring server = serverWindowTitle(e);
    EXPECT_NE(server.find(L"Orvelle"), std::wstring::npos);
    EXPECT_NE(server.find(L"zoe"), std::wstring::npos);
    const std::wstring volume = translateFormat(128, "soundvolume", 85);
    EXPECT_NE(volume.find(L"85"), std::wstring::npos);
    EXPECT_NE(volume.find(L'%'), std::wstring::npos);
    const std::wstring fail = translateFormat(512, "downloadingFail", std::string("sounds/bell.ogg"), 404);
    EXPECT_NE(fail.find(L"sounds/bell.ogg"), std::wstring::npos);
    EXPECT_NE(fail.find(L"404"), std::wstring::npos);
    const std::wstring box = translateFormat(512, "errorlogcreation", std::wstring(L"C:\\logs\\2026-03-05.log"));
    EXPECT_NE(box.find(L"C:\\logs\\2026-03-05.log"), std::wstring::npos);
}

INSTANTIATE_TEST_SUITE_P(Files, ShippedLanguage, ::testing::Values("english", "french"));

TEST(ShippedLanguages, IsoCodesAndFrenchAccents)
{
    FakeSystemInfo system;
    CoreTestEnv env;
    ScopedSystemInfo installed(system);
    Environment e = environment();
    e.appDir = shippedLanguageFolder();
    setEnvironment(e);

    settings().userLanguage = "english";
    ASSERT_TRUE(loadLanguage(true));
    EXPECT_EQ(translate("isocode"), L"en");
    const std::wstring englishCancel = translate("Cancel");

    settings().userLanguage = "french";
    ASSERT_TRUE(loadLanguage(true));
    EXPECT_EQ(translate("isocode"), L"fr");
    EXPECT_NE(translate("Cancel"), englishCancel);
    EXPECT_EQ(translate("genOpt"), L"Options générales");
    EXPECT_EQ(translate("about4"), L"Un client de salons de jeux en ligne conçu pour les joueurs qui utilisent un lecteur d'écran.");
}

TEST(ShippedLanguages, KeyScanner)
{
    EXPECT_EQ(literalKeys("a = translate(\"one\"); b = translateFormat(512, \"two\", x);\n"
                          "translate (\n \"three\"); mytranslate(\"no\"); translate(key); translateFormat(n, key);"),
              (std::vector<std::string>{"one", "two", "three"}));
}

TEST(ShippedLanguages, EveryKeyInTheCodeIsListed)
{
    // The sources are read where the build says they are; a test machine
    // without them (a copied test program) has nothing to check.
    const std::filesystem::path root = CoreTestEnv::fs(ORVC_SOURCE_DIR);
    if (!std::filesystem::is_directory(root / "client")) GTEST_SKIP() << "sources not found at " << ORVC_SOURCE_DIR;

    std::set<std::string> known;
    for (const InterfaceKey& k : interfaceKeys()) known.insert(k.key);

    std::size_t found = 0;
    for (const char* folder : {"client", "gamelib", "games"}) {
        if (!std::filesystem::is_directory(root / folder)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            for (const std::string& key : literalKeys(text.str())) {
                ++found;
                EXPECT_TRUE(known.count(key)) << "key \"" << key << "\" used in " << entry.path().generic_string()
                                              << " is not in LanguageKeys.cpp nor the language files";
            }
        }
    }
    EXPECT_GT(found, 5u); // the scan sees the core's own uses
}
