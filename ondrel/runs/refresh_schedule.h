#pragma once

#include <cstdint>

namespace ondrel {

// Which of the three charts the user follows during a run.
struct Tracking {
    bool voltammogram = false;
    bool profiles = false;
    bool pilot = false;
};

// What falls due at one step of a run.
struct RefreshDue {
    bool pilotPoint = false;    // add (step, E) to the pilot trace
    bool labels = false;        // show E, I and the step
    bool profiles = false;      // redraw the concentration profiles
    bool voltammogram = false;  // append the new points to the curve
    bool repaint = false;       // repaint the pilot chart and the labels
    bool any() const { return pilotPoint || labels || profiles || voltammogram || repaint; }
};

// When a running engine's charts are refreshed. Once per millivolt (every
// stepsPerPoint steps): with the pilot tracked, its labels, and a pilot
// point every pilotRefreshInterval mV. Every plotInterval mV: with the
// voltammogram or the profiles tracked, those of them that are, then a
// repaint of the pilot chart and labels. An interval below 1 mV counts as
// 1 mV (a zero would divide by zero).
class RefreshSchedule {
public:
    RefreshSchedule(std::int64_t stepsPerPoint, int plotInterval, int pilotRefreshInterval);

    RefreshDue at(std::int64_t step, const Tracking& tracking) const;

private:
    std::int64_t stepsPerPoint_;
    std::int64_t plotSteps_;
    std::int64_t pilotSteps_;
};

// The x positions of the boxes on the profile chart: 0, 10, 21, 34, 49, ...
// (each gap the last one times 1.1892, truncated).
std::int64_t ProfilePosition(int box);

}  // namespace ondrel
