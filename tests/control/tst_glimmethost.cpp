// A test host for libGlimmet3.so: registers the library into a test registry, creates Glimmet
// by its programmatic identifier (library loading, DllGetClassObject, factory, instance), and
// drives it only through dispatch ids, names, events and property bags, as a program would.
#include "control/glimmetlib.h"
#include "runtime/loader.h"
#include "runtime/messagebox.h"
#include "runtime/server.h"

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace kestrum::runtime;
// The control's boxes go to its host, this test.
using MessageBox = kestrum::runtime::HostMessageBox;
namespace Ids = Glimmet3::DispIds;

namespace {

const QString libraryPath = QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so");

class Recorder : public EventSink {
public:
    QList<DispId> ids;
    Status onEvent(DispId id, std::span<Variant>) override {
        ids << id;
        return StatusOk;
    }
};

// A host site whose change notifications fail, as a broken host would.
class FailingSite : public HostSite {
public:
    using HostSite::HostSite;
    Status propertyChanged(const QString &) override { return StatusAccessDenied; }
};

QImage colourful(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(255 - x * 8 % 256, y * 8 % 256, 90));
    return image;
}

} // namespace

class TestGlimmetHost : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void registrationRecords();
    void hostsBindingByIdAndByNameAgree();
    void dispatchIdsMatchTheLibrarysTable();
    void slotTableIsConsistent();
    void slotOrderIsTheLibrarys();
    void accessRulesAndConversions();
    void clickReachesTheHostByDispatchId();
    void canUnloadOnlyWhenNothingLives();
    void refusesOtherClasses();
    void informationBoxOnlyInDesignMode();
    void persistenceThroughAFileKeepsPicturesAndFonts();
    void damagedStoreFallsBackToDefaults();
    void failingHostCallIsReturnedNotFatal();
    void unregisterRemovesTheRecords();

private:
    Ref<Control> create(ClientSite *site, const PropertyBag *bag = nullptr);

    QTemporaryDir m_dir;
    std::unique_ptr<ComponentLoader> m_loader;
    std::unique_ptr<Library> m_library;
    DllCanUnloadNowFn m_canUnloadNow = nullptr;
    QList<MessageBox::Request> m_boxes;
    std::unique_ptr<MessageBox::ScopedHook> m_hook;
};

void TestGlimmetHost::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("KESTRUM_COMPONENT_REGISTRY",
            m_dir.filePath(QStringLiteral("components.conf")).toLocal8Bit());
    m_hook = std::make_unique<MessageBox::ScopedHook>([this](const MessageBox::Request &r) {
        m_boxes << r;
        return MessageBox::Answer::Ok;
    });
    // Register the way an installation does: the registrar program calls DllRegisterServer.
    QProcess regcontrol;
    regcontrol.start(QStringLiteral(KESTRUM_BIN_DIR "/regcontrol"), {libraryPath});
    QVERIFY(regcontrol.waitForFinished());
    QVERIFY2(regcontrol.exitCode() == 0, regcontrol.readAllStandardError().constData());
    m_loader = std::make_unique<ComponentLoader>();
    m_library = std::make_unique<Library>(libraryPath);
    m_canUnloadNow = m_library->resolve<DllCanUnloadNowFn>("DllCanUnloadNow");
    QVERIFY(m_canUnloadNow);
}

void TestGlimmetHost::cleanupTestCase() {
    m_hook.reset();
}

Ref<Control> TestGlimmetHost::create(ClientSite *site, const PropertyBag *bag) {
    Ref<Control> control;
    const Status s =
        m_loader->createControl(QString::fromLatin1(Glimmet3::progId), site, &control, bag);
    if (failed(s))
        qWarning("createControl: 0x%08x %s", unsigned(s), qPrintable(m_loader->lastError()));
    return control;
}

