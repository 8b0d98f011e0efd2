// The ondrel window through its controls' names, as a user drives it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include "files/cvn_file.h"
#include "files/mec_file.h"
#include "test_support/temp_dir.h"
#include "ui/potentiostat/potentiostat.h"
#include "ui/tform1.h"
#include "window_fixture.h"

namespace ondrel {
namespace {

using test_support::TempDir;

class WindowTest : public testing::WindowFixture {
protected:
    test_support::TempDir dir;
};

TEST_F(WindowTest, EveryNamedControlIsThereAndTheEditorShowsTheDefaultModel) {
    for (const char* name : {"TForm1",
                             "VoltamogramPanel",
                             "ConcProfilPanel",
                             "Splitter1",
                             "Splitter2",
                             "ModelPanel",
                             "PilotPanel",
                             "MainStatusBar",
                             "SpeciesListBox",
                             "RedoxReactionsListBox",
                             "ChemReactionsListBox",
                             "NamesListBox",
                             "EditSpeciePanel",
                             "Panel3",
                             "Panel6",
                             "Panel10",
                             "Panel19",
                             "Panel20",
                             "EditName",
                             "EditBulkConc",
                             "EditDiffCoef",
                             "ComboBoxOxydant",
                             "ComboBoxReducteur",
                             "EditEzero",
                             "EditRateCte",
                             "EditAlpha",
                             "Reagent_1_Combo",
                             "Reagent_2_Combo",
                             "Product_1_Combo",
                             "Product_2_Combo",
                             "EditKforward",
                             "EditKbackward",
                             "EditInitialPotential",
                             "EditSwitchPotential1",
                             "EditSwitchPotential2",
                             "EditFinalPotential",
                             "EditScanRate",
                             "OneCycle",
                             "TwoCycle",
                             "ThreeCycle",
                             "CheckBoxiRdrop",
                             "CheckBoxiCcomp",
                             "EditTempKelvin",
                             "EditElectrodeArea",
                             "EditDiffusionScale",
                             "EditConcNormFactor",
                             "EditBaseName",
                             "StaticText2",
                             "StaticText3",
                             "Memo1",
                             "EditSR",
                             "EditIP",
                             "EditV1",
                             "EditV2",
                             "EditFP",
                             "EditAR",
                             "EditTE",
                             "RxRunExperiment",
                             "RxFreeze",
                             "RxHold",
                             "RxPowerSwitch",
                             "PotentialLabel",
                             "CurrentLabel",
                             "TimeLabel",
                             "VirtualExpListBox",
                             "AutoSaveInHistory",
                             "DeleteVirtualVoltamogram",
                             "OpenButton97",
                             "SaveButton97",
                             "OpenOcvButton97",
                             "SaveAsOcvButton97",
                             "ToggleDerivativeButton",
                             "ToolbarButton975",
                             "ToolbarButton971",
                             "ToolbarButton976",
                             "ToolbarButton977",
                             "ToolbarButton978",
                             "RealExpListBox",
                             "ExpDataGrid",
                             "ExpInputFileName",
                             "ExpInputFileNpts",
                             "FindPeaksButton",
                             "FindExpPeaksButton",
                             "SmoothExpButton",
                             "SaveSmoothedButton",
                             "RxSpinEdit1"})
        EXPECT_TRUE(window.findChild<QObject*>(QString::fromLatin1(name)) ||
                    name == std::string("TForm1"))
            << name;
    EXPECT_EQ(window.objectName(), "TForm1");
    EXPECT_EQ(rows("SpeciesListBox"),
              (QStringList{"Dummy", "E1  C: 0  D: 1", "E2  C: 0  D: 1", "E3  C: 1  D: 1"}));
    EXPECT_EQ(rows("NamesListBox"), (QStringList{"Dummy", "E1", "E2", "E3"}));
    EXPECT_EQ(rows("RedoxReactionsListBox").size(), 2);
    EXPECT_TRUE(rows("ChemReactionsListBox").isEmpty());
    // The temperature box keeps "298" while the model holds 298.15 K.
    EXPECT_EQ(control<QLineEdit>("EditTempKelvin")->text(), "298");
    EXPECT_EQ(window.model().temperature, 298.15);
    EXPECT_EQ(control<QLineEdit>("EditDiffusionScale")->text(), "1E-5");
    EXPECT_EQ(control<QLineEdit>("EditScanRate")->text(), "1.1");
    EXPECT_TRUE(control<QRadioButton>("TwoCycle")->isChecked());
    EXPECT_EQ(control<QPushButton>("RxRunExperiment")->text(), "Start");
    EXPECT_EQ(control<QPushButton>("RxPowerSwitch")->statusTip(),
              "Turn Main Power OFF (Quit application)");
}

// Every command is wired from the start: only the switches of a running
// engine, the Stop and Accept of a fit and the Ok and Cancel of clean
// editors wait.
TEST_F(WindowTest, EveryCommandIsReadyAtStartButThoseThatWaitForARunOrAnEdit) {
    const QStringList waiting = {
        "RxFreeze",      "RxHold",         "ApplySpeciesChange", "CancelSpeciesChange",
        "ApplyButton1",  "CancelButton1",  "ApplyButton2",       "CancelButton2",
        "StopFitButton", "AcceptFitButton"};
    int named = 0;
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        // The tab bar's own scroll arrows are not commands.
        if (button->objectName().isEmpty() || qobject_cast<QTabBar*>(button->parent()))
            continue;
        ++named;
        EXPECT_EQ(button->isEnabled(), !waiting.contains(button->objectName()))
            << button->objectName().toStdString();
    }
    EXPECT_GT(named, 40);
    EXPECT_TRUE(control<QSpinBox>("RxSpinEdit1")->isEnabled());
}

TEST_F(WindowTest, RenamingASpeciesRewritesEveryCoupleThatUsesIt) {
    select("SpeciesListBox", 2);
    EXPECT_EQ(control<QLineEdit>("EditName")->text(), "E2");
    EXPECT_FALSE(control<QToolButton>("ApplySpeciesChange")->isEnabled());
    type("EditName", "X");
    EXPECT_TRUE(control<QToolButton>("ApplySpeciesChange")->isEnabled());
    click("ApplySpeciesChange");
    const QStringList couples = rows("RedoxReactionsListBox");
    EXPECT_TRUE(couples[0].startsWith("E1 + e <=> X  E\u00B0:")) << couples[0].toStdString();
    EXPECT_TRUE(couples[1].startsWith("X + e <=> E3  E\u00B0:")) << couples[1].toStdString();
    EXPECT_EQ(rows("NamesListBox")[2], "X");
    EXPECT_EQ(control<QComboBox>("ComboBoxOxydant")->itemText(2), "X");
    EXPECT_FALSE(control<QToolButton>("ApplySpeciesChange")->isEnabled());
    EXPECT_EQ(window.model().species[2].name, "X");
}

TEST_F(WindowTest, ARenamedSpeciesRenamesItsProfile) {
    for (const char* name : {"E1", "E2", "E3"}) {
        auto* series = new QLineSeries(&window);
        series->setName(QString::fromLatin1(name));
        window.Runs->charts().profileSeries.push_back(series);
    }
    select("SpeciesListBox", 3);
    type("EditName", "Fc+");
    click("ApplySpeciesChange");
    EXPECT_EQ(window.Runs->charts().profileSeries[2]->name(), "Fc+");
    EXPECT_EQ(window.Runs->charts().profileSeries[1]->name(), "E2");
}

TEST_F(WindowTest, InsertingAfterSpeciesOneShiftsTheCouples) {
    select("SpeciesListBox", 1);
    click("InsertSpecie");
    EXPECT_EQ(rows("SpeciesListBox")[2], "Ex  C: 0 D: 1");
    EXPECT_EQ(control<QListWidget>("SpeciesListBox")->currentRow(), 4);  // the last row
    EXPECT_EQ(window.model().couples[1].ox, 1);
    EXPECT_EQ(window.model().couples[1].red, 3);
    EXPECT_EQ(window.model().couples[2].red, 4);
    EXPECT_EQ(rows("NamesListBox"), (QStringList{"Dummy", "E1", "Ex", "E2", "E3"}));
}

TEST_F(WindowTest, ASpeciesInUseIsKeptUntilItsCoupleIsGone) {
    select("SpeciesListBox", 3);
    click("DeleteSpeciesButton");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "That species Can't be deleted");
    EXPECT_EQ(rows("SpeciesListBox").size(), 4);

