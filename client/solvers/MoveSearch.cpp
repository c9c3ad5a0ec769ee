// The move-search task: picks the search, bounds the depth, formats the reply.
#include "client/solvers/MoveSearch.h"

#include <algorithm>

#include "client/solvers/BitboardSearch.h"
#include "client/solvers/ReferenceSearch.h"
#include "common/format.h"

namespace solvers {

namespace {

template <class Search>
SearchResult run(Search& search, const MoveRequest& request, int depth)
{
    if (request.game == BoardGame::ConnectFour) {
        return search.chooseConnectFourMove(request.connectFourCells(), depth, request.player);
    }
    return search.chooseReversiMove(request.cells, depth, request.player, request.flags);
}

bool bitboardsCanHold(const MoveRequest& request)
{
    return request.game == BoardGame::ConnectFour ? BitboardSearch::canHold(request.connectFourCells(), request.player)
                                                  : BitboardSearch::canHold(request.cells, request.player);
}

} // namespace

MoveAnswer searchMove(const MoveRequest& request, SearchEngine engine, StopFlag stop)
{
    MoveAnswer answer;
    if (!request.boardComplete) return answer;
    answer.searched = true;
    const int depth = std::min(request.depth, kMaxSearchDepth);
    if (engine == SearchEngine::Client && bitboardsCanHold(request)) {
        BitboardSearch search(stop);
        answer.usedBitboards = true;
        answer.result = run(search, request, depth);
    } else {
        ReferenceSearch search(stop);
        answer.result = run(search, request, depth);
    }
    return answer;
}

std::string moveReply(int move)
{
    return common::formatBounded(kMoveReplyCapacity, "inbx %d%c%d", kMoveReplyRequest, '\x7F', move);
}

std::string moveSearchReply(std::string_view message, StopFlag stop)
{
    MoveRequest request;
    if (!parseMoveRequest(message, request)) return {};
    const MoveAnswer answer = searchMove(request, SearchEngine::Client, stop);
    if (answer.result.stopped) return {};
    return moveReply(answer.result.move);
}

} // namespace solvers
