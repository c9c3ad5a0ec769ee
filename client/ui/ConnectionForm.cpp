// The connection dialog's rules.
#include "client/ui/ConnectionForm.h"

#include <algorithm>

#include "client/core/Settings.h"
#include "common/utf8.h"

namespace {

bool isLoginCharacter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-'
           || c == L'.' || c == L'_';
}

bool isPrintableAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte <= 0x7E;
    });
}

} // namespace

bool isValidLogin(const std::wstring& login)
{
    return login.size() >= 4 && std::all_of(login.begin(), login.end(), isLoginCharacter);
}

bool loginFieldAccepts(wchar_t character)
{
    constexpr wchar_t kSelectAll = 0x01, kCopy = 0x03, kBackspace = 0x08, kPaste = 0x16, kCut = 0x18;
    switch (character) {
    case kSelectAll:
    case kCopy:
    case kBackspace:
    case kPaste:
    case kCut:
        return true;
    default:
        return isLoginCharacter(character);
    }
}

EntryFields entryFields(const ServerEntry& entry)
{
    EntryFields fields;
    fields.login = common::utf8ToWide(entry.login);
    if (isPrintableAscii(entry.password)) fields.password = common::utf8ToWide(entry.password);
    fields.rememberPassword = entry.rememberPassword;
    fields.createAccountEnabled = !entry.urlCreateAccount.empty();
    fields.lostPasswordEnabled = !entry.urlLostPassword.empty();
    return fields;
}

ConnectVerdict confirmConnection(Settings& settings, int index, const std::wstring& login,
                                 const std::wstring& password, bool rememberPassword)
{
    std::wstring typedLogin = login;
    std::wstring typedPassword = password;
    common::truncateUtf16(typedLogin, kLoginMaxLength);
    common::truncateUtf16(typedPassword, kPasswordMaxLength);
    if (!isValidLogin(typedLogin) || index < 0 || index >= static_cast<int>(settings.servers.size())) {
        return ConnectVerdict::InvalidLogin;
    }
    if (typedPassword.empty()) return ConnectVerdict::EmptyPassword;
    settings.serversDefault = index;
    ServerEntry& entry = settings.servers[static_cast<std::size_t>(index)];
    entry.rememberPassword = rememberPassword;
    entry.login = common::wideToUtf8(typedLogin);
    entry.password = common::wideToUtf8(typedPassword);
    return ConnectVerdict::Accepted;
}
