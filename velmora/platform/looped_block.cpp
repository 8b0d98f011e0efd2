#include <algorithm>
#include <cstring>

#include "wave_output.h"

namespace velmora {

bool LoopedBlock::fill(std::int16_t* out, unsigned long frames) {
    unsigned long written = 0;
    while (written < frames && loopsLeft_ > 0) {
        const unsigned long take = std::min<unsigned long>(
            frames - written, static_cast<unsigned long>(count_ - position_));
        std::memcpy(out + written, samples_ + position_, take * sizeof(std::int16_t));
        written += take;
        position_ += static_cast<int>(take);
        if (position_ == count_) {
            position_ = 0;
            --loopsLeft_;
            ++passes_;
        }
    }
    std::fill(out + written, out + frames, std::int16_t{0});
    return loopsLeft_ > 0;
}

}  // namespace velmora
