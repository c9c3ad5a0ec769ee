// The connection thread: connects to the selected server, logs in, runs the
// command loop and reconnects after a loss, and reports why it ended.
#pragma once

#include <functional>
#include <string>

#include "client/net/Connection.h"

// Where to connect: the selected server entry with the login values.
void setServerSelector(std::function<ConnectionTarget()> selector);

// Interface strings for the end-of-connection boxes (key -> text).
void setInterfaceStrings(std::function<std::wstring(const std::string&)> translate);

// Connects the process-wide connection to the selected server.
int connectSelectedServer();

// The thread procedure: up to six attempts with growing pauses, then the
// command loop, again after every loss, until running ends or quitting is set.
void doConnect2();

// On the GUI thread: shows why the connection ended, then ends the message
// loop.
void reportConnectionEnd(int result);

// Whether reportConnectionEnd ran, and whether it reported a failure (a
// result other than 0 or a login refused); the headless client's exit status.
bool connectionEndReported();
bool connectionFailed();
