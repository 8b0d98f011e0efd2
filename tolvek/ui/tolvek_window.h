#pragma once

#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include "../board/download_session.h"
#include "../platform/event_yield.h"
#include "interaction.h"

class QGroupBox;

namespace tolvek {

inline constexpr const char* kWindowCaption = "Pellan Control Waveform Generator Ver. 1.0";

// path broken over at most lines rows of width pixels, shortened in the
// middle with an ellipsis when it needs more.
QString FitPath(const QString& path, const QFontMetrics& metrics, int width, int lines);

// The height in pixels of text laid out as a text box lays it out, broken at
// blanks or, for a word wider than the box, anywhere.
int TextHeight(const QString& text, const QFont& font, int width);

// The one window: file name, status, Start and Exit.
class TolvekWindow final : public QWidget, private DownloadHost {
    Q_OBJECT

public:
    TolvekWindow(PortOutput& port, Interaction& interaction, int yieldIntervalMs = 5);

    // The writes of window load. False when the port library cannot be used:
    // the fault has been shown and the program must end.
    bool Load();

    bool busy() const { return busy_; }
    // True once Exit or a close has asked the program to end.
    bool ending() const { return ending_; }

    QPushButton* cmdStart;
    QPushButton* cmdExit;
    QLabel* lblFname;
    QPlainTextEdit* txtStatus;

    // The status text as the program holds it (its lines end in CR LF).
    const QString& statusText() const { return status_; }
    DownloadSession& session() { return session_; }

public slots:
    void cmdStartClick();
    void cmdExitClick();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::string ChooseDataFile(const std::string& title, int filterIndex) override;
    void ShowFileName(const std::string& path) override;
    void ShowStatus(const std::string& text) override;
    bool YieldEvents() override;
    std::uint32_t TickCount() override;
    void fitStatusBox();

    DownloadSession session_;
    PortOutput& port_;
    Interaction& interaction_;
    EventYield yield_;
    QString status_;
    bool busy_ = false;
    bool ending_ = false;
};

}  // namespace tolvek
