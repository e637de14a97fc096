#include "artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kestrum {

namespace {

// The mark: the Bengali letter ka on a rounded square, the Latin k beside it.
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
    for (const int side : {16, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        drawMark(painter, QRectF(0, 0, side, side));
        painter.end();
        icon.addPixmap(pixmap);
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
