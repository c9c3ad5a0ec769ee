/* orvaudio: the audio layer's C interface, shared by orvc.exe, orvgamelib.dll
   and plug-ins (one instance in the process, in orvaudio.dll on Windows).
   Objects are integer handles that are never given twice. A call that fails
   returns 0 (or -1 where 0 is a value) and leaves its error code, read with
   oaErrorGetCode, for the calling thread. Paths are UTF-8. */
#ifndef ORVAUDIO_H
#define ORVAUDIO_H

#include <stdint.h>

#if defined(_WIN32) && defined(ORVAUDIO_BUILD)
#define OA_API __declspec(dllexport)
#elif defined(_WIN32)
#define OA_API __declspec(dllimport)
#else
#define OA_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t OaHandle;

/* Channel attributes. */
#define OA_ATTRIB_FREQ 1 /* playback rate in Hz; 0 the sound's own */
#define OA_ATTRIB_VOL 2  /* 0 … 1; a slide to -1 fades out and stops */
#define OA_ATTRIB_PAN 3  /* -1 … 1, as a balance */

/* Flags. */
#define OA_SAMPLE_8BITS 1         /* oaChannelGetInfo: stored as 8-bit */
#define OA_SAMPLE_FLOAT 0x100     /* oaChannelGetInfo: stored as float */
#define OA_DEVICE_3D 4            /* oaInit */
#define OA_SAMPLE_LOOP 4          /* oaChannelFlags */
#define OA_SAMPLE_3D 8            /* oaSampleLoad */
#define OA_SAMPLE_OVER_POS 0x20000 /* the longest playing makes way (always so) */

/* Channel states (oaChannelIsActive). */
#define OA_ACTIVE_STOPPED 0
#define OA_ACTIVE_PLAYING 1
#define OA_ACTIVE_STALLED 2
#define OA_ACTIVE_PAUSED 3

/* Sync types. */
#define OA_SYNC_END 2
#define OA_SYNC_SLIDE 5 /* data: the attribute */
#define OA_SYNC_FREE 8

/* Effects and filter types. */
#define OA_FX_BIQUAD 0x10013
#define OA_BIQUAD_LOWPASS 0
#define OA_BIQUAD_HIGHPASS 1

/* 3D modes. */
#define OA_3DMODE_NORMAL 0
#define OA_3DMODE_RELATIVE 1
#define OA_3DMODE_OFF 2

/* Device information flags. */
#define OA_DEVICE_ENABLED 1
#define OA_DEVICE_DEFAULT 2
#define OA_DEVICE_INIT 4

/* Error codes. */
#define OA_OK 0
#define OA_ERROR_FILEOPEN 2
#define OA_ERROR_DRIVER 3
#define OA_ERROR_HANDLE 5
#define OA_ERROR_POSITION 7
#define OA_ERROR_INIT 8
#define OA_ERROR_ALREADY 14
#define OA_ERROR_ILLTYPE 19
#define OA_ERROR_ILLPARAM 20
#define OA_ERROR_NO3D 21
#define OA_ERROR_DEVICE 23
#define OA_ERROR_NOTAVAIL 37
#define OA_ERROR_FILEFORM 41
#define OA_ERROR_DECODE 38
#define OA_ERROR_TIMEOUT 40
#define OA_ERROR_CODEC 44
#define OA_ERROR_ENDED 45

typedef struct OaDeviceInfo {
    const char* name;   /* valid while the process runs */
    const char* driver; /* "clock" for a default device without a sound card */
    uint32_t flags;
} OaDeviceInfo;

typedef struct OaChannelInfo {
    uint32_t freq;  /* the sound's own rate */
    uint32_t chans; /* 1 or 2 */
    uint32_t flags; /* OA_SAMPLE_8BITS or OA_SAMPLE_FLOAT, OA_SAMPLE_LOOP */
} OaChannelInfo;

typedef struct OaBiquadParameters {
    int32_t filter; /* OA_BIQUAD_LOWPASS or OA_BIQUAD_HIGHPASS */
    float center;   /* Hz */
    float gain;     /* dB; not used by the two pass filters */
    float bandwidth; /* octaves; used when above 0 */
    float q;         /* used when no bandwidth is given */
    float s;         /* shelf slope; not used */
    int32_t channels; /* -1 all; bit 0 left, bit 1 right */
} OaBiquadParameters;

typedef struct OaVector {
    float x, y, z;
} OaVector;

