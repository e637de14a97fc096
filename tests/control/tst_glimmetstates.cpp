// Glimmet states, pointer tracking by mouse grab, and the nine events.
#include "glimmet.h"
#include "glimmettestsupport.h"
#include "richtextbox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QtTest>

using namespace kestrum;
using namespace kestrum::test;

namespace {

// What the Qt signals reported, with the state at the time.
struct SignalLog {
    QStringList names;
    std::vector<std::int16_t> modes;
    std::vector<std::vector<double>> args;

    void connectTo(Glimmet &g) {
        auto mouse = [this, &g](const char *name) {
            return [this, &g, name](std::int16_t &b, std::int16_t &s, float &x, float &y) {
                add(g, name, {double(b), double(s), x, y});
            };
        };
        auto key = [this, &g](const char *name) {
            return [this, &g, name](std::int16_t &k, std::int16_t &s) {
                add(g, name, {double(k), double(s)});
            };
        };
        QObject::connect(&g, &Glimmet::Click, [this, &g] { add(g, "Click", {}); });
        QObject::connect(&g, &Glimmet::MouseUp, mouse("MouseUp"));
        QObject::connect(&g, &Glimmet::MouseDown, mouse("MouseDown"));
        QObject::connect(&g, &Glimmet::MouseMove, mouse("MouseMove"));
        QObject::connect(&g, &Glimmet::MouseOut, [this, &g] { add(g, "MouseOut", {}); });
        QObject::connect(&g, &Glimmet::DblClick, [this, &g] { add(g, "DblClick", {}); });
        QObject::connect(&g, &Glimmet::KeyIsUp, key("KeyIsUp"));
        QObject::connect(&g, &Glimmet::KeyIsDown, key("KeyIsDown"));
        QObject::connect(&g, &Glimmet::KeyIsPressed,
                         [this, &g](std::int16_t &a) { add(g, "KeyIsPressed", {double(a)}); });
    }
    void add(const Glimmet &g, const char *name, std::vector<double> values) {
        names << QString::fromLatin1(name);
        modes.push_back(g.getmode());
        args.push_back(std::move(values));
    }
    void clear() {
        names.clear();
        modes.clear();
        args.clear();
    }
};

QRgb renderedAt(const Glimmet &g, int x, int y) {
    return g.renderedImage().pixel(x, y) & 0xFFFFFF;
}

constexpr QRgb White = 0xFFFFFF;
constexpr QRgb Grey = 0x808080;

bool anyBevelVisible(const Glimmet &g) {
    for (auto edge : {Glimmet::lx, Glimmet::ly, Glimmet::rx, Glimmet::ry}) {
        if (g.bevelLine(edge).visible)
            return true;
    }
    return false;
}

} // namespace

class TestGlimmetStates : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void normalClickSequence();
    void bevelFalseNeverShows();
    void enteringWithButtonsHeld_data();
    void enteringWithButtonsHeld();
    void buttonUpOutside();
    void boundsAreInclusive_data();
    void boundsAreInclusive();
    void keysNeverChangeMode();
    void keyCodesAreTheInputAreas_data();
    void keyCodesAreTheInputAreas();
    void doubleClick();
    void argumentsTravelByReference();
    void mouseIconWhileInside();
    void hidingCountsAsLeaving();
    void messageBoxFromClickGetsTheMouse();
    void pressIsTheEntryOfAPointerSeenFirstElsewhere();
    void handlerMayDestroyControl_data();
    void handlerMayDestroyControl();

private:
    void send(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers = {});

    std::unique_ptr<QWidget> m_host;
    Glimmet *m_glimmet = nullptr;
    EventRecorder m_sink;
    SignalLog m_log;
};

void TestGlimmetStates::init() {
    m_host = std::make_unique<QWidget>();
    m_host->resize(500, 300);
    m_glimmet = new Glimmet(m_host.get());
    m_glimmet->setGeometry(100, 100, 200, 100);
    m_glimmet->setBackColor(OleColor(0xFFFFFF));
    m_glimmet->setHighBackColor(OleColor(0x00FFFF));
    m_glimmet->setCaption(QString());
    m_sink = EventRecorder();
    m_log.clear();
    m_glimmet->context().addSink(&m_sink);
    m_log.connectTo(*m_glimmet);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    QTest::mouseMove(m_host.get(), QPoint(20, 20));
}

void TestGlimmetStates::cleanup() {
    if (QWidget::mouseGrabber())
        QWidget::mouseGrabber()->releaseMouse();
    m_host.reset();
}

