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
#include "model/model.h"
#include "test_support/temp_dir.h"
#include "ui/potentiostat/potentiostat.h"
#include "ui/sheets/fit_parameter_rows.h"
#include "ui/sheets/fit_sheet.h"
#include "ui/sheets/measured_curves.h"
#include "ui/sheets/model_editor.h"
#include "ui/sheets/program_sheet.h"
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
    // Types a curve's scan rate into its cell, as the table's editor does.
    void typeRate(int row, const QString& rate) {
        sheet->FitCurvesTable->item(row, 1)->setText(rate);
    }
    QStringList parameterNames() {
        QStringList names;
        for (int r = 0; r < parameters()->rowCount(); ++r)
            names << parameters()->item(r, 1)->data(Qt::UserRole).toString();
        return names;
    }
    QString cell(int row, int column) { return parameters()->item(row, column)->text(); }

    test_support::TempDir dir;
    FitSheet* sheet = nullptr;
};

TEST_F(FitSheetTest, FitsTheTickedCurveAndAcceptPutsTheValuesIntoTheModel) {
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(sheet->FitCurvesTable->rowCount(), 1);
    typeRate(0, "0.1");
    ASSERT_EQ(parameters()->item(0, 1)->data(Qt::UserRole).toString(), "E0(1)");
    vary(0);
    parameters()->item(0, 3)->setText("-0.2");
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
    EXPECT_EQ(window.model().couples[1].E0, ShownFitValue(E0));
    EXPECT_FALSE(sheet->AcceptFitButton->isEnabled());
    EXPECT_TRUE(dialogs.errors.empty());

    // The user's setup stays for the next fit: the tick, the bounds typed,
    // and the table starts from the accepted value.
    EXPECT_EQ(parameters()->item(0, 0)->checkState(), Qt::Checked);
    EXPECT_EQ(cell(0, 3), "-0.2");
    EXPECT_EQ(cell(0, 2).toDouble(), ShownFitValue(E0));

    // The fitted model went into the history with its curve, selected: a
    // click on it (which recalls by default) keeps the fitted values.
    const ExperimentHistory& history = window.Runs->history();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history.at(0).experiment.couples[1].E0, ShownFitValue(E0));
    EXPECT_GT(history.at(0).points.size(), 1500u);
    ASSERT_EQ(window.VirtualExpListBox->count(), 1);
    EXPECT_EQ(window.VirtualExpListBox->currentRow(), 0);
    QListWidget* list = window.VirtualExpListBox;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(window.model().couples[1].E0, ShownFitValue(E0));
    // The same values accepted again store nothing new.
    std::vector<FitParameter> fitted;
    for (const FittedParameter& p : result.parameters)
        fitted.push_back(p.parameter);
    window.AcceptFit(fitted);
    EXPECT_EQ(history.size(), 1u);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(FitSheetTest, BadEntriesAreRefusedAndStopEndsTheFit) {
    typeRate(0, "0.1");
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

// The table follows the model: another model opened, an entry killed, a
// history entry recalled each show at once in it, and a typed start value
// or bound stays where the model did not change.
TEST_F(FitSheetTest, TheParameterTableFollowsTheModel) {
    vary(0);
    parameters()->item(0, 2)->setText("0.03");  // E0(1)'s start, typed
    parameters()->item(1, 3)->setText("1e-5");  // k0(1)'s lower bound
    EXPECT_EQ(parameterNames().mid(0, 3), (QStringList{"E0(1)", "k0(1)", "alpha(1)"}));

    // The default model: two couples, other values.
    window.LoadModel(
        QString::fromStdString(dir.write("default.CVN", WriteCvn(DefaultModel(), '.'))));
    EXPECT_TRUE(dialogs.errors.empty());
    const QStringList names = parameterNames();
    ASSERT_TRUE(names.contains("E0(2)"));
    EXPECT_EQ(names.indexOf("E0(1)"), 0);
    // E0(1) is 1.4 V now: the typed start went with the old model, the tick
    // stays; k0(1)'s typed bound still holds the new value and stays.
    EXPECT_EQ(cell(0, 2).toDouble(), 1.4);
    EXPECT_EQ(parameters()->item(0, 0)->checkState(), Qt::Checked);
    EXPECT_EQ(cell(1, 2).toDouble(), 0.03);
    EXPECT_EQ(cell(1, 3), "1e-5");

    // A couple killed in the editor leaves the table with it.
    window.Editor->RedoxReactionsListBox->setCurrentRow(1);
    click("DeleteRedoxButton");
    EXPECT_FALSE(parameterNames().contains("E0(2)"));

    // A start typed for a parameter the model did not change stays.
    parameters()->item(2, 2)->setText("0.47");  // alpha(1)
    window.Editor->SpeciesListBox->setCurrentRow(1);
    type("EditName", "A");
    click("ApplySpeciesChange");
    EXPECT_EQ(cell(2, 2), "0.47");

    // A fit refuses nothing of a table that matches the model.
    typeRate(0, "0.1");
    parameters()->item(0, 0)->setCheckState(Qt::Unchecked);
    click("FitButton");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "No parameter to vary: choose at least one.");
}

