// The substitution table window in the running program (offscreen): its categories read from
// the table files, the paired lists, insertion into the output area, the pop-up, the key
// look-up, and the slide in and out beside the editor window.
#include "control/glimmetlib.h"
#include "controlhost.h"
#include "editortestsupport.h"
#include "engine.h"
#include "listbox.h"
#include "shapes.h"
#include "splashwindow.h"
#include "tablewindow.h"
#include "twips.h"

#include <QDir>
#include <QDrag>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTimer>

#include <sys/stat.h>

using namespace kestrum;
using namespace kestrum::test;
using runtime::OleColor;
using runtime::Variant;

namespace {

using Entries = QList<std::pair<QString, QString>>; // (key, glyphs) in list order

// Records `first`..`last` (1-based) of a table file, read independently of the program: one
// record a line, the key before the first comma, the glyphs after it.
Entries fileRecords(const QString &dir, const char *file, int first, int last) {
    QFile in(dir + QLatin1Char('/') + QLatin1String(file));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = in.readAll().split('\n');
    Entries entries;
    for (int i = first; i <= last && i <= lines.size(); ++i) {
        const QByteArray &line = lines.at(i - 1);
        const qsizetype comma = line.indexOf(',');
        entries.append({glyphText(line.left(comma)), glyphText(line.mid(comma + 1))});
    }
    return entries;
}

Entries fragments() {
    const std::pair<char, unsigned char> rows[] = {{'R', 0xA9}, {'R', 0xAA}, {'Y', 0xA8},
                                                   {'J', 0xA8}, {'B', 0xA6}, {'W', 0xA6},
                                                   {'L', 0xAD}, {'N', 0x9C}, {'M', 0xA5}};
    Entries entries;
    for (const auto &[key, glyph] : rows)
        entries.append(
            {QString(QLatin1Char(key)), QLatin1Char(' ') + glyphText(QByteArray(1, char(glyph)))});
    return entries;
}

Entries listed(const TableWindow *table) {
    Entries entries;
    for (int i = 0; i < list2(table)->count(); ++i)
        entries.append({list2(table)->item(i)->text(),
                        i < list1(table)->count() ? list1(table)->item(i)->text() : QString()});
    return entries;
}

const QStringList Captions{QStringLiteral("Letters Placable at First Places"),
                           QStringLiteral("Letter placeble at next places"),
                           QStringLiteral("Joints"),
                           QStringLiteral("Vowels"),
                           QStringLiteral("Consonants"),
                           QStringLiteral("Connectors"),
                           QStringLiteral("Fragments")};

OleColor buttonColour(const TableWindow *table, int button, runtime::DispId id) {
    Variant value;
    table->fbsButton(button)->control()->getProperty(id, &value);
    return value.color();
}

// Records the left edge (pixels) of a window at each of its moves.
// The frame's dock at every move of a window.
class DockRecorder : public QObject {
public:
    DockRecorder(QWidget *window, const MainFrame *frame) : m_window(window), m_frame(frame) {
        window->installEventFilter(this);
    }
    QList<Dock> docks;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == m_window && event->type() == QEvent::Move)
            docks.append(m_frame->dock());
        return false;
    }

private:
    QWidget *m_window;
    const MainFrame *m_frame;
};

class MoveRecorder : public QObject {
public:
    explicit MoveRecorder(QWidget *window) : m_window(window) { window->installEventFilter(this); }
    QList<int> lefts;

    // Twips positions as the pixels a window takes for them, without repeats.
    static QList<int> pixels(const std::vector<float> &positions) {
        QList<int> result;
        for (const float x : positions)
            if (result.isEmpty() || result.last() != twips::toPixels(x))
                result.append(twips::toPixels(x));
        return result;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        // A move of a hidden window arrives when it is shown; the same place is no new one.
        if (watched == m_window && event->type() == QEvent::Move &&
            (lefts.isEmpty() || lefts.last() != m_window->x()))
            lefts.append(m_window->x());
        return false;
    }

private:
    QWidget *m_window;
};

QPoint centreOf(ListBox *list, int row) {
    return list->visualItemRect(list->item(row)).center();
}

} // namespace

class TestTableWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void designOfTheWindow();
    void categories_data();
    void categories();
    void sameCategoryAgainReloadsTheFile();
    void unreadableTableFile_data();
    void unreadableTableFile();
    void selectionFollowsThePartner_data();
    void selectionFollowsThePartner();
    void doubleClickInsertsIntoTheOutput_data();
    void doubleClickInsertsIntoTheOutput();
    void dropOfAnEntryAppendsItTrimmed();
    void dragBeginsWithTheLeftButtonAlone_data();
    void dragBeginsWithTheLeftButtonAlone();
    void categoryPopUp_data();
    void categoryPopUp();
    void keyLookUp_data();
    void keyLookUp();
    void slidePositions_data();
    void slidePositions();
    void openAndCloseBesideTheEditor();
    void dockFollowsTheSlide();
    void secondOpeningDoesNothing();
    void aboutClosesTheTableWindowFirst();
    void closeRequestClosesTheProperWay();
    void frameActivationAndResizeKeepTheDock();
    void groupButtonsUnderQuickClicks_data();
    void groupButtonsUnderQuickClicks();
    void clickIntoAnAreaTakesTheTyping_data();
    void clickIntoAnAreaTakesTheTyping();

