// How the charts look: their axes' ticks and labels, the 3D look and what
// reading it gives, and what a change of the plot area leaves behind.
#include <gtest/gtest.h>

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLegend>
#include <QLineSeries>
#include <QScatterSeries>
#include <QScreen>
#include <QTest>
#include <QValueAxis>
#include <cmath>

#include "files/voltammogram_file.h"
#include "test_support/temp_dir.h"
#include "ui/charts/axis_ticks.h"
#include "ui/charts/chart_3d.h"
#include "ui/charts/chart_hints.h"
#include "ui/charts/chart_panel.h"
#include "ui/sheets/measured_curves.h"
#include "window_fixture.h"

namespace ondrel {
namespace {

using test_support::TempDir;

TEST(RoundTicks, StepsAreOneTwoOrFiveTimesAPowerOfTenAndLabelsCarryNoNoise) {
    // -15..25 takes 5 or 10, never the 18.3333 of equal fifths.
    EXPECT_EQ(RoundTicks(-15, 25, 9).step, 5);
    EXPECT_EQ(RoundTicks(-15, 25, 5).step, 10);
    EXPECT_EQ(RoundTicks(-15, 25, 5).decimals, 0);
    const AxisTicks tenths = RoundTicks(-0.3, 0.3, 7);
    EXPECT_DOUBLE_EQ(tenths.step, 0.1);
    EXPECT_EQ(tenths.decimals, 1);
    const AxisTicks small = RoundTicks(0, 3e-6, 4);
    EXPECT_DOUBLE_EQ(small.step, 1e-6);
    EXPECT_EQ(small.decimals, 6);
    EXPECT_EQ(RoundTicks(-100, 200100, 4).step, 100000);
    // No range, no ticks to place: a step that harms nothing.
    EXPECT_GT(RoundTicks(1, 1, 5).step, 0);
    EXPECT_GT(RoundTicks(0, std::nan(""), 5).step, 0);

    // Sums of tenths are not tenths: the labels are.
    volatile double tenth = 0.1;
    const double nearZero = -0.3 + tenth + tenth + tenth;
    ASSERT_NE(nearZero, 0.0);
    EXPECT_EQ(TickLabel(nearZero, 1), "0.0");
    EXPECT_EQ(TickLabel(-nearZero, 1), "0.0");
    EXPECT_EQ(TickLabel(-1.25056e-12, 0), "0");
    EXPECT_EQ(TickLabel(-0.3 + 2 * tenth, 1), "-0.1");
    EXPECT_EQ(TickLabel(100000, 0), "100000");

    // The chart's own sums from the anchor: the zero tick never below zero,
    // the first and last ticks where round numbers fall.
    for (const double step : {0.1, 0.2, 0.5, 0.01, 0.05, 0.002}) {
        for (int k = 1; k < 12; ++k) {
            const double min = -k * step, max = (12 - k) * step;
            const double anchor = TickAnchor(min, max, step);
            double value = anchor - std::floor((anchor - min) / step) * step;
            int count = 0;
            for (; value <= max; value += step, ++count) {
                if (std::abs(value) < step / 2) {
                    EXPECT_GE(value, 0) << step << " " << k;
                }
            }
            EXPECT_GE(count, 12) << step << " " << k;
        }
    }
}

class ChartLookTest : public testing::WindowFixture {
protected:
    ChartLookTest() {
        window.resize(1280, 800);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // A measured curve: a peak at 50 mV on a slope, 0..100 mV.
    QLineSeries* loadCurve(const char* name = "line.OCV") {
        Curve curve;
        for (int e = 0; e <= 100; ++e)
            curve.push_back({double(e), e / 10.0 + 3 * std::exp(-(e - 50) * (e - 50) / 50.0)});
        const std::string path =
            dir.write(name, WriteVoltammogram(curve, CurveFormat::Ocv, CurveOrigin::Measured));
        dialogs.openAnswers.push_back({QString::fromStdString(path)});
        click("OpenOcvButton97");
        return window.Curves->seriesOfRow(control<QListWidget>("RealExpListBox")->count() - 1);
    }
    static void settle(ChartPanel* panel) {
        QApplication::processEvents();
        panel->chart()->layout()->activate();
        QApplication::processEvents();
    }
    // The texts the chart shows beside its plot area: left of it (the left
    // axis), right of it (the right axis) or below it (the bottom axis),
    // without the axes' titles.
    static QStringList labels(ChartPanel* panel, Qt::Alignment side) {
        settle(panel);
        QChart* chart = panel->chart();
        const QRectF plot = chart->mapRectToScene(chart->plotArea());
        QStringList titles;
        for (QAbstractAxis* axis : chart->axes())
            titles << axis->titleText();
        QStringList texts;
        for (QGraphicsItem* item : chart->scene()->items(Qt::AscendingOrder)) {
            auto* text = dynamic_cast<QGraphicsTextItem*>(item);
            if (!text || !text->isVisible() || text->rotation() != 0)
                continue;
            const QRectF at = text->sceneBoundingRect();
            const bool there = side == Qt::AlignLeft    ? at.right() <= plot.left() + 1
                               : side == Qt::AlignRight ? at.left() >= plot.right() - 1
                                                        : at.top() >= plot.bottom() - 1;
            const bool beside =
                side == Qt::AlignBottom
                    ? at.center().x() >= plot.left() - 30 && at.center().x() <= plot.right() + 30
                    : at.center().y() >= plot.top() - 20 && at.center().y() <= plot.bottom() + 20;
            if (there && beside && !text->toPlainText().isEmpty() &&
                !titles.contains(text->toPlainText()))
                texts << text->toPlainText();
        }
        return texts;
    }
    // Every label a whole number of steps, none cut, no exponent.
    static void expectRound(const QStringList& texts, double step) {
        EXPECT_GE(texts.size(), 2) << texts.join(' ').toStdString();
        for (const QString& text : texts) {
            EXPECT_FALSE(text.contains("...") || text.contains(QChar(0x2026)) || text.contains('e'))
                << text.toStdString();
            bool number = false;
            const double value = text.toDouble(&number);
            EXPECT_TRUE(number) << text.toStdString();
            EXPECT_NEAR(value / step, std::round(value / step), 1e-9) << text.toStdString();
        }
    }
    TempDir dir;
};

TEST_F(ChartLookTest, AxisLabelsAreRoundNumbersWithoutNoise) {
    loadCurve();
    ChartPanel* panel = window.VoltamogramPanel;
    panel->yAxis()->setRange(-15, 25);
    QStringList current = labels(panel, Qt::AlignLeft);
    expectRound(current, 5);
    EXPECT_TRUE(current.contains("0")) << current.join(' ').toStdString();

    // Zoomed in and out again about zero: no 1e-12 for 0.
    panel->chart()->zoom(1 / 0.95);
    panel->chart()->zoom(0.95);
    panel->yAxis()->setRange(-0.3, 0.3);
    current = labels(panel, Qt::AlignLeft);
    expectRound(current, 0.1);
    EXPECT_TRUE(current.contains("0.0")) << current.join(' ').toStdString();

    panel->xAxis()->setRange(-15, 25);
    expectRound(labels(panel, Qt::AlignBottom), 5);

    // The narrow pilot chart's step axis: few labels, each whole, also
    // beyond 10^5 steps.
    ChartPanel* pilot = window.PilotChartPanel;
    for (double steps : {2857.0, 200000.0, 3e7}) {
        pilot->xAxis()->setRange(-100, steps + 100);
        const QStringList texts = labels(pilot, Qt::AlignBottom);
        expectRound(texts, RoundTicks(-100, steps + 100, 11).step);
        EXPECT_LE(texts.size(), 6) << texts.join(' ').toStdString();
    }
}

TEST_F(ChartLookTest, TheDerivativeAxisSaysItsUnitAndShowsRoundTicks) {
    loadCurve();
    select("RealExpListBox", 0);
    click("FindExpPeaksButton");
    click("ToggleDerivativeButton");
    auto* axis = window.VoltamogramPanel->chart()->findChild<QValueAxis*>("DerivativeAxis");
    ASSERT_NE(axis, nullptr);
    ASSERT_TRUE(axis->isVisible());
    EXPECT_EQ(axis->titleText(), QString::fromUtf8("dI/dE (\u00B5A per point)"));
    const QStringList texts = labels(window.VoltamogramPanel, Qt::AlignRight);
    ASSERT_FALSE(texts.isEmpty());
    expectRound(texts, RoundTicks(axis->min(), axis->max(), 11).step / 10);
}

// The entries the legend shows, as drawn: the texts of its visible items,
// in alphabetical order.
std::string legendEntries(ChartPanel* panel) {
    QApplication::processEvents();
    panel->chart()->layout()->activate();
    QStringList entries;
    std::vector<QGraphicsItem*> items = {panel->chart()->legend()};
    while (!items.empty()) {
        QGraphicsItem* item = items.back();
        items.pop_back();
        if (!item->isVisible())
            continue;
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item))
            entries << text->toPlainText();
        for (QGraphicsItem* child : item->childItems())
            items.push_back(child);
    }
    entries.sort();
    return entries.join(", ").toStdString();
}

TEST_F(ChartLookTest, TheLegendListsOnlyTheCurvesOnShow) {
    QLineSeries* line = loadCurve();
    loadCurve("other.OCV");
    select("RealExpListBox", 0);
    click("FindExpPeaksButton");
    click("SmoothExpButton");
    ChartPanel* panel = window.VoltamogramPanel;
    panel->chart()->legend()->show();
    ASSERT_GT(window.ExpPeaksSeries->count(), 0);
    // Neither the peaks' marks, nor the hidden derivative, nor the series
    // that hold no points yet.
    EXPECT_EQ(legendEntries(panel), "Exp Smooth, line.OCV, other.OCV");
    click("ToggleDerivativeButton");
    EXPECT_EQ(legendEntries(panel), "Exp Smooth, dI/dE, line.OCV, other.OCV");

    // A hidden curve leaves, with what was made from it; shown, it is back.
    line->hide();
    EXPECT_EQ(legendEntries(panel), "dI/dE, other.OCV");
    line->show();
    EXPECT_EQ(legendEntries(panel), "Exp Smooth, dI/dE, line.OCV, other.OCV");
    EXPECT_TRUE(window.ExpPeaksSeries->isVisible());
}

// The backing store, as the screen shows the view, against the view drawn
// afresh: they differ where a change left stale pixels.
int stalePixels(QWidget& window, QChartView& view) {
    const QImage shown =
        window.screen()
            ->grabWindow(window.winId(), view.mapTo(&window, QPoint()).x(),
                         view.mapTo(&window, QPoint()).y(), view.width(), view.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    const QImage fresh = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.size() != fresh.size())
        return shown.width() * shown.height();
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            differing += shown.pixel(x, y) != fresh.pixel(x, y);
    return differing;
}

TEST_F(ChartLookTest, NothingStaleIsLeftWhenThePlotAreaChanges) {
    loadCurve();
    select("RealExpListBox", 0);
    click("FindExpPeaksButton");
    for (ChartPanel* panel : {window.VoltamogramPanel, window.ConcProfilPanel}) {
        ASSERT_TRUE(panel->is3D());
        ASSERT_TRUE(QTest::qWaitFor([&] { return stalePixels(window, *panel->view()) == 0; }))
            << stalePixels(window, *panel->view()) << " stale pixels";
        // The legend takes room below: the floor and walls move up.
        panel->chart()->legend()->show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return stalePixels(window, *panel->view()) == 0; }))
            << stalePixels(window, *panel->view()) << " stale pixels";
        panel->chart()->legend()->hide();
        ASSERT_TRUE(QTest::qWaitFor([&] { return stalePixels(window, *panel->view()) == 0; }))
            << stalePixels(window, *panel->view()) << " stale pixels";
    }
    // The peaks' labels move with the axis range.
    window.VoltamogramPanel->xAxis()->setRange(20, 60);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return stalePixels(window, *window.VoltamogramPanel->view()) == 0;
    })) << stalePixels(window, *window.VoltamogramPanel->view())
        << " stale pixels";
}

