// The Unicode commands of the editor window: Copy as Unicode, Save Unicode File, Open Unicode
// File (input, output and log), and Unicode Bengali pasted into the output area.
#include "editortestsupport.h"
#include "logwindow.h"
#include "mainframe.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>

#include <sys/stat.h>

using namespace kestrum;
using namespace kestrum::test;

namespace {

const QString UnicodeFilter = QStringLiteral("Unicode Text File|*.txt|All Files|*.*");

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList logLines(Program &program) {
    QStringList lines;
    QListWidget *list = program.logWindow()->List1;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

} // namespace

class TestUnicode : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void menuItemsFollowTheOriginalOnes();
    void copyAsUnicode_data();
    void copyAsUnicode();
    void saveUnicodeFile();
    void saveUnicodeFileFailureLosesNothing();
    void openUnicodeFile_data();
    void openUnicodeFile();
    void openUnicodeFileRefusesWhatItCannotRead_data();
    void openUnicodeFileRefusesWhatItCannotRead();
    void openUnicodeFileReadsOneMegabyte();
    void unicodeFilesAreRegularFilesOnly();
    void pasteIntoTheOutputArea_data();
    void pasteIntoTheOutputArea();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // The output area's text for `input` converted as the program converts it.
    QString converted(const QString &input);

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<TestProgram> m_test;
    EditorWindow *m_editor = nullptr;
};

void TestUnicode::init() {
    QVERIFY(m_dir.isValid());
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_test = std::make_unique<TestProgram>();
    QVERIFY(m_test->program->start());
    m_editor = m_test->editor();
    QVERIFY(m_editor);
    QVERIFY(QTest::qWaitForWindowExposed(m_test->program->frame()));
}

void TestUnicode::cleanup() {
    m_test.reset();
    m_dialogs.reset();
    m_boxes.reset();
    QDir(m_dir.path()).removeRecursively();
    QDir().mkpath(m_dir.path());
}

QString TestUnicode::converted(const QString &input) {
    text1(m_editor)->setText(input);
    action(m_editor, "lac")->trigger();
    return text2(m_editor)->text();
}

void TestUnicode::menuItemsFollowTheOriginalOnes() {
    const QList<QAction *> file = menu(m_editor, "fl")->actions();
    QCOMPARE(file.size(), 10);
    QCOMPARE(file.indexOf(action(m_editor, "exit")), 6);
    QVERIFY(file[7]->isSeparator());
    QCOMPARE(file[8], action(m_editor, "savu"));
    QCOMPARE(file[9], action(m_editor, "ldu"));
    QCOMPARE(action(m_editor, "savu")->text(), QStringLiteral("Save Unicode File..."));
    QCOMPARE(action(m_editor, "ldu")->text(), QStringLiteral("Open Unicode File..."));
    const QList<QAction *> edit = menu(m_editor, "s")->actions();
    QCOMPARE(edit, (QList<QAction *>{action(m_editor, "uc"), action(m_editor, "uca"),
                                     action(m_editor, "lc"), action(m_editor, "cpu")}));
    QCOMPARE(action(m_editor, "cpu")->text(), QStringLiteral("Copy as Unicode"));
    QCOMPARE(action(m_editor, "cpu")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
}

void TestUnicode::copyAsUnicode_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to"); // selection; from == to: none
    QTest::addColumn<bool>("byShortcut");
    QTest::addColumn<QString>("clipboard");
    const QString text = QStringLiteral("AmI bAnglAy\r\ngAn gAI.");
    QTest::newRow("all of it") << text << 0 << 0 << false << QStringLiteral("আমি বাংলায়\nগান গাই।");
    // "evsjvq" are the glyphs of বাংলায়.
    QTest::newRow("the selection") << text << 5 << 11 << false << QStringLiteral("বাংলায়");
    QTest::newRow("Ctrl+Shift+C in the output area")
        << text << 5 << 11 << true << QStringLiteral("বাংলায়");
    QTest::newRow("a selection across the line break")
        << text << 5 << 14 << false << QStringLiteral("বাংলায়\nগা");
}

