#include "inpout32/board_simulation.h"

#include <gtest/gtest.h>

#include <random>

#include "board/download_session.h"
#include "inpout32/port_backend.h"
#include "test_files.h"

namespace tolvek {
namespace {

using testing::TempDir;

class SimulatedBoard final : public PortOutput {
public:
    void Out32(short port, short value) override {
        board.write(static_cast<std::uint16_t>(port), static_cast<std::uint8_t>(value));
    }
    inpout32::BoardSimulation board;
};

class FixedHost final : public DownloadHost {
public:
    explicit FixedHost(std::string path) : path_(std::move(path)) {}
    std::string ChooseDataFile(const std::string&, int) override { return path_; }
    void ShowFileName(const std::string&) override {}
    void ShowStatus(const std::string&) override {}
    bool YieldEvents() override { return true; }
    std::uint32_t TickCount() override { return 0; }

private:
    std::string path_;
};

TEST(BoardSimulation, AFileOfSeveralHundredRecordsArrivesAsTheFileHoldsIt) {
    TempDir dir;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> value(0, 4095), bit(0, 1);
    std::vector<unsigned> expected;
    std::string contents;
    for (int i = 0; i < 400; ++i) {
        const int v1 = value(random), v2 = value(random), b0 = bit(random), b1 = bit(random);
        contents += std::to_string(v1) + ", " + std::to_string(v2) + ", " + std::to_string(b0) +
                    ", " + std::to_string(b1) + "\n";
        expected.push_back(unsigned(128 + 2 * b1 + b0) << 24 | unsigned(v2) << 12 | unsigned(v1));
    }
    expected.push_back(0);  // the end mark

    SimulatedBoard port;
    DownloadSession session(port);
    session.WindowLoad();
    FixedHost host(dir.write("wave.txt", contents));
    for (int start = 0; start < 2; ++start) {  // a second Start overwrites from address 0
        ASSERT_EQ(session.Start(host).status, kLoaded);
        const auto& words = port.board.words();
        ASSERT_EQ(words.size(), expected.size());
        for (std::uint32_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(words.at(i), expected[i]) << "address " << i;
    }
}

TEST(BoardSimulation, ShiftsMostSignificantBitFirstAndStoresOnClockWhileWriteEnabled) {
    inpout32::BoardSimulation board;
    auto clockBit = [&](bool level) {
        board.write(inpout32::kControlPort, level ? 0x00 : 0x01);
        board.write(inpout32::kDataPort, 0x04);  // RESET high, WE low
        board.write(inpout32::kDataPort, 0x84);
        board.write(inpout32::kDataPort, 0x04);
    };
    clockBit(true);
    clockBit(false);
    clockBit(true);
    EXPECT_EQ(board.shiftRegister(), 0b101u);

    board.write(inpout32::kDataPort, 0x0C);  // CLK rises while WE is low
    board.write(inpout32::kDataPort, 0x04);
    board.write(inpout32::kDataPort, 0x1C);  // WE high: no store
    EXPECT_EQ(board.words().size(), 1u);
    EXPECT_EQ(board.words().at(0), 0b101u);
    EXPECT_EQ(board.addressCounter(), 1u);

    board.write(inpout32::kDataPort, 0x00);  // RESET low clears the counter
    EXPECT_EQ(board.addressCounter(), 0u);
}

}  // namespace
}  // namespace tolvek
