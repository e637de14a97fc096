// Glimmet properties, persistence, information box, rendering and grey picture.
#include "glimmet.h"
#include "glimmetgrey.h"
#include "glimmettestsupport.h"

#include "runtime/messagebox.h"

#include <QtTest>

#include <functional>

using namespace kestrum;
using namespace kestrum::test;
// The control's boxes go to its host, here the test.
using MessageBox = kestrum::runtime::HostMessageBox;

namespace {

constexpr std::uint32_t ButtonFace = 0x8000000Fu;

// A control hosted by `site`, created the way a host creates a new one.
struct Hosted {
    FakeSite site;
    Glimmet glimmet;
    explicit Hosted(bool userMode = true) {
        site.userMode = userMode;
        glimmet.context().setSite(&site);
    }
};

QRgb pixelAt(const Glimmet &g, int x, int y) {
    return g.surface().image().pixel(x, y) & 0xFFFFFF;
}

} // namespace

class TestGlimmet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // ---- properties ----
    void freshInstanceStartsEmpty();
    void settersNotifyByKey();
    void pictureFills();
    void grayScaleRules();
    void surfaceValuesReadBack();
    void bevelVisibilityFollowsDesignMode();
    void mouseIconAcceptsOnlyIcons();
    void failingHostCallIsReturned();

    // ---- life cycle ----
    void initPropertiesTakesHostValues();
    void informationBoxOnlyInDesignMode();
    void persistenceRoundTrip();
    void persistenceDefaults();
    void saveInHighStateWritesCurrentValues();

    // ---- rendering ----
    void backColourPerState();
    void captionCentred();
    void pictureCentredCaptionLow();
    void metafileFromTopLeft();
    void invalidStateLeavesClearedSurface();
    void resizeLaysOutAgain();

    // ---- grey picture ----
    void greyValues_data();
    void greyValues();
    void greyValueMaximum();
    void grayScalePictureGenerated();
    void hugeHighPictureConvertedWhereItMeetsTheSurface();
};

void TestGlimmet::freshInstanceStartsEmpty() {
    Glimmet g;
    QVERIFY(!g.getPicture() && !g.getHighPicture() && !g.getDownPicture() && !g.getMouseIcon());
    QCOMPARE(g.getCaption(), QString());
    QCOMPARE(g.getBevel(), false);
    QCOMPARE(g.getGrayScale(), false);
    QCOMPARE(g.getmode(), std::int16_t(0));
    QCOMPARE(g.mouseInside(), false);
    QCOMPARE(g.storedBackColor().value, 0u);
    QCOMPARE(g.getHighBackColor().value, 0u);
    for (auto edge : {Glimmet::lx, Glimmet::ly, Glimmet::rx, Glimmet::ry})
        QVERIFY(!g.bevelLine(edge).visible);
    // Design size 4815 x 3630 twips, and the lines placed for it.
    QCOMPARE(g.size(), QSize(321, 242));
    QCOMPARE(g.bevelLine(Glimmet::lx).x2, 4815.0f);
    QCOMPARE(g.bevelLine(Glimmet::ry).x1, 4800.0f);
    QCOMPARE(g.bevelLine(Glimmet::rx).y1, 3615.0f);
    QCOMPARE(g.bevelLine(Glimmet::ly).y1, 15.0f);
}

