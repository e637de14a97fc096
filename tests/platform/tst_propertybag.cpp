// Property bags: read/write with defaults, and the file format under damage.
#include "runtime/propertybag.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace kestrum::runtime;

namespace {

Ref<Picture> metafile(Picture::Type type) {
    QPicture recording;
    {
        QPainter p(&recording);
        p.fillRect(QRect(0, 0, 30, 20), Qt::blue);
        p.drawLine(0, 0, 30, 20);
    }
    return Picture::fromRecording(
        recording, QSize(Picture::pixelsToHimetric(30), Picture::pixelsToHimetric(20)), type);
}

QImage gradient(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x + y) % 256));
    return image;
}

// A bag holding one value of every kind.
PropertyBag fullBag() {
    PropertyBag bag;
    Ref<Font> font = makeRef<Font>(QFont(QStringLiteral("DejaVu Serif"), 9));
    font->setSize(8.25);
    font->setBold(true);
    font->setItalic(true);
    font->setStrikethrough(true);
    font->setCharset(2);
    bag.writeProperty(QStringLiteral("Caption"),
                      QStringLiteral("Save & Exit\r\n= 100% \"quoted\" ǅ"), QString());
    bag.writeProperty(QStringLiteral("Empty text"), QString(), QStringLiteral("x"));
    bag.writeProperty(QStringLiteral("Mode"), std::int16_t(2), std::int16_t(0));
    bag.writeProperty(QStringLiteral("Count"), std::int32_t(-123456), std::int32_t(0));
    bag.writeProperty(QStringLiteral("Ratio"), 0.82f, 0.0f);
    bag.writeProperty(QStringLiteral("Bevel"), false, true);
    bag.writeProperty(QStringLiteral("BackColor"), ButtonFaceColor, OleColor(0));
    bag.writeProperty(QStringLiteral("Font"), font, Variant());
    bag.writeProperty(QStringLiteral("Picture"), Picture::fromImage(gradient(17, 9)), Variant());
    bag.writeProperty(QStringLiteral("MouseIcon"),
                      Picture::fromIcon(gradient(16, 16), QPoint(2, 5)), Variant());
    bag.writeProperty(QStringLiteral("Meta"), metafile(Picture::Metafile), Variant());
    bag.writeProperty(QStringLiteral("EnhMeta"), metafile(Picture::EnhMetafile), Variant());
    bag.writeProperty(QStringLiteral("NoPicture"), Ref<Picture>(),
                      Picture::fromImage(gradient(1, 1)));
    return bag;
}

void compareBags(const PropertyBag &a, const PropertyBag &b) {
    QCOMPARE(b.keys(), a.keys());
    for (const QString &key : a.keys()) {
        const Variant va = a.readProperty(key);
        const Variant vb = b.readProperty(key);
        QCOMPARE(vb.type(), va.type());
        if (va.type() == VariantType::Picture) {
            const Ref<Picture> pa = va.picture(), pb = vb.picture();
            QCOMPARE(bool(pb), bool(pa));
            if (!pa)
                continue;
            QCOMPARE(pb->type(), pa->type());
            QCOMPARE(pb->width(), pa->width());
            QCOMPARE(pb->height(), pa->height());
            QCOMPARE(pb->hotSpot(), pa->hotSpot());
            QCOMPARE(pb->toImage().convertToFormat(QImage::Format_ARGB32),
                     pa->toImage().convertToFormat(QImage::Format_ARGB32));
        } else {
            QVERIFY2(va == vb, qPrintable(key + QStringLiteral(": ") + va.debugString() +
                                          QStringLiteral(" / ") + vb.debugString()));
        }
    }
}

// A bag file of checked lines, as PropertyBag writes them, from bodies ("<key> <type> ...").
QByteArray bagOf(const QList<QByteArray> &bodies) {
    QByteArray out = "KestrumPropertyBag 1\n";
    const auto line = [&](const QByteArray &body) {
        out += QByteArray::number(qChecksum(body), 16).rightJustified(4, '0') + ' ' + body + '\n';
    };
    for (const QByteArray &body : bodies)
        line(body);
    line("#end " + QByteArray::number(bodies.size()));
    return out;
}

QByteArray png(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray recordingBytes(const std::function<void(QPainter &)> &draw) {
    QPicture recording;
    {
        QPainter p(&recording);
        draw(p);
    }
    return QByteArray(recording.data(), qsizetype(recording.size()));
}

} // namespace

