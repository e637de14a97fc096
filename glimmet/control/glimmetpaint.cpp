// Glimmet: painting of the three appearances, the bevel lines and the grey picture.
#include "glimmet.h"
#include "glimmetgrey.h"
#include "glimmettry.h"

#include <QPainter>
#include <QResizeEvent>

#include <cmath>

namespace kestrum {

using runtime::Picture;
using runtime::StatusOk;
using runtime::StatusOutOfMemory;

float Glimmet::halfWidth(const Picture &picture) const {
    return himetricToTwips(picture.width()) / 2;
}

float Glimmet::halfHeight(const Picture &picture) const {
    return himetricToTwips(picture.height()) / 2;
}

Glimmet::Status Glimmet::syncSurfaceSize() {
    if (m_surface.pixelSize() == size())
        return StatusOk;
    // Qt delivers the resize event of a hidden widget only when it is shown; drawing before
    // that must already see the new size, and the resize handler then finds nothing to do.
    GLIMMET_TRY(m_surface.resize(size()));
    layoutNormal();
    return StatusOk;
}

Glimmet::Status Glimmet::DrawState(std::int16_t state) {
    GLIMMET_TRY(syncSurfaceSize());
    m_surface.clear();
    m_surface.removeBackgroundPicture();
    update();
    PictureRef picture;
    QString text;
    if (state == 1 || state == 2) {
        m_surface.setBackColor(m_highBackColor);
        m_surface.setForeColor(m_highForeColor);
        m_surface.setFont(m_highFont);
        picture = state == 1 ? m_highPicture : m_downPicture;
        text = m_highCaption;
    } else if (state == 0) {
        m_surface.setBackColor(m_backColor);
        m_surface.setForeColor(m_foreColor);
        m_surface.setFont(m_font);
        picture = m_picture;
        text = m_caption;
    } else {
        return StatusOk;
    }
    const bool normal = state == 0;
    return layoutAppearance(picture, text, normal, normal);
}

Glimmet::Status Glimmet::layoutAppearance(const PictureRef &picture, const QString &text,
                                          bool normalState, bool reapplyNormalValues) {
    const float w = m_surface.scaleWidth();
    const float h = m_surface.scaleHeight();
    const QSizeF textSize = m_surface.textSize(text);
    float y;
    if (!picture) {
        y = h / 2 - float(textSize.height()) / 2;
    } else {
        // The generated grey Picture carries the grey copy in its top-left corner, in
        // HighPicture's size: measuring HighPicture centres the copy.
        const Picture &measured =
            normalState && m_grayScale && m_highPicture ? *m_highPicture : *picture;
        const float halfW = halfWidth(measured);
        const float halfH = halfHeight(measured);
        if (picture->type() == Picture::Metafile)
            m_surface.setBackgroundPicture(picture);
        else
            m_surface.paintPicture(*picture, w / 2 - halfW, h / 2 - halfH);
        y = float(0.82 * h - textSize.height() / 2);
    }
    const float x = w / 2 - float(textSize.width()) / 2;
    if (reapplyNormalValues) {
        // Unchanged values: the back colour does not clear what was just drawn.
        if (m_font)
            m_surface.setFontName(m_font->name());
        m_surface.setForeColor(m_foreColor);
        m_surface.setBackColor(m_backColor);
    }
    m_surface.setTextPosition(x, y);
    m_surface.print(text);
    update();
    return StatusOk;
}

void Glimmet::layoutNormal() {
    placeBevelLines();
    m_surface.clear();
    m_surface.removeBackgroundPicture();
    // The normal picture and caption in whatever colours and font the surface has now.
    layoutAppearance(m_picture, m_caption, true, false);
}

void Glimmet::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    syncSurfaceSize();
}

Glimmet::Status Glimmet::drawInitialPicture() {
    GLIMMET_TRY(syncSurfaceSize());
    m_surface.clear();
    m_surface.removeBackgroundPicture();
    if (m_picture->type() == Picture::Metafile) {
        m_surface.setBackgroundPicture(m_picture);
    } else {
        m_surface.paintPicture(*m_picture, m_surface.scaleWidth() / 2 - halfWidth(*m_picture),
                               m_surface.scaleHeight() / 2 - halfHeight(*m_picture));
    }
    update();
    return StatusOk;
}

