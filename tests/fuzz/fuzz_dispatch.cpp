// Fuzz target: the command loop over arbitrary server messages (the input
// split at line feeds, each piece one text message), with owners that do
// nothing and a front-end that answers every box.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "../client/net/ScriptedSocket.h"
#include "client/net/Connection.h"
#include "client/net/WorkerThread.h"
#include "client/ui/headless/HeadlessFrontEnd.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // "Unknown command" lines would drown the fuzzer's own output.
    std::freopen("/dev/null", "w", stdout);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string stream = upgradeAndOk();
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        stream += textFrame(input.substr(start, end - start));
        start = end + 1;
    }
    static HeadlessFrontEnd front;
    setFrontEnd(&front);
    Connection connection;
    auto socket = std::make_shared<ScriptedSocket>(stream);
    connection.setSocketFactory([socket](bool) { return socket; });
    if (connection.connect("fuzz", 1, false, "a", "b", "en", 0) == 0) connection.run();
    // Boxes and move searches still running on the worker refer to this
    // connection: let them end first.
    submitTask([] {});
    return 0;
}