void TestGlimmetStates::send(QEvent::Type type, QPointF pos, Qt::MouseButton button,
                             Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    QMouseEvent event(type, pos, m_glimmet->mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(m_glimmet, &event);
}

void TestGlimmetStates::normalClickSequence() {
    Glimmet &g = *m_glimmet;
    g.setBevel(true); // run mode: only stored
    QVERIFY(!anyBevelVisible(g));

    QTest::mouseMove(&g, QPoint(50, 40));
    QCOMPARE(m_log.names, QStringList({"MouseMove"}));
    QCOMPARE(m_log.args.back(), (std::vector<double>{0, 0, 750, 600})); // twips
    QCOMPARE(g.getmode(), std::int16_t(1));
    QVERIFY(g.mouseInside());
    QCOMPARE(QWidget::mouseGrabber(), &g);
    QCOMPARE(g.surface().image().pixel(5, 5) & 0xFFFFFF, qRgb(255, 255, 0) & 0xFFFFFF);
    QCOMPARE(renderedAt(g, 50, 0), White); // raised: light top, dark bottom
    QCOMPARE(renderedAt(g, 50, 99), Grey);
    QCOMPARE(renderedAt(g, 199, 50), Grey);
    QCOMPARE(renderedAt(g, 0, 50), White);

    QTest::mouseMove(&g, QPoint(60, 45));
    QTest::mouseMove(&g, QPoint(199, 99));
    QCOMPARE(m_log.names.size(), 1); // once per entry

    QTest::mousePress(&g, Qt::LeftButton, {}, QPoint(60, 45));
    QCOMPARE(m_log.names.last(), QStringLiteral("MouseDown"));
    QCOMPARE(m_log.args.back(), (std::vector<double>{1, 0, 900, 675}));
    QCOMPARE(g.getmode(), std::int16_t(2));
    QCOMPARE(renderedAt(g, 50, 0), Grey); // sunken
    QCOMPARE(renderedAt(g, 50, 99), White);

    QWidget *grabberInClick = &g;
    QWidget *grabberInMouseUp = nullptr;
    connect(&g, &Glimmet::Click, this, [&] { grabberInClick = QWidget::mouseGrabber(); });
    connect(&g, &Glimmet::MouseUp, this, [&] { grabberInMouseUp = QWidget::mouseGrabber(); });
    QTest::mouseRelease(&g, Qt::LeftButton, {}, QPoint(60, 45));
    QCOMPARE(m_log.names, QStringList({"MouseMove", "MouseDown", "MouseUp", "Click"}));
    QCOMPARE(grabberInMouseUp, &g);
    QCOMPARE(grabberInClick, nullptr); // a box shown from Click gets the mouse
    QCOMPARE(m_log.modes, (std::vector<std::int16_t>{1, 2, 1, 1}));
    QCOMPARE(renderedAt(g, 50, 0), White);
    QCOMPARE(QWidget::mouseGrabber(), &g); // taken again after the click

    QTest::mouseMove(m_host.get(), QPoint(20, 20));
    QCOMPARE(m_log.names.last(), QStringLiteral("MouseOut"));
    QCOMPARE(g.getmode(), std::int16_t(0));
    QVERIFY(!g.mouseInside());
    QVERIFY(QWidget::mouseGrabber() == nullptr);
    QVERIFY(!anyBevelVisible(g));
    QCOMPARE(g.surface().image().pixel(5, 5) & 0xFFFFFF, qRgb(255, 255, 255) & 0xFFFFFF);

    QCOMPARE(m_sink.ids(), (std::vector<DispId>{4, 3, 2, 1, 5}));
    QCOMPARE(m_sink.events[0].args.size(), size_t(4));
    QCOMPARE(m_sink.events[0].args[0].type(), VariantType::Int16);
    QCOMPARE(m_sink.events[0].args[2].type(), VariantType::Float);
    QCOMPARE(m_sink.events[0].args[2].toFloat(), 750.0f);

    // Coming back raises MouseMove again.
    QTest::mouseMove(&g, QPoint(10, 10));
    QCOMPARE(m_log.names.last(), QStringLiteral("MouseMove"));
    QCOMPARE(g.getmode(), std::int16_t(1));
}

void TestGlimmetStates::bevelFalseNeverShows() {
    Glimmet &g = *m_glimmet;
    QTest::mouseMove(&g, QPoint(50, 40));
    QVERIFY(!anyBevelVisible(g));
    QTest::mousePress(&g, Qt::LeftButton, {}, QPoint(50, 40));
    QVERIFY(!anyBevelVisible(g));
    QCOMPARE(g.bevelLine(Glimmet::lx).color.value, 0x808080u);    // still recoloured
    QCOMPARE(renderedAt(g, 50, 0), qRgb(255, 255, 0) & 0xFFFFFF); // the high back colour, no line
    QTest::mouseRelease(&g, Qt::LeftButton, {}, QPoint(50, 40));
    QVERIFY(!anyBevelVisible(g));
    QCOMPARE(g.bevelLine(Glimmet::lx).color.value, 0xFFFFFFu);
    QTest::mouseMove(m_host.get(), QPoint(20, 20));
    QVERIFY(!anyBevelVisible(g));
    QCOMPARE(m_log.names, QStringList({"MouseMove", "MouseDown", "MouseUp", "Click", "MouseOut"}));
}

void TestGlimmetStates::enteringWithButtonsHeld_data() {
    QTest::addColumn<Qt::MouseButtons>("buttons");
    QTest::addColumn<int>("mode");
    QTest::addColumn<uint>("top");
    QTest::newRow("left: down, sunken") << Qt::MouseButtons(Qt::LeftButton) << 2 << uint(Grey);
    QTest::newRow("right: high, raised") << Qt::MouseButtons(Qt::RightButton) << 1 << uint(White);
    QTest::newRow("left and right: high") << (Qt::LeftButton | Qt::RightButton) << 1 << uint(White);
    QTest::newRow("none: high") << Qt::MouseButtons() << 1 << uint(White);
}

void TestGlimmetStates::enteringWithButtonsHeld() {
    QFETCH(Qt::MouseButtons, buttons);
    QFETCH(int, mode);
    QFETCH(uint, top);
    Glimmet &g = *m_glimmet;
    g.setBevel(true);
    g.setDownPicture(solidBitmap({10, 10}, Qt::red));
    g.setHighPicture(solidBitmap({10, 10}, Qt::blue));
    send(QEvent::MouseMove, QPointF(30, 30), Qt::NoButton, buttons, Qt::ShiftModifier);
    QCOMPARE(g.getmode(), std::int16_t(mode));
    QVERIFY(anyBevelVisible(g));
    QCOMPARE(renderedAt(g, 50, 0), QRgb(top));
    QCOMPARE(g.surface().image().pixel(100, 50) & 0xFFFFFF,
             (mode == 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255)) & 0xFFFFFF);
    QCOMPARE(m_log.names, QStringList({"MouseMove"}));
    QCOMPARE(m_log.args[0][0], double(int(buttons)));
    QCOMPARE(m_log.args[0][1], 1.0); // Shift
    // Leaving from the down state goes straight to normal and hides the bevel.
    send(QEvent::MouseMove, QPointF(-5, 30), Qt::NoButton, buttons);
    QCOMPARE(g.getmode(), std::int16_t(0));
    QVERIFY(!anyBevelVisible(g));
    QCOMPARE(m_log.names.last(), QStringLiteral("MouseOut"));
}