void TestUnicode::copyAsUnicode() {
    QFETCH(QString, input);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, byShortcut);
    QFETCH(QString, clipboard);
    converted(input);
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    QTextCursor cursor = text2(m_editor)->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    text2(m_editor)->setTextCursor(cursor);
    const QString before = text2(m_editor)->text();
    if (byShortcut) {
        text2(m_editor)->setFocus();
        QTest::keyClick(text2(m_editor), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    } else {
        action(m_editor, "cpu")->trigger();
    }
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    QCOMPARE(text2(m_editor)->text(), before);
}

void TestUnicode::saveUnicodeFile() {
    converted(QStringLiteral("AmI kOlOm\r\nsE dEsh."));
    const QString file = path(QStringLiteral("unicode.txt"));
    m_dialogs->answers = {file};
    QVERIFY(m_editor->saveUnicodeFile());
    QCOMPARE(m_dialogs->requests[0].kind, CommonDialog::Kind::Save);
    QCOMPARE(m_dialogs->requests[0].filter, UnicodeFilter);
    QCOMPARE(m_dialogs->requests[0].fileName, QString());
    QCOMPARE(readFile(file), QStringLiteral("আমি কলম\r\nসে দেশ।\r\n").toUtf8());
    QVERIFY(m_boxes->requests.empty());

    // The next save offers the name used last; a cancelled dialog writes nothing.
    m_dialogs->answers = {QString()};
    converted(QStringLiteral("bhAt"));
    QVERIFY(!m_editor->saveUnicodeFile());
    QCOMPARE(m_dialogs->requests[1].fileName, file);
    QCOMPARE(readFile(file), QStringLiteral("আমি কলম\r\nসে দেশ।\r\n").toUtf8());

    // What was saved opens again as the same text.
    m_dialogs->answers = {file};
    action(m_editor, "ldu")->trigger();
    QCOMPARE(text1(m_editor)->text(), QStringLiteral("AmI kOlOm\r\nsE dEsh."));
}

void TestUnicode::saveUnicodeFileFailureLosesNothing() {
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
    converted(QStringLiteral("AmI"));
    m_dialogs->answers = {path(QStringLiteral("folder"))};
    QVERIFY(!m_editor->saveUnicodeFile());
    QCOMPARE(m_boxes->requests.size(), std::size_t(1));
    QCOMPARE(m_boxes->requests[0].icon, MessageBox::Icon::Critical);
    QVERIFY(m_boxes->requests[0].text.contains(path(QStringLiteral("folder"))));
    QCOMPARE(m_editor->unicodeFileName(), QString());
    QCOMPARE(text2(m_editor)->text(), QStringLiteral("Avwg"));
}

// Open Unicode File of a FIFO must not freeze the window, and Save Unicode File must not
// replace a FIFO by a regular file.
void TestUnicode::unicodeFilesAreRegularFilesOnly() {
    const QString fifo = path(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    converted(QStringLiteral("AmI"));
    m_dialogs->answers = {fifo, fifo};
    action(m_editor, "ldu")->trigger();
    QVERIFY(!m_editor->saveUnicodeFile());
    QCOMPARE(m_boxes->requests.size(), std::size_t(2));
    for (const MessageBox::Request &box : m_boxes->requests)
        QVERIFY2(box.text.endsWith(QStringLiteral("not a regular file (a FIFO)")),
                 qPrintable(box.text));
    QCOMPARE(text1(m_editor)->text(), QStringLiteral("AmI"));
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
}

void TestUnicode::openUnicodeFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("latin"); // the Latin words the message names
    QTest::newRow("a sentence") << QStringLiteral("আমি বাংলায় গান গাই।\n").toUtf8()
                                << QStringLiteral("AmI bAnglAy gAn gAI.") << QStringList()
                                << QString();
    QTest::newRow("byte-order mark, CR LF, digits")
        << QByteArray("\xEF\xBB\xBF") + QStringLiteral("কলম ২টি\r\nসে, “না”\r\n").toUtf8()
        << QStringLiteral("kOlOm 2TI\r\nsE, “nA”")
        << QStringList{QStringLiteral("Line:2 Column:5 No spelling:“"),
                       QStringLiteral("Line:2 Column:8 No spelling:”")}
        << QString();
    QTest::newRow("words with no spelling stay")
        << QStringLiteral("আমি ঌ\nকঈ ভাত").toUtf8() << QStringLiteral("AmI ঌ\r\nকঈ bhAt")
        << QStringList{QStringLiteral("Line:1 Column:5 No spelling:ঌ"),
                       QStringLiteral("Line:2 Column:1 No spelling:কঈ")}
        << QString();
    // Each run is one part, and the log holds the parts only: the conversion's own lines for
    // TIFF (its TI converts, F does not) and PNG (nothing converts) name the same words.
    QTest::newRow("Latin words") << QStringLiteral("আমি TIFF, PNG (l)\n").toUtf8()
                                 << QStringLiteral("AmI TIFF, PNG (l)")
                                 << QStringList{QStringLiteral("Line:1 Column:5 No spelling:TIFF"),
                                                QStringLiteral("Line:1 Column:11 No spelling:PNG"),
                                                QStringLiteral("Line:1 Column:16 No spelling:l")}
                                 << QStringLiteral("the Latin words TIFF, PNG, l are converted");
    // An empty input converts nothing, as with Load: the output area and the log stay.
    QTest::newRow("an empty file")
        << QByteArray() << QString() << QStringList{QStringLiteral("Position:1 Word:xyz")}
        << QString();
}

