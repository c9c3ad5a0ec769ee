// orvsolve: answers "cn4m" and "rv1m" server messages as the client would,
// for checking positions by hand and comparing the two searches.
//
//   orvsolve [--literal] [--stats] [MESSAGE...]
//
// Messages come as arguments or, without any, one per line on standard input.
// Each answer is printed as the headless client shows what it sends (the byte
// 0x7F as \x7f); a line that is no move search prints "not a move search".
// --literal searches with the plain search instead of the client's; --stats
// adds the node count, the time and the search that ran.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "client/solvers/MoveSearch.h"
#include "common/printable.h"

namespace {

void answer(const std::string& message, solvers::SearchEngine engine, bool stats)
{
    solvers::MoveRequest request;
    if (!solvers::parseMoveRequest(message, request)) {
        std::printf("not a move search\n");
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    const solvers::MoveAnswer a = solvers::searchMove(request, engine);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string line = common::printable(solvers::moveReply(a.result.move));
    if (stats) {
        char figures[160];
        std::snprintf(figures, sizeof figures, "  nodes %llu  %.6f s  %s%s",
                      static_cast<unsigned long long>(a.result.nodes), seconds,
                      !a.searched ? "not searched (short board)" : a.usedBitboards ? "bitboards" : "plain",
                      a.result.rootRule ? "  first move searched" : "");
        line += figures;
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    solvers::SearchEngine engine = solvers::SearchEngine::Client;
    bool stats = false;
    std::vector<std::string> messages;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--literal") == 0) engine = solvers::SearchEngine::Reference;
        else if (std::strcmp(argv[i], "--stats") == 0) stats = true;
        else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: orvsolve [--literal] [--stats] [MESSAGE...]\n");
            return 0;
        } else messages.push_back(argv[i]);
    }
    if (!messages.empty()) {
        for (const std::string& m : messages) answer(m, engine, stats);
        return 0;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        answer(line, engine, stats);
    }
    return 0;
}
