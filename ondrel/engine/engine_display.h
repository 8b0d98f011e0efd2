#pragma once

#include <cstdint>

namespace ondrel {

class TCVEngine;

// What the engine tells whoever shows a run, and where it lets them act.
class EngineDisplay {
public:
    virtual ~EngineDisplay() = default;
    virtual void ResetPilot() {}
    virtual void SetPotentialRange(double /*EmaxV*/, double /*EminV*/) {}
    virtual void StepDone(std::int64_t /*step*/, double /*currentA*/, double /*potentialMv*/) {}
    virtual void RefreshProfiles(const TCVEngine& /*engine*/) {}
    // Called between steps, and repeatedly while frozen.
    virtual void ProcessEvents() {}
};

// Shows nothing.
class NullDisplay final : public EngineDisplay {};

}  // namespace ondrel