private:
    void startProgram(const QString &tablesDir = QStringLiteral(KESTRUM_BIN_DIR));
    TableWindow *open();
    QString copyOfTheTables();

    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<TestProgram> m_test;
    EditorWindow *m_editor = nullptr;
    // A copy of the table files that a test may change.
    std::unique_ptr<QTemporaryDir> m_tables;
};

void TestTableWindow::startProgram(const QString &tablesDir) {
    m_test.reset();
    m_boxes.reset(); // hooks are undone in the reverse order of their installation
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_test = std::make_unique<TestProgram>(0, tablesDir);
    QVERIFY(m_test->program->start());
    m_editor = m_test->editor();
    QVERIFY(m_editor && command1(m_editor));
    QVERIFY(QTest::qWaitForWindowExposed(m_test->program->frame()));
}

QString TestTableWindow::copyOfTheTables() {
    m_tables = std::make_unique<QTemporaryDir>();
    for (const char *file : {"first.alpha", "next.alpha", "connect.alpha", "joint.alpha"})
        if (!QFile::copy(QStringLiteral(KESTRUM_BIN_DIR "/") + QLatin1String(file),
                         m_tables->filePath(QLatin1String(file))))
            return QString();
    return m_tables->path();
}

TableWindow *TestTableWindow::open() {
    action(m_editor, "st")->trigger();
    return m_test->program->tableWindow();
}

void TestTableWindow::init() {
    startProgram();
}

void TestTableWindow::cleanup() {
    m_test.reset();
    m_boxes.reset();
}

