// The Fit sheet of the window: a recorded curve loaded, a parameter ticked,
// the fit on its own thread, its result shown and accepted into the model.
#include <gtest/gtest.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QValueAxis>
#include <QtTest/QTest>
#include <cmath>

#include "files/cvn_file.h"
#include "files/voltammogram_file.h"
#include "fit_cases.h"
#include "test_support/temp_dir.h"
#include "ui/potentiostat/potentiostat.h"
#include "ui/sheets/fit_sheet.h"
#include "ui/sheets/measured_curves.h"
#include "window_fixture.h"

namespace ondrel {
namespace {

class FitSheetTest : public testing::WindowFixture {
protected:
    FitSheetTest() {
        const TModel truth = FitCoupleModel(0, 0.01, 0.5);
        TModel start = truth;
        start.couples[1].E0 = 0.02;
        window.LoadModel(QString::fromStdString(dir.write("start.CVN", WriteCvn(start, '.'))));
        window.Curves->LoadVoltamogramFiles({QString::fromStdString(
            dir.write("rec.OCV", WriteVoltammogram(SimulatedRecording(truth, 0.01, 3, 4).curve,
                                                   CurveFormat::Ocv, CurveOrigin::Measured)))});
        sheet = window.findChild<FitSheet*>(QStringLiteral("FitSheet"));
        sheet->ReloadParameters();
        sheet->RefreshCurves();
    }
    QTableWidget* parameters() { return sheet->FitParameterTable; }
    void vary(int row) { parameters()->item(row, 0)->setCheckState(Qt::Checked); }

    test_support::TempDir dir;
    FitSheet* sheet = nullptr;
};

TEST_F(FitSheetTest, FitsTheTickedCurveAndAcceptPutsTheValuesIntoTheModel) {
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(sheet->FitCurvesTable->rowCount(), 1);
    EXPECT_EQ(sheet->FitCurvesTable->item(0, 1)->text(), "0.1");
    ASSERT_EQ(parameters()->item(0, 1)->data(Qt::UserRole).toString(), "E0(1)");
    vary(0);
    QSignalSpy finished(sheet, &FitSheet::fitFinished);
    click("FitButton");
    EXPECT_TRUE(sheet->fitting());
    EXPECT_FALSE(sheet->FitButton->isEnabled());
    EXPECT_TRUE(sheet->StopFitButton->isEnabled());
    ASSERT_TRUE(finished.wait(300000));
    ASSERT_TRUE(sheet->result());
    const FitResult& result = *sheet->result();
    ASSERT_EQ(result.status, FitStatus::Converged) << result.message;
    const double E0 = result.parameters[0].parameter.value;
    EXPECT_LT(std::fabs(E0), 0.001);
    EXPECT_EQ(sheet->FitResultTable->item(0, 0)->text(), "E0(1)");
    EXPECT_FALSE(sheet->FitResultTable->item(0, 2)->text().isEmpty());
    EXPECT_TRUE(sheet->FitSummaryLabel->text().contains("reduced"));
    EXPECT_EQ(sheet->FitChart->chart()->series().size(), 2);
    EXPECT_EQ(sheet->FitResidualChart->chart()->series().size(), 1);

    // Both charts tick at round numbers, several on each axis, once laid out.
    window.resize(1280, 800);
    window.ModelPanel->setCurrentWidget(window.ModelPanel->widget(window.ModelPanel->count() - 1));
    window.show();
    for (QChartView* view : {sheet->FitChart, sheet->FitResidualChart})
        for (QAbstractAxis* a : view->chart()->axes()) {
            auto* axis = qobject_cast<QValueAxis*>(a);
            ASSERT_NE(axis, nullptr);
            EXPECT_TRUE(QTest::qWaitFor([&] {
                return (axis->max() - axis->min()) / axis->tickInterval() >= 2;
            })) << axis->titleText().toStdString()
                << " " << axis->min() << " to " << axis->max() << " every " << axis->tickInterval();
            EXPECT_EQ(axis->tickType(), QValueAxis::TicksDynamic);
            const double mantissa =
                axis->tickInterval() / std::pow(10, std::floor(std::log10(axis->tickInterval())));
            EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
                        std::fabs(mantissa - 5) < 1e-9)
                << axis->tickInterval();
        }
    EXPECT_TRUE(sheet->FitButton->isEnabled());

    // ONDREL_FIT_PICTURES names a folder for pictures of the sheet with its
    // result, to look at.
    if (const QString folder = qEnvironmentVariable("ONDREL_FIT_PICTURES"); !folder.isEmpty()) {
        window.ModelPanel->setCurrentWidget(
            window.ModelPanel->widget(window.ModelPanel->count() - 1));
        for (const QSize size : {QSize(1280, 800), QSize(1600, 1000)}) {
            window.resize(size);
            window.show();
            QApplication::processEvents();
            window.grab().save(
                folder + QStringLiteral("/fit-%1x%2.png").arg(size.width()).arg(size.height()));
            // The whole sheet, also what its pane shows only scrolled.
            sheet->grab().save(
                folder +
                QStringLiteral("/fit-sheet-%1x%2.png").arg(size.width()).arg(size.height()));
        }
    }

    click("AcceptFitButton");
    EXPECT_EQ(window.model().couples[1].E0, E0);
    EXPECT_FALSE(sheet->AcceptFitButton->isEnabled());
    EXPECT_TRUE(dialogs.errors.empty());

    // The model as it was went into the history with its curve, once.
    const ExperimentHistory& history = window.Runs->history();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history.at(0).experiment.couples[1].E0, 0.02);
    EXPECT_GT(history.at(0).points.size(), 1500u);
    EXPECT_EQ(window.VirtualExpListBox->count(), 1);
    std::vector<FitParameter> fitted;
    for (const FittedParameter& p : result.parameters)
        fitted.push_back(p.parameter);
    window.AcceptFit(fitted);
    window.AcceptFit(fitted);
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history.at(1).experiment.couples[1].E0, E0);
    // And it is recalled from there.
    window.Runs->Recall(0);
    EXPECT_EQ(window.model().couples[1].E0, 0.02);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(FitSheetTest, BadEntriesAreRefusedAndStopEndsTheFit) {
    click("FitButton");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "No parameter to vary: choose at least one.");
    vary(0);
    parameters()->item(0, 2)->setText("abc");
    click("FitButton");
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[1], "E0(1): the value 'abc' is not a number");
    EXPECT_FALSE(sheet->fitting());

    parameters()->item(0, 2)->setText("0.02");
    QSignalSpy finished(sheet, &FitSheet::fitFinished);
    click("FitButton");
    click("StopFitButton");
    ASSERT_TRUE(finished.wait(300000));
    ASSERT_TRUE(sheet->result());
    EXPECT_EQ(sheet->result()->status, FitStatus::Stopped);
    EXPECT_FALSE(sheet->AcceptFitButton->isEnabled());
    EXPECT_EQ(window.model().couples[1].E0, 0.02);
}

}  // namespace
}  // namespace ondrel
