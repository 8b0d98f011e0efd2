#include "display/plot_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "capture/velmora_doc.h"
#include "display/c_numbers.h"
#include "display/sample_extremes.h"
#include "fakes.h"
#include "recording_surface.h"

namespace velmora {
namespace {

using testing::RecordingSurface;

// 100 dpi: one pixel is one unit, so a 900 x 600 client is 900 x 600 units.
constexpr DeviceCaps kCaps{900, 600, 100, 100, 24};

class PlotViewTest : public ::testing::Test {
protected:
    // P5: 0 one-channel scope, 1 two-channel scope, 2 spectrum, 3 transfer.
    CVelmoraDoc& document(int mode) {
        doc = std::make_unique<CVelmoraDoc>(
            *SplitCommandLine("48000 0.1 0 0 " + std::to_string(mode)), input, dialogs);
        plot = std::make_unique<PlotView>(*doc);
        return *doc;
    }
    RecordingSurface draw() {
        RecordingSurface surface(kCaps);
        plot->OnDraw(surface, 900, 600);
        return surface;
    }
    // Triangles of -1000..1000 and -500..500 counts, bins that rise.
    void fill() {
        for (int i = 0; i < doc->m_nWindowSamples; ++i) {
            doc->m_pTime[0][i] = (i % 201) * 10 - 1000;
            doc->m_pTime[1][i] = doc->m_pTime[0][i] / 2;
        }
        for (int k = 0; k <= (doc->m_nWindowSamples + 1) / 2; ++k) {
            doc->m_pMagnitude[k] = k;
            doc->m_pRatio[k] = 0.001 * k;
            doc->m_pPhase[k] = 0.5;
        }
    }

    testing::FakeWaveInput input;
    testing::ScriptedInteraction dialogs;
    std::unique_ptr<CVelmoraDoc> doc;
    std::unique_ptr<PlotView> plot;
};

TEST_F(PlotViewTest, GeometryOfA900By600Area) {
    document(1);
    const RecordingSurface s = draw();
    EXPECT_EQ(plot->m_nWidth, 900);
    EXPECT_EQ(plot->m_nHeight, 600);
    EXPECT_EQ(plot->m_nMargin, 100);
    EXPECT_EQ(plot->m_dGridStepX, 140);
    EXPECT_EQ(plot->m_dGridStepY, 80);
    // Six y labels per trace in its margin, from the bottom of the plot up.
    int left = 0, right = 0;
    for (const auto& t : s.texts) {
        if (t.x == 50 && t.colour == PlotView::kChannel0Colour) {
            EXPECT_EQ(t.y, -488 + 80 * left++);
        }
        if (t.x == 850 && t.colour == PlotView::kChannel1Colour) {
            EXPECT_EQ(t.y, -488 + 80 * right++);
        }
    }
    EXPECT_EQ(left, 6);
    EXPECT_EQ(right, 6);
    ASSERT_NE(s.find("Oscilloscope mode: 2 ch(s)"), nullptr);
    EXPECT_EQ(s.find("Oscilloscope mode")->x, 450);
    EXPECT_EQ(s.find("L:mV")->x, 700);
    EXPECT_EQ(s.find("R:mV")->y, -50);
    EXPECT_EQ(s.find("Sampling rate= 48000 Hz")->y, -550);
    EXPECT_EQ(s.find("FFT Averaging off")->x, 150);

    // Five grid columns filled just ahead of trace 0, 140 units apart.
    ASSERT_EQ(s.fills.size(), 5u);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(s.fills[c].x0, 100 + 140 * c);
        EXPECT_EQ(s.fills[c].x1, 240 + 140 * c);
        EXPECT_EQ(s.fills[c].y1, -501);
    }
    EXPECT_EQ(PixelsToUnits(1000, 96), 1041);
    EXPECT_EQ(PixelsToUnits(900, 100), 900);
}

TEST_F(PlotViewTest, ASpectrumResetShowsEveryBinUpTo24010Hz) {
    document(2);
    const RecordingSurface s = draw();
    EXPECT_EQ(plot->m_nFirst, 0);
    EXPECT_EQ(plot->m_nLast, 2401);
    const RecordingSurface::Text* last = s.find("24010");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->x, 800);
    EXPECT_EQ(last->y, -510);
    EXPECT_EQ(last->colour, PlotView::kGridColour);
    EXPECT_NE(s.find("FFT mode"), nullptr);
    EXPECT_NE(s.find("L FFT amp. :mV"), nullptr);
    EXPECT_NE(s.find("Frequency (Hz)"), nullptr);
}

