// Start-up and the splash/About window: the order of start-up, failures that stop it, the
// control library found on a fresh machine, and the splash window's two roles.
#include "artwork.h"
#include "editortestsupport.h"
#include "runtime/registry.h"
#include "splashwindow.h"
#include "twips.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

#include <sys/stat.h>

using namespace kestrum;
using namespace kestrum::test;

namespace {

const QStringList TableFiles = {QStringLiteral("first.alpha"), QStringLiteral("next.alpha"),
                                QStringLiteral("connect.alpha"), QStringLiteral("joint.alpha")};

// A copy of the built tables in `dir`.
void copyTables(const QString &dir) {
    for (const QString &name : TableFiles)
        QVERIFY(QFile::copy(QStringLiteral(KESTRUM_BIN_DIR "/") + name, dir + "/" + name));
}

// Clicks a point of the About window once the modal loop runs, then checks it ended.
void clickWhenShown(QWidget *(*target)(Program &), Program &program, QPoint at) {
    QTimer::singleShot(0, &program, [&program, target, at] {
        QWidget *widget = target(program);
        QTRY_VERIFY(widget->isVisible());
        QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    });
}

QWidget *surfaceOf(Program &program) {
    return program.splash();
}
QWidget *pictureOf(Program &program) {
    return program.splash()->Picture1;
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startUpOrder();
    void missingOrShortTableStopsStartUp_data();
    void missingOrShortTableStopsStartUp();
    void registersTheControlLibraryOnAFreshMachine();
    void replacesARegistrationThatPointsNowhere();
    void replacesARefusedRegistrationAndSaysSo();
    void replacesARegistrationFromAnotherTree();
    void keepsARegistrationOfItsOwnLibrary();
    void missingControlLibraryIsReported();
    void reactivationReloadsNothing();
    void splashContent();
    void splashClicksDuringStartUpDoNothing();
    void aboutSurfaceClickHidesAndKeepsTheWindow();
    void aboutPictureClickUnloadsTheWindow();
    void aboutFromThePopUpMenu();
    void aboutStaysWhileTheFrameIsBlocked();
};

void TestStartup::startUpOrder() {
    ScriptedBoxes boxes;
    TestProgram test(0x00);
    Program &program = *test.program;
    QVERIFY(!program.state().mainWindowShown);
    QVERIFY(program.start());
    QVERIFY(program.state().mainWindowShown);
    QVERIFY(!program.state().tableWindowShown());
    QCOMPARE(program.state().savedCapsState, std::uint8_t(0));
    QCOMPARE(test.keyboard->table[VkCapital], std::uint8_t(1)); // Caps Lock forced on
    QVERIFY(program.frame()->isVisible());
    QVERIFY(program.splash() && !program.splash()->isVisible());
    QVERIFY(program.editor() && program.editor()->isVisible());
    QCOMPARE(QByteArray::fromStdString(program.engine().convertBytes("AmI")),
             QByteArray("\x41\x76\x77\x67")); // the tables are loaded
    QVERIFY(boxes.requests.empty());
    QVERIFY(test.quits.empty());
}

void TestStartup::missingOrShortTableStopsStartUp_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("how"); // "remove", "cut", "folder", "fifo" or "mark"
    QTest::addColumn<QString>("says");
    QTest::newRow("next.alpha missing") << "next.alpha"
                                        << "remove"
                                        << "next.alpha";
    QTest::newRow("joint.alpha cut short") << "joint.alpha"
                                           << "cut"
                                           << "joint.alpha: record";
    // These aborted start-up with no word, or left it on the splash window for good.
    QTest::newRow("first.alpha is a folder") << "first.alpha"
                                             << "folder"
                                             << "first.alpha: cannot open";
    QTest::newRow("next.alpha is a FIFO") << "next.alpha"
                                          << "fifo"
                                          << "not a regular file (a FIFO)";
    QTest::newRow("connect.alpha with a UTF-8 mark") << "connect.alpha"
                                                     << "mark"
                                                     << "connect.alpha: the file is saved as UTF-8";
}

