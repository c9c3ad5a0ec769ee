// The diagnostic log "debug.txt": one line per event, written whole under one
// lock and flushed at once, so that the file is complete up to its last line
// even after a crash. Usable from any thread; lines written while no log is
// open are lost, as are lines of a log that could not be opened.
#pragma once

#include <string>
#include <string_view>

#include "common/format.h"

// Creates or empties the log file. False when it cannot be opened (not
// reported: the log then stays closed).
bool openDebugLog(const std::string& utf8Path);

// Closes the log; later lines are lost.
void closeDebugLog();

bool isDebugLogOpen();

// Writes the text and a CR LF line break, and flushes.
void debugLog(std::string_view line);

// For the crash handler: like debugLog, but never waits long for the lock,
// which the crashing thread may be holding.
void debugLogWhileCrashing(std::string_view line);

// Formats the line into a bounded buffer of `capacity` bytes, then writes it.
template <class... Args>
void debugLogf(std::size_t capacity, std::string_view format, const Args&... args)
{
    debugLog(common::formatBounded(capacity, format, args...));
}
