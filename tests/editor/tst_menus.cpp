// The File, Edit and View commands: New and its save question, the English and Bangla files on
// disk, Load and its limits, the case commands, the font sizes and their check marks, View Log.
#include "editortestsupport.h"
#include "logwindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

using namespace kestrum;
using namespace kestrum::test;

namespace {

const QString EnglishFilter = QStringLiteral("Text File|*.txt|Bangla File|.b|All Files|*.*");
const QString BanglaFilter = QStringLiteral("Rich Text File|*.rft|All Files|*.*");

// Words whose glyphs include bytes above 0x7F (conjuncts), over two lines.
const QString HighGlyphWords = QStringLiteral("AmI kSh pRem\r\nbRISh sUrJo");

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestMenus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void newText_data();
    void newText();
    void englishFile_data();
    void englishFile();
    void saveDialogsOfferTheLastName();
    void cancelledSaveWritesNothing_data();
    void cancelledSaveWritesNothing();
    void failedSaveLosesNothing_data();
    void failedSaveLosesNothing();
    void failedWriteGivesTheSystemsReason_data();
    void failedWriteGivesTheSystemsReason();
    void banglaFileNamesTheControlCharactersReadersDrop();
    void banglaFile();
    void load_data();
    void load();
    void loadFailureChangesNothing_data();
    void loadFailureChangesNothing();
    void caseCommands_data();
    void caseCommands();
    void undoCaseBeforeAnyCaseChangeKeepsTheText();
    void undoCaseCanBeUndone();
    void newAndClearForgetTheCaseText_data();
    void newAndClearForgetTheCaseText();
    void everyUserChangeIsUnsavedWork_data();
    void everyUserChangeIsUnsavedWork();
    void loadIsNoUnsavedWork();
    void dialogsStartInTheLastFolder();
    void shortcutsFromTheInputArea_data();
    void shortcutsFromTheInputArea();
    void fontSizeCheckMarks_data();
    void fontSizeCheckMarks();
    void fontSizeItems_data();
    void fontSizeItems();
    void viewLogShowsTheLogWithoutWaiting();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    int conversions() const { return int(m_conversions->count()); }
    void convert(const QString &input);
    void openViewMenu();

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<TestProgram> m_test;
    std::unique_ptr<QSignalSpy> m_conversions;
    EditorWindow *m_editor = nullptr;
};

void TestMenus::init() {
    QVERIFY(m_dir.isValid());
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_test = std::make_unique<TestProgram>();
    QVERIFY(m_test->program->start());
    m_editor = m_test->editor();
    QVERIFY(m_editor);
    QVERIFY(QTest::qWaitForWindowExposed(m_test->program->frame()));
    m_conversions =
        std::make_unique<QSignalSpy>(m_test->program.get(), &Program::conversionFinished);
}

void TestMenus::cleanup() {
    m_conversions.reset();
    m_test.reset();
    m_dialogs.reset();
    m_boxes.reset();
    QDir(m_dir.path()).removeRecursively();
    QDir().mkpath(m_dir.path());
}

void TestMenus::convert(const QString &input) {
    text1(m_editor)->setText(input);
    action(m_editor, "lac")->trigger();
}

void TestMenus::openViewMenu() {
    menu(m_editor, "VW")->popup(QPoint(0, 0));
    menu(m_editor, "VW")->hide();
}

void TestMenus::newText_data() {
    QTest::addColumn<bool>("typed");
    QTest::addColumn<int>("answer"); // -1: no question expected
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<bool>("typedAfter");
    QTest::addColumn<QStringList>("written");
    const int yes = int(MessageBox::Answer::Yes), no = int(MessageBox::Answer::No),
              cancel = int(MessageBox::Answer::Cancel);
    QTest::newRow("nothing typed: no question")
        << false << -1 << QStringList{} << true << false << QStringList{};
    QTest::newRow("No: cleared, the flag stays")
        << true << no << QStringList{} << true << true << QStringList{};
    QTest::newRow("Cancel: nothing changes")
        << true << cancel << QStringList{} << false << true << QStringList{};
    QTest::newRow("Yes: both files, then cleared")
        << true << yes << QStringList{"e.txt", "b.rft"} << true << false
        << QStringList{"e.txt", "b.rft"};
    QTest::newRow("Yes, English dialog cancelled: nothing cleared")
        << true << yes << QStringList{""} << false << true << QStringList{};
    QTest::newRow("Yes, Bangla dialog cancelled: nothing cleared")
        << true << yes << QStringList{"e.txt", ""} << false << false << QStringList{"e.txt"};
    QTest::newRow("Yes, English save fails: nothing cleared")
        << true << yes << QStringList{"no such folder/e.txt"} << false << true << QStringList{};
}

