#include "refresh_schedule.h"

#include <algorithm>

namespace ondrel {

RefreshSchedule::RefreshSchedule(std::int64_t stepsPerPoint, int plotInterval,
                                 int pilotRefreshInterval)
    : stepsPerPoint_(std::max<std::int64_t>(stepsPerPoint, 1)),
      plotSteps_(std::max(plotInterval, 1) * stepsPerPoint_),
      pilotSteps_(std::max(pilotRefreshInterval, 1) * stepsPerPoint_) {}

RefreshDue RefreshSchedule::at(std::int64_t step, const Tracking& tracking) const {
    RefreshDue due;
    if (step % stepsPerPoint_ == 0 && tracking.pilot) {
        due.pilotPoint = step % pilotSteps_ == 0;
        due.labels = true;
    }
    if ((tracking.voltammogram || tracking.profiles) && step % plotSteps_ == 0) {
        due.profiles = tracking.profiles;
        due.voltammogram = tracking.voltammogram;
        due.repaint = true;
    }
    return due;
}

std::int64_t ProfilePosition(int box) {
    std::int64_t x = 0, w = 10;
    for (int b = 0; b < box; ++b) {
        x += w;
        w = static_cast<std::int64_t>(static_cast<double>(w) * 1.1892);
    }
    return x;
}

}  // namespace ondrel
