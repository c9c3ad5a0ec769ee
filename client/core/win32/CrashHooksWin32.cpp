// The Windows part of the crash handler: structured exceptions that no one
// handles (access violations on threads the C library did not start, stack
// and arithmetic faults) end in the same report.
#include "client/core/CrashHandler.h"

#include <windows.h>

namespace {

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS*)
{
    crashHandler();
}

} // namespace

void installPlatformCrashHooks() { ::SetUnhandledExceptionFilter(onUnhandledException); }
