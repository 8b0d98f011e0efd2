#include "wav_file_input.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velmora {

namespace {

std::uint32_t le32(const unsigned char* b) {
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}
std::uint16_t le16(const unsigned char* b) {
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

}  // namespace

WavFileInput::WavFileInput(std::string path) : path_(std::move(path)) {}

WavFileInput::~WavFileInput() {
    if (file_)
        std::fclose(file_);
}

WaveResult WavFileInput::fail(const std::string& why) const {
    return {kFileError, "VELMORA_INPUT " + path_ + ": " + why};
}

WaveResult WavFileInput::readHeader() {
    file_ = std::fopen(path_.c_str(), "rb");
    if (!file_)
        return fail(std::strerror(errno));
    unsigned char riff[12];
    if (std::fread(riff, 1, 12, file_) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return fail("not a WAV file");

    bool haveFormat = false;
    for (;;) {
        unsigned char chunk[8];
        if (std::fread(chunk, 1, 8, file_) != 8)
            return fail("no sample data");
        const std::uint32_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[40] = {};
            if (size < 16 || size > sizeof fmt || std::fread(fmt, 1, size, file_) != size)
                return fail("a broken format chunk");
            const std::uint16_t tag = le16(fmt), channels = le16(fmt + 2), bits = le16(fmt + 14);
            // WAVE_FORMAT_EXTENSIBLE carries the PCM tag in its sub-format.
            const bool pcm = tag == 1 || (tag == 0xFFFE && size >= 26 && le16(fmt + 24) == 1);
            if (!pcm || channels != 2 || bits != 16)
                return fail("not 16-bit stereo PCM (" + std::to_string(channels) + " channels, " +
                            std::to_string(bits) + " bits)");
            rate_ = static_cast<int>(le32(fmt + 4));
            haveFormat = true;
            if (size % 2)
                std::fgetc(file_);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return fail("sample data before the format");
            framesLeft_ = size / 4;
            return {};
        } else if (std::fseek(file_, size + (size % 2), SEEK_CUR) != 0) {
            return fail("no sample data");
        }
    }
}

WaveResult WavFileInput::open(const WaveFormat& format, std::function<void()> done) {
    if (!headerRead_) {
        headerRead_ = true;
        if (WaveResult header = readHeader(); !header) {
            if (file_)
                std::fclose(file_);
            file_ = nullptr;
            return header;
        }
    }
    if (!file_)
        return fail("cannot be read");
    if (rate_ != format.samplesPerSecond)
        return fail("recorded at " + std::to_string(rate_) + " Hz, not at the sampling rate of " +
                    std::to_string(format.samplesPerSecond) + " Hz");
    if (framesLeft_ <= 0)
        return fail("the end of the file has been reached");
    done_ = std::move(done);
    return {};
}

WaveResult WavFileInput::addBuffer(std::int16_t* frames, int frameCount) {
    buffer_ = frames;
    bufferFrames_ = frameCount;
    return {};
}

// The capture completes at once with the next frames; past the end of the
// data that the header gives, the rest of the buffer holds silence. A file
// that ends before that (a recording cut short, a streaming writer's size
// left at 0xFFFFFFFF) fails the capture that reaches its real end, as the end
// of the file does: it is never analysed as silence.
WaveResult WavFileInput::start() {
    const long long wanted = std::min<long long>(bufferFrames_, framesLeft_);
    const std::size_t got = std::fread(buffer_, 4, static_cast<std::size_t>(wanted), file_);
    if (got < static_cast<std::size_t>(wanted)) {
        framesLeft_ = 0;
        return fail(std::ferror(file_) ? std::strerror(errno)
                                       : "the end of the file has been reached");
    }
    std::memset(buffer_ + got * 2, 0, (static_cast<std::size_t>(bufferFrames_) - got) * 4);
    framesLeft_ -= wanted;
    if (done_)
        done_();
    return {};
}

}  // namespace velmora
