#include "ui/main_frame.h"

#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolBar>

#include "capture/command_ids.h"
#include "fakes.h"
#include "platform/interaction.h"
#include "test_support/temp_dir.h"
#include "ui/about_box.h"
#include "ui/param_dlg.h"
#include "ui/velmora_app.h"
#include "ui/velmora_view.h"

namespace velmora {
namespace {

// How long a condition that the event loop brings about may take: far more
// than it needs on a loaded machine, and only spent when it fails.
constexpr int kPatience = 10000;  // ms

class FrameTest : public ::testing::Test {
protected:
    FrameTest() { EXPECT_TRUE(app.InitInstance("", &dialogs, &input)); }
    // The window shown and active, the view focused, and Enter pressed.
    bool startFromTheKeyboard() {
        CMainFrame& frame = *app.frame();
        frame.show();
        QApplication::setActiveWindow(&frame);
        if (!QTest::qWaitForWindowActive(&frame))
            return false;
        frame.view()->setFocus();
        QTest::keyClick(frame.view(), Qt::Key_Return);
        return app.document()->running();
    }
    testing::FakeWaveInput input;
    testing::ScriptedInteraction dialogs;
    CVelmoraApp app;
};

TEST_F(FrameTest, ShowsItsCaptionMenusAndStatus) {
    CMainFrame& frame = *app.frame();
    EXPECT_EQ(frame.windowTitle(), "Untitled - 16bitKORVANE");
    EXPECT_EQ(frame.statusText(), "Ready");
    QStringList menus;
    for (QAction* menu : frame.menuBar()->actions())
        menus << menu->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&View", "Function &Generator", "&Help"}));

    QAction* start = frame.action(ID_START_STOP);
    EXPECT_EQ(start->text(), "&Start/Stop Taking Data\tEnter");
    EXPECT_EQ(start->statusTip(), "Start / stop taking data");
    EXPECT_TRUE(start->shortcuts().contains(QKeySequence(Qt::Key_Return)));
    EXPECT_EQ(frame.action(ID_TOGGLE_AVERAGE)->text(), "Toggle FFT Averaing on/off");
    EXPECT_EQ(frame.action(ID_ZOOM_OUT_Y)->statusTip(), "zoom out y by 3x");
    EXPECT_EQ(frame.action(ID_WAVEFORM_FIRST)->text(), "Silent\tF1");
    EXPECT_TRUE(frame.action(ID_WAVEFORM_FIRST)->isChecked());
    EXPECT_EQ(frame.action(ID_WAVEFORM_FIRST + 7)->shortcut(), QKeySequence(Qt::Key_F8));
    EXPECT_EQ(frame.action(ID_FREQUENCY)->shortcut(), QKeySequence(Qt::Key_F9));
    EXPECT_EQ(frame.action(ID_APP_ABOUT)->text(), "&About KORVANE");

    // The toolbar: Copy | Print | Start/Stop, Averaging | fft/scope,
    // single/both, reverse | auto range, zoom out | sampling rate, time window.
    QList<int> order;
    for (QAction* action : frame.findChild<QToolBar*>("toolbar")->actions())
        order << (action->isSeparator() ? 0 : action->data().toInt());
    // Then, after the instrument's own: save data | log axis, dB, H1.
    EXPECT_EQ(order, (QList<int>{ID_EDIT_COPY,
                                 0,
                                 ID_FILE_PRINT,
                                 0,
                                 ID_START_STOP,
                                 ID_TOGGLE_AVERAGE,
                                 0,
                                 ID_TOGGLE_SCOPE,
                                 ID_TOGGLE_DUAL,
                                 ID_REVERSE_INPUTS,
                                 0,
                                 ID_AUTO_RANGE_Y,
                                 ID_ZOOM_OUT_Y,
                                 0,
                                 ID_SAMPLING_RATE,
                                 ID_TIME_WINDOW,
                                 0,
                                 ID_SAVE_DATA,
                                 0,
                                 ID_LOG_FREQUENCY,
                                 ID_TOGGLE_DB,
                                 ID_TOGGLE_H1}));
}

TEST_F(FrameTest, EnterStartsTheCycleAndAnyKeyStopsIt) {
    CMainFrame& frame = *app.frame();
    EXPECT_TRUE(startFromTheKeyboard());
    EXPECT_EQ(frame.statusText(), "Velmora ON; hit any key to stop.");
    // The timer asks for one capture after another.
    EXPECT_TRUE(QTest::qWaitFor([&] { return input.captures > 2; }, kPatience));

    QTest::keyClick(frame.view(), Qt::Key_A);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !app.document()->running(); }, kPatience));
    EXPECT_EQ(frame.statusText(), "Velmora OFF; hit 'RETURN' to start.");
    // Whatever was queued by then is served: no capture follows the stop.
    const int captures = input.captures;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(input.captures, captures);
    EXPECT_FALSE(frame.view()->timerPending());
}

