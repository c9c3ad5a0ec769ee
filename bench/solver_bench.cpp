// solver_bench: the plain and the bitboard move searches on the same fixed,
// seeded positions; nodes, time, nodes per second, the speed ratio, and a
// check that both chose the same move with the same score and node count.
//
//   solver_bench [--quick]     (--quick: a fraction of the positions)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../tests/client/solvers/RandomPositions.h"
#include "client/solvers/BitboardSearch.h"
#include "client/solvers/ReferenceSearch.h"

namespace {

using namespace solvers;
using solvers::testing::SeededRandom;

struct Figures {
    std::uint64_t nodes = 0;
    double seconds = 0;
};

struct Row {
    const char* game;
    int depth;
    int flags;
    int positions;
    Figures plain;
    Figures fast;
    int disagreements = 0;
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

SearchResult timed(Figures& figures, const std::function<SearchResult()>& search)
{
    const auto start = std::chrono::steady_clock::now();
    const SearchResult result = search();
    figures.seconds += secondsSince(start);
    figures.nodes += result.nodes;
    return result;
}

bool same(const SearchResult& a, const SearchResult& b)
{
    return a.move == b.move && a.score == b.score && a.nodes == b.nodes && a.rootRule == b.rootRule;
}

// Positions the bitboards hold, without a four already standing: the
// searches then do their whole work.
MoveRequest connectFourPosition(SeededRandom& random, int depth)
{
    for (;;) {
        MoveRequest r = solvers::testing::randomConnectFour(random, 6 + random.below(12), depth);
        const ConnectFourCells cells = r.connectFourCells();
        if (BitboardSearch::canHold(cells, r.player) && !connectFourHasFour(cells.data())) return r;
    }
}

MoveRequest reversiPosition(SeededRandom& random, int depth, int flags)
{
    for (;;) {
        MoveRequest r = solvers::testing::randomReversi(random, 8 + random.below(16), depth, flags);
        if (BitboardSearch::canHold(r.cells, r.player)) return r;
    }
}

Row connectFourRow(int depth, int positions)
{
    Row row{"four-in-a-row", depth, 0, positions, {}, {}};
    SeededRandom random(0xC04Du + static_cast<unsigned>(depth));
    for (int i = 0; i < positions; ++i) {
        const MoveRequest r = connectFourPosition(random, depth);
        const ConnectFourCells cells = r.connectFourCells();
        const SearchResult a = timed(row.plain, [&] { return ReferenceSearch().chooseConnectFourMove(cells, depth, r.player); });
        const SearchResult b = timed(row.fast, [&] { return BitboardSearch().chooseConnectFourMove(cells, depth, r.player); });
        row.disagreements += !same(a, b);
    }
    return row;
}

Row reversiRow(int depth, int flags, int positions)
{
    Row row{"disc-flipping", depth, flags, positions, {}, {}};
    SeededRandom random(0x4EF1u + static_cast<unsigned>(depth * 4 + flags));
    for (int i = 0; i < positions; ++i) {
        const MoveRequest r = reversiPosition(random, depth, flags);
        const SearchResult a = timed(row.plain, [&] { return ReferenceSearch().chooseReversiMove(r.cells, depth, r.player, flags); });
        const SearchResult b = timed(row.fast, [&] { return BitboardSearch().chooseReversiMove(r.cells, depth, r.player, flags); });
        row.disagreements += !same(a, b);
    }
    return row;
}

double perSecond(const Figures& f) { return f.seconds > 0 ? f.nodes / f.seconds : 0; }

void print(const Row& r)
{
    std::printf("%-14s %5d %5d %9d %12llu %9.3f %9.2f %9.3f %9.2f %7.1fx %s\n", r.game, r.depth, r.flags, r.positions,
                static_cast<unsigned long long>(r.plain.nodes), r.plain.seconds, perSecond(r.plain) / 1e6, r.fast.seconds,
                perSecond(r.fast) / 1e6, r.fast.seconds > 0 ? r.plain.seconds / r.fast.seconds : 0,
                r.disagreements == 0 ? "agree" : "DIFFER");
}

void total(const char* game, const std::vector<Row>& rows)
{
    Row sum{game, 0, 0, 0, {}, {}};
    for (const Row& r : rows) {
        if (std::strcmp(r.game, game) != 0) continue;
        sum.positions += r.positions;
        sum.plain.nodes += r.plain.nodes;
        sum.plain.seconds += r.plain.seconds;
        sum.fast.nodes += r.fast.nodes;
        sum.fast.seconds += r.fast.seconds;
        sum.disagreements += r.disagreements;
    }
    std::printf("%-14s total       %9d %12llu %9.3f %9.2f %9.3f %9.2f %7.1fx %s\n", game, sum.positions,
                static_cast<unsigned long long>(sum.plain.nodes), sum.plain.seconds, perSecond(sum.plain) / 1e6,
                sum.fast.seconds, perSecond(sum.fast) / 1e6, sum.fast.seconds > 0 ? sum.plain.seconds / sum.fast.seconds : 0,
                sum.disagreements == 0 ? "agree" : "DIFFER");
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int scale = quick ? 8 : 1;
    std::vector<Row> rows;
    std::printf("%-14s %5s %5s %9s %12s %9s %9s %9s %9s %8s\n", "game", "depth", "flags", "positions", "nodes",
                "plain s", "plain M/s", "bits s", "bits M/s", "ratio");
    for (const auto& [depth, positions] : {std::pair{6, 400}, std::pair{8, 80}, std::pair{10, 16}}) {
        rows.push_back(connectFourRow(depth, std::max(1, positions / scale)));
        print(rows.back());
    }
    for (int depth = 4; depth <= 6; ++depth) {
        const int positions = depth == 4 ? 160 : depth == 5 ? 40 : 8;
        for (int flags = 0; flags <= 3; ++flags) {
            rows.push_back(reversiRow(depth, flags, std::max(1, positions / scale)));
            print(rows.back());
        }
    }
    total("four-in-a-row", rows);
    total("disc-flipping", rows);
    for (const Row& r : rows) {
        if (r.disagreements) return 1;
    }
    return 0;
}
