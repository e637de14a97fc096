// The Glimmet control's retained drawing surface.
#include "glimmetsurface.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>

#include <cmath>

namespace kestrum {

using runtime::OleColor;
using runtime::Picture;
using runtime::Ref;
using runtime::StatusOk;
using runtime::StatusOutOfMemory;

namespace {

// 96 dots per inch, so that point sizes and picture sizes come out as on the reference screen.
using runtime::units::DotsPerMeter;

QString lineBreaksAsLf(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QImage newImage(QSize pixels) {
    QImage image(pixels, QImage::Format_RGB32);
    image.setDotsPerMeterX(DotsPerMeter);
    image.setDotsPerMeterY(DotsPerMeter);
    return image;
}

} // namespace

QColor oleToQColor(OleColor color, const QPalette &palette) {
    if (!color.isSystem())
        return QColor(int(color.value & 0xFF), int((color.value >> 8) & 0xFF),
                      int((color.value >> 16) & 0xFF));
    switch (color.value & 0xFF) {
    case 0x00:
        return palette.color(QPalette::Mid); // scroll bars
    case 0x01:
        return palette.color(QPalette::Window); // desktop
    case 0x02:
        return palette.color(QPalette::Highlight); // active caption
    case 0x03:
        return palette.color(QPalette::Inactive, QPalette::Highlight);
    case 0x04:
        return palette.color(QPalette::Window); // menu bar
    case 0x05:
        return palette.color(QPalette::Base); // window background
    case 0x06:
        return palette.color(QPalette::Shadow); // window frame
    case 0x07:
        return palette.color(QPalette::WindowText); // menu text
    case 0x08:
        return palette.color(QPalette::Text); // window text
    case 0x09:
        return palette.color(QPalette::HighlightedText); // caption text
    case 0x0A:
    case 0x0B:
        return palette.color(QPalette::Window); // borders
    case 0x0C:
        return palette.color(QPalette::Dark); // application workspace
    case 0x0D:
        return palette.color(QPalette::Highlight);
    case 0x0E:
        return palette.color(QPalette::HighlightedText);
    case 0x0F:
        return palette.color(QPalette::Button); // button face
    case 0x10:
        return palette.color(QPalette::Dark); // button shadow
    case 0x11:
        return palette.color(QPalette::Disabled, QPalette::Text); // grey text
    case 0x12:
        return palette.color(QPalette::ButtonText);
    case 0x13:
        return palette.color(QPalette::Inactive, QPalette::HighlightedText);
    case 0x14:
        return palette.color(QPalette::Light); // 3-D highlight
    case 0x15:
        return palette.color(QPalette::Shadow); // 3-D dark shadow
    case 0x16:
        return palette.color(QPalette::Midlight); // 3-D light
    case 0x17:
        return palette.color(QPalette::ToolTipText);
    case 0x18:
        return palette.color(QPalette::ToolTipBase);
    default:
        return QColor(Qt::black);
    }
}

GlimmetSurface::GlimmetSurface()
    : m_font(runtime::makeRef<runtime::Font>(QGuiApplication::font())) {}

runtime::Status GlimmetSurface::resize(QSize pixels) {
    if (pixels == m_image.size())
        return StatusOk;
    if (pixels.isEmpty()) {
        m_image = QImage();
        return StatusOk;
    }
    QImage image = newImage(pixels);
    if (image.isNull()) {
        m_image = QImage();
        return StatusOutOfMemory;
    }
    image.fill(toQColor(m_backColor));
    if (!m_image.isNull()) {
        QPainter painter(&image);
        painter.drawImage(0, 0, m_image);
    }
    m_image = image;
    return StatusOk;
}

void GlimmetSurface::setBackColor(OleColor color) {
    if (color == m_backColor)
        return;
    m_backColor = color;
    clear();
}

void GlimmetSurface::setFont(Ref<runtime::Font> font) {
    m_font = font ? std::move(font) : runtime::makeRef<runtime::Font>(QGuiApplication::font());
}

void GlimmetSurface::setFontName(const QString &name) {
    if (m_font->name() != name)
        m_font->setName(name);
}

void GlimmetSurface::clear() {
    if (m_image.isNull())
        return;
    m_image.fill(toQColor(m_backColor));
    if (m_background) {
        QPainter painter(&m_image);
        m_background->draw(painter, QPointF(0, 0));
    }
}

void GlimmetSurface::setBackgroundPicture(Ref<Picture> picture) {
    m_background = std::move(picture);
    clear();
}

QSizeF GlimmetSurface::textSize(const QString &text) const {
    const QFontMetricsF metrics(m_font->toQFont(), m_image.isNull() ? nullptr : &m_image);
    const QSizeF size = metrics.size(0, lineBreaksAsLf(text));
    // An empty text still has the height of a line, as a caption measured for layout.
    const qreal height = text.isEmpty() ? metrics.height() : size.height();
    return QSizeF(size.width() * TwipsPerPixel, height * TwipsPerPixel);
}

void GlimmetSurface::print(const QString &text) {
    if (m_image.isNull() || text.isEmpty())
        return;
    QPainter painter(&m_image);
    painter.setFont(m_font->toQFont());
    painter.setPen(toQColor(m_foreColor));
    const QPointF topLeft(m_currentX / TwipsPerPixel, m_currentY / TwipsPerPixel);
    painter.drawText(QRectF(topLeft, QSizeF(1e6, 1e6)), Qt::AlignLeft | Qt::AlignTop,
                     lineBreaksAsLf(text));
}

void GlimmetSurface::paintPicture(const Picture &picture, float x, float y) {
    if (m_image.isNull())
        return;
    QPainter painter(&m_image);
    picture.draw(painter, QPointF(std::round(x / TwipsPerPixel), std::round(y / TwipsPerPixel)));
}

runtime::Status GlimmetSurface::imagePicture(Ref<Picture> *out) const {
    if (m_image.isNull())
        return StatusOutOfMemory;
    *out = Picture::fromImage(m_image.copy(), Picture::Bitmap);
    return *out ? StatusOk : StatusOutOfMemory;
}

} // namespace kestrum
