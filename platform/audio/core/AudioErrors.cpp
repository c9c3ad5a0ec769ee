// The last error of each thread.
#include "platform/audio/core/AudioErrors.h"

namespace audio {

namespace {
thread_local int lastErrorCode = kErrorOk;
}

void setLastError(int code) { lastErrorCode = code; }

int lastError() { return lastErrorCode; }

} // namespace audio
