// Runs of the virtual potentiostat through the window, as a user makes them.
#include <gtest/gtest.h>

#include <cmath>

#include <QApplication>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QXYSeries>

#include "runs/experiment_history.h"
#include "test_support/temp_dir.h"
#include "ui/charts/chart_panel.h"
#include "ui/potentiostat/potentiostat.h"
#include "ui/sheets/model_editor.h"
#include "ui/sheets/points_table_model.h"
#include "ui/sheets/program_sheet.h"
#include "ui/tform1.h"
#include "window_fixture.h"

namespace ondrel {
namespace {

class RunTest : public testing::WindowFixture {
protected:
    // Presses Start and waits for the run to end.
    bool run() {
        QSignalSpy ended(window.Runs, &Potentiostat::runEnded);
        control<QPushButton>("RxRunExperiment")->click();
        return !ended.isEmpty() || ended.wait(60000);
    }
    void track(bool on) {
        for (const char* name : {"ToolbarButton976", "ToolbarButton977", "ToolbarButton978"})
            control<QToolButton>(name)->setChecked(on);
    }
    // A reaction fast enough to make a run long.
    void makeLong() {
        control<QToolButton>("NewSpeciesButton")->click();
        control<QToolButton>("NewChemicalButton")->click();
        window.Editor->Reagent_1_Combo->setCurrentIndex(3);
        window.Editor->Product_1_Combo->setCurrentIndex(4);
        type("EditKforward", "1e5");
        control<QToolButton>("ApplyButton2")->click();
    }
    const ExperimentHistory& history() { return window.Runs->history(); }
    test_support::TempDir dir;
};

TEST_F(RunTest, TheDefaultModelIsStoredWithItsCurveGridAndLiveCharts) {
    track(true);
    ASSERT_TRUE(run());
    EXPECT_TRUE(dialogs.errors.empty());
    ASSERT_EQ(history().size(), 1u);
    EXPECT_EQ(control<QListWidget>("VirtualExpListBox")->item(0)->text(), "NoName_0");
    EXPECT_EQ(control<QListWidget>("VirtualExpListBox")->item(0)->checkState(), Qt::Checked);
    QLineSeries* curve = window.Runs->historySeries(0);
    EXPECT_EQ(curve->name(), "NoName__0");
    EXPECT_EQ(curve->count(), 1000);
    EXPECT_EQ(curve->pen().width(), 2);
    ASSERT_EQ(window.SimulatedDataGrid->model(), window.Runs->gridModel());
    EXPECT_EQ(window.SimulatedDataGrid->model()->rowCount(), 1000);
    EXPECT_EQ(window.Runs->gridModel()->index(999, 1).data().toString(), "1100");
    EXPECT_EQ(control<QLabel>("StaticText3")->text(), "1000 pts");
    EXPECT_EQ(control<QLabel>("StaticText2")->text(), "NoName__0");
    // The pilot every 5 mV, the read-outs, a profile per species.
    EXPECT_EQ(control<QLabel>("TimeLabel")->text(), "1998");
    ASSERT_EQ(window.Runs->charts().profileSeries.size(), 3u);
    EXPECT_EQ(window.Runs->charts().profileSeries[2]->name(), "E3");
    EXPECT_EQ(window.Runs->charts().profileSeries[2]->at(3).x(), 34);
    EXPECT_FALSE(control<QPushButton>("RxRunExperiment")->isChecked());
    EXPECT_FALSE(control<QPushButton>("RxFreeze")->isEnabled());

    // The same model again, or with another name or plot interval only, is
    // the same experiment.
    ASSERT_TRUE(run());
    window.Editor->SpeciesListBox->setCurrentRow(1);
    type("EditName", "Other");
    control<QToolButton>("ApplySpeciesChange")->click();
    type("EditPlotInterval", "10");
    ASSERT_TRUE(run());
    EXPECT_EQ(history().size(), 1u);
    EXPECT_EQ(window.Runs->gridModel()->rowCount(), 1000);
}

TEST_F(RunTest, WithoutAutoSaveTheRunAsksNamingTheDifference) {
    control<QCheckBox>("AutoSaveInHistory")->setChecked(false);
    dialogs.yesNoAnswers = {false};
    ASSERT_TRUE(run());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0], "Not in history (noDiff), save ?");
    EXPECT_EQ(history().size(), 0u);

    dialogs.yesNoAnswers = {true};
    ASSERT_TRUE(run());
    ASSERT_EQ(history().size(), 1u);
    type("EditScanRate", "2");
    dialogs.yesNoAnswers = {true};
    ASSERT_TRUE(run());
    EXPECT_EQ(dialogs.questions.back(), "Not in history (pilotDiff), save ?");
    ASSERT_EQ(history().size(), 2u);
    EXPECT_EQ(control<QListWidget>("VirtualExpListBox")->item(1)->text(), "NoName_1");

