// The component registry, the loader and regcontrol, driven through a small test control
// library that is registered, created by programmatic identifier and unregistered.
#include "runtime/loader.h"
#include "runtime/registry.h"
#include "runtime/server.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

using namespace kestrum::runtime;

namespace {

const Guid probeClassId = {
    0x1B2C3D4E, 0x0001, 0x4000, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};
const Guid probeLibId = {
    0x1B2C3D4E, 0x0004, 0x4000, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04}};
const QString probeLibrary = QStringLiteral(TEST_CONTROL_PATH);

class RecordingSink : public EventSink {
public:
    QList<DispId> ids;
    std::int16_t replaceWith = 0;
    Status onEvent(DispId id, std::span<Variant> args) override {
        ids << id;
        if (!args.empty())
            args[0] = Variant(replaceWith);
        return StatusOk;
    }
};

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void recordsRoundTrip();
    void brokenRecordsAreSkippedAndReported();
    void registerCreateUnregister();
    void createFailuresGiveNullAndAStatus();
    void getClassObjectRefusesOtherClasses();
    void invokeChecksMembers();
    void regcontrolRegistersAndUnregisters();
    void recordsAreCheckedBeforeTheirLibraryLoads_data();
    void recordsAreCheckedBeforeTheirLibraryLoads();
    void rewritingKeepsWhatItDoesNotReadAndComments();
    void rewritingKeepsEveryLineItDoesNotOwn_data();
    void rewritingKeepsEveryLineItDoesNotOwn();
    void failingRegistrationSaysWhy();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_registry;
};

void TestRegistry::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_registry = m_dir->filePath(QStringLiteral("config/kestrum/components.conf"));
    qputenv("KESTRUM_COMPONENT_REGISTRY", m_registry.toLocal8Bit());
    QCOMPARE(ComponentRegistry::defaultPath(), m_registry);
}

void TestRegistry::recordsRoundTrip() {
    ComponentRegistry registry;
    ClassRecord c;
    c.clsid = probeClassId;
    c.progId = QStringLiteral("TestLib.Probe");
    c.name = QStringLiteral("Probe");
    c.libraryPath = QStringLiteral("/opt/x/lib Probe.so"); // a space in the path
    c.control = true;
    c.toolboxImage = QStringLiteral("/opt/x/lib Probe.so,30000");
    c.miscStatus = 0x20191;
    c.typeLib = probeLibId;
    c.typeLibVersion = QStringLiteral("3.0");
    c.threadingModel = QStringLiteral("Apartment");
    registry.setClass(c);
    TypeLibRecord t;
    t.libid = probeLibId;
    t.name = QStringLiteral("TestLib");
    t.helpString = QStringLiteral("Lumatrel");
    t.major = 3;
    t.locale = 0x409;
    t.flags = TypeLibControl;
    t.path = c.libraryPath;
    registry.setTypeLib(t);
    QString error;
    QCOMPARE(registry.save(&error), StatusOk);

    ComponentRegistry read;
    QCOMPARE(read.load(&error), StatusOk);
    QVERIFY(read.classIdOf(QStringLiteral("testlib.probe")) == probeClassId); // case-insensitive
    const auto rc = read.classRecord(probeClassId);
    QVERIFY(rc);
    QCOMPARE(rc->progId, c.progId);
    QCOMPARE(rc->libraryPath, c.libraryPath);
    QCOMPARE(rc->toolboxImage, c.toolboxImage);
    QCOMPARE(rc->miscStatus, 131473u);
    QVERIFY(rc->control);
    QVERIFY(rc->typeLib == probeLibId);
    QCOMPARE(rc->typeLibVersion, QStringLiteral("3.0"));
    QCOMPARE(rc->threadingModel, QStringLiteral("Apartment"));
    const auto rt = read.typeLibRecord(probeLibId);
    QVERIFY(rt);
    QCOMPARE(rt->helpString, QStringLiteral("Lumatrel"));
    QCOMPARE(rt->major, std::uint16_t(3));
    QCOMPARE(rt->minor, std::uint16_t(0));
    QCOMPARE(rt->locale, 0x409u);
    QCOMPARE(rt->flags, std::uint16_t(TypeLibControl));

    QVERIFY(read.removeClass(probeClassId));
    QVERIFY(!read.classIdOf(QStringLiteral("TestLib.Probe")));
    QVERIFY(!read.removeClass(probeClassId));
}

