#include "main_frame.h"

#include <QKeyEvent>
#include <QStatusTipEvent>

#include <QActionGroup>
#include <QGuiApplication>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "../analysis/units.h"
#include "../capture/command_ids.h"
#include "../capture/velmora_doc.h"
#include "app_icon.h"
#include "lock_keys.h"
#include "print_dialogs.h"
#include "velmora_app.h"
#include "velmora_view.h"

namespace velmora {

namespace {

class CommandEvent final : public QEvent {
public:
    static QEvent::Type kind() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    explicit CommandEvent(int id) : QEvent(kind()), id(id) {}
    const int id;
};

const QList<QKeySequence> none;

}  // namespace

CMainFrame::CMainFrame(CVelmoraApp& app, CVelmoraDoc& document, Interaction& interaction)
    : app_(app), document_(document), view_(new CVelmoraView(document, interaction, this)) {
    setWindowTitle(QStringLiteral("Untitled - 16bitKORVANE"));
    setWindowIcon(AppIcon());
    setCentralWidget(view_);
    buildMenus();
    buildToolBar();
    buildStatusBar();
    // The view's messages come back through the queue, as posted commands.
    connect(view_, &CVelmoraView::command, this,
            [this](int id) { QCoreApplication::postEvent(this, new CommandEvent(id)); });
    view_->setFocus();
    menuBar()->installEventFilter(this);
    resize(800, 600);
}

QAction* CMainFrame::addCommand(QMenu* menu, const char* text, int id,
                                const QList<QKeySequence>& keys, const char* prompt) {
    auto* action = new QAction(QString::fromLatin1(text), this);
    action->setData(id);
    action->setShortcuts(keys);
    if (prompt)
        action->setStatusTip(QString::fromLatin1(prompt));
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    // Without a menu the action still answers its keys in the window.
    if (menu)
        menu->addAction(action);
    else
        addAction(action);
    actions_.insert(id, action);
    return action;
}

void CMainFrame::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    addCommand(file, "&Start/Stop Taking Data\tEnter", ID_START_STOP,
               {Qt::Key_Return, Qt::Key_Enter}, "Start / stop taking data");
    file->addSeparator();
    addCommand(file, "Save &data...\tCtrl+S", ID_SAVE_DATA, {QKeySequence(Qt::CTRL | Qt::Key_S)},
               "Save the whole record of the display, with the settings, as text or CSV");
    addCommand(file, "&Record WAV...\tCtrl+R", ID_RECORD_WAV, {QKeySequence(Qt::CTRL | Qt::Key_R)},
               "Record the captures into a WAV file; again to stop and save it")
        ->setCheckable(true);
    file->addSeparator();
    addCommand(file, "&Print...\tCtrl+P", ID_FILE_PRINT, {QKeySequence(Qt::CTRL | Qt::Key_P)},
               nullptr);
    addCommand(file, "Print Pre&view", ID_FILE_PRINT_PREVIEW, none, nullptr);
    addCommand(file, "P&rint Setup...", ID_FILE_PRINT_SETUP, none, nullptr);
    file->addSeparator();
    addCommand(file, "E&xit", ID_APP_EXIT, none, nullptr);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    addCommand(edit, "&Copy\tCtrl+C", ID_EDIT_COPY, {QKeySequence(Qt::CTRL | Qt::Key_C)},
               "Copy the spectrum in text to the clipboard");

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    addCommand(view, "Auto range y", ID_AUTO_RANGE_Y, none, "Auto-ranging y display scale");
    addCommand(view, "Zoom out y", ID_ZOOM_OUT_Y, none, "zoom out y by 3x");
    addCommand(view, "Reset x and autorange y", ID_RESET_VIEW, none,
               "restore full x range and auto range y");
    view->addSeparator();
    addCommand(view, "Toggle fft/scope mode", ID_TOGGLE_SCOPE, none,
               "Change between Oscilloscope and FFT analyzer");
    addCommand(view, "Toggle FFT Averaing on/off", ID_TOGGLE_AVERAGE, none,
               "Turn on/off averaging in FFT mode");
    view->addSeparator();
    addCommand(view, "Toggle single/both channels", ID_TOGGLE_DUAL, none,
               "Change single/dual channels in oscilloscope mode and single/transfer function "
               "in FFT mode");
    addCommand(view, "Reverse input connections", ID_REVERSE_INPUTS, none, "Switch input channels");
    view->addSeparator();
    addCommand(view, "Change time window", ID_TIME_WINDOW, none,
               "Change time window/frequency resolution");
    addCommand(view, "Change sampling rate", ID_SAMPLING_RATE, none,
               "Change Sampling rate (and stop acquiring data)");
    view->addSeparator();
    buildMeasurementMenus(view);