void TestGlimmet::settersNotifyByKey() {
    const auto bitmap = solidBitmap({8, 8}, Qt::red);
    struct Row {
        const char *name;
        std::function<void(Hosted &)> write;
        QStringList keys;
    };
    const std::vector<Row> rows = {
        {"MouseIcon",
         [](Hosted &h) {
             h.glimmet.setMouseIcon(solidIcon({16, 16}, Qt::blue));
         },
         {"MouseIcon"}},
        {"Caption", [](Hosted &h) { h.glimmet.setCaption("a"); }, {"Caption"}},
        {"HighCaption", [](Hosted &h) { h.glimmet.setHighCaption("a"); }, {"HighCaption"}},
        {"Bevel", [](Hosted &h) { h.glimmet.setBevel(true); }, {"Bevel"}},
        {"Picture fills without notifying for the fills",
         [&](Hosted &h) { h.glimmet.setPicture(bitmap); },
         {"Picture"}},
        {"HighPicture", [&](Hosted &h) { h.glimmet.setHighPicture(bitmap); }, {"HighPicture"}},
        {"HighPicture empty notifies nothing", [](Hosted &h) { h.glimmet.setHighPicture({}); }, {}},
        {"DownPicture", [&](Hosted &h) { h.glimmet.setDownPicture(bitmap); }, {"DownPicture"}},
        {"BackColor", [](Hosted &h) { h.glimmet.setBackColor(OleColor(0x123456)); }, {"BackColor"}},
        {"Font", [](Hosted &h) { h.glimmet.setFont(makeRef<Font>()); }, {"Font"}},
        {"ForeColor", [](Hosted &h) { h.glimmet.setForeColor(OleColor(0x123456)); }, {"ForeColor"}},
        {"GrayScale", [](Hosted &h) { h.glimmet.setGrayScale(true); }, {"GrayScale"}},
        {"HighBackColor",
         [](Hosted &h) { h.glimmet.setHighBackColor(OleColor(1)); },
         {"HighBackColor"}},
        {"HighForeColor",
         [](Hosted &h) { h.glimmet.setHighForeColor(OleColor(1)); },
         {"HighForeColor"}},
        {"HighFont", [](Hosted &h) { h.glimmet.setHighFont(makeRef<Font>()); }, {"HighFont"}},
        {"Picture with GrayScale on does nothing",
         [&](Hosted &h) {
             h.glimmet.setGrayScale(true);
             h.site.changed.clear();
             h.glimmet.setPicture(bitmap);
         },
         {}},
        {"HighPicture with GrayScale on makes the grey Picture first",
         [&](Hosted &h) {
             h.glimmet.setGrayScale(true);
             h.site.changed.clear();
             h.glimmet.setHighPicture(bitmap);
         },
         {"Picture", "HighPicture"}},
    };
    for (const Row &row : rows) {
        Hosted h;
        row.write(h);
        QVERIFY2(h.site.changed == row.keys,
                 qPrintable(QStringLiteral("%1: %2").arg(row.name, h.site.changed.join(','))));
    }
}

void TestGlimmet::pictureFills() {
    const auto a = solidBitmap({8, 8}, Qt::red);
    const auto b = solidBitmap({8, 8}, Qt::green);
    {
        Glimmet g;
        g.setPicture(a);
        QVERIFY(g.getPicture() == a && g.getHighPicture() == a && g.getDownPicture() == a);
        g.setHighPicture(b);
        QVERIFY(g.getPicture() == a && g.getHighPicture() == b && g.getDownPicture() == a);
        g.setHighPicture({});
        QVERIFY(!g.getHighPicture());
        QVERIFY(g.getPicture() == a && g.getDownPicture() == a);
    }
    {
        Glimmet g; // HighPicture fills an empty DownPicture only
        g.setHighPicture(a);
        QVERIFY(g.getDownPicture() == a && !g.getPicture());
        g.setHighPicture(b);
        QVERIFY(g.getDownPicture() == a);
    }
    {
        Glimmet g; // DownPicture fills HighPicture, without a grey copy even with GrayScale on
        g.setGrayScale(true);
        g.setDownPicture(a);
        QVERIFY(g.getHighPicture() == a && !g.getPicture());
    }
}

void TestGlimmet::grayScaleRules() {
    const auto a = solidBitmap({8, 8}, Qt::red);
    Glimmet g;
    g.setPicture(a);
    g.setGrayScale(true); // no conversion yet
    QVERIFY(g.getPicture() == a);
    g.setPicture(solidBitmap({8, 8}, Qt::blue)); // ignored while GrayScale is on
    QVERIFY(g.getPicture() == a);
    g.setHighPicture(solidBitmap({8, 8}, Qt::blue));
    QVERIFY(g.getPicture() && g.getPicture() != a);
    QCOMPARE(g.getPicture()->type(), Picture::Bitmap);
}

