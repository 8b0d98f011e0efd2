#pragma once

#include <chrono>
#include <cstdio>

#include "../engine/cv_engine.h"

namespace ondrel {

// Shows a run on a terminal. A fraction of a second into the run it
// estimates the whole run's time from the steps done so far; a run that
// will take more than a few seconds then gets the estimate and a progress
// bar that moves from the start. Ctrl+C stops the run.
class BatchDisplay final : public EngineDisplay {
public:
    explicit BatchDisplay(std::FILE* out = stderr) : out_(out) {}

    void watch(CVSimulation& engine) { engine_ = &engine; }
    void RunStarting(const RunFigures& figures, const CVSimulation&) override;
    void StepDone(std::int64_t step, double currentA, double potentialMv) override;
    void ProcessEvents() override;
    // Ends the progress bar's line.
    void finish();

    // Turns Ctrl+C into a stop request for the engine being watched.
    static void catchInterrupt();
    static bool interrupted();

    // How long into a run the estimate is made, and the run time from which
    // a run counts as long.
    static constexpr std::chrono::milliseconds kEstimateAfter{200};
    static constexpr std::chrono::seconds kLongRun{3};

private:
    void showBar(std::int64_t step);

    std::FILE* out_;
    CVSimulation* engine_ = nullptr;
    std::int64_t nSteps_ = 1;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    bool estimated_ = false;
    bool long_ = false;
    int shownPercent_ = -1;
};

}  // namespace ondrel
