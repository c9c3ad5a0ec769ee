// A connection clock for tests: time stands still at 0 and sleeps return at
// once, adding up how long they were asked to last.
#pragma once

#include "client/net/Connection.h"

class CountingClock : public ConnectionClock {
public:
    std::int64_t nowSeconds() override { return 0; }
    void sleepMs(unsigned ms) override { slept += ms; }
    unsigned slept = 0;
};
