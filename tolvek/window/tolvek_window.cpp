#include "tolvek_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>

#include "../platform/inpout32_port.h"
#include "../platform/tick_count.h"

namespace tolvek {

namespace {

// The form is laid out in twips, 15 to a pixel.
QRect twips(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

QFont boldFont(qreal points) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

}  // namespace

TolvekWindow::TolvekWindow(PortOutput& port, Interaction& interaction, int yieldIntervalMs)
    : session_(port), interaction_(interaction), yield_(yieldIntervalMs) {
    setWindowTitle(QString::fromLatin1(kWindowCaption));
    setFixedSize(5910 / 15, 3210 / 15);
    setFont(boldFont(9.75));

    auto* frame1 = new QGroupBox(QStringLiteral("File Name"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(twips(240, 240, 5415, 1335));

    lblFname = new QLabel(QStringLiteral("No File Loaded"), frame1);
    lblFname->setObjectName(QStringLiteral("lblFname"));
    lblFname->setGeometry(twips(120, 360, 5055, 855));
    lblFname->setWordWrap(true);
    lblFname->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* label1 = new QLabel(QStringLiteral("STATUS"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setGeometry(twips(1440, 1680, 735, 255));
    label1->setFont(boldFont(8.25));

    txtStatus = new QPlainTextEdit(this);
    txtStatus->setObjectName(QStringLiteral("txtStatus"));
    txtStatus->setGeometry(twips(240, 2040, 3135, 1095));
    txtStatus->setReadOnly(true);
    txtStatus->setFocusPolicy(Qt::ClickFocus);

    cmdStart = new QPushButton(QStringLiteral("Start"), this);
    cmdStart->setObjectName(QStringLiteral("cmdStart"));
    cmdStart->setGeometry(twips(4080, 1800, 1215, 495));

    cmdExit = new QPushButton(QStringLiteral("Exit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setGeometry(twips(4080, 2520, 1215, 495));

    connect(cmdStart, &QPushButton::clicked, this, &TolvekWindow::cmdStartClick);
    connect(cmdExit, &QPushButton::clicked, this, &TolvekWindow::cmdExitClick);
    cmdStart->setFocus();
}

bool TolvekWindow::Load() {
    try {
        session_.WindowLoad();
        return true;
    } catch (const PortAccessError& error) {
        interaction_.showMessage(QStringLiteral("tolvek"),
                                 QStringLiteral("Run-time error: the port-access library cannot "
                                                "be used.\n\n%1")
                                     .arg(QString::fromLocal8Bit(error.what())));
        return false;
    }
}

void TolvekWindow::cmdStartClick() {
    if (busy_ || ending_)
        return;
    busy_ = true;
    cmdStart->setEnabled(false);
    session_.Start(*this);
    busy_ = false;
    if (ending_)
        return;  // Exit or a close came in while it ran
    cmdStart->setEnabled(true);
    cmdStart->setFocus();
}

void TolvekWindow::cmdExitClick() {
    session_.lines().SetMODE(0);
    ending_ = true;
    close();
    QCoreApplication::quit();
}

bool TolvekWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        cmdStart->setFocus();
    return QWidget::event(event);
}

// Closing through the frame writes nothing; a running load or download
// stops at its next event yield.
void TolvekWindow::closeEvent(QCloseEvent* event) {
    ending_ = true;
    event->accept();
}

std::string TolvekWindow::ChooseDataFile(const std::string& title, int filterIndex) {
    OpenFileRequest request;
    request.title = QString::fromStdString(title);
    request.directory = QStringLiteral(".");
    request.filters = {QStringLiteral("Text Files (*.txt)"), QStringLiteral(" All Files (*.*)")};
    request.filterIndex = filterIndex;
    return interaction_.getOpenFileName(request).toStdString();
}

void TolvekWindow::ShowFileName(const std::string& path) {
    lblFname->setText(QString::fromStdString(path));
}

void TolvekWindow::ShowStatus(const std::string& text) {
    status_ = QString::fromStdString(text);
    QString shown = status_;
    txtStatus->setPlainText(shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

bool TolvekWindow::YieldEvents() {
    yield_();
    return !ending_;
}

std::uint32_t TolvekWindow::TickCount() {
    return GetTickCount();
}

}  // namespace tolvek