void TestGlimmetStates::buttonUpOutside() {
    Glimmet &g = *m_glimmet;
    send(QEvent::MouseMove, QPointF(30, 30), Qt::NoButton, {});
    send(QEvent::MouseButtonPress, QPointF(30, 30), Qt::LeftButton, Qt::LeftButton);
    // Released outside without a move in between.
    send(QEvent::MouseButtonRelease, QPointF(250, 30), Qt::LeftButton, {});
    QCOMPARE(m_log.names, QStringList({"MouseMove", "MouseDown", "MouseUp"}));
    QCOMPARE(g.getmode(), std::int16_t(0));
    QCOMPARE(g.surface().image().pixel(5, 5) & 0xFFFFFF, qRgb(255, 255, 255) & 0xFFFFFF);
    QVERIFY(g.mouseInside());
    // The grab is still held, so the next move outside completes the leave.
    QCOMPARE(QWidget::mouseGrabber(), &g);
    send(QEvent::MouseMove, QPointF(260, 30), Qt::NoButton, {});
    QCOMPARE(m_log.names.last(), QStringLiteral("MouseOut"));
    QVERIFY(!g.mouseInside());
}

void TestGlimmetStates::boundsAreInclusive_data() {
    QTest::addColumn<QPointF>("pos");
    QTest::addColumn<bool>("inside");
    // The control is 200 x 100 px, so ScaleWidth = 3000 and ScaleHeight = 1500 twips.
    QTest::newRow("origin") << QPointF(0, 0) << true;
    QTest::newRow("x = ScaleWidth") << QPointF(200, 50) << true;
    QTest::newRow("y = ScaleHeight") << QPointF(50, 100) << true;
    QTest::newRow("far corner") << QPointF(200, 100) << true;
    QTest::newRow("x = -1 twip") << QPointF(-1.0 / 15, 50) << false;
    QTest::newRow("y = -1 twip") << QPointF(50, -1.0 / 15) << false;
    QTest::newRow("x = ScaleWidth + 1 twip") << QPointF(200 + 1.0 / 15, 50) << false;
    QTest::newRow("y = ScaleHeight + 1 twip") << QPointF(50, 100 + 1.0 / 15) << false;
}

