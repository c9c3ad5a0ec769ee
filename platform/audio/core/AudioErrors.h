// The audio layer's error codes, the numbers its callers test for; the last
// one of each thread is kept, as callers ask for it after a failed call.
#pragma once

namespace audio {

constexpr int kErrorOk = 0;
constexpr int kErrorMemory = 1;
constexpr int kErrorFileOpen = 2;
constexpr int kErrorDriver = 3;
constexpr int kErrorHandle = 5;
constexpr int kErrorFormat = 6;
constexpr int kErrorPosition = 7;
constexpr int kErrorInit = 8;
constexpr int kErrorAlready = 14;
constexpr int kErrorNoChannel = 18;
constexpr int kErrorIllegalType = 19;
constexpr int kErrorIllegalParameter = 20;
constexpr int kErrorNo3D = 21;
constexpr int kErrorDevice = 23;
constexpr int kErrorNotAvailable = 37;
constexpr int kErrorDecode = 38; // a decoding channel played, or one that plays read
constexpr int kErrorTimeout = 40; // a network connection or read took too long
constexpr int kErrorFileForm = 41;
constexpr int kErrorCodec = 44;
constexpr int kErrorEnded = 45;
constexpr int kErrorUnknown = -1;

// The calling thread's last error.
void setLastError(int code);
int lastError();

// Sets the calling thread's last error; returns `result` so that failing
// paths read `return failed(kErrorHandle, false);`.
template <typename T> T failed(int code, T result)
{
    setLastError(code);
    return result;
}

} // namespace audio