    select("RedoxReactionsListBox", 1);
    click("DeleteRedoxButton");
    EXPECT_EQ(rows("RedoxReactionsListBox").size(), 1);
    EXPECT_EQ(control<QListWidget>("RedoxReactionsListBox")->currentRow(), -1);
    select("SpeciesListBox", 3);
    click("DeleteSpeciesButton");
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(rows("SpeciesListBox"), (QStringList{"Dummy", "E1  C: 0  D: 1", "E2  C: 0  D: 1"}));
    EXPECT_EQ(control<QListWidget>("SpeciesListBox")->currentRow(), 2);

    // Delete on row 0 ("Dummy") does nothing.
    select("SpeciesListBox", 0);
    QTest::keyClick(control<QListWidget>("SpeciesListBox"), Qt::Key_Delete);
    EXPECT_EQ(window.model().species.count(), 2);
    EXPECT_EQ(dialogs.errors.size(), 1u);
}

TEST_F(WindowTest, CouplesAreCheckedOnOkAndReactionsToo) {
    select("RedoxReactionsListBox", 0);
    type("EditEzero", "5");
    click("ApplyButton1");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "E\u00B0 Invalid !");
    EXPECT_EQ(window.model().couples[1].E0, 1.4);
    type("EditEzero", "4.999");
    click("ApplyButton1");
    EXPECT_EQ(window.model().couples[1].E0, 4.999);
    EXPECT_TRUE(rows("RedoxReactionsListBox")[0].contains("E\u00B0: 4.999"));

    // A + B <=> C + B
    click("NewChemicalButton");
    EXPECT_EQ(rows("ChemReactionsListBox"), (QStringList{"Dummy <=> Dummy Kf: 1 Kb: 1"}));
    EXPECT_TRUE(control<QToolButton>("ApplyButton2")->isEnabled());
    control<QComboBox>("Reagent_1_Combo")->setCurrentIndex(1);
    control<QComboBox>("Reagent_2_Combo")->setCurrentIndex(2);
    control<QComboBox>("Product_1_Combo")->setCurrentIndex(3);
    control<QComboBox>("Product_2_Combo")->setCurrentIndex(2);
    click("ApplyButton2");
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[1], "Invalid Chemical Reaction !");
    control<QComboBox>("Product_2_Combo")->setCurrentIndex(0);
    type("EditKforward", "1e3");
    click("ApplyButton2");
    EXPECT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(rows("ChemReactionsListBox"), (QStringList{"E1 + E2 <=> E3 Kf:1e3 Kb:1"}));
    EXPECT_EQ(window.model().reactions[1], (TChemical{1, 2, 3, 0, 1000, 1}));
}

