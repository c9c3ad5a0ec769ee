// The worker thread: one task at a time; a second submission waits until
// the running task has returned.
#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "client/net/WorkerThread.h"

TEST(WorkerThread, SecondSubmissionWaitsForTheRunningTask)
{
    WorkerThread w;
    Semaphore started{0, 1}, release{0, 1};
    std::atomic<int> finished{0};
    w.submitTask([&] {
        started.release();
        release.acquire();
        finished = 1;
    });
    started.acquire();

    std::atomic<bool> secondSubmitted{false};
    std::promise<bool> secondRanOnWorker;
    std::thread submitter([&] {
        w.submitTask([&] { secondRanOnWorker.set_value(w.isWorkerThread()); });
        secondSubmitted = true;
    });
    // The first task holds the slot; the submitter cannot have returned.
    EXPECT_FALSE(secondSubmitted.load());
    EXPECT_EQ(finished.load(), 0);
    release.release();
    submitter.join();
    EXPECT_TRUE(secondSubmitted.load());
    EXPECT_EQ(finished.load(), 1);
    EXPECT_TRUE(secondRanOnWorker.get_future().get());
}

TEST(WorkerThread, EmptyAndFailingTasksDoNotStopTheWorker)
{
    WorkerThread w;
    w.submitTask(nullptr);
    w.submitTask([] { throw std::runtime_error("box failed"); });
    std::promise<int> later;
    w.submitTask([&] { later.set_value(42); });
    EXPECT_EQ(later.get_future().get(), 42);
}
