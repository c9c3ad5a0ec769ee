// The rules of both searches on chosen positions, run on the plain and the
// client's search alike: fours, full boards, ties, passes, depth 0, the root
// rule, the depth bound, the stop flag and the evaluations.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "client/solvers/BitboardSearch.h"
#include "client/solvers/MoveSearch.h"
#include "client/solvers/ReferenceSearch.h"

namespace solvers {
namespace {

// A full four-in-a-row board on which nobody has four.
const std::string kFullNoFour = "212122111222122212221111211121112122121212";

std::string withCells(std::string board, std::initializer_list<int> cells, char value)
{
    for (int cell : cells) board[cell] = value;
    return board;
}

// A disc-flipping board from rows written top (row 0) first.
std::string reversiRows(std::initializer_list<const char*> rows)
{
    std::string board;
    for (const char* row : rows) board += row;
    return board;
}

const std::string kOpening = reversiRows(
    {"00000000", "00000000", "00000000", "00021000", "00012000", "00000000", "00000000", "00000000"});
// Only player 0's discs: nothing can be turned.
const std::string kOnlyPlayerZero = reversiRows(
    {"00000000", "00000000", "00000000", "00011000", "00011000", "00000000", "00000000", "00000000"});

class SearchRules : public ::testing::TestWithParam<SearchEngine> {
protected:
    MoveAnswer search(const std::string& message, StopFlag stop = nullptr)
    {
        MoveRequest request;
        EXPECT_TRUE(parseMoveRequest(message, request));
        return searchMove(request, GetParam(), stop);
    }
};

TEST_P(SearchRules, FourOnTheBoardOrNoColumnLeftAnswersMinusOne)
{
    const std::string four = withCells(std::string(42, '0'), {0, 1, 2, 3}, '2');
    for (int depth : {1, 2, 5}) {
        const MoveAnswer a = search("cn4m 0 0 " + std::to_string(depth) + " " + four);
        EXPECT_EQ(a.result.move, kNoMove);
        EXPECT_EQ(a.result.score, kLost);
        EXPECT_EQ(a.result.nodes, 1u);
        EXPECT_FALSE(a.result.rootRule);
    }
    // A vertical four of the side to move, and one of an odd value, count too.
    EXPECT_EQ(search("cn4m 1 0 3 " + withCells(std::string(42, '0'), {3, 10, 17, 24}, '2')).result.score, kLost);
    EXPECT_EQ(search("cn4m 1 0 3 " + withCells(std::string(42, '0'), {3, 11, 19, 27}, '7')).result.score, kLost);

    const MoveAnswer full = search("cn4m 0 0 4 " + kFullNoFour);
    EXPECT_EQ(full.result.move, kNoMove);
    EXPECT_EQ(full.result.score, kNoMoveYet);
    EXPECT_FALSE(full.result.rootRule);
}

TEST_P(SearchRules, EqualScoresKeepTheLowestColumn)
{
    // One ply on an empty board: every drop scores the same.
    EXPECT_EQ(search("cn4m 0 0 1 " + std::string(42, '0')).result.move, 0);
    // Column 0 full: the next one.
    const std::string column0Full = withCells(withCells(std::string(42, '0'), {0, 14, 28}, '1'), {7, 21, 35}, '2');
    EXPECT_EQ(search("cn4m 0 0 1 " + column0Full).result.move, 1);
    // A win in column 6 beats everything.
    const std::string threeUp = withCells(withCells(std::string(42, '0'), {6, 13, 20}, '1'), {0, 1, 2}, '2');
    EXPECT_EQ(search("cn4m 0 0 2 " + threeUp).result.move, 6);
}

TEST_P(SearchRules, DiscsFallToTheLowestEmptyCellEvenUnderADisc)
{
    // Column 3 holds a disc in row 2 over two empty cells; the first ply
    // takes row 0, so the second can still take row 1.
    const std::string floating = withCells(std::string(42, '0'), {17}, '2');
    const MoveAnswer a = search("cn4m 0 0 3 " + floating);
    ReferenceSearch reference;
    const MoveRequest request = [&] {
        MoveRequest r;
        parseMoveRequest("cn4m 0 0 3 " + floating, r);
        return r;
    }();
    EXPECT_EQ(a.result.nodes, reference.chooseConnectFourMove(request.connectFourCells(), 3, 0).nodes);
    EXPECT_NE(a.result.move, kNoMove);
}

TEST_P(SearchRules, DepthZeroOrBelowSearchesNothing)
{
    for (const std::string& message : {"cn4m 0 0 0 " + std::string(42, '0'), "cn4m 1 0 -5 " + std::string(42, '0'),
                                       "rv1m 0 0 0 0 " + kOpening, "rv1m 0 0 -1 3 " + kOpening}) {
        const MoveAnswer a = search(message);
        EXPECT_EQ(a.result.move, kNoMove) << message;
        EXPECT_EQ(a.result.nodes, 1u) << message;
    }
    // The evaluation is still the root's score.
    EXPECT_EQ(search("rv1m 0 0 0 0 " + std::string(64, '0')).result.score, -82);
    EXPECT_EQ(search("rv1m 0 0 0 0 " + std::string(64, '1')).result.score, 82);
}

TEST_P(SearchRules, PassComesFirstWithFlagTwoAndNeverWithFlagThree)
{
    // On a full board the pass is the only candidate.
    const MoveAnswer passOnly = search("rv1m 0 0 3 2 " + std::string(64, '2'));
    EXPECT_EQ(passOnly.result.move, kNoMove);
    EXPECT_EQ(passOnly.result.nodes, 4u);
    EXPECT_FALSE(passOnly.result.rootRule);
    const MoveAnswer none = search("rv1m 0 0 3 0 " + std::string(64, '2'));
    EXPECT_EQ(none.result.nodes, 1u);
    EXPECT_EQ(none.result.score, kNoMoveYet);

    // With flags 2 the pass is the first child: a one-ply search of the
    // opening sees it before any square.
    const MoveAnswer opening = search("rv1m 0 0 1 2 " + kOpening);
    const MoveAnswer openingNoPass = search("rv1m 0 0 1 0 " + kOpening);
    EXPECT_EQ(opening.result.nodes, openingNoPass.result.nodes + 1);
    EXPECT_EQ(opening.result.move, openingNoPass.result.move);

    // Flags 3: no pass and no square that turns nothing.
    const MoveAnswer cannotFlip = search("rv1m 0 0 2 3 " + kOnlyPlayerZero);
    EXPECT_EQ(cannotFlip.result.move, kNoMove);
    EXPECT_EQ(cannotFlip.result.nodes, 1u);
    EXPECT_FALSE(cannotFlip.result.rootRule);
    // Flags 0 takes a square that turns nothing: square 18, the first
    // neighbour of the discs, weighs as much as any other there.
    const MoveAnswer quiet = search("rv1m 0 0 1 0 " + kOnlyPlayerZero);
    EXPECT_EQ(quiet.result.move, 18);
    // Flags 1 turns the opening's discs only on the four usual squares.
    EXPECT_EQ(search("rv1m 0 0 1 1 " + kOpening).result.nodes, 5u);
}

TEST_P(SearchRules, EveryRootMoveScoringNoMoveYetAnswersTheFirstSearched)
{
    // Two cells left (columns 1 and 4), searched deeper than the empty cells:
    // after both drops the full board gives "no move yet" two plies down.
    const std::string twoLeft = withCells(kFullNoFour, {36, 39}, '0');
    const MoveAnswer deep = search("cn4m 0 0 3 " + twoLeft);
    EXPECT_EQ(deep.result.score, kNoMoveYet);
    EXPECT_TRUE(deep.result.rootRule);
    EXPECT_EQ(deep.result.move, 1);
    const MoveAnswer shallow = search("cn4m 0 0 2 " + twoLeft);
    EXPECT_FALSE(shallow.result.rootRule);
    EXPECT_NE(shallow.result.move, kNoMove);

    // The disc-flipping game: one square left, which turns nothing; the
    // opponent then has no candidate, which is the best a move can do.
    const std::string oneLeft = std::string(63, '2') + "0";
    const MoveAnswer last = search("rv1m 0 0 2 0 " + oneLeft);
    EXPECT_EQ(last.result.move, 63);
    EXPECT_FALSE(last.result.rootRule);
    // Two squares left: whichever the root takes, the opponent takes the
    // other and the root's side is left without a candidate.
    const std::string twoSquaresLeft = std::string(62, '2') + "00";
    const MoveAnswer both = search("rv1m 0 0 3 0 " + twoSquaresLeft);
    EXPECT_EQ(both.result.score, kNoMoveYet);
    EXPECT_TRUE(both.result.rootRule);
    EXPECT_EQ(both.result.move, 62);
    EXPECT_FALSE(search("rv1m 0 0 2 0 " + twoSquaresLeft).result.rootRule);
}

TEST_P(SearchRules, DepthsBeyondTheBoundAreSearchedAtTheBound)
{
    const std::string twoLeft = withCells(kFullNoFour, {36, 39}, '0');
    const MoveAnswer huge = search("cn4m 0 0 2147483647 " + twoLeft);
    const MoveAnswer three = search("cn4m 0 0 3 " + twoLeft);
    EXPECT_EQ(huge.result.move, three.result.move);
    EXPECT_EQ(huge.result.nodes, three.result.nodes);
    // A chain of passes as deep as the bound, without running out of stack.
    const MoveAnswer passes = search("rv1m 0 0 999999999 2 " + std::string(64, '1'));
    EXPECT_EQ(passes.result.move, kNoMove);
    EXPECT_EQ(passes.result.nodes, static_cast<std::uint64_t>(kMaxSearchDepth) + 1);
    EXPECT_EQ(passes.result.score, 82);
}

TEST_P(SearchRules, TheStopFlagEndsTheSearchAtTheNextCheck)
{
    const std::atomic<bool> stop{true};
    for (const std::string& message : {"cn4m 0 0 12 " + std::string(42, '0'), "rv1m 1 0 9 2 " + kOpening}) {
        const MoveAnswer stopped = search(message, &stop);
        EXPECT_TRUE(stopped.result.stopped) << message;
        EXPECT_EQ(stopped.result.nodes, kStopCheckInterval) << message;
    }
    const std::atomic<bool> go{false};
    const MoveAnswer finished = search("cn4m 0 0 7 " + std::string(42, '0'), &go);
    EXPECT_FALSE(finished.result.stopped);
    EXPECT_GT(finished.result.nodes, kStopCheckInterval);
}

TEST_P(SearchRules, OddCellsAndPlayersAreSearchedByThePlainRules)
{
    // '3' and '4' cells are nobody's discs but fill their column like them.
    const std::string blocked = withCells(withCells(std::string(42, '0'), {0, 14, 28}, '3'), {7, 21, 35}, '4');
    const MoveAnswer a = search("cn4m 0 0 1 " + blocked);
    EXPECT_EQ(a.result.move, 1);
    EXPECT_FALSE(a.usedBitboards);
    // Player 2 drops discs of value 2; its opponent is -1, the empty value.
    const MoveAnswer odd = search("cn4m 2 0 2 " + std::string(42, '0'));
    EXPECT_FALSE(odd.usedBitboards);
    EXPECT_EQ(odd.result.move, 0);
    EXPECT_EQ(search("cn4m 0 0 2 " + std::string(42, '0')).usedBitboards, GetParam() == SearchEngine::Client);
}

INSTANTIATE_TEST_SUITE_P(BothSearches, SearchRules, ::testing::Values(SearchEngine::Reference, SearchEngine::Client),
                         [](const auto& info) { return info.param == SearchEngine::Client ? "Client" : "Plain"; });

TEST(Evaluations, RunScoresAndSquareWeightsMatchThePlainCounts)
{
    ConnectFourCells board;
    board.fill(kEmpty);
    EXPECT_EQ(connectFourEvaluation(board.data(), 0), 0);
    board[0] = 0;
    EXPECT_EQ(connectFourEvaluation(board.data(), 0), 4);
    EXPECT_EQ(connectFourEvaluation(board.data(), 1), -4);
    board[1] = board[2] = board[3] = 0; // four along row 0
    // Runs to the right of 4, 3, 2 and 1, and 1 in the other directions.
    EXPECT_EQ(connectFourEvaluation(board.data(), 0), 10000 + 250 + 10 + 1 + 12);
    EXPECT_EQ(connectFourRunScore(connectFourBits(board, 0)), 10000 + 250 + 10 + 1 + 12);
    board[4] = 0; // five: the first two both score as four
    EXPECT_EQ(connectFourEvaluation(board.data(), 0), 2 * 10000 + 250 + 10 + 1 + 15);
    EXPECT_EQ(connectFourRunScore(connectFourBits(board, 0)), 2 * 10000 + 250 + 10 + 1 + 15);
    EXPECT_TRUE(connectFourHasFour(board.data()));
    EXPECT_TRUE(connectFourBitsHaveFour(connectFourBits(board, 0)));

    // Up-left diagonal from column 6 row 0 to column 3 row 3, against the
    // board's right edge.
    board.fill(kEmpty);
    for (int k = 0; k < 4; ++k) board[k * kConnectFourColumns + 6 - k] = 1;
    EXPECT_EQ(connectFourEvaluation(board.data(), 1), connectFourRunScore(connectFourBits(board, 1)));
    EXPECT_TRUE(connectFourBitsHaveFour(connectFourBits(board, 1)));
    // Runs never wrap from the top of one column to the next.
    board.fill(kEmpty);
    board[4 * 7 + 0] = board[5 * 7 + 0] = board[0 * 7 + 1] = board[1 * 7 + 1] = 0;
    EXPECT_FALSE(connectFourBitsHaveFour(connectFourBits(board, 0)));
    EXPECT_EQ(connectFourEvaluation(board.data(), 0), connectFourRunScore(connectFourBits(board, 0)));

    EXPECT_EQ(reversiSquareWeight(0), 5);
    EXPECT_EQ(reversiSquareWeight(7), 2);
    EXPECT_EQ(reversiSquareWeight(56), 2);
    EXPECT_EQ(reversiSquareWeight(9), 1);
    EXPECT_EQ(reversiSquareWeight(63), 1);
    int total = 0;
    for (int square = 0; square < kReversiCells; ++square) total += reversiSquareWeight(square);
    EXPECT_EQ(total, 82);
}

TEST(Evaluations, FlipsFollowLinesToTheMoversDiscOnly)
{
    // Row 0: mover at 0, opponent at 1 and 2, then the square 3 takes them;
    // at the edge (square 7 with opponents to 5) nothing is closed.
    const std::uint64_t mover = 1;
    const std::uint64_t opponent = (1u << 1) | (1u << 2) | (1u << 5) | (1u << 6);
    EXPECT_EQ(reversiFlips(mover, opponent, 3), (1u << 1) | (1u << 2));
    EXPECT_EQ(reversiFlips(mover, opponent, 7), 0u);
    // A line must not wrap from the end of one row to the next.
    EXPECT_EQ(reversiFlips(std::uint64_t{1} << 6, std::uint64_t{1} << 7, 8), 0u);
    EXPECT_EQ(reversiFlips(std::uint64_t{1} << 8, std::uint64_t{1} << 7, 6), 0u);
}

} // namespace
} // namespace solvers