void TestMenus::newText() {
    QFETCH(bool, typed);
    QFETCH(int, answer);
    QFETCH(QStringList, chosen);
    QFETCH(bool, cleared);
    QFETCH(bool, typedAfter);
    QFETCH(QStringList, written);

    convert(HighGlyphWords);
    const QString input = text1(m_editor)->text();
    const QString output = text2(m_editor)->text();
    QVERIFY(!output.isEmpty());
    m_editor->setTypedSinceSave(typed);
    m_editor->setEnglishFileName(path(QStringLiteral("old.txt")));
    m_editor->setBanglaFileName(path(QStringLiteral("old.rft")));
    if (answer >= 0)
        m_boxes->answers.push_back(MessageBox::Answer(answer));
    for (const QString &name : chosen)
        m_dialogs->answers.push_back(name.isEmpty() ? QString() : path(name));

    action(m_editor, "clsn")->trigger();

    if (answer >= 0) {
        QVERIFY(!m_boxes->requests.empty());
        const MessageBox::Request &question = m_boxes->requests.front();
        QCOMPARE(question.text, QStringLiteral("Do You want to save the Bangla or English File?"));
        QCOMPARE(question.title, QStringLiteral("Kestrum"));
        QCOMPARE(question.buttons, MessageBox::Buttons::YesNoCancel);
    } else {
        QVERIFY(m_boxes->requests.empty());
    }
    QCOMPARE(m_dialogs->requests.size(), std::size_t(chosen.size()));
    if (!chosen.isEmpty())
        QCOMPARE(m_dialogs->requests.front().fileName, path(QStringLiteral("old.txt")));
    for (const QString &name : written)
        QVERIFY2(QFile::exists(path(name)), qPrintable(name));
    QCOMPARE(m_editor->typedSinceSave(), typedAfter);
    if (cleared) {
        QCOMPARE(text1(m_editor)->text(), QString());
        QCOMPARE(text2(m_editor)->text(), QString());
        QVERIFY(m_test->program->session().conversionOutput().empty());
        QCOMPARE(m_editor->englishFileName(), QString());
        QCOMPARE(m_editor->banglaFileName(), QString());
        QCOMPARE(m_editor->focusWidget(), text1(m_editor));
    } else {
        QCOMPARE(text1(m_editor)->text(), input);
        QCOMPARE(text2(m_editor)->text(), output);
    }
    if (written == QStringList{"e.txt", "b.rft"}) {
        QCOMPARE(readFile(path("e.txt")), input.toLatin1() + "\r\n");
        QCOMPARE(rtfPlainText(readFile(path("b.rft"))), output);
    }
    if (chosen.value(0).startsWith(QLatin1String("no such folder"))) {
        QCOMPARE(m_boxes->requests.size(), std::size_t(2));
        QCOMPARE(m_boxes->requests.back().icon, MessageBox::Icon::Critical);
    }
    if (answer == int(MessageBox::Answer::No)) {
        // The flag stays set, so the next New asks again.
        action(m_editor, "clsn")->trigger();
        QCOMPARE(m_boxes->requests.size(), std::size_t(2));
    }
}

void TestMenus::englishFile_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    // Each must be in the one notice shown after the save; none: no notice.
    QTest::addColumn<QStringList>("notice");
    // What Load gives back; a null string: Load refuses the file (too large).
    QTest::addColumn<QString>("loaded");
    const QStringList none;
    QTest::newRow("one word") << "AmI" << QByteArray("AmI\r\n") << none << "AmI";
    QTest::newRow("empty") << "" << QByteArray("\r\n") << none << "";
    QTest::newRow("two lines") << "AmI\r\nbhAt" << QByteArray("AmI\r\nbhAt\r\n") << none
                               << "AmI\r\nbhAt";
    QTest::newRow("ends with an empty line") << "AmI\r\n"
                                             << QByteArray("AmI\r\n\r\n") << none << "AmI\r\n";
    QTest::newRow("commas, quotes, leading blanks")
        << "  AmI, \"bhAt\",\r\n khAI" << QByteArray("  AmI, \"bhAt\",\r\n khAI\r\n") << none
        << "  AmI, \"bhAt\",\r\n khAI";
    QTest::newRow("Windows-1252 letters") << QString::fromUtf8("caf\u00e9 \u20ac \u2018q\u2019")
                                          << QByteArray("caf\xE9 \x80 \x91q\x92\r\n") << none
                                          << QString::fromUtf8("caf\u00e9 \u20ac \u2018q\u2019");
    QTest::newRow("Bengali script: UTF-8 with a byte-order mark")
        << QString::fromUtf8("AmI \u0986\u09ae\u09bf")
        << QByteArray("\xEF\xBB\xBF"
                      "AmI \xE0\xA6\x86\xE0\xA6\xAE\xE0\xA6\xBF\r\n")
        << QStringList{"saved as UTF-8"} << QString::fromUtf8("AmI \u0986\u09ae\u09bf");
    // In Windows-1252 these would begin EF BB BF, which Load takes for a byte-order mark.
    QTest::newRow("begins like a byte-order mark: UTF-8")
        << QString::fromUtf8("\u00ef\u00bb\u00bfAmI")
        << QByteArray("\xEF\xBB\xBF\xC3\xAF\xC2\xBB\xC2\xBF"
                      "AmI\r\n")
        << QStringList{"byte-order mark", "saved as UTF-8"}
        << QString::fromUtf8("\u00ef\u00bb\u00bfAmI");
    QTest::newRow("a leading U+FEFF is kept")
        << QChar(0xFEFF) + QStringLiteral("AmI")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                      "AmI\r\n")
        << QStringList{"saved as UTF-8"} << QChar(0xFEFF) + QStringLiteral("AmI");
    QTest::newRow("a lone surrogate is saved as U+FFFD, and said so")
        << QStringLiteral("AmI ") + QChar(0xD800) + QString::fromUtf8("\u0986")
        << QByteArray("\xEF\xBB\xBF"
                      "AmI \xEF\xBF\xBD\xE0\xA6\x86\r\n")
        << QStringList{"saved as UTF-8", "1 of its characters", "U+FFFD"}
        << QString::fromUtf8("AmI \ufffd\u0986");
    const QString long1 = QStringLiteral("AmI ").repeated(16000);
    QTest::newRow("over 64000 bytes: saved, and told that Load will not read it")
        << long1 << long1.toLatin1() + "\r\n"
        << QStringList{"64002 bytes", "at most 64000 bytes", "will not read this file back"}
        << QString();
}

