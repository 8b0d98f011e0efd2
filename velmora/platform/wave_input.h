#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace velmora {

// 16-bit PCM at a given rate; frames are interleaved, left sample first.
struct WaveFormat {
    int samplesPerSecond = 48000;
    int channels = 2;
    int bitsPerSample = 16;
};

struct WaveResult {
    int error = 0;     // 0 on success, otherwise the layer's error number
    std::string text;  // a description of its own, when the layer has one
    explicit operator bool() const { return error == 0; }
};

// One-shot capture from a sound input. A capture is: open with the format
// and a completion callback, add one buffer, start; the layer fills the
// buffer with the frames recorded after start and then calls done, from its
// own thread; stop and close end the capture.
class WaveInput {
public:
    virtual ~WaveInput() = default;
    virtual WaveResult open(const WaveFormat& format, std::function<void()> done) = 0;
    virtual WaveResult addBuffer(std::int16_t* frames, int frameCount) = 0;
    virtual WaveResult start() = 0;
    virtual void stop() = 0;
    virtual void close() = 0;
    // Releases the device when acquisition ends, or when a capture brought
    // nothing, without waiting on the device; the next open opens it anew.
    virtual void release() {}
    // How often the device dropped frames during the last capture, because
    // they were not taken in time: the capture is then not continuous.
    virtual int overflows() { return 0; }
};

// The default sound input through PortAudio, or, when VELMORA_INPUT names a
// WAV file, that file.
std::unique_ptr<WaveInput> MakeDefaultWaveInput();

}  // namespace velmora
