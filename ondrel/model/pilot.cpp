#include "pilot.h"

#include <cmath>

namespace ondrel {

void TPilot::ComputeDurations() {
    if (halfCycles < 1 || halfCycles > 3)
        return;
    const double legs[3] = {Eswitch1 - Einitial, Eswitch2 - Eswitch1, Efinal - Eswitch2};
    totalTime = 0;
    for (int s = 0; s < halfCycles; ++s) {
        duration[s] = std::fabs(legs[s]) / scanRate;
        totalTime += duration[s];
    }
}

}  // namespace ondrel