    QMenu* generator = menuBar()->addMenu(QStringLiteral("Function &Generator"));
    const char* waveforms[] = {"Silent\tF1",
                               "Sine\tF2",
                               "Triangle\tF3",
                               "Square\tF4",
                               "1:100 pulse\tF5",
                               "White noise\tF6",
                               "1/100 sampling rate white noise\tF7",
                               "1/3-5/3*f sweeping sine\tF8"};
    // The selected signal carries a check mark (not a radio dot): the items
    // are checkable one by one, and the document's choice sets the marks.
    for (int i = 0; i < 8; ++i) {
        QAction* action = addCommand(generator, waveforms[i], ID_WAVEFORM_FIRST + i,
                                     {QKeySequence(Qt::Key_F1 + i)}, nullptr);
        action->setCheckable(true);
    }
    generator->addSeparator();
    addCommand(generator, "Frequency\tF9", ID_FREQUENCY, {QKeySequence(Qt::Key_F9)}, nullptr);
    updateChecks();

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    addCommand(help, "&About KORVANE", ID_APP_ABOUT, none, nullptr);

    // Paste has a key and no handler.
    auto* paste = new QAction(this);
    paste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    addAction(paste);
}

// The measurement's choices: a check mark on each chosen item, set from the
// document after every command.
void CMainFrame::buildMeasurementMenus(QMenu* view) {
    auto checkable = [](QAction* action) { action->setCheckable(true); };
    QMenu* window = view->addMenu(QStringLiteral("&Window function"));
    const char* windows[] = {"Rectangular", "Hann", "Flat-top", "Blackman-Harris"};
    for (int i = 0; i < 4; ++i)
        checkable(addCommand(window, windows[i], ID_WINDOW_FIRST + i, none,
                             "Weight the samples before the transform; the plain rectangular "
                             "window leaks off-bin tones"));
    QMenu* scale = view->addMenu(QStringLiteral("Amplitude &scale"));
    checkable(
        addCommand(scale, "Millivolts", ID_SCALE_MILLIVOLTS, none, "The spectrum in millivolts"));
    checkable(addCommand(scale, "dBV (re 1 V)", ID_SCALE_DBV, none,
                         "The spectrum in decibels relative to 1 V"));
    checkable(addCommand(scale, "dB full scale", ID_SCALE_DBFS, none,
                         "The spectrum in decibels relative to a full-scale sine"));
    checkable(addCommand(view, "Ratio in dB", ID_RATIO_DB, none,
                         "The transfer function's ratio in decibels"));
    checkable(addCommand(view, "&Logarithmic frequency axis\tCtrl+L", ID_LOG_FREQUENCY,
                         {QKeySequence(Qt::CTRL | Qt::Key_L)},
                         "Frequencies on a logarithmic axis, with decades"));
    QMenu* estimate = view->addMenu(QStringLiteral("Transfer function &estimate"));
    checkable(addCommand(estimate, "Ratio average", ID_ESTIMATE_RATIO, none,
                         "Average the ratios of the two channels' spectra"));
    checkable(addCommand(estimate, "H1 with coherence", ID_ESTIMATE_H1, none,
                         "Averaged cross-spectrum over the averaged reference spectrum, with "
                         "the coherence"));
    checkable(addCommand(view, "&THD readout\tCtrl+T", ID_SHOW_THD,
                         {QKeySequence(Qt::CTRL | Qt::Key_T)},
                         "THD and THD+N of the strongest tone under the readout"));
    // The toolbar's two switches, with keys of their own.
    checkable(addCommand(nullptr, "dB scales\tCtrl+D", ID_TOGGLE_DB,
                         {QKeySequence(Qt::CTRL | Qt::Key_D)},
                         "The spectrum in dBV and the ratio in dB, or both linear"));
    checkable(addCommand(nullptr, "H1 estimate\tCtrl+H", ID_TOGGLE_H1,
                         {QKeySequence(Qt::CTRL | Qt::Key_H)},
                         "The H1 transfer function with its coherence, or the ratio average"));
}

void CMainFrame::buildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setMovable(true);
    const int groups[][3] = {{ID_EDIT_COPY, 0, 0},
                             {ID_FILE_PRINT, 0, 0},
                             {ID_START_STOP, ID_TOGGLE_AVERAGE, 0},
                             {ID_TOGGLE_SCOPE, ID_TOGGLE_DUAL, ID_REVERSE_INPUTS},
                             {ID_AUTO_RANGE_Y, ID_ZOOM_OUT_Y, 0},
                             {ID_SAMPLING_RATE, ID_TIME_WINDOW, 0},
                             {ID_SAVE_DATA, 0, 0},
                             {ID_LOG_FREQUENCY, ID_TOGGLE_DB, ID_TOGGLE_H1}};
    bool first = true;
    for (const auto& group : groups) {
        if (!first)
            bar->addSeparator();
        first = false;
        for (int id : group) {
            if (id == 0)
                continue;
            QAction* action = actions_.value(id);
            action->setIcon(ToolbarIcon(id));
            action->setToolTip(action->text().section('\t', 0, 0).remove('&'));
            bar->addAction(action);
        }
    }
}

