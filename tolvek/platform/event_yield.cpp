#include "event_yield.h"

#include <time.h>

#include <QCoreApplication>

namespace tolvek {

std::int64_t EventYield::coarseMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void EventYield::processEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

}  // namespace tolvek
