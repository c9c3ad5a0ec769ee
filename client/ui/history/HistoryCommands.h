// The main window's history, view, speech and sound commands, as both
// front-ends carry them out: the history owner for what the history decides,
// the speech set-up for the speech keys, the sounds for the volume and stop
// keys, and a few duties each front-end does its own way (opening an
// address, the window's colours).
#pragma once

#include <functional>
#include <string>

#include "client/audio/Sounds.h"
#include "client/ui/InterfaceOwners.h"
#include "client/ui/history/HistoryOwner.h"

class HistoryCommands : public InterfaceOwners {
public:
    HistoryCommands(HistoryDisplay& display, SpeechOutput& speech, HistoryOwner::Send send);

    HistoryOwner& history() { return history_; }

    // The presentation of the selected server entry, in the colours that
    // suit the window's background.
    void loadPresentation();

    void copyView() override { history_.copyView(); }
    void clearHistory() override { history_.clear(); }
    void nextView() override { history_.changeView(1, false); }
    void previousView() override { history_.changeView(-1, false); }
    void chooseView(int index) override { history_.changeView(index, true); }
    void copyReviewedMessage() override { history_.copyReviewedMessage(); }
    void sendReviewedMessage() override { history_.sendReviewedMessage(); }
    void historyReport(int view) override { history_.report(view); }
    void reviewHistory(int virtualKey, bool shift, bool control, bool) override
    {
        history_.reviewKey(virtualKey, shift, control);
    }
    // Control+Enter: the address in the reviewed message.
    void openReviewedLink() override;
    // The presentation of the selected entry and speech as at start-up.
    void defaultsRestored() override;
    void toggleSpeechMute() override { history_.toggleMute(); }
    void nextVoice() override;
    void speechRateUp() override;
    void speechRateDown() override;

    // The sounds the volume and stop keys act on; without them those keys do
    // nothing.
    void setSounds(Sounds* sounds) { sounds_ = sounds; }
    void changeSoundVolume(int points) override;
    void changeStreamVolume(int points) override;
    void stopAllSounds() override;
    void stopAllStreams() override;

protected:
    // Opens the address found in a history text with its linkInText rules,
    // or beeps when there is none.
    void openLinkIn(const std::wstring& text);
    // Hands an address to the system's handler.
    virtual void openAddress(const std::wstring& address) = 0;
    // Whether the window's background is dark.
    virtual bool darkBackground() const { return false; }

private:
    HistoryDisplay& display_;
    HistoryOwner history_;
    Sounds* sounds_ = nullptr;
};