void CMainFrame::buildStatusBar() {
    // The level meter: each input's peak in the last capture, red when it
    // reached full scale, and the input's overflows since Start.
    for (QLabel** label : {&levels_[0], &levels_[1], &overflows_}) {
        *label = new QLabel(this);
        (*label)->setAlignment(Qt::AlignCenter);
        (*label)->setMargin(2);
        statusBar()->addPermanentWidget(*label);
    }
    levels_[0]->setToolTip(
        QStringLiteral("Peak level of the left input in the last capture; red "
                       "when it reached full scale"));
    levels_[1]->setToolTip(
        QStringLiteral("Peak level of the right input in the last capture; "
                       "red when it reached full scale"));
    overflows_->setToolTip(
        QStringLiteral("How often the input dropped frames since the measurement started"));
    ShowLevels(CaptureLevels{});
    levels_[0]->setText(QStringLiteral("L: no capture"));
    levels_[1]->setText(QStringLiteral("R: no capture"));
    for (QLabel** label : {&caps_, &num_, &scroll_}) {
        *label = new QLabel(this);
        (*label)->setMinimumWidth(40);
        (*label)->setAlignment(Qt::AlignCenter);
        statusBar()->addPermanentWidget(*label);
    }
    SetStatusText("Ready");
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &CMainFrame::updateLockIndicators);
    poll->start(250);
    updateLockIndicators();
}

void CMainFrame::updateLockIndicators() {
    const unsigned int state = LockKeyState();
    caps_->setText(state & 0x01 ? QStringLiteral("CAP") : QString());
    num_->setText(state & 0x02 ? QStringLiteral("NUM") : QString());
    scroll_->setText(state & 0x04 ? QStringLiteral("SCRL") : QString());
}

void CMainFrame::updateChecks() {
    const int checked = document_.m_nWaveform == 99 ? 0 : document_.m_nWaveform + 1;
    for (int i = 0; i < 8; ++i)
        if (QAction* action = actions_.value(ID_WAVEFORM_FIRST + i))
            action->setChecked(i == checked);
    for (int id = ID_MEASUREMENT_FIRST; id <= ID_MEASUREMENT_LAST; ++id)
        if (QAction* action = actions_.value(id))
            action->setChecked(document_.IsChecked(id));
}

void CMainFrame::ShowLevels(const CaptureLevels& levels) {
    const char* names[] = {"L", "R"};
    for (int c = 0; c < 2; ++c) {
        const int peak = levels.peak[c];
        levels_[c]->setText(peak == 0 ? QStringLiteral("%1: silent").arg(QLatin1String(names[c]))
                                      : QStringLiteral("%1 %2 dBFS")
                                            .arg(QLatin1String(names[c]))
                                            .arg(Decibels(peak / kFullScaleCounts), 0, 'f', 1));
        levels_[c]->setStyleSheet(levels.clipped[c]
                                      ? QStringLiteral("background: rgb(224, 0, 0); color: white;")
                                      : QString());
    }
    overflows_->setText(QStringLiteral("Overflows: %1").arg(levels.overflowTotal));
    overflows_->setStyleSheet(levels.overflowTotal > 0 ? QStringLiteral("color: rgb(224, 0, 0);")
                                                       : QString());
}

void CMainFrame::OnCommand(int id) {
    try {
        if (document_.OnCommand(id)) {
            updateChecks();
            return;
        }
        if (id == ID_EDIT_COPY) {
            view_->OnEditCopy();
        } else if (id == ID_SAVE_DATA) {
            view_->OnSaveData();
        } else if (id == ID_FILE_PRINT) {
            if (app_.printDialogs().Print(app_.printer()))
                view_->PrintPage(app_.printer());
        } else if (id == ID_FILE_PRINT_PREVIEW) {
            app_.printDialogs().Preview(app_.printer(),
                                        [this](QPrinter& printer) { view_->PrintPage(printer); });
        } else {
            app_.OnCommand(id);
        }
    } catch (const FatalError& error) {
        QCoreApplication::exit(error.exitCode);
    }
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == CommandEvent::kind()) {
        OnCommand(static_cast<CommandEvent*>(event)->id);
        return true;
    }
    // Leaving a menu item clears its prompt: the line shows the current
    // state's text again instead of going blank.
    if (event->type() == QEvent::StatusTip &&
        static_cast<QStatusTipEvent*>(event)->tip().isEmpty()) {
        statusBar()->showMessage(status_);
        return true;
    }
    return QMainWindow::event(event);
}

// Alt pressed and let go alone gives the keyboard to the menu bar. While a
// measurement runs, a key that is no modifier stops it there as it does in
// the view, and the keyboard goes back to the view; Alt again leaves the menu
// bar as usual.
bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == menuBar() && event->type() == QEvent::KeyPress && document_.running() &&
        !IsModifierKey(static_cast<QKeyEvent*>(event)->key())) {
        view_->setFocus();
        QCoreApplication::postEvent(this, new CommandEvent(ID_START_STOP));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::SetStatusText(const std::string& text) {
    status_ = QString::fromStdString(text);
    statusBar()->showMessage(status_);
}

void CMainFrame::InvalidateView(bool erase) {
    view_->Invalidate(erase);
}

void CMainFrame::SetCaptureTimer() {
    view_->SetCaptureTimer();
}

}  // namespace velmora
