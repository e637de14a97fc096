// The keyboard-state table: the in-memory backend, the choice of backend per platform, and the
// X11 backend against a real X server (run once offscreen and once under Xvfb; the X cases
// skip offscreen).
#include "keyboardstate.h"
#include "xkbprobe.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

using kestrum::KeyboardState;
using kestrum::KeyStateTable;
using kestrum::MemoryKeyboardState;
using kestrum::VkCapital;
using kestrum::VkNumLock;
using xkbprobe::Lock;

namespace {

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

class TestKeyboardState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void memoryBackendKeepsTheTable();
    void memoryBackendFailsWithoutTouchingAnything();
    void createPicksTheBackendOfThePlatform();

    void x11WritesTheToggles_data();
    void x11WritesTheToggles();
    void x11ReportsPressedKeys_data();
    void x11ReportsPressedKeys();

private:
    bool m_capsAtStart = false;
    bool m_numAtStart = false;
};

void TestKeyboardState::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    if (onX11()) {
        QVERIFY2(xkbprobe::available(), "no XKB connection of the test's own to $DISPLAY");
        m_capsAtStart = xkbprobe::isLocked(Lock::Caps);
        m_numAtStart = xkbprobe::isLocked(Lock::Num);
    }
}

void TestKeyboardState::cleanupTestCase() {
    if (onX11()) {
        xkbprobe::setLocked(Lock::Caps, m_capsAtStart);
        if (xkbprobe::hasNumLockModifier())
            xkbprobe::setLocked(Lock::Num, m_numAtStart);
    }
}

void TestKeyboardState::memoryBackendKeepsTheTable() {
    MemoryKeyboardState state;
    KeyStateTable table;
    table.fill(0x55);
    QVERIFY(state.read(table));
    QCOMPARE(table, KeyStateTable{}); // starts all zero: every toggle off, nothing pressed

    table[VkCapital] = 0x81;
    table[VkNumLock] = 0x01;
    table[0x41] = 0x80;
    QVERIFY(state.write(table));
    QVERIFY(state.write(table));
    QCOMPARE(state.writes, 2);

    KeyStateTable back{};
    QVERIFY(state.read(back));
    QCOMPARE(back, table);
}

void TestKeyboardState::memoryBackendFailsWithoutTouchingAnything() {
    MemoryKeyboardState state;
    state.table[VkCapital] = 1;
    state.failing = true;

    KeyStateTable table;
    table.fill(0x7E);
    QVERIFY(!state.read(table));
    QCOMPARE(table[VkCapital], std::uint8_t(0x7E));

    KeyStateTable off{};
    QVERIFY(!state.write(off));
    QCOMPARE(state.table[VkCapital], std::uint8_t(1));
    QCOMPARE(state.writes, 0);

    state.failing = false;
    QVERIFY(state.write(off));
    QCOMPARE(state.table[VkCapital], std::uint8_t(0));
}

void TestKeyboardState::createPicksTheBackendOfThePlatform() {
    const std::unique_ptr<KeyboardState> x11 = kestrum::createX11KeyboardState();
    const std::unique_ptr<KeyboardState> chosen = KeyboardState::create();
    QVERIFY(chosen);
    const bool isMemory = dynamic_cast<MemoryKeyboardState *>(chosen.get()) != nullptr;
    if (onX11()) {
        QVERIFY(x11);
        QVERIFY(!isMemory);
        KeyStateTable table{};
        QVERIFY(chosen->read(table));
        QCOMPARE(bool(table[VkCapital] & 1), xkbprobe::isLocked(Lock::Caps));
    } else {
        QVERIFY(!x11);
        QVERIFY(isMemory);
    }
}

// A round trip as the program does it: read the table, change some bytes, write it back. The
// server's state is set and checked over the test's own connection.
void TestKeyboardState::x11WritesTheToggles_data() {
    QTest::addColumn<bool>("capsBefore");
    QTest::addColumn<bool>("numBefore");
    QTest::addColumn<int>("capsByte"); // written into byte 0x14
    QTest::addColumn<int>("numByte");  // written into byte 0x90; -1 leaves it as read
    QTest::addColumn<bool>("capsAfter");
    QTest::addColumn<bool>("numAfter");

    QTest::newRow("caps off -> on") << false << false << 0x01 << -1 << true << false;
    QTest::newRow("caps on -> off") << true << false << 0x00 << -1 << false << false;
    QTest::newRow("caps on stays on") << true << false << 0x01 << -1 << true << false;
    QTest::newRow("caps off stays off") << false << false << 0x00 << -1 << false << false;
    QTest::newRow("pressed bit alone is no toggle")
        << false << false << 0x80 << -1 << false << false;
    QTest::newRow("pressed and toggled") << false << false << 0x81 << -1 << true << false;
    QTest::newRow("num lock on is kept") << false << true << 0x01 << -1 << true << true;
    QTest::newRow("num lock on is kept, caps off") << true << true << 0x00 << -1 << false << true;
    QTest::newRow("num lock byte turns it off") << true << true << 0x01 << 0x00 << true << false;
    QTest::newRow("num lock byte turns it on") << false << false << 0x00 << 0x01 << false << true;
}

