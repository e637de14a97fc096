// Walking the records of a QPicture without trusting a single count in them.
#include "recording.h"

#include <QDataStream>

#include <cmath>
#include <cstring>

namespace kestrum::runtime {

namespace {

// The record types of Qt's picture format (the replay's own numbering).
enum Command : std::uint8_t {
    NOP = 0,
    DrawPoint = 1,
    DrawLine = 4,
    DrawRect = 5,
    DrawRoundRect = 6,
    DrawEllipse = 7,
    DrawArc = 8,
    DrawPie = 9,
    DrawChord = 10,
    DrawLineSegments = 11,
    DrawPolyline = 12,
    DrawPolygon = 13,
    DrawCubicBezier = 14,
    DrawText = 15,
    DrawTextFormatted = 16,
    DrawPixmap = 17,
    DrawImage = 18,
    DrawText2 = 19,
    DrawText2Formatted = 20,
    DrawTextItem = 21,
    DrawPoints = 22,
    DrawTiledPixmap = 24,
    DrawPath = 25,
    Begin = 30,
    End = 31,
    Save = 32,
    Restore = 33,
    SetBkColor = 40,
    SetBkMode = 41,
    SetROP = 42,
    SetBrushOrigin = 43,
    SetFont = 45,
    SetPen = 46,
    SetBrush = 47,
    SetVXform = 51,
    SetWindow = 52,
    SetViewport = 53,
    SetWXform = 54,
    SetWMatrix = 55,
    SetClip = 60,
    SetClipRegion = 61,
    SetClipPath = 62,
    SetRenderHint = 63,
    SetCompositionMode = 64,
    SetClipEnabled = 65,
    SetOpacity = 66,
};

constexpr std::uint32_t Null = 0xFFFFFFFFu;
constexpr int RegionRects = 10; // the one region form Qt writes: a list of rectangles
constexpr int TexturePattern = 24;
constexpr int LinearGradientPattern = 15, ConicalGradientPattern = 17;
constexpr int LinearGradient = 0, RadialGradient = 1;

// Big-endian reads inside [m_pos, m_end); any read past the end fails and sticks.
class Reader {
public:
    Reader(const unsigned char *data, std::size_t size) : m_data(data), m_end(size) {}

    bool ok() const { return m_ok; }
    std::size_t pos() const { return m_pos; }
    std::size_t left() const { return m_ok ? m_end - m_pos : 0; }
    void limitTo(std::size_t end) { m_end = end; }
    bool fail(const QString &why) {
        if (m_ok)
            m_why = why;
        m_ok = false;
        return false;
    }
    const QString &why() const { return m_why; }

    bool skip(std::uint64_t n) {
        if (!m_ok || n > left())
            return fail(QStringLiteral("a record runs past its end"));
        m_pos += std::size_t(n);
        return true;
    }
    std::uint64_t u(int bytes) {
        std::uint64_t v = 0;
        if (!m_ok || std::size_t(bytes) > left()) {
            fail(QStringLiteral("a record runs past its end"));
            return 0;
        }
        for (int i = 0; i < bytes; ++i)
            v = (v << 8) | m_data[m_pos++];
        return v;
    }
    std::uint8_t u8() { return std::uint8_t(u(1)); }
    std::uint16_t u16() { return std::uint16_t(u(2)); }
    std::uint32_t u32() { return std::uint32_t(u(4)); }
    std::int32_t i32() { return std::int32_t(u32()); }
    double f64() {
        const std::uint64_t bits = u(8);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    const unsigned char *here() const { return m_data + m_pos; }

private:
    const unsigned char *m_data;
    std::size_t m_pos = 0;
    std::size_t m_end;
    bool m_ok = true;
    QString m_why;
};

class Checker {
public:
    Checker(Reader &r, std::int64_t *imageBytes) : m_r(r), m_imageBytes(imageBytes) {}

    bool record();

private:
    // A count of items of `size` bytes each, that the rest of the record can hold.
    bool items(std::uint64_t count, std::uint64_t size) {
        if (count > m_r.left() / size)
            return m_r.fail(
                QStringLiteral("a list claims %1 items, more than its record holds").arg(count));
        return m_r.skip(count * size);
    }
    bool finite(double v) {
        return std::isfinite(v) || m_r.fail(QStringLiteral("a number is not finite"));
    }
    bool bytes() { // QByteArray
        const std::uint32_t n = m_r.u32();
        return n == Null || m_r.skip(n);
    }
    bool string() { // QString: UTF-16, so an even length
        const std::uint32_t n = m_r.u32();
        if (n == Null)
            return m_r.ok();
        if (n % 2)
            return m_r.fail(QStringLiteral("a string of an odd number of bytes"));
        return m_r.skip(n);
    }
    bool color() { return m_r.skip(11); }
    bool point() { return m_r.skip(16); }     // QPointF
    bool rect() { return m_r.skip(32); }      // QRectF
    bool intRect() { return m_r.skip(16); }   // QRect
    bool transform() { return m_r.skip(72); } // nine doubles
    bool polygon(std::uint64_t pointSize) { return items(m_r.u32(), pointSize); }
    bool font();
    bool brush();
    bool pen();
    bool path();
    bool region();
    bool image();

