// orvc-audio: renders a script of timed calls on the client's sounds into a
// WAV file, as fast as it can and the same way every time, printing the
// "audio:" lines of the calls. See AudioScript.h for the script's grammar.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "AudioScript.h"
#include "client/audio/Sounds.h"
#include "client/core/Environment.h"
#include "common/environment.h"
#include "common/file.h"
#include "orvaudio.h"

namespace {

struct PrintLines : SoundObserver {
    void soundEvent(const SoundEvent& event) override
    {
        std::fputs((formatSoundEvent(event) + "\n").c_str(), stdout);
        std::fflush(stdout);
    }
};

int usage()
{
    std::fputs("usage: orvc-audio [--sounds DIR] [--devices \"A;B\"] SCRIPT OUT.wav\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string soundsDir, devices, scriptPath, outPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--sounds" || arg == "--devices") && i + 1 < argc) {
            (arg == "--sounds" ? soundsDir : devices) = argv[++i];
        } else if (!arg.starts_with("--") && scriptPath.empty()) {
            scriptPath = arg;
        } else if (!arg.starts_with("--") && outPath.empty()) {
            outPath = arg;
        } else {
            return usage();
        }
    }
    if (scriptPath.empty() || outPath.empty()) return usage();
    std::string script;
    if (!common::readWholeFile(scriptPath, script)) {
        std::fprintf(stderr, "orvc-audio: cannot read %s\n", scriptPath.c_str());
        return 3;
    }
    if (soundsDir.empty()) {
        const std::u8string folder = (common::fsPath(scriptPath).parent_path() / "sounds").u8string();
        soundsDir.assign(folder.begin(), folder.end());
    }
    if (soundsDir.back() != '/' && soundsDir.back() != '\\') soundsDir += kPathSeparator;

    // Before the layer's first call: outputs without a clock, into OUT.wav.
    common::setEnvironmentVariable("ORVC_AUDIO_OFFLINE", "1");
    common::setEnvironmentVariable("ORVC_AUDIO_OUT", outPath);
    common::setEnvironmentVariable("ORVC_AUDIO_DEVICES", devices);

    static PrintLines lines;
    AudioScript* runner = nullptr;
    Sounds sounds(soundsDir, soundsDir, AudioSettings{}, [&runner](int channel) { return runner->channelMayPlay(channel); },
                  &lines);
    AudioScript run(sounds, [](std::uint32_t frames) { oaRender(nullptr, frames); });
    runner = &run;
    if (const int code = sounds.initAudio(); code != 0) {
        std::fprintf(stderr, "orvc-audio: the audio layer did not start (%d)\n", code);
        return 4;
    }
    const ScriptError error = run.run(script);
    sounds.closeAudio();
    if (error.line != 0) {
        std::fprintf(stderr, "orvc-audio: %s:%d: %s\n", scriptPath.c_str(), error.line, error.message.c_str());
        return 3;
    }
    return 0;
}
