// The headless front-end's message loop, boxes and record.
#include "client/ui/headless/HeadlessFrontEnd.h"

#include <cstdio>

#include "common/numbers.h"
#include "common/utf8.h"

HeadlessFrontEnd::HeadlessFrontEnd() : guiThread_(std::this_thread::get_id()) {}

void HeadlessFrontEnd::runInEDT(const std::function<void()>& work)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (std::this_thread::get_id() == guiThread_) {
        lock.unlock();
        work();
        return;
    }
    if (loopEnded_) return;
    Call call{&work};
    calls_.push_back(&call);
    changed_.notify_all();
    changed_.wait(lock, [&] { return call.done; });
}

int HeadlessFrontEnd::runMessageLoop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    guiThread_ = std::this_thread::get_id();
    for (;;) {
        changed_.wait(lock, [&] { return quitPosted_ || !calls_.empty(); });
        if (!calls_.empty()) {
            Call* call = calls_.front();
            calls_.pop_front();
            lock.unlock();
            (*call->work)();
            lock.lock();
            call->done = true;
            changed_.notify_all();
            continue;
        }
        break;
    }
    loopEnded_ = true;
    // Whoever still waits finds the window gone.
    for (Call* call : calls_) call->done = true;
    calls_.clear();
    changed_.notify_all();
    return exitCode_;
}

int HeadlessFrontEnd::messageBox(const std::wstring& text, const std::wstring& title, unsigned style)
{
    record("box", common::wideToUtf8(title) + ": " + common::wideToUtf8(text));
    std::string answer;
    if (nextAnswer(answer)) return common::readLong(answer);
    switch (style & 0xF) {
    case MessageBoxStyle::kAbortRetryIgnore: return MessageBoxAnswer::kAbort;
    case MessageBoxStyle::kYesNoCancel:
    case MessageBoxStyle::kYesNo: return MessageBoxAnswer::kYes;
    case MessageBoxStyle::kRetryCancel: return MessageBoxAnswer::kRetry;
    default: return MessageBoxAnswer::kOk;
    }
}

void HeadlessFrontEnd::postQuit(int exitCode)
{
    record("quit", std::to_string(exitCode));
    std::lock_guard<std::mutex> guard(mutex_);
    if (!quitPosted_) exitCode_ = exitCode;
    quitPosted_ = true;
    changed_.notify_all();
}

void HeadlessFrontEnd::beep(unsigned frequencyHz, unsigned milliseconds)
{
    record("beep", std::to_string(frequencyHz) + " Hz " + std::to_string(milliseconds) + " ms");
}

void HeadlessFrontEnd::openAddress(const std::string& address) { record("open", address); }

void HeadlessFrontEnd::setAnswers(std::deque<std::string> answers)
{
    std::lock_guard<std::mutex> guard(mutex_);
    answers_ = std::move(answers);
}

bool HeadlessFrontEnd::nextAnswer(std::string& answer)
{
    std::lock_guard<std::mutex> guard(mutex_);
    if (answers_.empty()) return false;
    answer = std::move(answers_.front());
    answers_.pop_front();
    return true;
}

void HeadlessFrontEnd::setPrinter(std::function<void(const std::string&)> printer)
{
    std::lock_guard<std::mutex> guard(mutex_);
    printer_ = std::move(printer);
}

std::vector<HeadlessFrontEnd::Event> HeadlessFrontEnd::events() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return events_;
}

void HeadlessFrontEnd::record(const std::string& kind, const std::string& text)
{
    std::function<void(const std::string&)> printer;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        events_.push_back({kind, text});
        printer = printer_;
    }
    if (printer) printer(kind + ": " + text);
}