TEST_F(ChartLookTest, PointingAtARibbonReadsTheCurve) {
    QLineSeries* curve = loadCurve();
    ChartPanel* panel = window.VoltamogramPanel;
    ASSERT_TRUE(panel->is3D());
    panel->xAxis()->setRange(-50, 150);
    panel->yAxis()->setRange(-5, 20);
    settle(panel);
    QChart* chart = panel->chart();
    const QPointF point = curve->at(30);
    const QPointF front = chart->mapToPosition(point, curve);
    const double mvPerPixel = 200 / chart->plotArea().width();
    for (double depth : {Chart3DLook::kDepth, Chart3DLook::kDepth / 2}) {
        const QPointF onRibbon = front + QPointF(depth, -depth);
        const QPoint view = panel->view()->mapFromScene(chart->mapToScene(onRibbon));
        const QPointF value = panel->valueAt(view);
        EXPECT_NEAR(value.x(), point.x(), 2 * mvPerPixel) << depth;
        EXPECT_NEAR(value.y(), point.y(), 0.2) << depth;
        EXPECT_TRUE(ChartHintAt(*panel, view, '.').text.startsWith("line.OCV ("));
    }
    // Away from every curve the plain position reads.
    const QPointF empty(chart->plotArea().right() - 5, chart->plotArea().bottom() - 30);
    const QPoint view = panel->view()->mapFromScene(chart->mapToScene(empty));
    const QPointF plain =
        chart->mapToValue(chart->mapFromScene(panel->view()->mapToScene(view)), curve);
    EXPECT_NEAR(panel->valueAt(view).x(), plain.x(), 1e-6);
    EXPECT_NEAR(panel->valueAt(view).y(), plain.y(), 1e-6);
}

}  // namespace
}  // namespace ondrel
