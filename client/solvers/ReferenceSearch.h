// The move searches written the plain way: cell arrays, runs scanned cell by
// cell, a board copy per disc-flipping candidate. They define the answer the
// fast searches must reproduce, and the client uses them for positions the
// bitboards cannot hold (players other than 0 and 1, unusual cell values).
#pragma once

#include "client/solvers/SearchTypes.h"

namespace solvers {

class ReferenceSearch {
public:
    explicit ReferenceSearch(StopFlag stop = nullptr) : stop_(stop) {}

    // Root searches with the protocol's window. Depth and player are used as
    // given; the board may hold any cell values.
    SearchResult chooseConnectFourMove(const ConnectFourCells& board, int depth, int player);
    SearchResult chooseReversiMove(const ReversiCells& board, int depth, int player, int flags);

    // Negamax with alpha-beta from the side to move. The board is changed
    // while searching and restored before returning. bestOut, when given,
    // receives the chosen column.
    int connectFourSearch(int* board, int depth, int player, int alpha, int beta, int* bestOut);
    // The same for the disc-flipping game; bestOut receives the square or -1
    // for the pass.
    int reversiSearch(const int* board, int depth, int player, int alpha, int beta, int* bestOut, int flags);

private:
    void countNode();
    SearchResult finish(int score, int bestOut);

    StopFlag stop_;
    std::uint64_t nodes_ = 0;
    bool stopped_ = false;
    // The first root move that was searched, for the case where every root
    // move scored kNoMoveYet; kNoMoveYet until one was.
    int firstSearched_ = kNoMoveYet;
};

// The four-in-a-row evaluation from the side to move (run scans).
int connectFourEvaluation(const int* board, int player);
// Whether some cell starts a run of four equal non-empty cells.
bool connectFourHasFour(const int* board);
// The disc-flipping evaluation from the side to move (square weights).
int reversiEvaluation(const int* board, int player);
// The weight of a disc-flipping square.
int reversiSquareWeight(int square);

} // namespace solvers