void TestMenus::englishFile() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, notice);
    QFETCH(QString, loaded);
    text1(m_editor)->setText(text);
    QCOMPARE(text1(m_editor)->text(), text);
    m_editor->setTypedSinceSave(true);
    const QString file = path(QStringLiteral("english"));
    m_dialogs->answers = {file};

    QVERIFY(m_editor->saveEnglishFile());
    QCOMPARE(readFile(file), bytes);
    QCOMPARE(m_editor->englishFileName(), file);
    QVERIFY(!m_editor->typedSinceSave());
    QCOMPARE(m_dialogs->requests.size(), std::size_t(1));
    QCOMPARE(m_dialogs->requests[0].kind, CommonDialog::Kind::Save);
    QCOMPARE(m_dialogs->requests[0].filter, EnglishFilter);
    QCOMPARE(m_dialogs->requests[0].fileName, QString());
    // Whatever the user should know comes in one notice that names the file; else nothing.
    QCOMPARE(m_boxes->requests.size(), std::size_t(notice.isEmpty() ? 0 : 1));
    if (!notice.isEmpty()) {
        const QString said = m_boxes->requests[0].text;
        QCOMPARE(m_boxes->requests[0].icon, MessageBox::Icon::Information);
        QVERIFY2(said.contains(file), qPrintable(said));
        for (const QString &part : notice)
            QVERIFY2(said.contains(part), qPrintable(said));
    }

    // Load gives back the text saved.
    m_boxes->requests.clear();
    text1(m_editor)->setText(QStringLiteral("something else"));
    m_dialogs->answers = {file};
    action(m_editor, "lda")->trigger();
    if (loaded.isNull()) {
        QCOMPARE(m_boxes->requests.size(), std::size_t(1));
        QCOMPARE(m_boxes->requests[0].text, QStringLiteral("File too large to read....."));
        return;
    }
    QVERIFY(m_boxes->requests.empty());
    QCOMPARE(text1(m_editor)->text(), loaded);
}

void TestMenus::saveDialogsOfferTheLastName() {
    convert(HighGlyphWords);
    const QString english = path(QStringLiteral("first.txt"));
    const QString bangla = path(QStringLiteral("first.rft"));
    m_dialogs->answers = {english, bangla, path("second.txt"), path("second.rft")};
    action(m_editor, "sav")->trigger();
    action(m_editor, "savb")->trigger();
    action(m_editor, "sav")->trigger();
    action(m_editor, "savb")->trigger();
    QCOMPARE(m_dialogs->requests.size(), std::size_t(4));
    QCOMPARE(m_dialogs->requests[1].filter, BanglaFilter);
    QCOMPARE(m_dialogs->requests[1].fileName, QString());
    QCOMPARE(m_dialogs->requests[2].fileName, english);
    QCOMPARE(m_dialogs->requests[3].fileName, bangla);
    QCOMPARE(m_editor->englishFileName(), path("second.txt"));
    QCOMPARE(m_editor->banglaFileName(), path("second.rft"));
    // The file gets exactly the name given: no extension is added.
    QVERIFY(QFile::exists(path("second.txt")));
    QVERIFY(QFile::exists(path("second.rft")));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).size(), 4);
}

void TestMenus::cancelledSaveWritesNothing_data() {
    QTest::addColumn<bool>("bangla");
    QTest::newRow("English file") << false;
    QTest::newRow("Bangla file") << true;
}

void TestMenus::cancelledSaveWritesNothing() {
    QFETCH(bool, bangla);
    QAction *command = bangla ? action(m_editor, "savb") : action(m_editor, "sav");
    const QString file = path(QStringLiteral("remembered"));
    convert(QStringLiteral("AmI"));
    m_dialogs->answers = {file};
    command->trigger();
    const QByteArray saved = readFile(file);
    QVERIFY(saved.contains("AmI") || saved.contains("Avwg"));

    convert(QStringLiteral("bhAt"));
    m_editor->setTypedSinceSave(true);
    m_dialogs->answers = {QString()};
    command->trigger();
    QCOMPARE(m_dialogs->requests.back().fileName, file); // the name was offered ...
    QCOMPARE(readFile(file), saved);                     // ... and nothing written
    QVERIFY(m_editor->typedSinceSave());
    QCOMPARE(bangla ? m_editor->banglaFileName() : m_editor->englishFileName(), file);
    QVERIFY(m_boxes->requests.empty());
}

void TestMenus::failedSaveLosesNothing_data() {
    QTest::addColumn<bool>("bangla");
    QTest::addColumn<QString>("name");
    QTest::newRow("English file, missing folder") << false << "no such folder/e.txt";
    QTest::newRow("English file, a folder's name") << false << "folder";
    QTest::newRow("Bangla file, missing folder") << true << "no such folder/b.rft";
    QTest::newRow("Bangla file, a folder's name") << true << "folder";
    // Saving over a FIFO or a device would replace it by a regular file.
    QTest::newRow("English file, a FIFO") << false << "fifo";
    QTest::newRow("Bangla file, a FIFO") << true << "fifo";
    QTest::newRow("English file, a device node") << false << "null";
    QTest::newRow("Bangla file, a link to a device node") << true << "link-to-null";
}

void TestMenus::failedSaveLosesNothing() {
    QFETCH(bool, bangla);
    QFETCH(QString, name);
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0600), 0);
    // A node like /dev/null of the test's own (making one needs root).
    if (name.contains(QLatin1String("null"))) {
        if (::mknod(QFile::encodeName(path(QStringLiteral("null"))).constData(), S_IFCHR | 0666,
                    makedev(1, 3)) != 0)
            QSKIP("cannot make a device node here (not root)");
        QVERIFY(QFile::link(path(QStringLiteral("null")), path(QStringLiteral("link-to-null"))));
    }
    const auto typeOf = [&](const QString &file) {
        struct stat st {};
        return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0u;
    };
    const unsigned typeBefore = typeOf(path(name));
    convert(HighGlyphWords);
    const QString input = text1(m_editor)->text();
    const QString output = text2(m_editor)->text();
    m_editor->setTypedSinceSave(true);
    m_dialogs->answers = {path(name)};

    const bool saved = bangla ? m_editor->saveBanglaFile() : m_editor->saveEnglishFile();
    QVERIFY(!saved);
    QCOMPARE(m_boxes->requests.size(), std::size_t(1));
    const MessageBox::Request &box = m_boxes->requests[0];
    QCOMPARE(box.icon, MessageBox::Icon::Critical);
    QCOMPARE(box.title, QStringLiteral("Kestrum"));
    QVERIFY2(box.text.contains(path(name)), qPrintable(box.text));
    QCOMPARE(text1(m_editor)->text(), input);
    QCOMPARE(text2(m_editor)->text(), output);
    QVERIFY(m_editor->typedSinceSave());
    QCOMPARE(m_editor->englishFileName(), QString());
    QCOMPARE(m_editor->banglaFileName(), QString());
    QVERIFY(QFileInfo(path("folder")).isDir());
    QCOMPARE(typeOf(path(name)), typeBefore); // what stood there still stands
}