void TestGlimmetStates::boundsAreInclusive() {
    QFETCH(QPointF, pos);
    QFETCH(bool, inside);
    send(QEvent::MouseMove, QPointF(30, 30), Qt::NoButton, {});
    send(QEvent::MouseMove, pos, Qt::NoButton, {});
    QCOMPARE(m_log.names.contains(QStringLiteral("MouseOut")), !inside);
    QCOMPARE(m_glimmet->getmode(), std::int16_t(inside ? 1 : 0));
    // A button released there: high inside, normal outside.
    send(QEvent::MouseMove, QPointF(30, 30), Qt::NoButton, {});
    send(QEvent::MouseButtonPress, QPointF(30, 30), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, pos, Qt::LeftButton, {});
    QCOMPARE(m_glimmet->getmode(), std::int16_t(inside ? 1 : 0));
    QCOMPARE(m_log.names.last(), QString::fromLatin1(inside ? "Click" : "MouseUp"));
}

void TestGlimmetStates::keysNeverChangeMode() {
    Glimmet &g = *m_glimmet;
    QTest::mouseMove(&g, QPoint(50, 40));
    g.setFocus();
    m_log.clear();
    QTest::keyClick(&g, Qt::Key_A);
    QTest::keyClick(&g, 'A', Qt::ShiftModifier);
    QTest::keyClick(&g, Qt::Key_Return);
    QTest::keyClick(&g, Qt::Key_Space);
    QTest::keyClick(&g, Qt::Key_Left);
    QCOMPARE(m_log.names,
             QStringList({"KeyIsDown", "KeyIsPressed", "KeyIsUp",                         // a
                          "KeyIsDown", "KeyIsDown", "KeyIsPressed", "KeyIsUp", "KeyIsUp", // Shift+A
                          "KeyIsDown", "KeyIsPressed", "KeyIsUp",                         // Return
                          "KeyIsDown", "KeyIsPressed", "KeyIsUp",                         // Space
                          "KeyIsDown", "KeyIsUp"}));                                      // Left
    const std::vector<std::vector<double>> expected = {
        {65, 0}, {97}, {65, 0}, {16, 1}, {65, 1}, {65},    {65, 1}, {16, 0},
        {13, 0}, {13}, {13, 0}, {32, 0}, {32},    {32, 0}, {37, 0}, {37, 0}};
    QCOMPARE(m_log.args, expected);
    for (std::int16_t mode : m_log.modes)
        QCOMPARE(mode, std::int16_t(1));
    QCOMPARE(g.getmode(), std::int16_t(1));
    QCOMPARE(m_sink.ids().back(), DispId(7));
    const auto ids = m_sink.ids();
    QCOMPARE(std::count(ids.begin(), ids.end(), 9), 4);
    QVERIFY(std::find(ids.begin(), ids.end(), DispId(1)) ==
            ids.end()); // Return and Space never click
}

void TestGlimmetStates::keyCodesAreTheInputAreas_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("code");
    QTest::newRow("! is the 1 key") << int(Qt::Key_Exclam) << 49;
    QTest::newRow(") is the 0 key") << int(Qt::Key_ParenRight) << 48;
    QTest::newRow(": is the ; key") << int(Qt::Key_Colon) << 186;
    QTest::newRow("? is the / key") << int(Qt::Key_Question) << 191;
    QTest::newRow("[ key") << int(Qt::Key_BracketLeft) << 219;
    QTest::newRow("Meta") << int(Qt::Key_Meta) << 91;
    QTest::newRow("Menu") << int(Qt::Key_Menu) << 93;
    QTest::newRow("F5") << int(Qt::Key_F5) << 116;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << 46;
    QTest::newRow("no code") << int(Qt::Key_VolumeUp) << 0;
}