void TestUnicode::openUnicodeFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, input);
    QFETCH(QStringList, log);
    QFETCH(QString, latin);
    const QString file = path(QStringLiteral("in.txt"));
    writeFile(file, bytes);
    // An earlier conversion leaves a log line of its own; the new one replaces it.
    converted(QStringLiteral("AmI xyz"));
    QCOMPARE(logLines(*m_test->program).size(), 1);
    QSignalSpy conversions(m_test->program.get(), &Program::conversionFinished);
    m_dialogs->answers = {file};

    action(m_editor, "ldu")->trigger();

    QCOMPARE(m_dialogs->requests.size(), std::size_t(1));
    QCOMPARE(m_dialogs->requests[0].kind, CommonDialog::Kind::Open);
    QCOMPARE(m_dialogs->requests[0].filter, UnicodeFilter);
    QCOMPARE(text1(m_editor)->text(), input);
    QCOMPARE(conversions.count(), 1);
    QCOMPARE(logLines(*m_test->program), log);
    const bool unspelled = !input.isEmpty() && !log.isEmpty();
    QCOMPARE(m_boxes->requests.size(), std::size_t(unspelled ? 1 : 0));
    if (unspelled) {
        const QString text = m_boxes->requests[0].text;
        QCOMPARE(m_boxes->requests[0].icon, MessageBox::Icon::Information);
        QVERIFY(text.startsWith(QStringLiteral("%1 part(s) of").arg(log.size())));
        QVERIFY(text.contains(QStringLiteral("View Log")));
        QCOMPARE(text.contains(QStringLiteral("Latin")), !latin.isEmpty());
        QVERIFY2(text.contains(latin), qPrintable(text));
        // The status bar counts the same parts.
        QCOMPARE(m_test->program->frame()->logNotice()->text(),
                 MainFrame::logNoticeText(int(log.size())));
    }
    if (!input.isEmpty()) {
        // The output area holds the text in SutonnyMJ, as if it had been typed.
        const QString output = text2(m_editor)->text();
        QCOMPARE(output, converted(input));
        QCOMPARE(QString::fromStdU32String(m_test->program->session().conversionOutput()), output);
    }
}

void TestUnicode::openUnicodeFileRefusesWhatItCannotRead_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("invalid UTF-8")
        << QByteArray("\xEF\xBB\xBF\xE0\xA6\x86 \xE0\xA6") << QStringLiteral("offset 7");
    QTest::newRow("Windows-1252") << QByteArray("caf\xE9") << QStringLiteral("offset 3");
    QTest::newRow("more than 1 MB")
        << QByteArray((1 << 20) + 1, ' ') << QStringLiteral("at most 1 MB");
}

