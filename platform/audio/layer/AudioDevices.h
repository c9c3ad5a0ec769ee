// The output devices, numbered from 1 as callers count them: 1 is the
// system's default device, 2 … the system's devices by name. Each device
// brought up has its own mixer and output. The current device is per thread;
// a thread that never chose one uses the last one any thread chose.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/core/Mixer.h"
#include "platform/audio/output/AudioOutput.h"

namespace audio {

constexpr unsigned kDeviceEnabled = 1;
constexpr unsigned kDeviceDefault = 2;
constexpr unsigned kDeviceInitialized = 4;

struct DeviceInfo {
    std::string name;
    std::string driver;
    unsigned flags = 0;
};

// Files in place of the system's outputs, from the environment:
// ORVC_AUDIO_OUT=F.wav writes device 1 to F.wav; ORVC_AUDIO_DEVICES="A;B"
// adds devices 2, 3 … named A, B, written to F-2.wav, F-3.wav ….
// ORVC_AUDIO_OFFLINE=1: those outputs (or, without a file, outputs that keep
// nothing) have no clock; the mix advances only when the program asks
// (pump), as fast as it asks and the same way each time.
struct OutputPlan {
    std::string file;
    std::vector<std::string> named;
    bool offline = false;
};
OutputPlan outputPlanFromEnvironment();

class AudioDevices {
public:
    // Makes the output of a device: number, name ("" for the default).
    using OutputFactory = std::function<std::unique_ptr<AudioOutput>(int device, const std::string& name)>;

    // `names`: the devices after the default one.
    AudioDevices(std::vector<std::string> names, OutputFactory make);
    ~AudioDevices();

    // The process's devices: files when the environment names them, else the
    // system's through SDL.
    static AudioDevices& instance();

    // Brings a device up (-1: the default) and makes it the thread's current
    // device. kErrorDevice for a number that is not a device,
    // kErrorAlready when it is up, kErrorDriver when its output fails.
    bool init(int device, int rate);
    // Takes the current device down; its handles are stale from then on.
    bool free();
    bool setDevice(int device);
    // Mixes `frames` frames of the current device on the calling thread when
    // its output is paced by the program (ORVC_AUDIO_OFFLINE), copying them
    // to `out` unless it is null; 0 with kErrorNotAvailable otherwise. Not
    // to be called while another thread frees that device.
    std::size_t pump(float* out, std::size_t frames);
    // The calling thread's device; 0 when none was ever chosen.
    int device() const;
    std::optional<DeviceInfo> info(int device) const;

    // The current device's mixer; null with kErrorInit when it is not up.
    std::shared_ptr<Mixer> currentMixer() const;
    // The mixer of the device a handle belongs to; null with kErrorHandle.
    std::shared_ptr<Mixer> mixerOf(Handle handle) const;

    // Moves a sample or channel to another device that is up, where it goes
    // on as it was (kErrorInit when that device is not up).
    bool moveTo(Handle handle, int device);

    // While the default device runs on a clock for want of a sound card,
    // tries its system output again; true when it now plays through it. A
    // thread of the devices calls it every few seconds meanwhile.
    bool probeDefault();

private:
    struct Device {
        std::string name;
        std::shared_ptr<Mixer> mixer;
        std::unique_ptr<AudioOutput> output;
        bool silent = false; // on a clock, for want of the system's output
    };

    void startProbing();
    void stopProbing();

    mutable std::mutex mutex_;
    std::vector<Device> devices_; // [0] is device 1
    OutputFactory make_;
    std::atomic<Handle> handles_{1};
    std::atomic<int> lastChosen_{0};
    // The thread that looks for a sound card while the default device is
    // silent.
    std::mutex probeMutex_;
    std::condition_variable probeWake_;
    bool probeStopping_ = false;
    std::atomic<bool> probing_{false};
    std::thread probe_;
};

} // namespace audio
