// Mixing channels of decoded sounds, with their attributes, slides, filters,
// syncs and places in space.
#include "platform/audio/core/Mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <utility>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace audio {

namespace {

constexpr float kMinFrequency = 100.f;
constexpr float kMaxFrequency = 384000.f;
constexpr int kMaxPlaybacks = 65535;
constexpr std::size_t kMaxDataFrames = 8192; // a decoding stream's frames at one call

struct Slide {
    bool active = false;
    double target = 0;
    double step = 0;
    std::uint64_t framesLeft = 0;
    bool stopAtEnd = false;
};

bool validAttribute(int attribute) { return attribute >= kAttribFrequency && attribute <= kAttribPan; }

// Whether `value` may be set (or, for a slide, reached).
bool validValue(int attribute, float value, bool slide)
{
    if (!std::isfinite(value)) return false;
    switch (attribute) {
    case kAttribFrequency: return value == 0.f || (value >= kMinFrequency && value <= kMaxFrequency);
    case kAttribVolume: return (value >= 0.f && value <= 1.f) || (slide && value == -1.f);
    default: return value >= -1.f && value <= 1.f;
    }
}

// Four-point Catmull-Rom interpolation between b and c, t in [0, 1).
inline float cubic(float a, float b, float c, float d, float t)
{
    return b + 0.5f * t * (c - a + t * (2.f * a - 5.f * b + 4.f * c - d + t * (3.f * (b - c) + d - a)));
}

// The same interpolation with its four weights looked up for t in steps of
// 1/4096 of a frame, for the frames that need no edge check: at most 1/8192
// of a frame off (a frame's start exactly), far below what can be heard,
// for a fraction of the work.
constexpr int kPhaseBits = 12;
constexpr int kFractionBits = 32;

struct alignas(16) CubicWeights {
    float w[4];
};

const CubicWeights* cubicTable()
{
    static const std::vector<CubicWeights> table = [] {
        // One more than the phases: t = 1 is where a fraction rounds up to.
        std::vector<CubicWeights> t((std::size_t{1} << kPhaseBits) + 1);
        for (std::size_t i = 0; i < t.size(); ++i) {
            const double x = static_cast<double>(i) / static_cast<double>(std::size_t{1} << kPhaseBits);
            t[i].w[0] = static_cast<float>(0.5 * (-x * x * x + 2 * x * x - x));
            t[i].w[1] = static_cast<float>(0.5 * (3 * x * x * x - 5 * x * x + 2));
            t[i].w[2] = static_cast<float>(0.5 * (-3 * x * x * x + 4 * x * x + x));
            t[i].w[3] = static_cast<float>(0.5 * (x * x * x - x * x));
        }
        return t;
    }();
    return table.data();
}

inline float weighted(const float* p, const CubicWeights& w)
{
#if defined(__SSE__)
    const __m128 v = _mm_mul_ps(_mm_loadu_ps(p), _mm_load_ps(w.w));
    const __m128 pairs = _mm_add_ps(v, _mm_movehl_ps(v, v));
    return _mm_cvtss_f32(_mm_add_ss(pairs, _mm_shuffle_ps(pairs, pairs, 1)));
#else
    return p[0] * w.w[0] + p[1] * w.w[1] + p[2] * w.w[2] + p[3] * w.w[3];
#endif
}

// A stereo frame's two sides, from four interleaved frames.
inline void weightedStereo(const float* p, const CubicWeights& w, float& left, float& right)
{
#if defined(__SSE__)
    const __m128 a = _mm_loadu_ps(p), b = _mm_loadu_ps(p + 4);
    const __m128 weights = _mm_load_ps(w.w);
    const __m128 l = _mm_mul_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)), weights);
    const __m128 r = _mm_mul_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)), weights);
    // (l0+l2, r0+r2, l1+l3, r1+r3), then the halves added.
    const __m128 sums = _mm_add_ps(_mm_unpacklo_ps(l, r), _mm_unpackhi_ps(l, r));
    const __m128 both = _mm_add_ps(sums, _mm_movehl_ps(sums, sums));
    left = _mm_cvtss_f32(both);
    right = _mm_cvtss_f32(_mm_shuffle_ps(both, both, 1));
#else
    left = p[0] * w.w[0] + p[2] * w.w[1] + p[4] * w.w[2] + p[6] * w.w[3];
    right = p[1] * w.w[0] + p[3] * w.w[1] + p[5] * w.w[2] + p[7] * w.w[3];
#endif
}

} // namespace

struct Mixer::Sample {
    std::shared_ptr<const Pcm> pcm;
    int maxPlaybacks = 1;
    bool threeD = false;
    std::vector<Handle> channels; // its playbacks, oldest first
};

struct Mixer::Channel {
    struct Sync {
        Handle handle;
        int type;
        SyncProc proc;
    };

    Handle handle = 0;
    Handle sample = 0;
    bool stream = false, autoFree = false, decodeOnly = false;
    std::shared_ptr<const Pcm> pcm; // for a procedure or source stream its format only
    StreamProc proc;
    std::unique_ptr<FrameSource> feed; // a source stream's frames
    Handle freeWith = 0;
    struct SourceSlide {
        int attribute;
        double value;
        Slide slide;
    };
    std::vector<SourceSlide> sourceSlides; // of the source's own attributes
    std::vector<float> buffer;      // a procedure or source stream's frames from bufferBase on
    std::ptrdiff_t bufferBase = 0;
    bool procEnded = false;
    int state = kStateStopped;
    bool loop = false;
    double position = 0; // in frames of the sound
    double values[3] = {44100, 1, 0}; // frequency, volume, pan
    Slide slides[3];
    std::vector<std::pair<Handle, Biquad>> filters;
    std::vector<Sync> syncs;
    bool threeD = false;
    Source3D source;
    Placement placement;
    std::uint64_t played = 0; // frames mixed since it was started

