// The diagnostic log file, shared by every thread under one lock.
#include "client/core/DebugLog.h"

#include <chrono>
#include <mutex>

#include "common/file.h"

namespace {

std::timed_mutex logLock;
common::FilePtr logFile;

} // namespace

bool openDebugLog(const std::string& utf8Path)
{
    std::lock_guard<std::timed_mutex> guard(logLock);
    logFile = common::openFile(utf8Path, "wb");
    return logFile != nullptr;
}

void closeDebugLog()
{
    std::lock_guard<std::timed_mutex> guard(logLock);
    logFile.reset();
}

bool isDebugLogOpen()
{
    std::lock_guard<std::timed_mutex> guard(logLock);
    return logFile != nullptr;
}

namespace {

void writeLine(std::string_view line)
{
    if (!logFile) return;
    std::fwrite(line.data(), 1, line.size(), logFile.get());
    std::fwrite("\r\n", 1, 2, logFile.get());
    std::fflush(logFile.get());
}

} // namespace

void debugLog(std::string_view line)
{
    std::lock_guard<std::timed_mutex> guard(logLock);
    writeLine(line);
}

void debugLogWhileCrashing(std::string_view line)
{
    // The crashing thread may hold the lock itself: after a short wait the
    // line is written anyway, since the process ends right after.
    const bool locked = logLock.try_lock_for(std::chrono::milliseconds(500));
    writeLine(line);
    if (locked) logLock.unlock();
}