class TestPropertyBag : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsDefaultsForMissingKeys();
    void leavesOutValuesEqualToDefaults();
    void readConvertsToTheDefaultsType();
    void roundTripsEveryKindThroughAFile();
    void sharedObjectsStayShared();
    void missingFile();
    void everyTruncationFallsBackAndReports();
    void damagedRecordsFallBackAndReport_data();
    void damagedRecordsFallBackAndReport();
    void unwritableFileKeepsTheOldOne();
    void picturesOverTheLimitsReadAsDefaults_data();
    void picturesOverTheLimitsReadAsDefaults();
    void nonFiniteNumbersAreRefused_data();
    void nonFiniteNumbersAreRefused();
    void onlyRegularFilesAreReadOrReplaced();
};

void TestPropertyBag::readsDefaultsForMissingKeys() {
    PropertyBag bag;
    QCOMPARE(bag.readProperty(QStringLiteral("Bevel"), true).boolean(), true);
    QCOMPARE(bag.readProperty(QStringLiteral("Caption"), QStringLiteral("Glimmet1")).string(),
             QStringLiteral("Glimmet1"));
    QVERIFY(bag.readProperty(QStringLiteral("Picture")).isEmpty());
}

void TestPropertyBag::leavesOutValuesEqualToDefaults() {
    PropertyBag bag;
    bag.writeProperty(QStringLiteral("Mode"), std::int16_t(1), std::int16_t(0));
    QVERIFY(bag.contains(QStringLiteral("Mode")));
    bag.writeProperty(QStringLiteral("Mode"), std::int16_t(0),
                      std::int16_t(0)); // back to the default: removed
    QVERIFY(!bag.contains(QStringLiteral("Mode")));
    bag.writeProperty(QStringLiteral("Mode"), std::int16_t(0),
                      std::int32_t(0)); // same number, other width
    QVERIFY(!bag.contains(QStringLiteral("Mode")));
    bag.writeProperty(QStringLiteral("Bevel"), true, true);
    bag.writeProperty(QStringLiteral("BackColor"), ButtonFaceColor, ButtonFaceColor);
    bag.writeProperty(QStringLiteral("Picture"), Ref<Picture>(), Variant());
    Ref<Font> ambient = makeRef<Font>(QFont(QStringLiteral("DejaVu Sans"), 8));
    bag.writeProperty(QStringLiteral("Font"), ambient->clone(), ambient); // equal attributes
    QCOMPARE(bag.size(), 0);
    // and the defaults still read back
    QCOMPARE(bag.readProperty(QStringLiteral("Bevel"), true).boolean(), true);
    QVERIFY(bag.readProperty(QStringLiteral("Font"), ambient).font() == ambient);
}

void TestPropertyBag::readConvertsToTheDefaultsType() {
    PropertyBag bag;
    bag.writeProperty(QStringLiteral("Mode"), std::int32_t(2));
    bag.writeProperty(QStringLiteral("Caption"), Picture::fromImage(gradient(2, 2)));
    const Variant mode = bag.readProperty(QStringLiteral("Mode"), std::int16_t(0));
    QCOMPARE(mode.type(), VariantType::Int16);
    QCOMPARE(mode.int16(), std::int16_t(2));
    // A value of the wrong kind (a damaged store) gives the default.
    QCOMPARE(bag.readProperty(QStringLiteral("Caption"), QStringLiteral("Glimmet1")).string(),
             QStringLiteral("Glimmet1"));
}

void TestPropertyBag::roundTripsEveryKindThroughAFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.bag"));
    const PropertyBag saved = fullBag();
    QString error;
    QCOMPARE(saved.save(path, &error), StatusOk);
    PropertyBag loaded;
    QCOMPARE(loaded.load(path, &error), StatusOk);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    compareBags(saved, loaded);
    const Ref<Font> font = loaded.readProperty(QStringLiteral("Font")).font();
    QCOMPARE(font->size(), 8.25);
    QVERIFY(font->bold() && font->italic() && font->strikethrough() && !font->underline());
    QCOMPARE(font->charset(), std::int16_t(2));
}

void TestPropertyBag::sharedObjectsStayShared() {
    PropertyBag bag;
    Ref<Picture> picture = Picture::fromImage(gradient(4, 4));
    bag.writeProperty(QStringLiteral("Picture"), picture);
    QVERIFY(bag.readProperty(QStringLiteral("Picture")).picture() == picture); // no copy in memory
}

void TestPropertyBag::missingFile() {
    QTemporaryDir dir;
    PropertyBag bag = fullBag();
    QString error;
    QCOMPARE(bag.load(dir.filePath(QStringLiteral("nothing.bag")), &error), StatusFileNotFound);
    QVERIFY(error.contains(QStringLiteral("nothing.bag")));
    QCOMPARE(bag.size(), 0);
    QCOMPARE(bag.readProperty(QStringLiteral("Bevel"), true).boolean(), true);
}