void TestKeyboardState::x11WritesTheToggles() {
    if (!onX11())
        QSKIP("needs an X display (this run is on another platform)");
    QFETCH(bool, capsBefore);
    QFETCH(bool, numBefore);
    QFETCH(int, capsByte);
    QFETCH(int, numByte);
    QFETCH(bool, capsAfter);
    QFETCH(bool, numAfter);
    const bool num = xkbprobe::hasNumLockModifier();
    if (!num && (numBefore || numByte >= 0 || numAfter))
        QSKIP("this keymap binds Num Lock to no modifier");

    QVERIFY(xkbprobe::setLocked(Lock::Caps, capsBefore));
    if (num)
        QVERIFY(xkbprobe::setLocked(Lock::Num, numBefore));

    const std::unique_ptr<KeyboardState> state = kestrum::createX11KeyboardState();
    QVERIFY(state);
    KeyStateTable table{};
    QVERIFY(state->read(table));
    QCOMPARE(bool(table[VkCapital] & 1), capsBefore);
    if (num)
        QCOMPARE(bool(table[VkNumLock] & 1), numBefore);

    table[VkCapital] = std::uint8_t(capsByte);
    if (numByte >= 0)
        table[VkNumLock] = std::uint8_t(numByte);
    QVERIFY(state->write(table));

    QCOMPARE(xkbprobe::isLocked(Lock::Caps), capsAfter);
    if (num)
        QCOMPARE(xkbprobe::isLocked(Lock::Num), numAfter);
    KeyStateTable back{};
    QVERIFY(state->read(back));
    QCOMPARE(bool(back[VkCapital] & 1), capsAfter);
    if (num)
        QCOMPARE(bool(back[VkNumLock] & 1), numAfter);
}

// Keys held down on the server (through XTEST, by xdotool) show as pressed bits.
void TestKeyboardState::x11ReportsPressedKeys_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("pressedCodes"); // the bytes with 0x80 set, in hex

    QTest::newRow("left shift") << "Shift_L"
                                << "10 a0";
    QTest::newRow("left control") << "Control_L"
                                  << "11 a2";
    QTest::newRow("left alt") << "Alt_L"
                              << "12 a4";
    QTest::newRow("caps lock") << "Caps_Lock"
                               << "14";
    QTest::newRow("num lock") << "Num_Lock"
                              << "90";
}

void TestKeyboardState::x11ReportsPressedKeys() {
    if (!onX11())
        QSKIP("needs an X display (this run is on another platform)");
    QFETCH(QString, key);
    QFETCH(QString, pressedCodes);
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        QSKIP("xdotool is not installed (scripts/deps.sh installs it)");

    const std::unique_ptr<KeyboardState> state = kestrum::createX11KeyboardState();
    QVERIFY(state);
    const auto pressedOnes = [&] {
        KeyStateTable table{};
        if (!state->read(table))
            return QStringLiteral("read failed");
        QStringList codes;
        for (int vk = 0; vk < 256; ++vk)
            if (table[vk] & 0x80)
                codes << QString::number(vk, 16);
        return codes.join(QLatin1Char(' '));
    };
    QCOMPARE(pressedOnes(), QString());

    QCOMPARE(QProcess::execute(xdotool, {QStringLiteral("keydown"), key}), 0);
    // Let the key go even when the check fails, or every later case would see it held.
    auto release = qScopeGuard([&] { QProcess::execute(xdotool, {QStringLiteral("keyup"), key}); });
    QTRY_COMPARE(pressedOnes(), pressedCodes);
    release.dismiss();
    QCOMPARE(QProcess::execute(xdotool, {QStringLiteral("keyup"), key}), 0);
    QTRY_COMPARE(pressedOnes(), QString());
}

QTEST_MAIN(TestKeyboardState)
#include "tst_keyboardstate.moc"
