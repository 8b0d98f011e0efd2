#include "sweep_simulation.h"

#include "../engine/engine_display.h"
#include "../engine/implicit_engine.h"

namespace ondrel {

namespace {

// Keeps every step's potential and current, a new sweep where the
// potential turns.
class SweepRecorder final : public EngineDisplay {
public:
    explicit SweepRecorder(const std::atomic<bool>& stop) : stop_(stop) {}

    void StepDone(std::int64_t, double currentA, double potentialMv) override {
        if (sweeps_.empty() || turns(potentialMv))
            sweeps_.emplace_back();
        SweepSamples& sweep = sweeps_.back();
        if (sweep.direction == 0 && !sweep.potential.empty())
            sweep.direction = potentialMv > sweep.potential.back() ? 1 : -1;
        sweep.potential.push_back(potentialMv);
        sweep.current.push_back(currentA * 1e6);
    }
    void ProcessEvents() override {
        if (stop_.load(std::memory_order_relaxed))
            throw FitStoppedException();
    }
    std::vector<SweepSamples> take() { return std::move(sweeps_); }

private:
    bool turns(double E) const {
        const SweepSamples& sweep = sweeps_.back();
        return sweep.direction != 0 && (E - sweep.potential.back()) * sweep.direction < 0;
    }

    const std::atomic<bool>& stop_;
    std::vector<SweepSamples> sweeps_;
};

}  // namespace

std::vector<SweepSamples> SimulateSweeps(const TModel& model, int stepsPerMv,
                                         const std::atomic<bool>& stop) {
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    SweepRecorder recorder(stop);
    TImplicitEngine engine(model, points, freeze, recorder, stepsPerMv);
    engine.Run();
    std::vector<SweepSamples> sweeps = recorder.take();
    // A sweep of one step has no direction: it follows its program.
    for (std::size_t i = 0; i < sweeps.size(); ++i)
        if (sweeps[i].direction == 0)
            sweeps[i].direction = i > 0 ? -sweeps[i - 1].direction : 1;
    return sweeps;
}

TModel WithProgram(TModel model, const TPilot& program) {
    TPilot& pilot = model.pilot;
    pilot.Einitial = program.Einitial;
    pilot.Eswitch1 = program.Eswitch1;
    pilot.Eswitch2 = program.Eswitch2;
    pilot.Efinal = program.Efinal;
    pilot.scanRate = program.scanRate;
    pilot.halfCycles = program.halfCycles;
    pilot.ComputeDurations();
    return model;
}

}  // namespace ondrel