TEST_F(PlotViewTest, ZoomOutGrowsTheScopeFourFoldAndTheSpectrumMaximumThreeFold) {
    CVelmoraDoc& d = document(1);
    draw();
    for (int t = 0; t < 2; ++t)
        plot->m_dYMin[t] = -100, plot->m_dYMax[t] = 100;
    d.OnCommand(32795);
    draw();
    for (int t = 0; t < 2; ++t) {
        EXPECT_EQ(plot->m_dYMin[t], -400);
        EXPECT_EQ(plot->m_dYMax[t], 400);
    }
    EXPECT_FALSE(d.m_dwFlags & kFlagZoomOutY);

    document(2);
    draw();
    plot->m_dYMin[0] = 10, plot->m_dYMax[0] = 50;
    doc->OnCommand(32795);
    draw();
    EXPECT_EQ(plot->m_dYMin[0], 10);
    EXPECT_EQ(plot->m_dYMax[0], 150);
}

TEST_F(PlotViewTest, AutorangeAndResetFollowTheRecord) {
    CVelmoraDoc& d = document(0);
    d.OnCommand(32773);  // a silent record: flat
    draw();
    EXPECT_EQ(plot->m_dYMin[0], -1000);
    EXPECT_EQ(plot->m_dYMax[0], 1000);

    fill();
    d.ResetViewRanges();  // -1000..1000 and a tenth more
    EXPECT_EQ(d.m_nScopeYMax[0], 1200);
    EXPECT_EQ(d.m_nScopeYMin[0], -1200);
    draw();
    EXPECT_EQ(plot->m_dYMax[0], 1200);
    EXPECT_EQ(plot->m_nLast, 4800);

    d.OnCommand(32774);  // to the spectrum: bins 0..2400 rise to 2400
    EXPECT_DOUBLE_EQ(d.m_dSpecYMax[0], 2400 * 1.1);
    d.OnCommand(32773);
    draw();
    EXPECT_DOUBLE_EQ(plot->m_dYMax[0], 2400 + 240);
    EXPECT_EQ(plot->m_dYMin[0], 0);
}

TEST_F(PlotViewTest, DragZoomNeedsMoreThanSevenPixelsAndAWideEnoughIndexStep) {
    CVelmoraDoc& d = document(0);
    fill();
    d.ResetViewRanges();
    draw();
    auto drag = [&](PixelPoint from, PixelPoint to) {
        plot->OnLButtonDown(from);
        EXPECT_TRUE(d.m_dwFlags & kFlagDragging);
        const bool zoomed = plot->OnLButtonUp(to);
        EXPECT_FALSE(d.m_dwFlags & kFlagDragging);
        return zoomed;
    };
    EXPECT_FALSE(drag({100, 200}, {107, 300}));
    EXPECT_FALSE(drag({100, 200}, {300, 207}));
    EXPECT_EQ(plot->m_nLast, 4800);

    // 8 by 8 pixels zooms: x to (0..8) * 4800 / 700, y by the same rule.
    ASSERT_TRUE(drag({108, 108}, {100, 100}));
    EXPECT_EQ(plot->m_nFirst, 0);
    EXPECT_EQ(plot->m_nLast, 54);
    EXPECT_DOUBLE_EQ(plot->m_dYMax[0], 1200);
    EXPECT_DOUBLE_EQ(plot->m_dYMin[0], 1200 - 8 * 2400 / 400.0);

    // Now 50 pixels hold only 3 indices, each wider than a grid division:
    // x stays, y still zooms, within the record's limits.
    ASSERT_TRUE(drag({100, 50}, {150, 900}));
    EXPECT_EQ(plot->m_nFirst, 0);
    EXPECT_EQ(plot->m_nLast, 54);
    EXPECT_DOUBLE_EQ(plot->m_dYMax[0], 1200);  // 1206 capped
    EXPECT_DOUBLE_EQ(plot->m_dYMin[0], 1200 - 800 * 48 / 400.0);

    // A drag that begins left of the plot starts at index 0; one that ends
    // past it stops at the record's end.
    d.ResetViewRanges();
    draw();
    ASSERT_TRUE(drag({10, 100}, {890, 500}));
    EXPECT_EQ(plot->m_nFirst, 0);
    EXPECT_EQ(plot->m_nLast, 4800);
}