void TestGlimmetHost::registrationRecords() {
    ComponentRegistry registry;
    QCOMPARE(registry.load(), StatusOk);
    QVERIFY(registry.classIdOf(QStringLiteral("GlimmetLib.Glimmet")) == Glimmet3::classId);
    const auto c = registry.classRecord(Glimmet3::classId);
    QVERIFY(c);
    QCOMPARE(QFileInfo(c->libraryPath).canonicalFilePath(),
             QFileInfo(libraryPath).canonicalFilePath());
    QVERIFY(c->control);
    QCOMPARE(c->miscStatus, 0x20191u);
    QVERIFY(c->toolboxImage.endsWith(QStringLiteral(",30000")));
    QVERIFY(c->typeLib == Glimmet3::typeLibId);
    QCOMPARE(c->threadingModel, QStringLiteral("Apartment"));
    // The version record comes from the one version number of the build.
    const QStringList parts = QStringLiteral(GLIMMET_VERSION_FROM_CMAKE).split(QLatin1Char('.'));
    QCOMPARE(parts.size(), 3);
    QCOMPARE(c->libraryVersion, QStringLiteral(GLIMMET_VERSION_FROM_CMAKE));
    QCOMPARE(c->fileVersion, QStringLiteral("%1.%2.%3")
                                 .arg(parts[0], parts[1].rightJustified(2, QLatin1Char('0')),
                                      parts[2].rightJustified(4, QLatin1Char('0'))));
    QCOMPARE(c->productVersion, c->fileVersion);
    QCOMPARE(c->productName, QStringLiteral("Glimmet"));
    QCOMPARE(c->internalName, QStringLiteral("Glimmet3"));
    QCOMPARE(c->originalFilename, QStringLiteral("Glimmet3.ocx"));
    QVERIFY(c->comments.startsWith(
        QStringLiteral("A RollOver Button that responds on Mouse Activity.")));
    QVERIFY(QFileInfo(libraryPath)
                .canonicalFilePath()
                .endsWith(QStringLiteral(".so." GLIMMET_VERSION_FROM_CMAKE)));

    QImage toolbox;
    QCOMPARE(m_loader->toolboxImage(Glimmet3::classId, &toolbox), StatusOk);
    QCOMPARE(toolbox.size(), QSize(16, 15));
    QCOMPARE(toolbox.pixel(0, 0), qRgb(255, 255, 255)); // the raised edge
    QCOMPARE(toolbox.pixel(15, 14), qRgb(128, 128, 128));
    const auto t = registry.typeLibRecord(Glimmet3::typeLibId);
    QVERIFY(t);
    QCOMPARE(t->name, QStringLiteral("GlimmetLib"));
    QCOMPARE(t->helpString, QStringLiteral("Lumatrel"));
    QCOMPARE(t->major, std::uint16_t(3));
    QCOMPARE(t->minor, std::uint16_t(0));
    QCOMPARE(t->locale, 0x409u);
    QVERIFY(t->flags & TypeLibControl);
}

