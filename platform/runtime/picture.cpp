// Shared pictures: making, measuring, drawing, loading and saving them.
#include "picture.h"

#include <QBuffer>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace kestrum::runtime {

Picture::Picture(Type type, QSize himetric) : m_type(type), m_himetric(himetric) {}

std::int32_t Picture::pixelsToHimetric(double px) {
    return static_cast<std::int32_t>(std::lround(px * himetricPerPixel));
}

double Picture::himetricToPixels(std::int32_t himetric) {
    return himetric / himetricPerPixel;
}

Ref<Picture> Picture::fromImage(const QImage &image, Type type) {
    if (image.isNull() || (type != Bitmap && type != Icon))
        return {};
    Ref<Picture> p(new Picture(
        type, QSize(pixelsToHimetric(image.width()), pixelsToHimetric(image.height()))));
    p->m_image = image;
    return p;
}

Ref<Picture> Picture::fromIcon(const QImage &image, QPoint hotSpot) {
    Ref<Picture> p = fromImage(image, Icon);
    if (p)
        p->m_hotSpot = hotSpot;
    return p;
}

Ref<Picture> Picture::fromRecording(const QPicture &recording, QSize himetric, Type type) {
    if ((type != Metafile && type != EnhMetafile) || himetric.width() <= 0 ||
        himetric.height() <= 0)
        return {};
    Ref<Picture> p(new Picture(type, himetric));
    p->m_recording = recording;
    return p;
}

QSize Picture::pixelSize() const {
    if (!m_image.isNull())
        return m_image.size();
    return QSize(static_cast<int>(std::lround(himetricToPixels(width()))),
                 static_cast<int>(std::lround(himetricToPixels(height()))));
}

QImage Picture::toImage() const {
    if (!isMetafile())
        return m_image;
    QImage image(pixelSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, QPointF(0, 0));
    return image;
}

void Picture::draw(QPainter &painter, QPointF topLeft) const {
    if (!isMetafile()) {
        painter.drawImage(topLeft, m_image);
        return;
    }
    // A recording is replayed scaled from its own bounding box to the picture's natural size.
    const QRect bounds = m_recording.boundingRect();
    const QSize size = pixelSize();
    painter.save();
    painter.setClipRect(QRectF(topLeft, QSizeF(size)), Qt::IntersectClip);
    painter.translate(topLeft);
    if (bounds.isValid() && bounds.width() > 0 && bounds.height() > 0 && bounds.size() != size) {
        painter.scale(double(size.width()) / bounds.width(),
                      double(size.height()) / bounds.height());
        painter.translate(-bounds.topLeft());
    }
    painter.drawPicture(0, 0, m_recording);
    painter.restore();
}

QCursor Picture::toCursor() const {
    const QPixmap pixmap = QPixmap::fromImage(toImage());
    if (m_type == Icon)
        return QCursor(pixmap, m_hotSpot.x(), m_hotSpot.y());
    return QCursor(pixmap);
}

namespace {

enum class FileKind { Unknown, Bitmap, Icon, Recording };

FileKind kindOf(const QString &path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    static const QStringList bitmaps = {
        QStringLiteral("bmp"),  QStringLiteral("dib"), QStringLiteral("png"), QStringLiteral("jpg"),
        QStringLiteral("jpeg"), QStringLiteral("gif"), QStringLiteral("xpm"), QStringLiteral("ppm"),
        QStringLiteral("pgm"),  QStringLiteral("pbm")};
    if (bitmaps.contains(suffix))
        return FileKind::Bitmap;
    if (suffix == QLatin1String("ico") || suffix == QLatin1String("cur"))
        return FileKind::Icon;
    if (suffix == QLatin1String("qpic"))
        return FileKind::Recording;
    return FileKind::Unknown;
}

Status fail(Status status, QString *error, const QString &message) {
    if (error)
        *error = message;
    return status;
}

// Reads the hot spot of the first image of a .cur file (bytes 10..13 of the file: the first
// directory entry's x and y). Icons have none.
QPoint cursorHotSpot(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = f.read(14);
    if (head.size() < 14 || head[2] != 2) // type 2 = cursor
        return {};
    auto u16 = [&](int at) { return int(quint8(head[at])) | (int(quint8(head[at + 1])) << 8); };
    return QPoint(u16(10), u16(12));
}

} // namespace

Status loadPicture(const QString &path, Ref<Picture> *out, QString *error) {
    out->reset();
    if (path.isEmpty())
        return StatusOk;
    if (!QFileInfo::exists(path))
        return fail(StatusFileNotFound, error, QStringLiteral("%1: no such file").arg(path));
    const FileKind kind = kindOf(path);
    switch (kind) {
    case FileKind::Unknown:
        return fail(StatusInvalidData, error,
                    QStringLiteral("%1: not a picture file type").arg(path));
    case FileKind::Recording: {
        QPicture recording;
        if (!recording.load(path) || recording.size() == 0)
            return fail(StatusInvalidData, error,
                        QStringLiteral("%1: not a readable recording").arg(path));
        const QRect bounds = recording.boundingRect();
        if (bounds.width() <= 0 || bounds.height() <= 0)
            return fail(StatusInvalidData, error,
                        QStringLiteral("%1: recording has no size").arg(path));
        *out = Picture::fromRecording(recording, QSize(Picture::pixelsToHimetric(bounds.width()),
                                                       Picture::pixelsToHimetric(bounds.height())));
        return StatusOk;
    }
    case FileKind::Bitmap:
    case FileKind::Icon: {
        QImageReader reader(path);
        if (kind == FileKind::Icon)
            reader.setFormat("ico"); // .cur files use the same container
        QImage image = reader.read();
        if (image.isNull())
            return fail(StatusInvalidData, error,
                        QStringLiteral("%1: %2").arg(path, reader.errorString()));
        *out = kind == FileKind::Icon ? Picture::fromIcon(image, cursorHotSpot(path))
                                      : Picture::fromImage(image);
        return StatusOk;
    }
    }
    return StatusUnexpected;
}

Status savePicture(const Picture &picture, const QString &path, QString *error) {
    const FileKind kind = kindOf(path);
    if (picture.isMetafile()) {
        if (kind != FileKind::Recording)
            return fail(StatusInvalidArg, error,
                        QStringLiteral("%1: a metafile saves only as .qpic").arg(path));
        QPicture recording = picture.recording();
        if (!recording.save(path))
            return fail(StatusWriteFault, error, QStringLiteral("%1: cannot write").arg(path));
        return StatusOk;
    }
    if (kind == FileKind::Unknown || kind == FileKind::Recording)
        return fail(StatusInvalidArg, error,
                    QStringLiteral("%1: not a picture file type for this picture").arg(path));
    QImageWriter writer(path);
    if (kind == FileKind::Icon)
        writer.setFormat("ico");
    if (!writer.write(picture.toImage()))
        return fail(StatusWriteFault, error,
                    QStringLiteral("%1: %2").arg(path, writer.errorString()));
    return StatusOk;
}

} // namespace kestrum::runtime
