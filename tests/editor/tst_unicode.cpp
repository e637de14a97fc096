// The Unicode commands of the editor window: Copy as Unicode, Save Unicode File, Open Unicode
// File (input, output and log), and Unicode Bengali pasted into the output area.
#include "editortestsupport.h"
#include "logwindow.h"
#include "mainframe.h"
#include "sutonnymj.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>

#include <limits>

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
    void whatLeavesIsWhatTheInputSays_data();
    void whatLeavesIsWhatTheInputSays();
    void spellingMarksAndSuggestions_data();
    void spellingMarksAndSuggestions();

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
    QTest::addColumn<QString>("typedAfter"); // typed at the end of the input, not converted
    QTest::addColumn<QString>("clipboard");
    const QString text = QStringLiteral("AmI bAnglAy\r\ngAn gAI.");
    QTest::newRow("all of it") << text << 0 << 0 << false << QString()
                               << QStringLiteral("আমি বাংলায়\nগান গাই।");
    // "evsjvq" are the glyphs of বাংলায়.
    QTest::newRow("the selection")
        << text << 5 << 11 << false << QString() << QStringLiteral("বাংলায়");
    QTest::newRow("Ctrl+Shift+C in the output area")
        << text << 5 << 11 << true << QString() << QStringLiteral("বাংলায়");
    QTest::newRow("a selection across the line break")
        << text << 5 << 14 << false << QString() << QStringLiteral("বাংলায়\nগা");
    QTest::newRow("all of it, with the word typed since")
        << text << 0 << 0 << false << QStringLiteral(" kI")
        << QStringLiteral("আমি বাংলায়\nগান গাই। কি");
    QTest::newRow("the selection, kept through the conversion of the word typed since")
        << text << 5 << 11 << false << QStringLiteral(" kI") << QStringLiteral("বাংলায়");
}

