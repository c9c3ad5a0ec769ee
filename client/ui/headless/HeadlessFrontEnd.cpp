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
        const auto ready = [&] {
            return quitPosted_ || !calls_.empty()
                   || (!timers_.empty() && timers_.begin()->first <= std::chrono::steady_clock::now());
        };
        if (timers_.empty()) changed_.wait(lock, ready);
        else changed_.wait_until(lock, timers_.begin()->first, ready);
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
        if (quitPosted_) break;
        if (!timers_.empty() && timers_.begin()->first <= std::chrono::steady_clock::now()) {
            std::function<void()> work = std::move(timers_.begin()->second);
            timers_.erase(timers_.begin());
            lock.unlock();
            work();
            lock.lock();
        }
    }
    loopEnded_ = true;
    timers_.clear();
    // Whoever still waits finds the window gone.
    for (Call* call : calls_) call->done = true;
    calls_.clear();
    changed_.notify_all();
    return exitCode_;
}

namespace {

// The button a box gives without an answer: Cancel for a cancelled box that
// has one (OK for a box with only OK), else its first button.
int unansweredButton(unsigned style, bool cancelled)
{
    const unsigned buttons = style & 0xF;
    if (cancelled && (buttons == MessageBoxStyle::kOkCancel || buttons == MessageBoxStyle::kYesNoCancel
                      || buttons == MessageBoxStyle::kRetryCancel)) {
        return MessageBoxAnswer::kCancel;
    }
    switch (buttons) {
    case MessageBoxStyle::kAbortRetryIgnore: return MessageBoxAnswer::kAbort;
    case MessageBoxStyle::kYesNoCancel:
    case MessageBoxStyle::kYesNo: return MessageBoxAnswer::kYes;
    case MessageBoxStyle::kRetryCancel: return MessageBoxAnswer::kRetry;
    default: return MessageBoxAnswer::kOk;
    }
}

} // namespace

int HeadlessFrontEnd::messageBox(const std::wstring& text, const std::wstring& title, unsigned style)
{
    record("box", common::wideToUtf8(title) + ": " + common::wideToUtf8(text));
    std::string answer;
    if (scriptedAnswer(answer)) return common::readLong(answer);
    return unansweredButton(style, false);
}

int HeadlessFrontEnd::serverMessageBox(const std::wstring& text, const std::wstring& title, unsigned style)
{
    record("box", common::wideToUtf8(title) + ": " + common::wideToUtf8(text));
    const BoxAnswer answer = waitAnswer();
    if (answer.given && !answer.cancelled) return common::readLong(answer.text);
    return unansweredButton(style, answer.cancelled);
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

void HeadlessFrontEnd::runLater(unsigned milliseconds, std::function<void()> work)
{
    std::lock_guard<std::mutex> guard(mutex_);
    if (loopEnded_) return;
    timers_.emplace(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds), std::move(work));
    changed_.notify_all();
}

void HeadlessFrontEnd::setAnswers(std::deque<std::string> answers)
{
    std::lock_guard<std::mutex> guard(mutex_);
    answers_ = std::move(answers);
}

HeadlessFrontEnd::BoxAnswer HeadlessFrontEnd::waitAnswer()
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (!answers_.empty()) {
        BoxAnswer scripted{true, false, std::move(answers_.front())};
        answers_.pop_front();
        return scripted;
    }
    changed_.wait(lock, [&] { return !typed_.empty() || inputEnded_; });
    if (typed_.empty()) return {};
    BoxAnswer typed = std::move(typed_.front());
    typed_.pop_front();
    return typed;
}

bool HeadlessFrontEnd::scriptedAnswer(std::string& answer)
{
    std::lock_guard<std::mutex> guard(mutex_);
    if (answers_.empty()) return false;
    answer = std::move(answers_.front());
    answers_.pop_front();
    return true;
}

bool HeadlessFrontEnd::nextAnswer(std::string& answer)
{
    BoxAnswer a = waitAnswer();
    if (!a.given || a.cancelled) return false;
    answer = std::move(a.text);
    return true;
}

void HeadlessFrontEnd::typeAnswer(BoxAnswer answer)
{
    std::lock_guard<std::mutex> guard(mutex_);
    answer.given = true;
    typed_.push_back(std::move(answer));
    changed_.notify_all();
}

void HeadlessFrontEnd::endInput()
{
    std::lock_guard<std::mutex> guard(mutex_);
    inputEnded_ = true;
    changed_.notify_all();
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
