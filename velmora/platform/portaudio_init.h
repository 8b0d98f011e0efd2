#pragma once

#include <portaudio.h>

namespace velmora {

// Pa_Initialize without the ALSA and JACK probing talk on stderr.
PaError QuietPortAudioInitialize();

}  // namespace velmora
