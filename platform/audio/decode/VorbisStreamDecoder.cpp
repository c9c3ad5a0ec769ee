// Ogg Vorbis decoded as it plays, through libogg and libvorbis directly:
// bytes that have not come yet only pause the decoding, where a file
// reader would take them for the end. The links of a chained stream (a new
// beginning page) play one after the other at the first link's rate and
// channel count; pages of other logical streams are passed over.
#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include <cmath>
#include <cstring>

#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/decode/BufferedDecoder.h"
#include "platform/audio/decode/StreamDecoders.h"

namespace audio {

namespace {

constexpr long kReadBlock = 8192;
constexpr std::size_t kMaxProbeBytes = 256 * 1024; // the headers with a large picture in the comments
constexpr std::uint64_t kTail = 64 * 1024;          // a last page is at most 65,307 bytes

class VorbisStreamDecoder final : public BufferedDecoder {
public:
    explicit VorbisStreamDecoder(std::unique_ptr<ByteSource> source) : source_(std::move(source))
    {
        ogg_sync_init(&sync_);
    }

    ~VorbisStreamDecoder() override
    {
        if (scanning_) ogg_sync_clear(&scan_);
        endLink();
        ogg_sync_clear(&sync_);
    }

    Probe probe() override
    {
        while (!ready()) {
            if (error_) return Probe::Failed;
            if (bytesRead_ > kMaxProbeBytes) return fail(kErrorFileForm);
            const Step step = decodeMore();
            if (step == Step::NoBytes) return Probe::NeedBytes;
            if (step == Step::End && !ready()) return fail(sawVorbis_ ? kErrorCodec : kErrorFileForm);
        }
        if (!measure()) return Probe::NeedBytes;
        return error_ ? Probe::Failed : Probe::Ready;
    }

    std::optional<std::uint64_t> length() const override { return length_; }

    // From the start again, passing over whole pages that end before the
    // frame without decoding them; the page before the one that holds the
    // frame is decoded too, so that the frame's page gives all its samples.
    bool seek(std::uint64_t frame) override
    {
        if (!ready() || !source_->seek(0)) return false;
        endLink();
        ogg_sync_reset(&sync_);
        linkBase_ = 0;
        restart(0);
        target_ = frame;
        skipping_ = frame > 0;
        previous_.clear();
        return true;
    }

private:
    // The length of a stream whose size is known, read once while probing:
    // the position of its last page, and for a chained stream the last
    // positions of all its links, read through from the start; then
    // decoding starts again from the beginning. False while the bytes are
    // on their way.
    bool measure()
    {
        if (measured_) return true;
        const auto size = source_->size();
        if (!size) {
            measured_ = true;
            return true;
        }
        if (!scanning_) {
            firstSerial_ = stream_.serialno;
            if (!source_->seek(*size - std::min<std::uint64_t>(*size, kTail))) {
                measured_ = true;
                return true;
            }
            ogg_sync_init(&scan_);
            scanning_ = true;
        }
        for (;;) {
            ogg_page page;
            while (ogg_sync_pageout(&scan_, &page) > 0) {
                if (wholeScan_) {
                    countLink(page);
                } else if (ogg_page_granulepos(&page) >= 0) {
                    tailSerial_ = ogg_page_serialno(&page);
                    tailGranule_ = ogg_page_granulepos(&page);
                }
            }
            char* buffer = ogg_sync_buffer(&scan_, kReadBlock);
            const long n = buffer ? source_->read(buffer, kReadBlock) : ByteSource::kEnd;
            if (n == 0) return false;
            if (n > 0) {
                ogg_sync_wrote(&scan_, n);
                continue;
            }
            if (wholeScan_ || tailSerial_ == firstSerial_ || tailSerial_ < 0 || !source_->seek(0)) break;
            // The last page is another link's: every link is read through.
            ogg_sync_reset(&scan_);
            wholeScan_ = true;
        }
        ogg_sync_clear(&scan_);
        scanning_ = false;
        measured_ = true;
        if (wholeScan_) {
            countLink(std::nullopt);
            length_ = scanTotal_;
        } else if (tailSerial_ == firstSerial_ && tailGranule_ > 0) {
            length_ = static_cast<std::uint64_t>(tailGranule_);
        }
        if (!seek(0)) error_ = kErrorFileOpen;
        return true;
    }

