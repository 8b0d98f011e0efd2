#pragma once

#include <array>
#include <cstdint>

namespace tolvek {

// One table entry: the control byte (128 + 2 x bit 1 + bit 0 for data, 0 for
// the end mark) and two values whose low 12 bits are sent.
struct WaveEntry {
    short ControlWord = 128;
    short Value2 = 0;
    short Value1 = 0;
    bool operator==(const WaveEntry&) const = default;
};

constexpr int kWaveTableSize = 32768;
constexpr int kMaxRecords = kWaveTableSize - 1;  // one entry stays for the end mark

// The download table, indexed 1..32768.
class WaveTable {
public:
    WaveEntry& operator[](int index) { return entries_[index - 1]; }
    const WaveEntry& operator[](int index) const { return entries_[index - 1]; }
    void reset() { entries_.fill(WaveEntry{}); }

private:
    std::array<WaveEntry, kWaveTableSize> entries_{};
};

}  // namespace tolvek
