#include "ui/tolvek_window.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QGroupBox>
#include <QScrollBar>
#include <QTimer>
#include <csignal>
#include <fstream>
#include <thread>

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

TEST_F(WindowTest, ASimulatedBoardInPlaceOfThePortIsToldAtTheFirstWriteAndInEveryStatus) {
    port.fallback = "cannot open /dev/parport0: Permission denied";
    ASSERT_TRUE(window.Load());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
        "No parallel port can be used: cannot open /dev/parport0: Permission denied.\n"));
    EXPECT_TRUE(dialogs.messages[0].text.contains("A simulated board takes the downloads"));

    dialogs.fileAnswers = {QString::fromStdString(dir.write("one.txt", "1,2,0,0\n"))};
    window.cmdStartClick();
    EXPECT_TRUE(window.statusText().startsWith("Download complete (simulated board).\r\n"));
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(WindowTest, AWriteThatDidNotArriveIsShownAsAFailure) {
    ASSERT_TRUE(window.Load());
    port.failure = "inpout32: cannot write trace file /t: File too large";
    dialogs.fileAnswers = {QString::fromStdString(dir.write("one.txt", "1,2,0,0\n"))};
    window.cmdStartClick();
    EXPECT_TRUE(window.statusText().startsWith("Download failed: inpout32: cannot write"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Download failed: inpout32: cannot write trace file /t: File too large.\n"
              "The board may hold part of the data.");
    EXPECT_TRUE(window.cmdStart->isEnabled());
}

TEST_F(WindowTest, ALongFaultShowsWholeAndALongPathIsShortenedInTheMiddle) {
    window.Load();
    window.show();
    const auto folder = dir.path() / std::string(120, 'f') / std::string(120, 'g');
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "wave.txt").string();
    std::ofstream(path) << "1,2,0,0\n1,2,300000,0\n";
    dialogs.fileAnswers = {QString::fromStdString(path)};
    window.cmdStartClick();
    QApplication::processEvents();

    EXPECT_TRUE(window.statusText().endsWith("No data downloaded!"));
    EXPECT_EQ(window.txtStatus->verticalScrollBar()->maximum(), 0) << "the end needs scrolling";
    EXPECT_GE(window.height(), window.txtStatus->geometry().bottom());

    const QString shown = window.lblFname->text();
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_TRUE(shown.startsWith(QString::fromStdString(dir.path().string()).left(5)));
    EXPECT_TRUE(shown.endsWith("wave.txt"));
    EXPECT_EQ(window.lblFname->toolTip(), QString::fromStdString(path));
    const QFontMetrics metrics(window.lblFname->font());
    const QStringList rows = shown.split('\n');
    EXPECT_LE(rows.size() * metrics.lineSpacing(), window.lblFname->height());
    for (const QString& row : rows)
        EXPECT_LE(metrics.horizontalAdvance(row), window.lblFname->width()) << row.toStdString();

    // A short text gives the box its own size back.
    dialogs.fileAnswers = {QString()};
    window.cmdStartClick();
    EXPECT_EQ(window.size(), QSize(394, 214));
}

TEST_F(WindowTest, ExitWorksWhileANeverEndingInputIsRead) {
    window.Load();
    window.show();
    std::signal(SIGPIPE, SIG_IGN);
    const auto fifo = dir.path() / "endless.txt";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        const std::string text(4096, 'x');  // one field that never ends
        while (::write(fd, text.data(), text.size()) > 0) {
        }
        ::close(fd);
    });
    const std::size_t before = port.writes.size();
    dialogs.fileAnswers = {QString::fromStdString(fifo.string())};
    // Exit is pressed once the event loop has run five times during the
    // read, however long that takes on a busy machine.
    int paints = 0;
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, &window, [&] {
        if (++paints == 5)
            window.cmdExit->click();
    });
    repaint.start(20);
    window.cmdStartClick();  // returns once Exit has ended the read
    writer.join();

    EXPECT_TRUE(window.ending());
    EXPECT_GE(paints, 5) << "the event loop ran while the input was read";
    ASSERT_EQ(port.writes.size(), before + 1);
    EXPECT_EQ(port.writes.back(), testing::data(0x13));  // Exit's MODE 0 alone
}

TEST_F(WindowTest, AFifoThatNobodyWritesIsWaitedForWhileExitStaysLive) {
    window.Load();
    window.show();
    const auto fifo = dir.path() / "silent.txt";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::size_t before = port.writes.size();
    dialogs.fileAnswers = {QString::fromStdString(fifo.string())};
    // Exit is pressed once the window says that it waits.
    QString waitingText;
    QObject::connect(window.txtStatus, &QPlainTextEdit::textChanged, &window, [&] {
        if (window.txtStatus->toPlainText().startsWith("Waiting for data from ") &&
            waitingText.isEmpty()) {
            waitingText = window.txtStatus->toPlainText();
            QTimer::singleShot(0, window.cmdExit, &QPushButton::click);
        }
    });
    window.cmdStartClick();  // returns once Exit has ended the wait

    EXPECT_EQ(waitingText,
              "Waiting for data from " + QString::fromStdString(fifo.string()) + " ...");
    EXPECT_TRUE(window.ending());
    ASSERT_EQ(port.writes.size(), before + 1);
    EXPECT_EQ(port.writes.back(), testing::data(0x13));  // Exit's MODE 0 alone
}

TEST_F(WindowTest, AFifoWhoseWriterComesLateDownloadsAndTheWaitIsNoLongerShown) {
    window.Load();
    const auto fifo = dir.path() / "late.txt";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer;
    QObject::connect(window.txtStatus, &QPlainTextEdit::textChanged, &window, [&] {
        if (window.txtStatus->toPlainText().startsWith("Waiting") && !writer.joinable())
            writer = std::thread([&] {
                const int fd = ::open(fifo.c_str(), O_WRONLY);
                const std::string records = "4095,0,1,1\n5,6\n";
                EXPECT_EQ(::write(fd, records.data(), records.size()),
                          static_cast<ssize_t>(records.size()));
                ::close(fd);
            });
    });
    dialogs.fileAnswers = {QString::fromStdString(fifo.string())};
    window.cmdStartClick();
    ASSERT_TRUE(writer.joinable());
    writer.join();
    // The file ended after field 2: the status stays empty, as for a file.
    EXPECT_EQ(window.statusText(), "");
    EXPECT_TRUE(window.cmdStart->isEnabled());
}

// The real library with its trace: what a Start reports is on disk when the
// status shows, even if the program were killed right then.
TEST(WindowPortLibrary, TheTraceIsCompleteOnDiskWhenTheStatusShows) {
    TempDir dir;
    const auto trace = dir.path() / "trace.txt";
    setenv("INPOUT32_BACKEND", ("trace:" + trace.string()).c_str(), 1);
    Inpout32Port port(TOLVEK_INPOUT32_LIBRARY);
    ScriptedInteraction dialogs;
    TolvekWindow window(port, dialogs, 0);
    ASSERT_TRUE(window.Load());
    dialogs.fileAnswers = {QString::fromStdString(dir.write("one.txt", "4095,0,1,1\n"))};
    window.cmdStartClick();
    ASSERT_TRUE(window.statusText().startsWith("Download complete."))
        << window.statusText().toStdString();

    std::vector<testing::PortWrite> expected = testing::windowLoadWrites();
    const auto start = testing::firstStartWrites({testing::serialWord(0x83, 0, 4095), 0u});
    expected.insert(expected.end(), start.begin(), start.end());
    EXPECT_EQ(testing::readFile(trace), testing::traceText(expected));
    unsetenv("INPOUT32_BACKEND");
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
