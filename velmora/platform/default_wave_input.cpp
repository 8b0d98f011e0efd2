#include <cstdlib>

#include "portaudio_wave_input.h"
#include "wav_file_input.h"

namespace velmora {

std::unique_ptr<WaveInput> MakeDefaultWaveInput() {
    const char* file = std::getenv("VELMORA_INPUT");
    if (file && *file)
        return std::make_unique<WavFileInput>(file);
    return std::make_unique<PortAudioWaveInput>();
}

}  // namespace velmora