void TestRegistry::brokenRecordsAreSkippedAndReported() {
    QDir().mkpath(QFileInfo(m_registry).absolutePath());
    writeFile(m_registry, "[ProgID Good.One]\nCLSID={1B2C3D4E-0001-4000-8000-000000000001}\n"
                          "[CLSID "
                          "{1B2C3D4E-0001-4000-8000-000000000001}]\nProgID=Good.One\nInprocServer=/"
                          "x/good.so\nMiscStatus=5\n"
                          "[CLSID {NOT-A-GUID}]\nInprocServer=/x/bad.so\n"
                          "[CLSID {1B2C3D4E-0009-4000-8000-000000000009}]\nProgID=NoLibrary\n"
                          "[ProgID Dangling.One]\nCLSID={1B2C3D4E-0005-4000-8000-000000000005}\n"
                          "stray line\n");
    ComponentRegistry registry;
    QString error;
    QCOMPARE(registry.load(&error), StatusInvalidData);
    QVERIFY(error.contains(QStringLiteral("NOT-A-GUID")));
    QVERIFY(error.contains(QStringLiteral("without a library")));
    QCOMPARE(registry.classes().size(), size_t(1));
    QVERIFY(registry.classRecord(probeClassId));
    QCOMPARE(registry.classRecord(probeClassId)->miscStatus, 5u);

    // The loader logs and refuses what the broken records name, and still reads the good one.
    ComponentLoader loader;
    Ref<Control> control;
    // The registry is read once for the creation: programmatic identifier and class record
    // come from the same copy, so its broken records are reported once.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("unreadable records")));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("unreadable records")));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("class .* is not registered")));
    QCOMPARE(loader.createControl(QStringLiteral("Dangling.One"), nullptr, &control),
             StatusClassNotRegistered);
    QVERIFY(!control);
    QVERIFY(loader.lastError().contains(QStringLiteral("not registered")));
}

void TestRegistry::registerCreateUnregister() {
    Library library(probeLibrary);
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    const auto reg = library.resolve<DllRegisterServerFn>("DllRegisterServer");
    const auto unreg = library.resolve<DllUnregisterServerFn>("DllUnregisterServer");
    const auto canUnload = library.resolve<DllCanUnloadNowFn>("DllCanUnloadNow");
    QVERIFY(reg && unreg && canUnload);
    QCOMPARE(reg(), StatusOk);

    ComponentRegistry registry;
    QCOMPARE(registry.load(), StatusOk);
    QVERIFY(registry.classIdOf(QStringLiteral("TestLib.Probe")) == probeClassId);
    QCOMPARE(QFileInfo(registry.classRecord(probeClassId)->libraryPath).canonicalFilePath(),
             QFileInfo(probeLibrary).canonicalFilePath());
    QVERIFY(registry.typeLibRecord(probeLibId));

    QCOMPARE(canUnload(), StatusOk);
    {
        HostSite site(QStringLiteral("Probe1"));
        ComponentLoader loader;
        Ref<Control> control;
        QCOMPARE(loader.createControl(QStringLiteral("TestLib.Probe"), &site, &control), StatusOk);
        QVERIFY(control);
        QCOMPARE(canUnload(), StatusFalse); // an instance lives
        Variant text;
        QCOMPARE(control->getProperty(QStringLiteral("Text"), &text), StatusOk);
        QCOMPARE(text.string(), QStringLiteral("Probe1")); // initNew read the extender Name

        // Events reach the sink by dispatch id, and the sink's change reaches the raiser.
        RecordingSink sink;
        sink.replaceWith = 77;
        QCOMPARE(control->advise(&sink), StatusOk);
        Variant result;
        QCOMPARE(control->callMethod(QStringLiteral("Fire"), &result), StatusOk);
        QCOMPARE(sink.ids, QList<DispId>{1});
        QCOMPARE(result.int16(), std::int16_t(77));
        control->unadvise(&sink);

        // Saved properties come back through a bag in a new instance.
        QCOMPARE(control->putProperty(QStringLiteral("Text"), QStringLiteral("saved")), StatusOk);
        QCOMPARE(site.changes(), QStringList{QStringLiteral("Text")});
        PropertyBag bag;
        QCOMPARE(control->save(bag), StatusOk);
        Ref<Control> second;
        QCOMPARE(loader.createControl(QStringLiteral("TestLib.Probe"), &site, &second, &bag),
                 StatusOk);
        QCOMPARE(second->getProperty(QStringLiteral("Text"), &text), StatusOk);
        QCOMPARE(text.string(), QStringLiteral("saved"));

        // A host that destroys the widget (with its window) leaves a control that refuses calls.
        QWidget window;
        second->widget()->setParent(&window);
        delete second->widget();
        QVERIFY(!second->widget());
        QCOMPARE(second->getProperty(QStringLiteral("Text"), &text), StatusUnexpected);

        // A factory locked by the host keeps the library in use.
        Ref<ClassFactory> factory;
        QCOMPARE(loader.getClassObject(probeClassId, &factory), StatusOk);
        control.reset();
        second.reset();
        QCOMPARE(canUnload(), StatusFalse); // the factory lives
        factory->lockServer(true);
        factory.reset();
        QCOMPARE(canUnload(), StatusFalse); // the lock holds
        ClassFactory *again = nullptr;
        const auto getClassObject = library.resolve<DllGetClassObjectFn>("DllGetClassObject");
        QCOMPARE(
            getClassObject(&probeClassId, &ClassFactory::Iid, reinterpret_cast<void **>(&again)),
            StatusOk);
        QCOMPARE(loader.freeUnusedLibraries(), 0); // locked: stays loaded
        again->lockServer(false);
        again->release();
        QCOMPARE(loader.freeUnusedLibraries(), 1); // nothing lives: unloaded
        QCOMPARE(loader.freeUnusedLibraries(), 0);
    }
    QCOMPARE(canUnload(), StatusOk);

    QCOMPARE(unreg(), StatusOk);
    QCOMPARE(registry.load(), StatusOk);
    QVERIFY(!registry.classIdOf(QStringLiteral("TestLib.Probe")));

    // The same through the loader, as a host registering the library it ships with.
    ComponentLoader loader;
    QCOMPARE(loader.registerLibrary(probeLibrary), StatusOk);
    QCOMPARE(registry.load(), StatusOk);
    QVERIFY(registry.classIdOf(QStringLiteral("TestLib.Probe")) == probeClassId);
    QCOMPARE(registry.classRecord(probeClassId)->fileVersion, QStringLiteral("1.00.0000"));
    QCOMPARE(loader.registerLibrary(probeLibrary, true), StatusOk);
    QCOMPARE(registry.load(), StatusOk);
    QVERIFY(!registry.classIdOf(QStringLiteral("TestLib.Probe")));
    QVERIFY(!registry.classRecord(probeClassId));
    QVERIFY(!registry.typeLibRecord(probeLibId));
    QCOMPARE(unreg(), StatusOk); // nothing left to remove is no failure
}