void TestUnicode::copyAsUnicode() {
    QFETCH(QString, input);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, byShortcut);
    QFETCH(QString, typedAfter);
    QFETCH(QString, clipboard);
    converted(input);
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    QTextCursor cursor = text2(m_editor)->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    text2(m_editor)->setTextCursor(cursor);
    if (!typedAfter.isEmpty()) {
        text1(m_editor)->setSelStart(std::numeric_limits<int>::max());
        QTest::keyClicks(text1(m_editor), typedAfter);
        QVERIFY(m_test->program->session().inputChanged());
    }
    const QString before = text2(m_editor)->text();
    if (byShortcut) {
        text2(m_editor)->setFocus();
        QTest::keyClick(text2(m_editor), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    } else {
        action(m_editor, "cpu")->trigger();
    }
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    if (typedAfter.isEmpty())
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
    // A control or a bidirectional control in the file is listed as its code.
    QTest::newRow("controls") << QStringLiteral("আমি \x1B \u202E\n").toUtf8()
                              << QStringLiteral("AmI \x1B \u202E")
                              << QStringList{QStringLiteral("Line:1 Column:5 No spelling:U+001B"),
                                             QStringLiteral("Line:1 Column:7 No spelling:U+202E")}
                              << QString();
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

// Rows: what is pasted, what goes into the output area (its plain text), the characters of it
// drawn in the Latin font, and the whole area after Copy as Unicode.
void TestUnicode::pasteIntoTheOutputArea_data() {
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("latin");
    QTest::addColumn<QString>("unicode");
    QTest::newRow("Unicode Bengali")
        << QStringLiteral("আমি বাংলায়") << QStringLiteral("Avwg evsjvq") << QString()
        << QStringLiteral("কলম আমি বাংলায়");
    QTest::newRow("with signs and a line break")
        << QStringLiteral("সে।\n“না”") << QStringLiteral("†m|\r\nÒbvÓ") << QString()
        << QStringLiteral("কলম সে।\n“না”");
    QTest::newRow("Bengali and Latin") << QStringLiteral("x আমি") << QStringLiteral("x Avwg")
                                       << QStringLiteral("x") << QStringLiteral("কলম x আমি");
    QTest::newRow("English words around Bengali")
        << QStringLiteral("Hello আমি café") << QStringLiteral("Hello Avwg café")
        << QStringLiteral("Hellocafé") << QStringLiteral("কলম Hello আমি café");
    QTest::newRow("a decomposed accent and digits")
        << QStringLiteral("cafe\u0301 ১২ 12 আমি") << QStringLiteral("cafe\u0301 12 12 Avwg")
        << QStringLiteral("cafe\u030112") << QStringLiteral("কলম cafe\u0301 ১২ 12 আমি");
    // Glyph codes copied from other SutonnyMJ text hold no Bengali: they go in as they are.
    QTest::newRow("glyph codes") << QStringLiteral("Avwg †m") << QStringLiteral("Avwg †m")
                                 << QString() << QStringLiteral("কলম আমি সে");
    // Long enough to go in piece by piece, its Latin runs kept in every piece.
    QTest::newRow("a long paste") << QStringLiteral("Hi আমি\n").repeated(20000)
                                  << QStringLiteral("Hi Avwg\r\n").repeated(20000)
                                  << QStringLiteral("Hi").repeated(20000)
                                  << QStringLiteral("কলম ") +
                                         QStringLiteral("Hi আমি\n").repeated(20000);
}

void TestUnicode::pasteIntoTheOutputArea() {
    QFETCH(QString, pasted);
    QFETCH(QString, inserted);
    QFETCH(QString, latin);
    QFETCH(QString, unicode);
    converted(QStringLiteral("kOlOm "));
    RichTextBox *area = text2(m_editor);
    QCOMPARE(area->text(), QStringLiteral("Kjg "));
    QGuiApplication::clipboard()->setText(pasted);
    area->setFocus();
    area->setSelStart(1000);
    area->paste();
    QCOMPARE(area->text(), QStringLiteral("Kjg ") + inserted);
    QString drawnLatin;
    for (QTextBlock block = area->document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().fontFamilies().toStringList() ==
                QStringList{QStringLiteral("Times New Roman")})
                drawnLatin += it.fragment().text();
    QCOMPARE(drawnLatin, latin);
    // The session's output follows the area, as after any edit, and keeps the Latin text as
    // Latin through a conversion and a focus change.
    QCOMPARE(QString::fromStdU32String(m_test->program->session().conversionOutput()),
             area->markedText());
    text1(m_editor)->setText(QStringLiteral("kOlOm AmI "));
    action(m_editor, "lac")->trigger();
    text1(m_editor)->setFocus();
    action(m_editor, "cpu")->trigger();
    // The pasted text stands before the word typed after it.
    QCOMPARE(QGuiApplication::clipboard()->text(), unicode + QStringLiteral("আমি "));
    // Save Unicode File writes it so; Save Bangla File sets the Latin text in a Latin font.
    m_dialogs->answers = {path(QStringLiteral("u.txt")), path(QStringLiteral("b.rtf"))};
    QVERIFY(m_editor->saveUnicodeFile());
    const QString saved = QString::fromUtf8(readFile(path(QStringLiteral("u.txt"))));
    QCOMPARE(saved, QString(unicode + QStringLiteral("আমি "))
                            .replace(QLatin1Char('\n'), QLatin1String("\r\n")) +
                        QLatin1String("\r\n"));
    QVERIFY(m_editor->saveBanglaFile());
    const QByteArray rtf = readFile(path(QStringLiteral("b.rtf")));
    QCOMPARE(rtfPlainText(rtf), area->text());
    QCOMPARE(rtf.contains("{\\f1\\fnil\\fcharset0 Times New Roman;}"), !latin.isEmpty());
    if (!latin.isEmpty())
        QVERIFY2(rtf.contains("{\\f1 Hello}") || rtf.contains("{\\f1 x}") ||
                     rtf.contains("{\\f1 Hi}") || rtf.contains("{\\f1 cafe"),
                 rtf.constData());
    // The input area pastes as it always did.
    QGuiApplication::clipboard()->setText(pasted);
    text1(m_editor)->setText(QString());
    text1(m_editor)->setFocus();
    text1(m_editor)->paste();
    QCOMPARE(text1(m_editor)->text(), QString(pasted).replace(QLatin1Char('\n'), "\r\n"));
}

// Rows: the command that takes the output out, the keys typed into the input area ("<" is a
// Backspace), and the Unicode it writes. The input converts first, the last word included.
void TestUnicode::whatLeavesIsWhatTheInputSays_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("unicode");
    for (const char *command :
         {"Copy as Unicode", "Save Unicode File", "Save Bangla File", "the saves New offers"}) {
        const QString name = QString::fromLatin1(command);
        QTest::newRow(qPrintable(name + QStringLiteral(": the last word with no Space after it")))
            << name << "AmI kOlOm"
            << "আমি কলম";
        QTest::newRow(qPrintable(name + QStringLiteral(": a word Backspace deleted")))
            << name << "AmI kOlOm <<<<<<"
            << "আমি ";
    }
}

