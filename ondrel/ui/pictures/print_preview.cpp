#include "print_preview.h"

#include <QAction>
#include <QChart>
#include <QPainter>
#include <QPrinter>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

#include "../../platform/ondrel_error.h"
#include "../hints.h"
#include "chart_picture.h"

namespace ondrel {

namespace {

constexpr const char* kHintNotice =
    "Hint:\n\r  For good results, the screen aspect ratio\n\r  and the printer aspect ratio can't "
    "be too\n\r  different.\n\r";
constexpr const char* kAboutNotice =
    "Graph Preview\n\nShows a chart on its page with the margins, the orientation and the text "
    "scale it is printed with, and prints it through the system's print dialog.";

QSpinBox* upDown(QWidget* parent, const char* name, int low, int high, int step, int value,
                 const QString& hint) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setSingleStep(step);
    box->setValue(value);
    SetHint(box, hint);
    return box;
}

}  // namespace

GraphPreview::GraphPreview(QChart& chart, Interaction& interaction, QWidget* parent)
    : QDialog(parent), chart_(chart), interaction_(interaction) {
    setObjectName(QStringLiteral("GraphPreview"));
    setWindowTitle(QStringLiteral("Graph Preview"));
    bar_ = new QToolBar(this);
    bar_->setObjectName(QStringLiteral("PreviewToolBar"));
    PrintResolution = upDown(
        this, "PrintResolution", kLowestTextScale, kHighestTextScale, 10, 0,
        QStringLiteral("Text Scale| Text scale: 0 prints the chart's text as large, for the "
                       "chart's size, as on screen; -100 twice as large, -200 four times; +50 "
                       "about 0.7 times. It goes down as far as the chart shows every label "
                       "whole on the page"));
    LeftMargin = upDown(this, "LeftMargin", 4, 30, 2, 4, QStringLiteral("Left & Right Margins"));
    TopMargin = upDown(this, "TopMargin", 4, 30, 2, 4, QStringLiteral("Top & Bottom Margins"));
    for (QSpinBox* box : {PrintResolution, LeftMargin, TopMargin}) {
        bar_->addWidget(box);
        connect(box, &QSpinBox::valueChanged, this, [this] { update(); });
    }
    // The margins change the chart's shape on the page, and what it holds.
    for (QSpinBox* margin : {LeftMargin, TopMargin})
        connect(margin, &QSpinBox::valueChanged, this, &GraphPreview::fitTextScale);
    auto button = [this](const char* name, const QString& text, const QString& hint) {
        QAction* action = bar_->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(hint);
        action->setStatusTip(hint);
        return action;
    };
    connect(button("OrientationButton", QStringLiteral("Orientation"),
                   QStringLiteral("Toggle Paper Orintation")),
            &QAction::triggered, this, &GraphPreview::ToggleOrientation);
    connect(button("PrintButton", QStringLiteral("Print"), QStringLiteral("Print")),
            &QAction::triggered, this, &GraphPreview::Print);
    connect(button("AboutButton", QStringLiteral("About"), QStringLiteral("About this component")),
            &QAction::triggered, this,
            [this] { interaction_.showMessage(QString::fromLatin1(kAboutNotice)); });
    connect(button("HintButton", QStringLiteral("Hint"), QStringLiteral("Hint")),
            &QAction::triggered, this,
            [this] { interaction_.showMessage(QString::fromLatin1(kHintNotice)); });
    connect(button("CloseButton", QStringLiteral("Close"), QStringLiteral("Close")),
            &QAction::triggered, this, &GraphPreview::accept);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar_);
    layout->addStretch();
    fitToPage();
}

void GraphPreview::fitTextScale() {
    // A minimum above the value takes the value up with it.
    PrintResolution->setMinimum(
        LowestWholeTextScale(chart_, chartRect().size(), kLowestTextScale, 10));
}

int GraphPreview::top() const {
    return bar_->sizeHint().height() + kPageGap;
}

// The dialog's client area holds the page, the gaps around it and the bar.
void GraphPreview::fitToPage() {
    const int w = landscape_ ? kPageLong : kPageShort;
    const int h = landscape_ ? kPageShort : kPageLong;
    setFixedSize(w + 18, h + top() + kPageGap);
    fitTextScale();
    update();
}

QRect GraphPreview::pageRect() const {
    // From the client area, as a repaint takes it.
    const int w = width() - 18, h = height() - kPageGap - top();
    return QRect(kPageGap, top(), w, h);
}

QRect GraphPreview::chartRect() const {
    const QRect page = pageRect();
    const int mx = LeftMargin->value() * page.width() / 100;
    const int my = TopMargin->value() * page.height() / 100;
    return QRect(page.left() + mx, page.top() + my, page.width() - 2 * mx, page.height() - 2 * my);
}

void GraphPreview::ToggleOrientation() {
    landscape_ = !landscape_;
    fitToPage();
}

void GraphPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
    const QRect page = pageRect();
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(QRect(page.topLeft(), QSize(page.width(), page.height())));
    painter.setRenderHint(QPainter::Antialiasing);
    DrawChart(chart_, painter, chartRect(), PrintResolution->value());
}

void GraphPreview::Print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(landscape_ ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setFullPage(true);
    if (!interaction_.setUpPrinter(printer))
        return;
    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString where =
            printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
        interaction_.showError(QStringLiteral("Cannot print to %1: the printer or the file could "
                                              "not be opened.")
                                   .arg(where));
        return;
    }
    // The page as the preview shows it: the margins in percent of it.
    const QRectF page = printer.pageLayout().fullRectPixels(printer.resolution());
    const double mx = LeftMargin->value() * page.width() / 100;
    const double my = TopMargin->value() * page.height() / 100;
    painter.setRenderHint(QPainter::Antialiasing);
    DrawChart(chart_, painter, QRectF(mx, my, page.width() - 2 * mx, page.height() - 2 * my),
              PrintResolution->value());
    painter.end();
}

bool ShowGraphPreview(QChart* chart, Interaction& interaction, QWidget* parent) {
    if (!chart)
        throw Exception("Pas de graphe");
    GraphPreview preview(*chart, interaction, parent);
    return interaction.runDialog(preview) != 0;
}

}  // namespace ondrel
