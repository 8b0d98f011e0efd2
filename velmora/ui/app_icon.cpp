#include "app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

#include "../capture/command_ids.h"

namespace velmora {

namespace {

constexpr int kSize = 24;

QPainterPath sine(double left, double width, double centre, double height, double cycles) {
    QPainterPath path;
    for (int i = 0; i <= 40; ++i) {
        const double x = left + width * i / 40;
        const double y = centre - height * std::sin(2 * M_PI * cycles * i / 40);
        i == 0 ? path.moveTo(x, y) : path.lineTo(x, y);
    }
    return path;
}

template <typename Draw>
QIcon drawn(Draw draw) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    draw(p);
    return QIcon(pixmap);
}

QIcon text(const QString& label) {
    return drawn([&](QPainter& p) {
        QFont font = p.font();
        font.setPixelSize(label.size() > 2 ? 9 : 12);
        font.setBold(true);
        p.setFont(font);
        p.drawRoundedRect(QRectF(1.5, 4.5, 21, 15), 3, 3);
        p.drawText(QRectF(0, 4, kSize, 16), Qt::AlignCenter, label);
    });
}

}  // namespace

QIcon AppIcon() {
    return drawn([](QPainter& p) {
        p.fillRect(QRectF(1, 1, 22, 22), QColor(20, 60, 40));
        p.setPen(QPen(QColor(120, 255, 140), 1.6));
        p.drawPath(sine(3, 18, 12, 7, 1.5));
    });
}

QIcon ToolbarIcon(int id) {
    switch (id) {
        case ID_EDIT_COPY:
            return drawn([](QPainter& p) {
                p.drawRect(QRectF(4.5, 3.5, 10, 13));
                p.fillRect(QRectF(9.5, 7.5, 10, 13), Qt::white);
                p.drawRect(QRectF(9.5, 7.5, 10, 13));
            });
        case ID_FILE_PRINT:
            return drawn([](QPainter& p) {
                p.drawRect(QRectF(7.5, 3.5, 9, 6));
                p.drawRoundedRect(QRectF(3.5, 9.5, 17, 8), 2, 2);
                p.drawRect(QRectF(7.5, 14.5, 9, 6));
            });
        case ID_START_STOP:
            return drawn([](QPainter& p) {
                p.setBrush(QColor(30, 140, 60));
                p.drawPolygon(QPolygonF({{4, 4}, {4, 20}, {13, 12}}));
                p.setBrush(QColor(190, 40, 40));
                p.drawRect(QRectF(14.5, 7.5, 7, 9));
            });
        case ID_TOGGLE_AVERAGE:
            return text(QStringLiteral("AVG"));
        case ID_TOGGLE_SCOPE:
            return drawn([](QPainter& p) {
                p.drawPath(sine(2, 20, 8, 4, 1.5));
                for (int i = 0; i < 5; ++i)
                    p.drawLine(QLineF(4 + 4 * i, 21, 4 + 4 * i, 21 - (i % 2 ? 7 : 4)));
            });
        case ID_TOGGLE_DUAL:
            return drawn([](QPainter& p) {
                p.setPen(QPen(QColor(200, 30, 30), 1.6));
                p.drawPath(sine(2, 20, 8, 4, 1));
                p.setPen(QPen(QColor(30, 60, 200), 1.6));
                p.drawPath(sine(2, 20, 16, 4, 2));
            });
        case ID_REVERSE_INPUTS:
            return drawn([](QPainter& p) {
                p.drawLine(QLineF(4, 8, 20, 8));
                p.drawPolyline(QPolygonF({{16, 4}, {20, 8}, {16, 12}}));
                p.drawLine(QLineF(4, 16, 20, 16));
                p.drawPolyline(QPolygonF({{8, 12}, {4, 16}, {8, 20}}));
            });
        case ID_AUTO_RANGE_Y:
            return drawn([](QPainter& p) {
                p.drawLine(QLineF(12, 3, 12, 21));
                p.drawPolyline(QPolygonF({{8, 7}, {12, 3}, {16, 7}}));
                p.drawPolyline(QPolygonF({{8, 17}, {12, 21}, {16, 17}}));
            });
        case ID_ZOOM_OUT_Y:
            return drawn([](QPainter& p) {
                p.drawEllipse(QRectF(3.5, 3.5, 12, 12));
                p.drawLine(QLineF(14, 14, 20, 20));
                p.drawLine(QLineF(6.5, 9.5, 12.5, 9.5));
            });
        case ID_SAMPLING_RATE:
            return text(QStringLiteral("Hz"));
        case ID_TIME_WINDOW:
            return drawn([](QPainter& p) {
                p.drawEllipse(QRectF(3.5, 3.5, 17, 17));
                p.drawLine(QLineF(12, 12, 12, 6));
                p.drawLine(QLineF(12, 12, 16, 14));
            });
        case ID_SAVE_DATA:
            return drawn([](QPainter& p) {
                p.drawRect(QRectF(4.5, 3.5, 15, 17));
                p.drawRect(QRectF(7.5, 3.5, 9, 6));
                for (int row = 0; row < 3; ++row)
                    p.drawLine(QLineF(7.5, 13.5 + 2.5 * row, 16.5, 13.5 + 2.5 * row));
            });
        case ID_LOG_FREQUENCY:
            return text(QStringLiteral("log"));
        case ID_TOGGLE_DB:
            return text(QStringLiteral("dB"));
        case ID_TOGGLE_H1:
            return text(QStringLiteral("H1"));
        default:
            return {};
    }
}

}  // namespace velmora