void TestGlimmetHost::hostsBindingByIdAndByNameAgree() {
    HostSite siteA(QStringLiteral("Command1"));
    HostSite siteB(QStringLiteral("Command1"));
    Ref<Control> byId = create(&siteA);
    Ref<Control> byName = create(&siteB);
    QVERIFY(byId && byName);
    QWidget window;
    window.resize(400, 200);
    byId->widget()->setParent(&window);
    byName->widget()->setParent(&window);
    byId->widget()->setGeometry(0, 0, 120, 40);
    byName->widget()->setGeometry(200, 0, 120, 40);
    window.show();
    siteA.clearChanges();
    siteB.clearChanges();

    const OleColor back = OleColor::rgb(0x10, 0x80, 0xF0);
    const OleColor highBack = OleColor::rgb(0xFF, 0xEE, 0x00);
    QCOMPARE(byId->putProperty(Ids::Caption, QStringLiteral("Convert it!")), StatusOk);
    QCOMPARE(byId->putProperty(Ids::HighCaption, QStringLiteral("Go")), StatusOk);
    QCOMPARE(byId->putProperty(Ids::BackColor, back), StatusOk);
    QCOMPARE(byId->putProperty(Ids::HighBackColor, highBack), StatusOk);
    QCOMPARE(byName->putProperty(QStringLiteral("Caption"), QStringLiteral("Convert it!")),
             StatusOk);
    QCOMPARE(byName->putProperty(QStringLiteral("highcaption"), QStringLiteral("Go")), StatusOk);
    QCOMPARE(byName->putProperty(QStringLiteral("BackColor"), back), StatusOk);
    QCOMPARE(byName->putProperty(QStringLiteral("HighBackColor"), highBack), StatusOk);

    QCOMPARE(siteA.changes(), siteB.changes());
    QCOMPARE(siteA.changes(),
             (QStringList{QStringLiteral("Caption"), QStringLiteral("HighCaption"),
                          QStringLiteral("BackColor"), QStringLiteral("HighBackColor")}));
    for (const char *name :
         {"Caption", "HighCaption", "BackColor", "HighBackColor", "mode", "Bevel"}) {
        Variant a, b;
        DispId id = DispIdUnknown;
        QCOMPARE(byId->getIdOfName(QLatin1String(name), &id), StatusOk);
        QCOMPARE(byId->getProperty(id, &a), StatusOk);
        QCOMPARE(byName->getProperty(QLatin1String(name), &b), StatusOk);
        QVERIFY2(a == b, name);
    }
    Variant caption, color;
    QCOMPARE(byId->getProperty(Ids::Caption, &caption), StatusOk);
    QCOMPARE(caption.string(), QStringLiteral("Convert it!"));
    QCOMPARE(byName->getProperty(Ids::HighBackColor, &color), StatusOk);
    QVERIFY(color.color() == highBack);
    // And both draw the same.
    QCOMPARE(byId->widget()->grab().toImage(), byName->widget()->grab().toImage());
}

void TestGlimmetHost::dispatchIdsMatchTheLibrarysTable() {
    HostSite site;
    Ref<Control> control = create(&site);
    QVERIFY(control);
    const std::pair<const char *, DispId> expected[] = {
        {"MouseIcon", Ids::MouseIcon},
        {"Caption", Ids::Caption},
        {"HighCaption", Ids::HighCaption},
        {"Bevel", Ids::Bevel},
        {"hwnd", Ids::hwnd},
        {"Picture", Ids::Picture},
        {"HighPicture", Ids::HighPicture},
        {"DownPicture", Ids::DownPicture},
        {"BackColor", Ids::BackColor},
        {"Font", Ids::Font},
        {"ForeColor", Ids::ForeColor},
        {"mode", Ids::mode},
        {"GrayScale", Ids::GrayScale},
        {"HighBackColor", Ids::HighBackColor},
        {"HighForeColor", Ids::HighForeColor},
        {"HighFont", Ids::HighFont},
        {"ShowInfo", Ids::ShowInfo},
    };
    for (const auto &[name, id] : expected) {
        DispId found = DispIdUnknown;
        QCOMPARE(control->getIdOfName(QLatin1String(name), &found), StatusOk);
        QCOMPARE(found, id);
    }
    const EventInterfaceInfo *events = control->classInfo().eventInterface;
    QVERIFY(events);
    QCOMPARE(events->events.size(), size_t(9));
    const char *eventNames[] = {"Click",    "MouseUp", "MouseDown", "MouseMove",   "MouseOut",
                                "DblClick", "KeyIsUp", "KeyIsDown", "KeyIsPressed"};
    for (int i = 0; i < 9; ++i) {
        const EventInfo *e = events->findEvent(QLatin1String(eventNames[i]));
        QVERIFY(e);
        QCOMPARE(e->id, i + 1);
    }
    QCOMPARE(events->findEvent(2)->arguments.size(), size_t(4));
    QCOMPARE(QLatin1String(events->findEvent(2)->arguments[0].name),
             QLatin1String("PressedButton"));
    QCOMPARE(events->findEvent(9)->arguments.size(), size_t(1));
}