// A write the system cuts short (here the file size limit, as a full disk would) is reported
// with the system's reason, and the old file stays as it was.
void TestMenus::failedWriteGivesTheSystemsReason_data() {
    QTest::addColumn<bool>("bangla");
    QTest::newRow("English file") << false;
    QTest::newRow("Bangla file") << true;
}

void TestMenus::failedWriteGivesTheSystemsReason() {
    QFETCH(bool, bangla);
    const QString file = path(QStringLiteral("kept"));
    writeFile(file, "the old file");
    convert(QStringLiteral("AmI bhAt ").repeated(500));
    m_dialogs->answers = {file};
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = bangla ? m_editor->saveBanglaFile() : m_editor->saveEnglishFile();
    setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(!saved);
    QCOMPARE(m_boxes->requests.size(), std::size_t(1));
    QCOMPARE(m_boxes->requests[0].text,
             QStringLiteral("Cannot save \"%1\": File too large").arg(file));
    QCOMPARE(readFile(file), QByteArray("the old file"));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestMenus::banglaFile() {
    convert(HighGlyphWords);
    const QString output = text2(m_editor)->text();
    m_editor->setTypedSinceSave(true);
    const QString file = path(QStringLiteral("bangla.rft"));
    m_dialogs->answers = {file};

    QVERIFY(m_editor->saveBanglaFile());
    QCOMPARE(m_dialogs->requests[0].kind, CommonDialog::Kind::Save);
    QCOMPARE(m_dialogs->requests[0].filter, BanglaFilter);
    QCOMPARE(m_editor->banglaFileName(), file);
    QVERIFY(m_editor->typedSinceSave()); // only an English save clears it

    const QByteArray rtf = readFile(file);
    QVERIFY(rtf.startsWith("{\\rtf1"));
    const qsizetype fontTable = rtf.indexOf("{\\fonttbl");
    QVERIFY(fontTable >= 0);
    QVERIFY(rtf.indexOf("SutonnyMJ", fontTable) > fontTable);
    int escaped = 0;
    for (const QChar c : output) {
        const auto byte = unicodeToCp1252(c.unicode());
        QVERIFY(byte);
        if (*byte >= 0x80) {
            const QByteArray escape = "\\'" + QByteArray::number(*byte, 16).rightJustified(2, '0');
            QVERIFY2(rtf.contains(escape), escape.constData());
            ++escaped;
        }
    }
    QVERIFY(escaped >= 4);
    QCOMPARE(rtfPlainText(rtf), output);
}

void TestMenus::banglaFileNamesTheControlCharactersReadersDrop() {
    convert(QStringLiteral("AmI"));
    text2(m_editor)->setText(text2(m_editor)->text() + QChar(0x01) + QStringLiteral("\t\r\n") +
                             QChar(0x1B) + QChar(0x01) + QChar(0xD800));
    const QString file = path(QStringLiteral("bangla.rft"));
    m_dialogs->answers = {file};
    QVERIFY(m_editor->saveBanglaFile());
    const QByteArray rtf = readFile(file);
    QVERIFY2(rtf.contains("\\'01\\tab \\par\r\n\\'1b\\'01\\u-3?}"), rtf.constData());
    QCOMPARE(m_boxes->requests.size(), std::size_t(1));
    const QString said = m_boxes->requests[0].text;
    QCOMPARE(m_boxes->requests[0].icon, MessageBox::Icon::Information);
    for (const QString &part : {QStringLiteral("3 control characters (U+0001, U+001B)"), file,
                                QStringLiteral("1 of its characters"), QStringLiteral("U+FFFD")})
        QVERIFY2(said.contains(part), qPrintable(said));

    // A text of letters and line breaks alone needs no word. (What was put into the output
    // stays through a conversion: the area is emptied first.)
    m_boxes->requests.clear();
    text2(m_editor)->setText(QString());
    convert(HighGlyphWords);
    m_dialogs->answers = {file};
    QVERIFY(m_editor->saveBanglaFile());
    QVERIFY(m_boxes->requests.empty());
}

void TestMenus::load_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("loaded");
    // A notice expected after the load (naming the file and holding this); "": none.
    QTest::addColumn<QString>("notice");
    const QByteArray limit = QByteArray("AmI ").repeated(16000);
    QTest::newRow("64000 bytes are read") << limit << QString::fromLatin1(limit) << true << "";
    QTest::newRow("64001 bytes are refused") << limit + "x" << QString() << false << "";
    QTest::newRow("empty file") << QByteArray() << "" << true << "";
    QTest::newRow("commas, quotes, blanks kept")
        << QByteArray("  AmI, \"bhAt\"\r\nkhAI,\r\n") << "  AmI, \"bhAt\"\r\nkhAI," << true << "";
    QTest::newRow("LF line breaks") << QByteArray("AmI\nbhAt\n") << "AmI\r\nbhAt" << true << "";
    QTest::newRow("only the last line break is dropped") << QByteArray("AmI\r\n\r\n") << "AmI\r\n"
                                                         << true << "";
    QTest::newRow("Windows-1252 bytes")
        << QByteArray("caf\xE9 \x80") << QString::fromUtf8("caf\u00e9 \u20ac") << true << "";
    QTest::newRow("UTF-8 with a byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                                "AmI \xE0\xA6\x86\r\n")
                                                  << QString::fromUtf8("AmI \u0986") << true << "";
    QTest::newRow("UTF-8 without a mark is Windows-1252")
        << QByteArray("\xC3\xA9") << QString::fromUtf8("\u00c3\u00a9") << true << "";
    QTest::newRow("UTF-8 with a mark keeps a U+FEFF after it")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                      "AmI")
        << QChar(0xFEFF) + QStringLiteral("AmI") << true << "";
    QTest::newRow("bytes that are not UTF-8 after a mark: U+FFFD, and said so")
        << QByteArray("\xEF\xBB\xBF"
                      "A\xFFmI \xE0\xA6 \xC3")
        << QString::fromUtf8("A\ufffdmI \ufffd \ufffd") << true
        << "3 of its byte sequences are not UTF-8";
}

