// Recorded drawings: everything Qt's own recorder writes is accepted, and a recording whose
// counts claim more than its bytes hold is refused before Qt replays it.
#include "runtime/recording.h"

#include <QDataStream>
#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <QTest>

#include <cstring>
#include <functional>
#include <limits>
#include <memory>

using namespace kestrum::runtime;

namespace {

using Drawing = std::function<void(QPainter &)>;

QByteArray record(const Drawing &draw) {
    QPicture picture;
    {
        QPainter painter(&picture);
        draw(painter);
    }
    return QByteArray(picture.data(), qsizetype(picture.size()));
}

// Puts the check sum of a changed recording right, as anyone crafting one would.
QByteArray resealed(QByteArray data) {
    const quint16 sum = qChecksum(QByteArrayView(data).sliced(6));
    data[4] = char(sum >> 8);
    data[5] = char(sum & 0xFF);
    return data;
}

void putU32(QByteArray &data, qsizetype at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        data[at + i] = char(v >> (24 - 8 * i));
}

// The offset of the first record of `command` after the header (records: command, length
// byte, [32-bit length], data).
qsizetype findRecord(const QByteArray &data, int command) {
    // After the tag, check sum and version (10 bytes), the header's own record (2), its
    // bounding rectangle (16) and record count (4).
    qsizetype at = 10 + 2 + 16 + 4;
    while (at + 2 <= data.size()) {
        const int c = quint8(data[at]);
        qsizetype length = quint8(data[at + 1]);
        qsizetype start = at + 2;
        if (length == 255) {
            length = (quint8(data[at + 2]) << 24) | (quint8(data[at + 3]) << 16) |
                     (quint8(data[at + 4]) << 8) | quint8(data[at + 5]);
            start = at + 6;
        }
        if (c == command)
            return start;
        at = start + length;
    }
    return -1;
}

QImage pattern(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 9 % 256, y * 5 % 256, 77, 200));
    return image;
}

} // namespace

class TestRecording : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void acceptsWhatQtRecords_data();
    void acceptsWhatQtRecords();
    void refusesCountsTheRecordCannotHold_data();
    void refusesCountsTheRecordCannotHold();
    void neverReadsPastAnyEnd();
};

