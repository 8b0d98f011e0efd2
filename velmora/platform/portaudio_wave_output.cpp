#include "portaudio_wave_output.h"

#include "portaudio_init.h"

namespace velmora {

PortAudioWaveOutput::~PortAudioWaveOutput() {
    reset();
    if (initialised_)
        Pa_Terminate();
}

WaveResult PortAudioWaveOutput::open(const WaveFormat& format) {
    reset();
    if (!initialised_) {
        if (const PaError error = QuietPortAudioInitialize(); error != paNoError)
            return {static_cast<int>(error), {}};
        initialised_ = true;
    }
    format_ = format;
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    if (device == paNoDevice)
        return {paInvalidDevice, {}};
    PaStreamParameters output{};
    output.device = device;
    output.channelCount = format.channels;
    output.sampleFormat = paInt16;
    output.suggestedLatency = Pa_GetDeviceInfo(device)->defaultHighOutputLatency;
    const PaError error = Pa_OpenStream(&stream_, nullptr, &output, format.samplesPerSecond,
                                        paFramesPerBufferUnspecified, paNoFlag, &callback, this);
    if (error != paNoError) {
        stream_ = nullptr;
        return {static_cast<int>(error), {}};
    }
    return {};
}

WaveResult PortAudioWaveOutput::play(const std::int16_t* samples, int count, int loops) {
    if (!stream_)
        return {paBadStreamPtr, {}};
    block_ = LoopedBlock(samples, count, loops);
    const PaError error = Pa_StartStream(stream_);
    return {static_cast<int>(error), {}};
}

void PortAudioWaveOutput::reset() {
    if (!stream_)
        return;
    Pa_AbortStream(stream_);
    Pa_CloseStream(stream_);
    stream_ = nullptr;
}

// After the last pass the stream completes and stays open until reset.
int PortAudioWaveOutput::callback(const void*, void* output, unsigned long frames,
                                  const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags,
                                  void* self) {
    auto* out = static_cast<PortAudioWaveOutput*>(self);
    return out->block_.fill(static_cast<std::int16_t*>(output), frames) ? paContinue : paComplete;
}

}  // namespace velmora
