// The real program under Xvfb, driven by real X events (xdotool through XTEST): Caps Lock
// forced on while it runs and put back by File > Exit, typing and converting, and the exit
// question on a window manager's close request.
#include "cp1252.h"
#include "xclient.h"
#include "xkbprobe.h"

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>
#include <optional>

#include <csignal>
#include <sys/types.h>

using xkbprobe::Lock;

namespace {

// Generous: CI machines are slow and shared.
constexpr int StartTimeoutMs = 60000;
constexpr int StepTimeoutMs = 20000;

const QString programPath = QStringLiteral(KESTRUM_BIN_DIR "/Kestrum");
const QString convertPath = QStringLiteral(KESTRUM_BIN_DIR "/kestrum-convert");
const QString regcontrolPath = QStringLiteral(KESTRUM_BIN_DIR "/regcontrol");

// Each glyph code as the character of its Windows-1252 byte.
QString fromCp1252(const QByteArray &bytes) {
    QString text;
    for (const char c : bytes)
        text.append(QChar(char16_t(kestrum::cp1252ToUnicode(static_cast<unsigned char>(c)))));
    return text;
}

// Unicode Bengali of SutonnyMJ glyph codes (as the output area shows them), by kestrum-convert;
// "" when it failed.
QString unicodeByTool(const QString &glyphs) {
    QProcess convert;
    convert.start(convertPath, {QStringLiteral("--from"), QStringLiteral("sutonnymj"),
                                QStringLiteral("--to"), QStringLiteral("unicode")});
    if (!convert.waitForStarted(StepTimeoutMs))
        return {};
    QByteArray bytes;
    for (const QChar c : glyphs)
        bytes += char(kestrum::unicodeToCp1252(c.unicode()).value_or('?'));
    convert.write(bytes);
    convert.closeWriteChannel();
    if (!convert.waitForFinished(StepTimeoutMs) || convert.exitCode() != 0)
        return {};
    return QString::fromUtf8(convert.readAllStandardOutput());
}

// What kestrum-convert makes of `input`, as the output area shows it; "" when it failed.
QString convertedByTool(const QString &input) {
    QProcess convert;
    convert.start(convertPath, {});
    if (!convert.waitForStarted(StepTimeoutMs))
        return {};
    convert.write(input.toLatin1());
    convert.closeWriteChannel();
    if (!convert.waitForFinished(StepTimeoutMs) || convert.exitCode() != 0)
        return {};
    return fromCp1252(convert.readAllStandardOutput());
}

// Text as a copy from an area gives it: line breaks as LF.
QString asCopied(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

// Polls `condition` while letting events run; whether it held within `ms`. (QTRY_* would wait
// three times as long on a failure, to report a late success: too slow over a whole program.)
template <typename Condition> bool waitUntil(Condition condition, int ms = StepTimeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(100);
    }
    return true;
}

} // namespace

class TestProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void capsLockIsForcedAndPutBack_data();
    void capsLockIsForcedAndPutBack();
    void typedSentenceIsConverted_data();
    void typedSentenceIsConverted();
    void closeRequestAsksFirst();
    void aboutWindowComesOutOnTop();
    void registersItsControlLibraryWhereTold();
    void filesThroughTheRealDialogs();
    void tableWindowSlidesInAndGlyphsDragOut();
    void spaceOrEnterInsideTheTextConvertsWithIt_data();
    void spaceOrEnterInsideTheTextConvertsWithIt();
    void clickIntoTheInputWhileTheTableIsOpen();
    void groupButtonsShowTheGroupOnShow();
    void capsLockIsPutBackOnTermination_data();
    void capsLockIsPutBackOnTermination();
    void exitEndsAtOnce();
    void comingBackFromAnotherProgram();
    void whatLeavesIsWhatWasTyped();
    void capsLockFollowsTheActiveWindow_data();
    void capsLockFollowsTheActiveWindow();
    void signalDuringTheStartUpMessage_data();
    void signalDuringTheStartUpMessage();

private:
    // Runs xdotool with `args`; its standard output, nothing when it failed.
    std::optional<QString> xdotool(const QStringList &args);
    void startProgram();
    // The visible top-level windows titled `title`.
    QStringList kestrumWindows(const QString &title = QStringLiteral("Kestrum"));
    void waitForMainWindow();
    // Sets Caps Lock, starts the program, waits for its main window and for Caps Lock on.
    void startWithCapsLock(bool capsBefore);
    // The first visible dialog titled `title` besides the main window (a question box, the
    // About window, a file dialog), waited for; empty when none comes.
    QString waitForDialog(const QString &title = QStringLiteral("Kestrum"));
    void focusMainWindow();
    // Starts the program with Caps Lock off before and gives its main window the focus.
    void startFocused();
    // Types `text` with real key events into the window that has the focus. Caps Lock is on
    // while the program runs: --clearmodifiers lets the letters arrive in the case given.
    bool type(const QString &text);
    void exitThroughMenu();
    // Clicks into the main window at a share of its width and height, selects the whole text
    // of the area there and copies it; the clipboard's text afterwards.
    QString copyAreaAt(double x, double y);
    // A window's place on the screen (empty when it cannot be found).
    QRect windowGeometry(const QString &window);
    // Starts the program with the focus, types `sentence` and a Space, which converts it.
    void startAndType(const QString &sentence);
    // Clicks into the main window at a share of its width and height.
    bool clickAt(double x, double y);
    // Presses F1 and waits until the table window is docked at the frame's right edge; its
    // left edge on the screen (0 when it did not come).
    int openTableWindow();
    // Presses Ctrl+Shift+C (Copy as Unicode) in the program; the clipboard's text afterwards.
    QString copyAsUnicode();

    QString m_xdotool;
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QProcess> m_program;
    QString m_mainWindow;
};

