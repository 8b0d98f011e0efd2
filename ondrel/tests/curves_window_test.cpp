// Measured curves, peaks, smoothing and the derivative through the window,
// with real curve files in a temporary folder.
#include <gtest/gtest.h>

#include <QChartView>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>
#include <cmath>
#include <random>

#include "files/voltammogram_file.h"
#include "test_support/temp_dir.h"
#include "ui/charts/chart_panel.h"
#include "ui/charts/curve_series.h"
#include "ui/potentiostat/potentiostat.h"
#include "ui/sheets/measured_curves.h"
#include "ui/sheets/peak_commands.h"
#include "ui/sheets/text_grid_model.h"
#include "window_fixture.h"

namespace ondrel {
namespace {

using test_support::TempDir;

// One couple: a maximum at 250.5 mV on the way up, a minimum at 220.5 mV on
// the way down (between samples, so that no derivative value is exactly 0).
Curve oneCouple() {
    Curve curve;
    for (int e = 0; e <= 500; ++e)
        curve.push_back({double(e), 10 * std::exp(-std::pow((e - 250.5) / 30.0, 2))});
    for (int e = 499; e >= 0; --e)
        curve.push_back({double(e), -8 * std::exp(-std::pow((e - 220.5) / 30.0, 2))});
    return curve;
}

QStringList headerOf(QTableView* grid) {
    QStringList header;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        header << grid->model()->headerData(c, Qt::Horizontal).toString();
    return header;
}

QString cell(QTableView* grid, int row, int column) {
    return grid->model()->index(row, column).data().toString();
}

class CurvesWindowTest : public testing::WindowFixture {
protected:
    std::string write(const std::string& name, const Curve& curve,
                      CurveOrigin origin = CurveOrigin::Measured) {
        const auto format = CurveFormatOf(name);
        return dir.write(name, WriteVoltammogram(curve, *format, origin));
    }
    void open(const QStringList& paths) {
        dialogs.openAnswers.push_back(paths);
        click("OpenOcvButton97");
    }
    bool run() {
        QSignalSpy ended(window.Runs, &Potentiostat::runEnded);
        click("RxRunExperiment");
        return !ended.isEmpty() || ended.wait(60000);
    }
    QLineSeries* measured(int row) { return window.Curves->seriesOfRow(row); }
    Curve readBack(const std::string& path) {
        return ReadVoltammogram(test_support::ReadFile(path), path, '.').curve;
    }

    TempDir dir;
};

TEST_F(CurvesWindowTest, ThreeFilesAtOnceGiveThreeTickedCurvesAndTheLastOnesGrid) {
    const Curve curve = oneCouple();
    const QStringList paths = {QString::fromStdString(write("a.OCV", curve)),
                               QString::fromStdString(write("b.AA0", curve)),
                               QString::fromStdString(write("c.PRN", curve))};
    open(paths);
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    const FileRequest& request = dialogs.openRequests.at(0);
    EXPECT_TRUE(request.multiple);
    EXPECT_EQ(request.defaultExtension, "OCV");
    EXPECT_EQ(request.filters.at(0), (FileFilter{"Fichier data ecco", "*OCV"}));
    EXPECT_EQ(request.filters.at(3), (FileFilter{"Fichier PRN (ESP)", "*.PRN"}));

    EXPECT_EQ(rows("RealExpListBox"), (QStringList{"a.OCV", "b.AA0", "c.PRN"}));
    auto* list = control<QListWidget>("RealExpListBox");
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list->item(row)->checkState(), Qt::Checked);
        ASSERT_NE(measured(row), nullptr);
        EXPECT_EQ(measured(row)->name(), list->item(row)->text());
        // Forward and reverse sweeps stay apart, in the file's order.
        ASSERT_EQ(measured(row)->count(), 1001);
        EXPECT_NEAR(measured(row)->at(600).x(), 400, 1e-9);
        EXPECT_NEAR(measured(row)->at(600).y(), curve[600].current, 1e-9);
    }
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(control<QLabel>("ExpInputFileName")->text(), "c.PRN");
    EXPECT_EQ(control<QLabel>("ExpInputFileNpts")->text(), "1001 pts");
    EXPECT_EQ(headerOf(window.ExpDataGrid), (QStringList{"PRN", "E (mV)", "I (\u00B5A)", "t (S)"}));
    EXPECT_EQ(window.ExpDataGrid->model()->rowCount(), 1001);
    EXPECT_EQ(dialogs.beeps, 1);