void TestTableWindow::designOfTheWindow() {
    TableWindow *table = open();
    QVERIFY(table);
    QCOMPARE(table->objectName(), QStringLiteral("Form3"));
    QVERIFY(table->parentWidget()->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(twips::width(table), 3420.0f);
    QCOMPARE(label1(table)->text(), QStringLiteral("Bengali :") + QString(21, QLatin1Char(' ')) +
                                        QStringLiteral("English :"));
    QCOMPARE(twips::left(label1(table)), twips::left(list1(table)));
    QCOMPARE(list1(table)->font().family(), QStringLiteral("SutonnyMJ"));
    QCOMPARE(list1(table)->font().pointSizeF(), 15.75);
    QCOMPARE(list2(table)->font().family(), QStringLiteral("Times New Roman"));
    QVERIFY(!list1(table)->dragIcon().isNull());
    QVERIFY(list1(table)->dragIcon().availableSizes().contains(QSize(16, 16)));
    QVERIFY(list1(table)->dragIcon().availableSizes().contains(QSize(32, 32)));
    for (int i = 0; i < TableWindow::CategoryCount; ++i) {
        QVERIFY(table->fbsButton(i));
        runtime::Control *button = table->fbsButton(i)->control();
        QVERIFY(button);
        QCOMPARE(QString::fromLatin1(button->classInfo().progId),
                 QStringLiteral("GlimmetLib.Glimmet"));
        QCOMPARE(button->widget()->parentWidget(), frame1(table));
        QCOMPARE(twips::top(button->widget()), 90.0f + 270.0f * float(i));
        Variant caption, font;
        button->getProperty(Glimmet3::DispIds::HighCaption, &caption);
        button->getProperty(Glimmet3::DispIds::Font, &font);
        QCOMPARE(caption.string(), Captions.at(i));
        QCOMPARE(font.font()->name(), QStringLiteral("Arial"));
        QCOMPARE(buttonColour(table, i, Glimmet3::DispIds::HighForeColor), OleColor(0x00800000));
    }
    // Its one menu-bar command shows while it is the active child.
    const QList<QAction *> bar = m_test->program->frame()->menuBar()->actions();
    QCOMPARE(bar.size(), 1);
    QCOMPARE(bar.first()->text(), QStringLiteral("Close Substitution Table"));
    QCOMPARE(bar.first()->objectName(), QStringLiteral("CLS"));
    // A new window shows the consonants with nothing selected and an empty key buffer.
    QCOMPARE(table->currentCategory(), 4);
    QCOMPARE(list2(table)->count(), 37);
    QCOMPARE(list1(table)->listIndex(), -1);
    QVERIFY(table->keyBuffer().isEmpty());
}

void TestTableWindow::categories_data() {
    QTest::addColumn<int>("category");
    QTest::addColumn<int>("count");
    QTest::addColumn<Entries>("expected");
    const QString dir = QStringLiteral(KESTRUM_BIN_DIR);
    QTest::newRow("0 first places") << 0 << 50 << fileRecords(dir, "first.alpha", 1, 50);
    QTest::newRow("1 next places") << 1 << 56 << fileRecords(dir, "next.alpha", 1, 56);
    QTest::newRow("2 joints") << 2 << 148 << fileRecords(dir, "joint.alpha", 1, 148);
    QTest::newRow("3 vowels") << 3 << 13 << fileRecords(dir, "first.alpha", 1, 13);
    QTest::newRow("4 consonants") << 4 << 37 << fileRecords(dir, "first.alpha", 14, 50);
    QTest::newRow("5 connectors") << 5 << 12 << fileRecords(dir, "connect.alpha", 1, 12);
    QTest::newRow("6 fragments") << 6 << 9 << fragments();
}

void TestTableWindow::categories() {
    QFETCH(int, category);
    QFETCH(int, count);
    QFETCH(Entries, expected);
    TableWindow *table = open();
    // From a selection in another category, so the change has something to clear.
    table->selectCategory(category == 2 ? 5 : 2);
    list1(table)->setListIndex(3);
    table->fbsButton(category)->control()->widget()->setFocus();
    table->selectCategory(category);
    QCOMPARE(table->currentCategory(), category);
    QCOMPARE(list1(table)->count(), count);
    QCOMPARE(list2(table)->count(), count);
    QCOMPARE(list1(table)->listIndex(), -1);
    QCOMPARE(list2(table)->listIndex(), -1);
    // File order, each field as written: a one-character key stays one character.
    QCOMPARE(listed(table), expected);
    // Partners side by side all the way down: the last entries are level too.
    for (const int row : {0, count - 1}) {
        const QRect glyph = list1(table)->visualItemRect(list1(table)->item(row));
        const QRect key = list2(table)->visualItemRect(list2(table)->item(row));
        QCOMPARE(glyph.top(), key.top());
        QCOMPARE(glyph.height(), key.height());
    }
    for (int i = 0; i < TableWindow::CategoryCount; ++i) {
        const OleColor colour(i == category ? 0x0000FFFF : 0x00E0E0E0);
        QCOMPARE(buttonColour(table, i, Glimmet3::DispIds::BackColor), colour);
        QCOMPARE(buttonColour(table, i, Glimmet3::DispIds::HighBackColor), colour);
    }
    QVERIFY(m_boxes->requests.empty());
}

void TestTableWindow::sameCategoryAgainReloadsTheFile() {
    startProgram(copyOfTheTables());
    TableWindow *table = open();
    table->selectCategory(3);
    QCOMPARE(list2(table)->item(0)->text(), QStringLiteral("O"));
    int k = 'k';
    table->list2KeyPress(k);
    QCOMPARE(table->keyBuffer(), QStringLiteral("k"));
    // The file changes on disk; choosing the same category shows the change.
    QFile first(m_tables->filePath(QStringLiteral("first.alpha")));
    QVERIFY(first.open(QIODevice::ReadWrite));
    QByteArray bytes = first.readAll();
    bytes.replace(0, 4, "Zz,A");
    first.seek(0);
    first.write(bytes);
    first.close();
    table->selectCategory(3);
    QCOMPARE(list2(table)->item(0)->text(), QStringLiteral("Zz"));
    QCOMPARE(list2(table)->count(), 13);
    QCOMPARE(buttonColour(table, 3, Glimmet3::DispIds::BackColor), OleColor(0x0000FFFF));
    QCOMPARE(buttonColour(table, 4, Glimmet3::DispIds::BackColor), OleColor(0x00E0E0E0));
    // A category change leaves the key buffer alone.
    QCOMPARE(table->keyBuffer(), QStringLiteral("k"));
}

void TestTableWindow::unreadableTableFile_data() {
    QTest::addColumn<int>("category");
    QTest::addColumn<QString>("file");
    // -1: the file is removed; -2: replaced by a folder; -3: by a FIFO; -4: saved with a
    // UTF-8 byte-order mark.
    QTest::addColumn<int>("keptRecords");
    QTest::newRow("joints, missing") << 2 << "joint.alpha" << -1;
    // A folder aborted the program (and lost the typed text), a FIFO froze it.
    QTest::newRow("first places, a folder") << 0 << "first.alpha" << -2;
    QTest::newRow("vowels, a folder") << 3 << "first.alpha" << -2;
    QTest::newRow("joints, a FIFO") << 2 << "joint.alpha" << -3;
    QTest::newRow("connectors, a UTF-8 mark") << 5 << "connect.alpha" << -4;
    QTest::newRow("next places, short") << 1 << "next.alpha" << 40;
    QTest::newRow("consonants, short") << 4 << "first.alpha" << 20;
    QTest::newRow("connectors, key without glyphs") << 5 << "connect.alpha" << 11;
}

void TestTableWindow::unreadableTableFile() {
    QFETCH(int, category);
    QFETCH(QString, file);
    QFETCH(int, keptRecords);
    startProgram(copyOfTheTables());
    TableWindow *table = open();
    const QString path = m_tables->filePath(file);
    EditorWindow *editor = m_test->program->editor();
    QVERIFY(editor);
    text1(editor)->setText(QStringLiteral("AmI bhAt khAI"));
    if (keptRecords == -4) {
        QFile in(path);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray all = in.readAll();
        in.close();
        QVERIFY(in.open(QIODevice::WriteOnly | QIODevice::Truncate));
        in.write("\xEF\xBB\xBF" + all);
    } else if (keptRecords < 0) {
        QVERIFY(QFile::remove(path));
        if (keptRecords == -2)
            QVERIFY(QDir().mkdir(path));
        if (keptRecords == -3)
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        QFile in(path);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = in.readAll().split('\n').mid(0, keptRecords + 1);
        in.close();
        // The record after the kept ones: its key alone, or nothing.
        lines.last() =
            file == QLatin1String("connect.alpha") ? lines.last().split(',').first() : QByteArray();
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(lines.join('\n'));
    }
    table->selectCategory(category);
    QCOMPARE(m_boxes->requests.size(), std::size_t(1));
    QVERIFY2(m_boxes->requests[0].text.contains(file), qPrintable(m_boxes->requests[0].text));
    QCOMPARE(m_boxes->requests[0].icon, MessageBox::Icon::Critical);
    QCOMPARE(list1(table)->count(), 0);
    QCOMPARE(list2(table)->count(), 0);
    QCOMPARE(table->currentCategory(), category);
    // The program goes on: another category still shows, and nothing typed is lost.
    table->selectCategory(6);
    QCOMPARE(list2(table)->count(), 9);
    QVERIFY(m_test->quits.empty());
    QCOMPARE(text1(editor)->text(), QStringLiteral("AmI bhAt khAI"));
}

void TestTableWindow::selectionFollowsThePartner_data() {
    QTest::addColumn<int>("category");
    QTest::addColumn<bool>("fromList2");
    QTest::addColumn<bool>("byMouse");
    QTest::addColumn<int>("row");
    QTest::newRow("List1 by code") << 4 << false << false << 5;
    QTest::newRow("List2 by code") << 4 << true << false << 5;
    QTest::newRow("List1 by mouse") << 2 << false << true << 7;
    QTest::newRow("List2 by mouse") << 6 << true << true << 8;
}

void TestTableWindow::selectionFollowsThePartner() {
    QFETCH(int, category);
    QFETCH(bool, fromList2);
    QFETCH(bool, byMouse);
    QFETCH(int, row);
    TableWindow *table = open();
    table->selectCategory(category);
    QSignalSpy clicks1(list1(table), &ListBox::click);
    QSignalSpy clicks2(list2(table), &ListBox::click);
    ListBox *source = fromList2 ? list2(table) : list1(table);
    if (byMouse) {
        source->scrollToItem(source->item(row));
        QTest::mouseClick(source->viewport(), Qt::LeftButton, {}, centreOf(source, row));
    } else {
        source->setListIndex(row);
    }
    QCOMPARE(list1(table)->listIndex(), row);
    QCOMPARE(list2(table)->listIndex(), row);
    // Each list's handler ran once; the partner's echo changed nothing.
    QCOMPARE(clicks1.count(), 1);
    QCOMPARE(clicks2.count(), 1);
}

void TestTableWindow::doubleClickInsertsIntoTheOutput_data() {
    QTest::addColumn<int>("category");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<int>("clickedAt"); // where the user clicked into the output; -1: nowhere
    const QString dir = QStringLiteral(KESTRUM_BIN_DIR);
    // The longest glyph string of the joints, whole.
    const Entries joints = fileRecords(dir, "joint.alpha", 1, 148);
    int longest = 0;
    for (int i = 0; i < joints.size(); ++i)
        if (joints[i].second.size() > joints[longest].second.size())
            longest = i;
    QTest::newRow("joint, whole string") << 2 << longest << joints[longest].second << -1;
    QTest::newRow("fragment R, one code") << 6 << 0 << glyphText("\xA9") << -1;
    QTest::newRow("fragment N, one code") << 6 << 7 << glyphText("\x9C") << -1;
    const QString consonant = fileRecords(dir, "first.alpha", 15, 15)[0].second;
    QTest::newRow("consonant") << 4 << 1 << consonant << -1;
    QTest::newRow("consonant at the caret, inside a word") << 4 << 1 << consonant << 2;
    QTest::newRow("consonant at the caret, at the start") << 4 << 1 << consonant << 0;
    QTest::newRow("consonant at the caret, after the space") << 4 << 1 << consonant << 5;
}

void TestTableWindow::doubleClickInsertsIntoTheOutput() {
    QFETCH(int, category);
    QFETCH(int, row);
    QFETCH(QString, inserted);
    QFETCH(int, clickedAt);
    QVERIFY(inserted.size() >= 1);
    text1(m_editor)->setText(QStringLiteral("AmI bhAt"));
    m_test->program->session().convert();
    const QString before = text2(m_editor)->text();
    QVERIFY(!before.isEmpty());
    TableWindow *table = open();
    const qsizetype at = clickedAt < 0 ? before.size() : clickedAt;
    if (clickedAt >= 0) {
        QTextCursor cursor = text2(m_editor)->textCursor();
        cursor.setPosition(clickedAt);
        QTest::mouseClick(text2(m_editor)->viewport(), Qt::LeftButton, {},
                          text2(m_editor)->cursorRect(cursor).center());
        QCOMPARE(text2(m_editor)->selStart(), clickedAt);
    }
    table->selectCategory(category);
    list1(table)->scrollToItem(list1(table)->item(row));
    list1(table)->setFocus();
    QTest::mouseDClick(list1(table)->viewport(), Qt::LeftButton, {}, centreOf(list1(table), row));
    const QString expected = QString(before).insert(at, inserted);
    QCOMPARE(text2(m_editor)->text(), expected);
    QCOMPARE(QString::fromStdU32String(m_test->program->session().conversionOutput()),
             text2(m_editor)->text());
    QTRY_COMPARE(QApplication::focusWidget(), text2(m_editor));
    QCOMPARE(text2(m_editor)->selStart(), int(at + inserted.size()));
    // The output keeps it when the focus moves on, and when a word is typed after the others.
    list1(table)->setFocus();
    QCOMPARE(text2(m_editor)->text(), expected);
    text1(m_editor)->setText(QStringLiteral("AmI bhAt khAI"));
    m_test->program->session().convert();
    Engine engine;
    engine.loadTables(KESTRUM_BIN_DIR);
    std::u32string converted;
    engine.convertText(U"AmI bhAt khAI", converted);
    const QString all = QString::fromStdU32String(converted);
    QCOMPARE(text2(m_editor)->text(),
             QString(all).insert(clickedAt < 0 ? all.size() : at, inserted));
}

void TestTableWindow::dropOfAnEntryAppendsItTrimmed() {
    TableWindow *table = open();
    text2(m_editor)->setText(QStringLiteral("ab"));
    table->selectCategory(6);
    list1(table)->setListIndex(2);
    text2(m_editor)->dropFrom(list1(table), QPoint(3, 3));
    QCOMPARE(text2(m_editor)->text(), QStringLiteral("ab") + glyphText("\xA8"));
    QCOMPARE(QString::fromStdU32String(m_test->program->session().conversionOutput()),
             text2(m_editor)->text());
    QCOMPARE(QApplication::focusWidget(), text2(m_editor));
    // The key list is no source of glyphs.
    text2(m_editor)->dropFrom(list2(table), QPoint(3, 3));
    QCOMPARE(text2(m_editor)->text(), QStringLiteral("ab") + glyphText("\xA8"));
}

void TestTableWindow::dragBeginsWithTheLeftButtonAlone_data() {
    QTest::addColumn<Qt::MouseButtons>("buttons");
    QTest::addColumn<bool>("drags");
    QTest::newRow("left") << Qt::MouseButtons(Qt::LeftButton) << true;
    QTest::newRow("left and right") << (Qt::LeftButton | Qt::RightButton) << false;
    QTest::newRow("right") << Qt::MouseButtons(Qt::RightButton) << false;
    QTest::newRow("none") << Qt::MouseButtons() << false;
}

void TestTableWindow::dragBeginsWithTheLeftButtonAlone() {
    QFETCH(Qt::MouseButtons, buttons);
    QFETCH(bool, drags);
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("a drag returns at once only on the offscreen platform");
    TableWindow *table = open();
    list1(table)->setListIndex(0);
    const QPointF at = centreOf(list1(table), 1);
    QMouseEvent move(QEvent::MouseMove, at, list1(table)->viewport()->mapToGlobal(at), Qt::NoButton,
                     buttons, Qt::NoModifier);
    QApplication::sendEvent(list1(table)->viewport(), &move);
    // A finished drag stays the list's child until deferred deletes run.
    const QList<QDrag *> started = list1(table)->findChildren<QDrag *>();
    QCOMPARE(started.size(), drags ? 1 : 0);
    if (drags)
        QCOMPARE(started.first()->dragCursor(Qt::CopyAction).isNull(), false);
}

void TestTableWindow::categoryPopUp_data() {
    QTest::addColumn<int>("category");
    QTest::addColumn<bool>("onList2");
    QTest::addColumn<int>("chosen");
    QTest::newRow("consonants, List1") << 4 << false << 2;
    QTest::newRow("vowels, List2") << 3 << true << 3;
    QTest::newRow("fragments, List2") << 6 << true << 0;
}

void TestTableWindow::categoryPopUp() {
    QFETCH(int, category);
    QFETCH(bool, onList2);
    QFETCH(int, chosen);
    TableWindow *table = open();
    table->selectCategory(category);
    ListBox *list = onList2 ? list2(table) : list1(table);
    // Only a right click shows it, and it changes no selection.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centreOf(list, 0));
    QVERIFY(!cota(table)->isVisible());
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, centreOf(list, 1));
    QTRY_VERIFY(cota(table)->isVisible());
    QCOMPARE(list->listIndex(), 0);
    QStringList captions;
    QList<int> checked;
    for (QAction *item : cota(table)->actions()) {
        captions.append(item->text());
        if (item->isChecked())
            checked.append(int(captions.size() - 1));
    }
    QCOMPARE(captions, Captions);
    QCOMPARE(checked, QList<int>{category});
    cot(table, std::size_t(chosen))->trigger();
    cota(table)->hide();
    QCOMPARE(table->currentCategory(), chosen);
    QCOMPARE(list2(table)->listIndex(), -1);
    QCOMPARE(buttonColour(table, chosen, Glimmet3::DispIds::BackColor), OleColor(0x0000FFFF));
}