void TestRecording::acceptsWhatQtRecords_data() {
    QTest::addColumn<Drawing>("draw");
    QTest::addColumn<qint64>("imageBytes");
    QTest::newRow("shapes") << Drawing([](QPainter &p) {
        p.drawPoint(QPointF(1.5, 2));
        p.drawLine(QPointF(0, 0), QPointF(9, 9));
        p.drawRect(QRectF(1, 1, 5, 5));
        p.drawRoundedRect(QRectF(1, 1, 8, 8), 20, 20, Qt::RelativeSize);
        p.drawEllipse(QRectF(2, 2, 6, 4));
        p.drawArc(QRectF(0, 0, 9, 9), 30 * 16, 120 * 16);
        p.drawPie(QRectF(0, 0, 9, 9), 30 * 16, 120 * 16);
        p.drawChord(QRectF(0, 0, 9, 9), 30 * 16, 120 * 16);
    }) << qint64(0);
    QTest::newRow("polygons and lines") << Drawing([](QPainter &p) {
        const QPolygonF poly{{0, 0}, {10, 0}, {5, 8}, {1, 3}};
        p.drawPolygon(poly, Qt::WindingFill);
        p.drawPolyline(poly);
        p.drawLines(QList<QLine>{{0, 0, 4, 4}, {4, 0, 0, 4}});
        p.drawConvexPolygon(poly);
        p.drawPoints(poly);
    }) << qint64(0);
    QTest::newRow("pens, brushes, gradients") << Drawing([](QPainter &p) {
        QPen pen(Qt::red, 2.5, Qt::DashDotLine, Qt::RoundCap, Qt::MiterJoin);
        pen.setDashPattern({1, 2, 3, 4});
        pen.setCosmetic(true);
        p.setPen(pen);
        QLinearGradient linear(0, 0, 10, 10);
        linear.setColorAt(0, Qt::red);
        linear.setColorAt(0.5, Qt::green);
        linear.setColorAt(1, Qt::blue);
        p.setBrush(linear);
        p.drawRect(0, 0, 10, 10);
        p.setBrush(QRadialGradient(5, 5, 4, 3, 3));
        p.drawRect(0, 0, 10, 10);
        p.setBrush(QConicalGradient(5, 5, 45));
        p.drawRect(0, 0, 10, 10);
        p.setBrush(QBrush(Qt::darkCyan, Qt::Dense4Pattern));
        p.setPen(QPen(QBrush(QLinearGradient(0, 0, 1, 1)), 3));
        p.drawEllipse(0, 0, 10, 10);
        p.setBackground(Qt::yellow);
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBrushOrigin(3, 4);
        p.drawRect(1, 1, 3, 3);
    }) << qint64(0);
    QTest::newRow("text and fonts") << Drawing([](QPainter &p) {
        QFont font(QStringLiteral("DejaVu Sans"), 11);
        font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans")});
        font.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
        font.setCapitalization(QFont::SmallCaps);
        p.setFont(font);
        p.drawText(QPointF(2, 12), QStringLiteral("Kestrum \u0986\u09ae\u09bf"));
        p.drawText(QRectF(0, 0, 60, 30), Qt::AlignCenter | Qt::TextWordWrap,
                   QStringLiteral("two\nlines"));
        font.setPixelSize(20);
        p.setFont(font);
        p.drawText(QPointF(2, 30), QStringLiteral("pixels"));
    }) << qint64(0);
    QTest::newRow("paths, clips, transforms, state") << Drawing([](QPainter &p) {
        QPainterPath path;
        path.moveTo(0, 0);
        path.cubicTo(10, 0, 10, 10, 0, 10);
        path.lineTo(5, 5);
        path.closeSubpath();
        path.addEllipse(2, 2, 3, 3);
        p.save();
        p.setClipRegion(QRegion(0, 0, 8, 8) + QRegion(10, 10, 4, 4));
        p.setClipPath(path, Qt::IntersectClip);
        p.setTransform(QTransform().rotate(30).scale(2, 0.5));
        p.setOpacity(0.5);
        p.setCompositionMode(QPainter::CompositionMode_Multiply);
        p.setRenderHint(QPainter::Antialiasing);
        p.drawPath(path);
        p.setClipping(false);
        p.restore();
        p.setWindow(0, 0, 20, 20);
        p.setViewport(0, 0, 40, 40);
        p.fillPath(QPainterPath(), Qt::red); // an empty path
        p.drawPath(path);
    }) << qint64(0);
    QTest::newRow("images and pixmaps") << Drawing([](QPainter &p) {
        p.drawImage(QPointF(1, 1), pattern(7, 5));
        p.drawImage(QRectF(0, 0, 20, 20), pattern(10, 10), QRectF(0, 0, 5, 5));
        p.drawPixmap(QPointF(2, 2), QPixmap::fromImage(pattern(6, 6)));
        p.drawTiledPixmap(QRectF(0, 0, 30, 30), QPixmap::fromImage(pattern(4, 3)));
    }) << qint64(4 * (7 * 5 + 10 * 10 + 6 * 6 + 4 * 3));
    QTest::newRow("nothing at all") << Drawing([](QPainter &) {}) << qint64(0);
}

// The check must know Qt's own writing to the byte, or it would refuse real recordings (or,
// worse, read a real one differently from the replay).
void TestRecording::acceptsWhatQtRecords() {
    QFETCH(Drawing, draw);
    QFETCH(qint64, imageBytes);
    const QByteArray data = record(draw);
    QString why;
    std::int64_t images = 0;
    QVERIFY2(checkRecording(data, &why, &images), qPrintable(why));
    QCOMPARE(images, imageBytes);
}

