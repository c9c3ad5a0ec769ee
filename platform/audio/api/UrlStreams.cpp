// The C interface's streams from the network: their options, the authorities
// https trusts, and creation once the sound's format is known.
#include <mutex>
#include <string>

#include "platform/audio/api/orvaudio.h"
#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/decode/StreamDecoder.h"
#include "platform/audio/layer/AudioDevices.h"
#include "platform/audio/net/UrlOpener.h"
#include "platform/net/CaBundle.h"

using namespace audio;

namespace {

AudioDevices& devices() { return AudioDevices::instance(); }

constexpr std::uint32_t kDefaultConnectTimeoutMs = 5000;
constexpr std::uint32_t kDefaultBufferMs = 5000;

std::mutex caFileMutex;
std::string& caFile()
{
    static std::string path;
    return path;
}

// An option as set, else its default (oaGetConfig's error is not the caller's).
std::uint32_t option(std::uint32_t name, std::uint32_t fallback)
{
    const std::uint32_t value = oaGetConfig(name);
    return value == static_cast<std::uint32_t>(-1) ? fallback : value;
}

NetOptions netOptions()
{
    NetOptions o;
    o.connectTimeoutMs = option(OA_CONFIG_NET_TIMEOUT, kDefaultConnectTimeoutMs);
    o.readTimeoutMs = option(OA_CONFIG_NET_READTIMEOUT, 0);
    o.bufferBytes = netBufferBytes(option(OA_CONFIG_NET_BUFFER, kDefaultBufferMs));
    std::lock_guard lock(caFileMutex);
    o.caBundle = net::trustedCaBundle(caFile());
    return o;
}

// The download as the decoder reads it. The decoder owns it (freeing the
// stream stops the download) and may drop it when the bytes are not sound;
// creation keeps a share of its own meanwhile to read its error.
class SharedDownload final : public ByteSource {
public:
    explicit SharedDownload(std::shared_ptr<UrlSource> download) : download_(std::move(download)) {}
    long read(void* buffer, std::size_t size) override { return download_->read(buffer, size); }

private:
    std::shared_ptr<UrlSource> download_;
};

// A decoder whose format is known, reading the download; null with the
// error code when the bytes are not sound or stop coming first.
std::unique_ptr<StreamDecoder> probed(std::unique_ptr<UrlSource> source)
{
    const std::shared_ptr<UrlSource> download(std::move(source));
    auto decoder = openStreamDecoder(std::make_unique<SharedDownload>(download));
    for (;;) {
        StreamDecoder::Probe p = decoder->probe();
        // The decoder has read all there is: wait for more, or for the end,
        // after which it is asked once more.
        if (p == StreamDecoder::Probe::NeedBytes && !download->waitFor(1)) {
            p = decoder->probe();
            if (p == StreamDecoder::Probe::NeedBytes) {
                return failed(download->error() != 0 ? download->error() : kErrorFileForm, std::unique_ptr<StreamDecoder>{});
            }
        }
        if (p == StreamDecoder::Probe::Ready) return decoder;
        if (p == StreamDecoder::Probe::Failed) return failed(decoder->error(), std::unique_ptr<StreamDecoder>{});
    }
}

} // namespace

extern "C" {

OaHandle oaStreamCreateURL(const char* url, uint32_t offset, uint32_t flags)
{
    const std::shared_ptr<Mixer> mixer = devices().currentMixer();
    if (!mixer) return 0;
    if (!url || !*url) return failed(kErrorIllegalParameter, OaHandle{0});
    const bool playlists = option(OA_CONFIG_NET_PLAYLIST, 0) != 0;
    OpenedUrl opened = openUrl(url, offset, netOptions(), playlists);
    if (!opened.source) return failed(opened.error, OaHandle{0});
    auto decoder = probed(std::move(opened.source));
    if (!decoder) return 0;
    return mixer->createStream(std::move(decoder), flags & (kStreamLoop | kStream3D | kStreamAutoFree | kStreamDecode));
}

int oaSetConfigPtr(uint32_t option, const void* value)
{
    if (option != OA_CONFIG_NET_CAFILE) return failed(kErrorIllegalType, 0);
    std::lock_guard lock(caFileMutex);
    caFile() = value ? static_cast<const char*>(value) : "";
    setLastError(kErrorOk);
    return 1;
}

} // extern "C"
