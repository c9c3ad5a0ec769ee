// The owners of the interface's parts that the main window's keys and
// commands reach: menus, history and views, sound, speech, the options and
// the arcade window. The main window knows them only through this class;
// a part that is not there yet keeps the default, which does nothing, except
// key events, which go to the server as plain keys while no menu takes them.
#pragma once

class InterfaceOwners {
public:
    virtual ~InterfaceOwners() = default;

    // Menus: a key event of the user (menus in key-event mode send it with
    // their context); the client's own menus.
    virtual void sendKeyEvent(int virtualKey, bool shift, bool control, bool alt);
    virtual void openLocalMenu(int /*number*/) {}

    // History and views.
    virtual void saveHistory() {}
    virtual void saveView() {}
    virtual void copyView() {}
    virtual void clearHistory() {}
    virtual void nextView() {}
    virtual void previousView() {}
    virtual void chooseView(int /*index*/) {}
    virtual void copyReviewedMessage() {}
    virtual void sendReviewedMessage() {}
    virtual void openReviewedLink() {}
    virtual void historyReport(int /*view*/) {}
    virtual void reviewHistory(int /*virtualKey*/, bool /*shift*/, bool /*control*/, bool /*alt*/) {}
    // A link in the history text between these character positions was
    // clicked (or Enter was pressed on it).
    virtual void followLink(long /*start*/, long /*end*/) {}
    // After the settings went back to their defaults: rebuild the
    // presentation of the selected server entry, start speech afresh.
    virtual void defaultsRestored() {}

    // Sound: volumes in points of 100, stopping.
    virtual void changeSoundVolume(int /*points*/) {}
    virtual void changeStreamVolume(int /*points*/) {}
    virtual void stopAllSounds() {}
    virtual void stopAllStreams() {}

    // Speech.
    virtual void nextVoice() {}
    virtual void speechRateUp() {}
    virtual void speechRateDown() {}
    virtual void toggleSpeechMute() {}

    // The arcade window of a game plug-in.
    virtual void toggleArcadeMode() {}
};
