#pragma once

#include <chrono>
#include <cstdio>

#include "../engine/cv_engine.h"

namespace ondrel {

// Shows a run on a terminal: a progress bar on stderr once the run has
// taken more than a second, and a stop when Ctrl+C has been pressed.
class BatchDisplay final : public EngineDisplay {
public:
    explicit BatchDisplay(std::FILE* out = stderr) : out_(out) {}

    void watch(TCVEngine& engine) { engine_ = &engine; }
    void StepDone(std::int64_t step, double currentA, double potentialMv) override;
    void ProcessEvents() override;
    // Ends the progress bar's line.
    void finish();

    // Turns Ctrl+C into a stop request for the engine being watched.
    static void catchInterrupt();
    static bool interrupted();

private:
    std::FILE* out_;
    TCVEngine* engine_ = nullptr;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    int shownPercent_ = -1;
};

}  // namespace ondrel