    // A click on an entry shows its curve in the grid, three columns.
    list->setCurrentRow(0);
    window.Curves->ShowCurveOfRow(0);
    EXPECT_EQ(headerOf(window.ExpDataGrid), (QStringList{"Exp", "E (mV)", "I (\u00B5A)"}));
    EXPECT_EQ(cell(window.ExpDataGrid, 250, 0), "251");
    EXPECT_EQ(cell(window.ExpDataGrid, 250, 1), "250");
    EXPECT_EQ(cell(window.ExpDataGrid, 250, 2), "9.9972");
    EXPECT_EQ(control<QLabel>("ExpInputFileName")->text(), "a.OCV");
}

TEST_F(CurvesWindowTest, AnEmptyCurveAndAnUnknownTypeAreShownAsTheyAre) {
    const std::string empty =
        dir.write("empty.AA0", "VM2/DAT\r\n3\r\nE (mV)\r\nI (mA)\r\nt (s)\r\n");
    open({QString::fromStdString(empty)});
    EXPECT_EQ(control<QLabel>("ExpInputFileNpts")->text(), "0 pts");
    EXPECT_EQ(rows("RealExpListBox"), QStringList{"empty.AA0"});

    // An unknown extension ends the command at that file.
    const std::string good = write("good.OCV", oneCouple());
    const std::string odd = dir.write("notes.txt", "1\r\n");
    open({QString::fromStdString(good), QString::fromStdString(odd),
          QString::fromStdString(write("late.OCV", oneCouple()))});
    EXPECT_EQ(dialogs.errors, std::vector<QString>{"unknown file type"});
    EXPECT_EQ(rows("RealExpListBox"), (QStringList{"empty.AA0", "good.OCV"}));
    EXPECT_EQ(dialogs.beeps, 1);  // only after the first command, which ended whole

    // A field that does not convert names the file and the line.
    dialogs.errors.clear();
    open({QString::fromStdString(dir.write("bad.OCV", "2\r\n0.1, 1e-6\r\n0.2, x\r\n"))});
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains("bad.OCV")) << dialogs.errors[0].toStdString();
    EXPECT_EQ(rows("RealExpListBox").size(), 2);
}

