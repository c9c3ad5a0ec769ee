// The process's sounds: brought up once at start-up from the settings and
// the two sounds folders, used by every part that plays (the server's
// commands, the menus, the window's commands, the client's own cues), and
// released at shutdown.
#pragma once

#include "client/audio/Cues.h"
#include "client/audio/Sounds.h"

// Makes the sounds and starts the audio layer on the device the settings
// name. 0, or the layer's error code when no output could be opened at all;
// the sounds exist either way. `filter`: whether a history channel's sounds
// may play now; `observer` may be null, else it lives as long as the process.
int initClientAudio(Sounds::ChannelFilter filter, SoundObserver* observer = nullptr);

// The sounds and the client's own cues; null before initClientAudio.
Sounds* clientSounds();
Cues* clientCues();

// At shutdown: the settings take the sounds' volumes and device before they
// are saved; once the connection thread has ended, the layer is released
// ("Closing BASS...").
void keepAudioSettings();
void closeClientAudio();