    double& value(int attribute) { return values[attribute - 1]; }
};

Mixer::Mixer(int rate, std::atomic<Handle>* handles)
    : rate_(rate > 0 ? rate : 44100), handles_(handles ? handles : &ownHandles_)
{
}

Mixer::~Mixer() = default;

Mixer::Channel* Mixer::find(Handle channel) const
{
    const auto it = index_.find(channel);
    return it == index_.end() ? nullptr : it->second;
}

Handle Mixer::loadSample(std::shared_ptr<const Pcm> pcm, int maxPlaybacks, bool threeD)
{
    if (!pcm || pcm->frames() == 0 || pcm->rate <= 0 || (pcm->channels != 1 && pcm->channels != 2)) {
        return failed(kErrorFileForm, Handle{0});
    }
    if (maxPlaybacks < 1 || maxPlaybacks > kMaxPlaybacks) return failed(kErrorIllegalParameter, Handle{0});
    std::lock_guard lock(mutex_);
    auto sample = std::make_unique<Sample>();
    sample->pcm = std::move(pcm);
    sample->maxPlaybacks = maxPlaybacks;
    sample->threeD = threeD;
    const Handle handle = next();
    samples_.emplace(handle, std::move(sample));
    setLastError(kErrorOk);
    return handle;
}

Handle Mixer::sampleChannel(Handle sampleHandle)
{
    std::vector<Event> events;
    Handle handle = 0;
    {
        std::lock_guard lock(mutex_);
        const auto it = samples_.find(sampleHandle);
        if (it == samples_.end()) return failed(kErrorHandle, Handle{0});
        Sample& sample = *it->second;
        if (sample.channels.size() >= static_cast<std::size_t>(sample.maxPlaybacks)) {
            // A stopped playback goes first, else the one that has played
            // longest.
            Channel* victim = nullptr;
            for (const Handle h : sample.channels) {
                Channel* c = find(h);
                if (c && c->state == kStateStopped) {
                    victim = c;
                    break;
                }
                if (c && (!victim || c->played > victim->played)) victim = c;
            }
            if (victim) freeChannel(*victim, events);
        }
        auto channel = std::make_unique<Channel>();
        channel->handle = handle = next();
        channel->sample = sampleHandle;
        channel->pcm = sample.pcm;
        channel->values[0] = sample.pcm->rate;
        channel->threeD = sample.threeD;
        index_.emplace(handle, channel.get());
        channels_.push_back(std::move(channel));
        sample.channels.push_back(handle);
        setLastError(kErrorOk);
    }
    runEvents(events);
    return handle;
}

Handle Mixer::createStream(std::shared_ptr<const Pcm> pcm, unsigned flags)
{
    if (!pcm || pcm->frames() == 0 || pcm->rate <= 0 || (pcm->channels != 1 && pcm->channels != 2)) {
        return failed(kErrorFileForm, Handle{0});
    }
    std::lock_guard lock(mutex_);
    auto channel = std::make_unique<Channel>();
    const Handle handle = channel->handle = next();
    channel->stream = true;
    channel->autoFree = (flags & kStreamAutoFree) != 0;
    channel->decodeOnly = (flags & kStreamDecode) != 0;
    channel->loop = (flags & kStreamLoop) != 0;
    channel->threeD = (flags & kStream3D) != 0;
    channel->values[0] = pcm->rate;
    channel->pcm = std::move(pcm);
    index_.emplace(handle, channel.get());
    channels_.push_back(std::move(channel));
    setLastError(kErrorOk);
    return handle;
}

Handle Mixer::createStream(const Pcm& format, unsigned flags, StreamProc proc)
{
    if (!proc || format.rate <= 0 || format.rate > 384000 || (format.channels != 1 && format.channels != 2)) {
        return failed(kErrorIllegalParameter, Handle{0});
    }
    if (flags & kStreamDecode) return failed(kErrorNotAvailable, Handle{0});
    std::lock_guard lock(mutex_);
    auto pcm = std::make_shared<Pcm>();
    pcm->rate = format.rate;
    pcm->channels = format.channels;
    pcm->format = format.format;
    auto channel = std::make_unique<Channel>();
    const Handle handle = channel->handle = next();
    channel->stream = true;
    channel->autoFree = (flags & kStreamAutoFree) != 0;
    channel->threeD = (flags & kStream3D) != 0;
    channel->values[0] = pcm->rate;
    channel->pcm = std::move(pcm);
    channel->proc = std::move(proc);
    index_.emplace(handle, channel.get());
    channels_.push_back(std::move(channel));
    setLastError(kErrorOk);
    return handle;
}

Handle Mixer::createStream(std::unique_ptr<FrameSource> source, unsigned flags, Handle freeWith)
{
    if (!source) return failed(kErrorIllegalParameter, Handle{0});
    const Pcm& format = source->format();
    if (format.rate <= 0 || format.rate > 384000 || (format.channels != 1 && format.channels != 2)) {
        return failed(kErrorFileForm, Handle{0});
    }
    std::lock_guard lock(mutex_);
    auto pcm = std::make_shared<Pcm>();
    pcm->rate = format.rate;
    pcm->channels = format.channels;
    pcm->format = format.format;
    auto channel = std::make_unique<Channel>();
    const Handle handle = channel->handle = next();
    channel->stream = true;
    channel->autoFree = (flags & kStreamAutoFree) != 0;
    channel->decodeOnly = (flags & kStreamDecode) != 0;
    channel->loop = (flags & kStreamLoop) != 0;
    channel->threeD = (flags & kStream3D) != 0;
    channel->values[0] = pcm->rate;
    channel->pcm = std::move(pcm);
    channel->feed = std::move(source);
    channel->freeWith = freeWith;
    index_.emplace(handle, channel.get());
    channels_.push_back(std::move(channel));
    setLastError(kErrorOk);
    return handle;
}

