// Ogg Vorbis files made in memory for the tests, with libvorbisenc.
#pragma once

#include <vorbis/vorbisenc.h>

#include <cstdint>
#include <vector>

#include "platform/audio/core/Pcm.h"

namespace audio::test {

inline std::vector<std::uint8_t> encodeOgg(const Pcm& pcm, int serial)
{
    std::vector<std::uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, pcm.channels, pcm.rate, 0.6f) != 0) return out;
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    const auto write = [&] {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    while (ogg_stream_flush(&stream, &page) != 0) write();

    const std::size_t frames = pcm.frames();
    for (std::size_t at = 0;; at += 1024) {
        const int n = static_cast<int>(std::min<std::size_t>(1024, frames - std::min(at, frames)));
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, n);
            for (int i = 0; i < n; ++i) {
                for (int c = 0; c < pcm.channels; ++c) buffer[c][i] = pcm.samples[(at + i) * pcm.channels + c];
            }
        }
        vorbis_analysis_wrote(&dsp, n); // 0 marks the end
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) write();
            }
        }
        if (n == 0) break;
    }
    while (ogg_stream_flush(&stream, &page) != 0) write();
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

} // namespace audio::test