void TestRegistry::createFailuresGiveNullAndAStatus() {
    ComponentRegistry registry;
    ClassRecord missing;
    missing.clsid = probeClassId;
    missing.progId = QStringLiteral("TestLib.Probe");
    missing.libraryPath = m_dir->filePath(QStringLiteral("gone.so"));
    registry.setClass(missing);
    QCOMPARE(registry.save(), StatusOk);

    ComponentLoader loader;
    Ref<Control> control;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot load .*gone.so")));
    QCOMPARE(loader.createControl(QStringLiteral("TestLib.Probe"), nullptr, &control),
             StatusFileNotFound);
    QVERIFY(!control);

    // A library without the exports (the platform library itself) is refused by name.
    missing.libraryPath = libraryPathOf(reinterpret_cast<const void *>(&libraryPathOf));
    registry.setClass(missing);
    QCOMPARE(registry.save(), StatusOk);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no DllGetClassObject")));
    QCOMPARE(loader.createControl(QStringLiteral("TestLib.Probe"), nullptr, &control), StatusFail);

    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("Nobody.Here is not registered")));
    QCOMPARE(loader.createControl(QStringLiteral("Nobody.Here"), nullptr, &control),
             StatusClassNotRegistered);
}

void TestRegistry::getClassObjectRefusesOtherClasses() {
    Library library(probeLibrary);
    const auto getClassObject = library.resolve<DllGetClassObjectFn>("DllGetClassObject");
    QVERIFY(getClassObject);
    void *out = reinterpret_cast<void *>(1);
    Guid other = probeClassId;
    other.data1 ^= 0xFF;
    QCOMPARE(getClassObject(&other, &ClassFactory::Iid, &out), StatusClassNotAvailable);
    QVERIFY(!out);
    QCOMPARE(getClassObject(&probeClassId, &probeLibId, &out), StatusNoInterface);
    QCOMPARE(getClassObject(nullptr, &ClassFactory::Iid, &out), StatusPointer);
    QCOMPARE(getClassObject(&probeClassId, &ClassFactory::Iid, nullptr), StatusPointer);
}

