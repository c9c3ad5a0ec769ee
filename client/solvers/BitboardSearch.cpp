// Bitboard forms of the two searches. Every rule of the plain search has its
// counterpart here; the comments say where the bit form needs care to stay
// equal to it.
#include "client/solvers/BitboardSearch.h"

#include <bit>

#include "client/solvers/BitCount.h"

namespace solvers {

namespace {

// Four-in-a-row: seven bits per column, the seventh always clear.
constexpr int kColumnBits = kConnectFourRows + 1;
constexpr std::uint64_t kColumnCells = (std::uint64_t{1} << kConnectFourRows) - 1;

constexpr std::uint64_t columnMask(int column) { return kColumnCells << (column * kColumnBits); }

// Shifts of the run directions: up, right and up-right go to higher bits,
// up-left to lower columns.
constexpr int kUp = 1;
constexpr int kRight = kColumnBits;
constexpr int kUpRight = kColumnBits + 1;
constexpr int kUpLeft = kColumnBits - 1; // towards lower bits

// Cells that start a run of at least two, three and four in one direction
// (positive shifts go to higher bits; the left-going direction mirrors it).
struct Runs {
    std::uint64_t two;
    std::uint64_t three;
    std::uint64_t four;
};

inline Runs runsTowardsHigher(std::uint64_t m, int shift)
{
    const std::uint64_t two = m & (m >> shift);
    return {two, two & (two >> shift), two & (two >> (2 * shift))};
}

inline Runs runsTowardsLower(std::uint64_t m, int shift)
{
    const std::uint64_t two = m & (m << shift);
    return {two, two & (two << shift), two & (two << (2 * shift))};
}

// The run score 0, 1, 10, 250, 10000 by length is 1 per disc plus 9 for a
// run of two or more, 240 more for three and 9750 more for four, summed
// over the four directions from each disc.
constexpr int kPerDisc = kRunScores[1] * 4;
constexpr int kFromTwo = kRunScores[2] - kRunScores[1];
constexpr int kFromThree = kRunScores[3] - kRunScores[2];
constexpr int kFromFour = kRunScores[4] - kRunScores[3];

// Disc-flipping board: bit r * 8 + c.
constexpr std::uint64_t kColumn0 = 0x0101010101010101ULL;
constexpr std::uint64_t kColumn7 = 0x8080808080808080ULL;
constexpr std::uint64_t kRow0 = 0xFFULL;
constexpr std::uint64_t kEdgeSquares = kRow0 | kColumn0; // weight 2, or 5 at the corner
constexpr std::uint64_t kCornerSquare = 1;
constexpr int kWeightTotal = kCornerWeight + kEdgeWeight * 14 + kInnerWeight * 49;
static_assert(kInnerWeight == 1 && kEdgeWeight - kInnerWeight == 1, "the evaluation counts weights as bit counts");

// One step in a direction, with the squares that would wrap to the other
// side of the board dropped.
template <int RowStep, int ColumnStep>
inline std::uint64_t step(std::uint64_t x)
{
    constexpr int delta = RowStep * kReversiSide + ColumnStep;
    std::uint64_t moved = delta > 0 ? x << (delta > 0 ? delta : 0) : x >> (delta < 0 ? -delta : 0);
    if (ColumnStep > 0) moved &= ~kColumn0;
    if (ColumnStep < 0) moved &= ~kColumn7;
    return moved;
}

inline std::uint64_t neighbours(std::uint64_t x)
{
    return step<-1, -1>(x) | step<-1, 0>(x) | step<-1, 1>(x) | step<0, -1>(x) | step<0, 1>(x) | step<1, -1>(x) |
           step<1, 0>(x) | step<1, 1>(x);
}

// The opponent discs turned in one direction: the line over opponent discs
// counts only when a disc of the mover ends it.
template <int RowStep, int ColumnStep>
inline std::uint64_t flipsTowards(std::uint64_t from, std::uint64_t mover, std::uint64_t opponent)
{
    std::uint64_t line = 0;
    std::uint64_t x = step<RowStep, ColumnStep>(from);
    while (x & opponent) {
        line |= x;
        x = step<RowStep, ColumnStep>(x);
    }
    return (x & mover) ? line : 0;
}

inline int reversiEvaluationBits(std::uint64_t mover)
{
    // Each of the mover's squares counts its weight, every other square
    // the negative weight: 2 * (mover's weights) - all weights.
    const int moverWeights = sumOfBytes(byteCounts(mover) + byteCounts(mover & kEdgeSquares)) +
                             (kCornerWeight - kEdgeWeight) * static_cast<int>(mover & kCornerSquare);
    return 2 * moverWeights - kWeightTotal;
}

} // namespace

int connectFourRunScore(std::uint64_t m)
{
    const Runs up = runsTowardsHigher(m, kUp);
    const Runs right = runsTowardsHigher(m, kRight);
    const Runs upRight = runsTowardsHigher(m, kUpRight);
    const Runs upLeft = runsTowardsLower(m, kUpLeft);
    // At most 4 * 42 per sum: below 256 as sumOfBytes needs.
    const int discs = bitCount(m);
    const int twos = sumOfBytes(byteCounts(up.two) + byteCounts(right.two) + byteCounts(upRight.two) + byteCounts(upLeft.two));
    int score = kPerDisc * discs + kFromTwo * twos;
    const std::uint64_t anyThree = up.three | right.three | upRight.three | upLeft.three;
    if (anyThree) {
        const int threes = sumOfBytes(byteCounts(up.three) + byteCounts(right.three) + byteCounts(upRight.three) +
                                      byteCounts(upLeft.three));
        const int fours = sumOfBytes(byteCounts(up.four) + byteCounts(right.four) + byteCounts(upRight.four) +
                                     byteCounts(upLeft.four));
        score += kFromThree * threes + kFromFour * fours;
    }
    return score;
}

bool connectFourBitsHaveFour(std::uint64_t m)
{
    std::uint64_t two = m & (m >> kUp);
    if (two & (two >> (2 * kUp))) return true;
    two = m & (m >> kRight);
    if (two & (two >> (2 * kRight))) return true;
    two = m & (m >> kUpRight);
    if (two & (two >> (2 * kUpRight))) return true;
    two = m & (m << kUpLeft);
    return (two & (two << (2 * kUpLeft))) != 0;
}

std::uint64_t connectFourBits(const ConnectFourCells& board, int side)
{
    std::uint64_t bits = 0;
    for (int row = 0; row < kConnectFourRows; ++row) {
        for (int column = 0; column < kConnectFourColumns; ++column) {
            if (board[row * kConnectFourColumns + column] == side) bits |= std::uint64_t{1} << (column * kColumnBits + row);
        }
    }
    return bits;
}

std::uint64_t reversiBits(const ReversiCells& board, int side)
{
    std::uint64_t bits = 0;
    for (int square = 0; square < kReversiCells; ++square) {
        if (board[square] == side) bits |= std::uint64_t{1} << square;
    }
    return bits;
}

std::uint64_t reversiFlips(std::uint64_t mover, std::uint64_t opponent, int square)
{
    const std::uint64_t from = std::uint64_t{1} << square;
    return flipsTowards<-1, -1>(from, mover, opponent) | flipsTowards<-1, 0>(from, mover, opponent) |
           flipsTowards<-1, 1>(from, mover, opponent) | flipsTowards<0, -1>(from, mover, opponent) |
           flipsTowards<0, 1>(from, mover, opponent) | flipsTowards<1, -1>(from, mover, opponent) |
           flipsTowards<1, 0>(from, mover, opponent) | flipsTowards<1, 1>(from, mover, opponent);
}

namespace {

template <class Cells>
bool holdsOnlyDiscsAndEmpty(const Cells& board, int player)
{
    if (player != 0 && player != 1) return false;
    for (const int cell : board) {
        if (cell != kEmpty && cell != 0 && cell != 1) return false;
    }
    return true;
}

} // namespace

bool BitboardSearch::canHold(const ConnectFourCells& board, int player) { return holdsOnlyDiscsAndEmpty(board, player); }
bool BitboardSearch::canHold(const ReversiCells& board, int player) { return holdsOnlyDiscsAndEmpty(board, player); }

int BitboardSearch::connectFourSearch(std::uint64_t mover, std::uint64_t opponent, int depth, int alpha, int beta, int* bestOut)
{
    countNode();
    if (stopped_) return 0;
    if (depth <= 0) return connectFourRunScore(mover) - connectFourRunScore(opponent);
    if (connectFourBitsHaveFour(opponent)) return kLost;

    int best = kNoMoveYet;
    const std::uint64_t empty = ~(mover | opponent);
    for (int column = 0; column < kConnectFourColumns; ++column) {
        // The lowest empty cell, even below a disc: boards from the server
        // need not obey gravity.
        const std::uint64_t free = empty & columnMask(column);
        if (!free) continue;
        if (bestOut && firstSearched_ == kNoMoveYet) firstSearched_ = column;

        const std::uint64_t disc = free & (0 - free);
        const int score = -connectFourSearch(opponent, mover | disc, depth - 1, -beta, -alpha, nullptr);
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

int BitboardSearch::reversiSearch(std::uint64_t mover, std::uint64_t opponent, int depth, int alpha, int beta, int* bestOut, int flags)
{
    countNode();
    if (stopped_) return 0;
    if (depth <= 0) return reversiEvaluationBits(mover);

    int best = kNoMoveYet;
    const bool skipNoFlip = (flags & kFlagSkipNoFlip) != 0;
    // The pass turns nothing, so skipping such candidates takes it out.
    if ((flags & kFlagAllowPass) && !skipNoFlip) {
        if (bestOut && firstSearched_ == kNoMoveYet) firstSearched_ = kNoMove;
        const int score = -reversiSearch(opponent, mover, depth - 1, -beta, -alpha, nullptr, flags);
        if (stopped_) return 0;
        if (score > best) {
            best = score;
            if (bestOut) *bestOut = kNoMove;
        }
        if (score > alpha) alpha = score;
        if (beta <= alpha) return alpha;
    }

    const std::uint64_t occupied = mover | opponent;
    // Lowest square first, as the plain search counts them.
    for (std::uint64_t candidates = ~occupied & neighbours(occupied); candidates; candidates &= candidates - 1) {
        const std::uint64_t disc = candidates & (0 - candidates);
        const int square = std::countr_zero(candidates);
        const std::uint64_t flips = reversiFlips(mover, opponent, square);
        if (skipNoFlip && !flips) continue;
        if (bestOut && firstSearched_ == kNoMoveYet) firstSearched_ = square;

        const int score = -reversiSearch(opponent & ~flips, mover | disc | flips, depth - 1, -beta, -alpha, nullptr, flags);
        if (stopped_) return 0;

        if (score > best) {
            best = score;
            if (bestOut) *bestOut = square;
        }
        if (score > alpha) alpha = score;
        if (beta <= alpha) return alpha;
    }
    return best;
}

void BitboardSearch::start()
{
    nodes_ = 0;
    stopped_ = false;
    firstSearched_ = kNoMoveYet;
}

SearchResult BitboardSearch::finish(int score, int bestOut)
{
    SearchResult result;
    result.nodes = nodes_;
    result.stopped = stopped_;
    if (stopped_) return result;
    result.score = score;
    result.move = bestOut;
    // As in the plain search: when every root move scored "no move yet",
    // the first one searched is answered rather than none.
    if (score == kNoMoveYet && firstSearched_ != kNoMoveYet) {
        result.move = firstSearched_;
        result.rootRule = true;
    }
    return result;
}

SearchResult BitboardSearch::chooseConnectFourMove(const ConnectFourCells& board, int depth, int player)
{
    start();
    const std::uint64_t mover = connectFourBits(board, player);
    const std::uint64_t opponent = connectFourBits(board, 1 - player);
    int bestOut = kNoMove;
    if (depth > 0 && connectFourBitsHaveFour(mover)) {
        // Below the root only the side that just moved can have made a four;
        // at the root either side may hold one.
        countNode();
        return finish(kLost, bestOut);
    }
    const int score = connectFourSearch(mover, opponent, depth, kWindowLow, kWindowHigh, &bestOut);
    return finish(score, bestOut);
}

SearchResult BitboardSearch::chooseReversiMove(const ReversiCells& board, int depth, int player, int flags)
{
    start();
    int bestOut = kNoMove;
    const int score = reversiSearch(reversiBits(board, player), reversiBits(board, 1 - player), depth, kWindowLow,
                                    kWindowHigh, &bestOut, flags);
    return finish(score, bestOut);
}

} // namespace solvers
