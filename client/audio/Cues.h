// The client's own cues, played on no history channel: "welcome" softly
// while the connection dialog is open, faded out when it closes;
// "connecting" in a loop while a connection is tried; "connected" once the
// login succeeded.
#pragma once

#include <atomic>
#include <cstdint>

class Sounds;

class Cues {
public:
    explicit Cues(Sounds& sounds) : sounds_(sounds) {}

    void welcome();
    // Over 1.5 s.
    void fadeWelcome();
    void connecting(bool on);
    void connected();

private:
    Sounds& sounds_;
    // The cues that are changed after they started; any thread may.
    std::atomic<std::uint32_t> welcome_{0};
    std::atomic<std::uint32_t> connecting_{0};
};
