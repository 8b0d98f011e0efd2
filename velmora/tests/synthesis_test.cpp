#include "generator/synthesis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/wave_output.h"

namespace velmora {
namespace {

class SynthesisTest : public ::testing::Test {
protected:
    SynthesisResult make(int waveform, double frequency, int rate) {
        this->frequency = frequency;
        return Synthesize(waveform, this->frequency, rate, buffer.get(), random);
    }
    std::unique_ptr<std::int16_t[]> buffer{new std::int16_t[kOutputCapacity + 16]()};
    GeneratorRandom random;
    double frequency = 0;
};

TEST_F(SynthesisTest, SineFillsTenSecondsFromZeroToFullScale) {
    const auto block = make(kWaveformSine, 440, 44100);
    EXPECT_EQ(block.samples, 441000);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(*std::max_element(buffer.get(), buffer.get() + block.samples), 32767);
    EXPECT_EQ(*std::min_element(buffer.get(), buffer.get() + block.samples), -32767);
    EXPECT_TRUE(block.message.empty());
}

TEST_F(SynthesisTest, TriangleAndSquareFollowThePositionInThePeriod) {
    make(kWaveformTriangle, 1000, 48000);  // 48 samples a period, q = 12
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[12], 32767);  // trunc(4 A 12/48)
    EXPECT_EQ(buffer[36], -32767);
    EXPECT_EQ(buffer[6], static_cast<std::int16_t>(std::trunc(4 * 32767.999 * 6 / 48)));

    make(kWaveformSquare, 1000, 48000);
    EXPECT_EQ(buffer[0], 32767);
    EXPECT_EQ(buffer[23], 32767);
    EXPECT_EQ(buffer[24], -32767);  // the low level, stored exactly
    EXPECT_EQ(buffer[48], 32767);   // each period starts high
}

TEST_F(SynthesisTest, ThePulseIsHighForAHundredthOfEachPeriod) {
    auto highAtStart = [&](int period) {
        int n = 0;
        while (buffer[period + n] == 32767)
            ++n;
        return n;
    };
    make(kWaveformPulse, 100, 44100);  // 441 samples a period
    EXPECT_EQ(highAtStart(441), 5);
    make(kWaveformPulse, 400, 44100);  // 110.25
    EXPECT_EQ(highAtStart(0), 2);
    const auto refused = make(kWaveformPulse, 500, 44100);
    EXPECT_TRUE(refused.silenced);
    EXPECT_EQ(refused.samples, 0);
    EXPECT_EQ(refused.message, "Try a frequency < 441.0 Hz.");
}

TEST_F(SynthesisTest, TheSweepLastsTwoPlusSixHundredOverFSeconds) {
    auto block = make(kWaveformSweep, 440, 44100);
    EXPECT_EQ(block.samples, 148336);
    EXPECT_TRUE(block.message.empty());

    block = make(kWaveformSweep, 20000, 48000);
    EXPECT_EQ(frequency, 9600);  // reset, and kept
    EXPECT_EQ(block.message, "This is too high and reset to 9600.000000 Hz.");
    EXPECT_EQ(block.samples, 99000);

    block = make(kWaveformSweep, 14400, 48000);  // the top exactly half the rate
    EXPECT_EQ(frequency, 14400);
    EXPECT_TRUE(block.message.empty());

    // Longer than the buffer: cut to it, and said.
    buffer[kOutputCapacity] = 1234;
    block = make(kWaveformSweep, 10, 44100);
    EXPECT_EQ(block.samples, kOutputCapacity);
    EXPECT_EQ(block.message, "Insufficient memory, reduce playing rate");
    EXPECT_EQ(buffer[kOutputCapacity], 1234);  // nothing past the buffer
}

TEST_F(SynthesisTest, NoiseComesFromTheGeneratorsOwnSequence) {
    GeneratorRandom reference;
    EXPECT_EQ(reference.draw(), 41);  // (214013 + 2531011) >> 16 & 0x7FFF
    make(kWaveformNoise, 440, 8000);
    GeneratorRandom again;
    for (int n = 0; n < 4; ++n) {
        const std::uint8_t low = again.byte(), high = again.byte();
        EXPECT_EQ(buffer[n], static_cast<std::int16_t>(high << 8 | low));
    }

    // Held noise: groups of 100 equal samples; the rest of a block that is
    // no whole number of groups carries one more value.
    buffer[110250] = 555;
    const auto held = make(kWaveformHeldNoise, 440, 11025);  // 110250 samples
    EXPECT_EQ(held.samples, 110250);
    EXPECT_EQ(buffer[0], buffer[99]);
    EXPECT_NE(buffer[99], buffer[100]);
    EXPECT_EQ(buffer[110200], buffer[110249]);
    EXPECT_EQ(buffer[110250], 555);
}

TEST(LoopedBlock, PlaysItsPassesThenFallsSilent) {
    const std::int16_t samples[3] = {1, 2, 3};
    LoopedBlock block(samples, 3, 4096);
    std::int16_t out[5];
    int calls = 0;
    while (block.fill(out, 5))
        ++calls;
    EXPECT_EQ(block.passesPlayed(), 4096);
    EXPECT_EQ(calls, 4096 * 3 / 5);
    std::fill(std::begin(out), std::end(out), 9);
    EXPECT_FALSE(block.fill(out, 5));
    EXPECT_EQ(out[0], 0);  // silence after the last pass

    LoopedBlock two(samples, 3, 2);
    two.fill(out, 5);
    EXPECT_EQ(std::vector<std::int16_t>(out, out + 5), (std::vector<std::int16_t>{1, 2, 3, 1, 2}));
}

}  // namespace
}  // namespace velmora
