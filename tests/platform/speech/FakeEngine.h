// An engine for the layer's tests: its number, whether it can speak and what
// it was asked, all stated and recorded by the test.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/speech/SpeechEngine.h"

struct FakeEngineRecord {
    std::vector<std::wstring> said;
    std::vector<std::wstring> brailled;
    std::vector<std::pair<int, int>> sets;
};

class FakeEngine : public SpeechEngine {
public:
    FakeEngine(int number, bool usable, std::shared_ptr<FakeEngineRecord> record)
        : number_(number), usable_(usable), record_(std::move(record))
    {
    }

    int number() const override { return number_; }
    std::wstring name() const override { return L"fake " + std::to_wstring(number_); }
    bool isUsable() override { return usable_; }
    bool say(std::wstring_view text, bool) override
    {
        record_->said.emplace_back(text);
        return true;
    }
    bool braille(std::wstring_view text) override
    {
        record_->brailled.emplace_back(text);
        return true;
    }
    bool setValue(int number, int value) override
    {
        record_->sets.emplace_back(number, value);
        values_[number] = value;
        return number == 0;
    }
    int getValue(int number) override { return values_.count(number) ? values_[number] : 0; }
    std::wstring getString(int number) override { return number == 0x10001 ? L"voice of " + name() : L""; }

private:
    int number_;
    bool usable_;
    std::shared_ptr<FakeEngineRecord> record_;
    std::map<int, int> values_;
};