void TestGlimmet::surfaceValuesReadBack() {
    Glimmet g;
    const auto font = makeRef<Font>();
    const auto highFont = makeRef<Font>();
    g.setBackColor(OleColor(0x111111));
    g.setForeColor(OleColor(0x222222));
    g.setFont(font);
    g.setHighBackColor(OleColor(0x333333));
    g.setHighForeColor(OleColor(0x444444));
    g.setHighFont(highFont);
    QCOMPARE(g.getBackColor().value, 0x111111u);
    g.DrawState(1);
    QCOMPARE(g.getBackColor().value, 0x333333u);
    QCOMPARE(g.getForeColor().value, 0x444444u);
    QVERIFY(g.getFont() == highFont);
    QCOMPARE(g.storedBackColor().value, 0x111111u);
    g.DrawState(0);
    QCOMPARE(g.getForeColor().value, 0x222222u);
    QVERIFY(g.getFont() == font);
}

void TestGlimmet::bevelVisibilityFollowsDesignMode() {
    for (bool userMode : {false, true}) {
        Hosted h(userMode);
        h.glimmet.setBevel(true);
        QCOMPARE(h.glimmet.bevelLine(Glimmet::lx).visible, !userMode);
        QCOMPARE(h.glimmet.bevelLine(Glimmet::ry).visible, !userMode);
        h.glimmet.setBevel(false);
        QVERIFY(!h.glimmet.bevelLine(Glimmet::ly).visible);
        QCOMPARE(h.glimmet.getBevel(), false);
    }
}

void TestGlimmet::mouseIconAcceptsOnlyIcons() {
    std::vector<MessageBox::Request> boxes;
    MessageBox::ScopedHook hook([&](const MessageBox::Request &r) {
        boxes.push_back(r);
        return MessageBox::Answer::Ok;
    });
    Hosted h;
    const auto icon = solidIcon({16, 16}, Qt::blue);
    QCOMPARE(h.glimmet.setMouseIcon(icon), StatusOk);
    QVERIFY(boxes.empty());
    for (const auto &bad : {solidBitmap({8, 8}, Qt::red), solidMetafile({8, 8}, Qt::red)}) {
        h.site.changed.clear();
        QCOMPARE(h.glimmet.setMouseIcon(bad), StatusInvalidArg);
        QVERIFY(h.glimmet.getMouseIcon() == icon);
        QVERIFY(h.site.changed.isEmpty());
    }
    QCOMPARE(boxes.size(), size_t(2));
    QCOMPARE(boxes[0].title, QStringLiteral("It's not an Icon"));
    QCOMPARE(
        boxes[0].text,
        QStringLiteral("Have you Ever seen a picture or a metafile as a Mouse Icon? The picture "
                       "you selected is invalid for this puspose."));
    QCOMPARE(boxes[0].icon, MessageBox::Icon::Critical);
    QCOMPARE(boxes[0].buttons, MessageBox::Buttons::Ok);
    QCOMPARE(h.glimmet.setMouseIcon({}), StatusOk); // empty is accepted
    QVERIFY(!h.glimmet.getMouseIcon());

    // Restored from saved data any picture type is accepted.
    PropertyBag bag;
    const auto bitmap = solidBitmap({8, 8}, Qt::red);
    bag.writeProperty("MouseIcon", bitmap, Variant(Ref<Picture>()));
    Glimmet restored;
    QCOMPARE(restored.ReadProperties(bag), StatusOk);
    QVERIFY(restored.getMouseIcon() == bitmap);
    QCOMPARE(boxes.size(), size_t(2));
}

void TestGlimmet::failingHostCallIsReturned() {
    Hosted h;
    h.site.failNotify = StatusFail;
    QCOMPARE(h.glimmet.setCaption("kept"), StatusFail);
    QCOMPARE(h.glimmet.getCaption(), QStringLiteral("kept"));
    QCOMPARE(h.glimmet.setHighBackColor(OleColor(5)), StatusFail);
    QCOMPARE(h.glimmet.getHighBackColor().value, 5u);
    h.site.failNotify = StatusOk;
    h.site.failAmbient = StatusAccessDenied;
    QCOMPARE(h.glimmet.setBevel(true), StatusAccessDenied);
    QCOMPARE(h.glimmet.getBevel(), true);
    QVERIFY(h.site.changed.isEmpty()); // ended before notifying
    QCOMPARE(h.glimmet.InitProperties(), StatusAccessDenied);
    PropertyBag bag;
    QCOMPARE(h.glimmet.WriteProperties(bag), StatusAccessDenied);
    QVERIFY(bag.contains("BackColor") && !bag.contains("HighBackColor")); // up to the failure
    bag.writeProperty("HighBackColor", OleColor(0x123456), OleColor(0x8000000F));
    bag.writeProperty("HighCaption", QStringLiteral("later"), QString());
    QCOMPARE(h.glimmet.ReadProperties(bag), StatusAccessDenied);
    QCOMPARE(h.glimmet.getHighBackColor().value, 0x123456u);          // read before the failure
    QCOMPARE(h.glimmet.getHighCaption(), QStringLiteral("Glimmet1")); // never reached
}