void TestPropertyBag::everyTruncationFallsBackAndReports() {
    const PropertyBag saved = fullBag();
    const QByteArray bytes = saved.toBytes();
    // Cut the data at every length (short of the final line break, which loses nothing): nothing
    // crashes, every cut is reported, and every key reads
    // either its saved value or its default - never a damaged value.
    for (int length = 0; length < bytes.size() - 1; length += (length < 200 ? 1 : 37)) {
        PropertyBag bag;
        QString error;
        QCOMPARE(bag.fromBytes(bytes.left(length), &error), StatusInvalidData);
        QVERIFY(!error.isEmpty());
        for (const QString &key : bag.keys()) {
            const Variant read = bag.readProperty(key);
            const Variant original = saved.readProperty(key);
            QCOMPARE(read.type(), original.type());
            if (read.type() != VariantType::Picture && read.type() != VariantType::Font)
                QVERIFY2(read == original,
                         qPrintable(QStringLiteral("length %1 key %2").arg(length).arg(key)));
        }
    }
}

void TestPropertyBag::damagedRecordsFallBackAndReport_data() {
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("lostKey");
    QTest::newRow("flipped digit")
        << QByteArrayLiteral("i16 2") << QByteArrayLiteral("i16 3") << QStringLiteral("Mode");
    QTest::newRow("bad bool") << QByteArrayLiteral("bool 0") << QByteArrayLiteral("bool 5")
                              << QStringLiteral("Bevel");
    QTest::newRow("bad first line") << QByteArrayLiteral("KestrumPropertyBag 1")
                                    << QByteArrayLiteral("KestrumPropertyBag 9") << QString();
}

void TestPropertyBag::damagedRecordsFallBackAndReport() {
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, lostKey);
    const PropertyBag saved = fullBag();
    QByteArray bytes = saved.toBytes();
    QVERIFY(bytes.contains(from));
    bytes.replace(from, to);
    PropertyBag bag;
    QString error;
    QCOMPARE(bag.fromBytes(bytes, &error), StatusInvalidData);
    QVERIFY(!error.isEmpty());
    if (lostKey.isEmpty()) {
        QCOMPARE(bag.size(), 0); // not a bag at all: everything reads its default
        return;
    }
    QVERIFY(!bag.contains(lostKey));
    QCOMPARE(bag.size(), saved.size() - 1); // the other records still read
    QVERIFY(bag.readProperty(QStringLiteral("Caption")) ==
            saved.readProperty(QStringLiteral("Caption")));
}

void TestPropertyBag::unwritableFileKeepsTheOldOne() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/form.bag"));
    QString error;
    QCOMPARE(fullBag().save(path, &error), StatusWriteFault); // no such folder
    QVERIFY(error.contains(QStringLiteral("form.bag")));
    QVERIFY(!QFile::exists(path));
}

void TestPropertyBag::picturesOverTheLimitsReadAsDefaults_data() {
    QTest::addColumn<QList<QByteArray>>("bodies");
    QTest::addColumn<QStringList>("lost");
    QTest::addColumn<QString>("says");
    const QByteArray rect =
        recordingBytes([](QPainter &p) { p.drawRect(0, 0, 10, 10); }).toBase64();
    // 800000 HIMETRIC is 30236 pixels a side: 3.6 GB to draw.
    QTest::newRow("a metafile of 30236 x 30236 pixels")
        << QList<QByteArray>{"Picture pic 2 800000 800000 0 0 " + rect, "Bevel bool 0"}
        << QStringList{"Picture"} << "30236 x 30236 pixels";
    QTest::newRow("a metafile of 2^31 HIMETRIC")
        << QList<QByteArray>{"Picture pic 2 2147483647 2147483647 0 0 " + rect, "Bevel bool 0"}
        << QStringList{"Picture"} << "over the limit";
    QByteArray polygon = recordingBytes([](QPainter &p) {
        p.drawPolygon(QPolygonF{{0, 0}, {5, 0}, {0, 5}});
    });
    const qsizetype count = polygon.indexOf(QByteArray("\x00\x00\x00\x03", 4));
    polygon.replace(count, 4, QByteArray("\xFF\xFF\xFF\xF0", 4));
    const quint16 sum = qChecksum(QByteArrayView(polygon).sliced(6));
    polygon[4] = char(sum >> 8);
    polygon[5] = char(sum & 0xFF);
    QTest::newRow("a recorded polygon of 0xFFFFFFF0 points")
        << QList<QByteArray>{"Picture pic 2 2000 2000 0 0 " + polygon.toBase64(), "Bevel bool 0"}
        << QStringList{"Picture"} << "4294967280 items";
    QTest::newRow("an image of 5700 x 5700 pixels")
        << QList<QByteArray>{"Picture pic 1 150812 150812 0 0 " + png(5700, 5700).toBase64(),
                             "Bevel bool 0"}
        << QStringList{"Picture"} << "5700 x 5700 pixels";
    // 4096 x 2048 pixels are 32 MiB each: four of them fill the 128 MiB of a bag.
    QList<QByteArray> many;
    const QByteArray big = png(4096, 2048).toBase64();
    for (int i = 0; i < 6; ++i)
        many << "Picture" + QByteArray::number(i) + " pic 1 108373 54187 0 0 " + big;
    many << "Bevel bool 0";
    QTest::newRow("six images of 32 MiB")
        << many << QStringList{"Picture4", "Picture5"} << "more than the 128 MiB";
}

