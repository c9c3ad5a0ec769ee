// The process's sounds and cues.
#include "client/app/ClientAudio.h"

#include <memory>

#include "client/core/Environment.h"
#include "client/core/Settings.h"
#include "orvaudio.h"

namespace {

struct ClientAudio {
    std::unique_ptr<Sounds> sounds;
    std::unique_ptr<Cues> cues;
};

ClientAudio& instance()
{
    static ClientAudio audio;
    return audio;
}

} // namespace

int initClientAudio(Sounds::ChannelFilter filter, SoundObserver* observer)
{
    ClientAudio& audio = instance();
    // Radio streams over https trust what the game connection trusts: the
    // built-in bundle and the player's own "cacerts.pem".
    const std::string userCa = environment().userDir + "cacerts.pem";
    oaSetConfigPtr(OA_CONFIG_NET_CAFILE, userCa.c_str());
    audio.sounds = std::make_unique<Sounds>(soundsFolderOf(environment().userDir), soundsFolderOf(environment().appDir),
                                            audioSettingsOf(settings()), std::move(filter), observer);
    audio.cues = std::make_unique<Cues>(*audio.sounds);
    return audio.sounds->initAudio();
}

Sounds* clientSounds() { return instance().sounds.get(); }
Cues* clientCues() { return instance().cues.get(); }

void keepAudioSettings()
{
    if (Sounds* sounds = clientSounds()) storeAudioSettings(sounds->audioSettings(), settings());
}

void closeClientAudio()
{
    if (Sounds* sounds = clientSounds()) sounds->closeAudio();
}
