#include "velmora_view.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>

#include "../capture/command_ids.h"
#include "../capture/velmora_doc.h"
#include "../platform/interaction.h"
#include "clipboard_text.h"

namespace velmora {

CVelmoraView::CVelmoraView(CVelmoraDoc& document, Interaction& interaction, QWidget* parent)
    : QWidget(parent), document_(document), interaction_(interaction) {
    setFocusPolicy(Qt::StrongFocus);
    // Painted opaquely: a capture repaints without erasing first.
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
    const std::string text = ClipboardText(document_, 0, FullRangeEnd(document_));
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void CVelmoraView::keyPressEvent(QKeyEvent* event) {
    if (document_.running()) {
        emit command(ID_START_STOP);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CVelmoraView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}

}  // namespace velmora