TEST_F(WindowTest, AFieldThatIsNoNumberIsNamedAndTheRecordKept) {
    select("SpeciesListBox", 1);
    type("EditBulkConc", "0.5");
    type("EditDiffCoef", "fast");
    click("ApplySpeciesChange");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "Diffusion: 'fast' is not a valid floating point value");
    EXPECT_EQ(window.model().species[1], (TEspece{"E1", 1, 0}));

    // A cell box stores what it reads and says what it cannot.
    type("EditElectrodeArea", "0.07");
    EXPECT_EQ(window.model().area, 0.07);
    type("EditElectrodeArea", "big");
    EXPECT_EQ(window.model().area, 0.07);
    EXPECT_TRUE(window.statusBar()->currentMessage().startsWith("Electrode area: 'big'"));
}

TEST_F(WindowTest, DoubleClickShowsTheEditorPanelInPlaceOfTheTitle) {
    auto* stack =
        qobject_cast<QStackedWidget*>(control<QWidget>("EditSpeciePanel")->parentWidget());
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(stack->currentWidget()->objectName(), "Panel10");
    auto* list = control<QListWidget>("SpeciesListBox");
    emit list->itemDoubleClicked(list->item(1));
    EXPECT_EQ(stack->currentWidget()->objectName(), "EditSpeciePanel");
}

