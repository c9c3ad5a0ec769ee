// Reading a "cn4m" or "rv1m" message: the numbers as the C library's "%d"
// reads them, then the board word, converted to cell values.
#pragma once

#include <string_view>

#include "client/solvers/SearchTypes.h"

namespace solvers {

enum class BoardGame { ConnectFour, Reversi };

struct MoveRequest {
    BoardGame game = BoardGame::ConnectFour;
    int player = 0;
    int depth = 0;
    int flags = 0; // disc-flipping only
    // The cells in board order: the first 42 for four-in-a-row, all 64 for
    // the disc-flipping game.
    ReversiCells cells{};
    // false when the board word was shorter than the board; such a request
    // is answered with -1 without a search.
    bool boardComplete = false;

    ConnectFourCells connectFourCells() const;
};

// Reads a whole message, command word included. false when it is neither
// move search. Numbers that are missing or unreadable stay 0, and reading
// stops at the first one that is (so the board is then missing too). Only
// the first 42 or 64 characters of a longer board word are used.
bool parseMoveRequest(std::string_view message, MoveRequest& request);

// The cell value of one board character: characters above '/' count from
// '1' ('0' empty, '1' player 0, '2' player 1); others keep their value as a
// signed char.
int cellFromCharacter(char c);

} // namespace solvers
