#include "portaudio_wave_input.h"

#include "portaudio_init.h"

#include <algorithm>

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
    receiver_.setDone(std::move(done));
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
    receiver_.setFormat(format.channels, format.samplesPerSecond);
    PaError error = Pa_OpenStream(&stream_, &input, nullptr, format.samplesPerSecond,
                                  paFramesPerBufferUnspecified, paNoFlag, &callback, &receiver_);
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
    return receiver_.setBuffer(frames, frameCount) ? WaveResult{} : failure(paStreamIsNotStopped);
}

WaveResult PortAudioWaveInput::start() {
    if (!stream_ || !receiver_.arm(Pa_GetStreamTime(stream_)))
        return failure(paBadStreamPtr);
    return {};
}

void PortAudioWaveInput::stop() {
    receiver_.disarm();
}

void PortAudioWaveInput::close() {
    receiver_.clear();
}

void PortAudioWaveInput::release() {
    close();
    if (stream_) {
        Pa_AbortStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }
}

int PortAudioWaveInput::callback(const void* input, void*, unsigned long frames,
                                 const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                                 void* receiver) {
    static_cast<CaptureReceiver*>(receiver)->deliver(static_cast<const std::int16_t*>(input),
                                                     frames, time ? time->inputBufferAdcTime : 0,
                                                     (flags & paInputOverflow) != 0);
    return paContinue;
}

}  // namespace velmora
