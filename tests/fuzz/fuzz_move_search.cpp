// libFuzzer target: whole "cn4m"/"rv1m" messages through the reader and both
// searches, which must agree on move, score and node count.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "client/solvers/MoveSearch.h"

namespace {

// Deep searches are the server's right but a fuzzer's waste of time: the
// comparison runs at bounded depths, the whole-message path with the stop
// flag raised.
constexpr int kDeepestConnectFour = 6;
constexpr int kDeepestReversi = 4;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string message(reinterpret_cast<const char*>(data), size);
    // The first byte picks the command unless the input names one itself.
    if (!message.starts_with("cn4m ") && !message.starts_with("rv1m ") && !message.empty()) {
        message = ((message[0] & 1) ? "rv1m " : "cn4m ") + message.substr(1);
    }

    static const std::atomic<bool> quitting{true};
    const std::string reply = solvers::moveSearchReply(message, &quitting);
    if (!reply.empty() && !reply.starts_with("inbx 28\x7F")) std::abort();

    solvers::MoveRequest request;
    if (!solvers::parseMoveRequest(message, request)) return 0;
    const int deepest = request.game == solvers::BoardGame::ConnectFour ? kDeepestConnectFour : kDeepestReversi;
    if (request.depth > deepest) request.depth = deepest;
    const solvers::MoveAnswer plain = solvers::searchMove(request, solvers::SearchEngine::Reference);
    const solvers::MoveAnswer client = solvers::searchMove(request, solvers::SearchEngine::Client);
    if (plain.result.move != client.result.move || plain.result.score != client.result.score ||
        plain.result.nodes != client.result.nodes || plain.result.rootRule != client.result.rootRule) {
        std::fprintf(stderr, "searches differ: move %d/%d score %d/%d nodes %llu/%llu\n", plain.result.move,
                     client.result.move, plain.result.score, client.result.score,
                     static_cast<unsigned long long>(plain.result.nodes),
                     static_cast<unsigned long long>(client.result.nodes));
        std::abort();
    }
    return 0;
}
