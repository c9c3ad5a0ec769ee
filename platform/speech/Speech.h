// The speech layer: the calls of the speech library the client was written
// against, with its value and engine numbers, over the engines of this
// platform (screen readers, a synthesiser, a recording engine for tests).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class SpeechEngine;

// Values, addressed by number. For the numeric values below kSpeechVoice
// (volume, rate, pitch, inflexion at base p) the layer also answers p + 1
// (maximum), p + 2 (minimum) and p + 3 (1 when the engine supports it).
// For the list values (engine, sub-engine, language, voice at base b),
// speechGetString(b + 1 + n) names entry n, empty when there is none.
namespace SpeechValue {
constexpr int kEngine = 0x40000;
constexpr int kSubengine = 0x30000;
constexpr int kLanguage = 0x20000;
constexpr int kVoice = 0x10000;
constexpr int kVolume = 0;
constexpr int kRate = 4;
constexpr int kPitch = 8;
constexpr int kInflexion = 12;
constexpr int kNativeSpeechAllowed = 0xFFFF;
constexpr int kMaximumOffset = 1;
constexpr int kMinimumOffset = 2;
constexpr int kSupportedOffset = 3;
} // namespace SpeechValue

// Engine numbers. Automatic asks the layer to choose: JAWS when it runs,
// else NVDA when it runs, else the synthesiser.
namespace SpeechEngineNumber {
constexpr int kAutomatic = -1;
constexpr int kJaws = 0;
constexpr int kNvda = 2;
constexpr int kSynthesiser = 7;
} // namespace SpeechEngineNumber

// Results of the calls that report success.
constexpr int kSpeechDone = 1;
constexpr int kSpeechFailed = 0;

// Speaks the text; interrupt = 1 first silences what is being spoken and
// drops what waits. Never waits for the speech: engines that may be slow
// speak on a thread of their own, in the order the texts came. kSpeechDone
// when the text was handed to the engine, kSpeechFailed when no engine takes
// it.
int speechSay(std::wstring_view text, int interrupt);

// Sets a value (see SpeechValue); kSpeechDone or kSpeechFailed when the
// active engine does not have it or refuses the value.
int speechSetValue(int number, int value);

// A value; 0 for what the engine does not have. The engine value is the
// active engine's number, -1 when none could start.
int speechGetValue(int number);

// A name (see SpeechValue); empty when there is none.
std::wstring speechGetString(int number);

// Shows the text on the braille display of the screen reader, where the
// active engine has one; kSpeechDone or kSpeechFailed.
int brailleDisplay(std::wstring_view text);

// The running JAWS's version ("major.minor.build") or its user settings
// folder, and the running NVDA's version, into buffer (at most size - 1
// characters and a terminating zero). kSpeechDone, or kSpeechFailed with an
// empty buffer when the screen reader does not run or the answer is unknown.
int jfwGetRunningVersion(wchar_t* buffer, int size);
int jfwGetUserSettingsDirectory(wchar_t* buffer, int size);
int nvdaGetRunningVersion(wchar_t* buffer, int size);

// Lets keys go straight to the window again while JAWS would otherwise take
// them for its own commands (the arcade window calls it when it loses the
// focus). Nothing to undo here: the layer installs no keyboard hook of its
// own, and JAWS's hook belongs to JAWS. kSpeechDone.
int uninstallKeyboardHook();

// Starts the layer on the engines, in the order of preference of the
// automatic choice, and makes the automatic choice. Replaces engines given
// before. kSpeechDone, or kSpeechFailed (nothing started) when none of them
// can speak.
int speechStart(std::vector<std::unique_ptr<SpeechEngine>> engines);

// Stops and frees the engines; the calls then fail until the next start.
void speechStop();

// The main window (an HWND on Windows), for engines that speak through it.
void speechSetMainWindow(void* window);

// The engines of this system in the order of the automatic choice: on
// Windows JAWS, NVDA and the SAPI 5 synthesiser; elsewhere none (the
// programs pick speech-dispatcher or the recording engine themselves).
std::vector<std::unique_ptr<SpeechEngine>> systemSpeechEngines();