bool Mixer::freeStream(Handle handle)
{
    std::vector<Event> events;
    {
        std::lock_guard lock(mutex_);
        Channel* c = find(handle);
        if (!c || !c->stream) return failed(kErrorHandle, false);
        freeChannel(*c, events);
        setLastError(kErrorOk);
    }
    runEvents(events);
    return true;
}

long Mixer::readFrames(Channel& c, float* out, std::size_t frames)
{
    if (c.feed) {
        const long got = c.feed->read(out, frames);
        if (got == FrameSource::kEnd) return -1;
        c.position += static_cast<double>(got);
        return got;
    }
    const Pcm& pcm = *c.pcm;
    const auto first = static_cast<std::size_t>(c.position);
    if (first >= pcm.frames()) return -1;
    const std::size_t n = std::min(frames, pcm.frames() - first);
    const auto width = static_cast<std::size_t>(pcm.channels);
    std::copy_n(pcm.samples.begin() + static_cast<std::ptrdiff_t>(first * width), n * width, out);
    c.position = static_cast<double>(first + n);
    return static_cast<long>(n);
}

long Mixer::readFrames(Handle handle, float* out, std::size_t frames)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, -1L);
    if (!c->decodeOnly) return failed(kErrorDecode, -1L);
    const long got = readFrames(*c, out, frames);
    if (got < 0) return failed(kErrorEnded, -1L);
    setLastError(kErrorOk);
    return got;
}

bool Mixer::decoding(Handle handle) const
{
    std::lock_guard lock(mutex_);
    const Channel* c = find(handle);
    return c && c->decodeOnly;
}

long Mixer::getData(Handle handle, void* buffer, std::uint32_t bytes)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, -1L);
    if (!c->decodeOnly) return failed(kErrorDecode, -1L);
    const Pcm& pcm = *c->pcm;
    const std::size_t frameBytes = pcm.bytesPerFrame();
    // A part at a time: a source decodes under the mixer's lock, which the
    // mixing thread waits for meanwhile. Callers read until they have all.
    const std::size_t frames = std::min<std::size_t>(bytes / frameBytes, kMaxDataFrames);
    scratch_.resize(frames * static_cast<std::size_t>(pcm.channels));
    const long got = readFrames(*c, scratch_.data(), frames);
    if (got < 0) return failed(kErrorEnded, -1L);
    const auto count = static_cast<std::size_t>(got) * static_cast<std::size_t>(pcm.channels);
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::size_t i = 0; i < count; ++i) {
        const float s = scratch_[i];
        switch (pcm.format) {
        case SampleFormat::Float32: std::memcpy(out + i * 4, &s, 4); break;
        case SampleFormat::Int8: out[i] = static_cast<std::uint8_t>(std::lround(std::clamp(s, -1.f, 1.f) * 127.f) + 128); break;
        case SampleFormat::Int16: {
            const auto v = static_cast<std::int16_t>(std::lround(std::clamp(s, -1.f, 1.f) * 32767.f));
            std::memcpy(out + i * 2, &v, 2);
            break;
        }
        }
    }
    setLastError(kErrorOk);
    return static_cast<long>(static_cast<std::size_t>(got) * frameBytes);
}

bool Mixer::stopSample(Handle sampleHandle)
{
    std::lock_guard lock(mutex_);
    const auto it = samples_.find(sampleHandle);
    if (it == samples_.end()) return failed(kErrorHandle, false);
    for (const Handle h : it->second->channels) {
        if (Channel* c = find(h)) c->state = kStateStopped;
    }
    setLastError(kErrorOk);
    return true;
}

bool Mixer::freeSample(Handle sampleHandle)
{
    std::vector<Event> events;
    {
        std::lock_guard lock(mutex_);
        const auto it = samples_.find(sampleHandle);
        if (it == samples_.end()) return failed(kErrorHandle, false);
        const std::vector<Handle> playbacks = it->second->channels;
        for (const Handle h : playbacks) {
            if (Channel* c = find(h)) freeChannel(*c, events);
        }
        samples_.erase(sampleHandle);
        setLastError(kErrorOk);
    }
    runEvents(events);
    return true;
}

void Mixer::freeChannel(Channel& channel, std::vector<Event>& events)
{
    emit(channel, kSyncFree, 0, events);
    for (const auto& filter : channel.filters) filterOwners_.erase(filter.first);
    if (const auto s = samples_.find(channel.sample); s != samples_.end()) {
        auto& list = s->second->channels;
        list.erase(std::remove(list.begin(), list.end(), channel.handle), list.end());
    }
    const Handle handle = channel.handle;
    const Handle companion = channel.freeWith;
    index_.erase(handle);
    channels_.erase(std::remove_if(channels_.begin(), channels_.end(),
                                   [&](const std::unique_ptr<Channel>& c) { return c->handle == handle; }),
                    channels_.end());
    if (Channel* other = companion ? find(companion) : nullptr) freeChannel(*other, events);
}

bool Mixer::rewind(Channel& c)
{
    if (!c.feed || !c.feed->seek(0)) return false;
    c.buffer.clear();
    c.bufferBase = 0;
    c.position = 0;
    c.procEnded = false;
    return true;
}

bool Mixer::play(Handle handle, bool restart)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, false);
    if (c->decodeOnly) return failed(kErrorDecode, false);
    // A procedure stream goes on from where it is: it has no start to go
    // back to.
    if (c->feed) {
        const double end = static_cast<double>(c->bufferBase) + static_cast<double>(c->buffer.size() / static_cast<std::size_t>(c->pcm->channels));
        if (restart || (c->procEnded && c->position >= end)) rewind(*c);
    } else if (!c->proc && (restart || c->position >= static_cast<double>(c->pcm->frames()))) {
        c->position = 0;
    }
    if (c->state != kStatePaused && (restart || c->state == kStateStopped)) c->played = 0;
    c->state = kStatePlaying;
    setLastError(kErrorOk);
    return true;
}

