// Pulling blocks at the pace of a clock, into a WAV file or nowhere.
#include "platform/audio/output/ClockedOutput.h"

#include <algorithm>

#include "platform/audio/core/Mixer.h"
#include "platform/audio/core/WavFile.h"

namespace audio {

ClockedOutput::ClockedOutput(std::string path, int rate, int blockFrames, Clock clock, Sleep sleep)
    : path_(std::move(path)), rate_(rate > 0 ? rate : 44100), blockFrames_(std::max(1, blockFrames)),
      clock_(clock ? std::move(clock) : Clock([] { return std::chrono::steady_clock::now(); })),
      sleep_(sleep ? std::move(sleep) : Sleep([](std::chrono::microseconds d) { std::this_thread::sleep_for(d); })),
      block_(static_cast<std::size_t>(blockFrames_) * 2)
{
}

std::unique_ptr<ClockedOutput> ClockedOutput::pacedByCaller(std::string path, int rate)
{
    auto output = std::make_unique<ClockedOutput>(std::move(path), rate);
    output->byCaller_ = true;
    return output;
}

ClockedOutput::~ClockedOutput() { stop(); }

bool ClockedOutput::start(Mixer& mixer)
{
    stop();
    if (!path_.empty()) {
        file_ = common::openFile(path_, "wb");
        if (!file_) return false;
        writeHeader();
    }
    mixer_ = &mixer;
    frames_ = 0;
    started_ = clock_();
    stopping_ = false;
    if (!byCaller_) thread_ = std::thread([this] { run(); });
    return true;
}

void ClockedOutput::stop()
{
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    if (file_) {
        writeHeader();
        file_.reset();
    }
    mixer_ = nullptr;
}

void ClockedOutput::run()
{
    const auto blockTime = std::chrono::microseconds(static_cast<std::int64_t>(blockFrames_) * 1000000 / rate_);
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            if (stopping_) return;
        }
        catchUp();
        // Half a block at a time: the pace stays within half a block.
        sleep_(blockTime / 2);
    }
}

void ClockedOutput::catchUp()
{
    if (!mixer_) return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(clock_() - started_).count();
    const std::uint64_t due = static_cast<std::uint64_t>(std::max<std::int64_t>(0, elapsed)) * static_cast<std::uint64_t>(rate_) / 1000000;
    while (frames_ + static_cast<std::uint64_t>(blockFrames_) <= due) {
        mixer_->render(block_.data(), static_cast<std::size_t>(blockFrames_));
        frames_ += static_cast<std::uint64_t>(blockFrames_);
        // Float frames as they are: the file's format on every machine we
        // build for (little-endian IEEE).
        if (file_) std::fwrite(block_.data(), sizeof(float), block_.size(), file_.get());
    }
}

std::size_t ClockedOutput::pullNow(float* out, std::size_t frames)
{
    if (!byCaller_ || !mixer_) return 0;
    for (std::size_t done = 0; done < frames;) {
        const std::size_t n = std::min<std::size_t>(frames - done, static_cast<std::size_t>(blockFrames_));
        mixer_->render(block_.data(), n);
        frames_ += n;
        if (file_) std::fwrite(block_.data(), sizeof(float), n * 2, file_.get());
        if (out) std::copy(block_.begin(), block_.begin() + static_cast<std::ptrdiff_t>(n * 2), out + done * 2);
        done += n;
    }
    return frames;
}

void ClockedOutput::writeHeader()
{
    // The header of a float WAV file of what was written so far; the data
    // follows it.
    const auto header = wavBytes(nullptr, 0, 2, rate_, true);
    std::vector<std::uint8_t> bytes(header.begin(), header.begin() + 44);
    const std::uint64_t dataBytes = std::min<std::uint64_t>(frames_ * 8, 0xFFFFFFFFu - 36);
    const auto put32 = [&](std::size_t at, std::uint64_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(4, 36 + dataBytes);
    put32(40, dataBytes);
    const long at = std::ftell(file_.get());
    std::fseek(file_.get(), 0, SEEK_SET);
    std::fwrite(bytes.data(), 1, bytes.size(), file_.get());
    std::fflush(file_.get());
    if (at > 44) std::fseek(file_.get(), at, SEEK_SET);
}

} // namespace audio
