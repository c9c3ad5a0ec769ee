// The process-wide speech layer: the engines, the choice among them and the
// library's calls forwarded to the active one.
#include "platform/speech/Speech.h"

#include <algorithm>
#include <cwchar>
#include <mutex>

#include "platform/speech/SpeechEngine.h"
#include "platform/speech/SystemQueries.h"

namespace {

struct Layer {
    std::mutex lock;
    std::vector<std::unique_ptr<SpeechEngine>> engines;
    SpeechEngine* active = nullptr;
    int nativeSpeechAllowed = 0;
    void* window = nullptr;
};

Layer& layer()
{
    static Layer instance;
    return instance;
}

// The first usable engine in the order of preference.
SpeechEngine* chooseAutomatically(Layer& l)
{
    for (auto& engine : l.engines) {
        engine->resetNumber();
        if (engine->isUsable()) return engine.get();
    }
    return nullptr;
}

SpeechEngine* chooseNumber(Layer& l, int number)
{
    for (auto& engine : l.engines) {
        if (engine->takeNumber(number) && engine->isUsable()) return engine.get();
    }
    return nullptr;
}

int copyOut(const std::wstring& text, wchar_t* buffer, int size)
{
    if (!buffer || size <= 0) return kSpeechFailed;
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::wmemcpy(buffer, text.data(), n);
    buffer[n] = L'\0';
    return text.empty() ? kSpeechFailed : kSpeechDone;
}

} // namespace

int speechStart(std::vector<std::unique_ptr<SpeechEngine>> engines)
{
    speechStop();
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    l.engines = std::move(engines);
    for (auto& engine : l.engines) engine->setMainWindow(l.window);
    l.active = chooseAutomatically(l);
    if (!l.active) {
        l.engines.clear();
        return kSpeechFailed;
    }
    return kSpeechDone;
}

void speechStop()
{
    Layer& l = layer();
    std::vector<std::unique_ptr<SpeechEngine>> old;
    {
        std::lock_guard<std::mutex> guard(l.lock);
        l.active = nullptr;
        old.swap(l.engines);
        l.nativeSpeechAllowed = 0;
    }
    // Engines with a thread of their own join it here, outside the lock.
    old.clear();
}

void speechSetMainWindow(void* window)
{
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    l.window = window;
    for (auto& engine : l.engines) engine->setMainWindow(window);
}

int speechSay(std::wstring_view text, int interrupt)
{
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    if (!l.active) return kSpeechFailed;
    return l.active->say(text, interrupt != 0) ? kSpeechDone : kSpeechFailed;
}

int brailleDisplay(std::wstring_view text)
{
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    if (!l.active) return kSpeechFailed;
    return l.active->braille(text) ? kSpeechDone : kSpeechFailed;
}

int speechSetValue(int number, int value)
{
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    if (number == SpeechValue::kEngine) {
        // An engine that cannot start leaves the current one speaking.
        SpeechEngine* chosen = value < 0 ? chooseAutomatically(l) : chooseNumber(l, value);
        if (chosen) l.active = chosen;
        if (l.active) l.active->valueKept(number, value);
        return chosen ? kSpeechDone : kSpeechFailed;
    }
    if (number == SpeechValue::kNativeSpeechAllowed) {
        // Kept and reported only: the automatic choice ends in the
        // synthesiser whatever it says, because a player without a running
        // screen reader must still hear the client.
        l.nativeSpeechAllowed = value;
        if (l.active) l.active->valueKept(number, value);
        return kSpeechDone;
    }
    if (!l.active) return kSpeechFailed;
    return l.active->setValue(number, value) ? kSpeechDone : kSpeechFailed;
}

int speechGetValue(int number)
{
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    if (number == SpeechValue::kEngine) return l.active ? l.active->number() : SpeechEngineNumber::kAutomatic;
    if (number == SpeechValue::kNativeSpeechAllowed) return l.nativeSpeechAllowed;
    if (!l.active) return 0;
    return l.active->getValue(number);
}

std::wstring speechGetString(int number)
{
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    if (number > SpeechValue::kEngine && number < SpeechValue::kEngine + 0x10000) {
        const int wanted = number - SpeechValue::kEngine - 1;
        for (auto& engine : l.engines) {
            if (engine->number() == wanted) return engine->name();
        }
        return {};
    }
    if (!l.active) return {};
    return l.active->getString(number);
}

int jfwGetRunningVersion(wchar_t* buffer, int size) { return copyOut(runningJawsVersion(), buffer, size); }

int jfwGetUserSettingsDirectory(wchar_t* buffer, int size) { return copyOut(jawsUserSettingsDirectory(), buffer, size); }

int nvdaGetRunningVersion(wchar_t* buffer, int size) { return copyOut(runningNvdaVersion(), buffer, size); }

int uninstallKeyboardHook() { return kSpeechDone; }