bool Mixer::stop(Handle handle)
{
    std::vector<Event> events;
    {
        std::lock_guard lock(mutex_);
        Channel* c = find(handle);
        if (!c) return failed(kErrorHandle, false);
        c->state = kStateStopped;
        if (c->autoFree) freeChannel(*c, events);
        setLastError(kErrorOk);
    }
    runEvents(events);
    return true;
}

bool Mixer::pause(Handle handle)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, false);
    if (c->state != kStatePlaying && c->state != kStateStalled) return failed(kErrorNotAvailable, false);
    c->state = kStatePaused;
    setLastError(kErrorOk);
    return true;
}

int Mixer::state(Handle handle) const
{
    std::lock_guard lock(mutex_);
    const Channel* c = find(handle);
    return c ? c->state : kStateStopped;
}

bool Mixer::setLoop(Handle handle, bool loop)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, false);
    c->loop = loop;
    setLastError(kErrorOk);
    return true;
}

std::optional<bool> Mixer::loop(Handle handle) const
{
    std::lock_guard lock(mutex_);
    const Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, std::optional<bool>{});
    return c->loop;
}

bool Mixer::setAttribute(Handle handle, int attribute, float value)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, false);
    if (c->feed && c->feed->hasAttribute(attribute)) {
        if (!c->feed->setAttribute(attribute, value)) return failed(kErrorIllegalParameter, false);
        auto& slides = c->sourceSlides;
        slides.erase(std::remove_if(slides.begin(), slides.end(), [&](const auto& s) { return s.attribute == attribute; }),
                     slides.end());
        setLastError(kErrorOk);
        return true;
    }
    if (!validAttribute(attribute)) return failed(kErrorIllegalType, false);
    if (!validValue(attribute, value, false)) return failed(kErrorIllegalParameter, false);
    if (attribute == kAttribFrequency && value == 0.f) value = static_cast<float>(c->pcm->rate);
    c->value(attribute) = value;
    c->slides[attribute - 1].active = false;
    setLastError(kErrorOk);
    return true;
}

std::optional<float> Mixer::attribute(Handle handle, int attribute) const
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, std::optional<float>{});
    if (c->feed && c->feed->hasAttribute(attribute)) return c->feed->attribute(attribute);
    if (!validAttribute(attribute)) return failed(kErrorIllegalType, std::optional<float>{});
    return static_cast<float>(c->value(attribute));
}

bool Mixer::slideAttribute(Handle handle, int attribute, float value, std::uint32_t milliseconds)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, false);
    if (c->feed && c->feed->hasAttribute(attribute)) {
        // Checked by setting the present value and then the target: a
        // target out of range changes nothing.
        const std::optional<float> now = c->feed->attribute(attribute);
        if (!now || !c->feed->setAttribute(attribute, value)) return failed(kErrorIllegalParameter, false);
        c->feed->setAttribute(attribute, *now);
        auto& slides = c->sourceSlides;
        slides.erase(std::remove_if(slides.begin(), slides.end(), [&](const auto& s) { return s.attribute == attribute; }),
                     slides.end());
        Channel::SourceSlide added{attribute, *now, {}};
        added.slide.active = true;
        added.slide.target = value;
        added.slide.framesLeft = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(milliseconds) * static_cast<std::uint64_t>(rate_) / 1000);
        added.slide.step = (value - *now) / static_cast<double>(added.slide.framesLeft);
        slides.push_back(added);
        setLastError(kErrorOk);
        return true;
    }
    if (!validAttribute(attribute)) return failed(kErrorIllegalType, false);
    if (!validValue(attribute, value, true)) return failed(kErrorIllegalParameter, false);
    if (attribute == kAttribFrequency && value == 0.f) value = static_cast<float>(c->pcm->rate);
    Slide& slide = c->slides[attribute - 1];
    slide.stopAtEnd = attribute == kAttribVolume && value < 0.f;
    slide.target = slide.stopAtEnd ? 0.0 : value;
    slide.framesLeft = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(milliseconds) * static_cast<std::uint64_t>(rate_) / 1000);
    slide.step = (slide.target - c->value(attribute)) / static_cast<double>(slide.framesLeft);
    slide.active = true;
    setLastError(kErrorOk);
    return true;
}

bool Mixer::sliding(Handle handle, int attribute) const
{
    std::lock_guard lock(mutex_);
    const Channel* c = find(handle);
    if (c && c->feed && c->feed->hasAttribute(attribute)) {
        return std::any_of(c->sourceSlides.begin(), c->sourceSlides.end(), [&](const auto& s) { return s.attribute == attribute; });
    }
    return c && validAttribute(attribute) && c->slides[attribute - 1].active;
}

std::optional<std::uint64_t> Mixer::position(Handle handle) const
{
    std::lock_guard lock(mutex_);
    const Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, std::optional<std::uint64_t>{});
    if (c->feed) {
        if (const auto own = c->feed->position()) return *own * c->pcm->bytesPerFrame();
    }
    return static_cast<std::uint64_t>(c->position) * c->pcm->bytesPerFrame();
}

bool Mixer::setPosition(Handle handle, std::uint64_t bytes)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, false);
    if (c->proc) return failed(kErrorNotAvailable, false);
    const std::uint64_t frame = bytes / c->pcm->bytesPerFrame();
    if (c->feed) {
        const auto length = c->feed->length();
        if (length && frame >= *length) return failed(kErrorPosition, false);
        if (!c->feed->seek(frame)) return failed(kErrorNotAvailable, false);
        c->buffer.clear();
        c->bufferBase = static_cast<std::ptrdiff_t>(frame);
        c->position = static_cast<double>(frame);
        c->procEnded = false;
        setLastError(kErrorOk);
        return true;
    }
    if (frame >= c->pcm->frames()) return failed(kErrorPosition, false);
    c->position = static_cast<double>(frame);
    setLastError(kErrorOk);
    return true;
}