    // A page of the whole scan: a link starts at its beginning page, whose
    // first packet gives its rate, and ends at its last position. The
    // stream's frames of a link at another rate are counted as it is
    // stepped through. No page: the last link ended.
    void countLink(const std::optional<ogg_page>& page)
    {
        if (page && !ogg_page_bos(&*page) && ogg_page_serialno(&*page) == scanSerial_) {
            if (ogg_page_granulepos(&*page) >= 0) scanGranule_ = ogg_page_granulepos(&*page);
            return;
        }
        if (page && !ogg_page_bos(&*page)) return; // another logical stream's
        if (scanRate_ > 0 && scanGranule_ > 0) {
            scanTotal_ += static_cast<std::uint64_t>(std::ceil(static_cast<double>(scanGranule_) * format().rate / static_cast<double>(scanRate_)));
        }
        scanRate_ = 0;
        scanGranule_ = 0;
        if (!page) return;
        scanSerial_ = ogg_page_serialno(&*page);
        const unsigned char* b = page->body;
        if (page->body_len >= 16 && b[0] == 1 && std::memcmp(b + 1, "vorbis", 6) == 0) {
            scanRate_ = static_cast<long>(b[12] | b[13] << 8 | b[14] << 16 | static_cast<std::uint32_t>(b[15]) << 24);
        }
    }

    Probe fail(int code)
    {
        error_ = code;
        return Probe::Failed;
    }

    enum class Fetch { Page, NoBytes, End };

    Fetch nextPage(ogg_page& page)
    {
        for (;;) {
            const int r = ogg_sync_pageout(&sync_, &page);
            if (r == 1) return Fetch::Page;
            if (r < 0) continue; // bytes skipped to the next page
            char* buffer = ogg_sync_buffer(&sync_, kReadBlock);
            if (!buffer) return Fetch::End;
            const long n = source_->read(buffer, kReadBlock);
            if (n == 0) return Fetch::NoBytes;
            if (n < 0) return Fetch::End;
            ogg_sync_wrote(&sync_, n);
            bytesRead_ += static_cast<std::size_t>(n);
        }
    }

    void beginLink(const ogg_page& page)
    {
        endLink();
        ogg_stream_init(&stream_, ogg_page_serialno(&page));
        vorbis_info_init(&info_);
        vorbis_comment_init(&comment_);
        streamOpen_ = true;
        headers_ = 0;
        linkSamples_ = 0;
        lastGranule_ = 0;
    }

    void endLink()
    {
        if (decoding_) {
            vorbis_block_clear(&block_);
            vorbis_dsp_clear(&dsp_);
            // What follows counts from the end of this link.
            linkBase_ += scaled(std::max(lastGranule_, linkSamples_));
            decoding_ = false;
        }
        if (streamOpen_) {
            vorbis_comment_clear(&comment_);
            vorbis_info_clear(&info_);
            ogg_stream_clear(&stream_);
            streamOpen_ = false;
        }
    }

    // The link's three headers were read: decoding starts.
    bool startLink()
    {
        if (info_.rate <= 0 || info_.rate > 384000 || info_.channels <= 0) return false;
        if (vorbis_synthesis_init(&dsp_, &info_) != 0) return false;
        vorbis_block_init(&dsp_, &block_);
        decoding_ = true;
        if (!ready()) setFormat(static_cast<int>(info_.rate), info_.channels, SampleFormat::Int16);
        setInput(static_cast<int>(info_.rate), info_.channels);
        return true;
    }

    // Frames of the stream's rate for samples of the link's.
    std::uint64_t scaled(std::int64_t samples) const
    {
        if (samples <= 0 || info_.rate <= 0) return 0;
        return static_cast<std::uint64_t>(static_cast<double>(samples) * format().rate / static_cast<double>(info_.rate));
    }

    // While seeking: whether the page is passed over; at the page that
    // holds the target, the decoder is set to start there.
    bool passOver(const ogg_page& page)
    {
        const std::int64_t granule = ogg_page_granulepos(&page);
        if (granule < 0) return true; // no packet ends on it
        if (linkBase_ + scaled(granule) < target_) {
            previous_.assign(page.header, page.header + page.header_len);
            previous_.insert(previous_.end(), page.body, page.body + page.body_len);
            previousHeader_ = page.header_len;
            previousGranule_ = granule;
            lastGranule_ = granule;
            return true;
        }
        skipping_ = false;
        std::uint64_t start = linkBase_;
        if (!previous_.empty()) {
            ogg_stream_reset(&stream_);
            vorbis_synthesis_restart(&dsp_);
            ogg_page before;
            before.header = previous_.data();
            before.header_len = previousHeader_;
            before.body = previous_.data() + previousHeader_;
            before.body_len = static_cast<long>(previous_.size()) - previousHeader_;
            ogg_stream_pagein(&stream_, &before);
            ogg_packet packet;
            int r;
            while ((r = ogg_stream_packetout(&stream_, &packet)) != 0) {
                if (r < 0) continue;
                if (vorbis_synthesis(&block_, &packet) == 0) vorbis_synthesis_blockin(&dsp_, &block_);
                float** unused;
                vorbis_synthesis_read(&dsp_, vorbis_synthesis_pcmout(&dsp_, &unused));
            }
            start += scaled(previousGranule_);
            linkSamples_ = previousGranule_;
            previous_.clear();
        }
        restart(target_ > start ? target_ - start : 0);
        return false;
    }

