// The speech library's calls as the client's speech set-up uses them, behind
// an interface so that tests can watch the set-up against a fake library.
#pragma once

#include <memory>
#include <string>
#include <vector>

class SpeechEngine;

class SpeechLibrary {
public:
    virtual ~SpeechLibrary() = default;

    // Makes the library ready to speak; false when it cannot. Called at the
    // start of every initialisation; a library already started answers true.
    virtual bool start() = 0;

    // The calls of the speech layer (platform/speech/Speech.h).
    virtual int say(const std::wstring& text, bool interrupt) = 0;
    virtual int setValue(int number, int value) = 0;
    virtual int getValue(int number) = 0;
    virtual std::wstring getString(int number) = 0;
    virtual int jfwGetRunningVersion(wchar_t* buffer, int size) = 0;
    virtual int jfwGetUserSettingsDirectory(wchar_t* buffer, int size) = 0;
    virtual int nvdaGetRunningVersion(wchar_t* buffer, int size) = 0;
};

// The process-wide speech layer as a SpeechLibrary. Its start() starts the
// layer on the engines given last (once; later starts answer as the first).
SpeechLibrary& systemSpeechLibrary();

// The engines the next start() of systemSpeechLibrary() starts the layer on.
void setSpeechEngines(std::vector<std::unique_ptr<SpeechEngine>> engines);
