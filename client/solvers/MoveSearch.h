// The move-search task of the client: a "cn4m" or "rv1m" message in, the
// "inbx 28" reply out.
#pragma once

#include <string>
#include <string_view>

#include "client/solvers/MoveRequest.h"
#include "client/solvers/SearchTypes.h"

namespace solvers {

// The input-box request number the server reads the chosen move from, and
// the size of the buffer the reply is formatted into.
constexpr int kMoveReplyRequest = 28;
constexpr std::size_t kMoveReplyCapacity = 30;

enum class SearchEngine {
    Client,    // bitboards, or the plain search where they cannot hold the position
    Reference, // always the plain search
};

struct MoveAnswer {
    SearchResult result;
    bool searched = false;      // false: incomplete board, answered -1 at once
    bool usedBitboards = false;
};

// Runs the request's search. Depths above kMaxSearchDepth are searched at
// kMaxSearchDepth; the stop flag, when set, ends the search early
// (result.stopped).
MoveAnswer searchMove(const MoveRequest& request, SearchEngine engine, StopFlag stop = nullptr);

// "inbx 28", the byte 0x7F and the move, cut to the reply buffer.
std::string moveReply(int move);

// The whole task: the reply to send for a move-search message, or nothing
// when the message is not one or the stop flag ended the search.
std::string moveSearchReply(std::string_view message, StopFlag stop = nullptr);

} // namespace solvers
