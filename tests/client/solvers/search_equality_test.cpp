// The bitboard searches against the plain ones on seeded random positions:
// the same move, score and node count, the root rule taken alike.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "client/solvers/MoveSearch.h"
#include "RandomPositions.h"

namespace solvers {
namespace {

using testing::SeededRandom;

struct Tally {
    int positions = 0;
    int differences = 0;
    int onBitboards = 0;
    int rootRule = 0;
    int lost = 0;
    int noMove = 0;
    std::uint64_t nodes = 0;
    std::map<int, int> byDepth;
    std::map<int, std::uint64_t> nodesByDepth;
    std::map<int, int> byFlags;

    void add(const MoveRequest& request, const MoveAnswer& plain, const MoveAnswer& client)
    {
        ++positions;
        const SearchResult& a = plain.result;
        const SearchResult& b = client.result;
        if (a.move != b.move || a.score != b.score || a.nodes != b.nodes || a.rootRule != b.rootRule) ++differences;
        onBitboards += client.usedBitboards;
        rootRule += a.rootRule;
        lost += a.score == kLost;
        noMove += a.move == kNoMove;
        nodes += a.nodes;
        ++byDepth[request.depth];
        nodesByDepth[request.depth] += a.nodes;
        ++byFlags[request.flags];
    }

    std::string summary(const char* game) const
    {
        std::ostringstream out;
        out << game << ": " << positions << " positions, " << differences << " differences, " << onBitboards
            << " on bitboards, " << rootRule << " by the root rule, " << lost << " four on the board, " << noMove
            << " answered -1, " << nodes << " nodes each; depths";
        for (const auto& [depth, count] : byDepth) out << ' ' << depth << ':' << count << " (" << nodesByDepth.at(depth) << " nodes)";
        out << "; flags";
        for (const auto& [flags, count] : byFlags) out << ' ' << flags << ':' << count;
        return out.str();
    }
};

void compare(const MoveRequest& request, Tally& tally)
{
    const MoveAnswer plain = searchMove(request, SearchEngine::Reference);
    const MoveAnswer client = searchMove(request, SearchEngine::Client);
    const bool same = plain.result.move == client.result.move && plain.result.score == client.result.score &&
                      plain.result.nodes == client.result.nodes && plain.result.rootRule == client.result.rootRule;
    EXPECT_TRUE(same) << "position " << tally.positions << ": move " << plain.result.move << "/" << client.result.move
                      << " score " << plain.result.score << "/" << client.result.score << " nodes "
                      << plain.result.nodes << "/" << client.result.nodes;
    tally.add(request, plain, client);
}

constexpr int kPositionsPerGame = 20000;

// Deeper searches get fuller boards, so that the plain search stays quick
// enough for a test run under the sanitizers.
int connectFourDiscs(SeededRandom& random, int depth)
{
    const int fewest = depth <= 3 ? 0 : depth <= 4 ? 20 : depth <= 6 ? 30 : 35;
    return fewest + random.below(kConnectFourCells + 1 - fewest);
}

// Without flag 1 every square next to a disc is a candidate, so only the
// searches restricted to turning moves start from the opening at depth 4
// and 5.
int reversiDiscs(SeededRandom& random, int depth, int flags)
{
    if (depth <= 2) return 4 + random.below(kReversiCells - 3);
    if (depth == 3) return random.chance(30) ? 4 + random.below(5) : 30 + random.below(35);
    if ((flags & kFlagSkipNoFlip) && random.chance(20)) return 4 + random.below(3);
    return depth == 4 ? 46 + random.below(19) : 52 + random.below(13);
}

TEST(SearchEquality, ConnectFourAgreesOnSeededPositions)
{
    SeededRandom random(0x636E346DULL);
    Tally tally;
    for (int i = 0; i < kPositionsPerGame; ++i) {
        const int depth = 1 + i % 8;
        compare(testing::randomConnectFour(random, connectFourDiscs(random, depth), depth), tally);
    }
    std::printf("%s\n", tally.summary("four-in-a-row").c_str());
    EXPECT_EQ(tally.differences, 0);
    // The run must reach what it is for: positions on both paths, the root
    // rule and fours already on the board.
    EXPECT_GT(tally.onBitboards, kPositionsPerGame / 2);
    EXPECT_LT(tally.onBitboards, kPositionsPerGame);
    EXPECT_GT(tally.rootRule, 0);
    EXPECT_GT(tally.lost, 0);
}

TEST(SearchEquality, ReversiAgreesOnSeededPositions)
{
    SeededRandom random(0x7276316DULL);
    Tally tally;
    for (int i = 0; i < kPositionsPerGame; ++i) {
        const int depth = 1 + i % 5;
        const int flags = (i / 5) % 4;
        compare(testing::randomReversi(random, reversiDiscs(random, depth, flags), depth, flags), tally);
    }
    std::printf("%s\n", tally.summary("disc-flipping").c_str());
    EXPECT_EQ(tally.differences, 0);
    EXPECT_GT(tally.onBitboards, kPositionsPerGame / 2);
    EXPECT_LT(tally.onBitboards, kPositionsPerGame);
    EXPECT_GT(tally.rootRule, 0);
    EXPECT_EQ(tally.byFlags.size(), 4u);
}

} // namespace
} // namespace solvers
