// The plain searches: every rule spelt out on the cell arrays, kept simple so
// that they can be read against the game's rules line by line.
#include "client/solvers/ReferenceSearch.h"

#include <algorithm>
#include <cstring>

namespace solvers {

namespace {

struct Direction {
    int rowStep;
    int columnStep;
};

// Right, up, up-right, up-left: every run is counted once from its lower or
// left end.
constexpr Direction kRunDirections[] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};

constexpr Direction kNeighbourDirections[] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1}};

bool onConnectFourBoard(int row, int column)
{
    return row >= 0 && row < kConnectFourRows && column >= 0 && column < kConnectFourColumns;
}

bool onReversiBoard(int row, int column) { return row >= 0 && row < kReversiSide && column >= 0 && column < kReversiSide; }

// The number of equal cells from (row, column) on in one direction, the cell
// itself included.
int runLength(const int* board, int row, int column, Direction d)
{
    const int value = board[row * kConnectFourColumns + column];
    int length = 0;
    while (onConnectFourBoard(row, column) && board[row * kConnectFourColumns + column] == value) {
        ++length;
        row += d.rowStep;
        column += d.columnStep;
    }
    return length;
}

int runScore(int length) { return kRunScores[std::min(length, kRunScoreLongest)]; }

bool hasOccupiedNeighbour(const int* board, int square)
{
    const int row = square / kReversiSide;
    const int column = square % kReversiSide;
    for (const Direction d : kNeighbourDirections) {
        const int r = row + d.rowStep;
        const int c = column + d.columnStep;
        if (onReversiBoard(r, c) && board[r * kReversiSide + c] != kEmpty) return true;
    }
    return false;
}

// Puts the player's disc on the square and turns every line of opponent
// discs that ends at one of the player's; returns how many were turned.
int placeDisc(int* board, int square, int player)
{
    const int opponent = 1 - player;
    const int row = square / kReversiSide;
    const int column = square % kReversiSide;
    board[square] = player;
    int turned = 0;
    for (const Direction d : kNeighbourDirections) {
        int r = row + d.rowStep;
        int c = column + d.columnStep;
        int passed = 0;
        while (onReversiBoard(r, c) && board[r * kReversiSide + c] == opponent) {
            ++passed;
            r += d.rowStep;
            c += d.columnStep;
        }
        if (passed == 0 || !onReversiBoard(r, c) || board[r * kReversiSide + c] != player) continue;
        for (int k = 1; k <= passed; ++k) board[(row + k * d.rowStep) * kReversiSide + column + k * d.columnStep] = player;
        turned += passed;
    }
    return turned;
}

} // namespace

int connectFourEvaluation(const int* board, int player)
{
    int total = 0;
    for (int row = 0; row < kConnectFourRows; ++row) {
        for (int column = 0; column < kConnectFourColumns; ++column) {
            const int value = board[row * kConnectFourColumns + column];
            if (value == kEmpty) continue;
            int runs = 0;
            for (const Direction d : kRunDirections) runs += runScore(runLength(board, row, column, d));
            if (value == player) total += runs;
            else if (value == 1 - player) total -= runs;
        }
    }
    return total;
}

bool connectFourHasFour(const int* board)
{
    for (int row = 0; row < kConnectFourRows; ++row) {
        for (int column = 0; column < kConnectFourColumns; ++column) {
            if (board[row * kConnectFourColumns + column] == kEmpty) continue;
            for (const Direction d : kRunDirections) {
                if (runLength(board, row, column, d) >= 4) return true;
            }
        }
    }
    return false;
}

int reversiSquareWeight(int square)
{
    if (square == 0) return kCornerWeight;
    if (square < kReversiSide || square % kReversiSide == 0) return kEdgeWeight;
    return kInnerWeight;
}

int reversiEvaluation(const int* board, int player)
{
    int total = 0;
    for (int square = 0; square < kReversiCells; ++square) {
        total += board[square] == player ? reversiSquareWeight(square) : -reversiSquareWeight(square);
    }
    return total;
}

