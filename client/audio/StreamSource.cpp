// Stream channels from the audio layer: the sound decoded as it plays, through
// tempo processing so that its speed, pitch and rate can change while it
// plays.
#include "client/audio/StreamSource.h"

#include "orvaudio.h"

namespace {

std::uint32_t withTempo(OaHandle source)
{
    if (source == 0) return 0;
    const OaHandle tempo = oaTempoCreate(source, OA_FX_FREESOURCE | OA_STREAM_AUTOFREE);
    // Without its tempo stream nothing would ever free the source.
    if (tempo == 0) oaStreamFree(source);
    return tempo;
}

} // namespace

std::uint32_t createFileStream(const std::string& path)
{
    return withTempo(oaStreamCreateFile(0, path.c_str(), 0, 0, OA_STREAM_DECODE));
}

std::uint32_t createUrlStream(const std::string& url)
{
    // Waits until the sound's format is known, or the connect time-out.
    return withTempo(oaStreamCreateURL(url.c_str(), 0, OA_STREAM_DECODE));
}