void TestProgram::initTestCase() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X display: runs under Xvfb (ctest runs it through xvfb-run)");
    if (!QFileInfo(programPath).isExecutable())
        QSKIP("the program Kestrum is not built");
    QVERIFY2(QFileInfo(convertPath).isExecutable(), "kestrum-convert is not built");
    m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    QVERIFY2(!m_xdotool.isEmpty(), "xdotool is missing (scripts/deps.sh installs it)");
    QVERIFY2(xkbprobe::available(), "no XKB connection to $DISPLAY");
}

void TestProgram::init() {
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
}

void TestProgram::cleanup() {
    if (m_program) {
        if (m_program->state() != QProcess::NotRunning) {
            m_program->kill();
            m_program->waitForFinished(StepTimeoutMs);
        }
        if (QTest::currentTestFailed())
            qWarning().noquote() << "Kestrum's output:\n" << m_program->readAll();
        m_program.reset();
    }
    m_home.reset();
}

std::optional<QString> TestProgram::xdotool(const QStringList &args) {
    QProcess process;
    process.start(m_xdotool, args);
    if (!process.waitForFinished(StepTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

void TestProgram::startProgram() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_home->path());
    env.insert(QStringLiteral("KESTRUM_COMPONENT_REGISTRY"),
               m_home->filePath(QStringLiteral("components.conf")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_mainWindow.clear();
    m_program = std::make_unique<QProcess>();
    m_program->setProcessEnvironment(env);
    // A working folder of its own: a file dialog that starts there shows in no test's folder.
    QDir(m_home->path()).mkdir(QStringLiteral("cwd"));
    m_program->setWorkingDirectory(m_home->filePath(QStringLiteral("cwd")));
    m_program->setProcessChannelMode(QProcess::MergedChannels);
    m_program->start(programPath, {});
    QVERIFY2(m_program->waitForStarted(StepTimeoutMs), qPrintable(m_program->errorString()));
}

QStringList TestProgram::kestrumWindows(const QString &title) {
    // xdotool search exits 1 when nothing matches: that is an empty list here.
    const std::optional<QString> found =
        xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')});
    return found ? found->split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList();
}

void TestProgram::waitForMainWindow() {
    QElapsedTimer timer;
    timer.start();
    while (m_mainWindow.isEmpty() && timer.elapsed() < StartTimeoutMs) {
        QVERIFY2(m_program->state() == QProcess::Running, "Kestrum ended during start-up");
        // The splash window carries the title too, but is a dialog.
        for (const QString &window : kestrumWindows())
            if (!xclient::isDialog(window.toULong()))
                m_mainWindow = window;
        if (m_mainWindow.isEmpty())
            QTest::qWait(200);
    }
    QVERIFY2(!m_mainWindow.isEmpty(), "no visible window titled Kestrum in time");
}

void TestProgram::startWithCapsLock(bool capsBefore) {
    QVERIFY(xkbprobe::setLocked(Lock::Caps, capsBefore));
    startProgram();
    waitForMainWindow();
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(waitUntil([] { return xkbprobe::isLocked(Lock::Caps); }),
             "Caps Lock is not on while Kestrum runs");
}

QString TestProgram::waitForDialog(const QString &title) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < StepTimeoutMs) {
        for (const QString &window : kestrumWindows(title))
            if (window != m_mainWindow && xclient::isDialog(window.toULong()))
                return window;
        QTest::qWait(200);
    }
    return {};
}

void TestProgram::focusMainWindow() {
    // No window manager: give the window the X input focus and put the pointer over it.
    QVERIFY(xdotool({QStringLiteral("windowfocus"), m_mainWindow}).has_value());
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_mainWindow,
                     QStringLiteral("20"), QStringLiteral("60")})
                .has_value());
    QVERIFY2(waitUntil([this] {
                 return xdotool({QStringLiteral("getwindowfocus")}).value_or(QString()).trimmed() ==
                        m_mainWindow;
             }),
             "the main window did not get the keyboard focus");
}

void TestProgram::startFocused() {
    startWithCapsLock(false);
    if (!QTest::currentTestFailed())
        focusMainWindow();
}

bool TestProgram::type(const QString &text) {
    return xdotool({QStringLiteral("type"), QStringLiteral("--clearmodifiers"),
                    QStringLiteral("--delay"), QStringLiteral("40"), text})
        .has_value();
}

void TestProgram::exitThroughMenu() {
    focusMainWindow();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("alt+f")}).has_value());
    QTest::qWait(500); // let the menu open
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("x")}).has_value());
    QVERIFY2(m_program->waitForFinished(StepTimeoutMs), "Kestrum did not end after File > Exit");
    QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program->exitCode(), 0);
}

QRect TestProgram::windowGeometry(const QString &window) {
    const QString geometry =
        xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window})
            .value_or(QString());
    QRect rect;
    for (const QString &line : geometry.split(QLatin1Char('\n'))) {
        const int value = line.section(QLatin1Char('='), 1).toInt();
        if (line.startsWith(QLatin1String("X=")))
            rect.moveLeft(value);
        else if (line.startsWith(QLatin1String("Y=")))
            rect.moveTop(value);
        else if (line.startsWith(QLatin1String("WIDTH=")))
            rect.setWidth(value);
        else if (line.startsWith(QLatin1String("HEIGHT=")))
            rect.setHeight(value);
    }
    return rect;
}

void TestProgram::startAndType(const QString &sentence) {
    startFocused();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(type(sentence));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("space")}).has_value());
}