// KeyIsDown carries the same virtual-key code as the input area's keyDown for every key.
void TestGlimmetStates::keyCodesAreTheInputAreas() {
    QFETCH(int, key);
    QFETCH(int, code);
    Glimmet &g = *m_glimmet;
    m_log.clear();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&g, &press);
    QVERIFY(!m_log.names.isEmpty());
    QCOMPARE(m_log.names.first(), QStringLiteral("KeyIsDown"));
    QCOMPARE(m_log.args.front().front(), double(code));
    QCOMPARE(RichTextBox::virtualKey(key), code);
}

void TestGlimmetStates::doubleClick() {
    Glimmet &g = *m_glimmet;
    QTest::mouseMove(&g, QPoint(50, 40));
    m_log.clear();
    QTest::mouseDClick(&g, Qt::LeftButton, {}, QPoint(50, 40));
    QCOMPARE(m_log.names, QStringList({"MouseDown", "MouseUp", "Click", "DblClick", "MouseUp"}));
    QCOMPARE(g.getmode(), std::int16_t(1));
    QCOMPARE(m_sink.ids().back(), DispId(2));
}

void TestGlimmetStates::argumentsTravelByReference() {
    Glimmet &g = *m_glimmet;
    m_sink.replaceFirst = Variant(std::int16_t(99));
    EventRecorder second;
    g.context().addSink(&second);
    QTest::mouseMove(&g, QPoint(50, 40));
    g.setFocus();
    QTest::keyClick(&g, Qt::Key_B);
    // The later sink and the Qt receivers see what the first sink wrote.
    QCOMPARE(second.events[0].args[0].int16(), std::int16_t(99));
    QCOMPARE(m_log.args[0][0], 99.0);                             // MouseMove's PressedButton
    QCOMPARE(m_log.args[1][0], 99.0);                             // KeyIsDown's KeyCode
    QCOMPARE(m_log.args[2][0], 99.0);                             // KeyIsPressed's KeyAscii
    QCOMPARE(m_sink.events[1].args[0].int16(), std::int16_t(66)); // what the control raised
    g.context().removeSink(&second);
}

void TestGlimmetStates::mouseIconWhileInside() {
    Glimmet &g = *m_glimmet;
    QTest::mouseMove(&g, QPoint(50, 40)); // no MouseIcon: the default pointer
    QCOMPARE(g.cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(m_host.get(), QPoint(20, 20));
    g.setMouseIcon(solidIcon({16, 16}, Qt::blue));
    QTest::mouseMove(&g, QPoint(50, 40));
    QVERIFY(g.testAttribute(Qt::WA_SetCursor));
    QCOMPARE(g.cursor().shape(), Qt::BitmapCursor);
    QTest::mouseMove(m_host.get(), QPoint(20, 20));
    QVERIFY(!g.testAttribute(Qt::WA_SetCursor));
}

void TestGlimmetStates::hidingCountsAsLeaving() {
    Glimmet &g = *m_glimmet;
    g.setBevel(true);
    connect(&g, &Glimmet::Click, m_host.get(), &QWidget::hide); // a window closed by its button
    QTest::mouseClick(&g, Qt::LeftButton, {}, QPoint(50, 40));
    QVERIFY(!m_host->isVisible());
    QCOMPARE(m_log.names, QStringList({"MouseMove", "MouseDown", "MouseUp", "Click", "MouseOut"}));
    QCOMPARE(g.getmode(), std::int16_t(0));
    QVERIFY(!g.mouseInside());
    QVERIFY(!anyBevelVisible(g));
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
    // Shown again, it tracks the pointer as before.
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    QCOMPARE(g.surface().image().pixel(5, 5) & 0xFFFFFF, qRgb(255, 255, 255) & 0xFFFFFF);
    QTest::mouseMove(m_host.get(), QPoint(20, 20));
    QTest::mouseMove(&g, QPoint(60, 40));
    QCOMPARE(m_log.names.last(), QStringLiteral("MouseMove"));
    QCOMPARE(g.getmode(), std::int16_t(1));
}

void TestGlimmetStates::messageBoxFromClickGetsTheMouse() {
    Glimmet &g = *m_glimmet;
    bool clickedOk = false;
    connect(&g, &Glimmet::Click, this, [&] {
        QMessageBox box(QMessageBox::Information, "Kestrum", "Converted", QMessageBox::Ok,
                        m_host.get());
        QTimer::singleShot(0, &box,
                           [&] { QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton); });
        QTimer::singleShot(3000, &box, &QMessageBox::reject); // the click did not reach the box
        clickedOk = box.exec() == QMessageBox::Ok;
    });
    QTest::mouseMove(&g, QPoint(50, 40));
    QTest::mouseClick(&g, Qt::LeftButton, {}, QPoint(50, 40));
    QVERIFY(clickedOk);
    QCOMPARE(QWidget::mouseGrabber(), &g); // tracking goes on after the box
    QTest::mouseMove(m_host.get(), QPoint(20, 20));
    QCOMPARE(m_log.names.last(), QStringLiteral("MouseOut"));
}