    // Deleting asks first.
    dialogs.yesNoAnswers = {false, true};
    window.Runs->DeleteRow(0);
    EXPECT_EQ(dialogs.questions.back(), "Delete : NoName__0 ?");
    EXPECT_EQ(history().size(), 2u);
    window.Runs->DeleteRow(0);
    EXPECT_EQ(history().size(), 1u);
    EXPECT_EQ(control<QListWidget>("VirtualExpListBox")->count(), 1);
    EXPECT_EQ(control<QListWidget>("VirtualExpListBox")->item(0)->text(), "NoName_1");
}

TEST_F(RunTest, ModelsThatCannotRunAreReportedAndBuildNoEngine) {
    window.Editor->RedoxReactionsListBox->setCurrentRow(0);
    window.Editor->ComboBoxReducteur->setCurrentIndex(1);  // ox = red, not applied
    control<QToolButton>("DeleteRedoxButton")->click();
    control<QToolButton>("DeleteRedoxButton")->click();
    ASSERT_TRUE(run());
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "Error while Running Experiment");
    EXPECT_EQ(history().size(), 0u);
}

TEST_F(RunTest, AnInvalidCoupleIsReportedBeforeAnyEngine) {
    TModel model = window.model();
    control<QToolButton>("NewElectrochemicalReactionButton")->click();  // Dummy/Dummy
    control<QPushButton>("RxRunExperiment")->click();
    EXPECT_FALSE(window.Runs->running());
    EXPECT_EQ(dialogs.messages,
              std::vector<QString>{"Invalid Redox Reaction ! Couple 3: Ox is Dummy, no species"});
    EXPECT_EQ(dialogs.errors, std::vector<QString>{"Can't Build Experiment !"});
    EXPECT_FALSE(control<QPushButton>("RxRunExperiment")->isChecked());
}

// Counts how often a widget is shown.
class ShowCounter final : public QObject {
public:
    explicit ShowCounter(QWidget* widget) { widget->installEventFilter(this); }
    int shows = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

TEST_F(RunTest, AStoppedRunStoresNothingBlinksAndKeepsItsPoints) {
    window.show();
    makeLong();
    control<QToolButton>("ToolbarButton976")->setChecked(true);  // track the voltammogram
    type("EditPlotInterval", "1");                               // drawn from its first point on
    QSignalSpy ended(window.Runs, &Potentiostat::runEnded);
    control<QPushButton>("RxRunExperiment")->click();
    ASSERT_TRUE(window.Runs->running());
    // Stopped once the run has stored a point and drawn it.
    const auto* running =
        qobject_cast<QXYSeries*>(window.VoltamogramPanel->chart()->series().constLast());
    ASSERT_NE(running, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return running->count() > 0; }, 60000));
    const ShowCounter banner(window.Runs->abortedBanner());
    control<QPushButton>("RxRunExperiment")->click();  // off: stop
    ASSERT_TRUE(ended.wait(10000));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(history().size(), 0u);
    EXPECT_FALSE(window.Runs->currentPoints().empty());
    // The banner blinks, shown on every other tick, and is gone after them.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return banner.shows == Potentiostat::kBannerTicks / 2 &&
                   !window.Runs->abortedBanner()->isVisible();
        },
        30000));
    dialogs.yesNoAnswers = {true};
    window.close();
}

// The step a label shows, -1 for none.
std::int64_t shownStep(const QLabel* label) {
    bool ok = false;
    const qlonglong step = label->text().toLongLong(&ok);
    return ok ? step : -1;
}

TEST_F(RunTest, FreezePausesTheRunAndHoldKeepsThePotential) {
    makeLong();
    control<QToolButton>("ToolbarButton978")->setChecked(true);
    control<QPushButton>("RxRunExperiment")->click();
    const auto* stepLabel = control<QLabel>("TimeLabel");
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownStep(stepLabel) > 0; }, 60000));

    // Frozen, the engine ends the step it is in and takes no other.
    control<QPushButton>("RxFreeze")->click();
    const std::int64_t frozenNear = window.Runs->engineStep();
    EXPECT_FALSE(QTest::qWaitFor([&] { return window.Runs->engineStep() > frozenNear + 1; }, 500))
        << "the engine went on while frozen";
    control<QPushButton>("RxFreeze")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Runs->engineStep() > frozenNear + 1; }, 60000));

    // Held, the steps go on at one potential: a read-out of a step after
    // the hold has taken effect shows it, and later ones show it again.
    control<QPushButton>("RxHold")->click();
    const std::int64_t heldFrom = window.Runs->engineStep() + 1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownStep(stepLabel) > heldFrom; }, 60000));
    const QString heldPotential = control<QLabel>("PotentialLabel")->text();
    const std::int64_t heldStep = shownStep(stepLabel);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownStep(stepLabel) > heldStep; }, 60000));
    EXPECT_EQ(control<QLabel>("PotentialLabel")->text(), heldPotential);

    // Closing the window stops the run cleanly.
    window.show();
    dialogs.yesNoAnswers = {true};
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.Runs->running());
}