TEST_F(PlotViewTest, ReadoutsByModeWithReversedLetters) {
    CVelmoraDoc& d = document(1);
    fill();
    d.ResetViewRanges();
    draw();
    RecordingSurface s(kCaps);
    // x = 170 is index (70 * 4800 / 700) = 480.
    plot->ShowReadout(s, false, {170, 300});
    ASSERT_EQ(s.texts.size(), 3u);
    EXPECT_EQ(s.texts[0].text, "t:   10ms");
    EXPECT_EQ(s.texts[1].text, FormatC("L:%5g", -220 / (32.767 * 1.4)) + "mV");
    EXPECT_EQ(s.texts[0].x, 90);
    // Line by line (19 units each) below the x labels, which end at -529;
    // the third below the axis title's row (-550 to -569) as well.
    EXPECT_EQ(s.texts[0].y, -530);
    EXPECT_EQ(s.texts[1].y, -549);
    EXPECT_EQ(s.texts[2].y, -570);
    EXPECT_EQ(s.texts[0].colour, PlotView::kReadoutColour);
    EXPECT_EQ(s.texts[0].align, TextAlign::Left);
    EXPECT_EQ(plot->m_ptLastMouse, (PixelPoint{170, 300}));

    d.m_dwFlags |= kFlagReversed;
    EXPECT_EQ(plot->ReadoutLines(480)[1].substr(0, 2), "R:");
    EXPECT_EQ(plot->ReadoutLines(480)[2].substr(0, 2), "L:");

    d.m_dwFlags &= ~(kFlagReversed | kFlagDual);
    EXPECT_EQ(plot->ReadoutLines(480)[0], "t:10.00ms");

    d.m_dwFlags &= ~kFlagScope;
    EXPECT_EQ(plot->ReadoutLines(100),
              (std::vector<std::string>{"freq.1000.0Hz",
                                        FormatC("L mag.%5g mV", 100 * 2 / (32.767 * 1.4 * 4800))}));
    d.m_dwFlags |= kFlagDual | kFlagReversed;
    EXPECT_EQ(plot->ReadoutLines(100),
              (std::vector<std::string>{"freq. 1000Hz", "R/L ratio:  0.1",
                                        "R:L phase diff.28.6479 degrees"}));

    // Left of the plot: no index, nothing written, the point still kept.
    RecordingSurface outside(kCaps);
    plot->ShowReadout(outside, false, {20, 300});
    EXPECT_TRUE(outside.texts.empty());
    EXPECT_EQ(plot->m_ptLastMouse, (PixelPoint{20, 300}));
}

// The readout stays clear of the x labels; a new one first clears the last
// one and gives back any text of the margin that it touched.
TEST_F(PlotViewTest, TheReadoutCoversNoLabelAndClearsItsLastLines) {
    CVelmoraDoc& d = document(3);
    fill();
    d.ResetViewRanges();
    const RecordingSurface s = draw();
    std::vector<RecordingSurface::Text> labels;
    for (const auto& t : s.texts)
        if (t.y == -510 || t.text == "Frequency (Hz)")
            labels.push_back(t);
    ASSERT_EQ(labels.size(), 7u);  // six x labels and the axis title
    RecordingSurface first(kCaps);
    plot->ShowReadout(first, false, {170, 300});
    ASSERT_EQ(first.texts.size(), 3u);
    for (const auto& line : first.texts)
        for (const auto& label : labels) {
            const int width = 9 * static_cast<int>(label.text.size());
            const TextBox labelBox{label.x - width / 2, label.y, label.x + width / 2, label.y - 19};
            const TextBox lineBox{line.x, line.y, line.x + 9 * static_cast<int>(line.text.size()),
                                  line.y - 19};
            EXPECT_FALSE(lineBox.intersects(labelBox)) << line.text << " over " << label.text;
        }
    EXPECT_TRUE(first.fills.empty());

    // The next readout clears the three lines first.
    RecordingSurface second(kCaps);
    plot->ShowReadout(second, false, {400, 300});
    ASSERT_EQ(second.fills.size(), 3u);
    EXPECT_EQ(second.fills[0].x0, 90);
    EXPECT_EQ(second.fills[0].y0, -530);
    EXPECT_EQ(second.texts.size(), 3u);
}

