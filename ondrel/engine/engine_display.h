#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cv_point.h"

namespace ondrel {

class CVSimulation;

// The figures of a run, fixed when its engine is built.
struct RunFigures {
    std::int64_t nSteps = 0;
    std::int64_t stepsPerPoint = 0;
    std::int64_t nPoints = 0;
    int nBoxes = 0;
    double dt = 0;  // s
    double dx = 0;  // cm, the first box
    double EminV = 0;
    double EmaxV = 0;
};

// The concentration profiles of a run at one moment, copied out of the
// engine: relative concentrations by species (in list order) and box.
struct ConcentrationProfiles {
    std::vector<std::string> names;
    std::vector<std::vector<double>> values;
    bool operator==(const ConcentrationProfiles&) const = default;
};

// What the engine tells whoever shows a run, and where it lets them act.
// Every call comes from the thread that runs the engine; what is handed
// over is a copy that another thread may keep and read.
class EngineDisplay {
public:
    virtual ~EngineDisplay() = default;
    virtual void ResetPilot() {}
    // Once, as the run begins, before SetPotentialRange. The engine may be
    // asked for copies of its profiles (CVSimulation::Profiles) from the
    // engine's own calls into the display until the run ends.
    virtual void RunStarting(const RunFigures& /*figures*/, const CVSimulation& /*engine*/) {}
    virtual void SetPotentialRange(double /*EmaxV*/, double /*EminV*/) {}
    virtual void StepDone(std::int64_t /*step*/, double /*currentA*/, double /*potentialMv*/) {}
    // A point stored into the caller's list, once per millivolt swept.
    virtual void PointStored(const CVpoint& /*point*/) {}
    // The profiles once more at the end of a run that completed.
    virtual void RefreshProfiles(const ConcentrationProfiles& /*profiles*/) {}
    // Called between steps, and repeatedly while frozen.
    virtual void ProcessEvents() {}
};

// Shows nothing.
class NullDisplay final : public EngineDisplay {};

}  // namespace ondrel