void TestMenus::load() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QFETCH(bool, loaded);
    QFETCH(QString, notice);
    const QString file = path(QStringLiteral("input.txt"));
    writeFile(file, bytes);
    convert(QStringLiteral("bhAt"));
    const QString oldOutput = text2(m_editor)->text();
    m_editor->setEnglishFileName(path(QStringLiteral("remembered.txt")));
    m_dialogs->answers = {file};

    action(m_editor, "lda")->trigger();

    QCOMPARE(m_dialogs->requests.size(), std::size_t(1));
    QCOMPARE(m_dialogs->requests[0].kind, CommonDialog::Kind::Open);
    QCOMPARE(m_dialogs->requests[0].filter, EnglishFilter);
    QCOMPARE(m_dialogs->requests[0].fileName, QString()); // never the remembered name
    if (!loaded) {
        QCOMPARE(m_boxes->requests.size(), std::size_t(1));
        QCOMPARE(m_boxes->requests[0].text, QStringLiteral("File too large to read....."));
        QCOMPARE(m_boxes->requests[0].title, QStringLiteral("eRROR"));
        QCOMPARE(m_boxes->requests[0].icon, MessageBox::Icon::Critical);
        QCOMPARE(m_boxes->requests[0].buttons, MessageBox::Buttons::Ok);
        QCOMPARE(text1(m_editor)->text(), QStringLiteral("bhAt"));
        QCOMPARE(text2(m_editor)->text(), oldOutput);
        QCOMPARE(conversions(), 1);
        return;
    }
    QCOMPARE(m_boxes->requests.size(), std::size_t(notice.isEmpty() ? 0 : 1));
    if (!notice.isEmpty()) {
        QCOMPARE(m_boxes->requests[0].icon, MessageBox::Icon::Information);
        QVERIFY2(m_boxes->requests[0].text.contains(notice), qPrintable(m_boxes->requests[0].text));
        QVERIFY(m_boxes->requests[0].text.contains(file));
    }
    QCOMPARE(text1(m_editor)->text(), expected);
    QCOMPARE(conversions(), 2);
    const QString output = text2(m_editor)->text();
    if (expected.isEmpty()) {
        QCOMPARE(output, oldOutput); // an empty input converts to nothing
    } else {
        convert(expected);
        QCOMPARE(output, text2(m_editor)->text());
    }
    // Loading the same text again still converts.
    m_dialogs->answers = {file};
    action(m_editor, "lda")->trigger();
    QCOMPARE(conversions(), expected.isEmpty() ? 3 : 4);
}

void TestMenus::loadFailureChangesNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("reported");
    QTest::newRow("dialog cancelled") << "" << false;
    QTest::newRow("missing file") << "gone.txt" << true;
    QTest::newRow("a folder") << "folder" << true;
    // Neither may freeze the window: a FIFO with no writer, a device that never ends.
    QTest::newRow("a FIFO") << "fifo" << true;
    QTest::newRow("a link to a device") << "zero" << true;
}

void TestMenus::loadFailureChangesNothing() {
    QFETCH(QString, name);
    QFETCH(bool, reported);
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path(QStringLiteral("zero"))));
    convert(QStringLiteral("AmI bhAt"));
    m_dialogs->answers = {name.isEmpty() ? QString() : path(name)};
    action(m_editor, "lda")->trigger();
    QCOMPARE(text1(m_editor)->text(), QStringLiteral("AmI bhAt"));
    QCOMPARE(conversions(), 1);
    QCOMPARE(m_boxes->requests.size(), std::size_t(reported ? 1 : 0));
    if (reported) {
        QCOMPARE(m_boxes->requests[0].icon, MessageBox::Icon::Critical);
        QVERIFY(m_boxes->requests[0].text.contains(path(name)));
    }
    const QString reasons[] = {QStringLiteral("No such file or directory"),
                               QStringLiteral("Is a directory"),
                               QStringLiteral("not a regular file (a FIFO)"),
                               QStringLiteral("not a regular file (a character device)")};
    if (reported)
        QVERIFY2(
            std::any_of(std::begin(reasons), std::end(reasons),
                        [&](const QString &r) { return m_boxes->requests[0].text.endsWith(r); }),
            qPrintable(m_boxes->requests[0].text));
}

void TestMenus::caseCommands_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("upper");
    QTest::addColumn<QString>("expected");
    QTest::newRow("upper, selection only") << "amI bhAt" << 0 << 3 << true << "AMI bhAt";
    QTest::newRow("lower, selection only") << "AmI BHAT" << 4 << 4 << false << "AmI bhat";
    QTest::newRow("upper, nothing selected") << "amI" << 1 << 0 << true << "amI";
    QTest::newRow("lower, across a line break") << "AB\r\nCD" << 1 << 3 << false << "Ab\r\ncD";
    QTest::newRow("upper, whole text") << "kSh pRem" << 0 << 8 << true << "KSH PREM";
}