QString TestProgram::copyAreaAt(double x, double y) {
    const QRect window = windowGeometry(m_mainWindow);
    const int width = window.width(), height = window.height();
    if (width <= 0 || height <= 0)
        return QStringLiteral("<no window geometry>");

    // A marker of the test's own first, so a copy that never arrives is not mistaken for one.
    const QString marker = QStringLiteral("<nothing copied>");
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(marker);
    if (!xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_mainWindow,
                  QString::number(int(width * x)), QString::number(int(height * y)),
                  QStringLiteral("click"), QStringLiteral("1")})
             .has_value())
        return QStringLiteral("<click failed>");
    // On a loaded machine the clipboard can read empty for a while after a copy (its owner
    // changes more than once; the click into the input area starts a conversion): keep reading,
    // and select and copy again while nothing, or an empty text, arrives. An area that really
    // holds no text still fails the comparison.
    const auto copied = [&] {
        const QString text = clipboard->text();
        return !text.isEmpty() && text != marker;
    };
    QElapsedTimer timer;
    timer.start();
    do {
        QTest::qWait(300);
        // Not ctrl+a: that is one of the program's menu shortcuts.
        if (!xdotool({QStringLiteral("key"), QStringLiteral("ctrl+Home"),
                      QStringLiteral("ctrl+shift+End")})
                 .has_value())
            return QStringLiteral("<keys failed>");
        QTest::qWait(300);
        if (!xdotool({QStringLiteral("key"), QStringLiteral("ctrl+c")}).has_value())
            return QStringLiteral("<keys failed>");
        for (int i = 0; i < 50 && !copied(); ++i)
            QTest::qWait(100);
    } while (!copied() && timer.elapsed() < StepTimeoutMs);
    return clipboard->text();
}

// Rows: the Caps Lock state before start, whether the user toggles it while the program runs,
// and the state after File > Exit (the byte saved at start-up, written back).
void TestProgram::capsLockIsForcedAndPutBack_data() {
    QTest::addColumn<bool>("capsBefore");
    QTest::addColumn<bool>("userToggles");
    QTest::addColumn<bool>("capsAfter");

    QTest::newRow("off before: on while running, off after") << false << false << false;
    QTest::newRow("on before: on during and after") << true << false << true;
    QTest::newRow("on before, user turns it off: on after") << true << true << true;
    QTest::newRow("off before, user turns it off: off after") << false << true << false;
}

void TestProgram::capsLockIsForcedAndPutBack() {
    QFETCH(bool, capsBefore);
    QFETCH(bool, userToggles);
    QFETCH(bool, capsAfter);

    startWithCapsLock(capsBefore);
    if (QTest::currentTestFailed())
        return;
    QTest::qWait(500);
    QVERIFY2(xkbprobe::isLocked(Lock::Caps), "Caps Lock went off again while Kestrum runs");

    if (userToggles) {
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")}).has_value());
        QVERIFY(waitUntil([] { return !xkbprobe::isLocked(Lock::Caps); }));
    }

    exitThroughMenu();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(xkbprobe::isLocked(Lock::Caps), capsAfter);
}

// Rows: what is typed, the key that ends it, and what that key adds to the input area.
void TestProgram::typedSentenceIsConverted_data() {
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QString>("endKey");
    QTest::addColumn<QString>("endKeyText");

    QTest::newRow("space after the last word") << "AmI bAnglAy gAn gAI"
                                               << "space"
                                               << " ";
    QTest::newRow("enter after the last word") << "AmI bAnglAy gAn gAI"
                                               << "Return"
                                               << "\n";
    QTest::newRow("digits and a full stop") << "kARmA 1971."
                                            << "space"
                                            << " ";
}

void TestProgram::typedSentenceIsConverted() {
    QFETCH(QString, sentence);
    QFETCH(QString, endKey);
    QFETCH(QString, endKeyText);

    startFocused();
    if (QTest::currentTestFailed())
        return;
    // The input area has the focus from the start.
    QVERIFY(type(sentence));
    QVERIFY(xdotool({QStringLiteral("key"), endKey}).has_value());

    // The key converts the input with the key in it.
    const QString expected = asCopied(convertedByTool(sentence + endKeyText));
    QVERIFY(!expected.isEmpty());

    QCOMPARE(copyAreaAt(0.5, 0.65), expected);              // text2
    QCOMPARE(copyAreaAt(0.5, 0.25), sentence + endKeyText); // Text1: what arrived

    exitThroughMenu();
}

void TestProgram::closeRequestAsksFirst() {
    startWithCapsLock(false);
    if (QTest::currentTestFailed())
        return;

    // Each close request shows the question box, a dialog titled "Kestrum".
    const auto askToClose = [this]() -> QString {
        if (!xclient::sendCloseRequest(m_mainWindow.toULong()))
            return {};
        return waitForDialog();
    };
    const auto answer = [this](const QString &box, const QString &keys) {
        xdotool({QStringLiteral("windowfocus"), box});
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), box, QStringLiteral("10"),
                 QStringLiteral("10")});
        QTest::qWait(300);
        return xdotool({QStringLiteral("key"), keys}).has_value();
    };

    QString box = askToClose();
    QVERIFY2(!box.isEmpty(), "no question box after the close request");
    QVERIFY(answer(box, QStringLiteral("alt+n")));
    QVERIFY2(waitUntil([&] { return kestrumWindows() == QStringList{m_mainWindow}; }),
             "the question box stayed after No");
    QTest::qWait(1000);
    QCOMPARE(m_program->state(), QProcess::Running);
    QVERIFY(xkbprobe::isLocked(Lock::Caps));

    box = askToClose();
    QVERIFY2(!box.isEmpty(), "no question box after the second close request");
    QVERIFY(answer(box, QStringLiteral("alt+y")));
    QVERIFY2(m_program->waitForFinished(StepTimeoutMs), "Kestrum did not end after Yes");
    QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program->exitCode(), 0);
    QVERIFY2(!xkbprobe::isLocked(Lock::Caps), "Yes did not put Caps Lock back");
}