std::optional<std::uint64_t> Mixer::length(Handle handle) const
{
    std::lock_guard lock(mutex_);
    const Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, std::optional<std::uint64_t>{});
    if (c->proc) return failed(kErrorNotAvailable, std::optional<std::uint64_t>{});
    if (c->feed) {
        const auto frames = c->feed->length();
        if (!frames) return failed(kErrorNotAvailable, std::optional<std::uint64_t>{});
        return *frames * c->pcm->bytesPerFrame();
    }
    return static_cast<std::uint64_t>(c->pcm->frames()) * c->pcm->bytesPerFrame();
}

std::optional<Pcm> Mixer::info(Handle handle) const
{
    std::lock_guard lock(mutex_);
    const Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, std::optional<Pcm>{});
    Pcm out;
    out.rate = c->pcm->rate;
    out.channels = c->pcm->channels;
    out.format = c->pcm->format;
    return out;
}

Handle Mixer::setSync(Handle handle, int type, SyncProc proc)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, Handle{0});
    if ((type != kSyncEnd && type != kSyncSlide && type != kSyncFree) || !proc) {
        return failed(kErrorIllegalType, Handle{0});
    }
    const Handle sync = next();
    c->syncs.push_back({sync, type, std::move(proc)});
    setLastError(kErrorOk);
    return sync;
}

bool Mixer::removeSync(Handle handle, Handle sync)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, false);
    const auto it = std::find_if(c->syncs.begin(), c->syncs.end(), [&](const Channel::Sync& s) { return s.handle == sync; });
    if (it == c->syncs.end()) return failed(kErrorHandle, false);
    c->syncs.erase(it);
    setLastError(kErrorOk);
    return true;
}

Handle Mixer::addFilter(Handle handle, const BiquadParameters& parameters)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, Handle{0});
    Biquad filter;
    if (!filter.setParameters(parameters, rate_)) return failed(kErrorIllegalParameter, Handle{0});
    const Handle fx = next();
    c->filters.emplace_back(fx, filter);
    filterOwners_.emplace(fx, c);
    setLastError(kErrorOk);
    return fx;
}

Handle Mixer::addFilter(Handle handle)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, Handle{0});
    const Handle fx = next();
    c->filters.emplace_back(fx, Biquad{});
    filterOwners_.emplace(fx, c);
    setLastError(kErrorOk);
    return fx;
}

bool Mixer::setFilter(Handle fx, const BiquadParameters& parameters)
{
    std::lock_guard lock(mutex_);
    const auto owner = filterOwners_.find(fx);
    if (owner == filterOwners_.end()) return failed(kErrorHandle, false);
    for (auto& [h, filter] : owner->second->filters) {
        if (h == fx) {
            if (!filter.setParameters(parameters, rate_)) return failed(kErrorIllegalParameter, false);
            setLastError(kErrorOk);
            return true;
        }
    }
    return failed(kErrorHandle, false);
}

std::optional<BiquadParameters> Mixer::filter(Handle fx) const
{
    std::lock_guard lock(mutex_);
    const auto owner = filterOwners_.find(fx);
    if (owner == filterOwners_.end()) return failed(kErrorHandle, std::optional<BiquadParameters>{});
    for (const auto& [h, filter] : owner->second->filters) {
        if (h == fx) return filter.parameters();
    }
    return failed(kErrorHandle, std::optional<BiquadParameters>{});
}

bool Mixer::removeFilter(Handle handle, Handle fx)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    const auto owner = filterOwners_.find(fx);
    if (!c || owner == filterOwners_.end() || owner->second != c) return failed(kErrorHandle, false);
    c->filters.erase(std::remove_if(c->filters.begin(), c->filters.end(), [&](const auto& f) { return f.first == fx; }),
                     c->filters.end());
    filterOwners_.erase(owner);
    setLastError(kErrorOk);
    return true;
}

bool Mixer::set3DFactors(float distance, float rolloff, float doppler)
{
    const bool ok = std::isfinite(distance) && distance > 0.f && std::isfinite(rolloff) && rolloff >= 0.f
                    && rolloff <= 10.f && std::isfinite(doppler) && doppler >= 0.f && doppler <= 10.f;
    if (!ok) return failed(kErrorIllegalParameter, false);
    std::lock_guard lock(mutex_);
    factors_ = {distance, rolloff, doppler};
    setLastError(kErrorOk);
    return true;
}

bool Mixer::setListener(const Vector3* position, const Vector3* velocity, const Vector3* front, const Vector3* top)
{
    for (const Vector3* v : {position, velocity, front, top}) {
        if (v && !finite(*v)) return failed(kErrorIllegalParameter, false);
    }
    std::lock_guard lock(mutex_);
    if (position) listener_.position = *position;
    if (velocity) listener_.velocity = *velocity;
    if (front) listener_.front = *front;
    if (top) listener_.top = *top;
    setLastError(kErrorOk);
    return true;
}

bool Mixer::setChannel3DAttributes(Handle handle, int mode, float minDistance, float maxDistance)
{
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, false);
    if (!c->threeD) return failed(kErrorNo3D, false);
    // Negative values leave the setting as it is.
    Source3D next = c->source;
    if (mode > kMode3DOff) return failed(kErrorIllegalParameter, false);
    if (mode >= 0) next.mode = mode;
    if (!std::isfinite(minDistance) || !std::isfinite(maxDistance)) return failed(kErrorIllegalParameter, false);
    if (minDistance >= 0.f) next.minDistance = minDistance;
    if (maxDistance >= 0.f) next.maxDistance = maxDistance;
    if (next.minDistance <= 0.f || next.maxDistance < next.minDistance) return failed(kErrorIllegalParameter, false);
    c->source = next;
    setLastError(kErrorOk);
    return true;
}