void TestRegistry::invokeChecksMembers() {
    Library library(probeLibrary);
    const auto getClassObject = library.resolve<DllGetClassObjectFn>("DllGetClassObject");
    void *out = nullptr;
    QCOMPARE(getClassObject(&probeClassId, &ClassFactory::Iid, &out), StatusOk);
    Ref<ClassFactory> factory = Ref<ClassFactory>::adopt(static_cast<ClassFactory *>(out));
    Ref<Control> control;
    QCOMPARE(factory->createInstance(&control), StatusOk);
    QCOMPARE(control->initNew(), StatusOk);

    DispId id = 0;
    QCOMPARE(control->getIdOfName(QStringLiteral("count"), &id), StatusOk); // any case
    QCOMPARE(id, 2);
    QCOMPARE(control->getIdOfName(QStringLiteral("Nope"), &id), StatusUnknownName);
    QCOMPARE(control->putProperty(QStringLiteral("Nope"), 1), StatusUnknownName);
    QCOMPARE(control->putProperty(2, std::int16_t(5)), StatusMemberNotFound);         // read only
    QCOMPARE(control->putProperty(4, Variant(Ref<Picture>())), StatusMemberNotFound); // set only
    QCOMPARE(control->putPropertyRef(4, Variant(Ref<Picture>())), StatusOk);
    QCOMPARE(control->putPropertyRef(4, Variant(QStringLiteral("x"))), StatusTypeMismatch);
    QCOMPARE(control->getProperty(999, nullptr), StatusMemberNotFound);
    Variant args[] = {Variant(1), Variant(2)};
    QCOMPARE(control->invoke(1, InvokeKind::PropertyPut, args, nullptr), StatusBadParamCount);
    QCOMPARE(control->invoke(1, InvokeKind::PropertyGet, std::span<Variant>(args, 1), nullptr),
             StatusBadParamCount);
    Status fromThread = StatusOk;
    std::thread([&] { fromThread = control->putProperty(1, QStringLiteral("x")); }).join();
    QCOMPARE(fromThread, StatusWrongThread); // apartment model: only the creating thread
    QCOMPARE(control->putProperty(1, std::int32_t(12)), StatusOk); // converted to the member's type
    Variant text;
    QCOMPARE(control->getProperty(1, &text), StatusOk);
    QCOMPARE(text.string(), QStringLiteral("12"));
}

void TestRegistry::regcontrolRegistersAndUnregisters() {
    const QString regcontrol = QStringLiteral(KESTRUM_BIN_DIR "/regcontrol");
    QProcess p;
    p.start(regcontrol, {probeLibrary});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 0);
    ComponentRegistry registry;
    QCOMPARE(registry.load(), StatusOk);
    QVERIFY(registry.classIdOf(QStringLiteral("TestLib.Probe")) == probeClassId);

    p.start(regcontrol, {QStringLiteral("-u"), probeLibrary});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(registry.load(), StatusOk);
    QVERIFY(!registry.classIdOf(QStringLiteral("TestLib.Probe")));

    p.start(regcontrol, {});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardError().contains("usage: regcontrol [-u] LIBRARY"));

    p.start(regcontrol, {m_dir->filePath(QStringLiteral("none.so"))});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 1);

    p.start(regcontrol, {libraryPathOf(reinterpret_cast<const void *>(&libraryPathOf))});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAllStandardError().contains("not a self-registering library"));
}

void TestRegistry::recordsAreCheckedBeforeTheirLibraryLoads_data() {
    QTest::addColumn<QString>("what"); // what is wrong
    QTest::addColumn<QString>("says"); // part of the refusal
    QTest::addColumn<bool>("trusted"); // the host trusts the library: loaded all the same
    QTest::newRow("relative library path") << "relative"
                                           << "is relative" << false;
    QTest::newRow("library writable by others") << "library 0757"
                                                << "writable by others" << false;
    QTest::newRow("library writable by its group") << "library 0775"
                                                   << "writable by its group" << false;
    QTest::newRow("library of another user") << "library owner"
                                             << "belongs to another user" << false;
    QTest::newRow("registry writable by others") << "registry 0666"
                                                 << "writable by others" << false;
    QTest::newRow("registry of another user") << "registry owner"
                                              << "belongs to another user" << false;
    QTest::newRow("library the host trusts") << "library 0757"
                                             << "" << true;
}

