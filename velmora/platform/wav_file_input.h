#pragma once

#include <cstdio>
#include <string>

#include "wave_input.h"

namespace velmora {

// Captures from a 16-bit stereo PCM WAV file instead of a device: each
// capture takes the next frames of the file, at once. A file at another
// rate, of another kind, or at its end fails the open; a capture that the
// rest of the file cannot fill fails too.
class WavFileInput final : public WaveInput {
public:
    explicit WavFileInput(std::string path);
    ~WavFileInput() override;

    WaveResult open(const WaveFormat& format, std::function<void()> done) override;
    WaveResult addBuffer(std::int16_t* frames, int frameCount) override;
    WaveResult start() override;
    void stop() override {}
    void close() override {}

    static constexpr int kFileError = -1;

private:
    WaveResult fail(const std::string& why) const;
    WaveResult openFile();
    WaveResult readHeader();

    std::string path_;
    std::FILE* file_ = nullptr;
    bool headerRead_ = false;
    int rate_ = 0;
    long long framesLeft_ = 0;
    std::function<void()> done_;
    std::int16_t* buffer_ = nullptr;
    int bufferFrames_ = 0;
};

}  // namespace velmora
