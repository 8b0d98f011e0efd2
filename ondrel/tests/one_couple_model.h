#pragma once

#include "model/model.h"

namespace ondrel::testing {

// One reversible couple at 1.25 V (E3 - e -> E2) swept from 300 mV below it
// to 300 mV above and back, far enough from E° that the start leaves no
// transient of its own: one peak each way.
inline TModel OneCoupleModel() {
    TModel model = DefaultModel();
    model.couples.remove(1);
    model.pilot.Einitial = 0.95;
    model.pilot.Eswitch1 = 1.55;
    model.pilot.Efinal = 0.95;
    return model;
}

}  // namespace ondrel::testing