TEST_F(FrameTest, AModifierAloneLeavesTheMeasurementRunning) {
    CMainFrame& frame = *app.frame();
    ASSERT_TRUE(startFromTheKeyboard());
    for (Qt::Key key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_AltGr, Qt::Key_Super_L,
                        Qt::Key_Meta, Qt::Key_CapsLock}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(frame.view(), &press);
        QApplication::sendEvent(frame.view(), &release);
        // A stop would have been posted: serve it before looking.
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(app.document()->running()) << "key " << key;
    }
    QTest::keyClick(frame.view(), Qt::Key_Space);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !app.document()->running(); }, kPatience));
}

// Alt pressed and let go alone hands the keyboard to the menu bar; the next
// plain key still stops the measurement, wherever the keyboard went.
TEST_F(FrameTest, AfterAltAloneAPlainKeyStillStops) {
    CMainFrame& frame = *app.frame();
    ASSERT_TRUE(startFromTheKeyboard());
    QTest::keyPress(frame.view(), Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(frame.view(), Qt::Key_Alt, Qt::NoModifier);
    QWidget* keyboard = QApplication::focusWidget();
    ASSERT_NE(keyboard, nullptr);
    QTest::keyClick(keyboard, Qt::Key_A);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !app.document()->running(); }, kPatience))
        << "the keyboard went to " << keyboard->metaObject()->className();
    // The keyboard is back with the plot, and Enter starts again.
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame.view()->hasFocus(); }, kPatience));
}

TEST_F(FrameTest, TheStatusLineComesBackAfterAMenuItemsPrompt) {
    CMainFrame& frame = *app.frame();
    frame.show();
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Ready");
    QStatusTipEvent prompt(QStringLiteral("Start / stop taking data"));
    QApplication::sendEvent(&frame, &prompt);
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Start / stop taking data");
    QStatusTipEvent left{QString()};
    QApplication::sendEvent(&frame, &left);
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Ready");
}

TEST_F(FrameTest, TheSelectedSignalCarriesACheckMark) {
    CMainFrame& frame = *app.frame();
    EXPECT_EQ(frame.action(ID_WAVEFORM_FIRST)->actionGroup(), nullptr);  // a mark, not a dot
    // The document's choice (here set without playing), shown after any of
    // its commands.
    app.document()->m_nWaveform = 1;
    frame.OnCommand(ID_AUTO_RANGE_Y);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(frame.action(ID_WAVEFORM_FIRST + i)->isChecked(), i == 2) << i;
    frame.OnCommand(ID_WAVEFORM_FIRST);
    EXPECT_TRUE(frame.action(ID_WAVEFORM_FIRST)->isChecked());
    EXPECT_FALSE(frame.action(ID_WAVEFORM_FIRST + 2)->isChecked());
}

TEST_F(FrameTest, AnOpenFailureIsShownAndNoTimerRuns) {
    input.openError = -9999;
    app.frame()->OnCommand(ID_START_STOP);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "fail to open the wavein device with error code -9999");
    EXPECT_TRUE(app.document()->running());
    EXPECT_FALSE(app.frame()->view()->timerPending());
}

// The measurement's choices in the View menu carry the document's checks;
// the toolbar's switches too.
TEST_F(FrameTest, TheMeasurementChoicesAreCheckedAsTheDocumentHasThem) {
    CMainFrame& frame = *app.frame();
    EXPECT_TRUE(frame.action(ID_WINDOW_FIRST)->isChecked());  // rectangular
    EXPECT_TRUE(frame.action(ID_SCALE_MILLIVOLTS)->isChecked());
    EXPECT_TRUE(frame.action(ID_ESTIMATE_RATIO)->isChecked());
    EXPECT_FALSE(frame.action(ID_LOG_FREQUENCY)->isChecked());
    EXPECT_EQ(frame.action(ID_LOG_FREQUENCY)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    frame.OnCommand(ID_WINDOW_FIRST + 2);  // flat-top
    EXPECT_TRUE(frame.action(ID_WINDOW_FIRST + 2)->isChecked());
    EXPECT_FALSE(frame.action(ID_WINDOW_FIRST)->isChecked());
    frame.OnCommand(ID_TOGGLE_DB);
    EXPECT_TRUE(frame.action(ID_TOGGLE_DB)->isChecked());
    EXPECT_TRUE(frame.action(ID_SCALE_DBV)->isChecked());
    EXPECT_TRUE(frame.action(ID_RATIO_DB)->isChecked());
    frame.OnCommand(ID_ESTIMATE_H1);
    EXPECT_TRUE(frame.action(ID_TOGGLE_H1)->isChecked());
    frame.OnCommand(ID_SHOW_THD);
    EXPECT_TRUE(app.document()->m_bShowThd);
    EXPECT_TRUE(frame.action(ID_SHOW_THD)->isChecked());
}

TEST_F(FrameTest, SaveDataWritesTheRecordWhereTheUserSays) {
    test_support::TempDir dir;
    app.frame()->OnCommand(ID_START_STOP);
    app.frame()->OnCommand(ID_START_STOP);
    const std::string path = (dir / "spectrum.csv").string();
    dialogs.fileNames = {path};
    app.frame()->OnCommand(ID_SAVE_DATA);
    const std::string csv = test_support::ReadFile(path);
    EXPECT_EQ(csv.substr(0, 16), "# velmora data\n#");
    EXPECT_NE(csv.find("\"Frequency(Hz))\",\"L  :mV\"\n"), std::string::npos);
    EXPECT_EQ(dialogs.prompts.back(), "Save data");

    app.frame()->OnCommand(ID_SAVE_DATA);  // cancelled: nothing more
    dialogs.fileNames = {(dir / "absent" / "x.txt").string()};
    app.frame()->OnCommand(ID_SAVE_DATA);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].rfind("Cannot save the data to " + dir.path().string(), 0), 0u)
        << dialogs.messages[0];
}