void TestGlimmet::initPropertiesTakesHostValues() {
    Hosted h;
    h.glimmet.setPicture(solidBitmap({8, 8}, Qt::red));
    QCOMPARE(h.glimmet.InitProperties(), StatusOk);
    Glimmet &g = h.glimmet;
    QVERIFY(!g.getPicture() && !g.getHighPicture() && !g.getDownPicture() && !g.getMouseIcon());
    QCOMPARE(g.getCaption(), QStringLiteral("Glimmet1"));
    QCOMPARE(g.getHighCaption(), QStringLiteral("Glimmet1"));
    QVERIFY(g.storedFont() == h.site.font && g.getHighFont() == h.site.font);
    QCOMPARE(g.storedBackColor().value, ButtonFace);
    QCOMPARE(g.getHighBackColor().value, ButtonFace);
    QCOMPARE(g.storedForeColor().value, 0u);
    QCOMPARE(g.getBevel(), false);
    QCOMPARE(g.getGrayScale(), false);
}

void TestGlimmet::informationBoxOnlyInDesignMode() {
    for (bool userMode : {true, false}) {
        std::vector<MessageBox::Request> boxes;
        MessageBox::ScopedHook hook([&](const MessageBox::Request &r) {
            boxes.push_back(r);
            return MessageBox::Answer::Ok;
        });
        Hosted h(userMode);
        QCOMPARE(h.glimmet.InitProperties(), StatusOk);
        if (userMode) {
            QVERIFY(boxes.empty());
            continue;
        }
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes[0].title, QStringLiteral("Thank You For Using This Control"));
        const QStringList lines = boxes[0].text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines, QStringList({"", "GLIMMET", "Easy and User Friendly Lumatrel for VB",
                                     "Version:2.1.3"}));
        QCOMPARE(boxes[0].buttons, MessageBox::Buttons::Ok);
        QCOMPARE(boxes[0].icon, MessageBox::Icon::None);
        QVERIFY(boxes[0].systemModal);
    }
}

