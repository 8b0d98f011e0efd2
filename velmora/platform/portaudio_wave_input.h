#pragma once

#include <portaudio.h>

#include "capture_receiver.h"
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
    // Aborts the stream rather than stopping it: stopping waits for the
    // stream's thread, which waits for the device, for ever when the device
    // delivers nothing (a suspended sound server, a card pulled out).
    void release() override;
    int overflows() override { return receiver_.overflows(); }

private:
    static int callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* timing, PaStreamCallbackFlags flags,
                        void* self);

    PaStream* stream_ = nullptr;
    WaveFormat format_;
    bool initialised_ = false;
    CaptureReceiver receiver_;
};

}  // namespace velmora