void TestTableWindow::keyLookUp_data() {
    QTest::addColumn<int>("category");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("terminator");   // a Qt key
    QTest::addColumn<QString>("selected"); // "" for no change from the first entry
    QTest::newRow("kh, Enter") << 4 << "kh" << int(Qt::Key_Return) << "kh";
    QTest::newRow("KH, Enter: any casing") << 4 << "KH" << int(Qt::Key_Return) << "kh";
    QTest::newRow("Th, a digit") << 4 << "Th" << int(Qt::Key_1) << "Th";
    QTest::newRow("tH, space: the first match") << 4 << "tH" << int(Qt::Key_Space) << "Th";
    QTest::newRow("~~ and &") << 1 << "~~" << int(Qt::Key_Return) << "~~";
    QTest::newRow("&, Backspace") << 1 << "&" << int(Qt::Key_Backspace) << "&";
    QTest::newRow("~nc with a joint") << 2 << "~nc" << int(Qt::Key_Period) << "~nc";
    QTest::newRow("no such key: stays") << 4 << "qq" << int(Qt::Key_Return) << "";
    QTest::newRow("empty buffer: stays") << 4 << "" << int(Qt::Key_Return) << "";
}

void TestTableWindow::keyLookUp() {
    QFETCH(int, category);
    QFETCH(QString, typed);
    QFETCH(int, terminator);
    QFETCH(QString, selected);
    TableWindow *table = open();
    table->selectCategory(category);
    list2(table)->setListIndex(0);
    list2(table)->setFocus();
    QTest::keyClicks(list2(table), typed);
    QCOMPARE(table->keyBuffer(), typed);
    const int afterTyping = list2(table)->listIndex();
    QTest::keyClick(list2(table), Qt::Key(terminator));
    QVERIFY(table->keyBuffer().isEmpty());
    if (selected.isEmpty()) {
        QCOMPARE(list2(table)->listIndex(), afterTyping);
        QCOMPARE(list1(table)->listIndex(), afterTyping);
        return;
    }
    int expected = -1;
    for (int i = 0; i < list2(table)->count() && expected < 0; ++i)
        if (list2(table)->item(i)->text().compare(typed, Qt::CaseInsensitive) == 0)
            expected = i;
    QCOMPARE(list2(table)->item(expected)->text(), selected);
    QCOMPARE(list2(table)->listIndex(), expected);
    QCOMPARE(list1(table)->listIndex(), expected);
}

