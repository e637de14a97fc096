// Property bags: read/write with defaults, and the file format under damage.
#include "runtime/propertybag.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

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

QTEST_MAIN(TestPropertyBag)
#include "tst_propertybag.moc"
