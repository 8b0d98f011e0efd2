#include "board_simulation.h"

#include "port_backend.h"

namespace inpout32 {

namespace {
constexpr std::uint8_t kReset = 0x04;
constexpr std::uint8_t kClk = 0x08;
constexpr std::uint8_t kWe = 0x10;
constexpr std::uint8_t kSclk = 0x80;

bool rises(std::uint8_t before, std::uint8_t after, std::uint8_t mask) {
    return !(before & mask) && (after & mask);
}
}  // namespace

void BoardSimulation::write(std::uint16_t port, std::uint8_t value) {
    if (port == kControlPort) {
        control_ = value;
        return;
    }
    if (port != kDataPort)
        return;

    const std::uint8_t before = data_;
    data_ = value;
    // The port inverts the strobe pin, so the pin carries the opposite of
    // control bit 0.
    const bool sdata = !(control_ & 0x01);

    if (rises(before, value, kSclk))
        shift_ = (shift_ << 1) | (sdata ? 1u : 0u);
    if (!(value & kReset)) {
        address_ = 0;  // held in reset while the line is low
        return;
    }
    if (rises(before, value, kClk) && !(value & kWe)) {
        words_[address_] = shift_;
        address_ = (address_ + 1) % kMemoryWords;
    }
}

}  // namespace inpout32
