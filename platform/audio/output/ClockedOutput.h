// An output paced by a clock instead of a sound card: it pulls a block each
// time the clock has passed the block's length, and writes what it pulled to
// a WAV file, or throws it away when there is none. Stands in for a machine
// without a sound card, and lets tests and checkers hear what was played.
// Paced by its caller instead (pullNow), it renders as fast as it is asked
// and always the same way: offline renders of timed calls.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/file.h"
#include "platform/audio/output/AudioOutput.h"

namespace audio {

class ClockedOutput : public AudioOutput {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Sleep = std::function<void(std::chrono::microseconds)>;

    // `path` empty: nothing is written. The clock and the sleep are the
    // system's unless given.
    explicit ClockedOutput(std::string path, int rate = 44100, int blockFrames = 441, Clock clock = {}, Sleep sleep = {});
    // An output without a clock: only pullNow pulls.
    static std::unique_ptr<ClockedOutput> pacedByCaller(std::string path, int rate = 44100);
    ~ClockedOutput() override;

    bool start(Mixer& mixer) override;
    void stop() override;
    int blockFrames() const override { return blockFrames_; }
    std::size_t pullNow(float* out, std::size_t frames) override;

    // Frames pulled so far.
    std::uint64_t frames() const { return frames_; }

private:
    void run();
    // Pulls the blocks the clock has passed.
    void catchUp();
    void writeHeader();

    const std::string path_;
    const int rate_;
    const int blockFrames_;
    bool byCaller_ = false;
    Clock clock_;
    Sleep sleep_;
    Mixer* mixer_ = nullptr;
    common::FilePtr file_;
    std::chrono::steady_clock::time_point started_;
    std::atomic<std::uint64_t> frames_{0};
    std::vector<float> block_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace audio
