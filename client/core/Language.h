// The interface strings: one process-wide table from key to text, filled
// from the language files "<language>.lng" (IniFile syntax, UTF-8) of the
// per-user data folder or the application folder, extended by plug-ins and
// replaced when the language changes. Every text the interface shows, other
// than the fatal start-up messages, is looked up here.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "common/format.h"

struct ServerEntry;

// The text of the key. A missing key, or one whose text is empty, gets the
// key itself as its text, which stays in the table until the next reload.
// The reference stays valid for the whole run, even across reloads on
// another thread: texts are never changed or freed once handed out.
const std::wstring& translate(const std::string& key);

// The key's text used as a format (formatBoundedW: a mismatched language
// file cannot crash), into at most capacity - 1 UTF-16 units.
template <class... Args>
std::wstring translateFormat(std::size_t capacity, const std::string& key, const Args&... args)
{
    return common::formatBoundedW(capacity, translate(key), args...);
}

// Loads the language of "user.language". Without force, does nothing and
// returns true when the table already holds strings. An empty "user.language"
// is first set from the user's locale (languageFromLocaleName) and logged.
// Reads, until the table is no longer empty: the language's file in the
// per-user data folder, then in the application folder, then "english.lng"
// in each. True when the table holds strings afterwards; then the built-in
// server entries take their names and addresses from the new strings.
bool loadLanguage(bool force);

// Adds a plug-in's strings: the first file that opens of
// <prefix>-<language>.lng in the per-user data folder and the application
// folder, then <prefix>-english.lng in both. False, with the table
// unchanged, when none opens or the prefix is not a plain file name.
bool loadAdditionalLanguage(const std::string& prefix);

// The server's language change: "user.language" becomes the name, the
// language is reloaded, the window title is recomputed ("winTitle2", given
// to setTitle when one is passed) and the settings are saved. A name that
// is not a plain file name (it holds a folder separator, a drive colon,
// control characters or starts with a dot) is ignored, so that a server
// cannot point the client at files elsewhere.
void changeLanguage(const std::string& name, const std::function<void(const std::wstring&)>& setTitle = {});

// The language name of a locale name as the C library writes it on Windows:
// the part before the first underscore ("German_Germany.1252" gives German),
// the whole name when it has none.
std::string languageFromLocaleName(std::string_view localeName);

// Whether the name can be used as the file name of a language (empty allowed:
// it asks for the automatic choice).
bool isPlainLanguageName(std::string_view name);

// The main window's title before login: "winTitle1" with 2, 2 and 8.
std::wstring startWindowTitle();

// The main window's title once a server is chosen: "winTitle2" with the
// entry's name (cut before its first comma unless that comma comes first)
// and its login.
std::wstring serverWindowTitle(const ServerEntry& entry);

// Empties the table (tests; start-up never needs it).
void clearLanguage();

// The number of keys in the table.
std::size_t languageSize();
