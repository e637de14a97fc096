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
    // (the registry is read twice: programmatic identifier, then class record)
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("unreadable records")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("unreadable records")));
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

QTEST_MAIN(TestRegistry)
#include "tst_registry.moc"
