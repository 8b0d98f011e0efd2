#include "display/clipboard_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "capture/velmora_doc.h"
#include "fakes.h"

namespace velmora {
namespace {

class ClipboardTextTest : public ::testing::Test {
protected:
    std::unique_ptr<CVelmoraDoc> doc(const std::string& commandLine) {
        auto d = std::make_unique<CVelmoraDoc>(*SplitCommandLine(commandLine), input, dialogs);
        for (int i = 0; i < d->m_nWindowSamples; ++i) {
            d->m_pTime[0][i] = 32.767 * 1.4 * i;  // i mV
            d->m_pTime[1][i] = -32.767 * 1.4 * i / 2;
        }
        const int half = (d->m_nWindowSamples + 1) / 2;
        for (int k = 0; k <= half; ++k) {
            d->m_pMagnitude[k] = k * 32.767 * 1.4 * d->m_nWindowSamples / 2;  // k mV
            d->m_pRatio[k] = 0.5 * k;
            d->m_pPhase[k] = M_PI / 4;
        }
        return d;
    }
    testing::FakeWaveInput input;
    testing::ScriptedInteraction dialogs;
};

TEST_F(ClipboardTextTest, OneChannelScope) {
    auto d = doc("48000 0.1 0 0 0");
    EXPECT_EQ(ClipboardText(*d, 0, 2),
              "Time(msec)\tCh 0:mV\n    0.0000\t    0.0000\n    0.0208\t    1.0000\n");
    d->m_dwFlags |= kFlagReversed;
    EXPECT_EQ(ClipboardText(*d, 0, 0), "Time(msec)\tCh 0:mV\n");  // an empty range: the header
}

TEST_F(ClipboardTextTest, TwoChannelScopeAndItsReversedHeadings) {
    auto d = doc("48000 0.1 0 0 1");
    EXPECT_EQ(ClipboardText(*d, 2, 3),
              "Time(msec)\tL:mV\tR:mV\n    0.0417\t    2.0000\t   -1.0000\n");
    d->m_dwFlags |= kFlagReversed;
    EXPECT_EQ(ClipboardText(*d, 2, 3),
              "Time(msec)\tR:mV\tL:mV\n    0.0417\t    2.0000\t   -1.0000\n");
    EXPECT_EQ(DelayNote(*d), "");
}

TEST_F(ClipboardTextTest, Spectrum) {
    auto d = doc("48000 0.1 0 0 2");
    EXPECT_EQ(ClipboardText(*d, 10, 11), "Frequency(Hz))\tL  :mV\n  100.0000\t   10.0000\n");
    d->m_dwFlags |= kFlagReversed;
    EXPECT_EQ(ClipboardText(*d, 10, 11), "Frequency(Hz))\tR  :mV\n  100.0000\t   10.0000\n");
    EXPECT_EQ(FullRangeEnd(*d), 2401);
}

TEST_F(ClipboardTextTest, TransferFunctionDividesTheRatioButNotThePhase) {
    auto d = doc("48000 0.1 0 0 3");
    d->m_nAverageCount = 4;
    EXPECT_EQ(ClipboardText(*d, 8, 9),
              "Frequency(Hz)\tL  :R   ratio\tL  :R   phase difference\n"
              "   80.0000\t    1.0000\t   45.0000\n");
    d->m_dwFlags |= kFlagReversed;
    EXPECT_EQ(ClipboardText(*d, 8, 8), "Frequency(Hz)\tR  :L   ratio\tR  :L   phase difference\n");
}

TEST_F(ClipboardTextTest, AWideNumberWidensOnlyItsOwnRow) {
    auto d = doc("48000 0.1 0.0001 0 0");  // a tiny weight: millions of mV
    const std::string text = ClipboardText(*d, 4798, 4800);
    EXPECT_EQ(text.find("   99.9583\t67172000.0000\n"), 19u);
    EXPECT_NE(text.find("\n   99.9792\t"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
}

TEST_F(ClipboardTextTest, RowsOfThreeHundredCharacterNumbersStayWhole) {
    auto d = doc("48000 0.1 1e-280 1e-280 1");  // weights that make 300-digit millivolts
    const std::string text = ClipboardText(*d, 1, 3);
    const auto lines = std::count(text.begin(), text.end(), '\n');
    EXPECT_EQ(lines, 3);  // the header and two rows, each ended
    const std::size_t second = text.find('\n') + 1;
    const std::string row = text.substr(second, text.find('\n', second) - second);
    EXPECT_GT(row.size(), 500u);
    EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 2);
    EXPECT_EQ(row.substr(row.size() - 5), ".0000");
}

TEST_F(ClipboardTextTest, TheDelayNoteComesWithTwoChannelScopes) {
    auto d = doc("48000 0.1 0 0 1 1.425e-5");
    EXPECT_EQ(
        DelayNote(*d),
        "Note that your data do not reflect a 0.000014 second delay on your R channel segnal");
    EXPECT_EQ(FullRangeEnd(*d), 4770);
}

}  // namespace
}  // namespace velmora