// Help > About shows the About window above the main window, also the second time (a window
// shown again keeps its old place in the stacking order unless it is raised). Seen on the
// screen itself: the version line is light text on black, where the editor behind is white.
void TestProgram::aboutWindowComesOutOnTop() {
    startProgram();
    waitForMainWindow();
    if (QTest::currentTestFailed())
        return;
    const auto openAbout = [this]() -> QString {
        focusMainWindow();
        xdotool({QStringLiteral("key"), QStringLiteral("alt+h")});
        QTest::qWait(500);
        // The menu opens on its first item, Substitution Table; About is the next.
        xdotool({QStringLiteral("key"), QStringLiteral("Down")});
        QTest::qWait(300);
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        return waitForDialog();
    };
    // The share of the version line's black background that the screen shows at its place.
    const auto versionLineShowing = [this](const QString &about) {
        const QPoint at = windowGeometry(about).topLeft();
        const int x = at.x(), y = at.y();
        // The version line: 3720, 3870, 3135 x 345 twips; its right part holds no text.
        const QImage shot = QGuiApplication::primaryScreen()
                                ->grabWindow(0, x + 3720 / 15 + 150, y + 3870 / 15 + 4, 50, 14)
                                .toImage();
        int black = 0;
        for (int j = 0; j < shot.height(); ++j)
            for (int i = 0; i < shot.width(); ++i)
                black += qGray(shot.pixel(i, j)) < 40;
        return double(black) / (shot.width() * shot.height());
    };

    for (int round = 1; round <= 2; ++round) {
        const QString about = openAbout();
        QVERIFY2(!about.isEmpty(),
                 qPrintable(QStringLiteral("no About window, round %1").arg(round)));
        QVERIFY2(
            waitUntil([&] { return versionLineShowing(about) > 0.9; }),
            qPrintable(QStringLiteral("the About window is hidden behind, round %1").arg(round)));
        // A click on its surface hides it (it stays loaded for the next time).
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), about,
                 QStringLiteral("5"), QStringLiteral("200"), QStringLiteral("click"),
                 QStringLiteral("1")});
        QVERIFY2(waitUntil([&] { return kestrumWindows() == QStringList{m_mainWindow}; }),
                 "the About window stayed after a click on it");
    }
    exitThroughMenu();
}

// The registry named by KESTRUM_COMPONENT_REGISTRY gets the control library on the first start
// (none under HOME), and a second start finds it there.
void TestProgram::registersItsControlLibraryWhereTold() {
    const QString registry = m_home->filePath(QStringLiteral("components.conf"));
    for (int run = 1; run <= 2; ++run) {
        startProgram();
        waitForMainWindow();
        if (QTest::currentTestFailed())
            return;
        QFile file(registry);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(registry));
        const QByteArray records = file.readAll();
        QVERIFY(records.contains("[ProgID GlimmetLib.Glimmet]"));
        QVERIFY(records.contains("libGlimmet3.so"));
        QVERIFY(!QFileInfo::exists(m_home->filePath(QStringLiteral(".config/kestrum"))));
        exitThroughMenu();
        if (QTest::currentTestFailed())
            return;
    }
}

// Save English File, Save Bangla File, New and Load from their shortcuts, through the real
// file dialogs: the name typed into the dialog is the file written, and the loaded file
// comes back into the input area and is converted.
void TestProgram::filesThroughTheRealDialogs() {
    const QString sentence = QStringLiteral("AmI bhAt khAI");
    startAndType(sentence);
    if (QTest::currentTestFailed())
        return;

    // Types a path into the dialog that the shortcut opens and takes it.
    const auto throughDialog = [this](const QString &shortcut, const QString &title,
                                      const QString &path) {
        focusMainWindow();
        if (!xdotool({QStringLiteral("key"), shortcut}))
            return false;
        const QString dialog = waitForDialog(title);
        if (dialog.isEmpty())
            return false;
        xdotool({QStringLiteral("windowfocus"), dialog});
        QTest::qWait(500);
        return type(path) &&
               xdotool({QStringLiteral("key"), QStringLiteral("Return")}).has_value() &&
               waitUntil([&] { return kestrumWindows(title).isEmpty(); });
    };
    const auto contents = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };

    const QString english = m_home->filePath(QStringLiteral("english.txt"));
    QVERIFY2(throughDialog(QStringLiteral("ctrl+s"), QStringLiteral("Save English File"), english),
             "Save English File: no dialog, or it did not take the name");
    QVERIFY(waitUntil([&] { return !contents(english).isEmpty(); }));
    QCOMPARE(contents(english), (sentence + QStringLiteral(" \r\n")).toLatin1());

    // Only a name: the dialog starts in the folder the English file went to.
    const QString bangla = m_home->filePath(QStringLiteral("bangla"));
    QVERIFY2(throughDialog(QStringLiteral("ctrl+b"), QStringLiteral("Save Bangla File"),
                           QStringLiteral("bangla")),
             "Save Bangla File: no dialog, or it did not take the name");
    QVERIFY(waitUntil([&] { return contents(bangla).startsWith("{\\rtf1"); }));
    QVERIFY(contents(bangla).contains("SutonnyMJ"));

    // Saved since the last typing: New clears both areas without asking.
    focusMainWindow();
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+n")}).has_value());
    QTest::qWait(500);
    QVERIFY(kestrumWindows() == QStringList{m_mainWindow});

    QVERIFY2(throughDialog(QStringLiteral("ctrl+o"), QStringLiteral("Open"), english),
             "Load: no dialog, or it did not take the name");
    const QString expected = convertedByTool(sentence + QLatin1Char(' '));
    QVERIFY(!expected.isEmpty());
    // No window manager gives the focus back after the dialog: the test does, so the frame's
    // activation (which puts the focus into the input area) is over before the copying.
    focusMainWindow();
    QTest::qWait(500);
    QCOMPARE(copyAreaAt(0.5, 0.65), expected);
    QCOMPARE(copyAreaAt(0.5, 0.25), sentence + QLatin1Char(' '));
    exitThroughMenu();
}