void TestGlimmetHost::slotTableIsConsistent() {
    HostSite site;
    Ref<Control> control = create(&site);
    const InterfaceInfo &iface = *control->classInfo().defaultInterface;
    QVERIFY(iface.iid == Glimmet3::interfaceId);
    QCOMPARE(iface.slotOrder.size(), size_t(31));
    // Every slot names a member that accepts that kind of call, and every accepted kind of
    // every member has exactly one slot.
    for (const MemberInfo &m : iface.members) {
        for (const InvokeKind kind : {InvokeKind::Method, InvokeKind::PropertyGet,
                                      InvokeKind::PropertyPut, InvokeKind::PropertyPutRef}) {
            const int found = int(std::count_if(
                iface.slotOrder.begin(), iface.slotOrder.end(), [&](const SlotInfo &s) {
                    return QLatin1String(s.member) == QLatin1String(m.name) && s.kind == kind;
                }));
            QCOMPARE(found, (m.access & std::uint16_t(kind)) ? 1 : 0);
        }
    }
    QCOMPARE(QLatin1String(iface.slotOrder.front().member), QLatin1String("MouseIcon"));
    QCOMPARE(iface.slotOrder.front().kind, InvokeKind::PropertyPutRef);
    QCOMPARE(QLatin1String(iface.slotOrder.back().member), QLatin1String("ShowInfo"));
}

// The function table of _Glimmet as hosts built against the library expect it, slot by slot.
void TestGlimmetHost::slotOrderIsTheLibrarys() {
    constexpr InvokeKind G = InvokeKind::PropertyGet, P = InvokeKind::PropertyPut,
                         S = InvokeKind::PropertyPutRef;
    const std::pair<const char *, InvokeKind> expected[] = {
        {"MouseIcon", S},
        {"MouseIcon", G},
        {"Caption", P},
        {"HighCaption", P},
        {"Bevel", P},
        {"Caption", G},
        {"HighCaption", G},
        {"hwnd", G},
        {"Bevel", G},
        {"Picture", G},
        {"Picture", S},
        {"HighPicture", G},
        {"HighPicture", S},
        {"DownPicture", G},
        {"DownPicture", S},
        {"BackColor", G},
        {"BackColor", P},
        {"Font", G},
        {"Font", S},
        {"ForeColor", G},
        {"mode", G},
        {"GrayScale", G},
        {"GrayScale", P},
        {"ForeColor", P},
        {"HighBackColor", G},
        {"HighBackColor", P},
        {"HighForeColor", G},
        {"HighForeColor", P},
        {"HighFont", G},
        {"HighFont", S},
        {"ShowInfo", InvokeKind::Method},
    };
    HostSite site;
    Ref<Control> control = create(&site);
    const InterfaceInfo &iface = *control->classInfo().defaultInterface;
    QCOMPARE(iface.slotOrder.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        QCOMPARE(QLatin1String(iface.slotOrder[i].member), QLatin1String(expected[i].first));
        QCOMPARE(iface.slotOrder[i].kind, expected[i].second);
    }
    // The member table: the sixteen properties in their order, then the method.
    const char *names[] = {
        "MouseIcon",   "Caption",       "HighCaption",   "Bevel",    "hwnd",      "Picture",
        "HighPicture", "DownPicture",   "BackColor",     "Font",     "ForeColor", "mode",
        "GrayScale",   "HighBackColor", "HighForeColor", "HighFont", "ShowInfo"};
    QCOMPARE(iface.members.size(), std::size(names));
    for (std::size_t i = 0; i < std::size(names); ++i)
        QCOMPARE(QLatin1String(iface.members[i].name), QLatin1String(names[i]));
}

