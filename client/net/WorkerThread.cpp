// The worker thread and its one task slot.
#include "client/net/WorkerThread.h"

#include <cstdio>
#include <exception>

WorkerThread::WorkerThread() : thread_([this] { loop(); }) {}

WorkerThread::~WorkerThread()
{
    slotFree_.acquire();
    stopping_ = true;
    taskReady_.release();
    thread_.join();
}

void WorkerThread::submitTask(std::function<void()> task)
{
    slotFree_.acquire();
    slot_ = std::move(task);
    taskReady_.release();
}

void WorkerThread::loop()
{
    for (;;) {
        taskReady_.acquire();
        if (stopping_) return;
        if (slot_) {
            try {
                slot_();
            } catch (const std::exception& e) {
                // A failing task must not take the worker (and every later
                // box) down with it.
                std::fprintf(stderr, "worker task failed: %s\n", e.what());
            }
        }
        slot_ = nullptr;
        slotFree_.release();
    }
}

WorkerThread& worker()
{
    // Never destroyed: the process-wide worker ends with the process, even
    // in the middle of a box nobody answered, instead of holding up its exit.
    static WorkerThread* thread = new WorkerThread;
    return *thread;
}

void submitTask(std::function<void()> task) { worker().submitTask(std::move(task)); }