TEST_F(WindowTest, ALoadRefreshesEveryBoxListAndLabel) {
    TModel model = DefaultModel();
    model.temperature = 310;
    model.area = 0.0707;
    model.diffusionScale = 2e-5;
    model.concScale = 1e-3;
    model.pilot = {0.2, -0.4, 0.1, 0.0, 0.05, 3};
    model.pilot.irComp = 1;
    model.species[1].name = "Fc";
    model.reactions.append({2, 0, 1, 0, 10, 0.5});
    const std::string path = dir.write("ferrocene.model.CVN", WriteCvn(model, '.'));
    dialogs.openAnswers = {{QString::fromStdString(path)}};
    click("OpenButton97");

    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_EQ(dialogs.openRequests[0].filters,
              (std::vector<FileFilter>{{"Fichiers CVN  (*.cvn)", "*.CVN"},
                                       {"Fichiers MEC (ESP files)", "*.MEC"}}));
    EXPECT_EQ(dialogs.openRequests[0].defaultExtension, "CVN");
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(window.windowTitle(), "ferrocene.model.CVN");
    EXPECT_EQ(control<QLabel>("StaticText2")->text(), "ferrocene.model.CVN");
    EXPECT_EQ(control<QLineEdit>("EditBaseName")->text(), "ferrocene");
    EXPECT_EQ(control<QLineEdit>("EditTempKelvin")->text(), "310");
    EXPECT_EQ(control<QLineEdit>("EditElectrodeArea")->text(), "0.0707");
    EXPECT_EQ(control<QLineEdit>("EditDiffusionScale")->text(), "2E-5");
    EXPECT_EQ(control<QLineEdit>("EditConcNormFactor")->text(), "0.001");
    EXPECT_EQ(control<QLineEdit>("EditInitialPotential")->text(), "0.2");
    EXPECT_EQ(control<QLineEdit>("EditSwitchPotential1")->text(), "-0.4");
    EXPECT_EQ(control<QLineEdit>("EditSwitchPotential2")->text(), "0.1");
    EXPECT_EQ(control<QLineEdit>("EditFinalPotential")->text(), "0");
    EXPECT_EQ(control<QLineEdit>("EditScanRate")->text(), "0.05");
    EXPECT_TRUE(control<QRadioButton>("ThreeCycle")->isChecked());
    // The cell's switches and values come back from the file.
    EXPECT_TRUE(control<QCheckBox>("CheckBoxiRdrop")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("CheckBoxiCcomp")->isChecked());
    EXPECT_EQ(control<QLineEdit>("EditResistance")->text(), "0");
    EXPECT_EQ(rows("SpeciesListBox")[1], "Fc  C: 0  D: 1");
    EXPECT_EQ(rows("ChemReactionsListBox"), (QStringList{"E2 <=> Fc Kf: 10 Kb: 0.5"}));
    EXPECT_EQ(window.model().temperature, 310);
    EXPECT_EQ(window.model().pilot.halfCycles, 3);
}

TEST_F(WindowTest, SavingAndLoadingThroughTheDialogsGivesTheModelBack) {
    type("EditScanRate", "0.25");  // the program's boxes are saved too
    select("SpeciesListBox", 3);
    type("EditBulkConc", "2.5");
    click("ApplySpeciesChange");
    const QString path = QString::fromStdString((dir / "saved.CVN").string());
    dialogs.saveAnswers = {{path}};
    click("SaveButton97");
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors[0].toStdString();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].filters,
              (std::vector<FileFilter>{{"Fichiers CVN (*.cvn)", "*.CVN"},
                                       {"Fichiers MEC (*.mec)", "*.MEC"}}));
    EXPECT_EQ(control<QLineEdit>("EditBaseName")->text(), "saved");

    testing::ScriptedInteraction otherDialogs;
    TForm1 other(otherDialogs, {});
    otherDialogs.openAnswers = {{path}};
    other.LoadModelFrom();
    EXPECT_TRUE(otherDialogs.errors.empty());
    EXPECT_EQ(other.model(), window.model());
    EXPECT_EQ(other.model().pilot.scanRate, 0.25);
    EXPECT_EQ(other.model().species[3].C, 2.5);

    // A lower-case extension is refused on saving.
    dialogs.saveAnswers = {{QString::fromStdString((dir / "lower.cvn").string())}};
    click("SaveButton97");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].startsWith("Extension non reconnue"))
        << dialogs.errors[0].toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir / "lower.cvn"));
}