/* Called on the mixing thread after the frames that caused it were mixed,
   outside the layer's locks: it may call the layer. */
typedef void (*OaSyncProc)(OaHandle sync, OaHandle channel, uint32_t data, void* user);

/* Devices. Device -1 is the default one, device n ≥ 1 the n-th. */
OA_API int oaInit(int device, uint32_t freq, uint32_t flags);
OA_API int oaFree(void);
OA_API int oaErrorGetCode(void);
OA_API int oaSetDevice(int device);
OA_API int oaGetDevice(void); /* -1 when none was chosen */
OA_API int oaGetDeviceInfo(int device, OaDeviceInfo* info);
/* Moves a sample (with its playbacks) or a channel to another device that is
   up; it goes on there as it was, under the same handle. */
OA_API int oaChannelSetDevice(OaHandle handle, int device);
OA_API int oaSetConfig(uint32_t option, uint32_t value);
OA_API uint32_t oaGetConfig(uint32_t option); /* (uint32_t)-1 when never set */
/* With ORVC_AUDIO_OFFLINE=1 in the environment, outputs have no clock of their
   own: this mixes `frames` frames of the current device on the calling thread
   (its syncs run there too), writes them to the device's file if it has one
   and copies them to `out` (interleaved float stereo) unless it is null.
   Returns the frames mixed; 0 (OA_ERROR_NOTAVAIL) for a device with a clock. */
OA_API uint32_t oaRender(float* out, uint32_t frames);
/* Format plug-ins: none exist; a load fails as for a missing file. */
OA_API OaHandle oaPluginLoad(const char* file, uint32_t flags);

/* Samples: decoded once; at most max channels play one at a time. */
OA_API OaHandle oaSampleLoad(int memory, const void* file, uint64_t offset, uint32_t length, uint32_t max,
                             uint32_t flags);
OA_API OaHandle oaSampleGetChannel(OaHandle sample, int onlyNew);
OA_API int oaSampleStop(OaHandle sample);
OA_API int oaSampleFree(OaHandle sample);

/* Streams: a sound with a channel of its own. OA_STREAM_DECODE: not played,
   read with oaChannelGetData; OA_STREAM_AUTOFREE: freed when it stops or
   ends. Also OA_SAMPLE_LOOP and OA_SAMPLE_3D. */
#define OA_STREAM_AUTOFREE 0x40000
#define OA_STREAM_DECODE 0x200000
OA_API OaHandle oaStreamCreateFile(int memory, const void* file, uint64_t offset, uint64_t length, uint32_t flags);
OA_API int oaStreamFree(OaHandle stream);
/* A stream whose sound a procedure gives as it plays, on the mixing thread:
   it fills buffer with up to length bytes and returns how many, with
   OA_STREAMPROC_END set when the stream ends after them. Returning 0 without
   the end stalls the stream until the procedure gives again. flags: also
   OA_SAMPLE_8BITS or OA_SAMPLE_FLOAT for the format, else 16-bit. */
#define OA_STREAMPROC_END 0x80000000u
typedef uint32_t (*OaStreamProc)(OaHandle stream, void* buffer, uint32_t length, void* user);
OA_API OaHandle oaStreamCreate(uint32_t freq, uint32_t chans, uint32_t flags, OaStreamProc proc, void* user);
/* A decoding stream's next bytes in its stored format: how many, or -1
   (OA_ERROR_ENDED at its end). */
OA_API int32_t oaChannelGetData(OaHandle stream, void* buffer, uint32_t length);

/* Tempo streams: a decoding stream played at another tempo, pitch or rate
   (SoundTouch). While all three are at their neutral values the source's
   sound passes through untouched. The attributes are set and slid like the
   others; flags: OA_FX_FREESOURCE (freeing the tempo stream frees its
   source), OA_STREAM_AUTOFREE, OA_SAMPLE_LOOP, OA_SAMPLE_3D. */
#define OA_ATTRIB_TEMPO 0x10000       /* percent, -95 … 5000; 0 normal */
#define OA_ATTRIB_TEMPO_PITCH 0x10001 /* semitones, -60 … 60; 0 normal */
#define OA_ATTRIB_TEMPO_FREQ 0x10002  /* the source's rate in Hz, speed and pitch together */
#define OA_FX_FREESOURCE 0x10000
OA_API OaHandle oaTempoCreate(OaHandle source, uint32_t flags);

