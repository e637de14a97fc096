// Shared picture objects: bitmaps, icons and metafiles, sized in HIMETRIC.
#pragma once

#include "object.h"
#include "recording.h"
#include "status.h"
#include "units.h"

#include <QImage>
#include <QPicture>
#include <QPointF>
#include <QSize>
#include <QString>

#include <cstdint>

class QPainter;
class QCursor;

namespace kestrum::runtime {

// A picture is shared by reference (Ref<Picture>) and never copied by the runtime; it is
// immutable once made, so every holder sees the same image.
//
// Type 1 (Bitmap) and 3 (Icon) hold a raster image; type 2 (Metafile) and 4 (EnhMetafile)
// hold a recorded drawing (a QPicture). Width and height are in HIMETRIC (0.01 mm): a raster
// image is measured at 96 dots per inch (1 px = 2540/96 HIMETRIC, rounded), a recording by the
// size it was given when it was made.
class Picture : public Object {
public:
    enum Type : std::int16_t { None = 0, Bitmap = 1, Metafile = 2, Icon = 3, EnhMetafile = 4 };

    // A bitmap (or, with type Icon, an icon) holding `image`. Null for a null image or a
    // metafile type.
    static Ref<Picture> fromImage(const QImage &image, Type type = Bitmap);
    static Ref<Picture> fromIcon(const QImage &image, QPoint hotSpot = {});
    // A metafile (type Metafile or EnhMetafile) of the given size in HIMETRIC. Null for any
    // other type or a size that is not positive.
    static Ref<Picture> fromRecording(const QPicture &recording, QSize himetric,
                                      Type type = Metafile);

    Type type() const { return m_type; }
    bool isMetafile() const { return m_type == Metafile || m_type == EnhMetafile; }
    // Size in HIMETRIC.
    std::int32_t width() const { return m_himetric.width(); }
    std::int32_t height() const { return m_himetric.height(); }
    // Natural size in pixels at 96 dots per inch.
    QSize pixelSize() const;

    // The raster image (bitmap, icon); for a metafile, the recording rendered at natural size
    // on a transparent background (a null image when that size is over PictureLimits).
    QImage toImage() const;
    // The recording of a metafile; an empty QPicture for the other types.
    const QPicture &recording() const { return m_recording; }
    QPoint hotSpot() const { return m_hotSpot; }

    // Draws the picture at natural size with its top-left corner at `topLeft` (device pixels).
    void draw(QPainter &painter, QPointF topLeft) const;
    // A pointer image for an icon (its hot spot kept); other types give the image's centre.
    QCursor toCursor() const;

    static constexpr double himetricPerPixel = units::HimetricPerPixel;
    static std::int32_t pixelsToHimetric(double px);
    static double himetricToPixels(std::int32_t himetric);

private:
    Picture(Type type, QSize himetric);

    Type m_type;
    QSize m_himetric;
    QImage m_image;
    QPicture m_recording;
    QPoint m_hotSpot;
};

// Why a picture of `pixels` is too large to build (over PictureLimits); "" when it is not.
QString pictureSizeProblem(QSize pixels);

// Loads a picture file: .bmp .png .jpg .jpeg .gif .xpm .ppm give a bitmap, .ico and .cur an
// icon, .qpic (a recording saved by QPicture::save) a metafile. An empty path gives an empty
// picture and StatusOk, like clearing a picture property. A missing file gives
// StatusFileNotFound; anything but a regular file StatusReadFault; an unreadable one, an
// unknown extension, a picture over PictureLimits or a recording that checkRecording refuses
// StatusInvalidData; `error` (when given) receives a message naming the file.
Status loadPicture(const QString &path, Ref<Picture> *out, QString *error = nullptr);

// Saves a picture to a file in the format its extension names (see loadPicture); a metafile
// saves only as .qpic.
Status savePicture(const Picture &picture, const QString &path, QString *error = nullptr);

} // namespace kestrum::runtime
