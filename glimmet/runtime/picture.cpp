// Shared pictures: making, measuring, drawing, loading and saving them.
#include "picture.h"

#include "fileio.h"

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

QString pictureSizeProblem(QSize pixels) {
    if (pixels.width() <= PictureLimits::MaxSide && pixels.height() <= PictureLimits::MaxSide &&
        qint64(pixels.width()) * pixels.height() <= PictureLimits::MaxPixels)
        return {};
    return QStringLiteral("a picture of %1 x %2 pixels, over the limit of %3 a side and %4 in all")
        .arg(pixels.width())
        .arg(pixels.height())
        .arg(PictureLimits::MaxSide)
        .arg(PictureLimits::MaxPixels);
}

QImage Picture::toImage() const {
    if (!isMetafile())
        return m_image;
    if (!pictureSizeProblem(pixelSize()).isEmpty())
        return {};
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
QPoint cursorHotSpot(const QByteArray &file) {
    const QByteArray head = file.left(14);
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
    if (kind == FileKind::Unknown)
        return fail(StatusInvalidData, error,
                    QStringLiteral("%1: not a picture file type").arg(path));
    // A regular file only (a FIFO would hang the reader), and no larger than a picture within
    // the limits can be.
    constexpr std::size_t MaxFileBytes = 4 * std::size_t(PictureLimits::MaxPixels) + (1 << 20);
    fileio::ReadResult read = fileio::readFile(QFile::encodeName(path).toStdString(), MaxFileBytes);
    if (!read.ok)
        return fail(StatusReadFault, error,
                    QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(read.reason)));
    if (read.overLimit)
        return fail(StatusInvalidData, error,
                    QStringLiteral("%1: larger than any picture it may hold").arg(path));
    const QByteArray bytes = QByteArray::fromStdString(read.bytes);
    switch (kind) {
    case FileKind::Unknown:
        break;
    case FileKind::Recording: {
        QString why;
        if (!checkRecording(bytes, &why))
            return fail(StatusInvalidData, error, QStringLiteral("%1: %2").arg(path, why));
        QPicture recording;
        recording.setData(bytes.constData(), uint(bytes.size()));
        const QRect bounds = recording.boundingRect();
        if (bounds.width() <= 0 || bounds.height() <= 0)
            return fail(StatusInvalidData, error,
                        QStringLiteral("%1: recording has no size").arg(path));
        if (const QString big = pictureSizeProblem(bounds.size()); !big.isEmpty())
            return fail(StatusInvalidData, error, QStringLiteral("%1: %2").arg(path, big));
        *out = Picture::fromRecording(recording, QSize(Picture::pixelsToHimetric(bounds.width()),
                                                       Picture::pixelsToHimetric(bounds.height())));
        return StatusOk;
    }
    case FileKind::Bitmap:
    case FileKind::Icon: {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        // Icons and cursors share one container; the rest is told by its content.
        QImageReader reader(&buffer, kind == FileKind::Icon ? QByteArray("ico") : QByteArray());
        if (const QSize size = reader.size(); size.isValid()) {
            if (const QString big = pictureSizeProblem(size); !big.isEmpty())
                return fail(StatusInvalidData, error, QStringLiteral("%1: %2").arg(path, big));
        }
        QImage image = reader.read();
        if (image.isNull())
            return fail(StatusInvalidData, error,
                        QStringLiteral("%1: %2").arg(path, reader.errorString()));
        if (const QString big = pictureSizeProblem(image.size()); !big.isEmpty())
            return fail(StatusInvalidData, error, QStringLiteral("%1: %2").arg(path, big));
        *out = kind == FileKind::Icon ? Picture::fromIcon(image, cursorHotSpot(bytes))
                                      : Picture::fromImage(image);
        return StatusOk;
    }
    }
    return StatusUnexpected;
}

Status savePicture(const Picture &picture, const QString &path, QString *error) {
    const FileKind kind = kindOf(path);
    QByteArray bytes;
    if (picture.isMetafile()) {
        if (kind != FileKind::Recording)
            return fail(StatusInvalidArg, error,
                        QStringLiteral("%1: a metafile saves only as .qpic").arg(path));
        bytes = QByteArray(picture.recording().data(), qsizetype(picture.recording().size()));
    } else {
        if (kind == FileKind::Unknown || kind == FileKind::Recording)
            return fail(StatusInvalidArg, error,
                        QStringLiteral("%1: not a picture file type for this picture").arg(path));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
        if (kind == FileKind::Icon)
            format = "ico";
        else if (format == "dib")
            format = "bmp";
        QImageWriter writer(&buffer, format);
        if (!writer.write(picture.toImage()))
            return fail(StatusWriteFault, error,
                        QStringLiteral("%1: %2").arg(path, writer.errorString()));
    }
    // As a whole or not at all, and over a regular file only.
    std::string reason;
    if (!fileio::writeFileAtomically(QFile::encodeName(path).toStdString(),
                                     std::string_view(bytes.constData(), std::size_t(bytes.size())),
                                     &reason))
        return fail(StatusWriteFault, error,
                    QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(reason)));
    return StatusOk;
}

} // namespace kestrum::runtime
