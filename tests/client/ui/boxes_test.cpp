// The server's box requests and the headless answers to them.
#include <gtest/gtest.h>

#include <thread>

#include "client/ui/boxes/BoxRequests.h"
#include "client/ui/headless/HeadlessFrontEnd.h"

TEST(BoxRequests, FieldsMissingOrOddAndUnsafeTypes)
{
    const InputRequest full = readInputRequest({"0x1F", "T\xC3\xA9", "P", "d", "extra"});
    EXPECT_EQ(full.id, 31);
    EXPECT_EQ(full.title, L"T\u00E9");
    EXPECT_EQ(full.defaultText, L"d");
    const InputRequest cut = readInputRequest({"x"});
    EXPECT_EQ(cut.id, 0);
    EXPECT_TRUE(cut.title.empty() && cut.prompt.empty() && cut.defaultText.empty());
    EXPECT_EQ(readInputRequest({}).id, 0);

    // Buttons, icon and default button stay; system-modal, service and
    // default-desktop bits go.
    EXPECT_EQ(readMessageRequest({"1", "c", "t", "0x00221134"}).type, 0x134u);
    EXPECT_EQ(readMessageRequest({"1", "c", "t", "4"}).type, 4u);
    const MessageRequest bare = readMessageRequest({"9"});
    EXPECT_EQ(bare.id, 9);
    EXPECT_EQ(bare.type, 0u);
    EXPECT_TRUE(bare.caption.empty() && bare.text.empty());

    EXPECT_EQ(inputAnswerText(L"a\nb\r\nc\rd"), L"a\r\nb\r\nc\r\nd");
}

TEST(BoxRequests, HeadlessServerBoxesTakeTheScriptThenTypedAnswers)
{
    HeadlessFrontEnd front;
    front.setAnswers({"7"});
    EXPECT_EQ(front.serverMessageBox(L"t", L"c", 4), 7); // the script first
    front.typeAnswer({true, true, {}});
    EXPECT_EQ(front.serverMessageBox(L"t", L"c", 3), 2); // cancelled, with a Cancel button
    front.typeAnswer({true, true, {}});
    EXPECT_EQ(front.serverMessageBox(L"t", L"c", 4), 6); // no Cancel: the first button
    // A box waits for the player's answer.
    std::thread player([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        front.typeAnswer({true, false, "blue"});
    });
    std::string answer;
    EXPECT_TRUE(front.nextAnswer(answer));
    EXPECT_EQ(answer, "blue");
    player.join();
    // The client's own boxes never wait; once input ended, nothing waits.
    EXPECT_EQ(front.messageBox(L"t", L"c", 4), 6);
    front.endInput();
    EXPECT_FALSE(front.nextAnswer(answer));
    EXPECT_EQ(front.serverMessageBox(L"t", L"c", 2), 3);
}
