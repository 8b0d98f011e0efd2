#include "live_run.h"

#include "../engine/cv_engine.h"
#include "../platform/float_text.h"

namespace ondrel {

namespace {

template <typename T>
void append(std::vector<T>& to, std::vector<T>&& from) {
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

std::pair<double, double> curvePoint(const CVpoint& p) {
    return {static_cast<double>(p.potential), static_cast<double>(p.current) * 1e6};
}

}  // namespace

bool LiveFrame::empty() const {
    return !resetPilot && !potentialRange && pilotPoints.empty() && !readout &&
           voltammogramPoints.empty() && !profiles && !repaint && !finished;
}

void LiveFrame::mergeFrom(LiveFrame&& later) {
    if (later.resetPilot) {
        resetPilot = true;
        pilotPoints.clear();
    }
    if (later.potentialRange)
        potentialRange = later.potentialRange;
    append(pilotPoints, std::move(later.pilotPoints));
    if (later.readout)
        readout = std::move(later.readout);
    append(voltammogramPoints, std::move(later.voltammogramPoints));
    if (later.profiles)
        profiles = std::move(later.profiles);
    repaint = repaint || later.repaint;
    finished = finished || later.finished;
}

LiveRun::LiveRun(char separator, std::function<void()> onFrame)
    : separator_(separator), onFrame_(std::move(onFrame)) {}

void LiveRun::setTracking(const Tracking& tracking) {
    trackVoltammogram_ = tracking.voltammogram;
    trackProfiles_ = tracking.profiles;
    trackPilot_ = tracking.pilot;
}

Tracking LiveRun::tracking() const {
    return {trackVoltammogram_, trackProfiles_, trackPilot_};
}

LiveFrame LiveRun::take() {
    std::lock_guard lock(mutex_);
    return std::exchange(frame_, LiveFrame{});
}

std::vector<CVpoint> LiveRun::points() const {
    std::lock_guard lock(mutex_);
    return points_;
}

template <typename Change>
void LiveRun::update(Change change) {
    bool wasEmpty;
    {
        std::lock_guard lock(mutex_);
        wasEmpty = frame_.empty();
        change(frame_);
    }
    if (wasEmpty && onFrame_)
        onFrame_();
}

void LiveRun::ResetPilot() {
    update([](LiveFrame& frame) {
        LiveFrame reset;
        reset.resetPilot = true;
        frame.mergeFrom(std::move(reset));
    });
}

void LiveRun::RunStarting(const RunFigures& figures, const CVSimulation& engine) {
    engine_ = &engine;
    nSteps_ = figures.nSteps;
    lastStep_ = 0;
    // The intervals are the engine's copy of the model's, as the run began.
    schedule_.emplace(figures.stepsPerPoint, engine.plotInterval(), engine.pilotRefreshInterval());
    shownPoints_ = 0;
    std::lock_guard lock(mutex_);
    points_.clear();
}

void LiveRun::SetPotentialRange(double EmaxV, double EminV) {
    update([&](LiveFrame& frame) { frame.potentialRange = std::make_pair(EmaxV, EminV); });
}

void LiveRun::PointStored(const CVpoint& point) {
    std::lock_guard lock(mutex_);
    points_.push_back(point);
}

void LiveRun::StepDone(std::int64_t step, double currentA, double potentialMv) {
    lastStep_.store(step, std::memory_order_relaxed);
    if (!schedule_)
        return;
    const RefreshDue due = schedule_->at(step, tracking());
    if (!due.any())
        return;
    // Copies are made here, on the engine's thread, between its steps.
    std::optional<ConcentrationProfiles> profiles;
    if (due.profiles && engine_)
        profiles = engine_->Profiles();
    update([&](LiveFrame& frame) {
        if (due.pilotPoint)
            frame.pilotPoints.emplace_back(step, potentialMv);
        if (due.labels) {
            frame.readout = Readout{FloatToGeneral(potentialMv, 4, separator_),
                                    FloatToGeneral(currentA, 4, separator_),
                                    std::to_string(step),
                                    {}};
            if (const auto E = engine_ ? engine_->ElectrodePotential() : std::nullopt)
                frame.readout->electrodePotential = FloatToGeneral(*E * 1000, 4, separator_);
        }
        if (due.voltammogram) {
            for (; shownPoints_ < points_.size(); ++shownPoints_)
                frame.voltammogramPoints.push_back(curvePoint(points_[shownPoints_]));
        }
        if (profiles)
            frame.profiles = std::move(profiles);
        frame.repaint = frame.repaint || due.repaint;
    });
}

void LiveRun::RefreshProfiles(const ConcentrationProfiles& profiles) {
    update([&](LiveFrame& frame) {
        frame.profiles = profiles;
        frame.finished = true;
    });
}

}  // namespace ondrel