// F1 slides the table window in at the frame's right edge (its black lists show there); a glyph
// string dragged out of it with the real mouse lands at the end of the output area; the frame's
// menu bar then closes it again.
void TestProgram::tableWindowSlidesInAndGlyphsDragOut() {
    const QString sentence = QStringLiteral("AmI bhAt khAI");
    startAndType(sentence);
    if (QTest::currentTestFailed())
        return;
    const QRect window = windowGeometry(m_mainWindow);
    QVERIFY(window.width() > 400 && window.height() > 300);
    // The table window is 3420 twips (228 pixels) wide; its List1 starts 4 pixels in.
    const int list1X = window.width() - 228 + 30;
    const auto column = [&] {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, window.x() + list1X, window.y(), 1, window.height())
            .toImage();
    };
    // The share of black in the strip where the lists stand when the window is docked.
    const auto blackShare = [&] {
        const QImage shot = column();
        int black = 0;
        for (int j = shot.height() * 2 / 5; j < shot.height() * 3 / 5; ++j)
            black += qGray(shot.pixel(0, j)) < 40;
        return double(black) / (shot.height() / 5);
    };
    QVERIFY(blackShare() < 0.1);
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("F1")}).has_value());
    QVERIFY2(waitUntil([&] { return blackShare() > 0.9; }), "no table window at the right edge");

    // The first entry of List1 (the first consonant) lies just below the list's top edge.
    const QImage shot = column();
    int top = 0;
    while (top < shot.height() && qGray(shot.pixel(0, top)) >= 40)
        ++top;
    QVERIFY(top < shot.height() / 3);
    const int entryY = top + 12;
    const int dropX = window.width() / 3, dropY = window.height() * 65 / 100;
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_mainWindow,
                     QString::number(list1X), QString::number(entryY)})
                .has_value());
    QVERIFY(xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}).has_value());
    for (int step = 1; step <= 8; ++step) {
        QTest::qWait(80);
        QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_mainWindow,
                         QString::number(list1X + (dropX - list1X) * step / 8),
                         QString::number(entryY + (dropY - entryY) * step / 8)})
                    .has_value());
    }
    QTest::qWait(300);
    QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}).has_value());
    QTest::qWait(500);

    QFile first(QStringLiteral(KESTRUM_BIN_DIR "/first.alpha"));
    QVERIFY(first.open(QIODevice::ReadOnly));
    const QByteArray firstConsonant = first.readAll().split('\n').at(13).split(',').at(1);
    // The Space converted the input with the Space in it; the glyph came after.
    const QString expected = convertedByTool(sentence + QLatin1Char(' '));
    QVERIFY(!expected.isEmpty());
    QCOMPARE(copyAreaAt(0.3, 0.65), expected + fromCp1252(firstConsonant));

    // Active again after a click into it, the table window shows its one menu-bar command.
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_mainWindow,
                     QString::number(window.width() - 60), QString::number(window.height() / 2),
                     QStringLiteral("click"), QStringLiteral("1")})
                .has_value());
    QTest::qWait(500);
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_mainWindow,
                     QStringLiteral("40"), QStringLiteral("10"), QStringLiteral("click"),
                     QStringLiteral("1")})
                .has_value());
    QVERIFY2(waitUntil([&] { return blackShare() < 0.1; }), "the table window did not close");
    exitThroughMenu();
}

bool TestProgram::clickAt(double x, double y) {
    const QRect window = windowGeometry(m_mainWindow);
    return xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_mainWindow,
                    QString::number(int(window.width() * x)),
                    QString::number(int(window.height() * y)), QStringLiteral("click"),
                    QStringLiteral("1")})
        .has_value();
}

int TestProgram::openTableWindow() {
    const QRect window = windowGeometry(m_mainWindow);
    // The table window is 3420 twips (228 pixels) wide; its List1 is black.
    const int left = window.x() + window.width() - 228;
    const auto docked = [&] {
        const QImage column = QGuiApplication::primaryScreen()
                                  ->grabWindow(0, left + 30, window.y(), 1, window.height())
                                  .toImage();
        int black = 0;
        for (int j = column.height() * 2 / 5; j < column.height() * 3 / 5; ++j)
            black += qGray(column.pixel(0, j)) < 40;
        return black > column.height() / 5 * 9 / 10;
    };
    if (!xdotool({QStringLiteral("key"), QStringLiteral("F1")}) || !waitUntil(docked))
        return 0;
    return left;
}

// Rows: the key typed after a word put in front of the text there, and what it adds. The
// conversion it starts sees it: the new word and the old ones stay apart in the output, and a
// saved Bangla file holds them apart too.
void TestProgram::spaceOrEnterInsideTheTextConvertsWithIt_data() {
    QTest::addColumn<QString>("endKey");
    QTest::addColumn<QString>("endKeyText");
    QTest::newRow("space") << "space"
                           << " ";
    QTest::newRow("enter") << "Return"
                           << "\n";
}

void TestProgram::spaceOrEnterInsideTheTextConvertsWithIt() {
    QFETCH(QString, endKey);
    QFETCH(QString, endKeyText);
    startAndType(QStringLiteral("AmI tUmI"));
    if (QTest::currentTestFailed())
        return;
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+Home")}).has_value());
    QVERIFY(type(QStringLiteral("Ek")));
    QVERIFY(xdotool({QStringLiteral("key"), endKey}).has_value());
    const QString input = QStringLiteral("Ek") + endKeyText + QStringLiteral("AmI tUmI ");
    const QString expected = asCopied(convertedByTool(input));
    QVERIFY(!expected.isEmpty());
    QCOMPARE(copyAreaAt(0.5, 0.65), expected);
    QCOMPARE(copyAreaAt(0.5, 0.25), input);
    exitThroughMenu();
}

