// Renders the product picture of the About window into a PNG at build time, so that the splash
// window, which shows it before anything else, costs no fonts and no text shaping at start-up.
//
//   kestrum_product_picture WIDTH HEIGHT SCALE OUTPUT.png
//
// WIDTH x HEIGHT is the picture box in logical pixels; SCALE the device pixels per logical one.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

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

// The mark, the product's name and its tagline (Write Bangla) on white.
void drawPicture(QPainter &painter, const QSize &size) {
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
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT SCALE OUTPUT.png\n", argv[0]);
        return 2;
    }
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    const int scale = std::atoi(argv[3]);
    if (width <= 0 || height <= 0 || scale <= 0 || scale > 8) {
        std::fprintf(stderr, "%s: bad size or scale\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    QImage image(width * scale, height * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    drawPicture(painter, QSize(width, height));
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[4]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[4]);
        return 1;
    }
    return 0;
}
