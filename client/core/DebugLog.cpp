// The diagnostic log file, shared by every thread under one lock.
#include "client/core/DebugLog.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "common/file.h"

namespace {

std::mutex logLock;
// The thread inside a write, so that a crash during a write is recognised.
std::atomic<std::thread::id> writer{};
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
    std::lock_guard<std::mutex> guard(logLock);
    writer = std::this_thread::get_id();
    writeLine(line);
    writer = std::thread::id();
}

void debugLogWhileCrashing(std::string_view line)
{
    // A crash inside a write leaves the lock with the crashing thread itself;
    // a write of another thread ends soon. Either way the line is written,
    // since the process ends right after.
    bool locked = false;
    if (writer.load() != std::this_thread::get_id()) {
        for (int tries = 0; tries < 50 && !(locked = logLock.try_lock()); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    writeLine(line);
    if (locked) logLock.unlock();
}
