#pragma once

#include <cstdint>

#include "wave_input.h"

namespace velmora {

// Plays one block from memory, looped, on a sound output. The block must
// stay untouched until reset() returns.
class WaveOutput {
public:
    virtual ~WaveOutput() = default;
    virtual WaveResult open(const WaveFormat& format) = 0;
    // Starts playing samples (mono) loops times over, then falls silent by
    // itself, the device staying open.
    virtual WaveResult play(const std::int16_t* samples, int count, int loops) = 0;
    // Stops playing and closes the device.
    virtual void reset() = 0;
};

// Hands out a looped block in pieces of any size, counting the passes.
class LoopedBlock {
public:
    LoopedBlock() = default;
    LoopedBlock(const std::int16_t* samples, int count, int loops)
        : samples_(samples), count_(count), loopsLeft_(count > 0 ? loops : 0) {}

    // Fills out with the next frames, silence after the last pass; false
    // once every pass has been played.
    bool fill(std::int16_t* out, unsigned long frames);
    int passesPlayed() const { return passes_; }

private:
    const std::int16_t* samples_ = nullptr;
    int count_ = 0;
    int position_ = 0;
    int loopsLeft_ = 0;
    int passes_ = 0;
};

}  // namespace velmora
