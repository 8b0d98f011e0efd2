#pragma once

#include <cstdint>

#include "port_output.h"
#include "wave_table.h"

namespace tolvek {

// An entry as the board receives it, most significant bit first: the control
// byte in bits 31..24, the low 12 bits of Value2 in 23..12, of Value1 in 11..0.
std::uint32_t SerialWord(const WaveEntry& entry);

// The nine board lines, one bit each of the data and control registers.
// Every operation changes one bit of the register's copy and writes the whole
// copy, so the other lines keep their last level.
class BoardLines {
public:
    explicit BoardLines(PortOutput& port) : port_(port) {}

    short SetMODE(short State) { return setLine(DataShadow, kMode, State); }
    short SetOE(short State) { return setLine(DataShadow, kOe, State); }
    short SetRESET(short State) { return setLine(DataShadow, kReset, State); }
    short SetCLK(short State) { return setLine(DataShadow, kClk, State); }
    short SetWE(short State) { return setLine(DataShadow, kWe, State); }
    short SetS0(short State) { return setLine(DataShadow, kS0, State); }
    short SetS1(short State) { return setLine(DataShadow, kS1, State); }
    short SetSCLK(short State) { return setLine(DataShadow, kSclk, State); }
    short SetSDATA(short State) { return setLine(ControlShadow, kSdata, State); }

    short PulseSCLK();
    short PulseCLK();
    short PulseRESET();
    short SetControlLines(short Direction);
    short ClrShift();
    // Shifts entry index (1..32768) as its serial word; each bit is SDATA
    // low, SDATA high for a 1 bit, then an SCLK pulse.
    short ShiftEntry(const WaveTable& table, int index);

    short DataShadow = 0;
    short ControlShadow = 0;

private:
    struct Line {
        short port;
        short mask;
        bool inverted;  // State 1 clears the bit
    };
    static constexpr Line kMode{kDataRegister, 0x01, true};
    static constexpr Line kOe{kDataRegister, 0x02, false};
    static constexpr Line kReset{kDataRegister, 0x04, false};
    static constexpr Line kClk{kDataRegister, 0x08, false};
    static constexpr Line kWe{kDataRegister, 0x10, false};
    static constexpr Line kS0{kDataRegister, 0x20, false};
    static constexpr Line kS1{kDataRegister, 0x40, false};
    static constexpr Line kSclk{kDataRegister, 0x80, false};
    // The port inverts the strobe pin, so SDATA is written inverted too.
    static constexpr Line kSdata{kControlRegister, 0x01, true};

    // Sets the line's bit in a register copy (State 0 or 1; any other State
    // keeps the copy) and writes the whole copy. The copy may be a local one
    // that a long sequence keeps in a register.
    short setLine(short& shadow, const Line& line, short State) {
        if (State == 0 || State == 1) {
            const bool set = (State == 1) != line.inverted;
            shadow = static_cast<short>(set ? (shadow | line.mask) : (shadow & ~line.mask));
        }
        port_.Out32(line.port, shadow);
        return 1;
    }

    PortOutput& port_;
};

}  // namespace tolvek
