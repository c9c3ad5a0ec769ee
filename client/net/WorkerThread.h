// The worker thread: runs posted closures one at a time (input boxes,
// asynchronous message boxes, move searches), so that the connection thread
// keeps reading while a modal box is open. A second submission waits until
// the running task has returned.
#pragma once

#include <functional>
#include <thread>

#include "client/net/Semaphore.h"

class WorkerThread {
public:
    WorkerThread();
    // Lets the running task finish, then ends the thread.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Waits without limit for the slot, stores the closure and wakes the
    // thread. Must not be called from the worker thread itself.
    void submitTask(std::function<void()> task);

    // Whether the caller runs on this worker thread.
    bool isWorkerThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void loop();

    Semaphore slotFree_{1, 1};
    Semaphore taskReady_{0, 1};
    std::function<void()> slot_;
    bool stopping_ = false;
    std::thread thread_;
};

// The process-wide worker thread, created on first use.
WorkerThread& worker();
void submitTask(std::function<void()> task);
