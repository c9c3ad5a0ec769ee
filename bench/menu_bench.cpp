// The menu model without a screen: a key typed in a 10,000-item type-ahead
// list to its new selection, and "menu" and "mupi" applied to the model.
// Prints the median and worst times.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "client/ui/menu/MenuOwner.h"

namespace {

using Clock = std::chrono::steady_clock;

struct NullScreen : MenuDisplay, SpeechOutput, MenuReplies {
    void checkListStyle(const Menu*) override {}
    void fillList(const Menu* top) override { lines = top ? top->lineCount() : 0; }
    void appendLine(const std::wstring&) override { ++lines; }
    void deleteLine(int) override { --lines; }
    void replaceLine(int, const std::wstring&) override {}
    int lineCount() const override { return lines; }
    void selectLine(int) override {}
    void refusalBeep() override {}
    bool altHeld() const override { return false; }
    void runLater(unsigned, std::function<void()>) override {}
    void say(const std::wstring&, bool) override {}
    void braille(const std::wstring&) override {}
    void choice(int, int, const std::string&) override {}
    void cancel(int) override {}
    void menuKey(int, int, int, const std::string&) override {}
    void key(int) override {}
    int lines = 0;
};

std::string description(int id, int count, int flags)
{
    std::string s = std::to_string(id) + "\x7F" "1\x7F" + std::to_string(count) + "\x7F" "0\x7F" + std::to_string(flags) + "\x7F";
    for (int i = 0; i < count; ++i) {
        // Names that share their first letters, so that searches go far.
        s += "\x7F" "Player " + std::to_string(i * 7919 % count) + "\x7Fp" + std::to_string(i) + "\x7Fnull\x7F#3";
    }
    return s;
}

void report(const char* what, std::vector<double>& us, double goalUs)
{
    std::sort(us.begin(), us.end());
    std::printf("%-44s median %9.1f us  worst %9.1f us  goal %8.0f us\n", what, us[us.size() / 2], us.back(), goalUs);
}

template <class F>
double timeUs(F f)
{
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

} // namespace

int main()
{
    NullScreen screen;
    auto now = Clock::now();
    MenuOwner menus(screen, screen, screen, [](const std::wstring&, int) {}, [] { return true; }, [&] { return now; });

    std::vector<double> apply;
    const std::string big = description(1, 10000, MenuFlag::kTypeAhead);
    for (int i = 0; i < 20; ++i) apply.push_back(timeUs([&] { menus.menuUpdate(big, 1); }));
    report("\"menu\" of 10,000 items (model only)", apply, 300000);

    std::vector<double> change;
    for (int i = 0; i < 200; ++i) {
        const std::string text = std::to_string(i * 37 % 10000) + "\x7F" "Changed\x7Ftag\x7Fnull\x7Fnull";
        change.push_back(timeUs([&] { menus.menuUpdate(text, 0); }));
    }
    report("\"mupi\" on 10,000 items (model only)", change, 5000);

    // Each key starts a new search (more than 500 ms apart), and a second
    // key narrows it; "Player 9999" style prefixes walk most of the list.
    std::vector<double> keys;
    const wchar_t typed[] = L"p9z";
    for (int i = 0; i < 300; ++i) {
        now += std::chrono::milliseconds(i % 3 == 0 ? 600 : 10);
        const wchar_t c = typed[i % 3];
        keys.push_back(timeUs([&] { menus.listCharacter(c, {}); }));
    }
    report("type-ahead key in 10,000 items", keys, 1000);
    return 0;
}
