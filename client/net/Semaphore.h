// A counting semaphore with a maximum count, over a mutex and a condition
// variable. (The standard library's semaphores hang under MinGW-w64's
// runtime of GCC 12, so the worker thread uses this one.)
#pragma once

#include <condition_variable>
#include <mutex>

class Semaphore {
public:
    Semaphore(int initial, int maximum) : count_(initial), maximum_(maximum) {}

    // Waits until the count is above zero, then takes one.
    void acquire()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return count_ > 0; });
        --count_;
    }

    // Gives one back; a count already at its maximum stays there.
    void release()
    {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (count_ < maximum_) ++count_;
        }
        changed_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_;
    const int maximum_;
};
