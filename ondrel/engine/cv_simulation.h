#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "../model/model.h"
#include "cv_point.h"
#include "engine_display.h"

namespace ondrel {

// One simulated cyclic voltammogram of a model, by whichever solver the
// model names. It stores one point per millivolt swept into the caller's
// list and reports to a display as it goes.
//
// Stop, ToggleHold and the freeze flag may be used from another thread than
// the one that runs.
class CVSimulation {
public:
    virtual ~CVSimulation() = default;

    // The whole experiment. Throws EngineStopException when stopped,
    // EngineErrorException when the solution stops being finite, and
    // Exception for a model without couples or an unsupported method.
    virtual void Run() = 0;
    void Stop() { stopRequested_ = true; }
    void ToggleHold() { hold_ = !hold_; }
    bool holding() const { return hold_; }

    virtual RunFigures figures() const = 0;
    // The potential of the electrode itself at the last step (V), where an
    // uncompensated resistance sets it apart from the applied one; empty
    // where none acts.
    virtual std::optional<double> ElectrodePotential() const { return std::nullopt; }
    // A copy of every species' profile, for a display on another thread.
    virtual ConcentrationProfiles Profiles() const = 0;
    int plotInterval() const { return plotInterval_; }
    int pilotRefreshInterval() const { return pilotRefreshInterval_; }
    const TPilot& pilot() const { return pilot_; }
    const TEspeces& species() const { return species_; }
    int nSpecies() const { return nSpecies_; }

protected:
    // The run's copy of the model's species, program, cell and intervals;
    // refuses a model as CheckRunnable does. The program's durations are
    // computed.
    CVSimulation(const TModel& model, std::vector<CVpoint>& points, const std::atomic<bool>& freeze,
                 EngineDisplay& display);

    // Refuses a model that no solver can run: a couple or reaction that
    // names no species of the list (EngineErrorException), or what
    // ModelProblem names (Exception).
    static void CheckRunnable(const TModel& model);

    // The figures of a run of this program: the counts and steps given, the
    // potential range from the program's four potentials.
    RunFigures figuresOf(std::int64_t nSteps, std::int64_t stepsPerPoint, std::int64_t nPoints,
                         int nBoxes, double dt, double dx) const;

    // The potential program, step by step, as every solver runs it: stop,
    // freeze and hold between steps; step(index, E) advances the solution
    // to potential E (V) and returns the current (A); each step is reported
    // and one point stored per stepsPerPoint steps.
    void RunProgram(std::int64_t nSteps, std::int64_t stepsPerPoint,
                    const std::function<double(std::int64_t, double)>& step);
    // The same program for a solver that chooses its own time steps between
    // stored points: advance(index, path) is called at each step that stores
    // a point, and at the last step, with the potentials (V) of the steps
    // since the last call, each T / nSteps long, and returns the current (A)
    // at the last of them, which alone is reported. Stop, freeze and hold
    // still act between single steps.
    void RunProgramByPoints(
        std::int64_t nSteps, std::int64_t stepsPerPoint,
        const std::function<double(std::int64_t, const std::vector<double>&)>& advance);
    // A solver that runs the program's quiet time does it here: called as
    // the run starts (after the display was told so), before the first
    // step. Nothing of it is reported or stored.
    virtual void RunQuietTime() {}
    // Between two steps, also of the quiet time: ends the run where it was
    // stopped (EngineStopException), lets the caller's events run and waits
    // while frozen; a method other than 0 fails here.
    void AwaitNextStep();

private:
    // The program's steps as runs of potentials start + k·increment,
    // k = 1..steps: the half-cycles of a linear sweep of nSteps steps in
    // all, or a staircase's first step and its half-cycles.
    struct ProgramLeg {
        double start, increment;
        std::int64_t steps;
    };
    std::vector<ProgramLeg> programLegs(std::int64_t nSteps) const;
    void runSteps(std::int64_t nSteps, std::int64_t stepsPerPoint, bool byPoints,
                  const std::function<double(std::int64_t, const std::vector<double>&)>& advance);
    // Advances through the steps of path, reports the last, and empties it.
    double finishSteps(
        std::int64_t index, std::vector<double>& path,
        const std::function<double(std::int64_t, const std::vector<double>&)>& advance);

protected:
    TEspeces species_;
    TPilot pilot_;
    std::uint8_t method_;
    int plotInterval_, pilotRefreshInterval_;
    double temperature_, area_, diffusionScale_, concScale_;
    int nSpecies_;
    std::vector<CVpoint>& points_;
    const std::atomic<bool>& freeze_;
    EngineDisplay& display_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> hold_{false};
};

// The simulation of the model's solver. Throws as the solver's constructor
// does for a model it cannot simulate.
std::unique_ptr<CVSimulation> MakeSimulation(const TModel& model, std::vector<CVpoint>& points,
                                             const std::atomic<bool>& freeze,
                                             EngineDisplay& display);

}  // namespace ondrel
