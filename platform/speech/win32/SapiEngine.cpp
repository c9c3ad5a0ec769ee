// The SAPI 5 synthesiser (engine 7): one ISpVoice on the engine's thread,
// speaking asynchronously, its voices listed from the voice token category.
#include <windows.h>

#include <sapi.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/speech/Speech.h"
#include "platform/speech/SpeechQueue.h"
#include "platform/speech/win32/ComPtr.h"
#include "platform/speech/win32/WindowsEngines.h"

namespace {

// {96749377-3391-11D2-9EE3-00C04F797396} and
// {A910187F-0C7A-45AC-92CC-59EDAFB77B53}, as SAPI documents them.
constexpr CLSID kSpVoice = {0x96749377, 0x3391, 0x11d2, {0x9e, 0xe3, 0x00, 0xc0, 0x4f, 0x79, 0x73, 0x96}};
constexpr CLSID kSpObjectTokenCategory = {0xa910187f, 0x0c7a, 0x45ac, {0x92, 0xcc, 0x59, 0xed, 0xaf, 0xb7, 0x7b, 0x53}};
constexpr const wchar_t* kVoicesCategory = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices";

// SAPI's ranges: volume in percent, rate and pitch from -10 to 10.
constexpr int kVolumeMinimum = 0;
constexpr int kVolumeMaximum = 100;
constexpr int kStepMinimum = -10;
constexpr int kStepMaximum = 10;

// Text that SAPI must read as XML, every character that could open markup
// written as an entity; characters XML cannot carry become spaces.
std::wstring escapedForXml(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size() + 16);
    for (wchar_t c : text) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        default: out.push_back(c < 0x20 && c != L'\t' && c != L'\r' && c != L'\n' ? L' ' : c);
        }
    }
    return out;
}

class SapiEngine : public SpeechEngine {
public:
    SapiEngine() : queue_([this] { open(); }, [this] { close(); }) {}

    int number() const override { return SpeechEngineNumber::kSynthesiser; }
    std::wstring name() const override { return L"SAPI 5"; }

    bool isUsable() override
    {
        // Waits, once, for the thread to have made its voice.
        queue_.call([] {});
        return ready_;
    }

    bool say(std::wstring_view text, bool interrupt) override
    {
        if (!ready_ || !haveVoices_) return false;
        queue_.post([this, text = std::wstring(text), interrupt] { speak(text, interrupt); }, interrupt);
        return true;
    }

    bool braille(std::wstring_view) override { return false; }

    bool setValue(int number, int value) override
    {
        bool ok = false;
        queue_.call([&] { ok = voice_ && apply(number, value); });
        return ok;
    }

    int getValue(int number) override
    {
        int value = 0;
        queue_.call([&] {
            if (voice_) value = read(number);
        });
        return value;
    }

    std::wstring getString(int number) override
    {
        std::wstring name;
        queue_.call([&] {
            const int index = number - SpeechValue::kVoice - 1;
            if (index >= 0 && static_cast<std::size_t>(index) < names_.size()) name = names_[index];
        });
        return name;
    }

private:
    void open()
    {
        apartment_ = std::make_unique<ComApartment>();
        if (FAILED(CoCreateInstance(kSpVoice, nullptr, CLSCTX_ALL, __uuidof(ISpVoice), voice_.putVoid()))) return;
        listVoices();
        ready_ = true;
    }

    void close()
    {
        ready_ = false;
        tokens_.clear();
        names_.clear();
        // Releasing the voice stops what it still speaks.
        voice_.reset();
        apartment_.reset();
    }

    void listVoices()
    {
        ComPtr<ISpObjectTokenCategory> category;
        if (FAILED(CoCreateInstance(kSpObjectTokenCategory, nullptr, CLSCTX_ALL, __uuidof(ISpObjectTokenCategory),
                                    category.putVoid()))
            || FAILED(category->SetId(kVoicesCategory, FALSE))) {
            return;
        }
        ComPtr<IEnumSpObjectTokens> tokens;
        if (FAILED(category->EnumTokens(nullptr, nullptr, tokens.put())) || !tokens) return;
        ULONG count = 0;
        if (FAILED(tokens->GetCount(&count))) return;
        for (ULONG i = 0; i < count; ++i) {
            ComPtr<ISpObjectToken> token;
            if (FAILED(tokens->Item(i, token.put())) || !token) continue;
            CoTaskText description;
            std::wstring name;
            if (SUCCEEDED(token->GetStringValue(nullptr, description.put())) && description.get()) {
                name = description.get();
            }
            if (name.empty()) {
                // Tokens without a description still name themselves among
                // their attributes.
                ComPtr<ISpDataKey> attributes;
                CoTaskText attributeName;
                if (SUCCEEDED(token->OpenKey(L"Attributes", attributes.put())) && attributes
                    && SUCCEEDED(attributes->GetStringValue(L"Name", attributeName.put())) && attributeName.get()) {
                    name = attributeName.get();
                }
            }
            if (name.empty()) name = L"Voice " + std::to_wstring(i + 1);
            names_.push_back(name);
            tokens_.push_back(std::move(token));
        }
        haveVoices_ = !tokens_.empty();
    }

