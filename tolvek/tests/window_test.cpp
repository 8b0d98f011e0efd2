#include "window/tolvek_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QTimer>

#include "platform/inpout32_port.h"
#include "recording_port.h"
#include "scripted_interaction.h"
#include "test_files.h"

namespace tolvek {
namespace {

using testing::RecordingPort;
using testing::ScriptedInteraction;
using testing::TempDir;

class WindowTest : public ::testing::Test {
protected:
    WindowTest() : window(port, dialogs, 0) {}

    std::string manyRecords(int count) {
        std::string contents;
        for (int i = 0; i < count; ++i)
            contents += "100,200,1,0\n";
        return dir.write("wave.txt", contents);
    }

    TempDir dir;
    RecordingPort port;
    ScriptedInteraction dialogs;
    TolvekWindow window;
};

TEST_F(WindowTest, ShowsItsControlsWithTheirFirstTexts) {
    EXPECT_EQ(window.windowTitle(), "Pellan Control Waveform Generator Ver. 1.0");
    EXPECT_EQ(window.size(), QSize(394, 214));
    EXPECT_EQ(window.lblFname->text(), "No File Loaded");
    EXPECT_EQ(window.findChild<QGroupBox*>("Frame1")->title(), "File Name");
    EXPECT_EQ(window.findChild<QLabel*>("Label1")->text(), "STATUS");
    EXPECT_EQ(window.cmdStart->geometry(), QRect(272, 120, 81, 33));
    EXPECT_EQ(window.txtStatus->geometry(), QRect(16, 136, 209, 73));
    EXPECT_TRUE(window.font().bold());
    EXPECT_DOUBLE_EQ(window.font().pointSizeF(), 9.75);
    EXPECT_TRUE(window.txtStatus->toPlainText().isEmpty());
}

TEST_F(WindowTest, StartAsksForATextFileAndReportsTheDownload) {
    ASSERT_TRUE(window.Load());
    EXPECT_EQ(port.writes, testing::windowLoadWrites());
    const std::string path = dir.write("one.txt", "4095,0,1,1\n");
    dialogs.fileAnswers = {QString::fromStdString(path)};

    window.cmdStart->click();

    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    const OpenFileRequest& request = dialogs.openRequests[0];
    EXPECT_EQ(request.title, "Select Waveform Data File");
    EXPECT_EQ(request.directory, ".");
    EXPECT_EQ(request.filters, (QStringList{"Text Files (*.txt)", " All Files (*.*)"}));
    EXPECT_EQ(request.filterIndex, 1);

    EXPECT_EQ(window.lblFname->text(), QString::fromStdString(path));
    EXPECT_TRUE(window.statusText().startsWith("Download complete.\r\nTotal load time = "));
    EXPECT_TRUE(window.statusText().endsWith(" ms for 1 bytes of data."));
    EXPECT_TRUE(window.txtStatus->toPlainText().startsWith("Download complete.\nTotal"));
    EXPECT_TRUE(window.cmdStart->isEnabled());
    EXPECT_EQ(port.writes.back(), testing::data(0x37));
}

TEST_F(WindowTest, ACancelledDialogSaysInvalidFileNameAndKeepsTheLabel) {
    window.Load();
    port.writes.clear();
    dialogs.fileAnswers = {QString()};
    window.cmdStartClick();
    EXPECT_EQ(window.statusText(), "INVALID FILENAME SELECTED, No data downloaded!");
    EXPECT_EQ(window.lblFname->text(), "No File Loaded");
    EXPECT_TRUE(port.writes.empty());
    EXPECT_TRUE(window.cmdStart->isEnabled());
}

TEST_F(WindowTest, ExitDuringADownloadWritesModeLowAsItsLastWrite) {
    window.Load();
    dialogs.fileAnswers = {QString::fromStdString(manyRecords(200))};
    port.onWrite = [&](const testing::PortWrite& w) {
        // Once the download has begun (WE low), press Exit at the next yield.
        if (w == testing::data(0x26) && !window.ending())
            QTimer::singleShot(0, window.cmdExit, &QPushButton::click);
    };
    window.cmdStartClick();
    port.onWrite = nullptr;

    EXPECT_TRUE(window.ending());
    const testing::PortWrite last = port.writes.back();
    EXPECT_EQ(last.port, kDataRegister);
    EXPECT_EQ(last.value, 0x27);  // WE still low, bit 0 set by MODE 0
    // The download stopped well before its end.
    EXPECT_LT(port.writes.size(), 200u * 131);
    EXPECT_FALSE(window.cmdStart->isEnabled());
}

TEST_F(WindowTest, ClosingTheWindowDuringALoadEndsItWithoutAWrite) {
    window.Load();
    window.show();
    const std::size_t before = port.writes.size();
    dialogs.fileAnswers = {QString::fromStdString(manyRecords(2000))};
    QTimer::singleShot(0, &window, &QWidget::close);
    window.cmdStartClick();
    EXPECT_TRUE(window.ending());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(port.writes.size(), before);
}

TEST_F(WindowTest, ClosingTheWindowDuringADownloadEndsItWithoutAnotherWrite) {
    window.Load();
    window.show();
    dialogs.fileAnswers = {QString::fromStdString(manyRecords(200))};
    std::size_t writesAtClose = 0;
    port.onWrite = [&](const testing::PortWrite& w) {
        if (w == testing::data(0x26) && writesAtClose == 0) {
            QTimer::singleShot(0, &window, [&] {
                writesAtClose = port.writes.size();
                window.close();
            });
        }
    };
    window.cmdStartClick();
    ASSERT_GT(writesAtClose, 0u);
    EXPECT_EQ(port.writes.size(), writesAtClose);
}

TEST(WindowPortLibrary, AMissingLibraryOrEntryPointIsShownAndEndsTheProgram) {
    struct Case {
        const char* library;
        const char* named;  // what the loader's text must mention
    };
    for (const Case& c : {Case{"/nonexistent/libinpout32.so", "/nonexistent/libinpout32.so"},
                          Case{TOLVEK_NO_OUT32_LIBRARY, "Out32"}}) {
        Inpout32Port port(c.library);
        ScriptedInteraction dialogs;
        TolvekWindow window(port, dialogs);
        EXPECT_FALSE(window.Load()) << c.library;
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].caption, "tolvek");
        EXPECT_TRUE(dialogs.messages[0].text.contains(c.named))
            << dialogs.messages[0].text.toStdString();
    }
}

}  // namespace
}  // namespace tolvek

int main(int argc, char** argv) {
    // Never a real screen, also when the tests are only being listed.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
