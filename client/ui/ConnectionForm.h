// The connection dialog's rules, apart from its window: what the fields show
// for a server entry, which logins are valid, which typed characters the
// login field takes, and what confirming stores.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

struct ServerEntry;
struct Settings;

// Field limits, in UTF-16 units as the edit controls count.
inline constexpr std::size_t kLoginMaxLength = 32;
inline constexpr std::size_t kPasswordMaxLength = 63;

// A login holds at least 4 characters, each an ASCII letter or digit, "-",
// "." or "_".
bool isValidLogin(const std::wstring& login);

// Whether the login field takes a typed character: the login characters,
// and the control keys Control+A, Control+C, Backspace, Control+V and
// Control+X. Anything else is refused with a beep.
bool loginFieldAccepts(wchar_t character);

// What the dialog shows for an entry.
struct EntryFields {
    std::wstring login;
    // The stored password, unless it holds a byte outside printable ASCII:
    // then the field keeps what it had.
    std::optional<std::wstring> password;
    bool rememberPassword = false;
    bool createAccountEnabled = false;
    bool lostPasswordEnabled = false;
};
EntryFields entryFields(const ServerEntry& entry);

enum class ConnectVerdict { Accepted, InvalidLogin, EmptyPassword };

// Confirming the dialog with the entry at `index` chosen: a valid login and
// a password are needed. When accepted, that entry becomes "servers.default"
// and takes the remember flag, the login and the password (UTF-8); the
// texts are first cut to the fields' limits. An index outside the list is
// refused as an invalid login would be, and nothing changes.
ConnectVerdict confirmConnection(Settings& settings, int index, const std::wstring& login,
                                 const std::wstring& password, bool rememberPassword);
