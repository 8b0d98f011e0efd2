#include "synthesis.h"

#include "../platform/format_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velmora {

namespace {

constexpr double kFullScale = 65536;
constexpr double A = kFullScale * 0.5 - 0.001;  // computed waveforms
constexpr double B = kFullScale / 2 - 1;        // two-level waveforms

// Every value is truncated toward zero into a 16-bit sample.
std::int16_t sample(double v) {
    return static_cast<std::int16_t>(std::trunc(v));
}

std::int16_t randomSample(GeneratorRandom& random) {
    const std::uint8_t low = random.byte();
    const std::uint8_t high = random.byte();
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(high << 8 | low));
}

std::string formatted(const char* format, double value) {
    return FormatText(format, value);
}

}  // namespace

SynthesisResult Synthesize(int waveform, double& frequency, int samplingRate, std::int16_t* buffer,
                           GeneratorRandom& random) {
    SynthesisResult result;
    const int samples = 10 * samplingRate;
    double c = frequency / samplingRate;
    // Whole periods before sample n, and its whole-sample offset into the
    // current one.
    auto offset = [&](int n) {
        const double m = std::trunc(n * c);
        return std::trunc(n - m / c);
    };

    switch (waveform) {
        case kWaveformSine:
            for (int n = 0; n < samples; ++n)
                buffer[n] = sample(A * std::sin(2 * M_PI * c * n));
            break;
        case kWaveformTriangle: {
            const double q = 1 / (4 * c);
            for (int n = 0; n < samples; ++n) {
                const double r = offset(n);
                const double v = r <= q       ? 4 * A * r * c
                                 : r <= 3 * q ? 4 * A * (0.5 - r * c)
                                              : 4 * A * (r * c - 1);
                buffer[n] = sample(v);
            }
            break;
        }
        case kWaveformSquare: {
            const double h = 1 / (2 * c);
            for (int n = 0; n < samples; ++n)
                buffer[n] = sample(offset(n) < h ? B : -B);
            break;
        }
        case kWaveformPulse: {
            const double P = 1 / c;
            if (P < 100) {
                result.silenced = true;
                result.message = formatted("Try a frequency < %.1lf Hz.", samplingRate * 0.01);
                return result;
            }
            const double t = P / 100;
            for (int n = 0; n < samples; ++n)
                buffer[n] = sample(offset(n) < t ? B : -B);
            break;
        }
        case kWaveformNoise:
            for (int n = 0; n < samples; ++n)
                buffer[n] = randomSample(random);
            break;
        case kWaveformHeldNoise: {
            // Whole groups of 100, then the rest of the block holds one
            // further value.
            for (int start = 0; start < samples; start += 100) {
                const std::int16_t value = randomSample(random);
                std::fill(buffer + start, buffer + std::min(start + 100, samples), value);
            }
            break;
        }
        case kWaveformSweep: {
            if (frequency * 5 / 3 > samplingRate * 0.5) {
                frequency = samplingRate * 0.2;
                c = frequency / samplingRate;
                result.message = formatted("This is too high and reset to %lf Hz.", frequency);
            }
            const double L = 2.0 * samplingRate * (1 + 300 / frequency);
            int length = static_cast<int>(std::min(std::trunc(L), 2e9));
            if (length > kOutputCapacity) {
                // Played cut to the buffer rather than past it.
                result.message = "Insufficient memory, reduce playing rate";
                length = kOutputCapacity;
            }
            // The phases of a stretch first, in a loop the compiler turns into
            // vector arithmetic, then their sines: the same values, without
            // a division waiting in front of every sine.
            constexpr int kStretch = 1024;
            double phase[kStretch];
            for (int start = 0; start < length; start += kStretch) {
                const int count = std::min(kStretch, length - start);
                for (int i = 0; i < count; ++i) {
                    const int n = start + i;
                    phase[i] = 2 * M_PI * c * n * (2.0 / 3) * (0.5 + n / L);
                }
                for (int i = 0; i < count; ++i)
                    buffer[start + i] = sample(A * std::sin(phase[i]));
            }
            result.samples = length;
            return result;
        }
        default:
            return result;  // silent
    }
    result.samples = samples;
    return result;
}

}  // namespace velmora