    void speak(const std::wstring& text, bool interrupt)
    {
        if (!voice_) return;
        DWORD flags = SPF_ASYNC | (interrupt ? SPF_PURGEBEFORESPEAK : 0);
        std::wstring spoken;
        if (pitch_ == 0) {
            // Server text is read as it is written, never as SAPI markup.
            flags |= SPF_IS_NOT_XML;
            spoken = text;
        } else {
            // The pitch has no call of its own, only markup; the text inside
            // is escaped so that it still cannot be read as markup.
            flags |= SPF_IS_XML;
            spoken = L"<pitch absmiddle=\"" + std::to_wstring(pitch_) + L"\">" + escapedForXml(text) + L"</pitch>";
        }
        voice_->Speak(spoken.c_str(), flags, nullptr);
    }

    bool apply(int number, int value)
    {
        switch (number) {
        case SpeechValue::kVolume:
            return value >= kVolumeMinimum && value <= kVolumeMaximum
                && SUCCEEDED(voice_->SetVolume(static_cast<USHORT>(value)));
        case SpeechValue::kRate:
            return value >= kStepMinimum && value <= kStepMaximum && SUCCEEDED(voice_->SetRate(value));
        case SpeechValue::kPitch:
            if (value < kStepMinimum || value > kStepMaximum) return false;
            pitch_ = value;
            return true;
        case SpeechValue::kVoice:
            if (value < 0 || static_cast<std::size_t>(value) >= tokens_.size()) return false;
            return SUCCEEDED(voice_->SetVoice(tokens_[value].get()));
        default: return false;
        }
    }

    int currentVoice()
    {
        ComPtr<ISpObjectToken> current;
        CoTaskText currentId;
        if (FAILED(voice_->GetVoice(current.put())) || !current || FAILED(current->GetId(currentId.put()))
            || !currentId.get()) {
            return -1;
        }
        for (std::size_t i = 0; i < tokens_.size(); ++i) {
            CoTaskText id;
            if (SUCCEEDED(tokens_[i]->GetId(id.put())) && id.get() && _wcsicmp(id.get(), currentId.get()) == 0) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    int read(int number)
    {
        switch (number) {
        case SpeechValue::kVolume: {
            USHORT volume = 0;
            return SUCCEEDED(voice_->GetVolume(&volume)) ? volume : 0;
        }
        case SpeechValue::kVolume + SpeechValue::kMaximumOffset: return kVolumeMaximum;
        case SpeechValue::kVolume + SpeechValue::kMinimumOffset: return kVolumeMinimum;
        case SpeechValue::kRate: {
            long rate = 0;
            return SUCCEEDED(voice_->GetRate(&rate)) ? static_cast<int>(rate) : 0;
        }
        case SpeechValue::kPitch: return pitch_;
        case SpeechValue::kRate + SpeechValue::kMaximumOffset:
        case SpeechValue::kPitch + SpeechValue::kMaximumOffset: return kStepMaximum;
        case SpeechValue::kRate + SpeechValue::kMinimumOffset:
        case SpeechValue::kPitch + SpeechValue::kMinimumOffset: return kStepMinimum;
        case SpeechValue::kVolume + SpeechValue::kSupportedOffset:
        case SpeechValue::kRate + SpeechValue::kSupportedOffset:
        case SpeechValue::kPitch + SpeechValue::kSupportedOffset: return 1;
        case SpeechValue::kVoice: return currentVoice();
        default: return 0;
        }
    }

    // Touched only on the engine's thread.
    std::unique_ptr<ComApartment> apartment_;
    ComPtr<ISpVoice> voice_;
    std::vector<ComPtr<ISpObjectToken>> tokens_;
    std::vector<std::wstring> names_;
    int pitch_ = 0;
    // Written once by the thread before any call returns.
    std::atomic<bool> ready_{false};
    std::atomic<bool> haveVoices_{false};
    // Last: its thread uses the members above and ends before they go.
    SpeechQueue queue_;
};

} // namespace

std::unique_ptr<SpeechEngine> makeSapiEngine() { return std::make_unique<SapiEngine>(); }
