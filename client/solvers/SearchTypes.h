// Values shared by the board-game move searches: the protocol's scores and
// window, the boards as the server's cells, and what a search reports.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace solvers {

// Scores are signed 32-bit; these values are part of the protocol, because
// the server and the other clients expect the move they lead to.
constexpr int kWindowLow = -1000000000;
constexpr int kWindowHigh = 1000000000;
constexpr int kNoMoveYet = -1000000001;
// A four on the board when the side to move would search on.
constexpr int kLost = -999999999;
// The answer when no move was chosen; also the index of the pass.
constexpr int kNoMove = -1;

// Cell values after conversion from the board word.
constexpr int kEmpty = -1;

constexpr int kConnectFourColumns = 7;
constexpr int kConnectFourRows = 6;
constexpr int kConnectFourCells = kConnectFourColumns * kConnectFourRows;
constexpr int kReversiSide = 8;
constexpr int kReversiCells = kReversiSide * kReversiSide;

// Disc-flipping flags: the pass is a candidate; candidates that turn no disc
// are skipped (which takes the pass out again).
constexpr int kFlagSkipNoFlip = 0x1;
constexpr int kFlagAllowPass = 0x2;

// Run-length scores of the four-in-a-row evaluation, by run length 0 ... 4;
// longer runs score as 4.
constexpr std::array<int, 5> kRunScores = {0, 1, 10, 250, 10000};
constexpr int kRunScoreLongest = 4;

// The disc-flipping square weights: the corner square at row 0 column 0, the
// rest of row 0 and of column 0, everything else.
constexpr int kCornerWeight = 5;
constexpr int kEdgeWeight = 2;
constexpr int kInnerWeight = 1;

// The searches look at the quitting flag once per this many nodes (a power
// of two), so that the check costs nothing measurable.
constexpr std::uint64_t kStopCheckInterval = 4096;

// Four-in-a-row fills one cell per ply, and so does the disc-flipping game
// unless the pass is allowed; beyond this depth only pass chains of the
// disc-flipping game would go deeper, and each ply costs a stack frame on
// the worker thread. Deeper requests are searched at this depth.
constexpr int kMaxSearchDepth = 1000;

using ConnectFourCells = std::array<int, kConnectFourCells>;
using ReversiCells = std::array<int, kReversiCells>;

// What one root search gives.
struct SearchResult {
    int move = kNoMove;       // column, square index, or -1 (also the pass)
    int score = 0;            // the value the root call returned
    std::uint64_t nodes = 0;  // calls of the search function, the root included
    bool rootRule = false;    // every searched root move scored kNoMoveYet
    bool stopped = false;     // the stop flag ended it; move and score mean nothing
};

// Optional stop request, read without a lock as the client's quitting flag is.
using StopFlag = const std::atomic<bool>*;

} // namespace solvers