void TestGlimmet::persistenceRoundTrip() {
    Hosted source;
    Glimmet &g = source.glimmet;
    g.InitProperties();
    const auto down = solidBitmap({10, 6}, Qt::yellow);
    const auto cursorIcon = solidIcon({16, 16}, Qt::blue);
    const auto font = makeRef<Font>(QFont(QStringLiteral("DejaVu Serif"), 14));
    const auto highFont = makeRef<Font>(QFont(QStringLiteral("DejaVu Sans Mono"), 9));
    highFont->setItalic(true);
    g.setDownPicture(down);
    g.setMouseIcon(cursorIcon);
    g.setCaption(QStringLiteral("Normal"));
    g.setHighCaption(QStringLiteral("High"));
    g.setBevel(false);
    g.setBackColor(OleColor(0x102030));
    g.setForeColor(OleColor(0x405060));
    g.setFont(font);
    g.setHighBackColor(OleColor(0x708090));
    g.setHighForeColor(OleColor(0xA0B0C0));
    g.setHighFont(highFont);
    g.setGrayScale(true);
    g.setHighPicture(solidBitmap({20, 12}, QColor(0x30, 0x20, 0x10))); // generates the grey Picture
    const QImage grey = g.getPicture()->toImage();

    PropertyBag saved;
    QCOMPARE(g.WriteProperties(saved), StatusOk);
    PropertyBag bag;
    QCOMPARE(bag.fromBytes(saved.toBytes()), StatusOk); // through the file format

    Hosted target;
    Glimmet &r = target.glimmet;
    QCOMPARE(r.ReadProperties(bag), StatusOk);
    QVERIFY(target.site.changed.isEmpty()); // restored, not generated again
    QCOMPARE(r.getPicture()->toImage().convertToFormat(QImage::Format_RGB32),
             grey.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(r.getPicture()->toImage().pixel(0, 0) & 0xFFFFFF, qRgb(32, 32, 32) & 0xFFFFFF);
    QCOMPARE(r.getHighPicture()->toImage().pixel(0, 0) & 0xFFFFFF,
             qRgb(0x30, 0x20, 0x10) & 0xFFFFFF);
    QCOMPARE(r.getDownPicture()->pixelSize(), QSize(10, 6));
    QCOMPARE(r.getMouseIcon()->type(), Picture::Icon);
    QCOMPARE(r.getCaption(), QStringLiteral("Normal"));
    QCOMPARE(r.getHighCaption(), QStringLiteral("High"));
    QCOMPARE(r.getBevel(), false);
    QCOMPARE(r.getGrayScale(), true);
    QCOMPARE(r.storedBackColor().value, 0x102030u);
    QCOMPARE(r.getBackColor().value, 0x102030u); // the surface's too
    QCOMPARE(r.storedForeColor().value, 0x405060u);
    QCOMPARE(r.getForeColor().value, 0x405060u);
    QVERIFY(r.storedFont()->sameAs(*font));
    QVERIFY(r.getFont()->sameAs(*font));
    QCOMPARE(r.getHighBackColor().value, 0x708090u);
    QCOMPARE(r.getHighForeColor().value, 0xA0B0C0u);
    QVERIFY(r.getHighFont()->sameAs(*highFont));
    QCOMPARE(r.getmode(), std::int16_t(0));
}

void TestGlimmet::persistenceDefaults() {
    // A new control leaves out every value equal to its default, but Bevel false is not the
    // default true and is written.
    Hosted h;
    h.glimmet.InitProperties();
    h.glimmet.Show(); // as a designer shows it: the surface takes the normal values
    PropertyBag bag;
    QCOMPARE(h.glimmet.WriteProperties(bag), StatusOk);
    QCOMPARE(bag.keys(), QStringList({"Bevel"}));

    Hosted r;
    QCOMPARE(r.glimmet.ReadProperties(bag), StatusOk);
    QCOMPARE(r.glimmet.getBevel(), false);
    QCOMPARE(r.glimmet.getCaption(), QStringLiteral("Glimmet1"));
    QVERIFY(r.glimmet.storedFont() == r.site.font);
    QCOMPARE(r.glimmet.storedBackColor().value, ButtonFace);

    // Saved data without "Bevel" reads Bevel true; in design mode the lines show.
    Hosted design(false);
    QCOMPARE(design.glimmet.ReadProperties(PropertyBag()), StatusOk);
    QCOMPARE(design.glimmet.getBevel(), true);
    QVERIFY(design.glimmet.bevelLine(Glimmet::lx).visible);
    Hosted run(true);
    run.glimmet.ReadProperties(PropertyBag());
    QVERIFY(!run.glimmet.bevelLine(Glimmet::lx).visible);
}

void TestGlimmet::saveInHighStateWritesCurrentValues() {
    Hosted h;
    h.glimmet.InitProperties();
    h.glimmet.setHighForeColor(OleColor(0x0000FF));
    h.glimmet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.glimmet));
    QTest::mouseMove(&h.glimmet, QPoint(20, 20));
    QTRY_COMPARE(h.glimmet.getmode(), std::int16_t(1));
    PropertyBag bag;
    h.glimmet.WriteProperties(bag);
    QCOMPARE(bag.readProperty("ForeColor", OleColor(0)).color().value, 0x0000FFu);
    QCOMPARE(bag.readProperty("Mode", std::int16_t(0)).int16(), std::int16_t(1));
    QVERIFY(!bag.contains("mode"));
    h.glimmet.releaseMouse();
}

// ---- rendering ------------------------------------------------------------------------------

