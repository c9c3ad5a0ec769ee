// Seeded positions for comparing the two searches: played-out and scattered
// boards, near-full ones, fours already standing, odd cell values and odd
// players. The same seed gives the same positions on every platform.
#pragma once

#include <cstdint>

#include "client/solvers/MoveRequest.h"
#include "client/solvers/ReferenceSearch.h"
#include "client/solvers/SearchTypes.h"

namespace solvers::testing {

// splitmix64: small, fast and identical everywhere (the standard library's
// distributions are not).
class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 ... bound - 1.
    int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::uint64_t state_;
};

// A cell value that is neither empty nor a player's disc, as an odd board
// character gives one.
inline int oddCell(SeededRandom& random)
{
    static constexpr char kOdd[] = {'3', '9', 'z', '/', '!', '\x7F', '\x80', '\xFF', '\xFE', ' '};
    return cellFromCharacter(kOdd[random.below(static_cast<int>(sizeof kOdd))]);
}

inline int oddPlayer(SeededRandom& random)
{
    static constexpr int kPlayers[] = {-1, 2, 3, -2, 48};
    return kPlayers[random.below(5)];
}

// Four-in-a-row: discs dropped in turn into random columns, a drop that
// makes four mostly taken back so that one in ten or so boards holds a
// four; or discs scattered without gravity; oddities now and then.
inline MoveRequest randomConnectFour(SeededRandom& random, int discs, int depth)
{
    MoveRequest request;
    request.game = BoardGame::ConnectFour;
    request.boardComplete = true;
    request.cells.fill(kEmpty);
    request.depth = depth;
    int side = random.below(2);
    if (random.chance(85)) {
        const bool keepFours = random.chance(8);
        int placed = 0;
        for (int attempt = 0; placed < discs && attempt < 400; ++attempt) {
            const int column = random.below(kConnectFourColumns);
            for (int row = 0; row < kConnectFourRows; ++row) {
                int& cell = request.cells[row * kConnectFourColumns + column];
                if (cell != kEmpty) continue;
                cell = side;
                if (!keepFours && connectFourHasFour(request.cells.data())) {
                    cell = kEmpty;
                    break;
                }
                side = 1 - side;
                ++placed;
                break;
            }
        }
    } else {
        for (int placed = 0; placed < discs; ++placed) request.cells[random.below(kConnectFourCells)] = random.below(2);
    }
    if (random.chance(4)) request.cells[random.below(kConnectFourCells)] = oddCell(random);
    request.player = random.chance(4) ? oddPlayer(random) : side;
    return request;
}

// A random empty square of the disc-flipping board; -1 when it is full.
inline int randomEmptySquare(SeededRandom& random, const ReversiCells& cells)
{
    int square = random.below(kReversiCells);
    for (int tried = 0; tried < kReversiCells; ++tried, square = (square + 1) % kReversiCells) {
        if (cells[square] == kEmpty) return square;
    }
    return -1;
}

// Disc-flipping: the four middle discs and more on random empty squares from
// both sides (lines of both colours form, so moves turn discs), or the discs
// scattered; oddities now and then. discs counts the discs on the board.
inline MoveRequest randomReversi(SeededRandom& random, int discs, int depth, int flags)
{
    MoveRequest request;
    request.game = BoardGame::Reversi;
    request.boardComplete = true;
    request.cells.fill(kEmpty);
    request.depth = depth;
    request.flags = flags;
    int placed = 0;
    if (random.chance(85)) {
        request.cells[27] = request.cells[36] = 1;
        request.cells[28] = request.cells[35] = 0;
        placed = 4;
    }
    for (; placed < discs; ++placed) {
        const int square = randomEmptySquare(random, request.cells);
        if (square < 0) break;
        request.cells[square] = random.below(2);
    }
    if (random.chance(4)) request.cells[random.below(kReversiCells)] = oddCell(random);
    request.player = random.chance(4) ? oddPlayer(random) : random.below(2);
    return request;
}

} // namespace solvers::testing
