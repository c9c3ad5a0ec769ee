// Reading move-search messages and writing the reply: numbers as "%d" reads
// them, board words short, long and odd, truncated and broken messages.
#include <gtest/gtest.h>

#include <string>

#include "client/solvers/MoveSearch.h"

namespace solvers {
namespace {

const std::string kEmpty42(42, '0');
const std::string kEmpty64(64, '0');

struct RequestCase {
    std::string message;
    bool isSearch;
    BoardGame game;
    int player;
    int depth;
    int flags;
    bool boardComplete;
};

TEST(MoveRequest, NumbersAndBoardWordsAreReadAsTheCLibraryReadsThem)
{
    const std::string board64x = kEmpty64 + "12";
    const RequestCase cases[] = {
        {"cn4m 1 2 3 " + kEmpty42, true, BoardGame::ConnectFour, 1, 3, 0, true},
        {"rv1m 0 9 5 3 " + kEmpty64, true, BoardGame::Reversi, 0, 5, 3, true},
        // A leading zero is decimal, not octal; signs are read.
        {"cn4m 010 0 07 " + kEmpty42, true, BoardGame::ConnectFour, 10, 7, 0, true},
        {"cn4m -1 +2 -3 " + kEmpty42, true, BoardGame::ConnectFour, -1, -3, 0, true},
        // Any white space separates, and more than one blank.
        {"cn4m  1\t2\n3 \r " + kEmpty42, true, BoardGame::ConnectFour, 1, 3, 0, true},
        // Digits beyond int wrap around.
        {"cn4m 4294967297 0 1 " + kEmpty42, true, BoardGame::ConnectFour, 1, 1, 0, true},
        // A longer board word is cut to the board.
        {"rv1m 1 0 2 1 " + board64x, true, BoardGame::Reversi, 1, 2, 1, true},
        {"cn4m 1 2 3 " + kEmpty42 + "0000000 trailing", true, BoardGame::ConnectFour, 1, 3, 0, true},
        // Missing or unreadable numbers stay 0 and end the reading.
        {"cn4m ", true, BoardGame::ConnectFour, 0, 0, 0, false},
        {"cn4m 1 2", true, BoardGame::ConnectFour, 1, 0, 0, false},
        {"cn4m 1 x 3 " + kEmpty42, true, BoardGame::ConnectFour, 1, 0, 0, false},
        {"cn4m 0x10 1 2 " + kEmpty42, true, BoardGame::ConnectFour, 0, 0, 0, false},
        {"cn4m - 1 2 " + kEmpty42, true, BoardGame::ConnectFour, 0, 0, 0, false},
        // Without flags the board (all digits) is read as the flags number.
        {"rv1m 1 2 3 " + kEmpty64, true, BoardGame::Reversi, 1, 3, 0, false},
        // Short boards and a NUL byte, which ends the text as in C.
        {"cn4m 1 2 3 " + kEmpty42.substr(1), true, BoardGame::ConnectFour, 1, 3, 0, false},
        {"rv1m 1 2 3 0 " + kEmpty42, true, BoardGame::Reversi, 1, 3, 0, false},
        {std::string("cn4m 1 2 3 \0", 12) + kEmpty42, true, BoardGame::ConnectFour, 1, 3, 0, false},
        {std::string("cn4m 1 2 3 000\0", 15) + kEmpty42, true, BoardGame::ConnectFour, 1, 3, 0, false},
        // Not move searches.
        {"cn4m", false, BoardGame::ConnectFour, 0, 0, 0, false},
        {"cn4mx 1 2 3 " + kEmpty42, false, BoardGame::ConnectFour, 0, 0, 0, false},
        {"", false, BoardGame::ConnectFour, 0, 0, 0, false},
        {"rv1m\t1 2 3 4 " + kEmpty64, false, BoardGame::ConnectFour, 0, 0, 0, false},
    };
    for (const RequestCase& c : cases) {
        SCOPED_TRACE(c.message);
        MoveRequest request;
        ASSERT_EQ(parseMoveRequest(c.message, request), c.isSearch);
        if (!c.isSearch) continue;
        EXPECT_EQ(request.game, c.game);
        EXPECT_EQ(request.player, c.player);
        EXPECT_EQ(request.depth, c.depth);
        EXPECT_EQ(request.flags, c.flags);
        EXPECT_EQ(request.boardComplete, c.boardComplete);
    }
}

TEST(MoveRequest, BoardCharactersBecomeCellValues)
{
    const struct {
        char character;
        int cell;
    } cases[] = {
        {'0', kEmpty}, {'1', 0}, {'2', 1}, {'3', 2}, {'9', 8}, {'A', 16}, {'z', 73}, {'\x7F', 78},
        // Up to '/' characters keep their value, bytes above 0x7F as signed.
        {'/', '/'}, {'!', '!'}, {'\x01', 1}, {'\x80', -128}, {'\xFF', -1}, {'\xFE', -2},
    };
    for (const auto& c : cases) EXPECT_EQ(cellFromCharacter(c.character), c.cell) << int(c.character);

    MoveRequest request;
    ASSERT_TRUE(parseMoveRequest("cn4m 0 0 1 12" + std::string(40, '0') + "2222", request));
    EXPECT_EQ(request.cells[0], 0);
    EXPECT_EQ(request.cells[1], 1);
    EXPECT_EQ(request.cells[41], kEmpty);
    // The rest of the longer word is not part of the board.
    EXPECT_EQ(request.cells[42], 0);
}

TEST(MoveReply, IsTheInputBoxAnswerTwentyEight)
{
    EXPECT_EQ(moveReply(3), "inbx 28\x7F" "3");
    EXPECT_EQ(moveReply(-1), "inbx 28\x7F-1");
    EXPECT_EQ(moveReply(63), "inbx 28\x7F" "63");
    EXPECT_LT(moveReply(-2147483647 - 1).size(), kMoveReplyCapacity);
}

TEST(MoveReply, WholeMessagesAnswerOrStaySilent)
{
    // An empty board searched one ply: every column scores alike, the lowest wins.
    EXPECT_EQ(moveSearchReply("cn4m 0 0 1 " + kEmpty42), "inbx 28\x7F" "0");
    // Short and missing boards answer -1 without a search.
    EXPECT_EQ(moveSearchReply("cn4m 0 0 1 0000"), "inbx 28\x7F-1");
    EXPECT_EQ(moveSearchReply("rv1m"), "");
    EXPECT_EQ(moveSearchReply("rv1m "), "inbx 28\x7F-1");
    EXPECT_EQ(moveSearchReply("ping"), "");
    // Depth 0 searches nothing.
    EXPECT_EQ(moveSearchReply("rv1m 0 0 0 0 " + kEmpty64), "inbx 28\x7F-1");
}

TEST(MoveReply, NoReplyOnceTheQuittingFlagStopsTheSearch)
{
    const std::atomic<bool> quitting{true};
    EXPECT_EQ(moveSearchReply("cn4m 0 0 12 " + kEmpty42, &quitting), "");
    EXPECT_EQ(moveSearchReply("rv1m 0 0 12 2 " + kEmpty64.substr(0, 27) + "21" + std::string(6, '0') + "12" +
                                  std::string(27, '0'),
                              &quitting),
              "");
    // A search too small to reach a check answers all the same.
    EXPECT_EQ(moveSearchReply("cn4m 0 0 1 " + kEmpty42, &quitting), "inbx 28\x7F" "0");
}

} // namespace
} // namespace solvers