TEST_F(RunTest, RecallPutsTheStoredModelBackIntoTheEditorAndTheBoxes) {
    ASSERT_TRUE(run());
    type("EditScanRate", "0.5");
    window.Editor->SpeciesListBox->setCurrentRow(3);
    type("EditBulkConc", "4");
    control<QToolButton>("ApplySpeciesChange")->click();
    ASSERT_TRUE(run());
    ASSERT_EQ(history().size(), 2u);

    auto* list = control<QListWidget>("VirtualExpListBox");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(control<QLineEdit>("EditScanRate")->text(), "1.1");
    EXPECT_EQ(window.Editor->SpeciesListBox->item(3)->text(), "E3  C: 1  D: 1");
    EXPECT_EQ(window.model().species[3].C, 1);
    EXPECT_EQ(control<QLabel>("StaticText2")->text(), "NoName__0");
    EXPECT_EQ(control<QLabel>("StaticText3")->text(), "1000 pts");

    // A row outside the list.
    window.Runs->Recall(7);
    EXPECT_EQ(dialogs.errors.back(), "Index experience invalide");
}

TEST_F(RunTest, TheImplicitSolverRunsFastChemistryChosenBesideTheCell) {
    // A follow-up reaction of 10⁹ s⁻¹: hours for the classic engine.
    makeLong();
    type("EditKforward", "1e9");
    control<QToolButton>("ApplyButton2")->click();
    control<QComboBox>("SolverCombo")->setCurrentIndex(1);
    EXPECT_EQ(window.model().solver, Solver::Implicit);
    ASSERT_TRUE(run());
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    ASSERT_EQ(history().size(), 1u);
    EXPECT_EQ(history().at(0).experiment.solver, Solver::Implicit);
    EXPECT_EQ(window.Runs->historySeries(0)->count(), 1000);

    // Saved with its solver; recalled with it.
    const std::string path = (dir.path() / "fast.CVN").string();
    dialogs.saveAnswers.push_back({QString::fromStdString(path)});
    control<QToolButton>("SaveButton97")->click();
    EXPECT_NE(test_support::ReadFile(path).find("Solver:\r\nimplicit\r\n"), std::string::npos);
    control<QComboBox>("SolverCombo")->setCurrentIndex(0);
    window.Runs->Recall(0);
    EXPECT_EQ(control<QComboBox>("SolverCombo")->currentIndex(), 1);
}

TEST_F(RunTest, TheElectrodesOwnPotentialIsReadOutWhileAnUncompensatedResistanceActs) {
    track(true);
    control<QComboBox>("SolverCombo")->setCurrentIndex(1);
    control<QCheckBox>("CheckBoxiRdrop")->setChecked(true);
    type("EditResistance", "20000");
    ASSERT_TRUE(run());
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    auto* electrode = control<QLabel>("ElectrodePotentialLabel");
    EXPECT_FALSE(electrode->isHidden());
    // The last step's applied potential less the drop of its current.
    const double applied = control<QLabel>("PotentialLabel")->text().toDouble();
    const double current = control<QLabel>("CurrentLabel")->text().toDouble();
    const double drop = current * 20000 * 1000;  // mV
    ASSERT_GT(std::fabs(drop), 1);
    // Each read-out holds 4 significant digits.
    EXPECT_NEAR(electrode->text().toDouble(), applied - drop, 0.15 + 0.002 * std::fabs(drop));

    // ONDREL_RUN_PICTURES names a folder for a picture of the window with
    // the read-out and the Program sheet, to look at.
    if (const QString folder = qEnvironmentVariable("ONDREL_RUN_PICTURES"); !folder.isEmpty()) {
        window.ModelPanel->setCurrentIndex(1);
        window.resize(1280, 800);
        window.show();
        QApplication::processEvents();
        window.grab().save(folder + QStringLiteral("/electrode-readout-1280x800.png"));
    }

    // Without the resistance the read-out goes.
    control<QCheckBox>("CheckBoxiRdrop")->setChecked(false);
    ASSERT_TRUE(run());
    EXPECT_TRUE(electrode->isHidden());
}