    Reader &m_r;
    std::int64_t *m_imageBytes;
    int m_saves = 0;
};

bool Checker::font() {
    string(); // family
    string(); // style name
    const double points = m_r.f64();
    const std::int32_t pixels = m_r.i32();
    if (!m_r.ok())
        return false;
    if (!std::isfinite(points) || points > PictureLimits::MaxFontSize ||
        pixels > PictureLimits::MaxFontSize)
        return m_r.fail(QStringLiteral("a font size is out of range"));
    m_r.skip(1 + 2 + 2 + 1 + 2 + 1 + 4 + 4 + 1 + 1); // hints, weight, flags, spacing, capital
    const std::uint32_t families = m_r.u32();
    if (families > m_r.left() / 4)
        return m_r.fail(QStringLiteral("a font claims more families than its record holds"));
    for (std::uint32_t i = 0; i < families && m_r.ok(); ++i)
        string();
    return m_r.ok();
}

bool Checker::brush() {
    const std::uint8_t style = m_r.u8();
    color();
    if (style == TexturePattern)
        return m_r.fail(QStringLiteral("a texture brush (not replayed from untrusted data)"));
    if (style >= LinearGradientPattern && style <= ConicalGradientPattern) {
        const std::int32_t type = m_r.i32();
        m_r.skip(12);             // spread, coordinate mode, interpolation mode
        items(m_r.u32(), 8 + 11); // stops: a position and a colour each
        if (type == LinearGradient)
            point() && point();
        else if (type == RadialGradient)
            point() && point() && m_r.skip(8 + 8); // centre, focal point, both radii
        else
            point() && m_r.skip(8);
    }
    return transform();
}

bool Checker::pen() {
    m_r.skip(2 + 1); // style, cosmetic
    if (!finite(m_r.f64()))
        return false;
    brush();
    m_r.skip(8);         // miter limit
    items(m_r.u32(), 8); // dash pattern
    return m_r.skip(8 + 1);
}

bool Checker::path() {
    const std::int32_t elements = m_r.i32();
    if (elements == 0)
        return m_r.ok();
    if (elements < 0)
        return m_r.fail(QStringLiteral("a path with a negative number of elements"));
    if (std::uint64_t(elements) > m_r.left() / 20)
        return m_r.fail(
            QStringLiteral("a path claims %1 elements, more than its record holds").arg(elements));
    for (std::int32_t i = 0; i < elements && m_r.ok(); ++i) {
        if (m_r.u32() > 3)
            return m_r.fail(QStringLiteral("a path element of an unknown kind"));
        finite(m_r.f64());
        finite(m_r.f64());
    }
    return m_r.skip(8); // start of the current subpath, fill rule
}

bool Checker::region() {
    const std::uint32_t size = m_r.u32();
    if (size == 0 || size == Null)
        return m_r.ok();
    const std::int32_t kind = m_r.i32();
    const std::uint32_t count = m_r.u32();
    if (!m_r.ok() || kind != RegionRects || std::uint64_t(size) != 8 + 16 * std::uint64_t(count))
        return m_r.fail(QStringLiteral("a clip region in an unknown form"));
    if (count > PictureLimits::MaxRegionRects)
        return m_r.fail(QStringLiteral("a clip region of %1 rectangles").arg(count));
    return items(count, 16);
}

// An image as Qt streams it: a null marker, then a PNG file, walked chunk by chunk to its end.
bool Checker::image() {
    if (m_r.i32() == 0)
        return m_r.ok();
    static const unsigned char signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (m_r.left() < 8 || std::memcmp(m_r.here(), signature, 8) != 0)
        return m_r.fail(QStringLiteral("an image that is not PNG"));
    m_r.skip(8);
    bool header = false;
    for (;;) {
        const std::uint32_t length = m_r.u32();
        const std::uint32_t type = m_r.u32();
        if (!m_r.ok())
            return false;
        if (!header) {
            if (type != 0x49484452u || length != 13) // IHDR
                return m_r.fail(QStringLiteral("an image without a PNG header"));
            const std::uint32_t w = m_r.u32(), h = m_r.u32();
            if (w == 0 || h == 0 || w > PictureLimits::MaxSide || h > PictureLimits::MaxSide ||
                std::int64_t(w) * h > PictureLimits::MaxPixels)
                return m_r.fail(QStringLiteral("an image of %1 x %2 pixels").arg(w).arg(h));
            if (m_imageBytes)
                *m_imageBytes += std::int64_t(w) * h * 4;
            m_r.skip(5 + 4); // the rest of the header, its check sum
            header = true;
            continue;
        }
        if (!m_r.skip(std::uint64_t(length) + 4))
            return false;
        if (type == 0x49454E44u) // IEND
            return true;
    }
}

bool Checker::record() {
    const std::uint8_t command = m_r.u8();
    std::uint32_t length = m_r.u8();
    if (length == 255)
        length = m_r.u32();
    if (!m_r.ok())
        return false;
    if (length > m_r.left())
        return m_r.fail(QStringLiteral("record %1 claims %2 bytes, more than there are")
                            .arg(command)
                            .arg(length));
    const std::size_t end = m_r.pos() + length;
    Reader &r = m_r;
    switch (command) {
    case NOP:
    case End:
    case DrawPoints: // replayed as nothing at all
        break;
    case Restore:
        if (m_saves > 0)
            --m_saves;
        break;
    case Save:
        if (++m_saves > PictureLimits::MaxSaveDepth)
            return r.fail(
                QStringLiteral("saves nested more than %1 deep").arg(PictureLimits::MaxSaveDepth));
        break;
    case DrawPoint:
    case SetBrushOrigin:
        point();
        break;
    case DrawLine:
        point() && point();
        break;
    case DrawRect:
    case DrawEllipse:
    case SetWindow:
    case SetViewport:
        rect();
        break;
    case DrawRoundRect:
    case DrawArc:
    case DrawPie:
    case DrawChord:
        rect() && r.skip(4);
        break;
    case DrawLineSegments:
    case DrawCubicBezier:
        polygon(8);
        break;
    case DrawPolyline:
        polygon(16);
        break;
    case DrawPolygon:
        polygon(16) && r.skip(1);
        break;
    case DrawText:
        r.skip(8) && bytes();
        break;
    case DrawTextFormatted:
        intRect() && r.skip(2) && bytes();
        break;
    case DrawText2:
        point() && string();
        break;
    case DrawText2Formatted:
        intRect() && r.skip(2) && string();
        break;
    case DrawTextItem:
        point() && string() && font() && r.skip(4 + 8 + 8);
        break;
    case DrawPixmap:
        rect() && image() && rect();
        break;
    case DrawImage:
        rect() && image() && rect() && r.skip(4);
        break;
    case DrawTiledPixmap:
        rect() && image() && point();
        break;
    case DrawPath:
        path();
        break;
    case SetClipPath:
        path() && r.skip(1);
        break;
    case SetBkColor:
        color();
        break;
    case SetBkMode:
    case SetROP:
    case SetVXform:
    case SetWXform:
    case SetClip:
    case SetClipEnabled:
        r.skip(1);
        break;
    case SetFont:
        font();
        break;
    case SetPen:
        pen();
        break;
    case SetBrush:
        brush();
        break;
    case SetWMatrix:
        transform() && r.skip(1);
        break;
    case SetClipRegion:
        region() && r.skip(1);
        break;
    case SetRenderHint:
    case SetCompositionMode:
        r.skip(4);
        break;
    case SetOpacity:
        finite(r.f64());
        break;
    case Begin:
        return r.fail(QStringLiteral("a recording nested in a recording"));
    default:
        // The replay skips a record it does not know by its length.
        return r.skip(length);
    }
    if (!r.ok())
        return false;
    if (r.pos() != end)
        return r.fail(QStringLiteral("record %1 holds %2 bytes, its length says %3")
                          .arg(command)
                          .arg(r.pos() - (end - length))
                          .arg(length));
    return true;
}

} // namespace

bool checkRecording(QByteArrayView data, QString *why, std::int64_t *imageBytes) {
    const auto refuse = [&](const QString &text) {
        if (why)
            *why = QStringLiteral("not a recording that can be replayed safely: %1").arg(text);
        return false;
    };
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.data());
    Reader r(bytes, std::size_t(data.size()));
    if (data.size() < 12 || std::memcmp(bytes, "QPIC", 4) != 0)
        return refuse(QStringLiteral("no recording header"));
    r.skip(4);
    const std::uint16_t checksum = r.u16();
    if (checksum != qChecksum(data.sliced(6)))
        return refuse(QStringLiteral("a wrong check sum"));
    const std::uint16_t major = r.u16();
    r.u16(); // minor version
    // The format of the records is that of this Qt's data streams; an older or newer one reads
    // differently.
    if (major != QDataStream::Qt_DefaultCompiledVersion)
        return refuse(QStringLiteral("format version %1 (this program reads %2)")
                          .arg(major)
                          .arg(int(QDataStream::Qt_DefaultCompiledVersion)));
    if (r.u8() != Begin)
        return refuse(QStringLiteral("no recording header"));
    r.skip(1 + 16 + 4); // its length byte, the bounding rectangle, the number of records
    if (!r.ok())
        return refuse(r.why());
    Checker checker(r, imageBytes);
    while (r.ok() && r.left() > 0)
        checker.record();
    if (!r.ok())
        return refuse(r.why());
    return true;
}

} // namespace kestrum::runtime