bool Mixer::setChannel3DPosition(Handle handle, const Vector3* position, const Vector3* orientation,
                                 const Vector3* velocity)
{
    for (const Vector3* v : {position, orientation, velocity}) {
        if (v && !finite(*v)) return failed(kErrorIllegalParameter, false);
    }
    std::lock_guard lock(mutex_);
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, false);
    if (!c->threeD) return failed(kErrorNo3D, false);
    if (position) c->source.position = *position;
    if (orientation) c->source.orientation = *orientation;
    if (velocity) c->source.velocity = *velocity;
    setLastError(kErrorOk);
    return true;
}

void Mixer::apply3D()
{
    std::lock_guard lock(mutex_);
    for (auto& c : channels_) {
        if (c->threeD) c->placement = place(listener_, factors_, c->source);
    }
}

std::size_t Mixer::channelCount() const
{
    std::lock_guard lock(mutex_);
    return channels_.size();
}

bool Mixer::knows(Handle handle) const
{
    std::lock_guard lock(mutex_);
    return index_.count(handle) || samples_.count(handle) || filterOwners_.count(handle);
}

void Mixer::emit(Channel& channel, int type, std::uint32_t data, std::vector<Event>& events)
{
    for (const auto& sync : channel.syncs) {
        if (sync.type == type) events.push_back({sync.proc, sync.handle, channel.handle, data});
    }
}

void Mixer::runEvents(std::vector<Event>& events)
{
    for (auto& e : events) e.proc(e.sync, e.channel, e.data);
    events.clear();
}

void Mixer::render(float* out, std::size_t frames)
{
    std::vector<Event> events;
    {
        std::lock_guard lock(mutex_);
        std::fill(out, out + frames * 2, 0.f);
        std::vector<Handle> finished;
        for (auto& c : channels_) {
            if (c->state != kStatePlaying && c->state != kStateStalled) continue;
            mix(*c, out, frames, events);
            // A stream that frees itself goes when it stops or ends.
            if (c->autoFree && c->state == kStateStopped) finished.push_back(c->handle);
        }
        for (const Handle h : finished) {
            if (Channel* c = find(h)) freeChannel(*c, events);
        }
    }
    runEvents(events);
}

