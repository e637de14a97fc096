// Control runtime values and objects: identifiers, variants, references, fonts, pictures,
// the control's view of its site, and the message-box seam.
#include "messagebox.h"
#include "runtime/guid.h"
#include "runtime/messagebox.h"
#include "runtime/object.h"
#include "runtime/picture.h"
#include "runtime/site.h"
#include "runtime/variant.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrum::runtime;
using kestrum::MessageBox;

Q_DECLARE_METATYPE(kestrum::runtime::Variant)
Q_DECLARE_METATYPE(kestrum::runtime::VariantType)

namespace {

class Counted : public Object {
public:
    explicit Counted(int *destroyed) : m_destroyed(destroyed) {}
    ~Counted() override { ++*m_destroyed; }

private:
    int *m_destroyed;
};

// A site whose every answer can be set, failures included.
class ScriptedSite : public ClientSite {
public:
    Status ambientStatus = StatusOk;
    Variant userMode = Variant(true);
    Variant font;
    Status nameStatus = StatusOk;
    Variant name;
    QStringList changes;

    Status ambientProperty(DispId id, Variant *value) override {
        if (failed(ambientStatus))
            return ambientStatus;
        if (id == AmbientUserMode && !userMode.isEmpty())
            return *value = userMode, StatusOk;
        if (id == AmbientFont && !font.isEmpty())
            return *value = font, StatusOk;
        return StatusMemberNotFound;
    }
    Status extenderProperty(const QString &key, Variant *value) override {
        if (failed(nameStatus))
            return nameStatus;
        if (key != QLatin1String("Name") || name.isEmpty())
            return StatusMemberNotFound;
        return *value = name, StatusOk;
    }
    Status propertyChanged(const QString &key) override {
        changes << key;
        return StatusOk;
    }
};

class DoublingSink : public EventSink {
public:
    QList<DispId> seen;
    Status onEvent(DispId id, std::span<Variant> args) override {
        seen << id;
        for (Variant &a : args)
            a = Variant(std::int16_t(a.int16() * 2));
        return StatusOk;
    }
};

QImage filledImage(int w, int h, QColor c) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(c);
    return image;
}

} // namespace

class TestRuntime : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void guidRoundTrip();
    void guidRejects_data();
    void guidRejects();
    void referencesCountAndDelete();
    void moduleCountsLocks();
    void variantConversions_data();
    void variantConversions();
    void variantEquality();
    void fontSharedByReference();
    void fontListeners();
    void pictureKindsAndHimetric();
    void pictureFiles_data();
    void pictureFiles();
    void cursorFileKeepsItsHotSpot();
    void pictureFileFailures();
    void contextWithoutSite();
    void contextPassesSiteFailures();
    void eventsByReference();
    void messageBoxHook();
    void hostMessageBoxWithoutAHost();
};

void TestRuntime::guidRoundTrip() {
    const Guid g = {0x09637E27, 0x680D, 0x4DD7, {0x9C, 0xFF, 0x78, 0x45, 0xEB, 0x2D, 0x9E, 0x30}};
    QCOMPARE(g.toString(), QStringLiteral("{09637E27-680D-4DD7-9CFF-7845EB2D9E30}"));
    QVERIFY(Guid::fromString(g.toString()) == g);
    QVERIFY(Guid::fromString(QStringLiteral("09637e27-680d-4dd7-9cff-7845eb2d9e30")) == g);
    Guid other = g;
    other.data4[7] ^= 1;
    QVERIFY(!(other == g));
}

void TestRuntime::guidRejects_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("one brace") << QStringLiteral("{09637E27-680D-4DD7-9CFF-7845EB2D9E30");
    QTest::newRow("short group") << QStringLiteral("{09637E2-680D-4DD7-9CFF-7845EB2D9E30}");
    QTest::newRow("not hex") << QStringLiteral("{09637E27-680D-4DD7-9CFF-7845EB2D9EZ0}");
    QTest::newRow("four groups") << QStringLiteral("{09637E27-680D-4DD7-9CFF7845EB2D9E30}");
    QTest::newRow("sign") << QStringLiteral("{+9637E27-680D-4DD7-9CFF-7845EB2D9E30}");
}