// A bag may come from anywhere: a picture that would make us allocate more than the limits
// reads as its default, and the read says so; the bag's other values still read.
void TestPropertyBag::picturesOverTheLimitsReadAsDefaults() {
    QFETCH(QList<QByteArray>, bodies);
    QFETCH(QStringList, lost);
    QFETCH(QString, says);
    PropertyBag bag;
    QString error;
    QCOMPARE(bag.fromBytes(bagOf(bodies), &error), StatusInvalidData);
    QVERIFY2(error.contains(says), qPrintable(error));
    for (const QString &key : lost) {
        QVERIFY2(!bag.contains(key), qPrintable(key));
        QVERIFY(!bag.readProperty(key, Variant(Ref<Picture>())).picture());
    }
    QCOMPARE(bag.size(), bodies.size() - lost.size());
    QCOMPARE(bag.readProperty(QStringLiteral("Bevel"), true).boolean(), false);
}

void TestPropertyBag::nonFiniteNumbersAreRefused_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("f32 nan") << QByteArray("Ratio f32 nan");
    QTest::newRow("f32 inf") << QByteArray("Ratio f32 inf");
    QTest::newRow("f32 -inf") << QByteArray("Ratio f32 -inf");
    QTest::newRow("font size nan") << QByteArray("Ratio font DejaVu%20Serif nan 400 0 0 0 0");
    QTest::newRow("font size inf") << QByteArray("Ratio font DejaVu%20Serif inf 400 0 0 0 0");
}

// A font of "nan" points passed the range check, was kept as -0.75 points and lost on the next
// load: such numbers are refused where they are read and where they are written.
void TestPropertyBag::nonFiniteNumbersAreRefused() {
    QFETCH(QByteArray, body);
    PropertyBag read;
    QString error;
    QCOMPARE(read.fromBytes(bagOf({body, "Bevel bool 0"}), &error), StatusInvalidData);
    QVERIFY(!read.contains(QStringLiteral("Ratio")));
    QVERIFY(read.contains(QStringLiteral("Bevel")));

    PropertyBag written;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    written.writeProperty(QStringLiteral("Ratio"), 0.5f, 0.0f);
    QCOMPARE(written.writeProperty(QStringLiteral("Ratio"), nan, 0.0f), StatusInvalidArg);
    QVERIFY(!written.contains(QStringLiteral("Ratio")));
    QFont qfont(QStringLiteral("DejaVu Serif"));
    qfont.setPointSizeF(std::numeric_limits<double>::infinity());
    if (std::isfinite(qfont.pointSizeF()))
        return; // this Qt refuses such a size itself
    const Ref<Font> font = makeRef<Font>(qfont);
    QCOMPARE(written.writeProperty(QStringLiteral("Font"), font, Variant()), StatusInvalidArg);
    QVERIFY(!written.toBytes().contains("inf"));
}

// A bag file is read only when it is a regular file (a FIFO would hang the reader) and saved
// only over one.
void TestPropertyBag::onlyRegularFilesAreReadOrReplaced() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("form.bag"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    PropertyBag bag = fullBag();
    QString error;
    QCOMPARE(bag.load(fifo, &error), StatusReadFault);
    QVERIFY2(error.contains(QStringLiteral("not a regular file (a FIFO)")), qPrintable(error));
    QCOMPARE(fullBag().save(fifo, &error), StatusWriteFault);
    QVERIFY2(error.contains(QStringLiteral("not a regular file (a FIFO)")), qPrintable(error));
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
}

QTEST_MAIN(TestPropertyBag)
#include "tst_propertybag.moc"
