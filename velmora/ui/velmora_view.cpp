#include "velmora_view.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>

#include "../capture/command_ids.h"
#include "../capture/velmora_doc.h"
#include "../display/clipboard_text.h"
#include "../display/data_file.h"
#include "../platform/interaction.h"
#include "../platform/whole_file.h"
#include "painter_surface.h"

namespace velmora {

namespace {

PixelPoint pixelOf(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

}  // namespace

CVelmoraView::CVelmoraView(CVelmoraDoc& document, Interaction& interaction, QWidget* parent)
    : QWidget(parent), document_(document), interaction_(interaction), plot_(document) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // The canvas covers the whole widget: nothing is erased behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer1_.setSingleShot(true);
    timer1_.setInterval(0);
    connect(&timer1_, &QTimer::timeout, this, &CVelmoraView::onTimer1);
}

void CVelmoraView::SetCaptureTimer() {
    timer1_.start();
}

// Queued, so that the paint the capture asked for comes first.
void CVelmoraView::onTimer1() {
    if (document_.running())
        QMetaObject::invokeMethod(
            this, [this] { emit command(ID_CAPTURE_NEXT); }, Qt::QueuedConnection);
}

void CVelmoraView::OnEditCopy() {
    if (const std::string note = DelayNote(document_); !note.empty())
        interaction_.MessageBox(note);
    const std::string text = ClipboardText(document_, plot_.FirstShown(), plot_.m_nLast);
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void CVelmoraView::OnSaveData() {
    const auto path = interaction_.SaveFileName(
        "Save data", "Text files (*.txt);;CSV files (*.csv);;All files (*)", "txt");
    if (!path)
        return;
    const std::string text = DataFileText(document_, IsCsvName(*path));
    if (const std::string why = WriteWholeFile(*path, text); !why.empty())
        interaction_.MessageBox("Cannot save the data to " + *path + ": " + why);
}

// A key that reaches the view stops a running measurement; a modifier
// pressed alone (and the Alt of a menu's Alt+letter) is no such key.
bool IsModifierKey(int key) {
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Meta:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
        case Qt::Key_ScrollLock:
        case Qt::Key_Mode_switch:
            return true;
        default:
            return false;
    }
}

void CVelmoraView::keyPressEvent(QKeyEvent* event) {
    if (document_.running() && !IsModifierKey(event->key())) {
        emit command(ID_START_STOP);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CVelmoraView::ensureCanvas() {
    if (canvas_.size() == size())
        return;
    canvas_ = QImage(size(), QImage::Format_RGB32);
    canvas_.fill(Qt::white);
    plotPending_ = true;
}

void CVelmoraView::Invalidate(bool erase) {
    ensureCanvas();
    if (erase)
        canvas_.fill(Qt::white);
    plotPending_ = true;
    update();
}

void CVelmoraView::paintEvent(QPaintEvent*) {
    ensureCanvas();
    if (plotPending_ && !canvas_.isNull()) {
        QPainter painter(&canvas_);
        PainterSurface surface(painter, CapsOf(*this, width(), height()), &canvas_);
        plot_.OnDraw(surface, width(), height());
        plotPending_ = false;
    }
    QPainter(this).drawImage(0, 0, canvas_);
}

void CVelmoraView::PrintPage(QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString target =
            printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
        interaction_.MessageBox("Cannot print to " + target.toStdString() +
                                ": the printer or the file could not be opened.");
        return;
    }
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    DeviceCaps caps{page.width(), page.height(), static_cast<double>(printer.resolution()),
                    static_cast<double>(printer.resolution()),
                    printer.colorMode() == QPrinter::GrayScale ? 1 : 24};
    PainterSurface surface(painter, caps);
    plot_.OnDraw(surface, width(), height(), true);
    painter.end();
    // The page's geometry is not the window's: the next paint restores it.
    Invalidate(false);
}

void CVelmoraView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        plot_.OnLButtonDown(pixelOf(event));
}

void CVelmoraView::mouseMoveEvent(QMouseEvent* event) {
    ensureCanvas();
    {
        QPainter painter(&canvas_);
        PainterSurface surface(painter, CapsOf(*this, width(), height()), &canvas_);
        plot_.ShowReadout(surface, event->buttons() & Qt::LeftButton, pixelOf(event));
    }
    update();
}

void CVelmoraView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && plot_.OnLButtonUp(pixelOf(event)))
        Invalidate(true);
}

void CVelmoraView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit command(ID_RESET_VIEW);  // posted by the frame
}

}  // namespace velmora