void TestRecording::refusesCountsTheRecordCannotHold_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("says");
    const QPolygonF triangle{{0, 0}, {5, 0}, {0, 5}};
    auto polygon = record([&](QPainter &p) { p.drawPolygon(triangle); });
    putU32(polygon, findRecord(polygon, 13), 0xFFFFFFF0u);
    QTest::newRow("a polygon of 0xFFFFFFF0 points") << resealed(polygon) << "4294967280 items";

    auto polyline = record([&](QPainter &p) { p.drawPolyline(triangle); });
    putU32(polyline, findRecord(polyline, 12), 4);
    QTest::newRow("a polyline one point too long") << resealed(polyline) << "4 items";

    QPainterPath path;
    path.addRect(0, 0, 4, 4);
    auto paths = record([&](QPainter &p) { p.drawPath(path); });
    putU32(paths, findRecord(paths, 25), 0x7FFFFFFFu);
    QTest::newRow("a path of 2^31 - 1 elements") << resealed(paths) << "2147483647 elements";

    QPen dashed(Qt::black, 1, Qt::DashLine);
    dashed.setDashPattern({2, 2});
    auto pen = record([&](QPainter &p) {
        p.setPen(dashed);
        p.drawLine(0, 0, 5, 5);
    });
    // A pen: style, cosmetic, width, a solid brush (style, colour, transform), miter limit,
    // then the dash count.
    putU32(pen, findRecord(pen, 46) + 2 + 1 + 8 + 1 + 11 + 72 + 8, 0x20000000u);
    QTest::newRow("a dash pattern of 2^29 dashes") << resealed(pen) << "536870912 items";

    QRegion many;
    for (int i = 0; i < 5000; ++i)
        many += QRect(i * 2, 0, 1, 1);
    QTest::newRow("a clip region of 5000 rectangles") << record([&](QPainter &p) {
        p.setClipRegion(many);
        p.drawRect(0, 0, 1, 1);
    }) << "5000 rectangles";

    auto font = record([](QPainter &p) {
        p.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
        p.drawText(0, 10, QStringLiteral("x"));
    });
    // The font record: family (4 + 22 bytes), style name (4), then the point size.
    const qsizetype size = findRecord(font, 45) + 4 + 22 + 4;
    QByteArray nan(8, '\0');
    QDataStream(&nan, QIODevice::WriteOnly) << std::numeric_limits<double>::quiet_NaN();
    font.replace(size, 8, nan);
    QTest::newRow("a font of NaN points") << resealed(font) << "font size is out of range";

    QByteArray big = record([](QPainter &p) { p.drawImage(0, 0, pattern(2, 2)); });
    // The PNG header's width and height: 16 bytes after the PNG signature's start.
    const qsizetype png = big.indexOf("\x89PNG");
    putU32(big, png + 16, 5700);
    putU32(big, png + 20, 5700);
    QTest::newRow("an image of 5700 x 5700 pixels") << resealed(big) << "5700 x 5700";

    auto texture = record([](QPainter &p) {
        p.setBrush(QBrush(QPixmap::fromImage(pattern(2, 2))));
        p.drawRect(0, 0, 4, 4);
    });
    QTest::newRow("a texture brush") << texture << "texture brush";

    // Qt's recorder writes no save records of its own; a crafted file may hold any number.
    QByteArray saves = record([](QPainter &p) { p.drawRect(0, 0, 1, 1); });
    saves.insert(findRecord(saves, 25) - 2, QByteArray("\x20\x00", 2).repeated(100));
    QTest::newRow("saves 100 deep") << resealed(saves) << "saves nested";

    QByteArray nested = record([](QPainter &p) { p.drawRect(0, 0, 1, 1); });
    // A record that opens a recording of its own: command 30 with a record count.
    nested.insert(findRecord(nested, 25) - 2, QByteArray("\x1e\x04\x00\x00\x00\x01", 6));
    QTest::newRow("a nested recording") << resealed(nested) << "nested";

    QByteArray sum = record([](QPainter &p) { p.drawRect(0, 0, 1, 1); });
    sum[sum.size() - 3] = char(sum[sum.size() - 3] ^ 1);
    QTest::newRow("a wrong check sum") << sum << "check sum";

    QByteArray version = record([](QPainter &p) { p.drawRect(0, 0, 1, 1); });
    version[7] = char(version[7] - 1);
    QTest::newRow("another format version") << resealed(version) << "format version";

    QByteArray length = record([](QPainter &p) { p.drawRect(0, 0, 1, 1); });
    length[findRecord(length, 25) - 1] = char(113); // the path's record holds 112
    QTest::newRow("a record longer than it holds")
        << resealed(length) << "holds 112 bytes, its length says 113";

    QTest::newRow("not a recording") << QByteArray("GIF89a and so on") << "header";
}

void TestRecording::refusesCountsTheRecordCannotHold() {
    QFETCH(QByteArray, data);
    QFETCH(QString, says);
    QString why;
    QVERIFY(!checkRecording(data, &why));
    QVERIFY2(why.contains(says), qPrintable(why));
}

// Cut anywhere, a recording is read no further than its bytes go (the address sanitizer run
// catches any read past them) and is accepted only where it ends between records.
void TestRecording::neverReadsPastAnyEnd() {
    const QByteArray whole = record([](QPainter &p) {
        p.setPen(QPen(Qt::red, 2, Qt::DashLine));
        p.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
        p.drawText(2, 10, QStringLiteral("cut"));
        p.drawPolygon(QPolygonF{{0, 0}, {9, 0}, {4, 7}});
        p.drawImage(0, 0, pattern(3, 3));
    });
    QVERIFY(checkRecording(whole, nullptr));
    for (qsizetype n = 0; n < whole.size(); ++n) {
        const QByteArray cut = n >= 12 ? resealed(whole.left(n)) : whole.left(n);
        std::unique_ptr<char[]> exact(new char[std::size_t(std::max<qsizetype>(n, 1))]);
        std::memcpy(exact.get(), cut.constData(), std::size_t(n));
        checkRecording(QByteArrayView(exact.get(), n), nullptr);
    }
}

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
