#include "capture_receiver.h"

#include <algorithm>
#include <cstring>

namespace velmora {

void CaptureReceiver::setFormat(int channels, int samplesPerSecond) {
    std::lock_guard lock(mutex_);
    channels_ = channels;
    rate_ = samplesPerSecond;
}

void CaptureReceiver::setDone(std::function<void()> done) {
    std::lock_guard lock(mutex_);
    done_ = std::move(done);
}

bool CaptureReceiver::setBuffer(std::int16_t* frames, int frameCount) {
    std::lock_guard lock(mutex_);
    if (armed_)
        return false;
    buffer_ = frames;
    bufferFrames_ = frameCount;
    filled_ = 0;
    return true;
}

bool CaptureReceiver::arm(double startTime) {
    std::lock_guard lock(mutex_);
    if (!buffer_)
        return false;
    startTime_ = startTime;
    filled_ = 0;
    overflows_ = 0;
    armed_ = bufferFrames_ > 0;
    return true;
}

void CaptureReceiver::disarm() {
    std::lock_guard lock(mutex_);
    armed_ = false;
}

void CaptureReceiver::clear() {
    std::lock_guard lock(mutex_);
    armed_ = false;
    buffer_ = nullptr;
    done_ = nullptr;
}

int CaptureReceiver::overflows() {
    std::lock_guard lock(mutex_);
    return overflows_;
}

void CaptureReceiver::deliver(const std::int16_t* input, unsigned long frames, double adcTime,
                              bool overflowed) {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock || !armed_ || !input)
        return;
    overflows_ += overflowed ? 1 : 0;
    // Frames recorded before the capture started belong to no capture.
    unsigned long skip = 0;
    if (filled_ == 0 && adcTime > 0 && adcTime < startTime_)
        skip = std::min<unsigned long>(frames,
                                       static_cast<unsigned long>((startTime_ - adcTime) * rate_));
    const int take =
        static_cast<int>(std::min<unsigned long>(frames - skip, bufferFrames_ - filled_));
    std::memcpy(buffer_ + static_cast<std::size_t>(filled_) * channels_, input + skip * channels_,
                static_cast<std::size_t>(take) * channels_ * sizeof(std::int16_t));
    filled_ += take;
    if (filled_ == bufferFrames_) {
        armed_ = false;
        if (done_)
            done_();
    }
}

}  // namespace velmora