// With the caret last in the output area, F1, a click on the table's English list, then a
// click into the input area: what is typed next lands in the input area.
void TestProgram::clickIntoTheInputWhileTheTableIsOpen() {
    startFocused();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(type(QStringLiteral("AmI")));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")}).has_value()); // Convert it!
    const QString output = convertedByTool(QStringLiteral("AmI"));
    QCOMPARE(copyAreaAt(0.3, 0.65), output); // leaves the caret in the output area
    const int tableLeft = openTableWindow();
    QVERIFY2(tableLeft > 0, "no table window at the right edge");
    const QRect window = windowGeometry(m_mainWindow);
    // List2, the English list, starts 1755 twips (117 pixels) into the table window.
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_mainWindow,
                     QString::number(tableLeft - window.x() + 150),
                     QString::number(window.height() / 3), QStringLiteral("click"),
                     QStringLiteral("1")})
                .has_value());
    QTest::qWait(300);
    QVERIFY(clickAt(0.3, 0.25));
    QTest::qWait(300);
    QVERIFY(type(QStringLiteral("kh")));
    // The click that copies the input converts it.
    QCOMPARE(copyAreaAt(0.3, 0.25), QStringLiteral("AmIkh"));
    QCOMPARE(copyAreaAt(0.3, 0.65), convertedByTool(QStringLiteral("AmIkh")));
    exitThroughMenu();
}

// Clicks on the table's group buttons in quick succession, with the real pointer: once the
// pointer has left them, exactly the group on show is yellow and no button shows its high
// state (the high caption colour, navy, on a button the pointer is not over).
void TestProgram::groupButtonsShowTheGroupOnShow() {
    startFocused();
    if (QTest::currentTestFailed())
        return;
    const int tableLeft = openTableWindow();
    QVERIFY2(tableLeft > 0, "no table window at the right edge");
    const QRect window = windowGeometry(m_mainWindow);
    // The buttons are 2925 twips (195 pixels) wide, 9 pixels into the table window, one every
    // 270 twips (18 pixels); Consonants, the fifth, is yellow when the window opens.
    const int buttonsLeft = tableLeft + 9, buttonsWidth = 195, pitch = 18;
    const auto isYellow = [](QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 80; };
    const QImage column = QGuiApplication::primaryScreen()
                              ->grabWindow(0, buttonsLeft + 4, window.y(), 1, window.height())
                              .toImage();
    int consonantsTop = 0;
    while (consonantsTop < column.height() && !isYellow(column.pixel(0, consonantsTop)))
        ++consonantsTop;
    QVERIFY2(consonantsTop < column.height(), "no yellow group button");
    // On the screen.
    const auto buttonTop = [&](int i) { return window.y() + consonantsTop + (i - 4) * pitch; };

    // Per button: its background is yellow; its caption shows the high colour.
    struct Shown {
        bool yellow;
        bool high;
    };
    const auto shown = [&] {
        const QImage strip = QGuiApplication::primaryScreen()
                                 ->grabWindow(0, buttonsLeft, buttonTop(0), buttonsWidth, pitch * 7)
                                 .toImage();
        std::vector<Shown> buttons;
        for (int i = 0; i < 7; ++i) {
            const int top = i * pitch;
            Shown button{isYellow(strip.pixel(3, top + pitch / 2)), false};
            for (int y = top + 2; y < top + pitch - 3; ++y)
                for (int x = 0; x < strip.width(); ++x)
                    button.high =
                        button.high || qBlue(strip.pixel(x, y)) - qRed(strip.pixel(x, y)) > 40;
            buttons.push_back(button);
        }
        return buttons;
    };
    const auto onlyShowing = [&](int group) {
        const std::vector<Shown> buttons = shown();
        for (int i = 0; i < 7; ++i)
            if (buttons[std::size_t(i)].yellow != (i == group) || buttons[std::size_t(i)].high)
                return false;
        return true;
    };
    const auto describe = [&] {
        QString text;
        for (const Shown &button : shown())
            text += QStringLiteral("%1%2 ").arg(button.yellow ? "yellow" : "grey",
                                                button.high ? "+high" : "");
        return text;
    };

    const int x = buttonsLeft - window.x() + buttonsWidth / 2;
    const QList<QList<int>> rounds{{0, 1, 2, 3, 5, 6, 1}, {6, 5, 3, 2, 0}, {2, 2, 3, 3, 4}};
    for (const QList<int> &clicks : rounds) {
        QStringList args;
        for (const int i : clicks)
            args << QStringLiteral("mousemove") << QStringLiteral("--window") << m_mainWindow
                 << QString::number(x) << QString::number(buttonTop(i) - window.y() + pitch / 2)
                 << QStringLiteral("click") << QStringLiteral("1");
        // Then away, over the glyph list.
        args << QStringLiteral("mousemove") << QStringLiteral("--window") << m_mainWindow
             << QString::number(tableLeft - window.x() + 40)
             << QString::number(window.height() / 3);
        QVERIFY(xdotool(args).has_value());
        QVERIFY2(
            waitUntil([&] { return onlyShowing(clicks.last()); }, 5000),
            qPrintable(QStringLiteral("after %1 clicks: %2").arg(clicks.size()).arg(describe())));
    }
    // The table window is the active child now: its menu bar has no File menu.
    QVERIFY(clickAt(0.3, 0.25));
    exitThroughMenu();
}

// Rows: the signals that end a program without asking it (a logout's SIGTERM, Ctrl+C's SIGINT,
// the terminal closing: SIGHUP). Each puts the Caps Lock state back before the program ends.
void TestProgram::capsLockIsPutBackOnTermination_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("capsBefore");
    QTest::newRow("SIGTERM, off before") << int(SIGTERM) << false;
    QTest::newRow("SIGINT, off before") << int(SIGINT) << false;
    QTest::newRow("SIGHUP, off before") << int(SIGHUP) << false;
    QTest::newRow("SIGTERM, on before") << int(SIGTERM) << true;
}

