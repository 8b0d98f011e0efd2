#pragma once

#include <cstdint>

namespace tolvek {

// Lets waiting user-interface events run from inside a long loop. The loops
// call it once per record or entry; it enters the event loop only when the
// given interval has passed since it last did, on the kernel's coarse clock,
// so that the window stays live while a call costs a few nanoseconds.
class EventYield {
public:
    explicit EventYield(int intervalMs = 5) : intervalMs_(intervalMs) {}

    void operator()() {
        const std::int64_t now = coarseMilliseconds();
        if (now - last_ < intervalMs_)
            return;
        last_ = now;
        processEvents();
    }

private:
    static std::int64_t coarseMilliseconds();
    static void processEvents();

    std::int64_t intervalMs_;
    std::int64_t last_ = INT64_MIN / 2;
};

}  // namespace tolvek