void TestMenus::caseCommands() {
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(bool, upper);
    QFETCH(QString, expected);
    text1(m_editor)->setText(text);
    QTextCursor cursor = text1(m_editor)->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    text1(m_editor)->setTextCursor(cursor);

    (upper ? action(m_editor, "uca") : action(m_editor, "lc"))->trigger();
    QCOMPARE(text1(m_editor)->text(), expected);
    QCOMPARE(m_editor->caseUndoText(), text);

    // Undo Case replaces the typing after the change, and can be repeated; the area's own
    // undo brings the typing back.
    text1(m_editor)->setSelStart(1000);
    text1(m_editor)->setSelText(QStringLiteral(" khAI"));
    action(m_editor, "uc")->trigger();
    QCOMPARE(text1(m_editor)->text(), text);
    text1(m_editor)->undo();
    QCOMPARE(text1(m_editor)->text(), expected + QStringLiteral(" khAI"));
    text1(m_editor)->setText(QStringLiteral("other"));
    action(m_editor, "uc")->trigger();
    QCOMPARE(text1(m_editor)->text(), text);
    QCOMPARE(m_editor->caseUndoText(), text);
}

// Ctrl+Z is Undo Case; what it replaced comes back with the input area's own Undo
// (Alt+Backspace) and goes again with its Redo (Ctrl+Shift+Z). Typed keys, as a user types.
void TestMenus::undoCaseCanBeUndone() {
    RichTextBox *input = text1(m_editor);
    input->setFocus();
    QTest::keyClicks(input, QStringLiteral("amI "));
    QTest::keyClick(input, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClick(input, Qt::Key_Y, Qt::ControlModifier); // Upper Case
    QCOMPARE(input->text(), QStringLiteral("AMI "));
    QTest::keyClick(input, Qt::Key_End);
    QTest::keyClicks(input, QStringLiteral("bOI"));
    QTest::keyClick(input, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(input->text(), QStringLiteral("amI "));
    QTest::keyClick(input, Qt::Key_Backspace, Qt::AltModifier);
    QCOMPARE(input->text(), QStringLiteral("AMI bOI"));
    QTest::keyClick(input, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(input->text(), QStringLiteral("amI "));
    // Ctrl+Z stays Undo Case: again the text before the case change.
    QTest::keyClick(input, Qt::Key_Backspace, Qt::AltModifier);
    QTest::keyClick(input, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(input->text(), QStringLiteral("amI "));
}

// Rows: how the input is emptied after a case change. Undo Case afterwards must not bring the
// old text back over what was typed since.
void TestMenus::newAndClearForgetTheCaseText_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("New, answer No") << "New";
    QTest::newRow("Clear of the input area") << "Clear";
}

void TestMenus::newAndClearForgetTheCaseText() {
    QFETCH(QString, how);
    RichTextBox *input = text1(m_editor);
    input->setText(QStringLiteral("AmI bhAt"));
    input->setFocus();
    QTextCursor cursor = input->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    input->setTextCursor(cursor);
    action(m_editor, "uca")->trigger();
    if (how == QLatin1String("New")) {
        m_boxes->answers = {MessageBox::Answer::No};
        action(m_editor, "clsn")->trigger();
        QCOMPARE(m_boxes->requests.size(), std::size_t(1)); // the case change is unsaved work
    } else {
        action(m_editor, "clsa")->trigger();
    }
    QCOMPARE(input->text(), QString());
    input->setFocus();
    QTest::keyClicks(input, QStringLiteral("bOI "));
    QTest::keyClick(input, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(input->text(), QStringLiteral("bOI "));
    QVERIFY(!m_editor->hasCaseUndo());
}

// Rows: a change of the input by the user that raises no character key press, and the other
// ways the user changes the input. Each is unsaved work: New asks first.
void TestMenus::everyUserChangeIsUnsavedWork_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("textAfter");
    QTest::newRow("Ctrl+V") << "ctrl+v"
                            << "AmI tUmI bhAt";
    QTest::newRow("Shift+Insert") << "shift+insert"
                                  << "AmI tUmI bhAt";
    QTest::newRow("Ctrl+X") << "ctrl+x"
                            << " bhAt";
    QTest::newRow("Delete") << "delete"
                            << "mI bhAt";
    QTest::newRow("text dropped on it") << "drop"
                                        << "tUmI AmI bhAt";
    QTest::newRow("Upper Case") << "upper"
                                << "AMI bhAt";
    QTest::newRow("Undo Case") << "undo case"
                               << "amI bhAt";
    QTest::newRow("its own Undo") << "alt+backspace"
                                  << "AmI";
}

void TestMenus::everyUserChangeIsUnsavedWork() {
    QFETCH(QString, change);
    QFETCH(QString, textAfter);
    RichTextBox *input = text1(m_editor);
    if (change == QLatin1String("undo case")) {
        input->setText(QStringLiteral("amI bhAt"));
        action(m_editor, "lc")->trigger(); // nothing selected: keeps the text for Undo Case
        input->setText(QStringLiteral("AmI bhAt"));
    } else if (change == QLatin1String("alt+backspace")) {
        input->setText(QStringLiteral("AmI"));
        input->setSelStart(3);
        input->setSelText(QStringLiteral(" bhAt")); // the program's insertion, undoable
    } else {
        input->setText(QStringLiteral("AmI bhAt"));
    }
    m_editor->setTypedSinceSave(false);
    input->setFocus();
    QTextCursor cursor = input->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    input->setTextCursor(cursor);
    QApplication::clipboard()->setText(QStringLiteral("AmI tUmI"));

    // Ctrl+V and Ctrl+X carry the control characters an X server gives them (QTest would
    // give them the letter, which counts as a typed key).
    const auto controlKey = [&](Qt::Key key, char16_t character) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier, QString(QChar(character)));
        QApplication::sendEvent(input, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::ControlModifier, QString(QChar(character)));
        QApplication::sendEvent(input, &release);
    };
    if (change == QLatin1String("ctrl+v")) {
        controlKey(Qt::Key_V, 0x16);
    } else if (change == QLatin1String("shift+insert")) {
        QTest::keyClick(input, Qt::Key_Insert, Qt::ShiftModifier);
    } else if (change == QLatin1String("ctrl+x")) {
        controlKey(Qt::Key_X, 0x18);
    } else if (change == QLatin1String("delete")) {
        input->setSelStart(0);
        QTest::keyClick(input, Qt::Key_Delete);
    } else if (change == QLatin1String("drop")) {
        input->setSelStart(0);
        QMimeData text;
        text.setText(QStringLiteral("tUmI "));
        const QPoint at = input->cursorRect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &text, Qt::LeftButton, {});
        QApplication::sendEvent(input->viewport(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &text, Qt::LeftButton, {});
        QApplication::sendEvent(input->viewport(), &drop);
    } else if (change == QLatin1String("upper")) {
        action(m_editor, "uca")->trigger();
    } else if (change == QLatin1String("undo case")) {
        action(m_editor, "uc")->trigger();
    } else if (change == QLatin1String("alt+backspace")) {
        QTest::keyClick(input, Qt::Key_Backspace, Qt::AltModifier);
    }
    QCOMPARE(input->text(), textAfter);
    QVERIFY(m_editor->typedSinceSave());

    m_boxes->answers = {MessageBox::Answer::Cancel};
    action(m_editor, "clsn")->trigger();
    QCOMPARE(m_boxes->requests.size(), std::size_t(1));
    QCOMPARE(m_boxes->requests[0].text,
             QStringLiteral("Do You want to save the Bangla or English File?"));
    QCOMPARE(input->text(), textAfter);
}

// Every file dialog starts in the folder of the file chosen last in any of them (the working
// folder before the first); a save dialog offering the name used last time starts in that
// name's folder. The save dialogs say which file they save.
void TestMenus::dialogsStartInTheLastFolder() {
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("a")));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("b")));
    writeFile(path("a/in.txt"), "AmI\r\n");
    writeFile(path("b/in.txt"), "bhAt\r\n");
    const auto request = [&](std::size_t i) { return m_dialogs->requests.at(i); };
    m_dialogs->answers = {path("a/in.txt"),    path("b/out.txt"), path("b/out.rft"), QString(),
                          path("a/again.txt"), path("b/in.txt"),  QString(),         QString()};
    action(m_editor, "lda")->trigger();  // 0: Load, from a
    action(m_editor, "sav")->trigger();  // 1: Save English File, into b
    action(m_editor, "savb")->trigger(); // 2: Save Bangla File, into b
    action(m_editor, "lda")->trigger();  // 3: Load, cancelled
    m_editor->setTypedSinceSave(false);
    action(m_editor, "clsn")->trigger(); // New forgets the names
    action(m_editor, "sav")->trigger();  // 4: Save English File, into a
    action(m_editor, "lda")->trigger();  // 5: Load, from b
    action(m_editor, "sav")->trigger();  // 6: Save English File, offering a/again.txt; cancelled
    action(m_editor, "savb")->trigger(); // 7: Save Bangla File, no name to offer; cancelled
    QCOMPARE(m_dialogs->requests.size(), std::size_t(8));
    const QStringList directories{"", "a", "b", "b", "b", "a", "a", "b"};
    for (std::size_t i = 0; i < 8; ++i)
        QCOMPARE(request(i).directory,
                 directories[qsizetype(i)].isEmpty() ? QString() : path(directories[qsizetype(i)]));
    // A save dialog offering the name used last time starts where that name is (6), one with
    // no name where a file was chosen last (7); a cancelled dialog chose no folder (4).
    QCOMPARE(request(6).fileName, path("a/again.txt"));
    QCOMPARE(request(7).fileName, QString());
    for (const std::size_t i : {1, 4, 6})
        QCOMPARE(request(i).title, QStringLiteral("Save English File"));
    for (const std::size_t i : {2, 7})
        QCOMPARE(request(i).title, QStringLiteral("Save Bangla File"));
    for (const std::size_t i : {0, 3, 5})
        QCOMPARE(request(i).title, QString()); // Load keeps the platform's own
    // The Unicode file's dialogs share the window's dialog: a title set for another file does
    // not stay, and the folder chosen last is theirs too.
    m_dialogs->answers = {QString(), QString()};
    m_editor->saveUnicodeFile();
    m_editor->openUnicodeFile();
    QCOMPARE(request(8).title, QStringLiteral("Save Unicode File"));
    QCOMPARE(request(9).title, QString());
    QCOMPARE(request(9).directory, path("b"));
}