void TestGlimmet::backColourPerState() {
    Glimmet g;
    g.setBackColor(OleColor(0x0000FF));
    g.setHighBackColor(OleColor(0x00FF00));
    g.setPicture(solidBitmap({10, 10}, Qt::blue));
    g.setDownPicture(solidBitmap({10, 10}, Qt::yellow));
    struct Row {
        std::int16_t state;
        QRgb back;
        QRgb centre;
    };
    for (const Row &row :
         {Row{0, qRgb(255, 0, 0), qRgb(0, 0, 255)}, Row{1, qRgb(0, 255, 0), qRgb(0, 0, 255)},
          Row{2, qRgb(0, 255, 0), qRgb(255, 255, 0)}}) {
        g.DrawState(row.state);
        QCOMPARE(pixelAt(g, 2, 2), row.back & 0xFFFFFF);
        QCOMPARE(pixelAt(g, 160, 121), row.centre & 0xFFFFFF);
        QCOMPARE(g.getmode(), std::int16_t(0)); // drawing never changes the state
    }
}

void TestGlimmet::captionCentred() {
    Glimmet g;
    g.setBackColor(OleColor(0xFFFFFF));
    g.setFont(makeRef<Font>(QFont(QStringLiteral("DejaVu Sans"), 20)));
    g.setCaption(QStringLiteral("MMMM"));
    g.setHighForeColor(OleColor(0x0000FF));
    g.setHighBackColor(OleColor(0xFFFFFF));
    g.setHighFont(makeRef<Font>(QFont(QStringLiteral("DejaVu Sans"), 20)));
    g.setHighCaption(QStringLiteral("HHHH"));
    for (std::int16_t state :
         {0, 2}) { // state 2 without DownPicture: HighCaption, centred, high colours
        g.DrawState(state);
        const QRect ink = inkBounds(g.surface().image(), Qt::white);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(qAbs(ink.center().x() - 160) <= 2, qPrintable(QString::number(ink.center().x())));
        QVERIFY2(qAbs(ink.center().y() - 121) <= 4, qPrintable(QString::number(ink.center().y())));
        const QRgb expected = state == 0 ? qRgb(0, 0, 0) : qRgb(255, 0, 0);
        // The darkest ink pixel has the fore colour.
        bool found = false;
        for (int y = ink.top(); y <= ink.bottom() && !found; ++y)
            for (int x = ink.left(); x <= ink.right() && !found; ++x)
                found = (g.surface().image().pixel(x, y) & 0xFFFFFF) == (expected & 0xFFFFFF);
        QVERIFY(found);
    }
}

void TestGlimmet::pictureCentredCaptionLow() {
    Glimmet g;
    g.resize(300, 200);
    g.setBackColor(OleColor(0xFFFFFF));
    g.setForeColor(OleColor(0x0000FF));
    g.setFont(makeRef<Font>(QFont(QStringLiteral("DejaVu Sans"), 12)));
    g.setCaption(QStringLiteral("Go"));
    g.setPicture(solidBitmap({40, 20}, Qt::green));
    const QImage &image = g.surface().image();
    const QRect pictureBox = inkBounds(image, Qt::white, QRect(0, 0, 300, 130));
    QCOMPARE(pictureBox, QRect(130, 90, 40, 20));
    const QRect textBox = inkBounds(image, Qt::white, QRect(0, 130, 300, 70));
    QVERIFY(!textBox.isEmpty());
    // The caption's middle sits on the line at 82 % of the height (164 px).
    QVERIFY2(qAbs((textBox.top() + textBox.bottom()) / 2.0 - 164) <= 4,
             qPrintable(QString::number(textBox.center().y())));
    QVERIFY(qAbs(textBox.center().x() - 150) <= 2);
}