TEST_F(PlotViewTest, TheDragOutlineFollowsTheMouse) {
    document(0);
    draw();
    RecordingSurface s(kCaps);
    plot->OnLButtonDown({200, 200});
    plot->ShowReadout(s, true, {250, 260});
    plot->ShowReadout(s, true, {300, 280});
    ASSERT_EQ(s.outlines.size(), 3u);  // drawn; then removed and drawn anew
    EXPECT_EQ(s.outlines[0].x1, 250);
    EXPECT_EQ(s.outlines[1].x1, 250);
    EXPECT_EQ(s.outlines[2].x1, 300);
    EXPECT_EQ(s.outlines[2].y1, 280);
}

TEST_F(PlotViewTest, TheDelayShiftsTheRightInputsTrace) {
    CVelmoraDoc& d = document(1);
    fill();
    d.m_dRDelay = 0.01;  // 480 samples
    d.ResetViewRanges();
    auto lastX = [](const RecordingSurface& s, Rgb colour) {
        int x = -1;
        for (const auto& line : s.lines)
            if (line.colour == colour)
                x = line.x1;
        return x;
    };
    RecordingSurface s = draw();
    EXPECT_EQ(lastX(s, PlotView::kChannel0Colour), plot->IndexToX(4799));
    EXPECT_EQ(lastX(s, PlotView::kChannel1Colour), plot->IndexToX(4799 - 480));

    d.m_dwFlags |= kFlagReversed;
    s = draw();
    EXPECT_EQ(lastX(s, PlotView::kChannel0Colour), plot->IndexToX(4799 - 480));
    EXPECT_EQ(lastX(s, PlotView::kChannel1Colour), plot->IndexToX(4799));
    EXPECT_NE(s.find("R:mV"), nullptr);
}

TEST_F(PlotViewTest, NonFiniteValuesAndEmptyRangesAreDrawnSafely) {
    CVelmoraDoc& d = document(0);
    draw();
    EXPECT_EQ(plot->ValueToY(std::numeric_limits<double>::infinity(), 0), -100);
    EXPECT_EQ(plot->ValueToY(-std::numeric_limits<double>::infinity(), 0), -500);
    EXPECT_EQ(plot->ValueToY(std::nan(""), 0), -500);
    EXPECT_EQ(plot->ValueToY(1e300, 0), -100);

    // A window lower than its margins, or of no width, draws no trace.
    for (const auto& [width, height] : {std::pair{900, 150}, std::pair{0, 600}}) {
        RecordingSurface flat({width, height, 100, 100, 24});
        plot->OnDraw(flat, width, height);
        EXPECT_TRUE(flat.lines.empty());
        EXPECT_TRUE(flat.pixels.empty());
    }

    plot->m_nFirst = plot->m_nLast = 100;
    d.OnCommand(32773);
    const RecordingSurface s = draw();
    EXPECT_TRUE(s.lines.empty());
    EXPECT_NE(s.find("Oscilloscope mode: 1 ch(s)"), nullptr);

    // Averaging on and no capture summed: a flat spectrum of zeros.
    document(3);
    fill();
    doc->m_nAverageCount = 0;
    doc->ResetViewRanges();
    EXPECT_EQ(doc->m_dSpecYMax[0], 9e49 * 1.1);
    const RecordingSurface t = draw();
    EXPECT_FALSE(t.pixels.empty());
    for (const auto& line : t.lines)
        if (line.colour == PlotView::kChannel0Colour) {
            EXPECT_EQ(line.y1, -500);
        }
}