void TestTableWindow::slidePositions_data() {
    QTest::addColumn<float>("frameWidth");
    QTest::addColumn<float>("windowWidth");
    QTest::addColumn<int>("inCount");
    QTest::newRow("the frame's first width") << 12000.0f << 3420.0f << 15;
    QTest::newRow("wider") << 19200.0f << 3420.0f << 15;
    QTest::newRow("odd width") << 12345.0f << 3420.0f << 15;
}

void TestTableWindow::slidePositions() {
    QFETCH(float, frameWidth);
    QFETCH(float, windowWidth);
    QFETCH(int, inCount);
    const std::vector<float> in = slideInPositions(frameWidth, windowWidth);
    QCOMPARE(int(in.size()), inCount);
    QCOMPARE(in.front(), frameWidth);
    for (std::size_t i = 1; i < in.size(); ++i)
        QVERIFY(qAbs(in[i - 1] - in[i] - windowWidth / 14) < 0.01f);
    QVERIFY(in.back() >= frameWidth - windowWidth);
    const float left = frameWidth - windowWidth;
    const std::vector<float> out = slideOutPositions(left, frameWidth);
    QCOMPARE(int(out.size()), 13);
    QCOMPARE(out.front(), left);
    QCOMPARE(out.back(), frameWidth);
    // A window already at the edge takes no position; one beyond it slides back to it.
    QVERIFY(slideOutPositions(frameWidth, frameWidth).empty());
    const std::vector<float> back = slideOutPositions(frameWidth + 1200, frameWidth);
    QCOMPARE(int(back.size()), 13);
    QCOMPARE(back.back(), frameWidth);
}

