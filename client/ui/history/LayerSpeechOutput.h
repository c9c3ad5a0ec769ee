// The history's speech going to the speech layer (the player's screen
// reader or synthesiser, and its braille display).
#pragma once

#include "client/ui/history/HistoryOwner.h"
#include "platform/speech/Speech.h"

class LayerSpeechOutput : public SpeechOutput {
public:
    void say(const std::wstring& text, bool interrupt) override { speechSay(text, interrupt ? 1 : 0); }
    void braille(const std::wstring& text) override { brailleDisplay(text); }
};
