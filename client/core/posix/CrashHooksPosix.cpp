// The POSIX part of the crash handler: bus errors are faults of memory
// access too.
#include "client/core/CrashHandler.h"

#include <csignal>

namespace {
extern "C" void onBusError(int) { crashHandler(); }
}

void installPlatformCrashHooks() { std::signal(SIGBUS, onBusError); }