void TestTableWindow::openAndCloseBesideTheEditor() {
    MainFrame *frame = m_test->program->frame();
    const float frameWidth = twips::outerWidth(frame);
    const float editorWidth = twips::width(m_editor);
    const float text1Width = twips::width(text1(m_editor));
    const float text2Width = twips::width(text2(m_editor));
    QCOMPARE(editorWidth, frameWidth);
    // Placed somewhere else first, the button is centred by the opening.
    twips::setLeft(command1(m_editor), 100);

    TableWindow *table = m_test->program->loadTableWindow();
    MoveRecorder opening(table->parentWidget());
    table->slideIn();
    const float width = twips::width(table);
    QVERIFY(m_test->program->state().tableWindowShown());
    const std::vector<float> in = slideInPositions(frameWidth, width);
    QCOMPARE(int(in.size()), 15);
    QCOMPARE(opening.lefts, MoveRecorder::pixels(in));
    QCOMPARE(twips::left(table), frameWidth - width);
    QCOMPARE(twips::top(table), 0.0f);
    QCOMPARE(twips::width(m_editor), editorWidth - width);
    QCOMPARE(twips::width(text1(m_editor)), text1Width - width);
    QCOMPARE(twips::width(text2(m_editor)), text2Width - width);
    const float centre = (editorWidth - width) / 2;
    QCOMPARE(twips::left(command1(m_editor)), centre - 1230.0f / 2 - 20);
    QCOMPARE(twips::left(shape1(m_editor)), centre - 1275.0f / 2);
    // Docked: as high as the editor, the buttons level with the conversion button.
    QCOMPARE(twips::height(table), twips::height(m_editor));
    QCOMPARE(twips::top(frame1(table)) + twips::height(frame1(table)),
             twips::top(command1(m_editor)) + twips::height(command1(m_editor)));
    QCOMPARE(twips::top(list1(table)) + twips::height(list1(table)), twips::top(frame1(table)));
    QCOMPARE(twips::top(list2(table)) + twips::height(list2(table)), twips::top(frame1(table)));
    QVERIFY(!text2(m_editor)->hideSelection());
    QCOMPARE(frame->activeChild(), table);

    QPointer<TableWindow> closed = table;
    MoveRecorder closing(table->parentWidget());
    cls(table)->trigger();
    const std::vector<float> out = slideOutPositions(frameWidth - width, frameWidth);
    QCOMPARE(int(out.size()), 13);
    QCOMPARE(closing.lefts, MoveRecorder::pixels(out).mid(1)); // it starts where it is
    QVERIFY(!m_test->program->state().tableWindowShown());
    QCOMPARE(twips::width(m_editor), editorWidth);
    QCOMPARE(twips::width(text1(m_editor)), text1Width);
    QCOMPARE(twips::width(text2(m_editor)), text2Width);
    QCOMPARE(twips::left(command1(m_editor)), editorWidth / 2 - 1230.0f / 2 - 20);
    QCOMPARE(twips::left(shape1(m_editor)), editorWidth / 2 - 1275.0f / 2);
    QVERIFY(text2(m_editor)->hideSelection());
    QVERIFY(!m_test->program->tableWindow());
    QTRY_VERIFY(!closed);
    QCOMPARE(frame->mdiArea()->subWindowList().size(), 1);
    QCOMPARE(frame->activeChild(), m_editor);
    QCOMPARE(frame->menuBar()->actions().size(), 4);
    // The next opening starts afresh.
    TableWindow *again = open();
    QVERIFY(again);
    QCOMPARE(again->currentCategory(), 4);
    QCOMPARE(twips::width(m_editor), editorWidth - width);
}