// What the program writes into the input is no typing: a loaded file is saved already.
void TestMenus::loadIsNoUnsavedWork() {
    const QString file = path(QStringLiteral("loaded.txt"));
    writeFile(file, "AmI bhAt\r\n");
    m_dialogs->answers = {file};
    action(m_editor, "lda")->trigger();
    QCOMPARE(text1(m_editor)->text(), QStringLiteral("AmI bhAt"));
    QVERIFY(!m_editor->typedSinceSave());
}

void TestMenus::undoCaseBeforeAnyCaseChangeKeepsTheText() {
    text1(m_editor)->setText(QStringLiteral("AmI bhAt"));
    action(m_editor, "uc")->trigger();
    QCOMPARE(text1(m_editor)->text(), QStringLiteral("AmI bhAt"));
    // Once a case change stored an empty text, Undo Case goes back to it.
    text1(m_editor)->setText(QString());
    action(m_editor, "uca")->trigger();
    text1(m_editor)->setText(QStringLiteral("AmI"));
    action(m_editor, "uc")->trigger();
    QCOMPARE(text1(m_editor)->text(), QString());
}

void TestMenus::shortcutsFromTheInputArea_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<int>("dialogs");
    QTest::newRow("Ctrl+Y Upper Case") << int(Qt::Key_Y) << "AMI bhAt" << 0;
    QTest::newRow("Ctrl+L Lower Case") << int(Qt::Key_L) << "ami bhAt" << 0;
    QTest::newRow("Ctrl+Z Undo Case, nothing to undo") << int(Qt::Key_Z) << "AmI bhAt" << 0;
    QTest::newRow("Ctrl+N New") << int(Qt::Key_N) << "" << 0;
    QTest::newRow("Ctrl+S Save English File") << int(Qt::Key_S) << "AmI bhAt" << 1;
    QTest::newRow("Ctrl+B Save Bangla File") << int(Qt::Key_B) << "AmI bhAt" << 1;
    QTest::newRow("Ctrl+O Load") << int(Qt::Key_O) << "AmI bhAt" << 1;
}

