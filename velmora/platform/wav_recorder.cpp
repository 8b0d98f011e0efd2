#include "wav_recorder.h"

#include <QFile>
#include <QSaveFile>
#include <bit>
#include <cstring>

#include "whole_file.h"

namespace velmora {

namespace {

// Frames are written as they lie in memory: little-endian, as WAV wants.
static_assert(std::endian::native == std::endian::little);

constexpr long long kMostDataBytes = 0xFFFFFFFFLL - (WavRecorder::kHeaderBytes - 8);

void put32(unsigned char* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(v >> (8 * i));
}
void put16(unsigned char* at, std::uint16_t v) {
    at[0] = static_cast<unsigned char>(v);
    at[1] = static_cast<unsigned char>(v >> 8);
}

// The header of a file of dataBytes of 16-bit stereo frames.
void fillHeader(unsigned char* header, int rate, std::uint32_t dataBytes) {
    std::memcpy(header, "RIFF", 4);
    put32(header + 4, dataBytes + (WavRecorder::kHeaderBytes - 8));
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put32(header + 16, 16);
    put16(header + 20, 1);  // PCM
    put16(header + 22, 2);
    put32(header + 24, static_cast<std::uint32_t>(rate));
    put32(header + 28, static_cast<std::uint32_t>(rate) * 4);
    put16(header + 32, 4);
    put16(header + 34, 16);
    std::memcpy(header + 36, "data", 4);
    put32(header + 40, dataBytes);
}

}  // namespace

WavRecorder::WavRecorder() = default;

WavRecorder::~WavRecorder() {
    cancel();
}

std::string WavRecorder::open(const std::string& path, int samplesPerSecond) {
    cancel();
    auto file = std::make_unique<QSaveFile>(QFile::decodeName(path.c_str()));
    // Unbuffered, so that a write cut short is seen when it happens.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file->errorString().toStdString();
    unsigned char header[kHeaderBytes];
    fillHeader(header, samplesPerSecond, 0);
    if (std::string why = WriteAll(*file, reinterpret_cast<const char*>(header), kHeaderBytes);
        !why.empty()) {
        file->cancelWriting();
        return why;
    }
    file_ = std::move(file);
    path_ = path;
    rate_ = samplesPerSecond;
    frames_ = 0;
    return {};
}

WavRecorder::Append WavRecorder::append(const std::int16_t* frames, int frameCount,
                                        std::string& error) {
    const long long bytes = 4LL * frameCount;
    if (4 * frames_ + bytes > kMostDataBytes)
        return Append::Full;
    error = WriteAll(*file_, reinterpret_cast<const char*>(frames), bytes);
    if (!error.empty()) {
        cancel();
        return Append::Failed;
    }
    frames_ += frameCount;
    return Append::Done;
}

std::string WavRecorder::finish() {
    unsigned char header[kHeaderBytes];
    fillHeader(header, rate_, static_cast<std::uint32_t>(4 * frames_));
    std::string why;
    if (!file_->seek(0))
        why = file_->errorString().toStdString();
    else
        why = WriteAll(*file_, reinterpret_cast<const char*>(header), kHeaderBytes);
    if (why.empty() && !file_->commit())
        why = file_->errorString().toStdString();
    if (!why.empty())
        file_->cancelWriting();
    file_.reset();
    return why;
}

void WavRecorder::cancel() {
    if (file_)
        file_->cancelWriting();
    file_.reset();
}

}  // namespace velmora
