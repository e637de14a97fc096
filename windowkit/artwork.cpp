#include "artwork.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace kestrum {

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

QImage productPicture(QSize size, qreal devicePixelRatio) {
    const QSize pixels = (QSizeF(size) * devicePixelRatio).toSize();
    // The 1x rendering is made for the design size; a larger box takes the 2x one.
    const bool large = pixels.width() > KESTRUM_PRODUCT_PICTURE_WIDTH ||
                       pixels.height() > KESTRUM_PRODUCT_PICTURE_HEIGHT;
    QImage image(large ? QStringLiteral(":/kestrum/product/product-2x.png")
                       : QStringLiteral(":/kestrum/product/product-1x.png"));
    if (image.isNull() || pixels.isEmpty())
        return {};
    if (image.size() != pixels)
        image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

} // namespace kestrum