// Two buttons side by side: the move that leaves the first one goes to it (it holds the grab),
// so the second sees its first press without a move of its own. That press is its entry: it
// tracks the pointer from there and sees it leave, rather than staying high.
void TestGlimmetStates::pressIsTheEntryOfAPointerSeenFirstElsewhere() {
    auto *second = new Glimmet(m_host.get());
    second->setGeometry(320, 100, 150, 100);
    second->setBackColor(OleColor(0xFFFFFF));
    second->setHighBackColor(OleColor(0x00FFFF));
    second->show();
    SignalLog secondLog;
    secondLog.connectTo(*second);

    QTest::mouseMove(m_host.get(), QPoint(150, 140));
    QCOMPARE(QWidget::mouseGrabber(), m_glimmet);
    QTest::mouseMove(m_host.get(), QPoint(350, 140));
    QCOMPARE(m_log.names.last(), QStringLiteral("MouseOut"));
    QVERIFY(secondLog.names.isEmpty());

    QTest::mouseClick(m_host.get(), Qt::LeftButton, {}, QPoint(350, 140));
    QCOMPARE(secondLog.names, QStringList({"MouseMove", "MouseDown", "MouseUp", "Click"}));
    QCOMPARE(secondLog.modes, (std::vector<std::int16_t>{1, 2, 1, 1}));
    QVERIFY(second->mouseInside());
    QCOMPARE(QWidget::mouseGrabber(), second);

    QTest::mouseMove(m_host.get(), QPoint(20, 20));
    QCOMPARE(secondLog.names.last(), QStringLiteral("MouseOut"));
    QCOMPARE(second->getmode(), std::int16_t(0));
    QCOMPARE(second->surface().image().pixel(5, 5) & 0xFFFFFF, qRgb(255, 255, 255) & 0xFFFFFF);
    QCOMPARE(m_glimmet->getmode(), std::int16_t(0));
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
}

// A host may close the window (and so destroy the control) from any event; the control must
// not touch itself afterwards.
void TestGlimmetStates::handlerMayDestroyControl_data() {
    QTest::addColumn<int>("event");
    QTest::addColumn<bool>("bySink");
    for (int id : {1, 2, 3, 4, 8, 9}) {
        QTest::addRow("event %d by sink", id) << id << true;
        QTest::addRow("event %d by signal", id) << id << false;
    }
}

void TestGlimmetStates::handlerMayDestroyControl() {
    QFETCH(int, event);
    QFETCH(bool, bySink);
    QPointer<Glimmet> g(m_glimmet);
    struct Destroyer : EventSink {
        DispId target = 0;
        QPointer<Glimmet> control;
        Status onEvent(DispId id, std::span<Variant>) override {
            if (id == target)
                delete control.data();
            return StatusOk;
        }
    } destroyer;
    destroyer.target = event;
    destroyer.control = g;
    if (bySink) {
        g->context().addSink(&destroyer);
    } else {
        auto kill = [g] { delete g.data(); };
        switch (event) {
        case 1:
            connect(g, &Glimmet::Click, kill);
            break;
        case 2:
            connect(g, &Glimmet::MouseUp, kill);
            break;
        case 3:
            connect(g, &Glimmet::MouseDown, kill);
            break;
        case 4:
            connect(g, &Glimmet::MouseMove, kill);
            break;
        case 8:
            connect(g, &Glimmet::KeyIsDown, kill);
            break;
        case 9:
            connect(g, &Glimmet::KeyIsPressed, kill);
            break;
        }
    }
    QTest::mouseMove(m_host.get(), QPoint(150, 140));
    if (g) {
        g->setFocus();
        QTest::keyClick(g, Qt::Key_A);
    }
    if (g)
        QTest::mouseClick(m_host.get(), Qt::LeftButton, {}, QPoint(150, 140));
    QVERIFY(g.isNull());
    m_glimmet = nullptr;
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
}

QTEST_MAIN(TestGlimmetStates)
#include "tst_glimmetstates.moc"
