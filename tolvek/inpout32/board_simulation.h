#pragma once

#include <cstdint>
#include <map>

namespace inpout32 {

// The waveform-generator board as its lines drive it: a 32-bit shift
// register clocked by SCLK (most significant bit first), a word store
// clocked by CLK while WE is low, and an address counter that RESET clears.
class BoardSimulation {
public:
    void write(std::uint16_t port, std::uint8_t value);

    // Stored words by board address.
    const std::map<std::uint32_t, std::uint32_t>& words() const { return words_; }
    std::uint32_t addressCounter() const { return address_; }
    std::uint32_t shiftRegister() const { return shift_; }

    static constexpr std::uint32_t kMemoryWords = 32768;

private:
    std::uint8_t data_ = 0;
    std::uint8_t control_ = 0;
    std::uint32_t shift_ = 0;
    std::uint32_t address_ = 0;
    std::map<std::uint32_t, std::uint32_t> words_;
};

}  // namespace inpout32
