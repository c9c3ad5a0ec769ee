// The engine thread: every text of a burst reaches the engine in order, the
// caller never waits for speech, an interruption drops what waits, and the
// answers of calls come before queued speech.
#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/speech/RecordingEngine.h"
#include "platform/speech/Speech.h"
#include "platform/speech/SpeechQueue.h"

namespace {

// What the queue's thread did, in order.
class Trace {
public:
    void add(const std::string& item)
    {
        std::lock_guard<std::mutex> guard(lock_);
        items_.push_back(item);
    }
    std::vector<std::string> items()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return items_;
    }

private:
    std::mutex lock_;
    std::vector<std::string> items_;
};

TEST(SpeechQueue, BurstArrivesWholeAndInOrder)
{
    Trace trace;
    {
        SpeechQueue queue;
        for (int i = 0; i < 10000; ++i) queue.post([&trace, i] { trace.add(std::to_string(i)); });
        // The queue's end drops what waits: wait for a last item behind them.
        std::promise<void> drained;
        queue.post([&drained] { drained.set_value(); });
        drained.get_future().wait();
    }
    const std::vector<std::string> items = trace.items();
    ASSERT_EQ(items.size(), 10000u);
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(items[i], std::to_string(i));
}

TEST(SpeechQueue, PostingNeverWaitsForABlockedEngine)
{
    Trace trace;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> entered;
    SpeechQueue queue;
    queue.post([&] {
        entered.set_value();
        released.wait();
        trace.add("slow");
    });
    entered.get_future().wait();
    // The engine is stuck in the first text; these return all the same.
    for (int i = 0; i < 100; ++i) queue.post([&trace, i] { trace.add(std::to_string(i)); });
    EXPECT_EQ(queue.waiting(), 100u);
    // An interruption drops the hundred that wait.
    queue.post([&trace] { trace.add("interrupting"); }, true);
    EXPECT_EQ(queue.waiting(), 1u);
    release.set_value();
    std::promise<void> drained;
    queue.post([&drained] { drained.set_value(); });
    drained.get_future().wait();
    EXPECT_EQ(trace.items(), (std::vector<std::string>{"slow", "interrupting"}));
}

TEST(SpeechQueue, CallsGoBeforeWaitingSpeechAndEnterAndLeaveFrameTheThread)
{
    Trace trace;
    {
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::promise<void> entered;
        SpeechQueue queue([&trace] { trace.add("enter"); }, [&trace] { trace.add("leave"); });
        queue.post([&] {
            entered.set_value();
            released.wait();
        });
        entered.get_future().wait();
        queue.post([&trace] { trace.add("queued"); });
        std::thread caller([&] { queue.call([&trace] { trace.add("call"); }); });
        // The call waits behind the running work only, not behind "queued".
        while (queue.waiting() != 2) std::this_thread::yield();
        release.set_value();
        caller.join();
        std::promise<void> drained;
        queue.post([&drained] { drained.set_value(); });
        drained.get_future().wait();
        queue.post([&trace] { trace.add("dropped at the end"); });
    }
    const std::vector<std::string> items = trace.items();
    ASSERT_GE(items.size(), 4u);
    EXPECT_EQ(items.front(), "enter");
    EXPECT_EQ(items.back(), "leave");
    EXPECT_EQ(std::vector<std::string>(items.begin() + 1, items.begin() + 3),
              (std::vector<std::string>{"call", "queued"}));
}

TEST(SpeechLayerBurst, TenThousandLinesReachTheRecordingEngineInOrder)
{
    std::vector<std::string> lines;
    std::vector<std::unique_ptr<SpeechEngine>> engines;
    engines.push_back(std::make_unique<RecordingEngine>([&lines](const std::string& l) { lines.push_back(l); },
                                                        RecordingStyle::Log));
    ASSERT_EQ(speechStart(std::move(engines)), kSpeechDone);
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(speechSay(L"line " + std::to_wstring(i), 0), kSpeechDone);
    speechStop();
    ASSERT_EQ(lines.size(), 10000u);
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(lines[i], "say 0 line " + std::to_string(i));
}

} // namespace