void Mixer::pull(Channel& c, std::size_t frames)
{
    const int width = c.pcm->channels;
    const std::size_t frameBytes = c.pcm->bytesPerFrame();
    // Frames the block reads: its steps, the interpolation's two ahead, and
    // a margin for a rate that slides up meanwhile.
    const double step = c.values[0] * (c.placement.frequency > 0 ? c.placement.frequency : 1.f) / rate_;
    const auto needed = static_cast<std::ptrdiff_t>(c.position + static_cast<double>(frames) * step * 1.25) + 3;
    // What lies behind the position (but one frame) is no longer needed.
    const std::ptrdiff_t behind = static_cast<std::ptrdiff_t>(c.position) - 1 - c.bufferBase;
    if (behind > 0) {
        const std::size_t drop = std::min(c.buffer.size(), static_cast<std::size_t>(behind) * static_cast<std::size_t>(width));
        c.buffer.erase(c.buffer.begin(), c.buffer.begin() + static_cast<std::ptrdiff_t>(drop));
        c.bufferBase += static_cast<std::ptrdiff_t>(drop) / width;
    }
    std::vector<std::uint8_t> bytes;
    for (int asks = 0; asks < 4 && !c.procEnded; ++asks) {
        const std::ptrdiff_t have = c.bufferBase + static_cast<std::ptrdiff_t>(c.buffer.size()) / width;
        if (have >= needed) break;
        const std::size_t want = std::max<std::size_t>(256, static_cast<std::size_t>(needed - have));
        if (c.feed) {
            scratch_.resize(want * static_cast<std::size_t>(width));
            const long got = c.feed->read(scratch_.data(), want);
            if (got == FrameSource::kEnd) c.procEnded = true;
            if (got <= 0) break; // nothing now: stalled until a later block
            c.buffer.insert(c.buffer.end(), scratch_.begin(), scratch_.begin() + got * width);
            continue;
        }
        bytes.resize(want * frameBytes);
        const std::uint32_t result = c.proc(c.handle, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        const std::size_t got = std::min<std::size_t>(result & ~kStreamProcEnd, bytes.size()) / frameBytes;
        for (std::size_t i = 0; i < got * static_cast<std::size_t>(width); ++i) {
            float v = 0;
            switch (c.pcm->format) {
            case SampleFormat::Float32:
                std::memcpy(&v, bytes.data() + i * 4, 4);
                if (!std::isfinite(v)) v = 0;
                v = std::clamp(v, -1.f, 1.f);
                break;
            case SampleFormat::Int8: v = (static_cast<int>(bytes[i]) - 128) / 128.f; break;
            case SampleFormat::Int16: {
                std::int16_t x;
                std::memcpy(&x, bytes.data() + i * 2, 2);
                v = x / 32768.f;
                break;
            }
            }
            c.buffer.push_back(v);
        }
        if (result & kStreamProcEnd) c.procEnded = true;
        if (got == 0) break; // nothing now: stalled until a later block
    }
}

void Mixer::advanceSourceSlides(Channel& c, std::size_t frames, std::vector<Event>& events)
{
    // Set once a block: a source's own attributes change its processing,
    // which works in blocks anyway.
    auto& slides = c.sourceSlides;
    for (auto it = slides.begin(); it != slides.end();) {
        Slide& slide = it->slide;
        const std::uint64_t steps = std::min<std::uint64_t>(slide.framesLeft, frames);
        it->value += slide.step * static_cast<double>(steps);
        slide.framesLeft -= steps;
        const bool done = slide.framesLeft == 0;
        if (done) it->value = slide.target;
        c.feed->setAttribute(it->attribute, static_cast<float>(it->value));
        if (done) {
            emit(c, kSyncSlide, static_cast<std::uint32_t>(it->attribute), events);
            it = slides.erase(it);
        } else {
            ++it;
        }
    }
}

void Mixer::mix(Channel& c, float* out, std::size_t frames, std::vector<Event>& events)
{
    const int width = c.pcm->channels;
    const float* s;
    std::ptrdiff_t base = 0, n;
    bool complete = true; // every frame of the sound is known
    if (!c.sourceSlides.empty()) advanceSourceSlides(c, frames, events);
    const bool pulled = c.proc || c.feed;
    const auto refresh = [&](std::size_t ahead) {
        pull(c, ahead);
        s = c.buffer.data();
        base = c.bufferBase;
        n = base + static_cast<std::ptrdiff_t>(c.buffer.size()) / width;
        complete = c.procEnded;
    };
    if (pulled) {
        refresh(frames);
    } else {
        s = c.pcm->samples.data();
        n = static_cast<std::ptrdiff_t>(c.pcm->frames());
    }
    // A source stream loops by going back to its start, when it can.
    const bool loop = c.loop && !pulled;
    const bool rewinds = c.loop && c.feed;
    if (rewinds && complete && c.position >= static_cast<double>(n) && rewind(c)) refresh(frames);
    // A frame of the sound; before the start the first, past the end
    // silence, unless it loops.
    const auto at = [&](std::ptrdiff_t k, int channel) -> float {
        if (n <= base) return 0.f;
        if (loop) {
            k %= n;
            if (k < 0) k += n;
        } else if (k < base) {
            k = base;
        } else if (k >= n) {
            return 0.f;
        }
        return s[(k - base) * width + (channel < width ? channel : 0)];
    };
    if (c.state == kStateStalled) {
        if (static_cast<std::ptrdiff_t>(c.position) + 2 >= n && !complete) return;
        c.state = kStatePlaying;
    }
    const bool placed = c.threeD && c.source.mode != kMode3DOff;

    // A fade to -1 stops the channel on its last frame: the block ends there.
    std::size_t limit = frames;
    if (c.slides[1].active && c.slides[1].stopAtEnd) limit = std::min<std::size_t>(limit, c.slides[1].framesLeft);
    if (left_.size() < limit) {
        left_.resize(limit);
        right_.resize(limit);
    }

    // 1. The sound at its rate, frame by frame, until the block, the sound
    // or what the procedure gave ends. A mono sound is made in left_ only.
    const bool mono = width == 1;
    const double rateFactor = (placed ? c.placement.frequency : 1.f) / static_cast<double>(rate_);
    double step = c.values[0] * rateFactor;
    Slide& rateSlide = c.slides[0];
    std::size_t produced = 0;
    // A procedure stream that ended with nothing more to play.
    bool ended = !loop && c.position >= static_cast<double>(n);
    // Positions whose four neighbours are all known frames: there a frame
    // needs no edge, stall or end check.
    double inner = static_cast<double>(base + 1);
    double outer = static_cast<double>(n - 2);
    while (!ended && produced < limit) {
        if (!rateSlide.active && c.position >= inner && c.position < outer) {
            // In fixed point from the present frame: frames in the upper
            // half, the fraction in the lower. A block never goes 2^30
            // frames far.
            constexpr double kOne = 4294967296.0;
            const CubicWeights* weights = cubicTable();
            const double origin = std::floor(c.position);
            const float* first = s + (static_cast<std::ptrdiff_t>(origin) - 1 - base) * width;
            std::uint64_t at = static_cast<std::uint64_t>((c.position - origin) * kOne);
            const std::uint64_t end = static_cast<std::uint64_t>(std::min(outer - origin, 1073741824.0) * kOne);
            const std::uint64_t by = static_cast<std::uint64_t>(step * kOne);
            do {
                const float* p = first + static_cast<std::ptrdiff_t>(at >> kFractionBits) * width;
                // The nearest phase.
                constexpr std::uint64_t kFraction = (std::uint64_t{1} << kFractionBits) - 1;
                constexpr std::uint64_t kHalfPhase = std::uint64_t{1} << (kFractionBits - kPhaseBits - 1);
                const CubicWeights& w = weights[((at & kFraction) + kHalfPhase) >> (kFractionBits - kPhaseBits)];
                if (mono) {
                    left_[produced] = weighted(p, w);
                } else {
                    weightedStereo(p, w, left_[produced], right_[produced]);
                }
                ++produced;
                at += by;
            } while (produced < limit && at < end);
            c.position = origin + static_cast<double>(at) / kOne;
        } else {
            const auto i = static_cast<std::ptrdiff_t>(c.position);
            if (!complete && i + 2 >= n) {
                c.state = kStateStalled; // waits for its procedure
                break;
            }
            const float t = static_cast<float>(c.position - static_cast<double>(i));
            if (i - 1 >= base && i + 2 < n) {
                const float* p = s + (i - 1 - base) * width;
                if (mono) {
                    left_[produced] = cubic(p[0], p[1], p[2], p[3], t);
                } else {
                    left_[produced] = cubic(p[0], p[2], p[4], p[6], t);
                    right_[produced] = cubic(p[1], p[3], p[5], p[7], t);
                }
            } else {
                left_[produced] = cubic(at(i - 1, 0), at(i, 0), at(i + 1, 0), at(i + 2, 0), t);
                if (!mono) right_[produced] = cubic(at(i - 1, 1), at(i, 1), at(i + 1, 1), at(i + 2, 1), t);
            }
            ++produced;
            c.position += step;
            if (rateSlide.active) {
                c.values[0] += rateSlide.step;
                if (--rateSlide.framesLeft == 0) {
                    c.values[0] = rateSlide.target;
                    rateSlide.active = false;
                    emit(c, kSyncSlide, kAttribFrequency, events);
                }
                step = c.values[0] * rateFactor;
            }
        }
        if (c.position >= static_cast<double>(n)) {
            if (loop) {
                c.position = std::fmod(c.position, static_cast<double>(n));
            } else if (rewinds && rewind(c)) {
                refresh(limit - produced);
                inner = static_cast<double>(base + 1);
                outer = static_cast<double>(n - 2);
            } else {
                c.position = static_cast<double>(n);
                ended = true;
                break;
            }
        }
    }
    c.played += produced;

    // 2. Its filters over the block; a mono sound is filtered once while it
    // is the same on both sides.
    bool same = mono;
    for (auto& filter : c.filters) {
        if (same && filter.second.processBoth(left_.data(), produced)) continue;
        if (same) std::copy(left_.begin(), left_.begin() + static_cast<std::ptrdiff_t>(produced), right_.begin());
        same = false;
        filter.second.process(left_.data(), right_.data(), produced);
    }
    const float* left = left_.data();
    const float* right = same ? left_.data() : right_.data();

    // 3. Volume and balance; while they slide, in runs up to the next end of
    // a slide.
    const float gain3D = placed ? c.placement.gain : 1.f;
    Slide& volumeSlide = c.slides[1];
    Slide& panSlide = c.slides[2];
    if (!volumeSlide.active && !panSlide.active) {
        const float volume = static_cast<float>(c.values[1]) * gain3D;
        const float pan = placed ? c.placement.pan : static_cast<float>(c.values[2]);
        const float gl = volume * (pan > 0 ? 1.f - pan : 1.f);
        const float gr = volume * (pan < 0 ? 1.f + pan : 1.f);
        for (std::size_t f = 0; f < produced; ++f) {
            out[2 * f] += left[f] * gl;
            out[2 * f + 1] += right[f] * gr;
        }
    } else {
        double volume = c.values[1], pan = c.values[2];
        const auto finish = [&](Slide& slide, double& value, std::size_t run, int attribute) {
            if (!slide.active) return;
            slide.framesLeft -= run;
            if (slide.framesLeft != 0) return;
            value = slide.target;
            slide.active = false;
            emit(c, kSyncSlide, static_cast<std::uint32_t>(attribute), events);
            if (slide.stopAtEnd) c.state = kStateStopped;
        };
        std::size_t f = 0;
        while (f < produced) {
            std::size_t run = produced - f;
            if (volumeSlide.active) run = static_cast<std::size_t>(std::min<std::uint64_t>(run, volumeSlide.framesLeft));
            if (panSlide.active) run = static_cast<std::size_t>(std::min<std::uint64_t>(run, panSlide.framesLeft));
            const double dv = volumeSlide.active ? volumeSlide.step : 0.0;
            const double dp = panSlide.active ? panSlide.step : 0.0;
            for (const std::size_t stop = f + run; f < stop; ++f) {
                const float v = static_cast<float>(volume) * gain3D;
                const float p = placed ? c.placement.pan : static_cast<float>(pan);
                out[2 * f] += left[f] * v * (p > 0 ? 1.f - p : 1.f);
                out[2 * f + 1] += right[f] * v * (p < 0 ? 1.f + p : 1.f);
                volume += dv;
                pan += dp;
            }
            finish(volumeSlide, volume, run, kAttribVolume);
            finish(panSlide, pan, run, kAttribPan);
        }
        c.values[1] = volume;
        c.values[2] = pan;
    }
    if (ended) {
        c.state = kStateStopped;
        emit(c, kSyncEnd, 0, events);
    }
}

// Moving to another mixer: how playing sounds follow the player to another
// output device without starting again.
void Mixer::transfer(Handle handle, Mixer& target)
{
    const auto it = std::find_if(channels_.begin(), channels_.end(),
                                 [&](const std::unique_ptr<Channel>& c) { return c->handle == handle; });
    if (it == channels_.end()) return;
    std::unique_ptr<Channel> channel = std::move(*it);
    channels_.erase(it);
    index_.erase(handle);
    for (const auto& filter : channel->filters) {
        filterOwners_.erase(filter.first);
        target.filterOwners_[filter.first] = channel.get();
    }
    // The new device's listener places it from the next mixed block on.
    if (channel->threeD) channel->placement = place(target.listener_, target.factors_, channel->source);
    target.index_[handle] = channel.get();
    // A stream that reads another, or is freed with it, takes it along.
    const Handle reads = channel->feed ? channel->feed->readsFrom() : 0;
    const Handle companion = channel->freeWith;
    if (channel->feed) channel->feed->movedTo(target);
    target.channels_.push_back(std::move(channel));
    for (const Handle other : {reads, companion}) {
        if (other && other != handle && index_.count(other)) transfer(other, target);
    }
}

bool Mixer::moveTo(Handle handle, Mixer& target)
{
    if (&target == this) return knows(handle) ? (setLastError(kErrorOk), true) : failed(kErrorHandle, false);
    std::scoped_lock lock(mutex_, target.mutex_);
    if (const auto s = samples_.find(handle); s != samples_.end()) {
        for (const Handle playback : s->second->channels) transfer(playback, target);
        target.samples_.emplace(handle, std::move(s->second));
        samples_.erase(s);
        setLastError(kErrorOk);
        return true;
    }
    Channel* c = find(handle);
    if (!c) return failed(kErrorHandle, false);
    if (const auto s = samples_.find(c->sample); s != samples_.end()) {
        auto& list = s->second->channels;
        list.erase(std::remove(list.begin(), list.end(), handle), list.end());
        c->sample = 0;
    }
    transfer(handle, target);
    setLastError(kErrorOk);
    return true;
}

} // namespace audio