// A logarithmic frequency axis: decades equally spaced, no place for DC,
// labels at the decades, and the readout and the drag zoom read it back.
TEST_F(PlotViewTest, ALogarithmicFrequencyAxis) {
    CVelmoraDoc& d = document(2);
    fill();
    d.SetLogFrequency(true);
    const RecordingSurface s = draw();
    EXPECT_EQ(plot->FirstShown(), 1);
    // Bins 1 (10 Hz) to 2401: 10, 100 and 1000 Hz a third of the width
    // apart (log 2401 = 3.38 decades over 700 units).
    const double perDecade = 700 / std::log10(2401.0);
    EXPECT_EQ(plot->IndexToX(1), 100);
    EXPECT_NEAR(plot->IndexToX(10), 100 + perDecade, 1);
    EXPECT_NEAR(plot->IndexToX(100), 100 + 2 * perDecade, 1);
    EXPECT_NEAR(plot->IndexAt(100 + perDecade), 10, 1e-9);
    std::vector<std::string> labels;
    for (const auto& t : s.texts)
        if (t.y == -510)
            labels.push_back(t.text);
    EXPECT_EQ(labels, (std::vector<std::string>{"10", "100", "1000", "10000"}));
    // A full line at each decade, short ticks between.
    int decadeLines = 0, ticks = 0;
    for (const auto& line : s.lines)
        if (line.colour == PlotView::kGridColour && line.x0 == line.x1 && line.x0 > 100 &&
            line.x0 < 800)
            (std::abs(line.y1 - line.y0) == 400 ? decadeLines : ticks)++;
    EXPECT_EQ(decadeLines, 3);  // 100 Hz, 1 and 10 kHz; 10 Hz is the left edge
    EXPECT_GT(ticks, 40);
    // The trace starts at bin 1, at the left edge.
    for (const auto& line : s.lines)
        if (line.colour == PlotView::kChannel0Colour) {
            EXPECT_GE(std::min(line.x0, line.x1), 100);
        }

    // The readout names the bin under the cursor on the same axis.
    RecordingSurface readout(kCaps);
    plot->ShowReadout(readout, false, {static_cast<int>(100 + 2 * perDecade), 300});
    ASSERT_FALSE(readout.texts.empty());
    EXPECT_EQ(readout.texts[0].text, "freq.1000.0Hz");

    // Dragging from 100 Hz to 1000 Hz zooms to those bins.
    plot->OnLButtonDown({static_cast<int>(100 + perDecade) + 1, 100});
    ASSERT_TRUE(plot->OnLButtonUp({static_cast<int>(100 + 2 * perDecade) + 1, 300}));
    EXPECT_EQ(plot->m_nFirst, 10);
    EXPECT_EQ(plot->m_nLast, 101);
}

TEST_F(PlotViewTest, DecibelScalesAndTheCoherenceTrace) {
    CVelmoraDoc& d = document(2);
    fill();
    d.SetAmplitudeScale(AmplitudeScale::DbV);
    RecordingSurface s = draw();
    ASSERT_NE(s.find("L FFT amp. :dBV"), nullptr);
    // Bin k holds k: at most 2400 * 2 / (32.767 * 1.4 * 4800) mV, some
    // -93.2 dBV; the range tops it on a 10 dB step.
    EXPECT_EQ(plot->m_dYMax[0], -80);
    EXPECT_EQ(plot->m_dYMin[0], -230);  // 150 dB below: bin 0's nothing is out of sight
    d.OnCommand(32795);                 // zoom out: three times the depth
    draw();
    EXPECT_EQ(plot->m_dYMin[0], -80 - 3 * 150);

    document(3);
    fill();
    doc->SetTransferEstimate(TransferEstimate::H1);
    for (int k = 0; k <= 2400; ++k)
        doc->m_pCoherence[k] = 0.5;
    doc->ResetViewRanges();
    s = draw();
    ASSERT_NE(s.find("coherence"), nullptr);
    EXPECT_EQ(s.find("coherence")->colour, PlotView::kCoherenceColour);
    EXPECT_NE(s.find("FFT transfer function, H1"), nullptr);
    EXPECT_EQ(plot->m_dYMin[2], 0);
    EXPECT_EQ(plot->m_dYMax[2], 1);
    int coherence = 0;
    for (const auto& line : s.lines)
        if (line.colour == PlotView::kCoherenceColour) {
            EXPECT_EQ(line.y1, plot->ValueToY(0.5, 2));
            ++coherence;
        }
    EXPECT_GT(coherence, 10);
    // Its labels and the phase's share the right margin.
    int coherenceLabels = 0;
    for (const auto& t : s.texts)
        coherenceLabels += t.colour == PlotView::kCoherenceColour && t.x == 820;
    EXPECT_EQ(coherenceLabels, 6);
    EXPECT_EQ(plot->ReadoutLines(100)[0], "freq. 1000Hz  coherence 0.5000");
}