TEST_F(CurvesWindowTest, ASimulatedCurveSavedAsPrnReadsBackInvertedAMeasuredOneDoesNot) {
    ASSERT_TRUE(run());
    const QString simulated = QString::fromStdString((dir / "sim.PRN").string());
    dialogs.saveAnswers.push_back({simulated});
    click("SaveAsOcvButton97");
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    const FileRequest& request = dialogs.saveRequests.at(0);
    EXPECT_EQ(request.title, "Save virtual voltamogram as pseudo-experimental file");
    EXPECT_EQ(request.suggestedName, "NoName__0");
    EXPECT_EQ(request.defaultExtension, "OCV");
    const Curve back = readBack(simulated.toStdString());
    QLineSeries* run = window.Runs->historySeries(0);
    ASSERT_EQ(back.size(), static_cast<std::size_t>(run->count()));
    EXPECT_NEAR(back[300].current, -run->at(300).y(), 1e-9 + 1e-6 * std::abs(run->at(300).y()));

    open({simulated});
    const QString again = QString::fromStdString((dir / "again.PRN").string());
    dialogs.saveAnswers.push_back({again});
    click("SaveExperimentalVoltamogramAs");
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    const Curve kept = readBack(again.toStdString());
    ASSERT_EQ(kept.size(), back.size());
    EXPECT_NEAR(kept[300].current, back[300].current, 1e-9);

    // An extension the formats do not know is refused for each origin.
    dialogs.saveAnswers.push_back({QString::fromStdString((dir / "x.CSV").string())});
    click("SaveExperimentalVoltamogramAs");
    dialogs.saveAnswers.push_back({QString::fromStdString((dir / "y.CSV").string())});
    click("SaveAsOcvButton97");
    EXPECT_EQ(dialogs.errors,
              (std::vector<QString>{"Unknown Extension: .CSV", "Extension: .CSV non reconnue"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "x.CSV"));
}

TEST_F(CurvesWindowTest, SubtractBlankAddsTheDifferenceOrSaysWhereThePotentialsDiffer) {
    // The couple on a sloping background, and the background alone.
    Curve withBackground = oneCouple(), background = oneCouple();
    for (std::size_t i = 0; i < background.size(); ++i) {
        background[i].current = 0.01 * background[i].potential + (i > 500 ? -1 : 1);
        withBackground[i].current += background[i].current;
    }
    open({QString::fromStdString(write("cell.OCV", withBackground))});
    click("SubtractBlankButton");  // nothing chosen yet: no curve is added
    EXPECT_TRUE(dialogs.errors.empty());
    dialogs.openAnswers.push_back({QString::fromStdString(write("blank.OCV", background))});
    click("SubtractBlankButton");
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    ASSERT_EQ(window.Curves->count(), 2);
    EXPECT_EQ(window.RealExpListBox->item(1)->text(), QStringLiteral("cell.OCV - blank.OCV"));
    const Curve difference = CurveOf(*measured(1));
    const Curve expected = oneCouple();
    ASSERT_EQ(difference.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); i += 50)
        EXPECT_NEAR(difference[i].current, expected[i].current, 0.01) << "point " << i;

    // A blank of another program is refused, saying where.
    Curve shorter(background.begin(), background.begin() + 400);
    dialogs.openAnswers.push_back({QString::fromStdString(write("short.OCV", shorter))});
    window.RealExpListBox->setCurrentRow(0);
    click("SubtractBlankButton");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors.front().startsWith(QStringLiteral("The curve sweeps 2 times")))
        << dialogs.errors.front().toStdString();
    EXPECT_EQ(window.Curves->count(), 2);
}

TEST_F(CurvesWindowTest, SavingWithoutATargetSaysWhatIsMissing) {
    click("SaveAsOcvButton97");
    click("SaveExperimentalVoltamogramAs");
    click("SaveSmoothedButton");
    ASSERT_EQ(dialogs.errors.size(), 3u);
    EXPECT_EQ(dialogs.errors[0], "Can't find target VirtualExperiment");
    EXPECT_EQ(dialogs.errors[1], "You have to select a file !");
    EXPECT_TRUE(dialogs.errors[2].contains("smooth")) << dialogs.errors[2].toStdString();
    EXPECT_TRUE(dialogs.saveRequests.empty());
}

