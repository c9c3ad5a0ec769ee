// The move-search message reader: a small "%d %d %d %s" scanner that reads
// only the bytes it is given.
#include "client/solvers/MoveRequest.h"

#include <algorithm>
#include <cstdint>

namespace solvers {

namespace {

constexpr std::string_view kConnectFourCommand = "cn4m ";
constexpr std::string_view kReversiCommand = "rv1m ";
constexpr char kCellBase = '1';
constexpr char kBelowCellCharacters = '/';

// What sscanf would see: the argument ends at the first NUL byte.
class ScanReader {
public:
    explicit ScanReader(std::string_view text) : text_(text.substr(0, text.find('\0'))) {}

    // "%d": white space, an optional sign, decimal digits (a leading 0 is
    // not octal). Digits beyond the range of int wrap around, as an int
    // accumulated digit by digit does on both platforms' C libraries.
    bool readNumber(int& value)
    {
        skipSpace();
        std::size_t at = pos_;
        bool negative = false;
        if (at < text_.size() && (text_[at] == '+' || text_[at] == '-')) negative = text_[at++] == '-';
        if (at >= text_.size() || !isDigit(text_[at])) return false;
        std::uint32_t magnitude = 0;
        while (at < text_.size() && isDigit(text_[at])) magnitude = magnitude * 10u + static_cast<std::uint32_t>(text_[at++] - '0');
        pos_ = at;
        value = static_cast<int>(negative ? 0u - magnitude : magnitude);
        return true;
    }

    // "%s": white space, then everything up to the next white space.
    bool readWord(std::string_view& word)
    {
        skipSpace();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !isSpace(text_[pos_])) ++pos_;
        word = text_.substr(start, pos_ - start);
        return !word.empty();
    }

private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    // The C locale's white space.
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
    void skipSpace()
    {
        while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

int cellFromCharacter(char c)
{
    const signed char value = static_cast<signed char>(c);
    return value > kBelowCellCharacters ? value - kCellBase : value;
}

ConnectFourCells MoveRequest::connectFourCells() const
{
    ConnectFourCells board{};
    std::copy_n(cells.begin(), kConnectFourCells, board.begin());
    return board;
}

bool parseMoveRequest(std::string_view message, MoveRequest& request)
{
    request = MoveRequest{};
    if (message.starts_with(kConnectFourCommand)) request.game = BoardGame::ConnectFour;
    else if (message.starts_with(kReversiCommand)) request.game = BoardGame::Reversi;
    else return false;

    ScanReader reader(message.substr(kConnectFourCommand.size()));
    int ignored = 0;
    std::string_view board;
    const bool numbersRead = reader.readNumber(request.player) && reader.readNumber(ignored) &&
                             reader.readNumber(request.depth) &&
                             (request.game == BoardGame::ConnectFour || reader.readNumber(request.flags));
    if (!numbersRead || !reader.readWord(board)) return true;

    const std::size_t cellCount = request.game == BoardGame::ConnectFour ? kConnectFourCells : kReversiCells;
    if (board.size() < cellCount) return true;
    for (std::size_t i = 0; i < cellCount; ++i) request.cells[i] = cellFromCharacter(board[i]);
    request.boardComplete = true;
    return true;
}

} // namespace solvers