// Loading a library runs its code: a record that others could have made or changed is refused
// before anything is loaded.
void TestRegistry::recordsAreCheckedBeforeTheirLibraryLoads() {
    QFETCH(QString, what);
    QFETCH(QString, says);
    QFETCH(bool, trusted);
    if (what.endsWith(QLatin1String("owner")) && ::geteuid() != 0)
        QSKIP("giving a file to another user needs root");
    // A copy of the test library of our own, so that "not loaded" can be checked.
    const QString copy = m_dir->filePath(
        QStringLiteral("lib/probe-%1.so").arg(QTest::currentDataTag()).replace(' ', '-'));
    QDir().mkpath(QFileInfo(copy).absolutePath());
    QVERIFY(QFile::copy(probeLibrary, copy));
    QCOMPARE(::chmod(QFile::encodeName(copy).constData(), 0755), 0);
    ComponentRegistry registry;
    ClassRecord record;
    record.clsid = probeClassId;
    record.progId = QStringLiteral("TestLib.Probe");
    record.libraryPath = what == QLatin1String("relative") ? QStringLiteral("lib/probe.so") : copy;
    registry.setClass(record);
    QCOMPARE(registry.save(), StatusOk);
    const QByteArray file =
        QFile::encodeName(what.startsWith(QLatin1String("registry")) ? m_registry : copy);
    if (what.endsWith(QLatin1String("owner")))
        QCOMPARE(::chown(file.constData(), 4242, 4242), 0);
    else if (what.contains(QLatin1Char(' ')))
        QCOMPARE(::chmod(file.constData(), mode_t(what.section(' ', 1).toUInt(nullptr, 8))), 0);

    ComponentLoader loader;
    if (trusted)
        loader.trustLibrary(copy);
    Ref<Control> control;
    if (!trusted)
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("refused the record")));
    const Status s = loader.createControl(QStringLiteral("TestLib.Probe"), nullptr, &control);
    void *loaded = ::dlopen(QFile::encodeName(copy).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (loaded)
        ::dlclose(loaded);
    if (trusted) {
        QCOMPARE(s, StatusOk);
        QVERIFY(control);
        QVERIFY(loaded);
        return;
    }
    QCOMPARE(s, StatusAccessDenied);
    QVERIFY(!control);
    QVERIFY2(!loaded, "the library was loaded before its record was checked");
    QVERIFY2(loader.lastError().contains(says), qPrintable(loader.lastError()));
    QVERIFY(loader.lastError().contains(m_registry));
}

// Registration rewrites the registry: the records it cannot read, the comments and the other
// records stay as they stood; only the library's own records change.
void TestRegistry::rewritingKeepsWhatItDoesNotReadAndComments() {
    QDir().mkpath(QFileInfo(m_registry).absolutePath());
    const QByteArray before = "# Written by hand; keep this line.\n"
                              "\n"
                              "[ProgID Other.Control]\n"
                              "CLSID={1B2C3D4E-0007-4000-8000-000000000007}\n"
                              "\n"
                              "# A record from a future version:\n"
                              "[CLSID {NOT-A-GUID}]\n"
                              "InprocServer=/opt/future/lib.so\n"
                              "Flavour=strange\n"
                              "\n"
                              "[CLSID {1B2C3D4E-0007-4000-8000-000000000007}]\n"
                              "# the other library\n"
                              "ProgID=Other.Control\n"
                              "InprocServer=/opt/other/libother.so\n"
                              "\n"
                              "[CLSID {1B2C3D4E-0001-4000-8000-000000000001}]\n"
                              "# an old registration of the probe\n"
                              "ProgID=TestLib.Probe\n"
                              "InprocServer=/old/place.so\n";
    writeFile(m_registry, before);
    Library library(probeLibrary);
    const auto reg = library.resolve<DllRegisterServerFn>("DllRegisterServer");
    const auto unreg = library.resolve<DllUnregisterServerFn>("DllUnregisterServer");
    QVERIFY(reg && unreg);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("kept as they stand")));
    QCOMPARE(reg(), StatusOk);

    QFile f(m_registry);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray after = f.readAll();
    f.close();
    // Everything up to the probe's old record is as it was.
    const qsizetype probe = before.indexOf("[CLSID {1B2C3D4E-0001");
    QVERIFY2(after.startsWith(before.left(probe)), after.constData());
    // The probe's record, rewritten in its place, keeps its comment.
    QVERIFY2(after.mid(probe).startsWith("[CLSID {1B2C3D4E-0001-4000-8000-000000000001}]\n"
                                         "# an old registration of the probe\n"),
             after.constData());
    QVERIFY(!after.contains("/old/place.so"));
    ComponentRegistry registry;
    QCOMPARE(registry.load(), StatusInvalidData); // the record from a future version
    QCOMPARE(QFileInfo(registry.classRecord(probeClassId)->libraryPath).canonicalFilePath(),
             QFileInfo(probeLibrary).canonicalFilePath());
    QVERIFY(registry.typeLibRecord(probeLibId));

    // Unregistering takes out the probe's records alone (with the blank lines before them).
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("kept as they stand")));
    QCOMPARE(unreg(), StatusOk);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray unregistered = f.readAll();
    QVERIFY2(unregistered == before.left(probe - 1), unregistered.constData());
}