// The level meter: each input's peak in dBFS, red when it reached full
// scale, and the overflows since Start.
TEST_F(FrameTest, TheLevelMeterShowsPeaksClippingAndOverflows) {
    CMainFrame& frame = *app.frame();
    EXPECT_EQ(frame.levelText(0), "L: no capture");
    input.left = [](int, int i) { return std::int16_t(i % 2 ? 16384 : -100); };
    input.right = [](int, int i) { return std::int16_t(i == 3 ? 32767 : 0); };
    input.overflowsPerCapture = 1;
    frame.OnCommand(ID_START_STOP);
    EXPECT_EQ(frame.levelText(0), "L -6.0 dBFS");
    EXPECT_FALSE(frame.levelMarked(0));
    EXPECT_EQ(frame.levelText(1), "R 0.0 dBFS");
    EXPECT_TRUE(frame.levelMarked(1));
    EXPECT_EQ(frame.overflowText(), "Overflows: 1");
    input.right = [](int, int) { return std::int16_t(0); };
    frame.OnCommand(ID_CAPTURE_NEXT);
    EXPECT_EQ(frame.levelText(1), "R: silent");
    EXPECT_FALSE(frame.levelMarked(1));
    EXPECT_EQ(frame.overflowText(), "Overflows: 2");
    frame.OnCommand(ID_START_STOP);
}

TEST(Dialogs, EveryTextShowsWhole) {
    const QString prompt = QString::fromStdString(
        "New sampling rate.\nYour sound card MUST support the exact sampling rate. Verify with a "
        "15KHz sine wave.\nYou should see 15000.0 Hz in fft mode");
    double rate = 48000;
    testing::ScriptedInteraction dialogs;
    CParamDlg parameter(prompt, &rate, dialogs);
    parameter.show();
    auto* label = parameter.findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_GE(label->height(), label->heightForWidth(label->width()));
    EXPECT_LE(label->geometry().bottom(), parameter.edit()->geometry().top());
    EXPECT_LE(parameter.edit()->geometry().bottom(), parameter.height());

    CAboutDlg about;
    about.show();
    const QList<QLabel*> labels = about.findChildren<QLabel*>();
    ASSERT_GE(labels.size(), 6);
    for (QLabel* text : labels) {
        if (text->text().isEmpty())
            continue;  // the icon
        EXPECT_GE(text->height(), text->heightForWidth(text->width()))
            << text->text().toStdString();
        EXPECT_LE(text->geometry().bottom(), about.height());
    }
}

// A text that is no number is said in the plain box of every message, and
// the dialog stays open with the value untouched.
TEST(Dialogs, ANumberThatIsNoneIsSaidThroughTheMessageBox) {
    testing::ScriptedInteraction dialogs;
    double value = 0.25;
    CParamDlg parameter(QStringLiteral("New output frequency."), &value, dialogs);
    parameter.show();
    parameter.edit()->setText(QStringLiteral("fast"));
    parameter.accept();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Please enter a number."});
    EXPECT_TRUE(parameter.isVisible());
    EXPECT_EQ(value, 0.25);
    parameter.edit()->setText(QStringLiteral("0,5"));
    parameter.accept();
    EXPECT_EQ(value, 0.5);
    EXPECT_EQ(parameter.result(), QDialog::Accepted);
}

TEST(Dialogs, NumbersTakeEitherDecimalMarkAndNothingBeyondADouble) {
    double value = 0;
    EXPECT_TRUE(ParseNumberText("0.5", value));
    EXPECT_EQ(value, 0.5);
    EXPECT_TRUE(ParseNumberText("0,25 ", value));
    EXPECT_EQ(value, 0.25);
    EXPECT_FALSE(ParseNumberText("1,5.2", value));
    EXPECT_FALSE(ParseNumberText("1e999", value));
    EXPECT_FALSE(ParseNumberText("fast", value));
    EXPECT_EQ(value, 0.25);
}

TEST(FrameStartUp, ABadCommandLineMakesNoWindow) {
    testing::FakeWaveInput input;
    testing::ScriptedInteraction dialogs;
    CVelmoraApp app;
    EXPECT_FALSE(app.InitInstance("1 2 3 4 5 6 7 8 9", &dialogs, &input));
    EXPECT_EQ(app.frame(), nullptr);
    EXPECT_FALSE(app.InitInstance(std::string(81, '4'), &dialogs, &input));
}

}  // namespace
}  // namespace velmora