void TestRuntime::guidRejects() {
    QFETCH(QString, text);
    QVERIFY(!Guid::fromString(text));
}

void TestRuntime::referencesCountAndDelete() {
    int destroyed = 0;
    {
        Ref<Counted> a = makeRef<Counted>(&destroyed);
        QCOMPARE(a->refCount(), 1);
        Ref<Counted> b = a;
        QCOMPARE(a->refCount(), 2);
        Ref<Object> base = a; // a reference through the base class counts too
        QCOMPARE(a->refCount(), 3);
        b.reset();
        base.reset();
        QCOMPARE(a->refCount(), 1);
        Counted *raw = a.detach();
        QCOMPARE(destroyed, 0);
        Ref<Counted> adopted = Ref<Counted>::adopt(raw);
        QCOMPARE(adopted->refCount(), 1);
    }
    QCOMPARE(destroyed, 1);
}

void TestRuntime::moduleCountsLocks() {
    Module module;
    QVERIFY(module.canUnloadNow());
    {
        ModuleLock one(module);
        ModuleLock two(one);
        QCOMPARE(module.lockCount(), 2);
        QVERIFY(!module.canUnloadNow());
    }
    QVERIFY(module.canUnloadNow());
}

void TestRuntime::variantConversions_data() {
    QTest::addColumn<Variant>("value");
    QTest::addColumn<VariantType>("target");
    QTest::addColumn<int>("status");
    QTest::addColumn<Variant>("expected");

    const auto i16 = [](int v) { return Variant(std::int16_t(v)); };
    QTest::newRow("int32 fits int16")
        << Variant(std::int32_t(-300)) << VariantType::Int16 << StatusOk << i16(-300);
    QTest::newRow("int32 too big for int16")
        << Variant(std::int32_t(40000)) << VariantType::Int16 << StatusOverflow << Variant();
    QTest::newRow("float rounds half to even")
        << Variant(2.5f) << VariantType::Int16 << StatusOk << i16(2);
    QTest::newRow("float rounds 3.5 to 4")
        << Variant(3.5f) << VariantType::Int16 << StatusOk << i16(4);
    QTest::newRow("numeric string")
        << Variant(QStringLiteral(" 42 ")) << VariantType::Int16 << StatusOk << i16(42);
    QTest::newRow("hex string") << Variant(QStringLiteral("&HFF")) << VariantType::Int32 << StatusOk
                                << Variant(std::int32_t(255));
    QTest::newRow("word is no number")
        << Variant(QStringLiteral("abc")) << VariantType::Int16 << StatusTypeMismatch << Variant();
    QTest::newRow("true is -1") << Variant(true) << VariantType::Int16 << StatusOk << i16(-1);
    QTest::newRow("number to bool")
        << Variant(std::int32_t(7)) << VariantType::Bool << StatusOk << Variant(Bool16(true));
    QTest::newRow("zero to bool") << i16(0) << VariantType::Bool << StatusOk
                                  << Variant(Bool16(false));
    QTest::newRow("string True") << Variant(QStringLiteral("true")) << VariantType::Bool << StatusOk
                                 << Variant(Bool16(true));
    QTest::newRow("bool to string")
        << Variant(false) << VariantType::String << StatusOk << Variant(QStringLiteral("False"));
    QTest::newRow("int to string")
        << i16(-5) << VariantType::String << StatusOk << Variant(QStringLiteral("-5"));
    QTest::newRow("system colour from int32")
        << Variant(std::int32_t(0x8000000F)) << VariantType::Color << StatusOk
        << Variant(ButtonFaceColor);
    QTest::newRow("colour to int32 keeps bits") << Variant(ButtonFaceColor) << VariantType::Int32
                                                << StatusOk << Variant(std::int32_t(0x8000000F));
    QTest::newRow("colour from unsigned text")
        << Variant(QStringLiteral("2147483663")) << VariantType::Color << StatusOk
        << Variant(ButtonFaceColor);
    QTest::newRow("colour to string unsigned") << Variant(ButtonFaceColor) << VariantType::String
                                               << StatusOk << Variant(QStringLiteral("2147483663"));
    QTest::newRow("empty to int16") << Variant() << VariantType::Int16 << StatusOk << i16(0);
    QTest::newRow("empty to picture")
        << Variant() << VariantType::Picture << StatusOk << Variant(Ref<Picture>());
    QTest::newRow("string to picture")
        << Variant(QStringLiteral("x")) << VariantType::Picture << StatusTypeMismatch << Variant();
    QTest::newRow("font to string")
        << Variant(makeRef<Font>()) << VariantType::String << StatusTypeMismatch << Variant();
    QTest::newRow("picture to int") << Variant(Picture::fromImage(filledImage(2, 2, Qt::red)))
                                    << VariantType::Int32 << StatusTypeMismatch << Variant();
}