TEST_F(CurvesWindowTest, TheProminenceThresholdKeepsNoiseOutOfTheTableMarksAndCouples) {
    Curve curve = oneCouple();
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0, 0.1);
    for (CurvePoint& point : curve)
        point.current += noise(random);
    open({QString::fromStdString(write("noisy.OCV", curve))});
    auto* threshold = control<QDoubleSpinBox>("ProminenceSpinEdit");
    EXPECT_EQ(threshold->value(), kDefaultProminence);
    click("FindExpPeaksButton");
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    QTableView* peaks = window.PeaksGrid;
    ASSERT_EQ(peaks->model()->rowCount(), 2);
    EXPECT_NEAR(cell(peaks, 0, 1).toDouble(), 250.5, 2);
    EXPECT_NEAR(cell(peaks, 1, 1).toDouble(), 220.5, 2);
    EXPECT_EQ(window.ExpPeaksSeries->count(), 2);
    EXPECT_EQ(window.MeasuredCouples->toPlainText().count("\u0394Ep"), 1);

    // 0: every zero crossing of the derivative, as many couples as pair.
    threshold->setValue(0);
    EXPECT_GT(peaks->model()->rowCount(), 10);
    EXPECT_EQ(window.ExpPeaksSeries->count(), peaks->model()->rowCount());
    EXPECT_GT(window.MeasuredCouples->toPlainText().count("\u0394Ep"), 1);
    EXPECT_FALSE(window.MeasuredCouples->toPlainText().contains("\u0394Ep = -"));
    threshold->setValue(kDefaultProminence);
    EXPECT_EQ(peaks->model()->rowCount(), 2);
    EXPECT_EQ(window.ExpPeaksSeries->count(), 2);
}

TEST_F(CurvesWindowTest, MeasuredPeaksSmoothingAndTheirSeriesFollowTheCurve) {
    open({QString::fromStdString(write("couple.OCV", oneCouple()))});
    click("FindExpPeaksButton");
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    // A maximum on the way up, a minimum on the way down.
    QTableView* peaks = window.PeaksGrid;
    EXPECT_EQ(headerOf(peaks), (QStringList{"index", "Ep", "Ip"}));
    ASSERT_EQ(peaks->model()->rowCount(), 2);
    EXPECT_NEAR(cell(peaks, 0, 1).toDouble(), 250.5, 0.05);
    EXPECT_NEAR(cell(peaks, 0, 2).toDouble(), 10, 0.01);
    EXPECT_NEAR(cell(peaks, 1, 1).toDouble(), 220.5, 0.05);
    EXPECT_NEAR(cell(peaks, 1, 2).toDouble(), -8, 0.01);
    EXPECT_EQ(window.ExpPeaksSeries->count(), 2);
    EXPECT_TRUE(window.ExpPeaksSeries->isVisible());
    EXPECT_EQ(control<QLabel>("StaticText1")->text(), "couple.OCV");
    const QString couples = window.MeasuredCouples->toPlainText();
    EXPECT_TRUE(couples.startsWith("\u0394Ep = 30")) << couples.toStdString();
    EXPECT_TRUE(couples.contains("E\u00BD = 235.5 mV")) << couples.toStdString();
    // Each peak from its own baseline: the bells of 10 and 8 have no tails.
    EXPECT_TRUE(couples.contains("|Ipa/Ipc| = 1.2")) << couples.toStdString();
    // The derivative: a point for each full window of 11, its grid.
    EXPECT_EQ(window.SerieDerivee1->count(), 1001 - 10);
    EXPECT_EQ(headerOf(window.StringGridDerivative1), (QStringList{"# Pt", "E", "dI/dE"}));
    EXPECT_TRUE(window.Peaks->derivativeAvailable());

    click("SmoothExpButton");
    EXPECT_EQ(window.SeriesExpSmoothed->count(), 1001);
    EXPECT_TRUE(window.SeriesExpSmoothed->isVisible());
    // A new width smooths and finds the peaks again.
    window.RxSpinEdit1->setValue(25);
    EXPECT_EQ(window.SerieDerivee1->count(), 1001 - 24);
    EXPECT_EQ(window.ExpPeaksSeries->count(), 2);

    // Unticking the curve hides its peaks and smoothing; ticking shows them.
    auto* item = control<QListWidget>("RealExpListBox")->item(0);
    item->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(measured(0)->isVisible());
    EXPECT_FALSE(window.ExpPeaksSeries->isVisible());
    EXPECT_FALSE(window.SeriesExpSmoothed->isVisible());
    item->setCheckState(Qt::Checked);
    EXPECT_TRUE(window.ExpPeaksSeries->isVisible());
    EXPECT_TRUE(window.SeriesExpSmoothed->isVisible());

    // The smoothed curve is saved as a measured one.
    const std::string smoothed = (dir / "smooth.OCV").string();
    dialogs.saveAnswers.push_back({QString::fromStdString(smoothed)});
    click("SaveSmoothedButton");
    EXPECT_EQ(readBack(smoothed).size(), 1001u);

    // Delete asks, then takes the curve and hides what was made from it.
    const int seriesBefore = static_cast<int>(window.VoltamogramPanel->chart()->series().size());
    dialogs.yesNoAnswers = {false, true};
    control<QListWidget>("RealExpListBox")->setFocus();
    QTest::keyClick(control<QListWidget>("RealExpListBox"), Qt::Key_Delete);
    EXPECT_EQ(rows("RealExpListBox").size(), 1);
    QTest::keyClick(control<QListWidget>("RealExpListBox"), Qt::Key_Delete);
    EXPECT_EQ(dialogs.questions,
              (std::vector<QString>{"Delete : couple.OCV ?", "Delete : couple.OCV ?"}));
    EXPECT_TRUE(rows("RealExpListBox").isEmpty());
    EXPECT_EQ(window.VoltamogramPanel->chart()->series().size(), seriesBefore - 1);
    EXPECT_FALSE(window.ExpPeaksSeries->isVisible());
    EXPECT_FALSE(window.SeriesExpSmoothed->isVisible());
}

