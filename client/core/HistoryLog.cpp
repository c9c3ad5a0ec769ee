// The daily history log file.
#include "client/core/HistoryLog.h"

#include <ctime>
#include <mutex>

#include "client/core/Environment.h"
#include "client/core/Language.h"
#include "client/core/Settings.h"
#include "client/frontend/FrontEnd.h"
#include "common/file.h"
#include "common/format.h"
#include "common/utf8.h"

namespace {

std::mutex logLock;
common::FilePtr logFile;
bool healthy = false;

bool writeLine(std::string_view text)
{
    if (!logFile || !healthy) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), logFile.get()) == text.size()
                    && std::fwrite("\r\n", 1, 2, logFile.get()) == 2 && std::fflush(logFile.get()) == 0;
    healthy = ok;
    return ok;
}

} // namespace

LocalDateTime localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string historyLogPath(const std::string& folder, const LocalDateTime& d)
{
    // Not cut to a fixed buffer: a shortened path would name another file.
    return withTrailingSeparator(folder) + common::formatBounded(32, "%04d-%02d-%02d.log", d.year, d.month, d.day);
}

bool openHistoryLog(const LocalDateTime& now)
{
    std::string path;
    {
        std::lock_guard<std::mutex> guard(logLock);
        logFile.reset();
        healthy = false;
        std::string& folder = settings().logDir;
        if (folder.empty()) folder = environment().userDir;
        path = historyLogPath(folder, now);
        logFile = common::openFile(path, "ab");
        if (logFile) {
            healthy = true;
            writeLine(common::formatBounded(64, "Log started on %02d.%02d.%04d %02d:%02d:%02d", now.day, now.month,
                                            now.year, now.hour, now.minute, now.second));
            return true;
        }
    }
    if (hasFrontEnd()) {
        const std::wstring text = translateFormat(512, "errorlogcreation", common::utf8ToWide(path));
        frontEnd().messageBox(text, translate("error"), MessageBoxStyle::kIconError);
    }
    return false;
}

bool openHistoryLog() { return openHistoryLog(localNow()); }

void closeHistoryLog()
{
    std::lock_guard<std::mutex> guard(logLock);
    logFile.reset();
    healthy = false;
}

bool isHistoryLogOpen()
{
    std::lock_guard<std::mutex> guard(logLock);
    return logFile != nullptr;
}

void writeHistoryLog(const std::wstring& text)
{
    std::lock_guard<std::mutex> guard(logLock);
    writeLine(common::wideToUtf8(text));
}