void TestGlimmetHost::accessRulesAndConversions() {
    HostSite site(QStringLiteral("Glimmet1"));
    Ref<Control> control = create(&site);
    QCOMPARE(control->putProperty(Ids::mode, std::int16_t(1)), StatusMemberNotFound); // read only
    QCOMPARE(control->putProperty(Ids::hwnd, std::int32_t(1)), StatusMemberNotFound); // read only
    QCOMPARE(control->putProperty(Ids::Picture, Variant(Ref<Picture>())),
             StatusMemberNotFound); // set by reference only
    QCOMPARE(control->putProperty(Ids::BackColor, QStringLiteral("red")), StatusTypeMismatch);
    QCOMPARE(control->putProperty(Ids::Caption, std::int32_t(12)), StatusOk);
    Variant v;
    QCOMPARE(control->getProperty(Ids::Caption, &v), StatusOk);
    QCOMPARE(v.string(), QStringLiteral("12"));
    QCOMPARE(control->putProperty(Ids::Bevel, std::int16_t(1)), StatusOk); // any non-zero is True
    QCOMPARE(control->getProperty(Ids::Bevel, &v), StatusOk);
    QCOMPARE(v.type(), VariantType::Bool);
    QCOMPARE(v.int16(), std::int16_t(-1));
    QCOMPARE(control->getProperty(Ids::mode, &v), StatusOk);
    QCOMPARE(v.type(), VariantType::Int16);

    // Pictures and fonts cross as shared references.
    Ref<Picture> picture = Picture::fromImage(colourful(16, 16));
    QCOMPARE(control->putPropertyRef(Ids::Picture, picture), StatusOk);
    QCOMPARE(control->getProperty(Ids::HighPicture, &v), StatusOk);
    QVERIFY(v.picture() == picture);
    Ref<Font> font = makeRef<Font>(QFont(QStringLiteral("DejaVu Sans"), 9));
    QCOMPARE(control->putPropertyRef(Ids::HighFont, font), StatusOk);
    font->setBold(true);
    QCOMPARE(control->getProperty(Ids::HighFont, &v), StatusOk);
    QVERIFY(v.font() == font && v.font()->bold());
}

void TestGlimmetHost::clickReachesTheHostByDispatchId() {
    HostSite site;
    Ref<Control> control = create(&site);
    Recorder recorder;
    QCOMPARE(control->advise(&recorder), StatusOk);
    QWidget window;
    window.resize(300, 100);
    QWidget *w = control->widget();
    w->setParent(&window);
    w->setGeometry(10, 10, 120, 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseMove(w, QPoint(60, 20));
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(60, 20));
    QTRY_VERIFY(recorder.ids.contains(Glimmet3::EventIds::Click));
    const qsizetype down = recorder.ids.indexOf(Glimmet3::EventIds::MouseDown);
    const qsizetype up = recorder.ids.indexOf(Glimmet3::EventIds::MouseUp);
    const qsizetype click = recorder.ids.indexOf(Glimmet3::EventIds::Click);
    QVERIFY(down >= 0 && up > down && click > up);
    QVERIFY(recorder.ids.indexOf(Glimmet3::EventIds::MouseMove) < down);
    control->unadvise(&recorder);
    recorder.ids.clear();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(60, 20));
    QVERIFY(recorder.ids.isEmpty()); // unadvised
}

void TestGlimmetHost::canUnloadOnlyWhenNothingLives() {
    QCOMPARE(m_canUnloadNow(), StatusOk);
    {
        HostSite site;
        Ref<Control> control = create(&site);
        QVERIFY(control);
        QCOMPARE(m_canUnloadNow(), StatusFalse);
        Ref<Control> second = control;
        control.reset();
        QCOMPARE(m_canUnloadNow(), StatusFalse); // still referenced
    }
    QCOMPARE(m_canUnloadNow(), StatusOk);
    // A widget the host's window already destroyed does not keep the library in use either.
    {
        HostSite site;
        Ref<Control> control = create(&site);
        auto window = std::make_unique<QWidget>();
        control->widget()->setParent(window.get());
        window.reset();
        QVERIFY(!control->widget());
        Variant v;
        QVERIFY(failed(control->getProperty(Ids::Caption, &v)));
    }
    QCOMPARE(m_canUnloadNow(), StatusOk);
}

void TestGlimmetHost::refusesOtherClasses() {
    const auto getClassObject = m_library->resolve<DllGetClassObjectFn>("DllGetClassObject");
    QVERIFY(getClassObject);
    void *out = nullptr;
    for (const Guid &wrong :
         {Glimmet3::typeLibId, Glimmet3::interfaceId, Glimmet3::eventInterfaceId}) {
        QCOMPARE(getClassObject(&wrong, &ClassFactory::Iid, &out), StatusClassNotAvailable);
        QVERIFY(!out);
    }
    QCOMPARE(getClassObject(&Glimmet3::classId, &ClassFactory::Iid, &out), StatusOk);
    QVERIFY(out);
    QCOMPARE(m_canUnloadNow(), StatusFalse); // a factory lives
    static_cast<ClassFactory *>(out)->release();
    QCOMPARE(m_canUnloadNow(), StatusOk);
}

