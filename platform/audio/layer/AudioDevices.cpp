// Bringing devices up and down, and finding the mixer of a handle.
#include "platform/audio/layer/AudioDevices.h"

#include <cstdlib>

#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/output/ClockedOutput.h"

namespace audio {

namespace {

// Each thread's current device, and the set of devices it is one of. Plain
// values: MinGW's threads can hang at exit on thread-local objects that have
// destructors.
thread_local const AudioDevices* chosenOf = nullptr;
thread_local int chosenDevice = 0;

std::string withoutWav(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

// Nobody hears a device without a sound card, so its clock may tick slowly:
// 100 ms blocks keep an idle client's mixing near no cost at all.
constexpr int kSilentBlockFrames = 4410;

} // namespace

OutputPlan outputPlanFromEnvironment()
{
    OutputPlan plan;
    if (const char* file = std::getenv("ORVC_AUDIO_OUT")) plan.file = file;
    if (const char* offline = std::getenv("ORVC_AUDIO_OFFLINE")) plan.offline = std::string(offline) == "1";
    if (const char* names = std::getenv("ORVC_AUDIO_DEVICES")) {
        std::string list = names;
        for (std::size_t at = 0; at <= list.size();) {
            const std::size_t end = std::min(list.find(';', at), list.size());
            if (end > at) plan.named.push_back(list.substr(at, end - at));
            at = end + 1;
        }
    }
    return plan;
}

AudioDevices::AudioDevices(std::vector<std::string> names, OutputFactory make) : make_(std::move(make))
{
    devices_.push_back(Device{"Default", nullptr, nullptr});
    for (auto& name : names) devices_.push_back(Device{std::move(name), nullptr, nullptr});
}

AudioDevices::~AudioDevices()
{
    stopProbing();
    for (Device& d : devices_) {
        if (d.output) d.output->stop();
    }
}

AudioDevices& AudioDevices::instance()
{
    static AudioDevices devices = [] {
        const OutputPlan plan = outputPlanFromEnvironment();
        if (plan.offline) {
            const std::string stem = withoutWav(plan.file);
            return AudioDevices(plan.named, [plan, stem](int device, const std::string&) -> std::unique_ptr<AudioOutput> {
                if (plan.file.empty()) return ClockedOutput::pacedByCaller("");
                return ClockedOutput::pacedByCaller(device == 1 ? plan.file : stem + "-" + std::to_string(device) + ".wav");
            });
        }
        if (!plan.file.empty()) {
            const std::string stem = withoutWav(plan.file);
            return AudioDevices(plan.named, [plan, stem](int device, const std::string&) -> std::unique_ptr<AudioOutput> {
                return std::make_unique<ClockedOutput>(device == 1 ? plan.file : stem + "-" + std::to_string(device) + ".wav");
            });
        }
        return AudioDevices(systemOutputDevices(), [](int, const std::string& name) { return makeSystemOutput(name); });
    }();
    return devices;
}

bool AudioDevices::init(int device, int rate)
{
    if (device == -1) device = 1;
    std::lock_guard lock(mutex_);
    if (device < 1 || device > static_cast<int>(devices_.size())) return failed(kErrorDevice, false);
    Device& d = devices_[static_cast<std::size_t>(device - 1)];
    if (d.mixer) return failed(kErrorAlready, false);
    auto mixer = std::make_shared<Mixer>(rate > 0 ? rate : 44100, &handles_);
    std::unique_ptr<AudioOutput> output = make_(device, device == 1 ? std::string() : d.name);
    d.silent = false;
    if (!output || !output->start(*mixer)) {
        // The default device never fails for want of a sound card: it runs
        // on a clock, silently.
        if (device != 1) return failed(kErrorDriver, false);
        output = std::make_unique<ClockedOutput>("", rate > 0 ? rate : 44100, kSilentBlockFrames);
        output->start(*mixer);
        d.silent = true;
    }
    if (d.silent) startProbing();
    d.mixer = std::move(mixer);
    d.output = std::move(output);
    chosenOf = this;
    chosenDevice = device;
    lastChosen_ = device;
    setLastError(kErrorOk);
    return true;
}

bool AudioDevices::free()
{
    bool stopsProbing = false;
    std::unique_ptr<AudioOutput> output;
    std::shared_ptr<Mixer> mixer;
    {
        std::lock_guard lock(mutex_);
        const int current = device();
        if (current < 1 || current > static_cast<int>(devices_.size())) return failed(kErrorInit, false);
        Device& d = devices_[static_cast<std::size_t>(current - 1)];
        if (!d.mixer) return failed(kErrorInit, false);
        output = std::move(d.output);
        mixer = std::move(d.mixer);
        stopsProbing = current == 1;
    }
    // Outside the lock: the output's thread may be in a sync that calls us,
    // and the search for a sound card takes it. That search ends with the
    // default device, while the process still runs normally: threads left
    // to the end of a Windows process can die holding a lock, and joining
    // them then never returns.
    if (stopsProbing) stopProbing();
    if (output) output->stop();
    setLastError(kErrorOk);
    return true;
}

bool AudioDevices::setDevice(int device)
{
    std::lock_guard lock(mutex_);
    if (device < 1 || device > static_cast<int>(devices_.size())) return failed(kErrorDevice, false);
    if (!devices_[static_cast<std::size_t>(device - 1)].mixer) return failed(kErrorInit, false);
    chosenOf = this;
    chosenDevice = device;
    lastChosen_ = device;
    setLastError(kErrorOk);
    return true;
}

std::size_t AudioDevices::pump(float* out, std::size_t frames)
{
    AudioOutput* output = nullptr;
    {
        std::lock_guard lock(mutex_);
        const int current = device();
        if (current < 1 || current > static_cast<int>(devices_.size())) return failed(kErrorInit, std::size_t{0});
        output = devices_[static_cast<std::size_t>(current - 1)].output.get();
        if (!output) return failed(kErrorInit, std::size_t{0});
    }
    // Outside the lock: the syncs that the mix runs may call the layer.
    const std::size_t done = output->pullNow(out, frames);
    if (done == 0 && frames > 0) return failed(kErrorNotAvailable, std::size_t{0});
    setLastError(kErrorOk);
    return done;
}

int AudioDevices::device() const
{
    return chosenOf == this ? chosenDevice : lastChosen_.load();
}

std::optional<DeviceInfo> AudioDevices::info(int device) const
{
    std::lock_guard lock(mutex_);
    if (device < 1 || device > static_cast<int>(devices_.size())) return failed(kErrorDevice, std::optional<DeviceInfo>{});
    const Device& d = devices_[static_cast<std::size_t>(device - 1)];
    DeviceInfo out{d.name, d.silent ? "clock" : "", kDeviceEnabled};
    if (device == 1) out.flags |= kDeviceDefault;
    if (d.mixer) out.flags |= kDeviceInitialized;
    return out;
}

std::shared_ptr<Mixer> AudioDevices::currentMixer() const
{
    std::lock_guard lock(mutex_);
    const int current = device();
    if (current >= 1 && current <= static_cast<int>(devices_.size())) {
        if (auto mixer = devices_[static_cast<std::size_t>(current - 1)].mixer) return mixer;
    }
    return failed(kErrorInit, std::shared_ptr<Mixer>{});
}

bool AudioDevices::moveTo(Handle handle, int device)
{
    std::shared_ptr<Mixer> from, to;
    {
        std::lock_guard lock(mutex_);
        if (device < 1 || device > static_cast<int>(devices_.size())) return failed(kErrorDevice, false);
        to = devices_[static_cast<std::size_t>(device - 1)].mixer;
        if (!to) return failed(kErrorInit, false);
        for (const Device& d : devices_) {
            if (d.mixer && d.mixer->knows(handle)) from = d.mixer;
        }
    }
    if (!from) return failed(kErrorHandle, false);
    return from->moveTo(handle, *to);
}

bool AudioDevices::probeDefault()
{
    std::unique_ptr<AudioOutput> clocked;
    {
        std::lock_guard lock(mutex_);
        Device& d = devices_.front();
        if (!d.mixer || !d.silent) return false;
        std::unique_ptr<AudioOutput> output = make_(1, std::string());
        // Both pull from the mixer for a moment; its lock keeps them apart,
        // and the clock stops right after.
        if (!output || !output->start(*d.mixer)) return false;
        clocked = std::move(d.output);
        d.output = std::move(output);
        d.silent = false;
    }
    clocked->stop();
    return true;
}

void AudioDevices::startProbing()
{
    if (probe_.joinable()) {
        if (probing_) return;
        probe_.join();
    }
    probeStopping_ = false;
    probing_ = true;
    probe_ = std::thread([this] {
        std::unique_lock lock(probeMutex_);
        while (!probeStopping_) {
            probeWake_.wait_for(lock, std::chrono::seconds(3));
            if (probeStopping_) break;
            lock.unlock();
            const bool found = probeDefault();
            releaseSystemAudioThreadState();
            lock.lock();
            if (found) break;
        }
        probing_ = false;
    });
}

void AudioDevices::stopProbing()
{
    {
        std::lock_guard lock(probeMutex_);
        probeStopping_ = true;
    }
    probeWake_.notify_all();
    if (probe_.joinable()) probe_.join();
}

std::shared_ptr<Mixer> AudioDevices::mixerOf(Handle handle) const
{
    std::lock_guard lock(mutex_);
    for (const Device& d : devices_) {
        if (d.mixer && d.mixer->knows(handle)) return d.mixer;
    }
    return failed(kErrorHandle, std::shared_ptr<Mixer>{});
}

} // namespace audio