void TestStartup::missingOrShortTableStopsStartUp() {
    QFETCH(QString, file);
    QFETCH(QString, how);
    QFETCH(QString, says);
    QTemporaryDir dir;
    copyTables(dir.path());
    const QString path = dir.filePath(file);
    if (how != QLatin1String("cut") && how != QLatin1String("mark"))
        QVERIFY(QFile::remove(path));
    if (how == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    } else if (how == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (how == QLatin1String("mark")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray all = f.readAll();
        f.close();
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("\xEF\xBB\xBF" + all);
    } else if (how == QLatin1String("cut")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray head = f.read(40);
        f.close();
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(head.left(head.lastIndexOf('\n') + 1));
    }
    ScriptedBoxes boxes;
    TestProgram test(0x00, dir.path());
    QVERIFY(!test.program->start());
    QCOMPARE(test.program->exitCode(), 1);
    QCOMPARE(test.quits, std::vector<int>{1});
    QCOMPARE(boxes.requests.size(), std::size_t(1));
    QVERIFY2(boxes.requests[0].text.contains(says), qPrintable(boxes.requests[0].text));
    QCOMPARE(boxes.requests[0].icon, MessageBox::Icon::Critical);
    QVERIFY(!test.program->frame()->isVisible());
    QVERIFY(!test.program->editor());
    QVERIFY(!test.program->splash()->isVisible());
}

void TestStartup::registersTheControlLibraryOnAFreshMachine() {
    ScriptedBoxes boxes;
    TestProgram test;
    runtime::ComponentRegistry before;
    before.load();
    QVERIFY(!before.classIdOf(QStringLiteral("GlimmetLib.Glimmet")));
    QVERIFY(test.program->start());
    runtime::ComponentRegistry after;
    QCOMPARE(after.load(), runtime::StatusOk);
    QVERIFY(after.classIdOf(QStringLiteral("GlimmetLib.Glimmet")));
    QVERIFY(command1(test.editor()));
    QVERIFY(boxes.requests.empty());
}

void TestStartup::replacesARegistrationThatPointsNowhere() {
    ScriptedBoxes boxes;
    TestProgram test;
    // Register a copy of the library, then remove the copy: the record points nowhere.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("libGlimmet3.so"));
    QVERIFY(QFile::copy(QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so"), copy));
    {
        runtime::ComponentLoader loader;
        QCOMPARE(loader.registerLibrary(copy), runtime::StatusOk);
    }
    QVERIFY(QFile::remove(copy));
    QVERIFY(test.program->start());
    QVERIFY(command1(test.editor()));
    QVERIFY(boxes.requests.empty());
}

// A record whose library others could have written is refused before the library is loaded
// (loading runs its code); the program registers its own library and says so.
void TestStartup::replacesARefusedRegistrationAndSaysSo() {
    ScriptedBoxes boxes;
    TestProgram test;
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("libGlimmet3.so"));
    QVERIFY(QFile::copy(QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so"), copy));
    {
        runtime::ComponentLoader loader;
        QCOMPARE(loader.registerLibrary(copy), runtime::StatusOk);
    }
    QVERIFY(QFile::setPermissions(copy, QFile::permissions(copy) | QFile::WriteOther));
    QVERIFY(test.program->start());
    QVERIFY(command1(test.editor()));
    QCOMPARE(boxes.requests.size(), std::size_t(1));
    const QString said = boxes.requests[0].text;
    QCOMPARE(boxes.requests[0].icon, MessageBox::Icon::Exclamation);
    for (const QString &part :
         {QStringLiteral("refused the record"), copy, QStringLiteral("writable by others"),
          QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so")})
        QVERIFY2(said.contains(part), qPrintable(said));
    runtime::ComponentRegistry after;
    QCOMPARE(after.load(), runtime::StatusOk);
    const auto clsid = after.classIdOf(QStringLiteral("GlimmetLib.Glimmet"));
    QVERIFY(clsid);
    QCOMPARE(QFileInfo(after.classRecord(*clsid)->libraryPath).canonicalFilePath(),
             QFileInfo(QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so")).canonicalFilePath());
}

// The library registered for GlimmetLib.Glimmet, as the registry file names it.
static QString registeredLibrary() {
    runtime::ComponentRegistry registry;
    if (registry.load() != runtime::StatusOk)
        return {};
    const auto clsid = registry.classIdOf(QStringLiteral("GlimmetLib.Glimmet"));
    const auto record = clsid ? registry.classRecord(*clsid) : std::nullopt;
    return record ? record->libraryPath : QString();
}

void TestStartup::replacesARegistrationFromAnotherTree() {
    ScriptedBoxes boxes;
    TestProgram test;
    // Another tree's library, still there and loadable, holds the record.
    QTemporaryDir other;
    const QString copy = other.filePath(QStringLiteral("libGlimmet3.so"));
    QVERIFY(QFile::copy(QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so"), copy));
    {
        runtime::ComponentLoader loader;
        QCOMPARE(loader.registerLibrary(copy), runtime::StatusOk);
    }
    QCOMPARE(registeredLibrary(), copy);
    QVERIFY(test.program->start());
    QCOMPARE(QFileInfo(registeredLibrary()).canonicalFilePath(),
             QFileInfo(QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so")).canonicalFilePath());
    QVERIFY(command1(test.editor()));
    QVERIFY(boxes.requests.empty());
}

void TestStartup::keepsARegistrationOfItsOwnLibrary() {
    ScriptedBoxes boxes;
    // The program ships libGlimmet3.so; the record names the file its soname links lead to.
    const QString real =
        QFileInfo(QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so")).canonicalFilePath();
    QVERIFY(real != QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so"));
    TestProgram test;
    {
        runtime::ComponentLoader loader;
        QCOMPARE(loader.registerLibrary(real), runtime::StatusOk);
    }
    QFile file(runtime::ComponentRegistry::defaultPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    QVERIFY(test.program->start());
    QVERIFY(command1(test.editor()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(registeredLibrary(), real);
}

void TestStartup::missingControlLibraryIsReported() {
    ScriptedBoxes boxes;
    TestProgram test(0x00, QStringLiteral(KESTRUM_BIN_DIR),
                     QStringLiteral("/nowhere/libGlimmet3.so"));
    QVERIFY(!test.program->start());
    QCOMPARE(test.program->exitCode(), 1);
    QCOMPARE(boxes.requests.size(), std::size_t(1));
    QVERIFY2(boxes.requests[0].text.contains(QStringLiteral("/nowhere/libGlimmet3.so")),
             qPrintable(boxes.requests[0].text));
    QVERIFY(!test.program->frame());
    QCOMPARE(test.quits, std::vector<int>{1});
}

void TestStartup::reactivationReloadsNothing() {
    ScriptedBoxes boxes;
    auto dir = std::make_unique<QTemporaryDir>();
    copyTables(dir->path());
    TestProgram test(0x01, dir->path());
    QVERIFY(test.program->start());
    dir.reset(); // the tables are gone: a reload would fail loudly
    test.keyboard->table[VkCapital] = 0x00;
    test.program->frame()->activate();
    test.program->frame()->activate();
    QVERIFY(boxes.requests.empty());
    QCOMPARE(test.program->state().savedCapsState, std::uint8_t(1));
    QCOMPARE(test.keyboard->table[VkCapital], std::uint8_t(0)); // only Load forces it on
}

void TestStartup::splashContent() {
    ScriptedBoxes boxes;
    TestProgram test;
    QVERIFY(test.program->start());
    SplashWindow *splash = test.program->splash();
    QCOMPARE(splash->objectName(), QStringLiteral("Form2"));
    QCOMPARE(splash->Label2->text(), QStringLiteral("Version: " EXPECTED_VERSION));
    QCOMPARE(splash->Label1->text(),
             QStringLiteral("Pronounciation based English to Bengali Converter.(Special Version)"));
    const QStringList contact = splash->Text1->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(contact.size(), 8);
    QCOMPARE(contact[0], QStringLiteral("Author:"));
    QVERIFY(contact[4].isEmpty());
    QVERIFY(contact[5].contains(QLatin1Char('@')));
    QCOMPARE(splash->lines.size(), std::size_t(25));
    for (const QLine &line : splash->lines) // all inside the window
        QVERIFY(QRect(0, 0, 6901, 4321).contains(line.p1()) &&
                QRect(0, 0, 6901, 4321).contains(line.p2()));
    QCOMPARE(twips::rect(splash->Picture1), (twips::Rect{3720, 120, 3075, 1515}));
    QCOMPARE(splash->size(), QSize(twips::toPixels(6915), twips::toPixels(4350)));
    QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
    // The picture box shows a picture (not just its white background).
    const QImage image = splash->Picture1->grab().toImage();
    int coloured = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            coloured += QColor(image.pixel(x, y)) != QColor(Qt::white);
    QVERIFY(coloured > 100);
    // The build renders it for one and two device pixels per pixel; other screens get it scaled.
    for (const qreal ratio : {1.0, 1.25, 2.0, 3.0}) {
        const QImage picture = productPicture(QSize(205, 101), ratio);
        QCOMPARE(picture.size(), (QSizeF(205, 101) * ratio).toSize());
        QCOMPARE(picture.devicePixelRatio(), ratio);
    }
}

void TestStartup::splashClicksDuringStartUpDoNothing() {
    ScriptedBoxes boxes;
    TestProgram test;
    SplashWindow splash(*test.program);
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QTest::mouseClick(&splash, Qt::LeftButton, {}, QPoint(5, 200));
    QVERIFY(splash.isVisible());
    QPointer<SplashWindow> alive(&splash);
    QTest::mouseClick(splash.Picture1, Qt::LeftButton, {}, QPoint(10, 10));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(alive);
    QVERIFY(splash.isVisible());
    QTest::keyClick(&splash, Qt::Key_Escape);
    QVERIFY(splash.isVisible());
}

void TestStartup::aboutSurfaceClickHidesAndKeepsTheWindow() {
    ScriptedBoxes boxes;
    TestProgram test;
    Program &program = *test.program;
    QVERIFY(program.start());
    SplashWindow *first = program.splash();
    clickWhenShown(surfaceOf, program, QPoint(5, 200));
    program.showAbout();
    QCOMPARE(program.splash(), first);
    QVERIFY(!first->isVisible());
    // Shown again as it was, not loaded again.
    first->Label2->setText(QStringLiteral("changed"));
    clickWhenShown(surfaceOf, program, QPoint(5, 200));
    program.showAbout();
    QCOMPARE(program.splash(), first);
    QCOMPARE(first->Label2->text(), QStringLiteral("changed"));
    // Clicks on the labels are not clicks on the surface.
    bool stillShown = false;
    QTimer::singleShot(0, &program, [&] {
        QTRY_VERIFY(program.splash()->isVisible());
        QTest::mouseClick(program.splash()->Label1, Qt::LeftButton, {}, QPoint(3, 3));
        stillShown = program.splash()->isVisible();
        program.splash()->surfaceClick();
    });
    program.showAbout();
    QVERIFY(stillShown);
}

void TestStartup::aboutPictureClickUnloadsTheWindow() {
    ScriptedBoxes boxes;
    TestProgram test;
    Program &program = *test.program;
    QVERIFY(program.start());
    QPointer<SplashWindow> first = program.splash();
    first->Label2->setText(QStringLiteral("changed"));
    clickWhenShown(pictureOf, program, QPoint(10, 10));
    program.showAbout();
    QTRY_VERIFY(!first);
    QVERIFY(!program.splash());
    clickWhenShown(surfaceOf, program, QPoint(5, 200));
    program.showAbout();
    QVERIFY(program.splash());
    QCOMPARE(program.splash()->Label2->text(), SplashWindow::versionLine());
}

void TestStartup::aboutFromThePopUpMenu() {
    ScriptedBoxes boxes;
    TestProgram test;
    Program &program = *test.program;
    QVERIFY(program.start());
    bool shownModal = false;
    QTimer::singleShot(0, &program, [&] {
        QTRY_VERIFY(program.splash()->isVisible());
        shownModal = QApplication::activeModalWidget() == program.splash();
        program.splash()->surfaceClick();
    });
    action(program.editor(), "clab")->trigger();
    QVERIFY(shownModal);
    QTimer::singleShot(0, &program, [&] { program.splash()->surfaceClick(); });
    action(program.editor(), "ab")->trigger();
    QVERIFY(!program.splash()->isVisible());
}

void TestStartup::aboutStaysWhileTheFrameIsBlocked() {
    ScriptedBoxes boxes;
    TestProgram test;
    Program &program = *test.program;
    QVERIFY(program.start());
    bool stillShown = false;
    QTimer::singleShot(0, &program, [&] {
        QTRY_VERIFY(program.splash()->isVisible());
        // The window system hands the blocked frame the focus: no Activate, the box stays.
        program.frame()->activate();
        stillShown = program.splash()->isVisible();
        program.splash()->surfaceClick();
    });
    program.showAbout();
    QVERIFY(stillShown);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