/* Streams from the network: http://, https:// and ftp:// URLs, downloaded on
   a thread of their own into a buffer that the stream plays from; a stream
   whose download is behind stalls (OA_ACTIVE_STALLED) and plays silence,
   and ends when the download ends or fails. Creation waits until the sound's
   format is known; it fails with OA_ERROR_FILEOPEN (no connection, refused,
   an HTTP error, an untrusted certificate), OA_ERROR_FILEFORM (not sound)
   or OA_ERROR_TIMEOUT. https trusts the program's CA bundle and the file
   given with OA_CONFIG_NET_CAFILE. flags as oaStreamCreateFile; offset: the
   byte to start from. Freeing the stream stops its download at once. */
#define OA_CONFIG_NET_TIMEOUT 11     /* connect time-out, ms (default 5000) */
#define OA_CONFIG_NET_BUFFER 12      /* buffer, ms of sound up to 320 kbit/s (default 5000) */
#define OA_CONFIG_NET_PLAYLIST 21    /* 1: a playlist (.m3u, .pls) plays its first network entry */
#define OA_CONFIG_NET_READTIMEOUT 37 /* time without data before giving up, ms; 0 none (default) */
OA_API OaHandle oaStreamCreateURL(const char* url, uint32_t offset, uint32_t flags);
/* Options that take a pointer. OA_CONFIG_NET_CAFILE: the UTF-8 path of a PEM
   file whose authorities https trusts besides the program's (the player's
   "cacerts.pem"), read at each creation; null for none. */
#define OA_CONFIG_NET_CAFILE 0x7001
OA_API int oaSetConfigPtr(uint32_t option, const void* value);

/* Channels. */
OA_API int oaChannelPlay(OaHandle channel, int restart);
OA_API int oaChannelStop(OaHandle channel);
OA_API int oaChannelPause(OaHandle channel);
OA_API uint32_t oaChannelIsActive(OaHandle channel);
/* Sets the flags in mask to those of flags; the flags after, or (uint32_t)-1. */
OA_API uint32_t oaChannelFlags(OaHandle channel, uint32_t flags, uint32_t mask);
OA_API int oaChannelSetAttribute(OaHandle channel, uint32_t attribute, float value);
OA_API int oaChannelGetAttribute(OaHandle channel, uint32_t attribute, float* value);
OA_API int oaChannelSlideAttribute(OaHandle channel, uint32_t attribute, float value, uint32_t milliseconds);
OA_API int oaChannelIsSliding(OaHandle channel, uint32_t attribute);
OA_API OaHandle oaChannelSetSync(OaHandle channel, uint32_t type, uint64_t param, OaSyncProc proc, void* user);
OA_API int oaChannelRemoveSync(OaHandle channel, OaHandle sync);
OA_API uint64_t oaChannelGetPosition(OaHandle channel, uint32_t mode); /* bytes; (uint64_t)-1 on failure */
OA_API int oaChannelSetPosition(OaHandle channel, uint64_t position, uint32_t mode);
OA_API uint64_t oaChannelGetLength(OaHandle channel, uint32_t mode);
OA_API uint64_t oaChannelSeconds2Bytes(OaHandle channel, double seconds);
OA_API double oaChannelBytes2Seconds(OaHandle channel, uint64_t bytes);
OA_API int oaChannelGetInfo(OaHandle channel, OaChannelInfo* info);

/* Filters on a channel. */
OA_API OaHandle oaChannelSetFX(OaHandle channel, uint32_t type, int priority);
OA_API int oaFXSetParameters(OaHandle fx, const void* parameters);
OA_API int oaFXGetParameters(OaHandle fx, void* parameters);
OA_API int oaChannelRemoveFX(OaHandle channel, OaHandle fx);

/* Space; what is set takes effect at oaApply3D. Null vectors stay as they are. */
OA_API int oaSet3DFactors(float distance, float rolloff, float doppler);
OA_API int oaSet3DPosition(const OaVector* position, const OaVector* velocity, const OaVector* front,
                           const OaVector* top);
OA_API int oaChannelSet3DAttributes(OaHandle channel, int mode, float minDistance, float maxDistance, int insideAngle,
                                    int outsideAngle, float outsideVolume);
OA_API int oaChannelSet3DPosition(OaHandle channel, const OaVector* position, const OaVector* orientation,
                                  const OaVector* velocity);
OA_API void oaApply3D(void);

#ifdef __cplusplus
}
#endif

#endif
