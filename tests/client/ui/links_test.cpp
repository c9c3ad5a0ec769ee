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
