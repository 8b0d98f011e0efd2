#include "cv_simulation.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include "../model/validity.h"
#include "../platform/float_text.h"
#include "cv_engine.h"
#include "engine_errors.h"
#include "implicit_engine.h"
#include "model_check.h"
#include "program_check.h"

namespace ondrel {

CVSimulation::CVSimulation(const TModel& model, std::vector<CVpoint>& points,
                           const std::atomic<bool>& freeze, EngineDisplay& display)
    : species_(model.species),
      pilot_(model.pilot),
      method_(model.method),
      plotInterval_(model.plotInterval),
      pilotRefreshInterval_(model.pilotRefreshInterval),
      temperature_(model.temperature),
      area_(model.area),
      diffusionScale_(model.diffusionScale),
      concScale_(model.concScale),
      nSpecies_(model.species.count()),
      points_(points),
      freeze_(freeze),
      display_(display) {
    CheckRunnable(model);
    display_.ResetPilot();
    pilot_.ComputeDurations();
}

void CVSimulation::CheckRunnable(const TModel& model) {
    // Never read outside the lists, whatever a model file held.
    for (const TRedox& c : model.couples)
        if (!CoupleRunnable(c, model.species.count()))
            throw EngineErrorException(kInvalidRedox);
    for (const TChemical& r : model.reactions)
        if (!ReactionValid(r, model.species.count()))
            throw EngineErrorException(kInvalidChemical);
    if (const std::string problem = ModelProblemForAnySolver(model); !problem.empty())
        throw Exception(problem);
}

RunFigures CVSimulation::figuresOf(std::int64_t nSteps, std::int64_t stepsPerPoint,
                                   std::int64_t nPoints, int nBoxes, double dt, double dx) const {
    const TPilot& p = pilot_;
    return {nSteps,
            stepsPerPoint,
            nPoints,
            nBoxes,
            dt,
            dx,
            std::min({p.Einitial, p.Efinal, p.Eswitch1, p.Eswitch2}),
            std::max({p.Einitial, p.Efinal, p.Eswitch1, p.Eswitch2})};
}

void CVSimulation::RunProgram(std::int64_t nSteps, std::int64_t stepsPerPoint,
                              const std::function<double(std::int64_t, double)>& step) {
    runSteps(nSteps, stepsPerPoint, false,
             [&step](std::int64_t index, const std::vector<double>& path) {
                 return step(index, path.back());
             });
}

void CVSimulation::RunProgramByPoints(
    std::int64_t nSteps, std::int64_t stepsPerPoint,
    const std::function<double(std::int64_t, const std::vector<double>&)>& advance) {
    runSteps(nSteps, stepsPerPoint, true, advance);
}

std::vector<CVSimulation::ProgramLeg> CVSimulation::programLegs(std::int64_t nSteps) const {
    const TPilot& pilot = pilot_;
    std::vector<ProgramLeg> legs;
    if (pilot.staircase()) {
        // The first step holds the initial potential; each half-cycle then
        // steps from its start.
        const double dE = pilot.Eswitch1 > pilot.Einitial ? pilot.stepHeight : -pilot.stepHeight;
        legs.push_back({pilot.Einitial, 0.0, 1});
        for (int s = 0; s < pilot.halfCycles; ++s)
            legs.push_back({pilot.HalfCycleStart(s), TPilot::HalfCycleSign(s) > 0 ? dE : -dE,
                            pilot.Stairs(s)});
        return legs;
    }
    const double T = pilot.totalTime;
    const double steps = static_cast<double>(nSteps);
    const double dE = pilot.halfCycles == 1
                          ? (pilot.Eswitch1 - pilot.Einitial) / steps
                          : (pilot.Eswitch1 - pilot.Einitial) * T / (steps * pilot.duration[0]);
    for (int s = 0; s < pilot.halfCycles; ++s)
        legs.push_back({pilot.HalfCycleStart(s), TPilot::HalfCycleSign(s) > 0 ? dE : -dE,
                        WholeCount(steps * pilot.duration[s] / T)});
    return legs;
}

void CVSimulation::AwaitNextStep() {
    if (stopRequested_)
        throw EngineStopException();
    display_.ProcessEvents();
    while (freeze_.load(std::memory_order_relaxed)) {
        if (stopRequested_)
            throw EngineStopException();
        display_.ProcessEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (method_ != 0)
        throw Exception(kUnsupportedMethod);
}

void CVSimulation::runSteps(
    std::int64_t nSteps, std::int64_t stepsPerPoint, bool byPoints,
    const std::function<double(std::int64_t, const std::vector<double>&)>& advance) {
    EngineDisplay& display = display_;
    const RunFigures run = figures();
    display.RunStarting(run, *this);
    display.SetPotentialRange(run.EmaxV, run.EminV);
    RunQuietTime();

    std::vector<double> path;
    path.reserve(static_cast<std::size_t>(std::max<std::int64_t>(stepsPerPoint, 1)));
    std::int64_t index = 0;
    for (const ProgramLeg& leg : programLegs(nSteps)) {
        for (std::int64_t k = 1; k <= leg.steps;) {
            AwaitNextStep();
            const double E = leg.start + static_cast<double>(k) * leg.increment;
            const bool stores = index % stepsPerPoint == 0;
            path.push_back(E);
            if (!byPoints || stores) {
                const double I = finishSteps(index, path, advance);
                if (stores) {
                    const CVpoint point{static_cast<std::int32_t>(std::trunc(E * 1000)),
                                        static_cast<float>(I)};
                    points_.push_back(point);
                    display.PointStored(point);
                }
            }
            if (!hold_.load(std::memory_order_relaxed))
                ++k;
            ++index;
        }
    }
    // The steps after the last stored point, so that the run ends where the
    // program does.
    if (!path.empty())
        finishSteps(index - 1, path, advance);
}

double CVSimulation::finishSteps(
    std::int64_t index, std::vector<double>& path,
    const std::function<double(std::int64_t, const std::vector<double>&)>& advance) {
    const double E = path.back();
    const double I = advance(index, path);
    path.clear();
    // A float keeps the stored current; one beyond it is as unusable as an
    // infinity.
    if (!(std::fabs(I) <= std::numeric_limits<float>::max()))
        throw EngineErrorException("The simulation became unstable at step " +
                                   std::to_string(index) +
                                   " (E = " + FloatToGeneral(E * 1000, 6, '.') +
                                   " mV): the current is not a finite number.");
    display_.StepDone(index, I, E * 1000);
    return I;
}

std::unique_ptr<CVSimulation> MakeSimulation(const TModel& model, std::vector<CVpoint>& points,
                                             const std::atomic<bool>& freeze,
                                             EngineDisplay& display) {
    if (model.solver == Solver::Implicit)
        return std::make_unique<TImplicitEngine>(model, points, freeze, display);
    return std::make_unique<TCVEngine>(model, points, freeze, display);
}

}  // namespace ondrel
