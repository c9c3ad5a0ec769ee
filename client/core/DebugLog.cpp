// The diagnostic log file, shared by every thread under one lock.
#include "client/core/DebugLog.h"

#include <mutex>

#include "common/file.h"

namespace {

std::mutex logLock;
common::FilePtr logFile;

} // namespace

bool openDebugLog(const std::string& utf8Path)
{
    std::lock_guard<std::mutex> guard(logLock);
    logFile = common::openFile(utf8Path, "wb");
    return logFile != nullptr;
}

void closeDebugLog()
{
    std::lock_guard<std::mutex> guard(logLock);
    logFile.reset();
}

bool isDebugLogOpen()
{
    std::lock_guard<std::mutex> guard(logLock);
    return logFile != nullptr;
}

void debugLog(std::string_view line)
{
    std::lock_guard<std::mutex> guard(logLock);
    if (!logFile) return;
    std::fwrite(line.data(), 1, line.size(), logFile.get());
    std::fwrite("\r\n", 1, 2, logFile.get());
    std::fflush(logFile.get());
}
