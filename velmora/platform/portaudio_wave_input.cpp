#include "portaudio_wave_input.h"

#include "portaudio_init.h"

#include <algorithm>
#include <cstring>

namespace velmora {

namespace {

constexpr double kSuggestedInputLatency = 0.004;  // s

WaveResult failure(PaError error) {
    return {static_cast<int>(error), {}};
}

}  // namespace

PortAudioWaveInput::PortAudioWaveInput() = default;

PortAudioWaveInput::~PortAudioWaveInput() {
    release();
    if (initialised_)
        Pa_Terminate();
}

WaveResult PortAudioWaveInput::open(const WaveFormat& format, std::function<void()> done) {
    if (!initialised_) {
        if (const PaError error = QuietPortAudioInitialize(); error != paNoError)
            return failure(error);
        initialised_ = true;
    }
    if (stream_ && (format.samplesPerSecond != format_.samplesPerSecond ||
                    format.channels != format_.channels))
        release();
    done_ = std::move(done);
    if (stream_)
        return {};

    const PaDeviceIndex device = Pa_GetDefaultInputDevice();
    if (device == paNoDevice)
        return failure(paInvalidDevice);
    PaStreamParameters input{};
    input.device = device;
    input.channelCount = format.channels;
    input.sampleFormat = paInt16;
    // Frames reach a capture one small buffer after they are recorded: the
    // lower the input latency, the sooner a capture is complete and the next
    // one can start.
    input.suggestedLatency =
        std::min(Pa_GetDeviceInfo(device)->defaultLowInputLatency, kSuggestedInputLatency);
    PaError error = Pa_OpenStream(&stream_, &input, nullptr, format.samplesPerSecond,
                                  paFramesPerBufferUnspecified, paNoFlag, &callback, this);
    if (error == paNoError)
        error = Pa_StartStream(stream_);
    if (error != paNoError) {
        if (stream_)
            Pa_CloseStream(stream_);
        stream_ = nullptr;
        return failure(error);
    }
    format_ = format;
    return {};
}

WaveResult PortAudioWaveInput::addBuffer(std::int16_t* frames, int frameCount) {
    std::lock_guard lock(mutex_);
    if (armed_)
        return failure(paStreamIsNotStopped);
    buffer_ = frames;
    bufferFrames_ = frameCount;
    filled_ = 0;
    return {};
}

WaveResult PortAudioWaveInput::start() {
    if (!stream_ || !buffer_)
        return failure(paBadStreamPtr);
    std::lock_guard lock(mutex_);
    startTime_ = Pa_GetStreamTime(stream_);
    armed_ = bufferFrames_ > 0;
    return {};
}

void PortAudioWaveInput::stop() {
    std::lock_guard lock(mutex_);
    armed_ = false;
}

void PortAudioWaveInput::close() {
    std::lock_guard lock(mutex_);
    armed_ = false;
    buffer_ = nullptr;
    done_ = nullptr;
}

void PortAudioWaveInput::release() {
    close();
    if (stream_) {
        Pa_StopStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }
}

int PortAudioWaveInput::callback(const void* input, void*, unsigned long frames,
                                 const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags,
                                 void* self) {
    static_cast<PortAudioWaveInput*>(self)->onFrames(static_cast<const std::int16_t*>(input),
                                                     frames, time ? time->inputBufferAdcTime : 0);
    return paContinue;
}

// Audio thread: copy the frames recorded since start into the armed buffer
// until it is full, then report.
void PortAudioWaveInput::onFrames(const std::int16_t* input, unsigned long frames, double adcTime) {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock || !armed_ || !input)
        return;
    unsigned long skip = 0;
    if (filled_ == 0 && adcTime > 0 && adcTime < startTime_)
        skip = std::min<unsigned long>(
            frames, static_cast<unsigned long>((startTime_ - adcTime) * format_.samplesPerSecond));
    const int channels = format_.channels;
    const int take =
        static_cast<int>(std::min<unsigned long>(frames - skip, bufferFrames_ - filled_));
    std::memcpy(buffer_ + static_cast<std::size_t>(filled_) * channels, input + skip * channels,
                static_cast<std::size_t>(take) * channels * sizeof(std::int16_t));
    filled_ += take;
    if (filled_ == bufferFrames_) {
        armed_ = false;
        if (done_)
            done_();
    }
}

}  // namespace velmora