void TestGlimmetHost::informationBoxOnlyInDesignMode() {
    m_boxes.clear();
    HostSite runTime(QStringLiteral("Glimmet1"), true);
    Ref<Control> a = create(&runTime);
    QVERIFY(a);
    QVERIFY(m_boxes.isEmpty());

    HostSite designer(QStringLiteral("Glimmet2"), false);
    Ref<Control> b = create(&designer);
    QVERIFY(b);
    QCOMPARE(m_boxes.size(), 1);
    const MessageBox::Request box = m_boxes.first();
    QCOMPARE(box.title, QStringLiteral("Thank You For Using This Control"));
    QCOMPARE(box.buttons, MessageBox::Buttons::Ok);
    QCOMPARE(box.icon, MessageBox::Icon::None);
    QVERIFY(box.systemModal);
    QCOMPARE(box.text.split(QStringLiteral("\r\n")),
             (QStringList{QString(), QStringLiteral("GLIMMET"),
                          QStringLiteral("Easy and User Friendly Lumatrel for VB"),
                          QStringLiteral("Version:" GLIMMET_VERSION_FROM_CMAKE)}));

    // ShowInfo by dispatch id shows the same box at run time too.
    QCOMPARE(a->callMethod(Ids::ShowInfo), StatusOk);
    QCOMPARE(m_boxes.size(), 2);
    QCOMPARE(m_boxes.last().text, box.text);
}

void TestGlimmetHost::persistenceThroughAFileKeepsPicturesAndFonts() {
    Ref<Font> ambient = makeRef<Font>(QFont(QStringLiteral("DejaVu Sans"), 8));
    HostSite site(QStringLiteral("Glimmet1"), true, ambient);
    Ref<Control> original = create(&site);
    QVERIFY(original);
    Ref<Picture> high = Picture::fromImage(colourful(24, 20));
    Ref<Font> font = makeRef<Font>(QFont(QStringLiteral("DejaVu Serif"), 11));
    font->setItalic(true);
    QCOMPARE(original->putProperty(Ids::GrayScale, true), StatusOk);
    QCOMPARE(original->putPropertyRef(Ids::HighPicture, high), StatusOk); // makes the grey Picture
    QCOMPARE(original->putPropertyRef(Ids::Font, font), StatusOk);
    QCOMPARE(original->putProperty(Ids::Caption, QStringLiteral("Bangla")), StatusOk);
    QCOMPARE(original->putProperty(Ids::Bevel, false), StatusOk);
    QCOMPARE(original->putProperty(Ids::HighForeColor, OleColor::rgb(1, 2, 3)), StatusOk);
    Variant grey;
    QCOMPARE(original->getProperty(Ids::Picture, &grey), StatusOk);
    QVERIFY(grey.picture() && grey.picture() != high);

    PropertyBag bag;
    QCOMPARE(original->save(bag), StatusOk);
    const QString path = m_dir.filePath(QStringLiteral("form1.bag"));
    QString error;
    QCOMPARE(bag.save(path, &error), StatusOk);
    PropertyBag reread;
    QCOMPARE(reread.load(path, &error), StatusOk);
    Ref<Control> restored = create(&site, &reread);
    QVERIFY(restored);

    for (DispId id : {Ids::Caption, Ids::HighCaption, Ids::Bevel, Ids::GrayScale, Ids::BackColor,
                      Ids::ForeColor, Ids::HighBackColor, Ids::HighForeColor, Ids::mode}) {
        Variant a, b;
        QCOMPARE(original->getProperty(id, &a), StatusOk);
        QCOMPARE(restored->getProperty(id, &b), StatusOk);
        QVERIFY2(a == b, qPrintable(a.debugString() + QStringLiteral(" / ") + b.debugString()));
    }
    for (DispId id : {Ids::Picture, Ids::HighPicture, Ids::DownPicture}) {
        Variant a, b;
        original->getProperty(id, &a);
        restored->getProperty(id, &b);
        QVERIFY(a.picture() && b.picture());
        QCOMPARE(b.picture()->type(), a.picture()->type());
        QCOMPARE(b.picture()->toImage().convertToFormat(QImage::Format_RGB32),
                 a.picture()->toImage().convertToFormat(QImage::Format_RGB32));
    }
    for (DispId id : {Ids::Font, Ids::HighFont}) {
        Variant a, b;
        original->getProperty(id, &a);
        restored->getProperty(id, &b);
        QVERIFY(a.font() && b.font() && a.font()->sameAs(*b.font()));
    }
}