void TestUnicode::whatLeavesIsWhatTheInputSays() {
    QFETCH(QString, command);
    QFETCH(QString, typed);
    QFETCH(QString, unicode);
    RichTextBox *input = text1(m_editor);
    input->setFocus();
    for (const QChar c : typed) {
        if (c == QLatin1Char('<'))
            QTest::keyClick(input, Qt::Key_Backspace);
        else
            QTest::keyClicks(input, QString(c));
    }
    const QString file = path(QStringLiteral("out"));
    QString written;
    const auto decoded = [](const QString &glyphs) {
        return QString::fromStdU32String(
            sutonnymj::decodeText(glyphs.toStdU32String(), sutonnymj::Generation::New));
    };
    if (command == QLatin1String("Copy as Unicode")) {
        QTest::keyClick(input, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        written = QGuiApplication::clipboard()->text();
    } else if (command == QLatin1String("Save Unicode File")) {
        m_dialogs->answers = {file};
        action(m_editor, "savu")->trigger();
        written = QString::fromUtf8(readFile(file)).chopped(2);
    } else if (command == QLatin1String("Save Bangla File")) {
        m_dialogs->answers = {file};
        QTest::keyClick(input, Qt::Key_B, Qt::ControlModifier);
        written = decoded(rtfPlainText(readFile(file)));
    } else {
        m_boxes->answers = {MessageBox::Answer::Yes};
        m_dialogs->answers = {path(QStringLiteral("english.txt")), file};
        action(m_editor, "clsn")->trigger();
        written = decoded(rtfPlainText(readFile(file)));
    }
    QCOMPARE(written, unicode);
}

void TestUnicode::spellingMarksAndSuggestions_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("pasted");           // Unicode pasted at the output's end
    QTest::addColumn<QStringList>("marked");       // the words underlined, in Unicode
    QTest::addColumn<QString>("suggested");        // keys offered for the first of them
    QTest::addColumn<QString>("inputAfterwards");  // the input once that suggestion is taken
    QTest::addColumn<QString>("outputAfterwards"); // and the output, in Unicode
    // Every text holds কলন (kOln), which the list lacks: once it is marked the check is ready.
    QTest::newRow("words of the list") << "AmI gAn kOln"
                                       << "" << QStringList{"কলন"} << "kOlOm"
                                       << "AmI gAn kOlOm"
                                       << "আমি গান কলম";
    QTest::newRow("a word one key away") << "AmI tUmE kOln"
                                         << "" << QStringList{"তুমে", "কলন"} << "tUmI"
                                         << "AmI tUmI kOln"
                                         << "আমি তুমি কলন";
    QTest::newRow("a word of the list with an ending") << "gAnE kOln"
                                                       << "" << QStringList{"কলন"} << "kOlOm"
                                                       << "gAnE kOlOm"
                                                       << "গানে কলম";
    QTest::newRow("signs are no part of the word") << "tUmE. \"kOln\""
                                                   << "" << QStringList{"তুমে", "কলন"} << "tUmI"
                                                   << "tUmI. \"kOln\""
                                                   << "তুমি। \"কলন\"";
    // Text put into the output has no keys: it changes there only; Latin is not checked.
    QTest::newRow("pasted text and Latin") << "AmI "
                                           << "তুমে Hello কলন" << QStringList{"তুমে", "কলন"} << "tUmI"
                                           << "AmI "
                                           << "আমি তুমি Hello কলন";
}

void TestUnicode::spellingMarksAndSuggestions() {
    QFETCH(QString, input);
    QFETCH(QString, pasted);
    QFETCH(QStringList, marked);
    QFETCH(QString, suggested);
    QFETCH(QString, inputAfterwards);
    QFETCH(QString, outputAfterwards);
    const QString list = path(QStringLiteral("bn.dic"));
    writeFile(list, QStringLiteral("5\nআমি\nগান\nতুমি\nকলম\nবাংলা\n").toUtf8());
    const QByteArray before = qgetenv("KESTRUM_WORD_LIST");
    qputenv("KESTRUM_WORD_LIST", list.toLocal8Bit());
    const auto restore = qScopeGuard([&before] { qputenv("KESTRUM_WORD_LIST", before); });
    QAction *check = action(m_editor, "spc");
    check->setChecked(true);
    converted(input);
    if (!pasted.isEmpty()) {
        QGuiApplication::clipboard()->setText(pasted);
        text2(m_editor)->setSelStart(1000);
        text2(m_editor)->paste();
    }
    // The underlined words, in Unicode, and where the first one starts.
    int first = -1;
    const auto marks = [this, &first] {
        QStringList words;
        first = -1;
        for (QTextBlock block = text2(m_editor)->document()->begin(); block.isValid();
             block = block.next())
            for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
                if (range.format.underlineStyle() != QTextCharFormat::SpellCheckUnderline)
                    continue;
                if (first < 0)
                    first = block.position() + range.start;
                words << QString::fromStdU32String(sutonnymj::decodeText(
                    block.text().mid(range.start, range.length).toStdU32String(),
                    sutonnymj::Generation::New));
            }
        return words;
    };
    QTRY_VERIFY_WITH_TIMEOUT(marks().contains(QStringLiteral("কলন")), 20000);
    QCOMPARE(marks(), marked);

    const EditorWindow::Spelling word = m_editor->spellingSuggestions(first + 1);
    QVERIFY(word.start >= 0);
    int index = -1;
    for (int i = 0; i < word.suggestions.size(); ++i)
        if (word.suggestions[i].second == suggested)
            index = i;
    QVERIFY2(index >= 0, qPrintable(suggested));
    m_editor->takeSuggestion(word, index);
    QCOMPARE(text1(m_editor)->text(), inputAfterwards);
    text2(m_editor)->setSelStart(0);
    action(m_editor, "cpu")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), outputAfterwards);

    check->setChecked(false); // off: no marks
    QTRY_VERIFY(marks().isEmpty());
}

QTEST_MAIN(TestUnicode)
#include "tst_unicode.moc"