TEST_F(WindowTest, AFailedLoadChangesNeitherTheModelNorTheWindow) {
    const std::string path = dir.write("broken.CVN", "General:\r\n300\r\n0.02\r\nlots\r\n1E-6\r\n");
    const TModel before = window.model();
    dialogs.openAnswers = {{QString::fromStdString(path)}};
    click("OpenButton97");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "broken.CVN: Line 4: 'lots' is not a valid floating point value");
    EXPECT_EQ(window.model(), before);
    EXPECT_EQ(window.windowTitle(), "Ondrel");
    EXPECT_EQ(control<QLineEdit>("EditBaseName")->text(), "NoName");
    EXPECT_EQ(control<QLineEdit>("EditTempKelvin")->text(), "298");

    // A name typed with another extension is no model file.
    dialogs.openAnswers = {{QString::fromStdString(dir.write("notes.txt", "General:\r\n"))}};
    click("OpenButton97");
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[1],
              "Extension: .txt non reconnue (a model file ends in .CVN or .MEC)");
    EXPECT_EQ(window.windowTitle(), "Ondrel");
}

TEST_F(WindowTest, AMechanismFileFillsTheMemoAndTheHeaderBoxes) {
    const std::string mec =
        "/* Mechanism */\r\nSR 0.2\r\nIP 0.5\r\nV1 -0.5\r\nV2 PASS\r\nFP 0.4\r\nAR 0.05\r\n"
        "CLL TE 25\r\nEND\r\n2  /* species */\r\n1 1E-5\r\n0 2E-5\r\n1 /* redox */\r\n"
        "1 2 1 0 0.1 0.5\r\n0 /* reactions */\r\n";
    window.OpenFile(QString::fromStdString(dir.write("esp.MEC", mec)));
    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(control<QPlainTextEdit>("Memo1")->toPlainText().startsWith("/* Mechanism */\n"));
    EXPECT_EQ(control<QLineEdit>("EditSR")->text(), "0.2");
    EXPECT_EQ(control<QLineEdit>("EditV2")->text(), "PASS");
    EXPECT_EQ(control<QLineEdit>("EditTE")->text(), "25");
    EXPECT_EQ(control<QLineEdit>("EditTempKelvin")->text(), "298.15");
    EXPECT_EQ(rows("SpeciesListBox"),
              (QStringList{"Dummy", "Espece  C: 1  D: 1", "Espece  C: 0  D: 2"}));
    EXPECT_EQ(window.model().pilot.Eswitch2, 0.4);
}

TEST_F(WindowTest, OnlyYesEndsTheProgram) {
    window.show();
    dialogs.yesNoAnswers = {false};
    window.close();
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0], "Exit Ondrel ?");

    // The power switch asks the same, and is back on after No.
    dialogs.yesNoAnswers = {false};
    click("RxPowerSwitch");
    EXPECT_TRUE(control<QPushButton>("RxPowerSwitch")->isChecked());
    EXPECT_TRUE(window.isVisible());

    dialogs.yesNoAnswers = {true};
    click("RxPowerSwitch");
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(dialogs.questions.size(), 3u);  // asked once for the closing
}

TEST_F(WindowTest, TheSplashAndTheAboutWindowAndTheHelpNotice) {
    testing::ScriptedInteraction splashDialogs;
    TForm1 withSplash(splashDialogs, {.splash = true});
    withSplash.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !splashDialogs.abouts.empty(); }, 10000));
    EXPECT_EQ(splashDialogs.abouts, std::vector<bool>{true});
    splashDialogs.yesNoAnswers = {true};
    withSplash.close();

    click("AboutButton97");
    EXPECT_EQ(dialogs.abouts, std::vector<bool>{false});
    click("ToolbarButton971");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0],
              "Sorry No help file!\n\rSee Manual.doc for a short program description\n\rSee also "
              "hints in status bar");
}

}  // namespace
}  // namespace ondrel
