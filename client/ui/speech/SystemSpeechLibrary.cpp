// The speech set-up's view of the process-wide speech layer.
#include "client/ui/speech/SpeechLibrary.h"

#include "platform/speech/Speech.h"
#include "platform/speech/SpeechEngine.h"

namespace {

class SystemSpeechLibrary : public SpeechLibrary {
public:
    void setEngines(std::vector<std::unique_ptr<SpeechEngine>> engines)
    {
        engines_ = std::move(engines);
        started_ = false;
    }

    bool start() override
    {
        if (!started_) started_ = speechStart(std::move(engines_)) == kSpeechDone;
        engines_.clear();
        return started_;
    }

    int say(const std::wstring& text, bool interrupt) override { return speechSay(text, interrupt ? 1 : 0); }
    int setValue(int number, int value) override { return speechSetValue(number, value); }
    int getValue(int number) override { return speechGetValue(number); }
    std::wstring getString(int number) override { return speechGetString(number); }
    int jfwGetRunningVersion(wchar_t* buffer, int size) override { return ::jfwGetRunningVersion(buffer, size); }
    int jfwGetUserSettingsDirectory(wchar_t* buffer, int size) override
    {
        return ::jfwGetUserSettingsDirectory(buffer, size);
    }
    int nvdaGetRunningVersion(wchar_t* buffer, int size) override { return ::nvdaGetRunningVersion(buffer, size); }

private:
    std::vector<std::unique_ptr<SpeechEngine>> engines_;
    bool started_ = false;
};

SystemSpeechLibrary& instance()
{
    static SystemSpeechLibrary library;
    return library;
}

} // namespace

SpeechLibrary& systemSpeechLibrary() { return instance(); }

void setSpeechEngines(std::vector<std::unique_ptr<SpeechEngine>> engines) { instance().setEngines(std::move(engines)); }
