// Fuzz target: arbitrary bytes from the server after a successful login,
// read as WebSocket frames until the connection ends.
#include <cstddef>
#include <cstdint>

#include "../client/net/ScriptedSocket.h"
#include "client/net/Connection.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Connection connection;
    auto socket = std::make_shared<ScriptedSocket>(upgradeAndOk() + std::string(reinterpret_cast<const char*>(data), size));
    connection.setSocketFactory([socket](bool) { return socket; });
    if (connection.connect("fuzz", 1, false, "a", "b", "en", 0) != 0) return 0;
    std::string message;
    for (int i = 0; i < 10000 && connection.readMessage(message) != 0; ++i) {
    }
    return 0;
}
