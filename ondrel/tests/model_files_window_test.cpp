// Model files through the window: what a failed save leaves, what the ESP
// sheet shows after a load, the dialogs' filters and the files named at
// the start.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <filesystem>

#include "files/cvn_file.h"
#include "test_support/temp_dir.h"
#include "ui/qt_interaction.h"
#include "window_fixture.h"

namespace ondrel {
namespace {

using test_support::TempDir;

constexpr const char* kMechanism =
    "/* Mechanism */\r\nSR 0.2\r\nIP 0.5\r\nV1 -0.5\r\nV2 PASS\r\nFP 0.4\r\nAR 0.05\r\n"
    "CLL TE 25\r\nEND\r\n2  /* species */\r\n1 1E-5\r\n0 2E-5\r\n1 /* redox */\r\n"
    "1 2 1 0 0.1 0.5\r\n0 /* reactions */\r\n";

class ModelFilesWindowTest : public testing::WindowFixture {
protected:
    void saveAs(const std::filesystem::path& path) {
        dialogs.saveAnswers.push_back({QString::fromStdString(path.string())});
        click("SaveButton97");
    }

    TempDir dir;
};

// A save that writes nothing leaves the model's name as it was, so that the
// next run is not stored under it; the message says how the extension is
// written.
TEST_F(ModelFilesWindowTest, AFailedSaveKeepsTheModelsName) {
    saveAs(dir / "lower.cvn");
    saveAs(dir / "missing" / "folder.CVN");
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[0],
              "Extension non reconnue: \".cvn\" (a model is saved as .CVN or .MEC, the extension "
              "written in capitals)");
    EXPECT_TRUE(dialogs.errors[1].contains("folder.CVN")) << dialogs.errors[1].toStdString();
    EXPECT_EQ(window.modelName(), "NoName");
    EXPECT_EQ(control<QLineEdit>("EditBaseName")->text(), "NoName");
    EXPECT_FALSE(std::filesystem::exists(dir / "lower.cvn"));

    saveAs(dir / "ferrocene.CVN");
    EXPECT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(window.modelName(), "ferrocene");
    EXPECT_EQ(control<QLineEdit>("EditBaseName")->text(), "ferrocene");
}

// A save offers the one case it takes; an open both, as files from Windows
// come with either. Each label names its patterns once.
TEST_F(ModelFilesWindowTest, TheDialogsFiltersNameWhatTheyTake) {
    dialogs.openAnswers.push_back({});
    click("OpenButton97");
    click("SaveButton97");
    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(NameFilters(dialogs.saveRequests[0]),
              (QStringList{"Fichiers CVN (*.CVN)", "Fichiers MEC (*.MEC)"}));
    EXPECT_EQ(
        NameFilters(dialogs.openRequests[0]),
        (QStringList{"Fichiers CVN (*.CVN *.cvn)", "Fichiers MEC (ESP files) (*.MEC *.mec)"}));
}

TEST_F(ModelFilesWindowTest, TheEspSheetShowsOnlyTheMechanismFileJustRead) {
    window.OpenFile(QString::fromStdString(dir.write("esp.MEC", kMechanism)));
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors[0].toStdString();
    EXPECT_FALSE(control<QPlainTextEdit>("Memo1")->toPlainText().isEmpty());
    EXPECT_EQ(control<QLineEdit>("EditSR")->text(), "0.2");

    window.OpenFile(QString::fromStdString(dir.write("native.CVN", WriteCvn(DefaultModel(), '.'))));
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(control<QPlainTextEdit>("Memo1")->toPlainText().isEmpty());
    for (const char* header :
         {"EditSR", "EditIP", "EditV1", "EditV2", "EditFP", "EditAR", "EditTE"})
        EXPECT_TRUE(control<QLineEdit>(header)->text().isEmpty()) << header;
}

// Files named at the start open once the window shows and the splash has
// gone: a message about one is never hidden beneath the splash.
TEST_F(ModelFilesWindowTest, FilesNamedAtTheStartOpenAfterTheSplash) {
    testing::ScriptedInteraction startDialogs;
    std::size_t errorsAtSplash = 99;
    startDialogs.onAbout = [&](bool) { errorsAtSplash = startDialogs.errors.size(); };
    TForm1 started(startDialogs, {.splash = true});
    const QString broken = QString::fromStdString(dir.write("broken.CVN", "General:\r\nhot\r\n"));
    const QString good = QString::fromStdString(dir.write("good.MEC", kMechanism));
    started.OpenAtStart({broken, good});
    EXPECT_TRUE(startDialogs.errors.empty());  // nothing before the window shows

    started.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return startDialogs.errors.size() == 1; }));
    EXPECT_EQ(startDialogs.abouts, std::vector<bool>{true});
    EXPECT_EQ(errorsAtSplash, 0u);
    EXPECT_TRUE(startDialogs.errors[0].startsWith("broken.CVN"))
        << startDialogs.errors[0].toStdString();
    // The files after a failing one still open.
    EXPECT_EQ(started.modelName(), "good");
    startDialogs.yesNoAnswers = {true};
    started.close();
}

}  // namespace
}  // namespace ondrel