void TestRuntime::variantConversions() {
    QFETCH(Variant, value);
    QFETCH(VariantType, target);
    QFETCH(int, status);
    QFETCH(Variant, expected);
    Variant out;
    QCOMPARE(value.convert(target, &out), status);
    if (succeeded(status)) {
        QVERIFY2(out == expected,
                 qPrintable(out.debugString() + QStringLiteral(" != ") + expected.debugString()));
        QCOMPARE(out.type(), target);
    }
}

void TestRuntime::variantEquality() {
    const Ref<Picture> p = Picture::fromImage(filledImage(2, 2, Qt::red));
    const Ref<Picture> q = Picture::fromImage(filledImage(2, 2, Qt::red));
    QVERIFY(Variant(p) == Variant(p));
    QVERIFY(!(Variant(p) == Variant(q))); // pictures compare by identity
    QVERIFY(Variant::sameValue(Variant(Ref<Picture>()), Variant()));
    QVERIFY(!Variant::sameValue(Variant(p), Variant()));
    QVERIFY(Variant::sameValue(Variant(std::int16_t(0)), Variant(std::int32_t(0))));
    QVERIFY(!Variant::sameValue(Variant(std::int16_t(0)), Variant()));
    QVERIFY(Variant(Bool16(true)) == Variant(true));
    Ref<Font> f = makeRef<Font>(QFont(QStringLiteral("DejaVu Sans"), 10));
    QVERIFY(Variant(f) == Variant(f->clone())); // fonts compare by attributes
    Ref<Font> g = f->clone();
    g->setItalic(true);
    QVERIFY(!(Variant(f) == Variant(g)));
}

void TestRuntime::fontSharedByReference() {
    Ref<Font> font = makeRef<Font>(QFont(QStringLiteral("DejaVu Sans"), 10));
    Variant held(font); // a second holder, as a control's Font field would be
    Ref<Font> other = held.font();
    other->setBold(true);
    other->setSize(14.25);
    other->setUnderline(true);
    QVERIFY(font->bold());
    QCOMPARE(font->weight(), std::int16_t(700));
    QCOMPARE(font->size(), 14.25);
    QVERIFY(font->toQFont().underline());
    Ref<Font> copy = font->clone();
    copy->setItalic(true);
    QVERIFY(!font->italic()); // a clone is a separate object
    QVERIFY(!copy->sameAs(*font));
}

void TestRuntime::fontListeners() {
    Ref<Font> font = makeRef<Font>();
    int calls = 0;
    int selfRemoving = 0;
    const int id = font->addListener([&] { ++calls; });
    int second = 0;
    second = font->addListener([&] {
        ++selfRemoving;
        font->removeListener(second);
    });
    font->setName(QStringLiteral("DejaVu Serif"));
    font->setItalic(true);
    QCOMPARE(calls, 2);
    QCOMPARE(selfRemoving, 1);
    font->removeListener(id);
    font->setItalic(false);
    QCOMPARE(calls, 2);
}

