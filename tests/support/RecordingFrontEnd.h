// A front-end for tests that records what the logic shows, sounds and opens,
// runs GUI-thread calls at once and answers every box alike.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "client/frontend/FrontEnd.h"

struct RecordedBox {
    std::wstring text;
    std::wstring title;
    unsigned style;
};

class RecordingFrontEnd : public FrontEnd {
public:
    std::vector<RecordedBox> boxes;
    std::vector<std::pair<unsigned, unsigned>> beeps;
    std::function<void(const RecordedBox&)> onBox;
    std::function<void(unsigned, unsigned)> onBeep;
    std::vector<std::string> opened;
    int answer = MessageBoxAnswer::kOk; // what every box answers

    void runInEDT(const std::function<void()>& work) override { work(); }
    int messageBox(const std::wstring& text, const std::wstring& title, unsigned style) override
    {
        boxes.push_back({text, title, style});
        if (onBox) onBox(boxes.back());
        return answer;
    }
    std::vector<int> quits;
    void postQuit(int exitCode) override { quits.push_back(exitCode); }
    void beep(unsigned hz, unsigned ms) override
    {
        beeps.emplace_back(hz, ms);
        if (onBeep) onBeep(hz, ms);
    }
    void openAddress(const std::string& address) override { opened.push_back(address); }
};

class ScopedFrontEnd {
public:
    explicit ScopedFrontEnd(FrontEnd& fe) { setFrontEnd(&fe); }
    ~ScopedFrontEnd() { setFrontEnd(nullptr); }
    ScopedFrontEnd(const ScopedFrontEnd&) = delete;
    ScopedFrontEnd& operator=(const ScopedFrontEnd&) = delete;
};