TEST_F(RunTest, TheProgramSheetRunsAStaircaseAfterAQuietTimeOverAnyNumberOfHalfCycles) {
    // The default program in 5 mV steps sampled half-way, five half-cycles
    // (1.1 → 1.6 → 1.1 → 1.6 → 1.1 V, then on towards the final potential
    // for 100 mV), after 1 s at 1.1 V.
    control<QComboBox>("SolverCombo")->setCurrentIndex(1);
    auto* count = control<QSpinBox>("SpinHalfCycles");
    count->setValue(5);
    for (const char* button : {"OneCycle", "TwoCycle", "ThreeCycle"})
        EXPECT_FALSE(control<QRadioButton>(button)->isChecked()) << button;
    EXPECT_EQ(window.model().pilot.halfCycles, 5);
    type("EditQuietTime", "1");
    auto* sweep = control<QComboBox>("SweepCombo");
    EXPECT_TRUE(control<QLineEdit>("EditStepHeight")->isHidden());
    sweep->setCurrentIndex(1);
    EXPECT_FALSE(control<QLineEdit>("EditStepHeight")->isHidden());
    type("EditStepHeight", "5");
    type("EditSamplingPoint", "0.5");
    ASSERT_TRUE(run());
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    ASSERT_EQ(history().size(), 1u);
    const TPilot& pilot = history().at(0).experiment.pilot;
    EXPECT_EQ(pilot.halfCycles, 5);
    EXPECT_EQ(pilot.quietTime, 1);
    EXPECT_EQ(pilot.stepHeight, 0.005);
    EXPECT_EQ(pilot.samplingPoint, 0.5);
    // One point a step: the first at 1.1 V, 100 steps a half-cycle, 20 in
    // the last.
    EXPECT_EQ(window.Runs->historySeries(0)->count(), 1 + 4 * 100 + 20);

    // ONDREL_RUN_PICTURES names a folder for a picture of the Program
    // sheet, to look at.
    if (const QString folder = qEnvironmentVariable("ONDREL_RUN_PICTURES"); !folder.isEmpty()) {
        window.ModelPanel->setCurrentIndex(1);
        window.resize(1280, 800);
        window.show();
        QApplication::processEvents();
        window.grab().save(folder + QStringLiteral("/program-sheet-staircase-1280x800.png"));
    }

    // Saved with the program, and recalled with it.
    const std::string path = (dir.path() / "staircase.CVN").string();
    dialogs.saveAnswers.push_back({QString::fromStdString(path)});
    control<QToolButton>("SaveButton97")->click();
    const std::string text = test_support::ReadFile(path);
    EXPECT_NE(text.find("QuietTime:\r\n1\r\nStepHeight:\r\n0.005\r\nSamplingPoint:\r\n0.5\r\n"),
              std::string::npos);
    control<QRadioButton>("TwoCycle")->click();
    EXPECT_EQ(count->value(), 2);
    EXPECT_EQ(window.model().pilot.halfCycles, 2);
    sweep->setCurrentIndex(0);
    type("EditQuietTime", "0");
    window.Runs->Recall(0);
    EXPECT_EQ(count->value(), 5);
    EXPECT_FALSE(control<QRadioButton>("TwoCycle")->isChecked());
    EXPECT_EQ(sweep->currentIndex(), 1);
    EXPECT_EQ(control<QLineEdit>("EditStepHeight")->text(), "5");
    EXPECT_EQ(control<QLineEdit>("EditSamplingPoint")->text(), "0.5");
    EXPECT_EQ(control<QLineEdit>("EditQuietTime")->text(), "1");

    // The classic engine refuses it, naming the implicit solver; nothing is
    // stored.
    control<QComboBox>("SolverCombo")->setCurrentIndex(0);
    control<QPushButton>("RxRunExperiment")->click();  // refused before any run
    ASSERT_FALSE(dialogs.errors.empty());
    EXPECT_TRUE(dialogs.errors.back().contains("implicit solver"))
        << dialogs.errors.back().toStdString();
    EXPECT_EQ(history().size(), 1u);
    // A linear sweep leaves the staircase's values out of the model.
    control<QComboBox>("SolverCombo")->setCurrentIndex(1);
    sweep->setCurrentIndex(0);
    window.Program->ReadProgram();
    EXPECT_EQ(window.model().pilot.stepHeight, 0);
    EXPECT_EQ(window.model().pilot.samplingPoint, 1);
}

}  // namespace
}  // namespace ondrel