void TestGlimmet::metafileFromTopLeft() {
    Glimmet g;
    g.setBackColor(OleColor(0xFFFFFF));
    g.setCaption(QString());
    g.setPicture(solidMetafile({30, 16}, Qt::red));
    QCOMPARE(inkBounds(g.surface().image(), Qt::white), QRect(0, 0, 30, 16));
    // An enhanced metafile is drawn centred like an image.
    g.setPicture({});
    Glimmet e;
    e.setBackColor(OleColor(0xFFFFFF));
    QPicture recording;
    {
        QPainter p(&recording);
        p.fillRect(QRect(0, 0, 30, 16), Qt::red);
    }
    e.setPicture(Picture::fromRecording(
        recording, QSize(Picture::pixelsToHimetric(30), Picture::pixelsToHimetric(16)),
        Picture::EnhMetafile));
    const QRect box = inkBounds(e.surface().image(), Qt::white);
    QVERIFY2(qAbs(box.center().x() - 160) <= 1 && qAbs(box.center().y() - 121) <= 1,
             qPrintable(QString::number(box.x())));
}

void TestGlimmet::invalidStateLeavesClearedSurface() {
    Glimmet g;
    g.setBackColor(OleColor(0x00FFFF));
    g.setCaption(QStringLiteral("Text"));
    g.setPicture(solidBitmap({10, 10}, Qt::blue));
    QVERIFY(!inkBounds(g.surface().image(), QColor(255, 255, 0)).isEmpty());
    g.DrawState(3);
    QVERIFY(inkBounds(g.surface().image(), QColor(255, 255, 0)).isEmpty());
    g.DrawState(-1);
    QVERIFY(inkBounds(g.surface().image(), QColor(255, 255, 0)).isEmpty());
}

void TestGlimmet::resizeLaysOutAgain() {
    Glimmet g;
    g.setBackColor(OleColor(0xFFFFFF));
    g.setPicture(solidBitmap({20, 20}, Qt::blue));
    g.setHighPicture(solidBitmap({20, 20}, Qt::red));
    g.setHighBackColor(OleColor(0x00FF00));
    g.resize(100, 60); // hidden: Qt delivers the resize when it is shown
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    QCOMPARE(g.surface().pixelSize(), QSize(100, 60));
    QCOMPARE(g.bevelLine(Glimmet::lx).x2, 1500.0f);
    QCOMPARE(g.bevelLine(Glimmet::rx).y1, 885.0f);
    QCOMPARE(g.bevelLine(Glimmet::ry).x1, 1485.0f);
    QCOMPARE(g.bevelLine(Glimmet::ly).y2, 900.0f);
    QCOMPARE(pixelAt(g, 1, 1), qRgb(255, 255, 255) & 0xFFFFFF); // Show painted state 0
    QCOMPARE(pixelAt(g, 50, 30), qRgb(0, 0, 255) & 0xFFFFFF);

    // A resize in the high state lays out the normal picture with the surface's high colours.
    g.DrawState(1);
    QCOMPARE(pixelAt(g, 50, 30), qRgb(255, 0, 0) & 0xFFFFFF);
    g.resize(120, 80);
    QCOMPARE(g.surface().pixelSize(), QSize(120, 80));
    QCOMPARE(g.bevelLine(Glimmet::lx).x2, 1800.0f);
    QCOMPARE(pixelAt(g, 1, 1), qRgb(0, 255, 0) & 0xFFFFFF);
    QCOMPARE(pixelAt(g, 60, 40), qRgb(0, 0, 255) & 0xFFFFFF);
    QCOMPARE(g.getmode(), std::int16_t(0));
}

// ---- grey picture ---------------------------------------------------------------------------

void TestGlimmet::greyValues_data() {
    QTest::addColumn<uint>("colour");
    QTest::addColumn<int>("grey");
    QTest::newRow("0x00102030") << 0x00102030u << 32;
    QTest::newRow("pure green") << 0x0000FF00u << 120;
    QTest::newRow("pure red") << 0x000000FFu << 147;
    QTest::newRow("pure blue") << 0x00FF0000u << 104;
    QTest::newRow("white kept") << 0x00FFFFFFu << 255;
    QTest::newRow("black kept") << 0x00000000u << 0;
    QTest::newRow("grey kept") << 0x00808080u << 128;
    QTest::newRow("maximum") << 0x00FEFFFFu << 217;
}

