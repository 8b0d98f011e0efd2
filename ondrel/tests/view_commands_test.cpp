// The charts' view commands, hints, print preview and settings, through the
// window on the offscreen platform.
#include <gtest/gtest.h>

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>

#include "files/voltammogram_file.h"
#include "test_support/failure_of.h"
#include "test_support/temp_dir.h"
#include "ui/charts/chart_hints.h"
#include "ui/charts/chart_panel.h"
#include "ui/charts/chart_settings.h"
#include "ui/charts/chart_view_commands.h"
#include "ui/pictures/chart_picture.h"
#include "ui/pictures/print_preview.h"
#include "ui/sheets/measured_curves.h"
#include "ui/sheets/model_editor.h"
#include "window_fixture.h"

namespace ondrel {
namespace {

using test_support::FailureOf;
using test_support::TempDir;

class ViewTest : public testing::WindowFixture {
protected:
    ViewTest() {
        window.resize(1280, 800);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // A measured curve of a few points, at 0..100 mV.
    QLineSeries* loadCurve(const char* name = "line.OCV") {
        Curve curve;
        for (int e = 0; e <= 100; e += 10)
            curve.push_back({double(e), e / 10.0});
        const std::string path =
            dir.write(name, WriteVoltammogram(curve, CurveFormat::Ocv, CurveOrigin::Measured));
        dialogs.openAnswers.push_back({QString::fromStdString(path)});
        click("OpenOcvButton97");
        return window.Curves->seriesOfRow(window.Curves->count() - 1);
    }
    QPoint viewPoint(ChartPanel* panel, QPointF value, QAbstractSeries* series) {
        const QPointF inChart = panel->chart()->mapToPosition(value, series);
        return panel->view()->mapFromScene(panel->chart()->mapToScene(inChart));
    }
    QValueAxis* x() { return window.VoltamogramPanel->xAxis(); }
    QValueAxis* y() { return window.VoltamogramPanel->yAxis(); }
    TempDir dir;
};

TEST_F(ViewTest, FlipsAndZoomStepsComeBackWhereTheyStarted) {
    QLineSeries* curve = loadCurve();
    const QList<QPointF> points = curve->points();
    for (const char* flip : {"FlipAxisButton97", "ToolbarButton973"}) {
        QValueAxis* axis = flip == std::string("FlipAxisButton97") ? x() : y();
        click(flip);
        EXPECT_TRUE(axis->isReverse());
        click(flip);
        EXPECT_FALSE(axis->isReverse());
    }
    EXPECT_EQ(curve->points(), points);

    const double min = x()->min(), max = x()->max();
    control<QToolButton>("RxZoomButton1Down")->click();  // in
    EXPECT_NEAR(x()->max() - x()->min(), (max - min) * 0.95, 1e-6 * (max - min));
    control<QToolButton>("RxZoomButton1Up")->click();  // out
    EXPECT_NEAR(x()->min(), min, 1e-6 * (max - min));
    EXPECT_NEAR(x()->max(), max, 1e-6 * (max - min));
}

TEST_F(ViewTest, ZoomWindowsAndTheRightPanelComeBackExactly) {
    const int height = window.VoltamogramPanel->height();
    auto* zoom = control<QToolButton>("ZoomVoltamogramButton97");
    zoom->click();
    QApplication::processEvents();
    EXPECT_FALSE(window.ConcProfilPanel->isVisible());
    EXPECT_GT(window.VoltamogramPanel->height(), height);
    zoom->click();
    QApplication::processEvents();
    EXPECT_TRUE(window.ConcProfilPanel->isVisible());
    EXPECT_EQ(window.VoltamogramPanel->height(), height);
    EXPECT_EQ(window.ViewCommands->rememberedHeight(), height);

    control<QToolButton>("ZoomConcentrationButton97")->click();
    EXPECT_FALSE(window.VoltamogramPanel->isVisible());
    control<QToolButton>("ZoomConcentrationButton97")->click();
    EXPECT_TRUE(window.VoltamogramPanel->isVisible());

    control<QToolButton>("ToolbarButton975")->click();
    EXPECT_FALSE(window.ModelPanel->isVisible());
    EXPECT_FALSE(window.PilotPanel->isVisible());
    control<QToolButton>("ToolbarButton975")->click();
    EXPECT_TRUE(window.ModelPanel->isVisible());
    EXPECT_TRUE(window.PilotPanel->isVisible());

    click("ToolbarButton971");
    EXPECT_EQ(dialogs.messages.back(),
              "Sorry No help file!\n\rSee Manual.doc for a short program description\n\rSee also "
              "hints in status bar");
}

TEST_F(ViewTest, TheThreeDLookTogglesWithoutTouchingTheData) {
    QLineSeries* curve = loadCurve();
    const QList<QPointF> points = curve->points();
    auto* voltammogram = control<QToolButton>("Toggle3D1Button97");
    auto* profiles = control<QToolButton>("Toggle3D2Button97");
    EXPECT_TRUE(voltammogram->isChecked());
    EXPECT_TRUE(window.VoltamogramPanel->is3D());
    const QRectF deep = window.VoltamogramPanel->chart()->plotArea();
    voltammogram->click();
    EXPECT_FALSE(window.VoltamogramPanel->is3D());
    EXPECT_FALSE(voltammogram->isChecked());
    QApplication::processEvents();
    // Without depth the plot area takes the room the walls had.
    EXPECT_GT(window.VoltamogramPanel->chart()->plotArea().width(), deep.width());
    voltammogram->click();
    EXPECT_TRUE(window.VoltamogramPanel->is3D());
    EXPECT_TRUE(voltammogram->isChecked());
    profiles->click();
    EXPECT_FALSE(window.ConcProfilPanel->is3D());
    EXPECT_EQ(curve->points(), points);
}

TEST_F(ViewTest, ChartHintsNameThePointUnderTheMouseButNeverTheFirst) {
    QLineSeries* curve = loadCurve();
    ChartPanel* panel = window.VoltamogramPanel;
    x()->setRange(-50, 150);  // every point well inside the plot area
    // The first point: only the values, on white.
    ChartHint hint = ChartHintAt(*panel, viewPoint(panel, curve->at(0), curve), '.');
    EXPECT_TRUE(hint.text.startsWith("(")) << hint.text.toStdString();
    EXPECT_EQ(hint.background, QColor(255, 255, 255));
    // The second: the series title too, on yellow.
    hint = ChartHintAt(*panel, viewPoint(panel, curve->at(1), curve), '.');
    EXPECT_TRUE(hint.text.startsWith("line.OCV (")) << hint.text.toStdString();
    EXPECT_EQ(hint.background, QColor(255, 255, 0));
    const QStringList values = hint.text.mid(10).chopped(1).split(", ");
    ASSERT_EQ(values.size(), 2);
    EXPECT_NEAR(values[0].toDouble(), 10, 1.5);
    EXPECT_NEAR(values[1].toDouble(), 1, 0.2);
    // Outside the plot area the chart's own hint.
    hint = ChartHintAt(*panel, QPoint(2, 2), '.');
    EXPECT_EQ(hint.text, "Voltamogram");
    EXPECT_FALSE(hint.background.isValid());

    // The reaction list: the row under the mouse, below the rows its own.
    QListWidget* reactions = window.Editor->RedoxReactionsListBox;
    ASSERT_GT(reactions->count(), 0);
    const QRect first = reactions->visualItemRect(reactions->item(0));
    EXPECT_EQ(ListRowHint(*reactions, first.center()), reactions->item(0)->text());
    const QRect last = reactions->visualItemRect(reactions->item(reactions->count() - 1));
    ASSERT_LT(last.bottom() + 5, reactions->viewport()->height());
    EXPECT_EQ(ListRowHint(*reactions, QPoint(5, last.bottom() + 5)), reactions->toolTip());
}

TEST_F(ViewTest, ThePreviewLaysThePageOutAsThePartSays) {
    GraphPreview* shown = nullptr;
    dialogs.onDialog = [&](QDialog& dialog) {
        shown = qobject_cast<GraphPreview*>(&dialog);
        if (!shown)
            return 0;
        const int top = shown->pageRect().top();
        EXPECT_EQ(shown->pageRect(), QRect(10, top, 594, 420));
        // 4 %: 23 pixels left and right, 16 top and bottom.
        EXPECT_EQ(shown->chartRect(), QRect(10 + 23, top + 16, 594 - 46, 420 - 32));
        const QSize landscape = shown->size();
        EXPECT_EQ(landscape, QSize(594 + 18, 420 + top + 10));
        shown->ToggleOrientation();
        EXPECT_EQ(shown->pageRect().size(), QSize(420, 594));
        shown->LeftMargin->setValue(30);
        shown->TopMargin->setValue(30);
        // The middle 40 % of the page.
        EXPECT_EQ(shown->chartRect().width(), 420 - 2 * 126);
        EXPECT_EQ(shown->chartRect().height(), 594 - 2 * 178);
        shown->ToggleOrientation();
        EXPECT_EQ(shown->size(), landscape);
        // The page drawn: silver around, white inside.
        const QImage picture = shown->grab().toImage();
        EXPECT_EQ(picture.pixelColor(3, top + 100), QColor(0xC0, 0xC0, 0xC0));
        EXPECT_EQ(picture.pixelColor(12, top + 2), QColor(Qt::white));
        return 1;
    };
    click("PrintVoltamogramButton97");
    EXPECT_NE(shown, nullptr);
    EXPECT_EQ(FailureOf([&] { ShowGraphPreview(nullptr, dialogs, &window); }), "Pas de graphe");
}

TEST_F(ViewTest, ThePreviewOffersTheTextScalesAtWhichTheLabelsAreWhole) {
    loadCurve();
    loadCurve("other.OCV");
    window.VoltamogramPanel->chart()->legend()->show();
    QChart* chart = window.VoltamogramPanel->chart();
    const QSizeF screen = chart->size();
    dialogs.onDialog = [&](QDialog& dialog) {
        auto* preview = qobject_cast<GraphPreview*>(&dialog);
        if (!preview)
            return 0;
        QSpinBox* scale = preview->PrintResolution;
        // Text twice as large as on screen, on a landscape page.
        EXPECT_LE(scale->minimum(), -100);
        EXPECT_EQ(scale->maximum(), 50);
        for (bool landscape : {true, false}) {
            for (int margin : {4, 30}) {
                preview->LeftMargin->setValue(margin);
                preview->TopMargin->setValue(margin);
                const QSizeF page = preview->chartRect().size();
                for (int value = scale->minimum(); value <= scale->maximum(); value += 10) {
                    const ChartPageLayout laid(*chart, page, value);
                    EXPECT_TRUE(ChartTextsWhole(*chart))
                        << landscape << " " << margin << " " << value;
                }
                // The text eight times as large cuts the labels: the scale
                // does not go there.
                EXPECT_GT(scale->minimum(), -300);
                const ChartPageLayout crammed(*chart, page, -300);
                EXPECT_FALSE(ChartTextsWhole(*chart));
            }
            preview->ToggleOrientation();
        }
        // A value below the lowest is taken up to it.
        scale->setValue(-300);
        EXPECT_EQ(scale->value(), scale->minimum());
        return 1;
    };
    click("PrintVoltamogramButton97");
    EXPECT_EQ(dialogs.dialogsRun, 1);
    EXPECT_EQ(chart->size(), screen);
}

TEST_F(ViewTest, PrintingToAPdfFileGivesAPageWithTheChart) {
    loadCurve();
    const QString pdf = QString::fromStdString((dir / "chart.pdf").string());
    dialogs.printFiles.push_back(pdf);
    dialogs.onDialog = [&](QDialog& dialog) {
        auto* preview = qobject_cast<GraphPreview*>(&dialog);
        if (!preview)
            return 0;
        preview->PrintResolution->setValue(-100);
        preview->Print();
        // Cancelled: nothing printed, nothing said.
        preview->Print();
        return 1;
    };
    click("PrintVoltamogramButton97");
    EXPECT_TRUE(dialogs.errors.empty());
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(words.contains("E (mV)")) << words.toStdString();
    EXPECT_TRUE(words.contains("I (\u00B5A)")) << words.toStdString();
    // The screen's chart is laid out as before.
    EXPECT_EQ(window.VoltamogramPanel->chart()->size(),
              QSizeF(window.VoltamogramPanel->view()->viewport()->size()));

    // A file that cannot be written is named.
    dialogs.printFiles.push_back(QString::fromStdString((dir / "none" / "x.pdf").string()));
    click("PrintVoltamogramButton97");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].startsWith("Cannot print to "))
        << dialogs.errors[0].toStdString();
}

TEST_F(ViewTest, TheSettingsDialogRestylesTheChartAtOnce) {
    QLineSeries* curve = loadCurve();
    dialogs.colors.push_back(QColor(10, 20, 30));
    dialogs.onDialog = [&](QDialog& dialog) {
        auto* settings = qobject_cast<ChartSettings*>(&dialog);
        if (!settings)
            return 0;
        auto find = [&](const char* name) {
            return settings->findChild<QWidget*>(QString::fromLatin1(name));
        };
        auto* list = static_cast<QListWidget*>(find("SeriesList"));
        const auto at = std::find(settings->series().begin(), settings->series().end(), curve);
        EXPECT_NE(at, settings->series().end());
        list->setCurrentRow(static_cast<int>(at - settings->series().begin()));
        static_cast<QPushButton*>(find("SeriesColor"))->click();
        static_cast<QSpinBox*>(find("SeriesWidth"))->setValue(4);
        static_cast<QLineEdit*>(find("ChartTitle"))->setText("Day 1");
        static_cast<QCheckBox*>(find("LegendVisible"))->setChecked(true);
        // The horizontal axis, automatic until told otherwise, fixed from
        // 20 to 80 mV.
        auto* automatic = static_cast<QCheckBox*>(find("AxisAuto0"));
        EXPECT_TRUE(automatic->isChecked());
        automatic->setChecked(false);
        auto* from = static_cast<QLineEdit*>(find("AxisMin0"));
        auto* to = static_cast<QLineEdit*>(find("AxisMax0"));
        from->setText("20");
        to->setText("80");
        emit to->editingFinished();
        static_cast<QCheckBox*>(find("AxisGrid0"))->setChecked(false);
        return 1;
    };
    click("EditVoltamogramsSeries");
    EXPECT_EQ(dialogs.dialogsRun, 1);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(curve->color(), QColor(10, 20, 30));
    EXPECT_EQ(curve->pen().width(), 4);
    EXPECT_EQ(window.VoltamogramPanel->chart()->title(), "Day 1");
    EXPECT_TRUE(window.VoltamogramPanel->chart()->legend()->isVisible());
    EXPECT_DOUBLE_EQ(x()->min(), 20);
    EXPECT_DOUBLE_EQ(x()->max(), 80);
    EXPECT_FALSE(x()->isGridLineVisible());

    // Automatic again: fitted to the curve.
    dialogs.onDialog = [&](QDialog& dialog) {
        dialog.findChild<QCheckBox*>(QStringLiteral("AxisAuto0"))->setChecked(true);
        return 1;
    };
    click("EditVoltamogramsSeries");
    EXPECT_DOUBLE_EQ(x()->min(), 0);
    EXPECT_DOUBLE_EQ(x()->max(), 100);
}

}  // namespace
}  // namespace ondrel
