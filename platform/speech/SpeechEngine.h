// One speech engine behind the layer: a screen reader, a synthesiser or the
// recording engine. The layer holds the engines and forwards each call to
// the active one under its own lock, one call at a time.
#pragma once

#include <string>
#include <string_view>

class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;

    // The engine number it answers as (SpeechEngineNumber).
    virtual int number() const = 0;

    // Its name, for the list of engines.
    virtual std::wstring name() const = 0;

    // Whether it can speak now: its screen reader runs, its service answers.
    // The automatic choice and an explicit choice both ask it.
    virtual bool isUsable() = 0;

    // Whether an explicit choice of this engine number selects this engine.
    // Engines answer for their own number; the recording engine takes any
    // number and reports it afterwards, so that tests see the choices made.
    virtual bool takeNumber(int engine) { return engine == number(); }

    // Back to the engine's own number after an automatic choice.
    virtual void resetNumber() {}

    // The calls of the layer (see Speech.h), for values other than the
    // engine choice and "native speech allowed", which the layer keeps.
    virtual bool say(std::wstring_view text, bool interrupt) = 0;
    virtual bool braille(std::wstring_view text) = 0;
    virtual bool setValue(int number, int value) = 0;
    virtual int getValue(int number) = 0;
    virtual std::wstring getString(int number) = 0;

    // A value the layer kept itself (the engine choice, "native speech
    // allowed") was set; the recording engine writes it down.
    virtual void valueKept(int /*number*/, int /*value*/) {}

    // The main window (an HWND on Windows); most engines need none.
    virtual void setMainWindow(void* /*window*/) {}
};
