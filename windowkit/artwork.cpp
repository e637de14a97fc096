#include "artwork.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kestrum {

namespace {

// The mark of the product picture: the Bengali letter ka on a rounded square, the Latin k
// beside it.
void drawMark(QPainter &painter, const QRectF &box) {
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = box.width() / 5;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 192));
    painter.drawRoundedRect(box, radius, radius);
    QFont bengali(QStringLiteral("Noto Sans Bengali"));
    bengali.setPixelSize(int(box.height() * 0.62));
    bengali.setBold(true);
    painter.setFont(bengali);
    painter.setPen(Qt::white);
    painter.drawText(box.adjusted(0, -box.height() * 0.06, -box.width() * 0.12, 0), Qt::AlignCenter,
                     QString(QChar(0x0995)));
    QFont latin(QStringLiteral("Liberation Serif"));
    latin.setPixelSize(int(box.height() * 0.34));
    latin.setItalic(true);
    painter.setFont(latin);
    painter.setPen(QColor(255, 210, 80));
    painter.drawText(box.adjusted(0, 0, -box.width() * 0.08, -box.height() * 0.04),
                     Qt::AlignRight | Qt::AlignBottom, QStringLiteral("k"));
}

} // namespace

QIcon programIcon() {
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/kestrum/icon/kestrum-%1.png").arg(side), QSize(side, side));
    return icon;
}

QIcon pencilIcon() {
    // Drawn along the x axis with the point at the origin, then turned to point down-left.
    // Without antialiasing, so each image keeps to the few colours of the 16-colour palette.
    QIcon icon;
    for (const int side : {32, 16}) {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        const qreal unit = side / 32.0;
        painter.translate(1 * unit, (side - 1) - 1 * unit);
        painter.rotate(-45);
        painter.scale(unit, unit);
        painter.setPen(Qt::NoPen);
        const qreal half = 4.5;
        painter.setBrush(QColor(128, 128, 0)); // the wood
        painter.drawPolygon(QPolygonF{{0, 0}, {10, -half}, {10, half}});
        painter.setBrush(Qt::black); // the lead
        painter.drawPolygon(QPolygonF{{0, 0}, {4, -half * 0.4}, {4, half * 0.4}});
        painter.setBrush(QColor(255, 255, 0)); // the body
        painter.drawRect(QRectF(10, -half, 22, 2 * half));
        painter.setBrush(QColor(192, 192, 192)); // the ferrule
        painter.drawRect(QRectF(32, -half, 4, 2 * half));
        painter.setBrush(QColor(255, 0, 255)); // the eraser
        painter.drawRect(QRectF(36, -half, 5, 2 * half));
        painter.setPen(QPen(Qt::black, 1.2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(QPolygonF{{0, 0}, {10, -half}, {41, -half}, {41, half}, {10, half}});
        painter.end();
        icon.addPixmap(QPixmap::fromImage(
            image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither)));
    }
    return icon;
}

QPicture productPicture(QSize size) {
    QPicture picture;
    QPainter painter(&picture);
    const QRectF area(0, 0, size.width(), size.height());
    painter.fillRect(area, Qt::white);
    const qreal side = area.height() * 0.7;
    const QRectF mark(area.left() + area.height() * 0.15, area.top() + area.height() * 0.15, side,
                      side);
    drawMark(painter, mark);
    QFont title(QStringLiteral("Liberation Serif"));
    title.setPixelSize(int(area.height() * 0.26));
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(0, 0, 128));
    const QRectF text(mark.right() + area.height() * 0.12, area.top(),
                      area.right() - mark.right() - area.height() * 0.12, area.height() * 0.62);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Kestrum"));
    QFont tagline(QStringLiteral("Noto Sans Bengali"));
    tagline.setPixelSize(int(area.height() * 0.13));
    painter.setFont(tagline);
    painter.setPen(QColor(192, 0, 0));
    painter.drawText(
        QRectF(text.left(), text.bottom(), text.width(), area.height() * 0.25),
        Qt::AlignLeft | Qt::AlignTop,
        QStringLiteral(u"\u09AC\u09BE\u0982\u09B2\u09BE \u09B2\u09BF\u0996\u09C1\u09A8"));
    painter.end();
    return picture;
}

} // namespace kestrum
