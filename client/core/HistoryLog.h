// The daily history log: when the player asks for it ("log.on"), a copy of
// every history message in a file named after the day the log was opened,
// "YYYY-MM-DD.log" in the folder "log.dir", appended to across runs.
#pragma once

#include <string>

// A local calendar date and time.
struct LocalDateTime {
    int year = 1970;
    int month = 1;   // 1 to 12
    int day = 1;     // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The current local date and time of the system clock.
LocalDateTime localNow();

// Closes the history log if open and opens the file of the given day for
// appending (an empty "log.dir" is first set to the per-user data folder),
// then writes "Log started on DD.MM.YYYY hh:mm:ss". When the file cannot be
// opened, shows the "errorlogcreation" box (titled "error") through the
// front-end and leaves the log closed. True when the log is open.
bool openHistoryLog(const LocalDateTime& now);
bool openHistoryLog();

// Closes the history log if it is open.
void closeHistoryLog();

bool isHistoryLogOpen();

// Writes the message in UTF-8 and a line break, flushed, when the log is
// open and no earlier write has failed.
void writeHistoryLog(const std::wstring& text);

// The file name of the day's log inside the folder.
std::string historyLogPath(const std::string& folder, const LocalDateTime& date);