void TestProgram::capsLockIsPutBackOnTermination() {
    QFETCH(int, signalNumber);
    QFETCH(bool, capsBefore);
    startWithCapsLock(capsBefore);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(::kill(pid_t(m_program->processId()), signalNumber) == 0);
    QVERIFY2(m_program->waitForFinished(StepTimeoutMs), "Kestrum did not end on the signal");
    // It ends by the signal, as a program the signal ends does.
    QCOMPARE(m_program->exitStatus(), QProcess::CrashExit);
    QCOMPARE(xkbprobe::isLocked(Lock::Caps), capsBefore);
    QVERIFY(kestrumWindows().isEmpty());
}

// File > Exit, chosen with the menu's access keys: the program has ended (Caps Lock put back,
// no window left) as soon as the item is chosen. The time from the key to the end of the
// process is reported, not judged.
void TestProgram::exitEndsAtOnce() {
    startAndType(QStringLiteral("AmI"));
    if (QTest::currentTestFailed())
        return;
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("alt+f")}).has_value());
    // The open menu is a window of the program's own besides the main window.
    QVERIFY2(waitUntil([&] {
                 const QStringList windows =
                     xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                              QStringLiteral("--class"), QStringLiteral("Kestrum")})
                         .value_or(QString())
                         .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                 return windows.size() > 1;
             }),
             "the File menu did not open");
    QTest::qWait(300);
    QElapsedTimer sinceKey;
    sinceKey.start();
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("x")}).has_value());
    QVERIFY2(m_program->waitForFinished(StepTimeoutMs), "Kestrum did not end after File > Exit");
    qInfo("File > Exit: the process ended %lld ms after the key", sinceKey.elapsed());
    QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program->exitCode(), 0);
    QVERIFY(!xkbprobe::isLocked(Lock::Caps));
    QVERIFY(kestrumWindows().isEmpty());
}

// Going to another program and coming back: a word typed but not yet converted is converted by
// the next caret key, and the area that had the focus still has it.
void TestProgram::comingBackFromAnotherProgram() {
    startFocused();
    if (QTest::currentTestFailed())
        return;
    QWidget other;
    other.setWindowTitle(QStringLiteral("Another program"));
    other.resize(300, 200);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    const QString otherWindow = QString::number(other.winId());
    // Qt tells a program that it lost the focus to another one only after a while (a focus that
    // comes back at once is no deactivation); nothing outside the program shows when, so the
    // test waits well past it.
    const auto goAwayAndBack = [&] {
        if (!xdotool({QStringLiteral("windowfocus"), otherWindow}) || !waitUntil([&] {
                return xdotool({QStringLiteral("getwindowfocus")}).value_or(QString()).trimmed() ==
                       otherWindow;
            }))
            return false;
        QTest::qWait(1500);
        focusMainWindow();
        return !QTest::currentTestFailed();
    };

    QVERIFY(type(QStringLiteral("AmI")));
    QVERIFY(goAwayAndBack());
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("End")}).has_value());
    const QString output = convertedByTool(QStringLiteral("AmI"));
    QVERIFY(!output.isEmpty());
    QCOMPARE(copyAreaAt(0.3, 0.65), output);

    // The caret in the output area, away and back: the typing goes on there.
    QVERIFY(clickAt(0.3, 0.65)); // ends the selection the copy made
    QTest::qWait(300);
    QVERIFY(goAwayAndBack());
    QVERIFY(type(QStringLiteral("x")));
    QCOMPARE(copyAreaAt(0.3, 0.65), output + QLatin1Char('x'));
    QCOMPARE(copyAreaAt(0.3, 0.25), QStringLiteral("AmI"));
    exitThroughMenu();
}

// Rows: the Caps Lock state before start. Kestrum forces it on while its editor is active; the
// user's own state is back while another program or one of Kestrum's file dialogs is active,
// so what is typed there arrives as typed.
void TestProgram::capsLockFollowsTheActiveWindow_data() {
    QTest::addColumn<bool>("capsBefore");
    QTest::newRow("off before") << false;
    QTest::newRow("on before") << true;
}

void TestProgram::capsLockFollowsTheActiveWindow() {
    QFETCH(bool, capsBefore);
    startWithCapsLock(capsBefore);
    if (QTest::currentTestFailed())
        return;
    focusMainWindow();
    QLineEdit other;
    other.setWindowTitle(QStringLiteral("Another program"));
    other.resize(300, 40);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    const QString otherWindow = QString::number(other.winId());
    const auto capsIs = [](bool on) {
        return waitUntil([on] { return xkbprobe::isLocked(Lock::Caps) == on; });
    };

    for (int round = 1; round <= 2; ++round) {
        QVERIFY(xdotool({QStringLiteral("windowfocus"), otherWindow}).has_value());
        QVERIFY2(capsIs(capsBefore),
                 qPrintable(QStringLiteral("round %1: not the user's Caps Lock state in "
                                           "another program")
                                .arg(round)));
        other.clear();
        // Without --clearmodifiers: the letters arrive as the Caps Lock state makes them.
        QVERIFY(xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"),
                         QStringLiteral("sonar")})
                    .has_value());
        QVERIFY(waitUntil([&] { return other.text().size() == 5; }));
        QCOMPARE(other.text(), capsBefore ? QStringLiteral("SONAR") : QStringLiteral("sonar"));
        focusMainWindow();
        QVERIFY2(capsIs(true), qPrintable(QStringLiteral("round %1: Caps Lock not on again in "
                                                         "the editor")
                                              .arg(round)));
    }

    // Kestrum's own file dialog: the name typed there is the name saved.
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+s")}).has_value());
    const QString dialog = waitForDialog(QStringLiteral("Save English File"));
    QVERIFY2(!dialog.isEmpty(), "no Save English File dialog");
    QVERIFY(xdotool({QStringLiteral("windowfocus"), dialog}).has_value());
    QVERIFY2(capsIs(capsBefore), "not the user's Caps Lock state in the file dialog");
    if (!capsBefore) {
        QTest::qWait(500);
        const QString path = m_home->filePath(QStringLiteral("sonar.txt"));
        QVERIFY(
            xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), path})
                .has_value());
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}).has_value());
        QVERIFY2(waitUntil([&] { return QFileInfo::exists(path); }),
                 "the file was not saved under the name typed");
    } else {
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Escape")}).has_value());
    }
    QVERIFY(
        waitUntil([&] { return kestrumWindows(QStringLiteral("Save English File")).isEmpty(); }));
    focusMainWindow();
    QVERIFY2(capsIs(true), "Caps Lock not on again after the file dialog");
    exitThroughMenu();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(xkbprobe::isLocked(Lock::Caps), capsBefore);
}

