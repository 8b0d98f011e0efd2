#include "wav_file_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Only a regular file is read. A FIFO or a device may never deliver (or
// never end), and opening a FIFO that nobody writes would block: it is
// opened without waiting, looked at, and refused.
WaveResult WavFileInput::openFile() {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(std::strerror(errno));
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(std::strerror(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return fail("not a regular file (a pipe, a device or a folder)");
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file_ = fdopen(fd, "rb");
    if (!file_) {
        const int error = errno;
        ::close(fd);
        return fail(std::strerror(error));
    }
    return {};
}

WaveResult WavFileInput::readHeader() {
    if (WaveResult opened = openFile(); !opened)
        return opened;
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
        } else {
            // Chunks are padded to an even size; in 64 bits, so that the
            // largest size does not wrap round to nothing.
            const std::uint64_t padded = std::uint64_t{size} + (size % 2);
            if (std::fseek(file_, static_cast<long>(padded), SEEK_CUR) != 0)
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

// The capture completes at once with the next frames. A capture that the
// data cannot fill fails, whether the header says so or the file ends before
// its header's size (a recording cut short, a streaming writer's size left
// at 0xFFFFFFFF): it is never analysed padded with silence.
WaveResult WavFileInput::start() {
    const auto endReached = [&](long long left) {
        framesLeft_ = 0;
        return fail("the end of the file has been reached: " + std::to_string(left) +
                    " frames left for a capture of " + std::to_string(bufferFrames_));
    };
    if (framesLeft_ < bufferFrames_)
        return endReached(framesLeft_);
    const std::size_t got = std::fread(buffer_, 4, static_cast<std::size_t>(bufferFrames_), file_);
    if (got < static_cast<std::size_t>(bufferFrames_)) {
        if (std::ferror(file_)) {
            framesLeft_ = 0;
            return fail(std::strerror(errno));
        }
        return endReached(static_cast<long long>(got));
    }
    framesLeft_ -= bufferFrames_;
    if (done_)
        done_();
    return {};
}

}  // namespace velmora
