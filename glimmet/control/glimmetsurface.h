// The Glimmet control's retained drawing surface, addressed in twips.
#pragma once

#include "runtime/font.h"
#include "runtime/picture.h"
#include "runtime/status.h"
#include "runtime/units.h"
#include "runtime/variant.h"

#include <QImage>
#include <QPalette>
#include <QSizeF>
#include <QString>

namespace kestrum {

using runtime::units::TwipsPerPixel;
inline float himetricToTwips(std::int32_t himetric) {
    return runtime::units::himetricToTwips(float(himetric));
}

// The colour an OLE colour stands for: 0x00BBGGRR, or system colour n (0x80000000 + n) taken
// from `palette` (0x8000000F, the button face, is QPalette::Button). An unknown system colour
// gives black.
QColor oleToQColor(runtime::OleColor color, const QPalette &palette);

// A retained image: everything drawn stays until the next clear. Coordinates are twips from
// the top-left corner; the image itself is in pixels (Format_RGB32, 96 dots per inch).
//
// Setting a back colour different from the current one clears the surface with it; setting
// the same one draws nothing, so a layout may apply its colours again after drawing. The fore
// colour and font are used by the next print. The background picture is shown at natural size
// from the top-left corner under everything drawn; a clear keeps it, setting or removing it
// clears.
class GlimmetSurface {
public:
    using Status = runtime::Status;

    GlimmetSurface();

    // Resizes the image; what was drawn stays in the top-left corner, new parts get the back
    // colour. StatusOutOfMemory (and an empty image) when the image cannot be made.
    Status resize(QSize pixels);
    QSize pixelSize() const { return m_image.size(); }
    // Width and height in twips (the inner size: the surface has no border).
    float scaleWidth() const { return m_image.width() * TwipsPerPixel; }
    float scaleHeight() const { return m_image.height() * TwipsPerPixel; }

    // System colours are resolved through this palette (the widget's).
    void setPalette(const QPalette &palette) { m_palette = palette; }

    runtime::OleColor backColor() const { return m_backColor; }
    void setBackColor(runtime::OleColor color);
    runtime::OleColor foreColor() const { return m_foreColor; }
    void setForeColor(runtime::OleColor color) { m_foreColor = color; }
    runtime::Ref<runtime::Font> font() const { return m_font; }
    // A null font keeps a font made from the application font.
    void setFont(runtime::Ref<runtime::Font> font);
    // Sets only the face name of the current font object.
    void setFontName(const QString &name);

    // Fills with the back colour and draws the background picture.
    void clear();
    runtime::Ref<runtime::Picture> backgroundPicture() const { return m_background; }
    void setBackgroundPicture(runtime::Ref<runtime::Picture> picture);
    void removeBackgroundPicture() { setBackgroundPicture({}); }

    // Size of `text` in the current font, in twips. Line breaks (LF or CR LF) start new lines.
    QSizeF textSize(const QString &text) const;
    float currentX() const { return m_currentX; }
    float currentY() const { return m_currentY; }
    void setTextPosition(float x, float y) {
        m_currentX = x;
        m_currentY = y;
    }
    // Draws `text` with its top-left corner at the text position.
    void print(const QString &text);
    // Draws `picture` at natural size with its top-left corner at (x, y) twips.
    void paintPicture(const runtime::Picture &picture, float x, float y);

    // The retained image itself (the control's pixel access) and as a new bitmap picture.
    const QImage &image() const { return m_image; }
    QImage &pixels() { return m_image; }
    // StatusOutOfMemory when there is no image to take (an empty surface).
    Status imagePicture(runtime::Ref<runtime::Picture> *out) const;

    QColor toQColor(runtime::OleColor color) const { return oleToQColor(color, m_palette); }

private:
    QImage m_image;
    QPalette m_palette;
    runtime::OleColor m_backColor{runtime::ButtonFaceColor};
    runtime::OleColor m_foreColor{0x80000012u};
    runtime::Ref<runtime::Font> m_font;
    runtime::Ref<runtime::Picture> m_background;
    float m_currentX = 0;
    float m_currentY = 0;
};

} // namespace kestrum
