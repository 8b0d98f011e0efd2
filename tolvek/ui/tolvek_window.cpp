#include "tolvek_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

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

constexpr int kClientWidth = 5910 / 15;
// The text box shows its last line only when a few pixels are left below it.
constexpr int kStatusSlack = 4;
constexpr int kClientHeight = 3210 / 15;

}  // namespace

QString FitPath(const QString& path, const QFontMetrics& metrics, int width, int lines) {
    // Broken anywhere: a path has no blanks to break at.
    const auto wrapped = [&](const QString& text) {
        QStringList rows{QString()};
        for (const QChar c : text) {
            if (!rows.back().isEmpty() && metrics.horizontalAdvance(rows.back() + c) > width)
                rows.append(QString());
            rows.back() += c;
        }
        return rows;
    };
    if (QStringList rows = wrapped(path); rows.size() <= lines)
        return rows.join(QLatin1Char('\n'));

    // Keep as much of both ends as fits, the file name's end above all.
    const QString ellipsis(QChar(0x2026));
    qsizetype low = 0, high = path.size();
    QString best = ellipsis;
    while (low <= high) {
        const qsizetype keep = (low + high) / 2;
        const qsizetype head = keep / 2;
        const QString candidate = path.left(head) + ellipsis + path.right(keep - head);
        if (wrapped(candidate).size() <= lines) {
            best = candidate;
            low = keep + 1;
        } else {
            high = keep - 1;
        }
    }
    return wrapped(best).join(QLatin1Char('\n'));
}

int TextHeight(const QString& text, const QFont& font, int width) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal height = 0;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            height += line.height();
        }
        layout.endLayout();
    }
    return static_cast<int>(std::ceil(height));
}

TolvekWindow::TolvekWindow(PortOutput& port, Interaction& interaction, int yieldIntervalMs)
    : session_(port), port_(port), interaction_(interaction), yield_(yieldIntervalMs) {
    setWindowTitle(QString::fromLatin1(kWindowCaption));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(boldFont(9.75));

    auto* frame1 = new QGroupBox(QStringLiteral("File Name"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(twips(240, 240, 5415, 1335));

    lblFname = new QLabel(QStringLiteral("No File Loaded"), frame1);
    lblFname->setObjectName(QStringLiteral("lblFname"));
    lblFname->setGeometry(twips(120, 360, 5055, 855));
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
        if (const std::string reason = port_.FallbackReason(); !reason.empty())
            interaction_.showMessage(
                QStringLiteral("tolvek"),
                QStringLiteral("No parallel port can be used: %1.\n\nA simulated board takes "
                               "the downloads; nothing reaches a real board. Set "
                               "INPOUT32_BACKEND to choose the port.")
                    .arg(QString::fromLocal8Bit(reason.c_str())));
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
    const DataFileResult result = session_.Start(*this);
    busy_ = false;
    if (ending_)
        return;  // Exit or a close came in while it ran
    if (result.status == kPortFailure)
        interaction_.showMessage(QStringLiteral("tolvek"),
                                 QString::fromLocal8Bit(QByteArray::fromStdString(result.message))
                                     .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
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
    return QFile::encodeName(interaction_.getOpenFileName(request)).toStdString();
}

void TolvekWindow::ShowFileName(const std::string& path) {
    const QString full = QFile::decodeName(QByteArray::fromStdString(path));
    const QFontMetrics metrics(lblFname->font());
    const int lines = std::max(1, lblFname->height() / metrics.lineSpacing());
    lblFname->setText(FitPath(full, metrics, lblFname->width(), lines));
    lblFname->setToolTip(full);
}

void TolvekWindow::ShowStatus(const std::string& text) {
    status_ = QString::fromLocal8Bit(QByteArray::fromStdString(text));
    QString shown = status_;
    txtStatus->setPlainText(shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    fitStatusBox();
}

// The status box grows downward, and the window with it, until the whole
// text shows without scrolling; it is never smaller than the form's.
void TolvekWindow::fitStatusBox() {
    const QRect form = twips(240, 2040, 3135, 1095);
    const int margins =
        2 * (txtStatus->frameWidth() + static_cast<int>(txtStatus->document()->documentMargin()));
    const int height =
        std::max(form.height(),
                 TextHeight(txtStatus->toPlainText(), txtStatus->font(), form.width() - margins) +
                     margins + kStatusSlack);
    txtStatus->setGeometry(form.left(), form.top(), form.width(), height);
    setFixedSize(kClientWidth, std::max(kClientHeight, txtStatus->geometry().bottom() + 1 + 5));
}

bool TolvekWindow::YieldEvents() {
    yield_();
    return !ending_;
}

std::uint32_t TolvekWindow::TickCount() {
    return GetTickCount();
}

}  // namespace tolvek