    void handlePage(ogg_page& page)
    {
        if (ogg_page_bos(&page) && (!streamOpen_ || headers_ == 0 || decoding_)) {
            beginLink(page);
            previous_.clear();
        }
        if (!streamOpen_ || ogg_page_serialno(&page) != stream_.serialno) return;
        if (decoding_ && skipping_ && passOver(page)) return;
        if (decoding_) {
            const std::int64_t granule = ogg_page_granulepos(&page);
            if (granule >= 0) lastGranule_ = granule;
        }
        ogg_stream_pagein(&stream_, &page);
    }

    Step decodeMore() override
    {
        for (;;) {
            if (streamOpen_) {
                ogg_packet packet;
                const int r = ogg_stream_packetout(&stream_, &packet);
                if (r < 0) continue; // a hole: lost or damaged pages
                if (r == 1) {
                    if (!decoding_) {
                        if (vorbis_synthesis_headerin(&info_, &comment_, &packet) != 0) {
                            // Not Vorbis, or broken headers: wait for another link.
                            endLink();
                            continue;
                        }
                        sawVorbis_ = true;
                        if (++headers_ == 3 && !startLink()) endLink();
                        return Step::Decoded;
                    }
                    if (vorbis_synthesis(&block_, &packet) == 0) vorbis_synthesis_blockin(&dsp_, &block_);
                    float** pcm = nullptr;
                    long n = vorbis_synthesis_pcmout(&dsp_, &pcm);
                    if (n <= 0) continue;
                    vorbis_synthesis_read(&dsp_, static_cast<int>(n));
                    // The last page's position cuts what the last block
                    // decoded beyond the end.
                    if (packet.e_o_s && packet.granulepos >= 0 && linkSamples_ + n > packet.granulepos) {
                        n = std::max<std::int64_t>(0, packet.granulepos - linkSamples_);
                    }
                    linkSamples_ += n;
                    fold(pcm, nullptr, n);
                    return Step::Decoded;
                }
            }
            ogg_page page;
            const Fetch f = nextPage(page);
            if (f == Fetch::NoBytes) return Step::NoBytes;
            if (f == Fetch::End) return Step::End;
            handlePage(page);
        }
    }

    std::unique_ptr<ByteSource> source_;
    ogg_sync_state sync_;
    ogg_stream_state stream_;
    vorbis_info info_;
    vorbis_comment comment_;
    vorbis_dsp_state dsp_;
    vorbis_block block_;
    bool streamOpen_ = false, decoding_ = false, sawVorbis_ = false;
    int headers_ = 0;
    std::size_t bytesRead_ = 0;
    std::int64_t linkSamples_ = 0, lastGranule_ = 0; // in the link's own samples
    std::uint64_t linkBase_ = 0;                   // the stream's frames before the link
    // Seeking.
    bool skipping_ = false;
    std::uint64_t target_ = 0;
    std::vector<unsigned char> previous_; // the last page passed over
    long previousHeader_ = 0;
    std::int64_t previousGranule_ = 0;
    // The length, measured at the tail.
    bool measured_ = false, scanning_ = false;
    ogg_sync_state scan_;
    bool wholeScan_ = false;
    long firstSerial_ = 0, tailSerial_ = -1, scanSerial_ = -1, scanRate_ = 0;
    std::int64_t tailGranule_ = 0, scanGranule_ = 0;
    std::uint64_t scanTotal_ = 0;
    std::optional<std::uint64_t> length_;
};

} // namespace

std::unique_ptr<StreamDecoder> vorbisStreamDecoder(std::unique_ptr<ByteSource> source)
{
    return std::make_unique<VorbisStreamDecoder>(std::move(source));
}

} // namespace audio
