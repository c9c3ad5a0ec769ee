// The engine thread: calls first, then posted speech in order.
#include "platform/speech/SpeechQueue.h"

namespace {

// No engine failure may end the thread: speech after it must still go out.
void runGuarded(const std::function<void()>& work)
{
    try {
        work();
    } catch (...) {
    }
}

} // namespace

SpeechQueue::SpeechQueue(std::function<void()> enter, std::function<void()> leave)
    : enter_(std::move(enter)), leave_(std::move(leave)), thread_([this] { run(); })
{
}

SpeechQueue::~SpeechQueue()
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stopping_ = true;
        posted_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void SpeechQueue::post(std::function<void()> work, bool dropWaiting)
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (dropWaiting) posted_.clear();
        posted_.push_back(std::move(work));
    }
    wake_.notify_one();
}

void SpeechQueue::call(const std::function<void()>& work)
{
    if (std::this_thread::get_id() == thread_.get_id()) {
        work();
        return;
    }
    Call call{&work};
    std::unique_lock<std::mutex> lock(mutex_);
    calls_.push_back(&call);
    wake_.notify_one();
    done_.wait(lock, [&call] { return call.done; });
}

std::size_t SpeechQueue::waiting() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return posted_.size() + calls_.size();
}

void SpeechQueue::run()
{
    if (enter_) runGuarded(enter_);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !calls_.empty() || !posted_.empty(); });
        if (!calls_.empty()) {
            Call* call = calls_.front();
            calls_.pop_front();
            lock.unlock();
            runGuarded(*call->work);
            lock.lock();
            call->done = true;
            done_.notify_all();
            continue;
        }
        if (stopping_) break;
        std::function<void()> work = std::move(posted_.front());
        posted_.pop_front();
        lock.unlock();
        runGuarded(work);
        work = nullptr;
        lock.lock();
    }
    lock.unlock();
    if (leave_) runGuarded(leave_);
}
