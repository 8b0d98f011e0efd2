#include "portaudio_init.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace velmora {

// PortAudio probes ALSA and JACK when it starts and both talk on stderr;
// that talk is kept off the terminal.
PaError QuietPortAudioInitialize() {
    setenv("JACK_NO_START_SERVER", "1", 0);
    const int saved = dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    if (saved >= 0 && null >= 0)
        dup2(null, STDERR_FILENO);
    const PaError error = Pa_Initialize();
    if (saved >= 0) {
        dup2(saved, STDERR_FILENO);
        ::close(saved);
    }
    if (null >= 0)
        ::close(null);
    return error;
}

}  // namespace velmora
