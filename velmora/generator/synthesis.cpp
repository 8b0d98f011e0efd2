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

// The whole-sample offset of sample n into its period of 1 / c samples:
// n less the whole periods before it.
double periodOffset(int n, double c) {
    const double m = std::trunc(n * c);
    return std::trunc(n - m / c);
}

void sine(std::int16_t* buffer, int samples, double c) {
    for (int n = 0; n < samples; ++n)
        buffer[n] = sample(A * std::sin(2 * M_PI * c * n));
}

void triangle(std::int16_t* buffer, int samples, double c) {
    const double q = 1 / (4 * c);  // a quarter period
    for (int n = 0; n < samples; ++n) {
        const double r = periodOffset(n, c);
        const double v = r <= q       ? 4 * A * r * c
                         : r <= 3 * q ? 4 * A * (0.5 - r * c)
                                      : 4 * A * (r * c - 1);
        buffer[n] = sample(v);
    }
}

// High for the first `high` samples of each period, low for the rest.
void twoLevel(std::int16_t* buffer, int samples, double c, double high) {
    for (int n = 0; n < samples; ++n)
        buffer[n] = sample(periodOffset(n, c) < high ? B : -B);
}

void noise(std::int16_t* buffer, int samples, GeneratorRandom& random) {
    for (int n = 0; n < samples; ++n)
        buffer[n] = randomSample(random);
}

// Whole groups of 100 samples that each hold one random value; the rest of
// the block holds one further value.
void heldNoise(std::int16_t* buffer, int samples, GeneratorRandom& random) {
    for (int start = 0; start < samples; start += 100) {
        const std::int16_t value = randomSample(random);
        std::fill(buffer + start, buffer + std::min(start + 100, samples), value);
    }
}

// From f / 3 to 5 f / 3 over one block of L samples; a top above half the
// rate resets f to a fifth of the rate first.
SynthesisResult sweep(std::int16_t* buffer, double& frequency, int samplingRate) {
    SynthesisResult result;
    if (frequency * 5 / 3 > samplingRate * 0.5) {
        frequency = samplingRate * 0.2;
        result.message = FormatText("This is too high and reset to %lf Hz.", frequency);
    }
    const double c = frequency / samplingRate;
    const double L = 2.0 * samplingRate * (1 + 300 / frequency);
    int length = static_cast<int>(std::min(std::trunc(L), 2e9));
    if (length > kOutputCapacity) {
        // Played cut to the buffer rather than past it.
        result.message = "Insufficient memory, reduce playing rate";
        length = kOutputCapacity;
    }
    // The phases of a stretch first, in a loop the compiler turns into
    // vector arithmetic, then their sines: the same values, without a
    // division waiting in front of every sine.
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

}  // namespace

SynthesisResult Synthesize(int waveform, double& frequency, int samplingRate, std::int16_t* buffer,
                           GeneratorRandom& random) {
    const int samples = 10 * samplingRate;
    const double c = frequency / samplingRate;  // cycles per sample
    switch (waveform) {
        case kWaveformSine:
            sine(buffer, samples, c);
            break;
        case kWaveformTriangle:
            triangle(buffer, samples, c);
            break;
        case kWaveformSquare:
            twoLevel(buffer, samples, c, 1 / (2 * c));
            break;
        case kWaveformPulse:
            // One hundredth of a period high: the period must be 100 samples
            // at least.
            if (1 / c < 100)
                return {0, true, FormatText("Try a frequency < %.1lf Hz.", samplingRate * 0.01)};
            twoLevel(buffer, samples, c, 1 / c / 100);
            break;
        case kWaveformNoise:
            noise(buffer, samples, random);
            break;
        case kWaveformHeldNoise:
            heldNoise(buffer, samples, random);
            break;
        case kWaveformSweep:
            return sweep(buffer, frequency, samplingRate);
        default:
            return {};  // silent
    }
    return {samples, false, {}};
}

}  // namespace velmora
