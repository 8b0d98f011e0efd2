#include "frame_count.h"

#include <cmath>
#include <initializer_list>

namespace velmora {

namespace {
// More frames than this (about 93 minutes at 48000 Hz) cannot be buffered.
constexpr double kMaxFrames = 1 << 28;
}  // namespace

int SmoothFrameCount(int m) {
    for (int c = m;; ++c) {
        int rest = c;
        for (int factor : {2, 3, 5})
            while (rest % factor == 0)
                rest /= factor;
        if (rest == 1)
            return c;
    }
}

int CaptureFramesFor(int samplingRate, double timeWindow, int skip) {
    const double m = std::trunc(samplingRate * timeWindow);
    if (!(m >= 2) || m > kMaxFrames)
        return 0;
    const int frames = SmoothFrameCount(static_cast<int>(m));
    return frames - skip >= 2 ? frames : 0;
}

}  // namespace velmora