TEST(SampleExtremes, NumbersGiveTheExtremesAndANotANumberIsFlaggedAnywhere) {
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    std::vector<double> samples(21);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::sin(static_cast<double>(i)) * 10;
    const SampleExtremes plain = ExtremesOf(samples.data(), 21);
    EXPECT_EQ(plain.least, *std::min_element(samples.begin(), samples.end()));
    EXPECT_EQ(plain.most, *std::max_element(samples.begin(), samples.end()));
    EXPECT_FALSE(plain.notANumber);
    for (std::size_t at : {0u, 7u, 20u}) {  // in the vector body and in the tail
        std::vector<double> marked = samples;
        marked[at] = nan;
        const SampleExtremes e = ExtremesOf(marked.data(), 21);
        EXPECT_TRUE(e.notANumber) << at;
        EXPECT_LE(e.least, e.most) << at;
    }
    samples[3] = inf;
    samples[19] = -inf;
    const SampleExtremes infinite = ExtremesOf(samples.data(), 21);
    EXPECT_EQ(infinite.most, inf);
    EXPECT_EQ(infinite.least, -inf);
    const double allNan[9] = {nan, nan, nan, nan, nan, nan, nan, nan, nan};
    const SampleExtremes none = ExtremesOf(allNan, 9);
    EXPECT_TRUE(none.notANumber);
    EXPECT_GT(none.least, none.most);
}

TEST(SampleExtremes, TheVectorAndThePortablePathAgreeOnRandomData) {
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> value(-40000, 40000);
    std::uniform_int_distribution<int> length(0, 300), odds(0, 60);
    for (int trial = 0; trial < 500; ++trial) {
        std::vector<double> samples(static_cast<std::size_t>(length(random)));
        for (double& v : samples) {
            const int pick = odds(random);
            v = pick == 0   ? std::nan("")
                : pick == 1 ? std::numeric_limits<double>::infinity()
                : pick == 2 ? -0.0
                            : value(random);
        }
        const int n = static_cast<int>(samples.size());
        const SampleExtremes vector = ExtremesOf(samples.data(), n);
        const SampleExtremes portable = PortableExtremesOf(samples.data(), n);
        ASSERT_EQ(vector.notANumber, portable.notANumber) << trial;
        ASSERT_EQ(std::memcmp(&vector.least, &portable.least, sizeof(double)), 0) << trial;
        ASSERT_EQ(std::memcmp(&vector.most, &portable.most, sizeof(double)), 0) << trial;
    }
}

TEST_F(PlotViewTest, TheTransferFunctionsPhaseIsDrawnAsDots) {
    document(3);
    fill();
    RecordingSurface s = draw();
    ASSERT_FALSE(s.pixels.empty());
    for (const auto& p : s.pixels)
        EXPECT_EQ(p.colour, PlotView::kChannel1Colour);
    // 0.5 rad = 28.6°, in -180..180 over 400 units.
    EXPECT_EQ(s.pixels.front().y, plot->ValueToY(0.5 * 180 / M_PI, 1));
    EXPECT_NE(s.find("L/R ratio"), nullptr);
    EXPECT_NE(s.find("L:R phase difference"), nullptr);
}

TEST_F(PlotViewTest, AOneBitDeviceGetsBlackTracesAndTexts) {
    CVelmoraDoc& d = document(1);
    fill();
    RecordingSurface mono({900, 600, 100, 100, 1});
    plot->OnDraw(mono, 900, 600);
    EXPECT_TRUE(d.m_dwFlags & kFlagMonochrome);
    for (const auto& line : mono.lines)
        EXPECT_TRUE(line.colour == kBlack || line.colour == PlotView::kGridColour);
    EXPECT_EQ(mono.find("L:mV")->colour, kBlack);
    draw();
    EXPECT_FALSE(d.m_dwFlags & kFlagMonochrome);
}

}  // namespace
}  // namespace velmora