void TestTableWindow::dockFollowsTheSlide() {
    MainFrame *frame = m_test->program->frame();
    QCOMPARE(frame->dock(), Dock::Closed);
    TableWindow *table = m_test->program->loadTableWindow();
    QCOMPARE(frame->dock(), Dock::Closed); // loaded, not shown yet
    {
        DockRecorder opening(table->parentWidget(), frame);
        table->slideIn();
        // The place outside the frame arrives as the window is shown, before the slide.
        QList<Dock> sliding = opening.docks;
        while (!sliding.isEmpty() && sliding.front() == Dock::Closed)
            sliding.removeFirst();
        QVERIFY(sliding.size() >= 10);
        QCOMPARE(sliding, QList<Dock>(sliding.size(), Dock::SlidingIn));
    }
    QCOMPARE(frame->dock(), Dock::Docked);
    QVERIFY(table->isDocked());
    QVERIFY(m_test->program->state().tableWindowShown());
    DockRecorder closing(table->parentWidget(), frame);
    table->closeTableWindow();
    QVERIFY(closing.docks.size() >= 10);
    QCOMPARE(closing.docks, QList<Dock>(closing.docks.size(), Dock::SlidingOut));
    QCOMPARE(frame->dock(), Dock::Closed);
    QVERIFY(!m_test->program->state().tableWindowShown());
}

void TestTableWindow::secondOpeningDoesNothing() {
    TableWindow *table = open();
    const float editorWidth = twips::width(m_editor);
    table->selectCategory(2);
    action(m_editor, "st")->trigger();
    QCOMPARE(m_test->program->tableWindow(), table);
    QCOMPARE(table->currentCategory(), 2);
    QCOMPARE(twips::width(m_editor), editorWidth);
    QCOMPARE(m_test->program->frame()->mdiArea()->subWindowList().size(), 2);
}

void TestTableWindow::aboutClosesTheTableWindowFirst() {
    const float editorWidth = twips::width(m_editor);
    QVERIFY(open());
    bool closedBeforeAbout = false;
    bool aboutShown = false;
    // Waits for the About window (the slide-out runs pending events before it shows).
    QTimer poll;
    connect(&poll, &QTimer::timeout, m_test->program.get(), [&] {
        SplashWindow *about = m_test->program->splash();
        if (!about || QApplication::activeModalWidget() != about)
            return;
        poll.stop();
        aboutShown = true;
        closedBeforeAbout = !m_test->program->state().tableWindowShown() &&
                            !m_test->program->tableWindow() &&
                            twips::width(m_editor) == editorWidth;
        about->surfaceClick();
    });
    poll.start(20);
    action(m_editor, "ab")->trigger();
    QVERIFY(aboutShown);
    QVERIFY(closedBeforeAbout);
}

void TestTableWindow::closeRequestClosesTheProperWay() {
    const float editorWidth = twips::width(m_editor);
    TableWindow *table = open();
    QVERIFY(!table->parentWidget()->close());
    QVERIFY(!m_test->program->state().tableWindowShown());
    QCOMPARE(twips::width(m_editor), editorWidth);
    QVERIFY(!m_test->program->tableWindow());
    QVERIFY(m_boxes->requests.empty()); // not the exit question
}

