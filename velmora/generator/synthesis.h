#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// The generator's own random numbers: a 32-bit linear congruential state
// that starts at 1 with the program and is never reseeded.
class GeneratorRandom {
public:
    int draw() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }
    std::uint8_t byte() { return static_cast<std::uint8_t>(draw() & 0xFF); }

private:
    std::uint32_t state_ = 1;
};

constexpr int kWaveformSilent = 99;
constexpr int kWaveformSine = 0;
constexpr int kWaveformTriangle = 1;
constexpr int kWaveformSquare = 2;
constexpr int kWaveformPulse = 3;
constexpr int kWaveformNoise = 4;
constexpr int kWaveformHeldNoise = 5;
constexpr int kWaveformSweep = 6;

constexpr int kOutputCapacity = 1'500'000;

struct SynthesisResult {
    int samples = 0;        // written to the buffer; 0 when nothing is to play
    bool silenced = false;  // the signal was refused: the generator falls silent
    std::string message;    // what the user is told, when anything
};

// Computes one output block of a signal into buffer (kOutputCapacity
// samples). A sweep whose top would pass half the rate resets frequency to a
// fifth of the rate, which stays in force.
SynthesisResult Synthesize(int waveform, double& frequency, int samplingRate, std::int16_t* buffer,
                           GeneratorRandom& random);

}  // namespace velmora
