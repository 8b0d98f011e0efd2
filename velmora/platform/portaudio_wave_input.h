#pragma once

#include <atomic>
#include <mutex>

#include <portaudio.h>

#include "wave_input.h"

namespace velmora {

// The default input device through PortAudio. Opening a stream costs far
// more than a capture, so the stream stays open from one capture to the
// next while the format stays the same; between captures the frames it
// records are dropped, and each capture receives only frames recorded after
// its start.
class PortAudioWaveInput final : public WaveInput {
public:
    PortAudioWaveInput();
    ~PortAudioWaveInput() override;

    WaveResult open(const WaveFormat& format, std::function<void()> done) override;
    WaveResult addBuffer(std::int16_t* frames, int frameCount) override;
    WaveResult start() override;
    void stop() override;
    void close() override;
    void release() override;

private:
    static int callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* timing, PaStreamCallbackFlags flags,
                        void* self);
    void onFrames(const std::int16_t* input, unsigned long frames, double adcTime);

    PaStream* stream_ = nullptr;
    WaveFormat format_;
    bool initialised_ = false;
    std::function<void()> done_;
    std::int16_t* buffer_ = nullptr;
    int bufferFrames_ = 0;
    // The audio thread fills the buffer only while armed and holding the
    // lock; it never waits for it, the user-interface thread does.
    std::mutex mutex_;
    bool armed_ = false;
    int filled_ = 0;
    double startTime_ = 0;  // stream time of start()
};

}  // namespace velmora