TEST_F(CurvesWindowTest, AMaximumWhileThePotentialFallsIsNoPeak) {
    Curve curve;
    for (int e = 0; e <= 300; ++e)
        curve.push_back({double(e), 0});
    for (int e = 299; e >= 0; --e)
        curve.push_back({double(e), 5 * std::exp(-std::pow((e - 150.5) / 20.0, 2))});
    open({QString::fromStdString(write("falling.OCV", curve))});
    click("FindExpPeaksButton");
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(window.PeaksGrid->model()->rowCount(), 0);
    EXPECT_EQ(window.ExpPeaksSeries->count(), 0);
    EXPECT_TRUE(window.MeasuredCouples->toPlainText().isEmpty());
}

TEST_F(CurvesWindowTest, WidthsAndCurvesTheFilterCannotServeAreRefused) {
    // Nothing selected: the commands do nothing.
    click("SmoothExpButton");
    click("FindExpPeaksButton");
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_TRUE(dialogs.messages.empty());

    open({QString::fromStdString(write("couple.OCV", oneCouple()))});
    window.RxSpinEdit1->setValue(6);  // typed: the step does not stop it
    ASSERT_FALSE(dialogs.errors.empty());
    EXPECT_EQ(dialogs.errors.back(), "pb de coef: 23 != 21");
    // The smoothing stopped after the points it had copied.
    EXPECT_EQ(window.SeriesExpSmoothed->count(), 3);

    dialogs.errors.clear();
    window.RxSpinEdit1->setValue(11);
    const Curve full = oneCouple();
    open({QString::fromStdString(write("short.OCV", Curve(full.begin(), full.begin() + 8)))});
    click("FindExpPeaksButton");
    click("SmoothExpButton");
    // Both messages name the curve, as there may be several in the list.
    EXPECT_EQ(dialogs.errors,
              std::vector<QString>(
                  2, "short.OCV: The curve has 8 points, fewer than the 11 of the filter window"));
    EXPECT_EQ(window.ExpPeaksSeries->count(), 0);
}