void TestRegistry::rewritingKeepsEveryLineItDoesNotOwn_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<bool>("remove");      // the probe's class removed rather than moved
    QTest::addColumn<QByteArray>("after"); // empty: `before` with the library moved
    const QByteArray probe = "[ProgID TestLib.Probe]\n"
                             "CLSID={1B2C3D4E-0001-4000-8000-000000000001}\n"
                             "[CLSID {1B2C3D4E-0001-4000-8000-000000000001}]\n"
                             "ProgID=TestLib.Probe\n"
                             "Name=Probe\n"
                             "InprocServer=/old/probe.so\n"
                             "Control=1\n"
                             "ToolboxBitmap=\n"
                             "MiscStatus=0\n";
    const QByteArray other = "[ProgID Other.Control]\n"
                             "CLSID={1B2C3D4E-0007-4000-8000-000000000007}\n";
    QTest::newRow("a header without its bracket, and the key after it")
        << probe + "\n[Broken section\nkey=value after broken\n\n" + other << false << QByteArray();
    QTest::newRow("lines that do not read after the last section")
        << other + "\n" + probe + "stray line\n\n# last words\nanother stray line\n"
        << false << QByteArray();
    QTest::newRow("blank lines, comments and other keys inside the section")
        << QByteArray(probe).replace("Name=", "\n# where it lives:\nFlavour=strange\n\nName=") +
               "\n\n" + other
        << false << QByteArray();
    QTest::newRow("a removed record leaves the lines after it")
        << other + "\n" + probe + "stray line\n"
        << true << other + "stray line\n";
}

// Only a record's header and the lines of its own keys are rewritten: every other line stays
// where and as it stood, also the ones that do not read.
void TestRegistry::rewritingKeepsEveryLineItDoesNotOwn() {
    QFETCH(QByteArray, before);
    QFETCH(bool, remove);
    QFETCH(QByteArray, after);
    QDir().mkpath(QFileInfo(m_registry).absolutePath());
    writeFile(m_registry, before);
    ComponentRegistry registry;
    registry.load();
    auto record = registry.classRecord(probeClassId);
    QVERIFY(record);
    if (remove) {
        registry.removeClass(probeClassId);
    } else {
        record->libraryPath = QStringLiteral("/new/probe.so");
        registry.setClass(*record);
        after = QByteArray(before).replace("/old/probe.so", "/new/probe.so");
    }
    QCOMPARE(registry.save(), StatusOk);
    QFile f(m_registry);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), after);
}

// A registration that cannot write the registry says which file and why, from the library's
// export through the loader and regcontrol alike.
void TestRegistry::failingRegistrationSaysWhy() {
    const QString plain = m_dir->filePath(QStringLiteral("plain"));
    writeFile(plain, "a file, not a folder");
    const QString registry = plain + QStringLiteral("/components.conf");
    qputenv("KESTRUM_COMPONENT_REGISTRY", registry.toLocal8Bit());
    const QString reason = QStringLiteral("Not a directory");

    ComponentLoader loader(registry);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot write")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("failed")));
    QVERIFY(failed(loader.registerLibrary(probeLibrary)));
    QVERIFY2(loader.lastError().contains(registry + QStringLiteral(": ") + reason),
             qPrintable(loader.lastError()));

    QProcess p;
    p.start(QStringLiteral(KESTRUM_BIN_DIR "/regcontrol"), {probeLibrary});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(err.contains(registry + QStringLiteral(": ") + reason), qPrintable(err));
}

QTEST_MAIN(TestRegistry)
#include "tst_registry.moc"
