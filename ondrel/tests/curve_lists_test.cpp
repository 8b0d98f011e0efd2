// The curve lists and the chart settings as a user meets them: one curve is
// the current one, what the window shows is what its commands act on, and
// nothing stays on show once it is gone.
#include <gtest/gtest.h>

#include <QChart>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

#include "files/voltammogram_file.h"
#include "test_support/temp_dir.h"
#include "ui/charts/axis_scaling.h"
#include "ui/charts/chart_panel.h"
#include "ui/charts/chart_settings.h"
#include "ui/potentiostat/potentiostat.h"
#include "ui/sheets/measured_curves.h"
#include "ui/sheets/peak_commands.h"
#include "window_fixture.h"

namespace ondrel {
namespace {

using test_support::TempDir;

// One couple whose peaks sit at `at` mV and at `at` − 30 mV.
Curve couple(double at) {
    Curve curve;
    for (int e = 0; e <= 500; ++e)
        curve.push_back({double(e), 10 * std::exp(-std::pow((e - at) / 30.0, 2))});
    for (int e = 499; e >= 0; --e)
        curve.push_back({double(e), -8 * std::exp(-std::pow((e - at + 30) / 30.0, 2))});
    return curve;
}

class CurveListsTest : public testing::WindowFixture {
protected:
    CurveListsTest() {
        window.resize(1280, 800);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // Reads curve files as the "Exp files" button does.
    void open(const std::vector<std::pair<std::string, Curve>>& files) {
        QStringList paths;
        for (const auto& [name, curve] : files)
            paths << QString::fromStdString(
                dir.write(name, WriteVoltammogram(curve, CurveFormat::Ocv, CurveOrigin::Measured)));
        dialogs.openAnswers.push_back(paths);
        click("OpenOcvButton97");
    }
    QListWidget* measuredList() { return control<QListWidget>("RealExpListBox"); }
    QString label(const char* name) { return control<QLabel>(name)->text(); }
    // Clicks the tick box of a list entry with the mouse.
    void clickTick(QListWidget* list, int row) {
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.rect = list->visualItemRect(list->item(row));
        option.features =
            QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = list->item(row)->text();
        const QRect tick =
            list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, tick.center());
    }
    bool run() {
        QSignalSpy ended(window.Runs, &Potentiostat::runEnded);
        click("RxRunExperiment");
        return !ended.isEmpty() || ended.wait(60000);
    }
    TempDir dir;
};

TEST_F(CurveListsTest, TheCurveTickedOrChosenIsTheOneShownAndActedOn) {
    open({{"a.OCV", couple(200.5)}, {"b.OCV", couple(300.5)}});
    QListWidget* list = measuredList();
    ASSERT_EQ(list->currentRow(), 1);

    // Unticking and ticking a's box again with the mouse makes a current.
    clickTick(list, 0);
    ASSERT_EQ(list->item(0)->checkState(), Qt::Unchecked);
    clickTick(list, 0);
    ASSERT_EQ(list->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(label("ExpInputFileName"), "a.OCV");
    click("FindExpPeaksButton");
    EXPECT_EQ(label("StaticText1"), "a.OCV");
    ASSERT_EQ(window.ExpPeaksSeries->count(), 2);
    EXPECT_NEAR(window.ExpPeaksSeries->at(0).x(), 200.5, 0.1);

    // The arrow keys choose too, and the grid follows.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(label("ExpInputFileName"), "b.OCV");
    EXPECT_EQ(window.ExpDataGrid->model()->index(0, 0).data().toString(), "1");
    click("SmoothExpButton");
    EXPECT_NEAR(window.SeriesExpSmoothed->at(300).y(), window.Curves->seriesOfRow(1)->at(300).y(),
                0.01);
}

TEST_F(CurveListsTest, ADeletedCurveLeavesNothingOnShow) {
    open({{"a.OCV", couple(200.5)}, {"b.OCV", couple(300.5)}});
    click("FindExpPeaksButton");
    click("SmoothExpButton");
    ASSERT_EQ(label("StaticText1"), "b.OCV");
    ASSERT_FALSE(window.MeasuredCouples->toPlainText().isEmpty());
    ASSERT_TRUE(window.Peaks->derivativeAvailable());

    dialogs.yesNoAnswers = {true, true};
    QListWidget* list = measuredList();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(rows("RealExpListBox"), QStringList{"a.OCV"});
    // The grid and its labels show the curve left, now the current one.
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(label("ExpInputFileName"), "a.OCV");
    EXPECT_EQ(label("ExpInputFileNpts"), "1001 pts");
    EXPECT_EQ(window.ExpDataGrid->model()->rowCount(), 1001);
    // What was found on b is gone with it.
    EXPECT_EQ(window.PeaksGrid->model()->rowCount(), 0);
    EXPECT_EQ(label("StaticText1"), "");
    EXPECT_TRUE(window.MeasuredCouples->toPlainText().isEmpty());
    EXPECT_EQ(window.ExpPeaksSeries->count(), 0);
    EXPECT_EQ(window.SerieDerivee1->count(), 0);
    EXPECT_EQ(window.StringGridDerivative1->model()->rowCount(), 0);
    EXPECT_FALSE(window.Peaks->derivativeAvailable());
    // Nor is its smoothing saved.
    click("SaveSmoothedButton");
    EXPECT_TRUE(dialogs.saveRequests.empty());

    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(label("ExpInputFileName"), "");
    EXPECT_EQ(label("ExpInputFileNpts"), "");
    EXPECT_EQ(window.ExpDataGrid->model()->rowCount(), 0);
}

TEST_F(CurveListsTest, AFileThatFailsLeavesTheGridAndLabelsOnTheLastCurveRead) {
    open({{"a.OCV", couple(200.5)}});
    const std::string bad = dir.write("bad.OCV", "2\r\n0.1, 1e-6\r\n0.2, x\r\n");
    dialogs.openAnswers.push_back({QString::fromStdString(bad)});
    click("OpenOcvButton97");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains("bad.OCV"));
    EXPECT_EQ(label("ExpInputFileName"), "a.OCV");
    EXPECT_EQ(label("ExpInputFileNpts"), "1001 pts");
    EXPECT_EQ(window.ExpDataGrid->model()->rowCount(), 1001);
}

TEST_F(CurveListsTest, AnIncompleteSmoothingIsNotSaved) {
    open({{"a.OCV", couple(200.5)}});
    window.RxSpinEdit1->setValue(6);  // typed: the step does not stop it
    ASSERT_EQ(dialogs.errors.at(0), "pb de coef: 23 != 21");
    const std::string path = (dir / "smooth.OCV").string();
    dialogs.saveAnswers.push_back({QString::fromStdString(path)});
    click("SaveSmoothedButton");
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_TRUE(dialogs.errors[1].contains("incomplete")) << dialogs.errors[1].toStdString();
    EXPECT_FALSE(std::filesystem::exists(path));

    // Smoothed whole, it is saved.
    window.RxSpinEdit1->setValue(7);
    click("SaveSmoothedButton");
    EXPECT_EQ(dialogs.errors.size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(CurveListsTest, ARunEqualToAStoredOneSaysWhichAndShowsIt) {
    ASSERT_TRUE(run());
    QListWidget* history = control<QListWidget>("VirtualExpListBox");
    ASSERT_EQ(history->count(), 1);
    history->item(0)->setCheckState(Qt::Unchecked);
    history->setCurrentRow(-1);
    window.MainStatusBar->clearMessage();

    ASSERT_TRUE(run());
    EXPECT_EQ(history->count(), 1);
    EXPECT_EQ(history->currentRow(), 0);
    EXPECT_EQ(history->item(0)->checkState(), Qt::Checked);
    EXPECT_TRUE(window.Runs->historySeries(0)->isVisible());
    EXPECT_TRUE(window.MainStatusBar->currentMessage().contains("NoName_0"))
        << window.MainStatusBar->currentMessage().toStdString();
    EXPECT_EQ(control<QLabel>("StaticText2")->text(), "NoName__0");
}

class ChartSettingsTest : public CurveListsTest {
protected:
    // Opens the voltammogram chart's settings, shown as a user sees them,
    // and lets the script act on them.
    void editChart(const std::function<void(ChartSettings&)>& script) {
        dialogs.onDialog = [script](QDialog& dialog) {
            auto* settings = qobject_cast<ChartSettings*>(&dialog);
            if (!settings)
                return 0;
            settings->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(settings));
            script(*settings);
            settings->hide();
            return 1;
        };
        click("EditVoltamogramsSeries");
    }
    template <typename T>
    static T* in(ChartSettings& settings, const char* name) {
        T* found = settings.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QValueAxis* x() { return window.VoltamogramPanel->xAxis(); }
    // Types the potential axis's range into its fields, each ended by Enter.
    void typePotentialRange(ChartSettings& settings, const char* min, const char* max) {
        for (auto [field, text] : {std::pair{"AxisMin0", min}, std::pair{"AxisMax0", max}}) {
            auto* edit = in<QLineEdit>(settings, field);
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, text);
            QTest::keyClick(edit, Qt::Key_Return);
        }
    }
};

TEST_F(ChartSettingsTest, EnterInAnAxisFieldSetsTheRangeAndPressesNoButton) {
    open({{"a.OCV", couple(200.5)}});
    QLineSeries* curve = window.Curves->seriesOfRow(0);
    const QColor before = curve->color();
    dialogs.colors.push_back(QColor(1, 2, 3));
    editChart([&](ChartSettings& settings) {
        auto* list = in<QListWidget>(settings, "SeriesList");
        const auto at = std::find(settings.series().begin(), settings.series().end(), curve);
        list->setCurrentRow(static_cast<int>(at - settings.series().begin()));
        in<QCheckBox>(settings, "AxisAuto0")->click();  // the fields take a range
        typePotentialRange(settings, "20", "80");
        EXPECT_TRUE(settings.isVisible());
        EXPECT_FALSE(in<QCheckBox>(settings, "AxisAuto0")->isChecked());
    });
    EXPECT_DOUBLE_EQ(x()->min(), 20);
    EXPECT_DOUBLE_EQ(x()->max(), 80);
    EXPECT_EQ(curve->color(), before);
    EXPECT_EQ(dialogs.colors.size(), 1u);  // the colour picker never opened
}

TEST_F(ChartSettingsTest, AutomaticFollowsTheAutoButtonAndAZoom) {
    open({{"a.OCV", couple(200.5)}});
    EXPECT_TRUE(IsAutomatic(*x()));
    editChart([&](ChartSettings& settings) {
        auto* automatic = in<QCheckBox>(settings, "AxisAuto0");
        EXPECT_TRUE(automatic->isChecked());
        automatic->click();
        EXPECT_TRUE(in<QLineEdit>(settings, "AxisMin0")->isEnabled());
        // The Auto button while the settings show.
        click("AutoScaleButton");
        EXPECT_TRUE(automatic->isChecked());
        EXPECT_FALSE(in<QLineEdit>(settings, "AxisMin0")->isEnabled());
    });
    EXPECT_TRUE(IsAutomatic(*x()));

    // A zoom step fixes the range; Auto makes it automatic again.
    window.VoltamogramPanel->arrow("RxZoomButton1", false)->click();
    EXPECT_FALSE(IsAutomatic(*x()));
    editChart([&](ChartSettings& settings) {
        EXPECT_FALSE(in<QCheckBox>(settings, "AxisAuto0")->isChecked());
    });
    click("AutoScaleButton");
    editChart([&](ChartSettings& settings) {
        EXPECT_TRUE(in<QCheckBox>(settings, "AxisAuto0")->isChecked());
    });
}

// A potential range the user set stays while curves come, go and are
// ticked; the current axis, still automatic, follows the curves shown.
TEST_F(ChartSettingsTest, ARangeTheUserSetStaysWhileCurvesChange) {
    open({{"a.OCV", couple(200.5)}});
    editChart([&](ChartSettings& settings) {
        in<QCheckBox>(settings, "AxisAuto0")->click();
        typePotentialRange(settings, "100", "400");
    });
    auto keptRange = [&] { return !IsAutomatic(*x()) && x()->min() == 100 && x()->max() == 400; };
    ASSERT_TRUE(keptRange());
    QValueAxis* current = window.VoltamogramPanel->yAxis();
    ASSERT_TRUE(IsAutomatic(*current));
    ASSERT_LT(current->max(), 20);

    Curve larger = couple(300.5);
    for (CurvePoint& p : larger)
        p.current *= 10;
    open({{"b.OCV", larger}});
    EXPECT_TRUE(keptRange());
    EXPECT_GE(current->max(), 100);
    clickTick(measuredList(), 1);
    ASSERT_EQ(measuredList()->item(1)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(keptRange());
    EXPECT_LT(current->max(), 20);
    clickTick(measuredList(), 1);
    EXPECT_TRUE(keptRange());
    dialogs.yesNoAnswers = {true, true};
    measuredList()->setFocus();
    QTest::keyClick(measuredList(), Qt::Key_Delete);
    ASSERT_EQ(measuredList()->count(), 1);
    EXPECT_TRUE(keptRange());

    // Auto scales both axes to the curves again.
    click("AutoScaleButton");
    EXPECT_TRUE(IsAutomatic(*x()));
    EXPECT_LE(x()->min(), 0);
    EXPECT_GE(x()->max(), 500);
}

TEST_F(ChartSettingsTest, HidingACurveThereUnticksItAndItsPeaks) {
    open({{"a.OCV", couple(200.5)}});
    click("FindExpPeaksButton");
    QLineSeries* curve = window.Curves->seriesOfRow(0);
    auto setShown = [&](bool shown) {
        editChart([&](ChartSettings& settings) {
            auto* list = in<QListWidget>(settings, "SeriesList");
            const auto at = std::find(settings.series().begin(), settings.series().end(), curve);
            list->setCurrentRow(static_cast<int>(at - settings.series().begin()));
            in<QCheckBox>(settings, "SeriesVisible")->setChecked(shown);
        });
    };
    setShown(false);
    EXPECT_FALSE(curve->isVisible());
    EXPECT_EQ(measuredList()->item(0)->checkState(), Qt::Unchecked);
    EXPECT_FALSE(window.ExpPeaksSeries->isVisible());
    setShown(true);
    EXPECT_EQ(measuredList()->item(0)->checkState(), Qt::Checked);
    EXPECT_TRUE(window.ExpPeaksSeries->isVisible());
}

}  // namespace
}  // namespace ondrel