void TestTableWindow::frameActivationAndResizeKeepTheDock() {
    MainFrame *frame = m_test->program->frame();
    TableWindow *table = open();
    const float width = twips::width(table);
    frame->activate();
    QCOMPARE(twips::width(m_editor), twips::outerWidth(frame) - width);
    // A wider, taller frame: the editor grows, the table window keeps to the right edge and
    // to the editor's height.
    frame->resize(frame->width() + 120, frame->height() + 90);
    QTRY_COMPARE(twips::width(m_editor), twips::outerWidth(frame) - width);
    QCOMPARE(twips::left(table), twips::outerWidth(frame) - width);
    QCOMPARE(twips::height(table), twips::height(m_editor));
    QCOMPARE(twips::top(frame1(table)) + twips::height(frame1(table)),
             twips::top(command1(m_editor)) + twips::height(command1(m_editor)));
    table->closeTableWindow();
    QCOMPARE(twips::width(m_editor), twips::outerWidth(frame));
}

// Rows: the buttons clicked one after another, each click right where the pointer went (so the
// move that left the last button went to that button, which held the grab). Shown on the
// screen, exactly the group on show is yellow, under the pointer as well as after it left,
// and no button stays high once the pointer has left it.
void TestTableWindow::groupButtonsUnderQuickClicks_data() {
    QTest::addColumn<QList<int>>("clicks");
    QTest::newRow("one") << QList<int>{2};
    QTest::newRow("down the column") << QList<int>{0, 1, 2, 3, 5, 6};
    QTest::newRow("back and forth") << QList<int>{1, 3, 1, 3, 6, 0};
    QTest::newRow("the one on show, again") << QList<int>{4, 4, 4};
}

void TestTableWindow::groupButtonsUnderQuickClicks() {
    QFETCH(QList<int>, clicks);
    TableWindow *table = open();
    QVERIFY(table);
    const auto shownColour = [&](int i) {
        const QImage image = fbs(table, std::size_t(i))->grab().toImage();
        return QColor(image.pixel(3, 3));
    };
    const auto mode = [&](int i) {
        Variant value;
        table->fbsButton(i)->control()->getProperty(Glimmet3::DispIds::mode, &value);
        return value.int16();
    };
    const auto centre = [&](int i) {
        QWidget *button = fbs(table, std::size_t(i));
        return button->mapTo(table->window(), button->rect().center());
    };
    QWidget *window = table->window();
    for (const int i : clicks) {
        QTest::mouseMove(window, centre(i));
        QTest::mouseClick(window, Qt::LeftButton, {}, centre(i));
        QCOMPARE(table->currentCategory(), i);
        QCOMPARE(mode(i), std::int16_t(1)); // high: the pointer is on it
        QCOMPARE(shownColour(i), QColor(Qt::yellow));
    }
    QTest::mouseMove(window, list1(table)->mapTo(window, QPoint(10, 10)));
    for (int i = 0; i < TableWindow::CategoryCount; ++i) {
        QCOMPARE(mode(i), std::int16_t(0));
        QCOMPARE(shownColour(i),
                 i == clicks.last() ? QColor(Qt::yellow) : QColor(0xE0, 0xE0, 0xE0));
    }
}

// Rows: the area that had the caret before the table opened, and the area clicked into after a
// click on one of the table's lists.
void TestTableWindow::clickIntoAnAreaTakesTheTyping_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("clicked");
    QTest::newRow("caret in the output, English list, input clicked") << "text2"
                                                                      << "List2"
                                                                      << "Text1";
    QTest::newRow("caret in the output, glyph list, input clicked") << "text2"
                                                                    << "List1"
                                                                    << "Text1";
    QTest::newRow("caret in the input, English list, output clicked") << "Text1"
                                                                      << "List2"
                                                                      << "text2";
    QTest::newRow("caret in the input, English list, input clicked") << "Text1"
                                                                     << "List2"
                                                                     << "Text1";
}

void TestTableWindow::clickIntoAnAreaTakesTheTyping() {
    QFETCH(QString, before);
    QFETCH(QString, list);
    QFETCH(QString, clicked);
    text1(m_editor)->setText(QStringLiteral("AmI"));
    action(m_editor, "lac")->trigger();
    const QString output = text2(m_editor)->text();
    m_editor->findChild<RichTextBox *>(before)->setFocus();
    TableWindow *table = open();
    QVERIFY(table);
    auto *box = table->findChild<ListBox *>(list);
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, centreOf(box, 2));
    QCOMPARE(m_test->program->frame()->activeChild(), table);

    auto *area = m_editor->findChild<RichTextBox *>(clicked);
    QTest::mouseClick(area->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(QApplication::focusWidget(), area);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("kh"));
    if (area == text1(m_editor)) {
        QVERIFY2(text1(m_editor)->text().contains(QStringLiteral("kh")),
                 qPrintable(text1(m_editor)->text()));
        QCOMPARE(text2(m_editor)->text(), output);
    } else {
        // The typing goes on at the caret the click put there.
        QCOMPARE(text1(m_editor)->text(), QStringLiteral("AmI"));
        QCOMPARE(text2(m_editor)->text(), QStringLiteral("kh") + output);
    }
}

QTEST_MAIN(TestTableWindow)
#include "tst_tablewindow.moc"