void TestGlimmetHost::damagedStoreFallsBackToDefaults() {
    HostSite site(QStringLiteral("Glimmet7"));
    Ref<Control> original = create(&site);
    QCOMPARE(original->putProperty(Ids::Caption, QStringLiteral("kept")), StatusOk);
    QCOMPARE(original->putProperty(Ids::HighBackColor, OleColor(0xFF)), StatusOk);
    PropertyBag bag;
    QCOMPARE(original->save(bag), StatusOk);
    QByteArray bytes = bag.toBytes();
    bytes.replace("color ff", "color fe"); // one damaged record
    const QString path = m_dir.filePath(QStringLiteral("damaged.bag"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes.left(bytes.size() - 5)); // and cut short
    f.close();

    PropertyBag loaded;
    QString error;
    QCOMPARE(loaded.load(path, &error), StatusInvalidData); // reported to the caller
    Ref<Control> restored = create(&site, &loaded);
    QVERIFY(restored);
    Variant v;
    QCOMPARE(restored->getProperty(Ids::HighBackColor, &v), StatusOk);
    QVERIFY(v.color() == ButtonFaceColor); // the damaged value gave way to its default
    QCOMPARE(restored->getProperty(Ids::Caption, &v), StatusOk);
    QCOMPARE(v.string(), QStringLiteral("kept")); // the sound records still read

    PropertyBag missing;
    QCOMPARE(missing.load(m_dir.filePath(QStringLiteral("none.bag")), &error), StatusFileNotFound);
    Ref<Control> fromNothing = create(&site, &missing);
    QVERIFY(fromNothing);
    QCOMPARE(fromNothing->getProperty(Ids::Caption, &v), StatusOk);
    QCOMPARE(v.string(), QStringLiteral("Glimmet7")); // the instance name
    QCOMPARE(fromNothing->getProperty(Ids::Bevel, &v), StatusOk);
    QVERIFY(v.boolean()); // a store without "Bevel" reads true
}

void TestGlimmetHost::failingHostCallIsReturnedNotFatal() {
    FailingSite site(QStringLiteral("Glimmet1"));
    Ref<Control> control = create(&site);
    QVERIFY(control);
    QCOMPARE(control->putProperty(Ids::HighCaption, QStringLiteral("x")), StatusAccessDenied);
    Variant v;
    QCOMPARE(control->getProperty(Ids::HighCaption, &v), StatusOk);
    QCOMPARE(v.string(), QStringLiteral("x")); // stored before the failing notification
}

void TestGlimmetHost::unregisterRemovesTheRecords() {
    const auto unregister = m_library->resolve<DllUnregisterServerFn>("DllUnregisterServer");
    QVERIFY(unregister);
    QCOMPARE(unregister(), StatusOk);
    ComponentRegistry registry;
    QCOMPARE(registry.load(), StatusOk);
    QVERIFY(!registry.classIdOf(QStringLiteral("GlimmetLib.Glimmet")));
    QVERIFY(!registry.classRecord(Glimmet3::classId));
    QVERIFY(!registry.typeLibRecord(Glimmet3::typeLibId));
    Ref<Control> control;
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression(QStringLiteral("GlimmetLib.Glimmet is not registered")));
    QCOMPARE(m_loader->createControl(QStringLiteral("GlimmetLib.Glimmet"), nullptr, &control),
             StatusClassNotRegistered);
}

QTEST_MAIN(TestGlimmetHost)
#include "tst_glimmethost.moc"