void TestRuntime::pictureKindsAndHimetric() {
    const Ref<Picture> bitmap = Picture::fromImage(filledImage(96, 48, Qt::blue));
    QCOMPARE(bitmap->type(), Picture::Bitmap);
    QCOMPARE(bitmap->width(), 2540); // one inch
    QCOMPARE(bitmap->height(), 1270);
    QCOMPARE(bitmap->pixelSize(), QSize(96, 48));

    const Ref<Picture> icon = Picture::fromIcon(filledImage(32, 32, Qt::green), QPoint(3, 4));
    QCOMPARE(icon->type(), Picture::Icon);
    QCOMPARE(icon->width(), 847); // 32 * 2540 / 96 = 846.67
    QCOMPARE(icon->hotSpot(), QPoint(3, 4));

    QPicture recording;
    {
        QPainter p(&recording);
        p.fillRect(QRect(0, 0, 20, 10), Qt::red);
    }
    const Ref<Picture> meta = Picture::fromRecording(
        recording, QSize(Picture::pixelsToHimetric(20), Picture::pixelsToHimetric(10)));
    QCOMPARE(meta->type(), Picture::Metafile);
    QCOMPARE(meta->pixelSize(), QSize(20, 10));
    const QImage drawn = meta->toImage();
    QCOMPARE(drawn.size(), QSize(20, 10));
    QCOMPARE(QColor(drawn.pixel(10, 5)), QColor(Qt::red));
    const Ref<Picture> enh =
        Picture::fromRecording(recording, QSize(100, 100), Picture::EnhMetafile);
    QCOMPARE(enh->type(), Picture::EnhMetafile);

    // Makers refuse what their type cannot hold.
    QVERIFY(!Picture::fromImage(QImage()));
    QVERIFY(!Picture::fromImage(filledImage(2, 2, Qt::red), Picture::Metafile));
    QVERIFY(!Picture::fromRecording(recording, QSize(0, 10)));
    QVERIFY(!Picture::fromRecording(recording, QSize(10, 10), Picture::Bitmap));
}

void TestRuntime::pictureFiles_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("type");
    QTest::newRow("bmp") << QStringLiteral("p.bmp") << int(Picture::Bitmap);
    QTest::newRow("png") << QStringLiteral("p.png") << int(Picture::Bitmap);
    QTest::newRow("jpg") << QStringLiteral("p.jpg") << int(Picture::Bitmap);
    QTest::newRow("ico") << QStringLiteral("p.ico") << int(Picture::Icon);
    QTest::newRow("qpic") << QStringLiteral("p.qpic") << int(Picture::Metafile);
}

void TestRuntime::pictureFiles() {
    QFETCH(QString, fileName);
    QFETCH(int, type);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    Ref<Picture> original;
    if (type == Picture::Metafile) {
        QPicture recording;
        {
            QPainter p(&recording);
            p.fillRect(QRect(0, 0, 24, 16), Qt::red);
        }
        original = Picture::fromRecording(
            recording, QSize(Picture::pixelsToHimetric(24), Picture::pixelsToHimetric(16)));
    } else {
        original =
            Picture::fromImage(filledImage(24, 16, Qt::red), static_cast<Picture::Type>(type));
    }
    QString error;
    QCOMPARE(savePicture(*original, path, &error), StatusOk);
    Ref<Picture> loaded;
    QCOMPARE(loadPicture(path, &loaded, &error), StatusOk);
    QVERIFY(loaded);
    QCOMPARE(int(loaded->type()), type);
    QCOMPARE(loaded->pixelSize(), QSize(24, 16));
    QCOMPARE(loaded->width(), original->width());
    QVERIFY(QColor(loaded->toImage().pixel(12, 8)).red() > 240); // JPEG is lossy
}