Glimmet::Status Glimmet::makeGreyPicture() {
    GLIMMET_TRY(syncSurfaceSize());
    const Picture &high = *m_highPicture;
    const int w = int(std::nearbyint(Picture::himetricToPixels(high.width())));
    const int h = int(std::nearbyint(Picture::himetricToPixels(high.height())));

    m_surface.clear();
    m_surface.setBackgroundPicture(m_highPicture);
    update();
    // Only the part of the w x h copy that overlaps the surface can come back to it, so the
    // bitmap is cut to the surface: a picture declared huge costs no huge allocation.
    const QSize copy = QSize(w, h).boundedTo(m_surface.pixelSize());
    if (copy.width() > 0 && copy.height() > 0) {
        QImage bitmap(copy, QImage::Format_RGB32);
        if (bitmap.isNull())
            return StatusOutOfMemory;
        bitmap.fill(Qt::black);
        {
            QPainter painter(&bitmap);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(0, 0, m_surface.image(), 0, 0, copy.width(), copy.height());
        }
        convertToGrey(bitmap, bitmap.rect());
        m_surface.clear();
        if (!m_surface.image().isNull()) {
            QPainter painter(&m_surface.pixels());
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(0, 0, bitmap);
        }
    }
    PictureRef grey;
    GLIMMET_TRY(m_surface.imagePicture(&grey));
    m_picture = grey;
    GLIMMET_TRY(notify(QStringLiteral("Picture")));
    return DrawState(0);
}

// ---- bevel -------------------------------------------------------------------------------

void Glimmet::placeBevelLines() {
    const float w = width() * TwipsPerPixel;
    const float h = height() * TwipsPerPixel;
    m_lines[lx].x1 = 15;
    m_lines[lx].x2 = w;
    m_lines[ly].y1 = 15;
    m_lines[ly].y2 = h;
    m_lines[rx].x1 = 15;
    m_lines[rx].x2 = w;
    m_lines[rx].y1 = m_lines[rx].y2 = h - 15;
    m_lines[ry].y1 = 15;
    m_lines[ry].y2 = h;
    m_lines[ry].x1 = m_lines[ry].x2 = w - 15;
    update();
}

void Glimmet::applyRaisedColouring() {
    m_lines[lx].color = m_lines[ly].color = RaisedLight;
    m_lines[rx].color = m_lines[ry].color = Shadow;
    update();
}

void Glimmet::applySunkenColouring() {
    m_lines[lx].color = m_lines[ly].color = Shadow;
    m_lines[rx].color = m_lines[ry].color = RaisedLight;
    update();
}

void Glimmet::setBevelVisible(bool visible) {
    for (BevelLine &line : m_lines)
        line.visible = visible;
    update();
}

QImage Glimmet::renderedImage() const {
    QImage image = m_surface.image().copy();
    if (image.isNull())
        return image;
    QPainter painter(&image);
    paintBevel(painter);
    return image;
}

void Glimmet::paintBevel(QPainter &painter) const {
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const BevelLine &line : m_lines) {
        if (!line.visible)
            continue;
        painter.setPen(QPen(m_surface.toQColor(line.color), 0));
        painter.drawLine(QPoint(int(std::lround(line.x1 / TwipsPerPixel)),
                                int(std::lround(line.y1 / TwipsPerPixel))),
                         QPoint(int(std::lround(line.x2 / TwipsPerPixel)),
                                int(std::lround(line.y2 / TwipsPerPixel))));
    }
}

void Glimmet::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    // System colours (such as the button face) follow the widget's palette from the next paint.
    if (event->type() == QEvent::PaletteChange)
        m_surface.setPalette(palette());
}

void Glimmet::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_surface.image());
    paintBevel(painter);
}

} // namespace kestrum
