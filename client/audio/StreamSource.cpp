// Stream channels from the audio layer. Until the layer has tempo streams and
// address streams, a file stream plays at its own tempo (the tempo options
// then do nothing, as on samples) and an address gives no stream.
#include "client/audio/StreamSource.h"

#include "orvaudio.h"

std::uint32_t createFileStream(const std::string& path)
{
    return oaStreamCreateFile(0, path.c_str(), 0, 0, OA_STREAM_AUTOFREE);
}

std::uint32_t createUrlStream(const std::string&) { return 0; }
