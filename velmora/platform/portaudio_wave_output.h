#pragma once

#include <portaudio.h>

#include "wave_output.h"

namespace velmora {

// The default output through PortAudio; the audio thread loops the block.
class PortAudioWaveOutput final : public WaveOutput {
public:
    ~PortAudioWaveOutput() override;
    WaveResult open(const WaveFormat& format) override;
    WaveResult play(const std::int16_t* samples, int count, int loops) override;
    void reset() override;

private:
    static int callback(const void*, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self);

    PaStream* stream_ = nullptr;
    bool initialised_ = false;
    WaveFormat format_;
    LoopedBlock block_;  // read only by the audio thread while the stream runs
};

}  // namespace velmora
