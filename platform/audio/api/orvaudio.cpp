// The C interface over the devices and their mixers.
#include "platform/audio/api/orvaudio.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/file.h"
#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/decode/ByteSources.h"
#include "platform/audio/decode/SoundDecoder.h"
#include "platform/audio/decode/StreamDecoder.h"
#include "platform/audio/layer/AudioDevices.h"
#include "platform/audio/tempo/TempoStream.h"

using namespace audio;

namespace {

AudioDevices& devices() { return AudioDevices::instance(); }

std::shared_ptr<Mixer> mixerOf(OaHandle h) { return devices().mixerOf(h); }

std::uint32_t bytesPerFrame(const Pcm& info) { return static_cast<std::uint32_t>(info.bytesPerFrame()); }

// Information records and settings that live as long as the process.
std::mutex tablesMutex;
std::map<int, DeviceInfo>& infoRecords()
{
    static std::map<int, DeviceInfo> records;
    return records;
}
std::map<std::uint32_t, std::uint32_t>& configValues()
{
    static std::map<std::uint32_t, std::uint32_t> values;
    return values;
}

BiquadParameters fromC(const OaBiquadParameters& p)
{
    BiquadParameters out;
    out.type = p.filter;
    out.center = p.center;
    out.gain = p.gain;
    out.bandwidth = p.bandwidth;
    out.q = p.q;
    out.shelf = p.s;
    out.channels = p.channels;
    return out;
}

Vector3 toVector(const OaVector& v) { return {v.x, v.y, v.z}; }

// A whole sound decoded from memory or from a file (a part of it when offset
// or length say so; length 0 is to the end of the file); null with the
// error code when it cannot be.
std::shared_ptr<const Pcm> decodeFrom(int memory, const void* file, uint64_t offset, uint32_t length)
{
    if (!file) return failed(kErrorIllegalParameter, std::shared_ptr<const Pcm>{});
    Decoded decoded;
    if (memory) {
        if (length == 0) return failed(kErrorIllegalParameter, std::shared_ptr<const Pcm>{});
        decoded = decodeSound(static_cast<const std::uint8_t*>(file) + offset, length);
    } else {
        std::string bytes;
        if (!common::readWholeFile(static_cast<const char*>(file), bytes)) {
            return failed(kErrorFileOpen, std::shared_ptr<const Pcm>{});
        }
        if (offset > bytes.size()) return failed(kErrorFileForm, std::shared_ptr<const Pcm>{});
        const std::size_t available = bytes.size() - static_cast<std::size_t>(offset);
        const std::size_t size = length == 0 ? available : std::min<std::size_t>(length, available);
        decoded = decodeSound(reinterpret_cast<const std::uint8_t*>(bytes.data()) + offset, size);
    }
    if (decoded.error != 0) return failed(decoded.error, std::shared_ptr<const Pcm>{});
    return std::make_shared<Pcm>(std::move(decoded.pcm));
}

// A decoder over memory (the bytes copied, so that the caller may free
// them) or a file, its headers read; null with the error code when the
// bytes are not a sound this layer plays.
std::unique_ptr<StreamDecoder> streamDecoderFrom(int memory, const void* file, uint64_t offset, uint64_t length)
{
    if (!file) return failed(kErrorIllegalParameter, std::unique_ptr<StreamDecoder>{});
    std::unique_ptr<ByteSource> bytes;
    if (memory) {
        if (length == 0 || length > 0x7FFFFFFF) return failed(kErrorIllegalParameter, std::unique_ptr<StreamDecoder>{});
        const auto* start = static_cast<const std::uint8_t*>(file) + offset;
        bytes = memorySource(std::vector<std::uint8_t>(start, start + length));
    } else {
        int error = 0;
        bytes = fileSource(static_cast<const char*>(file), offset, length, error);
        if (!bytes) return failed(error, std::unique_ptr<StreamDecoder>{});
    }
    auto decoder = openStreamDecoder(std::move(bytes));
    // A file's first block is read at once; headers beyond it come from its
    // reader thread within moments.
    for (int waits = 0;; ++waits) {
        const StreamDecoder::Probe p = decoder->probe();
        if (p == StreamDecoder::Probe::Ready) return decoder;
        if (p == StreamDecoder::Probe::Failed || waits == 5000) {
            return failed(p == StreamDecoder::Probe::Failed ? decoder->error() : kErrorFileOpen, std::unique_ptr<StreamDecoder>{});
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

extern "C" {

int oaInit(int device, uint32_t freq, uint32_t)
{
    if (freq > 384000) return failed(kErrorIllegalParameter, 0);
    return devices().init(device, static_cast<int>(freq)) ? 1 : 0;
}

int oaFree(void) { return devices().free() ? 1 : 0; }

int oaErrorGetCode(void) { return lastError(); }

int oaSetDevice(int device) { return devices().setDevice(device) ? 1 : 0; }

int oaGetDevice(void)
{
    const int device = devices().device();
    if (device == 0) return failed(kErrorInit, -1);
    setLastError(kErrorOk);
    return device;
}

int oaGetDeviceInfo(int device, OaDeviceInfo* info)
{
    if (!info) return failed(kErrorIllegalParameter, 0);
    const auto found = devices().info(device);
    if (!found) return 0;
    std::lock_guard lock(tablesMutex);
    // Kept for the process, so that the names handed out stay valid.
    DeviceInfo& kept = infoRecords()[device];
    if (kept.name != found->name) kept.name = found->name;
    if (kept.driver != found->driver) kept.driver = found->driver;
    kept.flags = found->flags;
    info->name = kept.name.c_str();
    info->driver = kept.driver.c_str();
    info->flags = kept.flags;
    setLastError(kErrorOk);
    return 1;
}

int oaChannelSetDevice(OaHandle handle, int device) { return devices().moveTo(handle, device) ? 1 : 0; }

int oaSetConfig(uint32_t option, uint32_t value)
{
    std::lock_guard lock(tablesMutex);
    configValues()[option] = value;
    setLastError(kErrorOk);
    return 1;
}

uint32_t oaGetConfig(uint32_t option)
{
    std::lock_guard lock(tablesMutex);
    const auto it = configValues().find(option);
    if (it == configValues().end()) return failed(kErrorIllegalType, static_cast<uint32_t>(-1));
    setLastError(kErrorOk);
    return it->second;
}

uint32_t oaRender(float* out, uint32_t frames) { return static_cast<uint32_t>(devices().pump(out, frames)); }

OaHandle oaPluginLoad(const char*, uint32_t) { return failed(kErrorFileOpen, OaHandle{0}); }

OaHandle oaSampleLoad(int memory, const void* file, uint64_t offset, uint32_t length, uint32_t max, uint32_t flags)
{
    const std::shared_ptr<Mixer> mixer = devices().currentMixer();
    if (!mixer) return 0;
    if (max == 0 || max > 65535) return failed(kErrorIllegalParameter, OaHandle{0});
    const auto pcm = decodeFrom(memory, file, offset, length);
    if (!pcm) return 0;
    return mixer->loadSample(pcm, static_cast<int>(max), (flags & OA_SAMPLE_3D) != 0);
}

OaHandle oaStreamCreateFile(int memory, const void* file, uint64_t offset, uint64_t length, uint32_t flags)
{
    const std::shared_ptr<Mixer> mixer = devices().currentMixer();
    if (!mixer) return 0;
    auto decoder = streamDecoderFrom(memory, file, offset, length);
    if (!decoder) return 0;
    return mixer->createStream(std::move(decoder), flags & (kStreamLoop | kStream3D | kStreamAutoFree | kStreamDecode));
}

OaHandle oaStreamCreate(uint32_t freq, uint32_t chans, uint32_t flags, OaStreamProc proc, void* user)
{
    const std::shared_ptr<Mixer> mixer = devices().currentMixer();
    if (!mixer) return 0;
    if (!proc || freq == 0 || freq > 384000 || chans < 1 || chans > 2) return failed(kErrorIllegalParameter, OaHandle{0});
    Pcm format;
    format.rate = static_cast<int>(freq);
    format.channels = static_cast<int>(chans);
    format.format = (flags & OA_SAMPLE_FLOAT) ? SampleFormat::Float32
                    : (flags & OA_SAMPLE_8BITS) ? SampleFormat::Int8
                                                : SampleFormat::Int16;
    return mixer->createStream(format, flags & (kStream3D | kStreamAutoFree | kStreamDecode),
                               [proc, user](Handle h, void* buffer, std::uint32_t bytes) { return proc(h, buffer, bytes, user); });
}

int oaStreamFree(OaHandle stream)
{
    const auto mixer = mixerOf(stream);
    return mixer && mixer->freeStream(stream) ? 1 : 0;
}

OaHandle oaTempoCreate(OaHandle source, uint32_t flags)
{
    const auto mixer = mixerOf(source);
    if (!mixer) return 0;
    auto tempo = tempoSource(*mixer, source);
    if (!tempo) return 0;
    return mixer->createStream(std::move(tempo), flags & (kStreamLoop | kStream3D | kStreamAutoFree | kStreamDecode),
                               (flags & OA_FX_FREESOURCE) ? source : 0);
}

int32_t oaChannelGetData(OaHandle stream, void* buffer, uint32_t length)
{
    if (!buffer) return failed(kErrorIllegalParameter, int32_t{-1});
    const auto mixer = mixerOf(stream);
    if (!mixer) return -1;
    const auto info = mixer->info(stream);
    const bool wholeFrames = info && length >= info->bytesPerFrame();
    // Bytes still on their way (a file's reader thread, a download) are
    // waited for here, on the caller's thread and never on the mixing
    // thread: callers read until a call gives nothing.
    for (int waits = 0;; ++waits) {
        const long got = mixer->getData(stream, buffer, std::min<uint32_t>(length, 0x7FFFFFFF));
        if (got != 0 || !wholeFrames || waits == 5000) return static_cast<int32_t>(got);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

OaHandle oaSampleGetChannel(OaHandle sample, int)
{
    const auto mixer = mixerOf(sample);
    return mixer ? mixer->sampleChannel(sample) : 0;
}

int oaSampleStop(OaHandle sample)
{
    const auto mixer = mixerOf(sample);
    return mixer && mixer->stopSample(sample) ? 1 : 0;
}

int oaSampleFree(OaHandle sample)
{
    const auto mixer = mixerOf(sample);
    return mixer && mixer->freeSample(sample) ? 1 : 0;
}

int oaChannelPlay(OaHandle channel, int restart)
{
    const auto mixer = mixerOf(channel);
    return mixer && mixer->play(channel, restart != 0) ? 1 : 0;
}

int oaChannelStop(OaHandle channel)
{
    const auto mixer = mixerOf(channel);
    return mixer && mixer->stop(channel) ? 1 : 0;
}

int oaChannelPause(OaHandle channel)
{
    const auto mixer = mixerOf(channel);
    return mixer && mixer->pause(channel) ? 1 : 0;
}

uint32_t oaChannelIsActive(OaHandle channel)
{
    const auto mixer = mixerOf(channel);
    if (!mixer) return OA_ACTIVE_STOPPED;
    setLastError(kErrorOk);
    return static_cast<uint32_t>(mixer->state(channel));
}

uint32_t oaChannelFlags(OaHandle channel, uint32_t flags, uint32_t mask)
{
    const auto mixer = mixerOf(channel);
    if (!mixer) return static_cast<uint32_t>(-1);
    if (mask & OA_SAMPLE_LOOP) mixer->setLoop(channel, (flags & OA_SAMPLE_LOOP) != 0);
    const auto loop = mixer->loop(channel);
    if (!loop) return static_cast<uint32_t>(-1);
    setLastError(kErrorOk);
    return *loop ? OA_SAMPLE_LOOP : 0;
}

int oaChannelSetAttribute(OaHandle channel, uint32_t attribute, float value)
{
    const auto mixer = mixerOf(channel);
    return mixer && mixer->setAttribute(channel, static_cast<int>(attribute), value) ? 1 : 0;
}

int oaChannelGetAttribute(OaHandle channel, uint32_t attribute, float* value)
{
    if (!value) return failed(kErrorIllegalParameter, 0);
    const auto mixer = mixerOf(channel);
    if (!mixer) return 0;
    const auto got = mixer->attribute(channel, static_cast<int>(attribute));
    if (!got) return 0;
    *value = *got;
    setLastError(kErrorOk);
    return 1;
}

int oaChannelSlideAttribute(OaHandle channel, uint32_t attribute, float value, uint32_t milliseconds)
{
    const auto mixer = mixerOf(channel);
    return mixer && mixer->slideAttribute(channel, static_cast<int>(attribute), value, milliseconds) ? 1 : 0;
}

int oaChannelIsSliding(OaHandle channel, uint32_t attribute)
{
    const auto mixer = mixerOf(channel);
    return mixer && mixer->sliding(channel, static_cast<int>(attribute)) ? 1 : 0;
}

OaHandle oaChannelSetSync(OaHandle channel, uint32_t type, uint64_t, OaSyncProc proc, void* user)
{
    if (!proc) return failed(kErrorIllegalParameter, OaHandle{0});
    const auto mixer = mixerOf(channel);
    if (!mixer) return 0;
    return mixer->setSync(channel, static_cast<int>(type),
                          [proc, user](Handle sync, Handle ch, std::uint32_t data) { proc(sync, ch, data, user); });
}

int oaChannelRemoveSync(OaHandle channel, OaHandle sync)
{
    const auto mixer = mixerOf(channel);
    return mixer && mixer->removeSync(channel, sync) ? 1 : 0;
}

uint64_t oaChannelGetPosition(OaHandle channel, uint32_t mode)
{
    if (mode != 0) return failed(kErrorNotAvailable, static_cast<uint64_t>(-1));
    const auto mixer = mixerOf(channel);
    if (!mixer) return static_cast<uint64_t>(-1);
    const auto position = mixer->position(channel);
    if (!position) return static_cast<uint64_t>(-1);
    setLastError(kErrorOk);
    return *position;
}

int oaChannelSetPosition(OaHandle channel, uint64_t position, uint32_t mode)
{
    if (mode != 0) return failed(kErrorNotAvailable, 0);
    const auto mixer = mixerOf(channel);
    return mixer && mixer->setPosition(channel, position) ? 1 : 0;
}

uint64_t oaChannelGetLength(OaHandle channel, uint32_t mode)
{
    if (mode != 0) return failed(kErrorNotAvailable, static_cast<uint64_t>(-1));
    const auto mixer = mixerOf(channel);
    if (!mixer) return static_cast<uint64_t>(-1);
    const auto length = mixer->length(channel);
    if (!length) return static_cast<uint64_t>(-1);
    setLastError(kErrorOk);
    return *length;
}

uint64_t oaChannelSeconds2Bytes(OaHandle channel, double seconds)
{
    const auto mixer = mixerOf(channel);
    if (!mixer) return static_cast<uint64_t>(-1);
    const auto info = mixer->info(channel);
    if (!info) return static_cast<uint64_t>(-1);
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 1e9) return failed(kErrorIllegalParameter, static_cast<uint64_t>(-1));
    setLastError(kErrorOk);
    return static_cast<uint64_t>(seconds * info->rate) * bytesPerFrame(*info);
}

double oaChannelBytes2Seconds(OaHandle channel, uint64_t bytes)
{
    const auto mixer = mixerOf(channel);
    if (!mixer) return -1;
    const auto info = mixer->info(channel);
    if (!info) return -1;
    setLastError(kErrorOk);
    return static_cast<double>(bytes / bytesPerFrame(*info)) / info->rate;
}

int oaChannelGetInfo(OaHandle channel, OaChannelInfo* out)
{
    if (!out) return failed(kErrorIllegalParameter, 0);
    const auto mixer = mixerOf(channel);
    if (!mixer) return 0;
    const auto info = mixer->info(channel);
    const auto loop = mixer->loop(channel);
    if (!info || !loop) return 0;
    out->freq = static_cast<uint32_t>(info->rate);
    out->chans = static_cast<uint32_t>(info->channels);
    out->flags = (info->format == SampleFormat::Int8 ? OA_SAMPLE_8BITS : 0u)
                 | (info->format == SampleFormat::Float32 ? OA_SAMPLE_FLOAT : 0u) | (*loop ? OA_SAMPLE_LOOP : 0u);
    setLastError(kErrorOk);
    return 1;
}

OaHandle oaChannelSetFX(OaHandle channel, uint32_t type, int)
{
    if (type != OA_FX_BIQUAD) return failed(kErrorIllegalType, OaHandle{0});
    const auto mixer = mixerOf(channel);
    return mixer ? mixer->addFilter(channel) : 0;
}

int oaFXSetParameters(OaHandle fx, const void* parameters)
{
    if (!parameters) return failed(kErrorIllegalParameter, 0);
    const auto mixer = mixerOf(fx);
    return mixer && mixer->setFilter(fx, fromC(*static_cast<const OaBiquadParameters*>(parameters))) ? 1 : 0;
}

int oaFXGetParameters(OaHandle fx, void* parameters)
{
    if (!parameters) return failed(kErrorIllegalParameter, 0);
    const auto mixer = mixerOf(fx);
    if (!mixer) return 0;
    const auto p = mixer->filter(fx);
    if (!p) return 0;
    auto* out = static_cast<OaBiquadParameters*>(parameters);
    *out = OaBiquadParameters{p->type, p->center, p->gain, p->bandwidth, p->q, p->shelf, p->channels};
    setLastError(kErrorOk);
    return 1;
}

int oaChannelRemoveFX(OaHandle channel, OaHandle fx)
{
    const auto mixer = mixerOf(channel);
    return mixer && mixer->removeFilter(channel, fx) ? 1 : 0;
}

int oaSet3DFactors(float distance, float rolloff, float doppler)
{
    const auto mixer = devices().currentMixer();
    return mixer && mixer->set3DFactors(distance, rolloff, doppler) ? 1 : 0;
}

int oaSet3DPosition(const OaVector* position, const OaVector* velocity, const OaVector* front, const OaVector* top)
{
    const auto mixer = devices().currentMixer();
    if (!mixer) return 0;
    Vector3 p, v, f, t;
    if (position) p = toVector(*position);
    if (velocity) v = toVector(*velocity);
    if (front) f = toVector(*front);
    if (top) t = toVector(*top);
    return mixer->setListener(position ? &p : nullptr, velocity ? &v : nullptr, front ? &f : nullptr,
                              top ? &t : nullptr)
               ? 1
               : 0;
}

int oaChannelSet3DAttributes(OaHandle channel, int mode, float minDistance, float maxDistance, int, int, float)
{
    const auto mixer = mixerOf(channel);
    return mixer && mixer->setChannel3DAttributes(channel, mode, minDistance, maxDistance) ? 1 : 0;
}

int oaChannelSet3DPosition(OaHandle channel, const OaVector* position, const OaVector* orientation,
                           const OaVector* velocity)
{
    const auto mixer = mixerOf(channel);
    if (!mixer) return 0;
    Vector3 p, o, v;
    if (position) p = toVector(*position);
    if (orientation) o = toVector(*orientation);
    if (velocity) v = toVector(*velocity);
    return mixer->setChannel3DPosition(channel, position ? &p : nullptr, orientation ? &o : nullptr,
                                       velocity ? &v : nullptr)
               ? 1
               : 0;
}

void oaApply3D(void)
{
    if (const auto mixer = devices().currentMixer()) mixer->apply3D();
}

} // extern "C"