void TestGlimmet::greyValues() {
    QFETCH(uint, colour);
    QFETCH(int, grey);
    QCOMPARE(greyValue(colour), grey);
    // The same through the image conversion (QRgb is 0xAARRGGBB).
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF)));
    convertToGrey(image, image.rect());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            QCOMPARE(image.pixel(x, y), qRgb(grey, grey, grey));
    // Only the given area changes.
    QImage partly(4, 1, QImage::Format_ARGB32);
    partly.fill(
        qRgba(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF), 200));
    const QRgb untouched = partly.pixel(3, 0);
    convertToGrey(partly, QRect(0, 0, 3, 1));
    QCOMPARE(partly.pixel(2, 0), qRgba(grey, grey, grey, 200));
    QCOMPARE(partly.pixel(3, 0), untouched);
}

void TestGlimmet::greyValueMaximum() {
    // Every colour against the formula written out plainly.
    int highest = 0;
    int mismatches = 0;
    for (std::uint32_t c = 0; c < 0x1000000u; c += 1) {
        const std::uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = c >> 16;
        const int v = greyValue(c);
        if (r == g && g == b) {
            mismatches += v != int(r);
            continue;
        }
        const double rd = r, gd = g, bd = b;
        mismatches +=
            v != int(std::nearbyint(std::sqrt((rd * rd + gd * gd / 1.5 + bd * bd / 2) / 3)));
        highest = std::max(highest, v);
    }
    QCOMPARE(mismatches, 0);
    QCOMPARE(highest, 217);
    QCOMPARE(greyValue(0x00FEFFFF), 217);
}

void TestGlimmet::grayScalePictureGenerated() {
    Hosted h;
    Glimmet &g = h.glimmet;
    g.setBackColor(OleColor(0xFFFFFF));
    g.setCaption(QString());
    g.setGrayScale(true);
    // 20 x 10: left half pure red, right half pure green.
    QImage high(20, 10, QImage::Format_RGB32);
    high.fill(Qt::red);
    for (int y = 0; y < 10; ++y)
        for (int x = 10; x < 20; ++x)
            high.setPixel(x, y, qRgb(0, 255, 0));
    h.site.changed.clear();
    QCOMPARE(g.setHighPicture(Picture::fromImage(high)), StatusOk);
    QCOMPARE(h.site.changed, QStringList({"Picture", "HighPicture"}));
    const QImage grey = g.getPicture()->toImage();
    QCOMPARE(grey.size(), g.surface().pixelSize()); // the whole surface
    QCOMPARE(grey.pixel(0, 0) & 0xFFFFFF, qRgb(147, 147, 147) & 0xFFFFFF);
    QCOMPARE(grey.pixel(19, 9) & 0xFFFFFF, qRgb(120, 120, 120) & 0xFFFFFF);
    QCOMPARE(grey.pixel(25, 5) & 0xFFFFFF, qRgb(255, 255, 255) & 0xFFFFFF); // back colour beyond
    // The normal appearance shows the grey copy centred, measured by HighPicture's size.
    g.DrawState(0);
    QCOMPARE(inkBounds(g.surface().image(), Qt::white), QRect(151, 116, 20, 10));
    QCOMPARE(pixelAt(g, 151, 116), qRgb(147, 147, 147) & 0xFFFFFF);
    QCOMPARE(pixelAt(g, 170, 125), qRgb(120, 120, 120) & 0xFFFFFF);
}

void TestGlimmet::hugeHighPictureConvertedWhereItMeetsTheSurface() {
    Hosted big;
    big.glimmet.setBackColor(OleColor(0xFFFFFF));
    big.glimmet.setGrayScale(true);
    big.site.changed.clear();
    const auto blue = solidMetafile({8, 8}, Qt::blue);
    const auto huge = Picture::fromRecording(blue->recording(), QSize(2000000000, 2000000000));
    QCOMPARE(big.glimmet.setHighPicture(huge), StatusOk);
    QCOMPARE(big.site.changed, QStringList({"Picture", "HighPicture"}));
    const QImage grey = big.glimmet.getPicture()->toImage();
    QCOMPARE(grey.size(), big.glimmet.surface().pixelSize());
    QCOMPARE(grey.pixel(100, 100) & 0xFFFFFF, qRgb(104, 104, 104) & 0xFFFFFF); // blue, stretched
}

QTEST_MAIN(TestGlimmet)
#include "tst_glimmet.moc"
