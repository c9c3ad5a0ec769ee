// The move searches the client runs: the same trees as ReferenceSearch, walked
// on bitboards. Children come in the same order, alpha and beta move the same
// way and the evaluations are equal, only computed from bit counts; so the
// chosen move, the score and the node count are those of the plain search.
#pragma once

#include <cstdint>

#include "client/solvers/SearchTypes.h"

namespace solvers {

class BitboardSearch {
public:
    explicit BitboardSearch(StopFlag stop = nullptr) : stop_(stop) {}

    // Whether the bitboards can hold the position: player 0 or 1 and only
    // empty cells and the two players' discs.
    static bool canHold(const ConnectFourCells& board, int player);
    static bool canHold(const ReversiCells& board, int player);

    // Root searches with the protocol's window; the position must be one that
    // canHold accepts.
    SearchResult chooseConnectFourMove(const ConnectFourCells& board, int depth, int player);
    SearchResult chooseReversiMove(const ReversiCells& board, int depth, int player, int flags);

    // Four-in-a-row from the side to move. Bit column * 7 + row holds a disc;
    // row 6 of every column stays clear so that runs stop at the top. The
    // opponent's discs must hold a four only if the last move made it; the
    // mover's never do (the root checks both).
    int connectFourSearch(std::uint64_t mover, std::uint64_t opponent, int depth, int alpha, int beta, int* bestOut);
    // The disc-flipping game from the side to move; bit = square index.
    int reversiSearch(std::uint64_t mover, std::uint64_t opponent, int depth, int alpha, int beta, int* bestOut, int flags);

private:
    void countNode()
    {
        ++nodes_;
        if ((nodes_ & (kStopCheckInterval - 1)) == 0 && stop_ && stop_->load(std::memory_order_relaxed)) stopped_ = true;
    }
    void start();
    SearchResult finish(int score, int bestOut);

    StopFlag stop_;
    std::uint64_t nodes_ = 0;
    bool stopped_ = false;
    int firstSearched_ = kNoMoveYet;
};

// The four-in-a-row run-length score of one side's discs (bit layout as
// above), and whether they hold four in a row.
int connectFourRunScore(std::uint64_t discs);
bool connectFourBitsHaveFour(std::uint64_t discs);
// The cells of a side as bits, in the four-in-a-row layout.
std::uint64_t connectFourBits(const ConnectFourCells& board, int side);
// The squares of a side as bits.
std::uint64_t reversiBits(const ReversiCells& board, int side);
// The discs a move on the square turns (none when the square flips nothing).
std::uint64_t reversiFlips(std::uint64_t mover, std::uint64_t opponent, int square);

} // namespace solvers