// Rows: a termination signal sent while the start-up message box is up (a registry record
// that is refused: its library is writable by others). The program ends by the signal at once,
// without opening its window, and Caps Lock stays as the user had it.
void TestProgram::signalDuringTheStartUpMessage_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("capsBefore");
    QTest::newRow("SIGTERM, off before") << int(SIGTERM) << false;
    QTest::newRow("SIGINT, on before") << int(SIGINT) << true;
    QTest::newRow("SIGHUP, off before") << int(SIGHUP) << false;
}

void TestProgram::signalDuringTheStartUpMessage() {
    QFETCH(int, signalNumber);
    QFETCH(bool, capsBefore);
    const QString copy = m_home->filePath(QStringLiteral("libGlimmet3.so"));
    QVERIFY(QFile::copy(QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so"), copy));
    QProcess regcontrol;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_home->path());
    env.insert(QStringLiteral("KESTRUM_COMPONENT_REGISTRY"),
               m_home->filePath(QStringLiteral("components.conf")));
    regcontrol.setProcessEnvironment(env);
    regcontrol.start(regcontrolPath, {copy});
    QVERIFY(regcontrol.waitForFinished(StepTimeoutMs));
    QCOMPARE(regcontrol.exitCode(), 0);
    QVERIFY(QFile::setPermissions(copy, QFile::permissions(copy) | QFile::WriteOther));

    QVERIFY(xkbprobe::setLocked(Lock::Caps, capsBefore));
    startProgram();
    if (QTest::currentTestFailed())
        return;
    const QString box = waitForDialog();
    QVERIFY2(!box.isEmpty(), "no message box at start-up");
    QVERIFY(::kill(pid_t(m_program->processId()), signalNumber) == 0);
    QVERIFY2(m_program->waitForFinished(StepTimeoutMs), "Kestrum did not end on the signal");
    QCOMPARE(m_program->exitStatus(), QProcess::CrashExit);
    QCOMPARE(xkbprobe::isLocked(Lock::Caps), capsBefore);
    QVERIFY(kestrumWindows().isEmpty());
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"

QString TestProgram::copyAsUnicode() {
    const QString marker = QStringLiteral("<nothing copied>");
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(marker);
    QTest::qWait(200);
    if (!xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+c")}).has_value())
        return QStringLiteral("<keys failed>");
    waitUntil([&] {
        const QString text = clipboard->text();
        return !text.isEmpty() && text != marker;
    });
    return clipboard->text();
}

// Real keys and clicks: Copy as Unicode converts the word typed last and leaves out a word
// Backspace deleted; a glyph double-clicked in the table goes to the output area's caret and
// stays there when a word is typed into the input; English pasted with Bengali into the output
// stays English.
void TestProgram::whatLeavesIsWhatWasTyped() {
    startFocused();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(type(QStringLiteral("AmI kOlOm")));
    QCOMPARE(copyAsUnicode(), QStringLiteral("আমি কলম"));
    for (int i = 0; i < 5; ++i)
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("BackSpace")}).has_value());
    QCOMPARE(copyAsUnicode(), QStringLiteral("আমি "));

    // The caret to the start of the output area, then a glyph from the table.
    QVERIFY(clickAt(0.3, 0.65));
    QTest::qWait(300);
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+Home")}).has_value());
    const int tableLeft = openTableWindow();
    QVERIFY2(tableLeft > 0, "no table window at the right edge");
    const QRect window = windowGeometry(m_mainWindow);
    const int list1X = tableLeft - window.x() + 30;
    const QImage column = QGuiApplication::primaryScreen()
                              ->grabWindow(0, tableLeft + 30, window.y(), 1, window.height())
                              .toImage();
    int top = 0;
    while (top < column.height() && qGray(column.pixel(0, top)) >= 40)
        ++top;
    QVERIFY(top < column.height() / 3);
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_mainWindow,
                     QString::number(list1X), QString::number(top + 12), QStringLiteral("click"),
                     QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("1")})
                .has_value());
    QTest::qWait(500);
    QFile first(QStringLiteral(KESTRUM_BIN_DIR "/first.alpha"));
    QVERIFY(first.open(QIODevice::ReadOnly));
    const QString glyph = fromCp1252(first.readAll().split('\n').at(13).split(',').at(1));
    const QString output = glyph + convertedByTool(QStringLiteral("AmI "));
    QCOMPARE(copyAsUnicode(), unicodeByTool(output));

    // A word typed into the input converts; the glyph stays where it went.
    QVERIFY(clickAt(0.3, 0.25));
    QTest::qWait(300);
    QVERIFY(type(QStringLiteral("bhAt")));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("space")}).has_value());
    const QString typed = glyph + convertedByTool(QStringLiteral("AmI bhAt "));
    QCOMPARE(copyAsUnicode(), unicodeByTool(typed));

    // Unicode with English words pasted at the end of the output area.
    const QString english = QStringLiteral("Hello আমি café");
    QGuiApplication::clipboard()->setText(english);
    QTest::qWait(300);
    QVERIFY(clickAt(0.3, 0.65));
    QTest::qWait(300);
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+End"), QStringLiteral("ctrl+v")})
                .has_value());
    // The program asks this process for the pasted text: let it answer.
    QTest::qWait(1000);
    QCOMPARE(copyAsUnicode(), unicodeByTool(typed) + english);
    exitThroughMenu();
}
