// The connection dialog's rules: logins, the login field's filter, what an
// entry shows and what confirming stores.
#include <gtest/gtest.h>

#include "client/core/Settings.h"
#include "client/ui/ConnectionForm.h"

TEST(ConnectionForm, ValidLogins)
{
    EXPECT_TRUE(isValidLogin(L"alice"));
    EXPECT_TRUE(isValidLogin(L"a.b_c-9"));
    EXPECT_TRUE(isValidLogin(L"abcd"));
    EXPECT_FALSE(isValidLogin(L"abc"));
    EXPECT_FALSE(isValidLogin(L""));
    EXPECT_FALSE(isValidLogin(L"ali ce"));
    EXPECT_FALSE(isValidLogin(L"al@ce"));
    EXPECT_FALSE(isValidLogin(L"\u00E9lise"));
}

TEST(ConnectionForm, LoginFieldFilter)
{
    for (wchar_t c : std::wstring(L"azAZ09-._")) EXPECT_TRUE(loginFieldAccepts(c)) << int(c);
    for (wchar_t c : {0x01, 0x03, 0x08, 0x16, 0x18}) EXPECT_TRUE(loginFieldAccepts(c)) << int(c);
    for (wchar_t c : {L'@', L' ', L'\u00E9', L'/', L'\t', L'\r', wchar_t(0x1A), wchar_t(0x7F)}) {
        EXPECT_FALSE(loginFieldAccepts(c)) << int(c);
    }
}

TEST(ConnectionForm, EntryFields)
{
    ServerEntry e;
    e.login = "alice";
    e.password = "s3cret ~!";
    e.rememberPassword = false;
    e.urlCreateAccount = "https://www.example.org/register";
    EntryFields f = entryFields(e);
    EXPECT_EQ(f.login, L"alice");
    ASSERT_TRUE(f.password);
    EXPECT_EQ(*f.password, L"s3cret ~!");
    EXPECT_FALSE(f.rememberPassword);
    EXPECT_TRUE(f.createAccountEnabled);
    EXPECT_FALSE(f.lostPasswordEnabled);

    // A password with bytes outside printable ASCII (a stored password that
    // did not decode on this machine, or one typed with accents) is not shown.
    for (const char* bad : {"p\xC3\xA9", "tab\there", "del\x7F"}) {
        e.password = bad;
        EXPECT_FALSE(entryFields(e).password) << bad;
    }
    e.password = "";
    ASSERT_TRUE(entryFields(e).password);
    EXPECT_EQ(*entryFields(e).password, L"");
}

TEST(ConnectionForm, ConfirmStoresTheCredentialsInTheChosenEntry)
{
    Settings s;
    s.servers.resize(3);
    s.serversDefault = 0;
    EXPECT_EQ(confirmConnection(s, 2, L"abc", L"pw", true), ConnectVerdict::InvalidLogin);
    EXPECT_EQ(confirmConnection(s, 2, L"bob by", L"pw", true), ConnectVerdict::InvalidLogin);
    EXPECT_EQ(confirmConnection(s, 2, L"bobby", L"", true), ConnectVerdict::EmptyPassword);
    EXPECT_EQ(confirmConnection(s, 3, L"bobby", L"pw", true), ConnectVerdict::InvalidLogin);
    EXPECT_EQ(confirmConnection(s, -1, L"bobby", L"pw", true), ConnectVerdict::InvalidLogin);
    EXPECT_EQ(s, [] {
        Settings untouched;
        untouched.servers.resize(3);
        return untouched;
    }());

    EXPECT_EQ(confirmConnection(s, 2, L"bobby", L"p\u00E4ss w", false), ConnectVerdict::Accepted);
    EXPECT_EQ(s.serversDefault, 2);
    EXPECT_EQ(s.servers[2].login, "bobby");
    EXPECT_EQ(s.servers[2].password, "p\xC3\xA4ss w");
    EXPECT_FALSE(s.servers[2].rememberPassword);
    EXPECT_EQ(s.servers[0].login, "");

    // Texts longer than the fields are cut as the fields would have.
    const std::wstring longLogin(40, L'x');
    const std::wstring longPassword(70, L'p');
    EXPECT_EQ(confirmConnection(s, 1, longLogin, longPassword, true), ConnectVerdict::Accepted);
    EXPECT_EQ(s.servers[1].login, std::string(32, 'x'));
    EXPECT_EQ(s.servers[1].password, std::string(63, 'p'));
    EXPECT_TRUE(s.servers[1].rememberPassword);
}