// Each curve's scan rate: empty and marked until typed, kept with its curve
// when it is unticked and ticked again, and named by the fit while missing.
TEST_F(FitSheetTest, EachCurveKeepsTheScanRateTypedForItAndTheMissingOnesAreNamed) {
    window.Curves->LoadVoltamogramFiles({QString::fromStdString(dir.write(
        "fast.OCV",
        WriteVoltammogram(SimulatedRecording(FitCoupleModel(0, 0.01, 0.5, 1), 0.01, 5, 4).curve,
                          CurveFormat::Ocv, CurveOrigin::Measured)))});
    QTableWidget* curves = sheet->FitCurvesTable;
    ASSERT_EQ(curves->rowCount(), 2);
    for (int row : {0, 1}) {
        EXPECT_TRUE(curves->item(row, 1)->text().isEmpty());
        EXPECT_EQ(curves->item(row, 2)->text(), "needed");
        EXPECT_NE(curves->item(row, 1)->background().color(), QColor(Qt::white));
    }
    EXPECT_TRUE(sheet->FitCurvesLabel->text().contains("2 still need"));
    EXPECT_EQ(curves->item(0, 3)->text().toStdString(), "-399 \u2192 400 \u2192 -400 mV");

    typeRate(0, "0.1");
    typeRate(1, "1");
    EXPECT_EQ(curves->item(1, 2)->text(), "typed");
    EXPECT_FALSE(sheet->FitCurvesLabel->text().contains("need"));

    // Unticked and ticked again: the rate typed for it comes back with it.
    QListWidget* list = window.RealExpListBox;
    list->item(0)->setCheckState(Qt::Unchecked);
    ASSERT_EQ(curves->rowCount(), 1);
    EXPECT_EQ(curves->item(0, 1)->text(), "1");
    list->item(0)->setCheckState(Qt::Checked);
    ASSERT_EQ(curves->rowCount(), 2);
    EXPECT_EQ(curves->item(0, 1)->text(), "0.1");
    EXPECT_EQ(curves->item(1, 1)->text(), "1");

    // A rate taken away again is missing, and the fit names its curve.
    typeRate(1, "");
    vary(0);
    click("FitButton");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].indexOf("fast.OCV"), -1) << dialogs.errors[0].toStdString();
    EXPECT_EQ(dialogs.errors[0].indexOf("rec.OCV"), -1);
    EXPECT_FALSE(sheet->fitting());
}

// A program that does not cover the curve: the question names both, and
// Yes takes the curve's potentials into the Program sheet.
TEST_F(FitSheetTest, ACurveBeyondTheProgramOffersItsPotentials) {
    typeRate(0, "0.1");
    vary(0);
    window.Program->EditInitialPotential->setText("0");
    window.Program->EditSwitchPotential1->setText("0.2");
    dialogs.yesNoAnswers = {true};
    QSignalSpy finished(sheet, &FitSheet::fitFinished);
    click("FitButton");
    ASSERT_EQ(dialogs.questions.size(), 1u);
    const std::string question = dialogs.questions[0].toStdString();
    EXPECT_NE(question.find("rec.OCV runs -399 \u2192 400 \u2192 -400 mV"), std::string::npos)
        << question;
    EXPECT_NE(question.find("run 0 \u2192 200 \u2192 -400 mV"), std::string::npos) << question;
    EXPECT_EQ(window.Program->EditInitialPotential->text(), "-0.399");
    EXPECT_EQ(window.Program->EditSwitchPotential1->text(), "0.4");
    EXPECT_DOUBLE_EQ(window.model().pilot.Einitial, -0.399);
    ASSERT_TRUE(sheet->fitting());
    click("StopFitButton");
    ASSERT_TRUE(finished.wait(300000));
}

}  // namespace
}  // namespace ondrel
