// A thread of its own for an engine whose calls may be slow (a COM server,
// a socket to a daemon): texts wait in order and are spoken one after the
// other, the caller never waits for speech, and an interruption drops what
// has not been spoken yet.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class SpeechQueue {
public:
    // enter runs first on the new thread (COM set-up, connecting), leave
    // last, after the queue has been stopped, on the same thread.
    explicit SpeechQueue(std::function<void()> enter = {}, std::function<void()> leave = {});

    // Drops what waits, lets the running work end and joins the thread.
    ~SpeechQueue();

    SpeechQueue(const SpeechQueue&) = delete;
    SpeechQueue& operator=(const SpeechQueue&) = delete;

    // Queues work behind what waits; with dropWaiting, what waits is dropped
    // first. Returns at once.
    void post(std::function<void()> work, bool dropWaiting = false);

    // Runs work on the thread before anything that waits and returns when
    // it has run (values and names, which the caller needs as answers).
    void call(const std::function<void()>& work);

    // Works not started yet: posted ones and calls.
    std::size_t waiting() const;

private:
    void run();

    struct Call {
        const std::function<void()>* work;
        bool done = false;
    };

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<std::function<void()>> posted_;
    std::deque<Call*> calls_;
    bool stopping_ = false;
    std::function<void()> enter_;
    std::function<void()> leave_;
    std::thread thread_;
};