TEST_F(CurvesWindowTest, SimulatedPeaksTheDerivativeToggleAndANewRun) {
    click("FindPeaksButton");
    EXPECT_EQ(dialogs.errors, std::vector<QString>{"Can't find target VirtualExperiment"});
    auto* toggle = control<QToolButton>("ToggleDerivativeButton");
    toggle->click();
    EXPECT_FALSE(window.SerieDerivee1->isVisible());  // nothing to show yet
    EXPECT_FALSE(toggle->isChecked());

    ASSERT_TRUE(run());
    dialogs.errors.clear();
    click("FindPeaksButton");
    ASSERT_TRUE(dialogs.errors.empty());
    QTableView* peaks = window.VirtualVoltamogramsPeakGrid;
    ASSERT_GE(peaks->model()->rowCount(), 2);
    EXPECT_EQ(control<QLabel>("StaticText4")->text(), "NoName__0");
    ASSERT_EQ(window.SimPeaksSeries->count(), peaks->model()->rowCount());
    for (int i = 1; i < window.SimPeaksSeries->count(); ++i)
        EXPECT_LE(window.SimPeaksSeries->at(i - 1).x(), window.SimPeaksSeries->at(i).x());
    EXPECT_EQ(window.SerieDerivee1->count(), 999);
    EXPECT_TRUE(window.VirtualCouples->toPlainText().contains("\u0394Ep"));

    toggle->click();
    EXPECT_TRUE(window.SerieDerivee1->isVisible());
    EXPECT_TRUE(toggle->isChecked());
    toggle->click();
    EXPECT_FALSE(window.SerieDerivee1->isVisible());

    // Unticking the run hides its peaks.
    control<QListWidget>("VirtualExpListBox")->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(window.SimPeaksSeries->isVisible());

    // A new run takes the derivative away until the peaks are found again.
    ASSERT_TRUE(run());
    EXPECT_FALSE(window.Peaks->derivativeAvailable());
    toggle->click();
    EXPECT_FALSE(window.SerieDerivee1->isVisible());
}

TEST_F(CurvesWindowTest, TheReadoutsShowTheValuesUnderTheMouseAndAnAxisClickRescales) {
    window.resize(1280, 800);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    open({QString::fromStdString(write("couple.OCV", oneCouple()))});
    QChart* chart = window.VoltamogramPanel->chart();
    QWidget* viewport = window.VoltamogramPanel->view()->viewport();
    const QRectF plot = chart->plotArea();
    // The axes were fitted to the curve.
    EXPECT_DOUBLE_EQ(window.VoltamogramPanel->xAxis()->min(), 0);
    EXPECT_DOUBLE_EQ(window.VoltamogramPanel->xAxis()->max(), 500);

    QTest::mouseMove(viewport, plot.center().toPoint());
    const QString text = window.Label36->text();
    ASSERT_TRUE(text.startsWith("mV: ")) << text.toStdString();
    EXPECT_TRUE(text.contains("  \u00B5A: ")) << text.toStdString();
    // The middle of the plot, or of the curve there when the mouse is on
    // its 3D ribbon, which reaches 12 pixels back.
    EXPECT_NEAR(text.mid(4, text.indexOf(' ', 4) - 4).toDouble(), 250, 13 * 500 / plot.width())
        << text.toStdString();

    window.VoltamogramPanel->xAxis()->setRange(100, 200);
    window.VoltamogramPanel->yAxis()->setRange(-1, 1);
    QTest::mouseClick(viewport, Qt::LeftButton, {},
                      QPoint(int(plot.center().x()), int(plot.bottom() + 10)));
    EXPECT_DOUBLE_EQ(window.VoltamogramPanel->xAxis()->min(), 0);
    EXPECT_DOUBLE_EQ(window.VoltamogramPanel->xAxis()->max(), 500);
    EXPECT_LE(window.VoltamogramPanel->yAxis()->min(), -8);
    EXPECT_GE(window.VoltamogramPanel->yAxis()->max(), 10);

    QTest::mouseMove(window.ConcProfilPanel->view()->viewport(), QPoint(100, 100));
    EXPECT_TRUE(window.Label24->text().startsWith("x: ")) << window.Label24->text().toStdString();
    EXPECT_TRUE(window.Label24->text().contains(" conc: "));
}

}  // namespace
}  // namespace ondrel
