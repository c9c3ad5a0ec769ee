// Wiring of the process-wide connection before its thread starts: the
// identity sent at login, the owners of the server's commands, the texts of
// the end-of-connection boxes and where to connect.
#pragma once

#include <functional>

#include "client/net/Connection.h"

class ServerCommandHandler;

// The selected server entry (settings) with the values sent at login.
ConnectionTarget selectedServerTarget();

// Sets the connection up for `handler`. Without a selector the connection
// goes to selectedServerTarget() at each attempt.
void prepareConnection(ServerCommandHandler& handler, std::function<ConnectionTarget()> selector = {});
