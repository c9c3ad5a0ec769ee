// The interface-string table, its language files and fallbacks.
#include "client/core/Language.h"

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "client/core/DebugLog.h"
#include "client/core/Environment.h"
#include "client/core/Settings.h"
#include "client/core/SystemInfo.h"
#include "client/core/Version.h"
#include "common/file.h"
#include "common/inifile/IniFile.h"
#include "common/utf8.h"

namespace {

using Text = std::unique_ptr<const std::wstring>;

// Texts are immutable once stored: replacing or dropping one moves it to
// `retired` instead of freeing it, because translate hands out references
// that other threads may still hold. Reloads are rare, so this costs little.
struct Table {
    std::mutex lock;
    std::unordered_map<std::string, Text> texts;
    std::vector<Text> retired;

    void put(const std::string& key, std::wstring text)
    {
        Text& slot = texts[key];
        if (slot) retired.push_back(std::move(slot));
        slot = std::make_unique<const std::wstring>(std::move(text));
    }

    void clear()
    {
        for (auto& [key, text] : texts) retired.push_back(std::move(text));
        texts.clear();
    }
};

Table& table()
{
    static Table t;
    return t;
}

// Reads one language file into the table; false when it cannot be read.
bool readLanguageFile(Table& t, const std::string& path)
{
    std::string bytes;
    if (!common::readWholeFile(path, bytes)) return false;
    // Editors on Windows like to start UTF-8 files with a byte order mark,
    // which would otherwise become part of the first key.
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    UnorderedIniFile file;
    file.parse(bytes);
    for (const auto& [key, value] : file) t.put(key, common::utf8ToWide(value));
    return true;
}

} // namespace

const std::wstring& translate(const std::string& key)
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    const auto it = t.texts.find(key);
    if (it != t.texts.end() && !it->second->empty()) return *it->second;
    t.put(key, common::utf8ToWide(key));
    return *t.texts[key];
}

std::string languageFromLocaleName(std::string_view localeName)
{
    return std::string(localeName.substr(0, localeName.find('_')));
}

bool isPlainLanguageName(std::string_view name)
{
    if (!name.empty() && name.front() == '.') return false;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
        if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) return false;
    }
    return true;
}

namespace {

// Whether the table holds strings afterwards; `read` tells whether files
// were read, that is whether the strings may have changed.
bool loadLanguageFiles(bool force, bool& read)
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    read = false;
    if (!force && !t.texts.empty()) return true;
    read = true;

    std::string& language = settings().userLanguage;
    if (language.empty()) {
        language = languageFromLocaleName(systemInfo().userLocaleName());
        debugLog("NO language set in the config, fallback to auto-detection: " + language);
    }
    t.clear();

    const Environment& env = environment();
    std::vector<std::string> files;
    // A name that could leave the folders (an edited file, a server's choice)
    // is skipped in favour of the English fallbacks.
    if (!language.empty() && isPlainLanguageName(language)) {
        files.push_back(env.userDir + language + ".lng");
        files.push_back(env.appDir + language + ".lng");
    }
    files.push_back(env.userDir + "english.lng");
    files.push_back(env.appDir + "english.lng");
    for (const std::string& path : files) {
        readLanguageFile(t, path);
        if (!t.texts.empty()) break;
    }
    return !t.texts.empty();
}

} // namespace

bool loadLanguage(bool force)
{
    bool read = false;
    const bool loaded = loadLanguageFiles(force, read);
    // The built-in server entries are named in the language: the names
    // follow it. Outside the table's lock, which naming takes again.
    if (read && loaded) renameBuiltInServers();
    return loaded;
}

bool loadAdditionalLanguage(const std::string& prefix)
{
    if (prefix.empty() || !isPlainLanguageName(prefix)) return false;
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    const Environment& env = environment();
    const std::string& language = settings().userLanguage;
    std::vector<std::string> files;
    if (!language.empty() && isPlainLanguageName(language)) {
        files.push_back(env.userDir + prefix + "-" + language + ".lng");
        files.push_back(env.appDir + prefix + "-" + language + ".lng");
    }
    files.push_back(env.userDir + prefix + "-english.lng");
    files.push_back(env.appDir + prefix + "-english.lng");
    for (const std::string& path : files) {
        if (readLanguageFile(t, path)) return true;
    }
    return false;
}

void changeLanguage(const std::string& name, const std::function<void(const std::wstring&)>& setTitle)
{
    if (!isPlainLanguageName(name)) return;
    settings().userLanguage = name;
    loadLanguage(true);
    const std::wstring title = serverWindowTitle(selectedServer());
    if (setTitle) setTitle(title);
    saveSettings();
}

std::wstring startWindowTitle()
{
    return translateFormat(512, "winTitle1", kVersionMajor, kVersionMinor, kVersionPatch);
}

std::wstring serverWindowTitle(const ServerEntry& entry)
{
    std::wstring name = entry.name;
    const std::size_t comma = name.find(L',');
    if (comma != std::wstring::npos && comma > 0) name.resize(comma);
    return translateFormat(512, "winTitle2", name, common::utf8ToWide(entry.login));
}

void clearLanguage()
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    t.clear();
}

std::size_t languageSize()
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    return t.texts.size();
}