void TestRuntime::cursorFileKeepsItsHotSpot() {
    // A .cur file is an icon file with type 2 and the hot spot where an icon has its planes and
    // bit count: write an icon, then make it a cursor with the hot spot (5, 9).
    QTemporaryDir dir;
    const QString ico = dir.filePath(QStringLiteral("p.ico"));
    QCOMPARE(savePicture(*Picture::fromIcon(filledImage(32, 32, Qt::blue)), ico), StatusOk);
    QFile f(ico);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    f.close();
    QVERIFY(bytes.size() > 22);
    bytes[2] = 2;
    bytes[10] = 5;
    bytes[11] = 0;
    bytes[12] = 9;
    bytes[13] = 0;
    QFile cur(dir.filePath(QStringLiteral("p.cur")));
    QVERIFY(cur.open(QIODevice::WriteOnly));
    cur.write(bytes);
    cur.close();
    Ref<Picture> loaded;
    QString error;
    QCOMPARE(loadPicture(cur.fileName(), &loaded, &error), StatusOk);
    QCOMPARE(loaded->type(), Picture::Icon);
    QCOMPARE(loaded->hotSpot(), QPoint(5, 9));
    QCOMPARE(loaded->toCursor().hotSpot(), QPoint(5, 9));
}

void TestRuntime::pictureFileFailures() {
    QTemporaryDir dir;
    Ref<Picture> out = Picture::fromImage(filledImage(1, 1, Qt::red));
    QString error;
    QCOMPARE(loadPicture(dir.filePath(QStringLiteral("missing.bmp")), &out, &error),
             StatusFileNotFound);
    QVERIFY(!out);
    QVERIFY(error.contains(QStringLiteral("missing.bmp")));

    QFile garbage(dir.filePath(QStringLiteral("garbage.png")));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("this is not a picture");
    garbage.close();
    QCOMPARE(loadPicture(garbage.fileName(), &out, &error), StatusInvalidData);
    QVERIFY(!out);

    QFile text(dir.filePath(QStringLiteral("notes.txt")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.close();
    QCOMPARE(loadPicture(text.fileName(), &out, &error), StatusInvalidData);

    QCOMPARE(loadPicture(QString(), &out, &error), StatusOk); // an empty name clears
    QVERIFY(!out);

    const Ref<Picture> bitmap = Picture::fromImage(filledImage(2, 2, Qt::red));
    QCOMPARE(savePicture(*bitmap, dir.filePath(QStringLiteral("x.qpic")), &error),
             StatusInvalidArg);
}

void TestRuntime::contextWithoutSite() {
    ControlContext context;
    bool userMode = false;
    QCOMPARE(context.userMode(&userMode), StatusOk);
    QVERIFY(userMode);
    Ref<Font> font;
    QCOMPARE(context.ambientFont(&font), StatusOk);
    QVERIFY(font);
    QString name = QStringLiteral("x");
    QCOMPARE(context.extenderName(&name), StatusOk);
    QVERIFY(name.isEmpty());
    QCOMPARE(context.propertyChanged(QStringLiteral("Caption")), StatusOk);
}

void TestRuntime::contextPassesSiteFailures() {
    ScriptedSite site;
    ControlContext context;
    context.setSite(&site);

    Ref<Font> hostFont = makeRef<Font>(QFont(QStringLiteral("DejaVu Serif"), 12));
    site.userMode = Variant(false);
    site.font = Variant(hostFont);
    site.name = Variant(QStringLiteral("Glimmet1"));
    bool userMode = true;
    QCOMPARE(context.userMode(&userMode), StatusOk);
    QVERIFY(!userMode);
    Ref<Font> font;
    QCOMPARE(context.ambientFont(&font), StatusOk);
    QVERIFY(font == hostFont); // the host's own object, not a copy
    QString name;
    QCOMPARE(context.extenderName(&name), StatusOk);
    QCOMPARE(name, QStringLiteral("Glimmet1"));
    QCOMPARE(context.propertyChanged(QStringLiteral("Bevel")), StatusOk);
    QCOMPARE(site.changes, QStringList{QStringLiteral("Bevel")});

    site.ambientStatus = StatusAccessDenied;
    site.nameStatus = StatusFail;
    QCOMPARE(context.userMode(&userMode), StatusAccessDenied);
    QCOMPARE(context.ambientFont(&font), StatusAccessDenied);
    QCOMPARE(context.extenderName(&name), StatusFail);

    site.ambientStatus = StatusOk;
    site.userMode = Variant(QStringLiteral("not a Boolean"));
    QCOMPARE(context.userMode(&userMode), StatusTypeMismatch);
}

void TestRuntime::eventsByReference() {
    ControlContext context;
    DoublingSink first;
    DoublingSink second;
    context.addSink(&first);
    context.addSink(&second);
    context.addSink(&first); // registered once only
    Variant args[] = {Variant(std::int16_t(3)), Variant(std::int16_t(-1))};
    QCOMPARE(context.raiseEvent(8, args), StatusOk);
    QCOMPARE(first.seen, QList<DispId>{8});
    QCOMPARE(args[0].int16(), std::int16_t(12)); // doubled by each sink, in order
    QCOMPARE(args[1].int16(), std::int16_t(-4));
    context.removeSink(&first);
    context.raiseEvent(1);
    QCOMPARE(first.seen.size(), 1);
    QCOMPARE(second.seen, (QList<DispId>{8, 1}));
}

void TestRuntime::messageBoxHook() {
    QList<MessageBox::Request> asked;
    {
        MessageBox::ScopedHook hook([&](const MessageBox::Request &r) {
            asked << r;
            return MessageBox::Answer::No;
        });
        {
            MessageBox::ScopedHook inner(
                [](const MessageBox::Request &) { return MessageBox::Answer::Cancel; });
            QCOMPARE(MessageBox::show(nullptr, QStringLiteral("a"), QStringLiteral("b"),
                                      MessageBox::Buttons::YesNoCancel),
                     MessageBox::Answer::Cancel);
        }
        QCOMPARE(MessageBox::show(nullptr, QStringLiteral("Do you want to Exit?"),
                                  QStringLiteral("Exit"), MessageBox::Buttons::YesNo,
                                  MessageBox::Icon::Question),
                 MessageBox::Answer::No);
    }
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].text, QStringLiteral("Do you want to Exit?"));
    QCOMPARE(asked[0].title, QStringLiteral("Exit"));
    QCOMPARE(asked[0].buttons, MessageBox::Buttons::YesNo);
    QCOMPARE(asked[0].icon, MessageBox::Icon::Question);
}

// A control's box with no host handler installed shows nothing and gets the answer of a box
// closed without a button.
void TestRuntime::hostMessageBoxWithoutAHost() {
    using Host = kestrum::runtime::HostMessageBox;
    const std::pair<Host::Buttons, Host::Answer> rows[] = {
        {Host::Buttons::Ok, Host::Answer::Ok},
        {Host::Buttons::OkCancel, Host::Answer::Cancel},
        {Host::Buttons::YesNo, Host::Answer::No},
        {Host::Buttons::YesNoCancel, Host::Answer::Cancel},
    };
    for (const auto &[buttons, answer] : rows)
        QCOMPARE(Host::show(nullptr, QStringLiteral("t"), QStringLiteral("x"), buttons), answer);
    // With a handler (the program installs the widget layer's box) the handler answers.
    Host::ScopedHook hook([](const Host::Request &r) {
        return r.buttons == Host::Buttons::YesNo ? Host::Answer::Yes : Host::Answer::Ok;
    });
    QCOMPARE(Host::show(nullptr, QString(), QString(), Host::Buttons::YesNo), Host::Answer::Yes);
}

QTEST_MAIN(TestRuntime)
#include "tst_runtime.moc"
