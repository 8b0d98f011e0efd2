#include "board_lines.h"

namespace tolvek {

short BoardLines::PulseSCLK() {
    SetSCLK(0);
    SetSCLK(1);
    return SetSCLK(0);
}

short BoardLines::PulseCLK() {
    SetCLK(0);
    SetCLK(1);
    return SetCLK(0);
}

short BoardLines::PulseRESET() {
    SetRESET(1);
    SetRESET(0);
    return SetRESET(1);
}

short BoardLines::SetControlLines(short Direction) {
    switch (Direction) {
        case 0:
            SetS1(0);
            return SetS0(1);
        case 1:
            SetS1(1);
            return SetS0(0);
        case 2:
            SetS1(1);
            return SetS0(1);
        default:
            return 0;
    }
}

short BoardLines::ClrShift() {
    SetSDATA(0);
    SetControlLines(0);
    for (int i = 0; i < 32; ++i)
        PulseSCLK();
    return 1;
}

std::uint32_t SerialWord(const WaveEntry& entry) {
    return static_cast<std::uint32_t>(entry.ControlWord & 0xFF) << 24 |
           static_cast<std::uint32_t>(entry.Value2 & 0xFFF) << 12 |
           static_cast<std::uint32_t>(entry.Value1 & 0xFFF);
}

// The register copies live in locals for the 32 bits, so that each write
// costs the bit change and the call; they are stored back at the end.
short BoardLines::ShiftEntry(const WaveTable& table, int index) {
    const std::uint32_t word = SerialWord(table[index]);
    short data = DataShadow;
    short control = ControlShadow;
    for (std::uint32_t mask = 1u << 31; mask != 0; mask >>= 1) {
        setLine(control, kSdata, 0);
        if (word & mask)
            setLine(control, kSdata, 1);
        setLine(data, kSclk, 0);
        setLine(data, kSclk, 1);
        setLine(data, kSclk, 0);
    }
    DataShadow = data;
    ControlShadow = control;
    return 1;
}

}  // namespace tolvek
