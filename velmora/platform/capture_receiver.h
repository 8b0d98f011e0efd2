#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

namespace velmora {

// Takes the frames a sound driver's thread delivers into the buffer of the
// capture that is armed: only frames recorded after the capture's start,
// until the buffer is full, then reports it done. The driver's thread never
// waits for the user-interface thread: frames that arrive while the latter
// holds the lock are dropped, as frames between captures are.
class CaptureReceiver {
public:
    void setFormat(int channels, int samplesPerSecond);
    void setDone(std::function<void()> done);
    // The buffer of the next capture; false while a capture is armed.
    bool setBuffer(std::int16_t* frames, int frameCount);
    // Takes the frames recorded from stream time startTime on; false when
    // there is no buffer.
    bool arm(double startTime);
    void disarm();
    // Disarms and forgets the buffer and the report.
    void clear();

    // The driver's thread: frames recorded from adcTime on (0 when the
    // driver does not tell), and whether the driver dropped frames before
    // them because nobody took them in time.
    void deliver(const std::int16_t* input, unsigned long frames, double adcTime, bool overflowed);

    // How often the driver dropped frames while the last capture was armed.
    int overflows();

private:
    std::mutex mutex_;
    int channels_ = 2;
    int rate_ = 48000;
    std::function<void()> done_;
    std::int16_t* buffer_ = nullptr;
    int bufferFrames_ = 0;
    bool armed_ = false;
    int filled_ = 0;
    double startTime_ = 0;
    int overflows_ = 0;
};

}  // namespace velmora