void ReferenceSearch::countNode()
{
    ++nodes_;
    if ((nodes_ & (kStopCheckInterval - 1)) == 0 && stop_ && stop_->load(std::memory_order_relaxed)) stopped_ = true;
}

int ReferenceSearch::connectFourSearch(int* board, int depth, int player, int alpha, int beta, int* bestOut)
{
    countNode();
    if (stopped_) return 0;
    if (depth <= 0) return connectFourEvaluation(board, player);
    if (connectFourHasFour(board)) return kLost;

    int best = kNoMoveYet;
    for (int column = 0; column < kConnectFourColumns; ++column) {
        int row = 0;
        while (row < kConnectFourRows && board[row * kConnectFourColumns + column] != kEmpty) ++row;
        if (row == kConnectFourRows) continue;
        if (bestOut && firstSearched_ == kNoMoveYet) firstSearched_ = column;

        const int cell = row * kConnectFourColumns + column;
        board[cell] = player;
        const int score = -connectFourSearch(board, depth - 1, 1 - player, -beta, -alpha, nullptr);
        board[cell] = kEmpty;
        if (stopped_) return 0;

        if (score > best) {
            best = score;
            if (bestOut) *bestOut = column;
        }
        if (score > alpha) alpha = score;
        if (beta <= alpha) return alpha;
    }
    return best;
}

int ReferenceSearch::reversiSearch(const int* board, int depth, int player, int alpha, int beta, int* bestOut, int flags)
{
    countNode();
    if (stopped_) return 0;
    if (depth <= 0) return reversiEvaluation(board, player);

    int best = kNoMoveYet;
    const int first = (flags & kFlagAllowPass) ? kNoMove : 0;
    for (int candidate = first; candidate < kReversiCells; ++candidate) {
        if (candidate != kNoMove && (board[candidate] != kEmpty || !hasOccupiedNeighbour(board, candidate))) continue;

        int copy[kReversiCells];
        std::memcpy(copy, board, sizeof copy);
        const int turned = candidate == kNoMove ? 0 : placeDisc(copy, candidate, player);
        if ((flags & kFlagSkipNoFlip) && turned == 0) continue;
        if (bestOut && firstSearched_ == kNoMoveYet) firstSearched_ = candidate;

        const int score = -reversiSearch(copy, depth - 1, 1 - player, -beta, -alpha, nullptr, flags);
        if (stopped_) return 0;

        if (score > best) {
            best = score;
            if (bestOut) *bestOut = candidate;
        }
        if (score > alpha) alpha = score;
        if (beta <= alpha) return alpha;
    }
    return best;
}

SearchResult ReferenceSearch::finish(int score, int bestOut)
{
    SearchResult result;
    result.nodes = nodes_;
    result.stopped = stopped_;
    if (stopped_) return result;
    result.score = score;
    result.move = bestOut;
    // Every root move scored "no move yet" (the opponent could always leave
    // it without a move): the first move searched is still a legal answer,
    // where -1 would tell the server there is none.
    if (score == kNoMoveYet && firstSearched_ != kNoMoveYet) {
        result.move = firstSearched_;
        result.rootRule = true;
    }
    return result;
}

SearchResult ReferenceSearch::chooseConnectFourMove(const ConnectFourCells& board, int depth, int player)
{
    nodes_ = 0;
    stopped_ = false;
    firstSearched_ = kNoMoveYet;
    ConnectFourCells work = board;
    int bestOut = kNoMove;
    const int score = connectFourSearch(work.data(), depth, player, kWindowLow, kWindowHigh, &bestOut);
    return finish(score, bestOut);
}

SearchResult ReferenceSearch::chooseReversiMove(const ReversiCells& board, int depth, int player, int flags)
{
    nodes_ = 0;
    stopped_ = false;
    firstSearched_ = kNoMoveYet;
    int bestOut = kNoMove;
    const int score = reversiSearch(board.data(), depth, player, kWindowLow, kWindowHigh, &bestOut, flags);
    return finish(score, bestOut);
}

} // namespace solvers
