// Geometry in twips: exact values kept across reads, pixels rounded, a window system's own
// resize taking over, and a window inside an MDI sub-window placed through it.
#include "twips.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

using namespace kestrum;

class TestTwips : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepsExactValues_data();
    void keepsExactValues();
    void shrinkAndWidenComeBackExactly();
    void aResizeFromElsewhereWins();
    void childOfAnMdiSubWindowIsPlacedThroughIt();
};

void TestTwips::keepsExactValues_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("pixels");
    QTest::newRow("whole pixels") << 3135.0f << 209;
    QTest::newRow("below a half") << 3480.77f << 232;
    QTest::newRow("exactly a half rounds up") << 7.5f << 1;
    QTest::newRow("above a half") << 11655.4f << 777;
    QTest::newRow("zero") << 0.0f << 0;
}

void TestTwips::keepsExactValues() {
    QFETCH(float, value);
    QFETCH(int, pixels);
    QWidget parent;
    QWidget child(&parent);
    twips::setRect(&child, {value, value, value, value});
    QCOMPARE(twips::rect(&child), (twips::Rect{value, value, value, value}));
    QCOMPARE(child.geometry(), QRect(pixels, pixels, pixels, pixels));
    twips::setWidth(&child, 100);
    QCOMPARE(twips::rect(&child), (twips::Rect{value, value, 100, value}));
}

void TestTwips::shrinkAndWidenComeBackExactly() {
    QWidget parent;
    QWidget child(&parent);
    twips::setRect(&child, {0, 360, 11630.0f, 3480.77f});
    const float w = 3517.3f;
    twips::setWidth(&child, twips::width(&child) - w);
    twips::setWidth(&child, twips::width(&child) + w);
    QCOMPARE(twips::width(&child), 11630.0f);
    QCOMPARE(twips::height(&child), 3480.77f);
}

void TestTwips::aResizeFromElsewhereWins() {
    QWidget parent;
    QWidget child(&parent);
    twips::setRect(&child, {10.2f, 20.4f, 300.3f, 400.1f});
    child.resize(50, 60);
    QCOMPARE(twips::rect(&child), (twips::Rect{15, 15, 750, 900}));
    // A size the widget refuses is read back as what it took.
    child.setMinimumWidth(40);
    twips::setWidth(&child, 150);
    QCOMPARE(child.width(), 40);
    QCOMPARE(twips::width(&child), 600.0f);
}

void TestTwips::childOfAnMdiSubWindowIsPlacedThroughIt() {
    QMdiArea area;
    area.resize(800, 600);
    auto *window = new QWidget;
    QMdiSubWindow *sub = area.addSubWindow(window, Qt::FramelessWindowHint);
    area.show();
    twips::setRect(window, {0, 0, 11880, 8160});
    QCOMPARE(sub->geometry(), QRect(0, 0, 792, 544));
    QCOMPARE(window->size(), QSize(792, 544));
    QCOMPARE(twips::height(window), 8160.0f);
    // The outer width counts the window frame, where the window system draws one.
    QCOMPARE(twips::outerWidth(&area), float(area.frameGeometry().width() * 15));
    QVERIFY(twips::outerWidth(&area) >= 12000.0f);
}

QTEST_MAIN(TestTwips)
#include "tst_twips.moc"
