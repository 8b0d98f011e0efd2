#pragma once

#include <cstdint>
#include <memory>
#include <string>

class QSaveFile;

namespace velmora {

// Records captures into a 16-bit stereo PCM WAV file, which is saved whole
// when the recording finishes, and not at all when it fails or is given up.
class WavRecorder {
public:
    WavRecorder();
    ~WavRecorder();  // gives up a recording not finished

    // Starts the file for frames at the rate; empty, or why not.
    std::string open(const std::string& path, int samplesPerSecond);
    enum class Append { Done, Full, Failed };
    // Adds frames; Full when they would take the file past what a WAV file
    // can say (4 GiB), and nothing is added then.
    Append append(const std::int16_t* frames, int frameCount, std::string& error);
    // Writes the sizes into the header and saves the file; empty, or why
    // it could not be saved (then nothing is).
    std::string finish();
    void cancel();

    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }
    int rate() const { return rate_; }
    long long frames() const { return frames_; }

    static constexpr int kHeaderBytes = 44;

private:
    std::unique_ptr<QSaveFile> file_;
    std::string path_;
    int rate_ = 0;
    long long frames_ = 0;
};

}  // namespace velmora
