// The history and speech commands shared by the front-ends.
#include "client/ui/history/HistoryCommands.h"

#include "client/core/Settings.h"
#include "client/ui/Links.h"
#include "client/ui/speech/SpeechSetup.h"

HistoryCommands::HistoryCommands(HistoryDisplay& display, SpeechOutput& speech, HistoryOwner::Send send)
    : display_(display), history_(display, speech, std::move(send))
{
}

void HistoryCommands::loadPresentation()
{
    history_.loadPresentation(settings().serversDefault, selectedServer().protocol, darkBackground());
}

void HistoryCommands::openReviewedLink()
{
    const HistoryMessage* message = history_.model().reviewedMessage();
    if (!message) {
        display_.refusalBeep();
        return;
    }
    openLinkIn(message->text);
}

void HistoryCommands::openLinkIn(const std::wstring& text)
{
    const std::optional<std::wstring> address = linkInText(text, settings().userAllowAutoLinks, selectedServer().httpHost);
    if (!address) {
        display_.refusalBeep();
        return;
    }
    openAddress(*address);
}

void HistoryCommands::defaultsRestored()
{
    loadPresentation();
    speechSetup().restart(settings());
}

void HistoryCommands::nextVoice() { speechSetup().nextVoice(settings()); }

void HistoryCommands::speechRateUp() { speechSetup().changeRate(+1); }

void HistoryCommands::speechRateDown() { speechSetup().changeRate(-1); }

void HistoryCommands::changeSoundVolume(int points)
{
    if (sounds_) sounds_->changeSoundsVolume(points, true);
}

void HistoryCommands::changeStreamVolume(int points)
{
    if (sounds_) sounds_->changeStreamsVolume(points, true);
}

void HistoryCommands::stopAllSounds()
{
    if (sounds_) sounds_->stopAllSounds();
}

void HistoryCommands::stopAllStreams()
{
    if (sounds_) sounds_->stopAllStreams();
}
