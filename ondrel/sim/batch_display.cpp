#include "batch_display.h"

#include <cmath>
#include <csignal>
#include <string>

namespace ondrel {

namespace {
volatile std::sig_atomic_t interruptFlag = 0;
void onInterrupt(int) {
    interruptFlag = 1;
}
constexpr int kBarWidth = 40;
// The clock is read every so many steps: a step takes a microsecond or
// more, a clock reading a few tens of nanoseconds.
constexpr std::int64_t kStepsPerClockReading = 64;
std::string durationText(double seconds) {
    const long long whole = std::llround(seconds);
    std::string text = std::to_string(whole) + " s";
    if (whole >= 120)
        text += " (" + std::to_string((whole + 30) / 60) + " min)";
    return text;
}

}  // namespace

void BatchDisplay::catchInterrupt() {
    std::signal(SIGINT, onInterrupt);
}
bool BatchDisplay::interrupted() {
    return interruptFlag != 0;
}

void BatchDisplay::RunStarting(const RunFigures& figures, const CVSimulation&) {
    nSteps_ = figures.nSteps > 0 ? figures.nSteps : 1;
    started_ = std::chrono::steady_clock::now();
}

void BatchDisplay::StepDone(std::int64_t step, double, double) {
    if (step % kStepsPerClockReading != 0 || (estimated_ && !long_))
        return;
    using namespace std::chrono;
    const duration<double> elapsed = steady_clock::now() - started_;
    if (!estimated_) {
        if (elapsed < kEstimateAfter || step == 0)
            return;
        estimated_ = true;
        const double total = elapsed.count() * static_cast<double>(nSteps_) / step;
        long_ = total > duration<double>(kLongRun).count();
        if (!long_)
            return;
        std::fprintf(out_, "estimated run time: about %s for %lld steps (Ctrl+C stops)\n",
                     durationText(total).c_str(), static_cast<long long>(nSteps_));
    }
    showBar(step);
}

void BatchDisplay::showBar(std::int64_t step) {
    const int percent = static_cast<int>(100 * step / nSteps_);
    if (percent == shownPercent_)
        return;
    shownPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    const std::string bar = std::string(filled, '#') + std::string(kBarWidth - filled, ' ');
    std::fprintf(out_, "\r[%s] %3d%%", bar.c_str(), percent);
    std::fflush(out_);
}

void BatchDisplay::ProcessEvents() {
    if (interrupted() && engine_)
        engine_->Stop();
}

void BatchDisplay::finish() {
    if (shownPercent_ >= 0)
        std::fprintf(out_, "\n");
    shownPercent_ = -1;
}

}  // namespace ondrel
