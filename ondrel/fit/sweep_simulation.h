#pragma once

#include <atomic>
#include <vector>

#include "../model/model.h"
#include "../platform/ondrel_error.h"
#include "sweeps.h"

namespace ondrel {

// A simulation given up because the fit was stopped.
class FitStoppedException : public Exception {
public:
    FitStoppedException() : Exception("The fit was stopped.") {}
};

// The model's voltammogram by the implicit solver, on its time steps (not
// only the stored millivolts), split into its sweeps. The stop flag is read
// between steps (FitStoppedException). Throws what the solver throws for a
// model it cannot run.
std::vector<SweepSamples> SimulateSweeps(const TModel& model, int stepsPerMv,
                                         const std::atomic<bool>& stop);

// The model with the potential program of a recording put in: the
// potentials, scan rate and half-cycles; the cell (Ru, Cdl) stays the
// model's.
TModel WithProgram(TModel model, const TPilot& program);

}  // namespace ondrel
