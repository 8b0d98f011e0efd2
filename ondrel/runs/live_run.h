#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../engine/engine_display.h"
#include "refresh_schedule.h"

namespace ondrel {

// The read-outs of the potentiostat: E and I with 4 significant digits and
// the step number; the electrode's own potential where an uncompensated
// resistance acts, empty otherwise.
struct Readout {
    std::string potential;  // mV
    std::string current;    // A
    std::string step;
    std::string electrodePotential;  // mV
    bool operator==(const Readout&) const = default;
};

// What a window has to draw of a run since it last looked. Frames that
// pile up merge: the charts after a merged frame are what the refreshes in
// it would have left one by one.
struct LiveFrame {
    bool resetPilot = false;                                    // empty the pilot trace first
    std::optional<std::pair<double, double>> potentialRange;    // Emax, Emin in V
    std::vector<std::pair<std::int64_t, double>> pilotPoints;   // (step, E in mV)
    std::optional<Readout> readout;                             // the latest
    std::vector<std::pair<double, double>> voltammogramPoints;  // (mV, µA) to append
    std::optional<ConcentrationProfiles> profiles;              // the latest
    bool repaint = false;                                       // pilot chart and labels
    bool finished = false;                                      // the run completed

    bool empty() const;
    void mergeFrom(LiveFrame&& later);
};

// The display of a running engine for a window on another thread: it
// decides on the engine's thread what falls due (RefreshSchedule) and
// gathers it, copied, into a frame that the window takes on its own thread.
// The tracking switches may change at any time from any thread.
class LiveRun final : public EngineDisplay {
public:
    // separator: the decimal mark of the read-outs. onFrame runs on the
    // engine's thread whenever a frame that was empty gets something, so
    // that the window can schedule a redraw.
    explicit LiveRun(char separator, std::function<void()> onFrame = {});

    void setTracking(const Tracking& tracking);
    Tracking tracking() const;

    // Everything since the last call, and an empty frame after it.
    LiveFrame take();

    // Every point stored so far, copied.
    std::vector<CVpoint> points() const;

    // The last step done and the run's figures, for a progress display.
    std::int64_t lastStep() const { return lastStep_.load(std::memory_order_relaxed); }
    std::int64_t nSteps() const { return nSteps_.load(std::memory_order_relaxed); }

    void ResetPilot() override;
    void RunStarting(const RunFigures& figures, const CVSimulation& engine) override;
    void SetPotentialRange(double EmaxV, double EminV) override;
    void StepDone(std::int64_t step, double currentA, double potentialMv) override;
    void PointStored(const CVpoint& point) override;
    void RefreshProfiles(const ConcentrationProfiles& profiles) override;

private:
    template <typename Change>
    void update(Change change);

    const char separator_;
    std::function<void()> onFrame_;
    std::atomic<bool> trackVoltammogram_{false}, trackProfiles_{false}, trackPilot_{false};
    std::atomic<std::int64_t> lastStep_{0}, nSteps_{0};

    // Engine thread only.
    const CVSimulation* engine_ = nullptr;
    std::optional<RefreshSchedule> schedule_;
    std::size_t shownPoints_ = 0;  // points already handed to the curve

    mutable std::mutex mutex_;  // guards what follows
    std::vector<CVpoint> points_;
    LiveFrame frame_;
};

}  // namespace ondrel
