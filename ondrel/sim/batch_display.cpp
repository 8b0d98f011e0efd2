#include "batch_display.h"

#include <csignal>

namespace ondrel {

namespace {
volatile std::sig_atomic_t interruptFlag = 0;
void onInterrupt(int) {
    interruptFlag = 1;
}
constexpr int kBarWidth = 40;
}  // namespace

void BatchDisplay::catchInterrupt() {
    std::signal(SIGINT, onInterrupt);
}
bool BatchDisplay::interrupted() {
    return interruptFlag != 0;
}

void BatchDisplay::StepDone(std::int64_t step, double, double) {
    // The clock is read only now and then: steps come by the million.
    if (!engine_ || step % 4096 != 0)
        return;
    using namespace std::chrono;
    if (steady_clock::now() - started_ < seconds(1))
        return;
    const int percent = static_cast<int>(100 * step / engine_->nSteps());
    if (percent == shownPercent_)
        return;
    shownPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    std::fprintf(out_, "\r[%.*s%*s] %3d%%", filled, "########################################",
                 kBarWidth - filled, "", percent);
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