void TestUnicode::openUnicodeFileRefusesWhatItCannotRead() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QString file = path(QStringLiteral("bad.txt"));
    writeFile(file, bytes);
    converted(QStringLiteral("AmI"));
    QSignalSpy conversions(m_test->program.get(), &Program::conversionFinished);
    m_dialogs->answers = {file};
    action(m_editor, "ldu")->trigger();
    QCOMPARE(m_boxes->requests.size(), std::size_t(1));
    QCOMPARE(m_boxes->requests[0].icon, MessageBox::Icon::Critical);
    QVERIFY2(m_boxes->requests[0].text.contains(message), qPrintable(m_boxes->requests[0].text));
    QCOMPARE(text1(m_editor)->text(), QStringLiteral("AmI"));
    QCOMPARE(text2(m_editor)->text(), QStringLiteral("Avwg"));
    QCOMPARE(conversions.count(), 0);

    // A cancelled dialog reads nothing and says nothing.
    m_dialogs->answers = {QString()};
    action(m_editor, "ldu")->trigger();
    QCOMPARE(m_boxes->requests.size(), std::size_t(1));
}

void TestUnicode::openUnicodeFileReadsOneMegabyte() {
    // "আমি ভাত\n" is 20 bytes; padded with spaces to exactly 1 MB.
    QByteArray bytes = QStringLiteral("আমি ভাত\n").toUtf8().repeated((1 << 20) / 20);
    bytes.append(QByteArray((1 << 20) - bytes.size(), ' '));
    QCOMPARE(bytes.size(), 1 << 20);
    const QString file = path(QStringLiteral("big.txt"));
    writeFile(file, bytes);
    m_dialogs->answers = {file};
    action(m_editor, "ldu")->trigger();
    QVERIFY(m_boxes->requests.empty());
    const QString input = text1(m_editor)->text();
    QVERIFY(input.startsWith(QStringLiteral("AmI bhAt\r\nAmI bhAt\r\n")));
    QCOMPARE(input.count(QStringLiteral("AmI bhAt")), (1 << 20) / 20);
    QVERIFY(text2(m_editor)->text().startsWith(QStringLiteral("Avwg fvZ\r\n")));
}

void TestUnicode::pasteIntoTheOutputArea_data() {
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("inserted");
    QTest::newRow("Unicode Bengali")
        << QStringLiteral("আমি বাংলায়") << QStringLiteral("Avwg evsjvq");
    QTest::newRow("with signs and a line break")
        << QStringLiteral("সে।\n“না”") << QStringLiteral("†m|\r\nÒbvÓ");
    QTest::newRow("Bengali and Latin") << QStringLiteral("x আমি") << QStringLiteral("x Avwg");
    // Glyph codes copied from other SutonnyMJ text hold no Bengali: they go in as they are.
    QTest::newRow("glyph codes") << QStringLiteral("Avwg †m") << QStringLiteral("Avwg †m");
    // Long enough to go in piece by piece.
    QTest::newRow("a long paste") << QStringLiteral("আমি\n").repeated(40000)
                                  << QStringLiteral("Avwg\r\n").repeated(40000);
}

void TestUnicode::pasteIntoTheOutputArea() {
    QFETCH(QString, pasted);
    QFETCH(QString, inserted);
    converted(QStringLiteral("kOlOm "));
    QCOMPARE(text2(m_editor)->text(), QStringLiteral("Kjg "));
    QGuiApplication::clipboard()->setText(pasted);
    text2(m_editor)->setFocus();
    text2(m_editor)->setSelStart(1000);
    text2(m_editor)->paste();
    QCOMPARE(text2(m_editor)->text(), QStringLiteral("Kjg ") + inserted);
    // The engine's conversionOutput follows the area, as after any edit.
    QCOMPARE(QString::fromStdU32String(m_test->program->session().conversionOutput()),
             text2(m_editor)->text());
    // The input area pastes as it always did.
    text1(m_editor)->setText(QString());
    text1(m_editor)->setFocus();
    text1(m_editor)->paste();
    QCOMPARE(text1(m_editor)->text(), QString(pasted).replace(QLatin1Char('\n'), "\r\n"));
}

QTEST_MAIN(TestUnicode)
#include "tst_unicode.moc"