void TestMenus::shortcutsFromTheInputArea() {
    QFETCH(int, key);
    QFETCH(QString, expectedText);
    QFETCH(int, dialogs);
    text1(m_editor)->setText(QStringLiteral("AmI bhAt"));
    m_editor->setTypedSinceSave(false);
    text1(m_editor)->setFocus();
    QTextCursor cursor = text1(m_editor)->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    text1(m_editor)->setTextCursor(cursor);
    QTest::keyClick(text1(m_editor), Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(text1(m_editor)->text(), expectedText);
    QCOMPARE(m_dialogs->requests.size(), std::size_t(dialogs));
}

void TestMenus::fontSizeCheckMarks_data() {
    QTest::addColumn<QString>("area");
    QTest::addColumn<double>("size");
    QTest::addColumn<int>("checked"); // -1: none
    QTest::newRow("input area as designed, 14.25") << "Text1" << 0.0 << 1;
    QTest::newRow("output area as designed, 18") << "text2" << 0.0 << 2;
    QTest::newRow("14 checks Small") << "Text1" << 14.0 << 1;
    QTest::newRow("15 checks none") << "Text1" << 15.0 << -1;
    QTest::newRow("14.5 rounds to 14 (half to even)") << "text2" << 14.5 << 1;
    QTest::newRow("18.5 rounds to 18 (half to even)") << "text2" << 18.5 << 2;
    QTest::newRow("19.5 rounds to 20") << "Text1" << 19.5 << 3;
    QTest::newRow("7") << "text2" << 7.0 << 0;
    QTest::newRow("31.4 rounds to 31") << "Text1" << 31.4 << 5;
    QTest::newRow("31.5 rounds to 32: none") << "Text1" << 31.5 << -1;
    QTest::newRow("40 checks none") << "Text1" << 40.0 << -1;
}

void TestMenus::fontSizeCheckMarks() {
    QFETCH(QString, area);
    QFETCH(double, size);
    QFETCH(int, checked);
    auto *target = m_editor->findChild<RichTextBox *>(area);
    if (size > 0)
        target->setFontSize(size);
    target->setFocus();
    openViewMenu();
    for (int i = 0; i < 6; ++i)
        QCOMPARE(sizeItems(m_editor)[qsizetype(std::size_t(i))]->isChecked(), i == checked);

    // Opened from another control, the menu keeps the marks it had.
    text1(m_editor)->setFontSize(25);
    command1(m_editor)->setFocusPolicy(Qt::StrongFocus);
    command1(m_editor)->setFocus();
    openViewMenu();
    for (int i = 0; i < 6; ++i)
        QCOMPARE(sizeItems(m_editor)[qsizetype(std::size_t(i))]->isChecked(), i == checked);
}

void TestMenus::fontSizeItems_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("item");
    QTest::addColumn<double>("inputSize");
    QTest::addColumn<double>("outputSize");
    QTest::newRow("Tiny for the input area") << "Text1" << 0 << 8.0 << 18.0;
    QTest::newRow("Heavy Weight for the output area") << "text2" << 5 << 14.25 << 30.0;
    QTest::newRow("Large for the output area") << "text2" << 3 << 14.25 << 20.0;
    QTest::newRow("the button: nothing") << "Command1" << 4 << 14.25 << 18.0;
}

void TestMenus::fontSizeItems() {
    QFETCH(QString, focus);
    QFETCH(int, item);
    QFETCH(double, inputSize);
    QFETCH(double, outputSize);
    convert(HighGlyphWords);
    const QString input = text1(m_editor)->text();
    const QString output = text2(m_editor)->text();
    auto *target = m_editor->findChild<QWidget *>(focus);
    target->setFocusPolicy(Qt::StrongFocus);
    target->setFocus();
    openViewMenu();
    QList<bool> marks;
    for (QAction *a : sizeItems(m_editor))
        marks << a->isChecked();

    sizeItems(m_editor)[qsizetype(std::size_t(item))]->trigger();
    QCOMPARE(text1(m_editor)->fontSize(), inputSize);
    QCOMPARE(text2(m_editor)->fontSize(), outputSize);
    // The control's font, not a format of the text; the text and the marks stay.
    QCOMPARE(text1(m_editor)->text(), input);
    QCOMPARE(text2(m_editor)->text(), output);
    QCOMPARE(text2(m_editor)->controlFont().family(), QStringLiteral("SutonnyMJ"));
    for (std::size_t i = 0; i < 6; ++i)
        QCOMPARE(sizeItems(m_editor)[qsizetype(i)]->isChecked(), marks[qsizetype(i)]);

    // The next conversion's text is shown in the size chosen.
    convert(QStringLiteral("AmI"));
    QTextCursor cursor(text2(m_editor)->document());
    cursor.movePosition(QTextCursor::NextCharacter);
    QCOMPARE(text2(m_editor)->document()->defaultFont().pointSizeF(), outputSize);
    const double ownSize = cursor.charFormat().fontPointSize(); // 0: the default font's
    QVERIFY2(ownSize == 0 || ownSize == outputSize, qPrintable(QString::number(ownSize)));
}

void TestMenus::viewLogShowsTheLogWithoutWaiting() {
    convert(QStringLiteral("AmI xyz"));
    action(m_editor, "VLA")->trigger();
    LogWindow *log = m_test->program->existingLogWindow();
    QVERIFY(log);
    QVERIFY(log->isVisible());
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(log->List1->count(), 1);
    // The editor goes on working while the log is open, and the log follows it.
    convert(QStringLiteral("AmI"));
    QCOMPARE(log->List1->count(), 0);
    action(m_editor, "VLA")->trigger();
    QCOMPARE(m_test->program->existingLogWindow(), log);
}

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"
