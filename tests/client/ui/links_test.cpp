// The checked opening of addresses from the server and the account buttons.
#include <gtest/gtest.h>

#include "client/core/CoreTestEnv.h"
#include "client/core/Settings.h"
#include "client/ui/Links.h"
#include "support/RecordingFrontEnd.h"

TEST(Links, OnlyTheServersWebHostOrMailAndCallSchemes)
{
    const std::string host = "www.example.org";
    EXPECT_TRUE(isOpenableAddress("https://www.example.org/page", host));
    EXPECT_TRUE(isOpenableAddress("http://www.example.org/", host));
    EXPECT_TRUE(isOpenableAddress("ftp://www.example.org/file.zip", host));
    EXPECT_TRUE(isOpenableAddress("mailto:help@anywhere.test", host));
    EXPECT_TRUE(isOpenableAddress("skype:someone", host));
    EXPECT_TRUE(isOpenableAddress("callto:+331234", host));

    EXPECT_FALSE(isOpenableAddress("https://evil.test/", host));
    EXPECT_FALSE(isOpenableAddress("https://www.example.org", host)); // no slash after the host
    EXPECT_FALSE(isOpenableAddress("https://www.example.org.evil.test/", host));
    EXPECT_FALSE(isOpenableAddress("https://www.example.org@evil.test/", host));
    EXPECT_FALSE(isOpenableAddress("https://www.example.org:8080/", host));
    EXPECT_FALSE(isOpenableAddress("HTTPS://www.example.org/", host)); // schemes compare with case
    EXPECT_FALSE(isOpenableAddress("file:///C:/Windows/notepad.exe", host));
    EXPECT_FALSE(isOpenableAddress("C:\\Windows\\notepad.exe", host));
    EXPECT_FALSE(isOpenableAddress("", host));
    EXPECT_FALSE(isOpenableAddress("http:///path", ""));
}

TEST(Links, WebLinksOfTheServerOpenThroughTheFrontEnd)
{
    CoreTestEnv env;
    RecordingFrontEnd front;
    ScopedFrontEnd scoped(front);
    settings().servers.resize(1);
    settings().servers[0].httpHost = "games.example.org";

    EXPECT_TRUE(openUrl("https://games.example.org/rules"));
    EXPECT_FALSE(openUrl("https://other.example.org/rules"));
    EXPECT_TRUE(openUrl("mailto:team@example.org"));
    EXPECT_FALSE(openUrl("javascript:alert(1)"));
    // The account buttons check against the entry they belong to.
    EXPECT_TRUE(openUrl("https://other.example.org/register", "other.example.org"));
    EXPECT_EQ(front.opened, (std::vector<std::string>{"https://games.example.org/rules", "mailto:team@example.org",
                                                      "https://other.example.org/register"}));
    EXPECT_TRUE(front.beeps.empty());
}

TEST(Links, AddressesInHistoryText)
{
    const std::string host = "www.example.org";
    auto link = [&](std::wstring_view text, bool autoLinks = false) { return linkInText(text, autoLinks, host); };
    EXPECT_EQ(link(L"See http://www.example.org/rules (rules) now"), L"http://www.example.org/rules");
    EXPECT_EQ(link(L"https://www.example.org/a|b"), L"https://www.example.org/a");
    EXPECT_EQ(link(L"ftp://www.example.org/f.zip"), L"ftp://www.example.org/f.zip");
    // "http://" anywhere wins over an earlier "https://".
    EXPECT_EQ(link(L"https://other.test/ then http://www.example.org/x"), L"http://www.example.org/x");
    // A port ends the address at its colon, and off the host it beeps.
    EXPECT_FALSE(link(L"http://www.example.org:8080/x"));
    EXPECT_FALSE(link(L"https://evil.test/www.example.org/"));
    EXPECT_FALSE(link(L"no address here"));
    EXPECT_FALSE(link(L"http://"));
    EXPECT_FALSE(linkInText(L"http://x/", false, ""));
    // With automatic links any address goes; skype:// becomes skype:.
    EXPECT_EQ(link(L"https://evil.test/page", true), L"https://evil.test/page");
    EXPECT_EQ(link(L"call skype://someone.here now", true), L"skype:someone.here");
    EXPECT_EQ(link(L"skype://www.example.org/x"), L"skype:www.example.org/x");
    // Delimiters count only from the eighth character: "http://a" stays whole.
    EXPECT_EQ(link(L"(http://a) x", true), L"http://a");
    EXPECT_EQ(link(L"http:/\x0Chttp://www.example.org/\x0Cnext"), L"http://www.example.org/");
}
