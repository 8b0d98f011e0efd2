#include "board/board_lines.h"

#include <gtest/gtest.h>

#include "recording_port.h"

namespace tolvek {
namespace {

using testing::control;
using testing::data;
using testing::PortWrite;
using testing::RecordingPort;

TEST(BoardLines, EachLineSetsItsBitAndWritesTheWholeRegister) {
    RecordingPort port;
    BoardLines lines(port);
    EXPECT_EQ(lines.SetOE(1), 1);
    lines.SetRESET(1);
    lines.SetCLK(1);
    lines.SetWE(1);
    lines.SetS0(1);
    lines.SetS1(1);
    lines.SetSCLK(1);
    lines.SetMODE(1);  // MODE is written inverted: 1 clears bit 0
    lines.SetMODE(0);
    lines.SetOE(0);
    EXPECT_EQ(port.writes,
              (std::vector<PortWrite>{data(0x02), data(0x06), data(0x0E), data(0x1E), data(0x3E),
                                      data(0x7E), data(0xFE), data(0xFE), data(0xFF), data(0xFD)}));
}

TEST(BoardLines, SdataIsWrittenInvertedToTheControlRegister) {
    RecordingPort port;
    BoardLines lines(port);
    lines.SetSDATA(0);
    lines.SetSDATA(1);
    EXPECT_EQ(port.writes, (std::vector<PortWrite>{control(0x01), control(0x00)}));
    EXPECT_EQ(lines.DataShadow, 0);
}

TEST(BoardLines, AStateOtherThanZeroOrOneStillWritesTheUnchangedCopy) {
    RecordingPort port;
    BoardLines lines(port);
    lines.SetOE(1);
    EXPECT_EQ(lines.SetOE(2), 1);
    EXPECT_EQ(lines.SetSDATA(-1), 1);
    EXPECT_EQ(port.writes, (std::vector<PortWrite>{data(0x02), data(0x02), control(0x00)}));
}

TEST(BoardLines, SetControlLinesChoosesS0AndS1ByDirection) {
    RecordingPort port;
    BoardLines lines(port);
    EXPECT_EQ(lines.SetControlLines(0), 1);
    EXPECT_EQ(lines.SetControlLines(1), 1);
    EXPECT_EQ(lines.SetControlLines(2), 1);
    EXPECT_EQ(lines.SetControlLines(3), 0);
    EXPECT_EQ(port.writes, (std::vector<PortWrite>{data(0x00), data(0x20), data(0x60), data(0x40),
                                                   data(0x40), data(0x60)}));
}

TEST(BoardLines, PulsesAreThreeWrites) {
    RecordingPort port;
    BoardLines lines(port);
    lines.PulseSCLK();
    lines.PulseCLK();
    lines.PulseRESET();
    EXPECT_EQ(port.writes,
              (std::vector<PortWrite>{data(0x00), data(0x80), data(0x00), data(0x00), data(0x08),
                                      data(0x00), data(0x04), data(0x00), data(0x04)}));
}

TEST(BoardLines, ShiftEntrySendsTheControlByteThenTwelveBitsOfEachValue) {
    RecordingPort port;
    BoardLines lines(port);
    WaveTable table;
    table[7] = WaveEntry{0x83, 5000, -1};  // 5000 sends 904; -1 sends 4095
    lines.ShiftEntry(table, 7);

    // Read the word back from the SDATA level at each rising SCLK edge.
    unsigned word = 0;
    int bits = 0;
    bool sdata = false;
    for (const PortWrite& w : port.writes) {
        if (w.port == kControlRegister)
            sdata = !(w.value & 1);
        if (w.port == kDataRegister && (w.value & 0x80))
            word = word << 1 | sdata, ++bits;
    }
    EXPECT_EQ(bits, 32);
    EXPECT_EQ(word, testing::serialWord(0x83, 904, 4095));
    // Four writes a bit, five for a 1 bit.
    EXPECT_EQ(port.writes.size(), 32u * 4 + __builtin_popcount(word));
}

}  // namespace
}  // namespace tolvek
