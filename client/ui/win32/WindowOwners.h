// The window program's owners of the main window's history and view
// commands: the history owner over the rich-edit control, the save dialog,
// links in the history, and the reports for the server.
#pragma once

#include <windows.h>

#include "client/ui/InterfaceOwners.h"
#include "client/ui/history/HistoryOwner.h"
#include "client/ui/win32/HistoryControl.h"

class MainWindow;

class WindowOwners : public InterfaceOwners {
public:
    WindowOwners(MainWindow& window, SpeechOutput& speech);

    HistoryOwner& history() { return history_; }
    HistoryControl& historyControl() { return control_; }

    // The presentation of the selected server entry, in the colours that
    // suit the window's background.
    void loadPresentation();

    void saveHistory() override;
    void saveView() override;
    void copyView() override { history_.copyView(); }
    void clearHistory() override { history_.clear(); }
    void nextView() override { history_.changeView(1, false); }
    void previousView() override { history_.changeView(-1, false); }
    void chooseView(int index) override { history_.changeView(index, true); }
    void copyReviewedMessage() override { history_.copyReviewedMessage(); }
    void sendReviewedMessage() override { history_.sendReviewedMessage(); }
    void openReviewedLink() override;
    void historyReport(int view) override { history_.report(view); }
    void reviewHistory(int virtualKey, bool shift, bool control, bool) override
    {
        history_.reviewKey(virtualKey, shift, control);
    }
    void followLink(long start, long end) override;
    // The presentation of the selected entry and speech as at start-up.
    void defaultsRestored() override;
    void toggleSpeechMute() override { history_.toggleMute(); }
    void nextVoice() override;
    void speechRateUp() override;
    void speechRateDown() override;

    // Writes a view as the save command does: view 0 as the control's text
    // in UTF-8 or as RTF (UTF-8 code page), other views as their messages'
    // texts in UTF-8, one per line. False when the file could not be written.
    bool writeView(const std::string& path, int view, bool rtf);

private:
    // Saves the current view (view 0: the control's text or RTF).
    void saveCurrentView();
    void openLinkIn(const std::wstring& text);

    MainWindow& window_;
    HistoryControl control_;
    HistoryOwner history_;
};
