// The editor window at work: layout, the conversion triggers, the output area and
// conversionOutput, the drop target, Clear, re-entrant conversions, the exit question.
#include "control/glimmetlib.h"
#include "controlhost.h"
#include "editortestsupport.h"
#include "listbox.h"
#include "logwindow.h"
#include "runtime/control.h"
#include "shapes.h"
#include "tablewindow.h"
#include "twips.h"
#include "ucs4.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTimer>

#include <csignal>
#include <random>

using namespace kestrum;
using namespace kestrum::test;
using runtime::OleColor;
using runtime::Variant;

namespace {

// "AmI bhAt khAI." in SutonnyMJ bytes, written from the Bengali by the engine tests' encoder.
const QByteArray SentenceGlyphs("\x41\x76\x77\x67\x20\x66\x76\x5A\x20\x4C\x76\x42\x7C");

} // namespace

class TestEditor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void designOfTheWindow();
    void command1IsAGlimmetFromTheLibrary();
    void menusAndShortcuts_data();
    void menusAndShortcuts();
    void layoutOnActivate_data();
    void layoutOnActivate();
    void wordEndTrigger_data();
    void wordEndTrigger();
    void caretKeysConvertOnlyAfterAChange();
    void clickConvertsPendingChanges();
    void buttonAndMenuConvert();
    void typedSentenceConverts();
    void outputAreaAsIfRebuiltOnEveryConversion();
    void codePointsAsQtConvertsThem_data();
    void codePointsAsQtConvertsThem();
    void lineBreaksAndEmptyInput();
    void dropHandler_data();
    void dropHandler();
    void clearEitherArea_data();
    void clearEitherArea();
    void focusChangeResetsTheOutputArea();
    void conversionOutputFollowsTheOutputArea();
    void conversionRequestedDuringAConversionRunsAfterIt();
    void keysTypedDuringAConversionKeepTheirOrder();
    void logWindowIsCreatedOnFirstUse();
    void logLinesAreCopied_data();
    void logLinesAreCopied();
    void exitQuestion_data();
    void exitQuestion();
    void exitRestoresTheSavedCapsByte_data();
    void exitRestoresTheSavedCapsByte();
    void typingMarksTypedSinceSave();
    void statusBarTellsOfUnconvertedWords_data();
    void statusBarTellsOfUnconvertedWords();
    void otherEndingsPutCapsLockBack_data();
    void otherEndingsPutCapsLockBack();

private:
    void startProgram(int yieldIntervalMs = 15, std::uint8_t caps = 0);
    int conversions() const { return int(m_conversions->count()); }

    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<TestProgram> m_test;
    std::unique_ptr<QSignalSpy> m_conversions;
    EditorWindow *m_editor = nullptr;
};

void TestEditor::startProgram(int yieldIntervalMs, std::uint8_t caps) {
    m_conversions.reset();
    m_test.reset();
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_test = std::make_unique<TestProgram>(caps, QStringLiteral(KESTRUM_BIN_DIR),
                                           QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so"),
                                           yieldIntervalMs);
    QVERIFY(m_test->program->start());
    m_editor = m_test->editor();
    QVERIFY(m_editor);
    QVERIFY(command1(m_editor));
    QVERIFY(QTest::qWaitForWindowExposed(m_test->program->frame()));
    m_conversions =
        std::make_unique<QSignalSpy>(m_test->program.get(), &Program::conversionFinished);
}

void TestEditor::init() {
    startProgram();
}

void TestEditor::cleanup() {
    m_conversions.reset();
    m_test.reset();
    m_boxes.reset();
}

void TestEditor::designOfTheWindow() {
    QCOMPARE(m_editor->objectName(), QStringLiteral("Form1"));
    QCOMPARE(label1(m_editor)->text(), QStringLiteral("English Letters:"));
    QCOMPARE(label2(m_editor)->text(), QStringLiteral("evsjv :"));
    QCOMPARE(text1(m_editor)->fontSize(), 14.25);
    QCOMPARE(text1(m_editor)->controlFont().family(), QStringLiteral("Times New Roman"));
    QCOMPARE(text2(m_editor)->fontSize(), 18.0);
    QCOMPARE(text2(m_editor)->controlFont().family(), QStringLiteral("SutonnyMJ"));
    QCOMPARE(label2(m_editor)->font().family(), QStringLiteral("SutonnyMJ"));
    QCOMPARE(label2(m_editor)->font().pointSizeF(), 15.75);
    QCOMPARE(shape1(m_editor)->kind(), Shape::Kind::RoundedRectangle);
    QCOMPARE(m_editor->palette().color(QPalette::Window), QColor(192, 192, 192));
    QCOMPARE(text2(m_editor)->palette().color(QPalette::Base), QColor(Qt::white));
    // The design heights are the design sizes; the first layout keeps the design shares.
    QCOMPARE(m_editor->designFormHeight(), 8160.0f);
    QCOMPARE(m_editor->designInputHeight(), 3135.0f);
    QCOMPARE(m_editor->designOutputHeight(), 3135.0f);
    QCOMPARE(twips::width(command1(m_editor)), 1230.0f);
    QCOMPARE(twips::height(command1(m_editor)), 390.0f);
    QCOMPARE(twips::left(command1(m_editor)), 5850.0f);
    QCOMPARE(twips::left(shape1(m_editor)), 5820.0f);
    QCOMPARE(m_editor->fontSizes(), (std::array<double, 6>{8, 13, 17, 20, 25, 30}));
    QVERIFY(m_editor->englishFileName().isEmpty() && m_editor->banglaFileName().isEmpty());
    // Activate gave the input area the focus and cleared inputChanged.
    QCOMPARE(QApplication::focusWidget(), text1(m_editor));
    QVERIFY(!m_test->program->session().inputChanged());
    QCOMPARE(m_test->program->frame()->windowTitle(), QStringLiteral("Kestrum"));
    QCOMPARE(m_test->program->frame()->mdiArea()->background().color(), QColor(192, 192, 192));
    QVERIFY(!m_test->program->frame()->windowIcon().isNull());
    QCOMPARE(m_test->program->frame()->mdiArea()->subWindowList().size(), 1);
    QVERIFY(m_test->program->frame()->mdiArea()->subWindowList().first()->windowFlags() &
            Qt::FramelessWindowHint);
}

void TestEditor::command1IsAGlimmetFromTheLibrary() {
    QVERIFY(m_editor->command1());
    runtime::Control *control = m_editor->command1()->control();
    QVERIFY(control);
    QCOMPARE(control->widget(), command1(m_editor));
    QCOMPARE(QString::fromLatin1(control->classInfo().progId),
             QStringLiteral("GlimmetLib.Glimmet"));
    namespace Ids = Glimmet3::DispIds;
    // Restored from the design data through the control's read-properties.
    const auto property = [&](runtime::DispId id) {
        Variant value;
        const runtime::Status status = control->getProperty(id, &value);
        return runtime::failed(status) ? Variant() : value;
    };
    QCOMPARE(property(Ids::Caption).string(), QStringLiteral("evsjv"));
    QCOMPARE(property(Ids::HighCaption).string(), QStringLiteral("evsjv"));
    QCOMPARE(property(Ids::BackColor).color(), OleColor::rgb(0, 0, 192));
    QCOMPARE(property(Ids::ForeColor).color(), OleColor::rgb(255, 255, 255));
    QCOMPARE(property(Ids::HighBackColor).color(), OleColor::rgb(255, 0, 0));
    QCOMPARE(property(Ids::HighForeColor).color(), OleColor::rgb(255, 255, 255));
    const auto font = property(Ids::Font).font();
    const auto highFont = property(Ids::HighFont).font();
    QVERIFY(font && highFont);
    QCOMPARE(font->name(), QStringLiteral("SutonnyMJ"));
    QCOMPARE(font->size(), 18.0);
    QVERIFY(!font->bold());
    QCOMPARE(highFont->name(), QStringLiteral("SutonnyMJ"));
    QCOMPARE(highFont->size(), 18.0);
    QVERIFY(highFont->bold());
}

void TestEditor::menusAndShortcuts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("shortcut");
    const auto row = [](const char *name, const char *caption, QKeySequence shortcut = {}) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption)
                            << shortcut;
    };
    row("clsn", "&New", QKeySequence(Qt::CTRL | Qt::Key_N));
    row("sav", "&Save English File", QKeySequence(Qt::CTRL | Qt::Key_S));
    row("savb", "Save &Bangla File", QKeySequence(Qt::CTRL | Qt::Key_B));
    row("lda", "&Load", QKeySequence(Qt::CTRL | Qt::Key_O));
    row("lac", "Convert it!", QKeySequence(Qt::CTRL | Qt::Key_A));
    row("exit", "E&xit");
    row("uc", "Undo Case", QKeySequence(Qt::CTRL | Qt::Key_Z));
    row("uca", "Upper Case", QKeySequence(Qt::CTRL | Qt::Key_Y));
    row("lc", "Lower Case", QKeySequence(Qt::CTRL | Qt::Key_L));
    row("VLA", "View Log");
    row("st", "Substitution Table", QKeySequence(Qt::Key_F1));
    row("ab", "About Kestrum...");
    row("clsa", "Clear");
    row("clab", "About Kestrum");
    // The File menu's separators: a line, without a caption that would show in it.
    row("s123", "");
    row("s124", "");
}

void TestEditor::menusAndShortcuts() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, shortcut);
    auto *action = m_editor->findChild<QAction *>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->shortcut(), shortcut);

    // The frame's menu bar shows the editor's four menus, not the pop-up menu.
    QStringList titles;
    for (QAction *a : m_test->program->frame()->menuBar()->actions())
        titles << a->text();
    QCOMPARE(titles, (QStringList{"&File", "&Edit", "View", "&Help"}));
    QCOMPARE(menu(m_editor, "cl")->title(), QStringLiteral("CLEAR"));
    QStringList sizes;
    for (QAction *a : sizeItems(m_editor))
        sizes << a->text();
    QCOMPARE(sizes,
             (QStringList{"Tiny", "Small", "Medium", "Large", "Extra Large", "Heavy Weight"}));
    QVERIFY(test::action(m_editor, "s123")->isSeparator());
    QCOMPARE(menu(m_editor, "fl")->actions().indexOf(test::action(m_editor, "s123")), 4);
}

void TestEditor::layoutOnActivate_data() {
    QTest::addColumn<QSize>("frameSize");
    QTest::newRow("initial") << QSize(800, 600);
    QTest::newRow("wide and low") << QSize(1100, 420);
    QTest::newRow("narrow and tall") << QSize(500, 900);
    QTest::newRow("odd pixels") << QSize(777, 613);
}

void TestEditor::layoutOnActivate() {
    QFETCH(QSize, frameSize);
    MainFrame *frame = m_test->program->frame();
    frame->resize(frameSize);
    frame->activate();
    const float W = twips::outerWidth(frame);
    const float H = twips::outerHeight(frame);
    QCOMPARE(twips::width(m_editor), W);
    QCOMPARE(twips::height(m_editor), H);
    QCOMPARE(twips::left(m_editor), 0.0f);
    QCOMPARE(twips::top(m_editor), 0.0f);
    QCOMPARE(twips::width(text1(m_editor)), W - 250);
    QCOMPARE(twips::width(text2(m_editor)), W - 250);
    QCOMPARE(twips::height(text1(m_editor)), float(double(H) * 3135 / 8160));
    QCOMPARE(twips::height(text2(m_editor)), float(double(H) * 3135 / 8160));
    QCOMPARE(twips::top(text1(m_editor)), 360.0f);
    const float text1Bottom = 360 + twips::height(text1(m_editor));
    QCOMPARE(twips::top(label2(m_editor)), text1Bottom);
    QCOMPARE(twips::top(text2(m_editor)), text1Bottom + twips::height(label2(m_editor)));
    const float text2Bottom = twips::top(text2(m_editor)) + twips::height(text2(m_editor));
    QCOMPARE(twips::top(command1(m_editor)), text2Bottom + 150);
    QCOMPARE(twips::top(shape1(m_editor)), text2Bottom + 130);
    // Left positions do not change.
    QCOMPARE(twips::left(text1(m_editor)), 0.0f);
    QCOMPARE(twips::left(command1(m_editor)), 5850.0f);
    // Qt sees the rounded pixels.
    QCOMPARE(text1(m_editor)->width(), twips::toPixels(W - 250));
}

void TestEditor::wordEndTrigger_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("converts");
    QTest::newRow("space after a word") << "AmI" << 3 << true << int(Qt::Key_Space) << true;
    QTest::newRow("enter after a word") << "AmI" << 3 << true << int(Qt::Key_Return) << true;
    QTest::newRow("keypad enter") << "AmI" << 3 << true << int(Qt::Key_Enter) << true;
    QTest::newRow("space after a space") << "AmI " << 4 << true << int(Qt::Key_Space) << false;
    QTest::newRow("enter after a space") << "AmI " << 4 << true << int(Qt::Key_Return) << true;
    QTest::newRow("space inside a word") << "AmI" << 1 << true << int(Qt::Key_Space) << true;
    QTest::newRow("space typed before the words there")
        << "EkAmI tUmI " << 2 << true << int(Qt::Key_Space) << true;
    QTest::newRow("enter typed between two words")
        << "AmI tUmI" << 3 << true << int(Qt::Key_Return) << true;
    QTest::newRow("space at the start") << "AmI" << 0 << true << int(Qt::Key_Space) << false;
    QTest::newRow("enter at the start") << "AmI" << 0 << true << int(Qt::Key_Return) << false;
    QTest::newRow("left at the start") << "AmI" << 0 << true << int(Qt::Key_Left) << false;
    QTest::newRow("space, nothing changed") << "AmI" << 3 << false << int(Qt::Key_Space) << false;
    QTest::newRow("left after a change") << "AmI" << 3 << true << int(Qt::Key_Left) << true;
    QTest::newRow("right after a change") << "AmI" << 2 << true << int(Qt::Key_Right) << true;
    QTest::newRow("up after a change") << "AmI" << 3 << true << int(Qt::Key_Up) << true;
    QTest::newRow("down after a change") << "AmI" << 3 << true << int(Qt::Key_Down) << true;
    QTest::newRow("home after a change") << "AmI" << 3 << true << int(Qt::Key_Home) << true;
    QTest::newRow("end after a change") << "AmI" << 2 << true << int(Qt::Key_End) << true;
    QTest::newRow("left, nothing changed") << "AmI" << 3 << false << int(Qt::Key_Left) << false;
    QTest::newRow("a letter") << "AmI" << 3 << true << int(Qt::Key_B) << false;
    QTest::newRow("a full stop") << "AmI" << 3 << true << int(Qt::Key_Period) << false;
    QTest::newRow("backspace") << "AmI" << 3 << true << int(Qt::Key_Backspace) << false;
    QTest::newRow("page down") << "AmI" << 3 << true << int(Qt::Key_PageDown) << false;
}

void TestEditor::wordEndTrigger() {
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(bool, changed);
    QFETCH(int, key);
    QFETCH(bool, converts);
    text1(m_editor)->setText(text);
    text1(m_editor)->setSelStart(caret);
    m_test->program->session().setInputChanged(changed);
    m_conversions->clear();
    QTest::keyClick(text1(m_editor), Qt::Key(key));
    QCOMPARE(conversions(), converts ? 1 : 0);
    if (converts) {
        // The conversion saw the text with the key in it: a Space or Enter typed between two
        // words keeps them apart in the output.
        const QString typed = text1(m_editor)->text();
        QCOMPARE(text2(m_editor)->text(),
                 glyphText(QByteArray::fromStdString(
                     m_test->program->engine().convertBytes(typed.toStdString()))));
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)
            QVERIFY(typed != text);
        QVERIFY(!m_test->program->session().inputChanged());
    }
}

void TestEditor::caretKeysConvertOnlyAfterAChange() {
    QTest::keyClicks(text1(m_editor), QStringLiteral("AmI"));
    QCOMPARE(conversions(), 0);
    QTest::keyClick(text1(m_editor), Qt::Key_Left);
    QCOMPARE(conversions(), 1);
    QVERIFY(!m_test->program->session().inputChanged());
    QTest::keyClick(text1(m_editor), Qt::Key_Left);
    QTest::keyClick(text1(m_editor), Qt::Key_End);
    QTest::keyClick(text1(m_editor), Qt::Key_Home);
    QCOMPARE(conversions(), 1);
    QTest::keyClick(text1(m_editor), Qt::Key_B);
    QTest::keyClick(text1(m_editor), Qt::Key_Right);
    QCOMPARE(conversions(), 2);
}

void TestEditor::clickConvertsPendingChanges() {
    text1(m_editor)->setText(QStringLiteral("AmI"));
    QVERIFY(m_test->program->session().inputChanged());
    QTest::mouseClick(text1(m_editor)->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(conversions(), 1);
    QCOMPARE(text2(m_editor)->text(), glyphText("\x41\x76\x77\x67"));
    QTest::mouseClick(text1(m_editor)->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(conversions(), 1);
}

void TestEditor::buttonAndMenuConvert() {
    text1(m_editor)->setText(QStringLiteral("AmI"));
    m_test->program->session().setInputChanged(false); // the button converts whatever the flag says
    QTest::mouseClick(command1(m_editor), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(conversions(), 1);
    QCOMPARE(text2(m_editor)->text(), glyphText("\x41\x76\x77\x67"));
    text1(m_editor)->setText(QStringLiteral("AmI bhAt khAI."));
    action(m_editor, "lac")->trigger();
    QCOMPARE(conversions(), 2);
    QCOMPARE(text2(m_editor)->text(), glyphText(SentenceGlyphs));
    // Ctrl+A in the input area is the menu's "Convert it!", not the area's select-all.
    text1(m_editor)->setText(QStringLiteral("AmI"));
    text1(m_editor)->setFocus();
    QTest::keyClick(text1(m_editor), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(conversions(), 3);
    QCOMPARE(text1(m_editor)->selText(), QString());
}

void TestEditor::typedSentenceConverts() {
    QTest::keyClicks(text1(m_editor), QStringLiteral("AmI bhAt khAI."));
    QTest::keyClick(text1(m_editor), Qt::Key_Space);
    QCOMPARE(text1(m_editor)->text(), QStringLiteral("AmI bhAt khAI. "));
    QCOMPARE(text2(m_editor)->text(), glyphText(SentenceGlyphs) + QLatin1Char(' '));
    QCOMPARE(QString::fromStdU32String(m_test->program->session().conversionOutput()),
             text2(m_editor)->text());
    // The Space went in before the conversion: nothing is pending.
    QVERIFY(!m_test->program->session().inputChanged());
}

// The output area edits only the changed part of its text on a conversion: a random session
// of typing, deleting, pasting in the middle, table window insertions, font sizes and case
// changes with their undo leaves, after each step, the output area, conversionOutput and the
// Change count exactly as in the same session where every conversion rebuilds the area.
void TestEditor::outputAreaAsIfRebuiltOnEveryConversion() {
    struct Seen {
        QString output;
        std::u32string conversionOutput;
        int changes;
        int caret;
        bool operator==(const Seen &) const = default;
    };
    const QStringList words = {QStringLiteral("AmI"),    QStringLiteral("bhAt"),
                               QStringLiteral("khAI"),   QStringLiteral("tumi"),
                               QStringLiteral("bAngla"), QStringLiteral("gAn")};
    const auto session = [&](bool partial) {
        std::vector<Seen> seen;
        startProgram();
        if (QTest::currentTestFailed())
            return seen;
        RichTextBox *text1 = test::text1(m_editor);
        RichTextBox *text2 = test::text2(m_editor);
        text2->setPartialUpdate(partial);
        QSignalSpy changes(text2, &RichTextBox::change);
        std::mt19937 rng(1912);
        const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        // A long input to start from, so most conversions change a small part of it.
        QString start;
        for (int i = 0; i < 400; ++i)
            start += words[pick(int(words.size()))] + (i % 12 == 11 ? "\r\n" : " ");
        text1->setText(start);
        action(m_editor, "lac")->trigger();
        for (int step = 0; step < 80; ++step) {
            const int caret = text1->selStart();
            switch (pick(7)) {
            case 0: // a word typed at the caret and ended with a Space
                QTest::keyClicks(text1, words[pick(int(words.size()))]);
                QTest::keyClick(text1, Qt::Key_Space);
                break;
            case 1: // characters deleted, then a caret key converts
                for (int i = pick(6); i >= 0; --i)
                    QTest::keyClick(text1, Qt::Key_Backspace);
                QTest::keyClick(text1, Qt::Key_Left);
                break;
            case 2: // words pasted in the middle, then the button
                text1->setSelStart(pick(int(text1->text().size()) + 1));
                QApplication::clipboard()->setText(words[pick(int(words.size()))] + " " +
                                                   words[pick(int(words.size()))] + ".");
                text1->paste();
                m_editor->command1Click();
                break;
            case 3: { // a glyph string from the table window, inserted at the output's caret
                m_test->program->openTableWindow();
                TableWindow *table = m_test->program->tableWindow();
                if (!table) {
                    QTest::qFail("no table window", __FILE__, __LINE__);
                    return seen;
                }
                list1(table)->setListIndex(pick(list1(table)->count()));
                table->list1DblClick();
                break;
            }
            case 4: // a font size for the active area
                m_editor->fontSizeClick(pick(6));
                action(m_editor, "lac")->trigger();
                break;
            case 5: // a case change, then its undo, each converted
                text1->setSelStart(0);
                text1->moveCursor(QTextCursor::End, QTextCursor::KeepAnchor);
                m_editor->upperCase();
                action(m_editor, "lac")->trigger();
                m_editor->undoCase();
                action(m_editor, "lac")->trigger();
                break;
            case 6: // the caret moved and the input converted through the menu
                text1->setSelStart(caret - pick(40));
                action(m_editor, "lac")->trigger();
                break;
            }
            text1->setFocus();
            QCoreApplication::processEvents();
            seen.push_back({text2->text(), m_test->program->session().conversionOutput(),
                            int(changes.count()), text2->selStart()});
        }
        if (TableWindow *table = m_test->program->tableWindow())
            table->closeTableWindow();
        return seen;
    };
    const std::vector<Seen> rebuilt = session(false);
    const std::vector<Seen> partial = session(true);
    QCOMPARE(partial.size(), rebuilt.size());
    for (std::size_t i = 0; i < partial.size(); ++i) {
        QVERIFY2(partial[i] == rebuilt[i], qPrintable(QStringLiteral("step %1").arg(i)));
        QCOMPARE(QString::fromStdU32String(partial[i].conversionOutput), partial[i].output);
    }
    // The session did change the output along the way.
    QVERIFY(partial.front().output != partial.back().output);
}

// The editor's own conversions to and from code points give what Qt's do, also for the
// characters they hand to Qt (surrogates, byte-order marks, code points past U+FFFF).
void TestEditor::codePointsAsQtConvertsThem_data() {
    QTest::addColumn<std::u32string>("codePoints");
    QTest::newRow("empty") << std::u32string();
    QTest::newRow("glyph codes") << std::u32string(U"Avwg \u2020\u02C6\u0153\u00A9 |\r\n");
    QTest::newRow("last plain unit") << std::u32string(U"a\uD7FF");
    QTest::newRow("byte-order mark first") << std::u32string(U"\uFEFFab");
    QTest::newRow("reversed mark first") << std::u32string(U"\uFFFEab");
    QTest::newRow("mark inside") << std::u32string(U"ab\uFEFF");
    QTest::newRow("past U+FFFF") << std::u32string(U"a\U0001F600b");
    QTest::newRow("surrogate code point") << std::u32string{U'a', char32_t(0xD800), U'b'};
    QTest::newRow("past U+10FFFF") << std::u32string{U'a', char32_t(0x110000), U'b'};
}

void TestEditor::codePointsAsQtConvertsThem() {
    QFETCH(std::u32string, codePoints);
    const QString qt = QString::fromStdU32String(codePoints);
    QCOMPARE(fromUcs4(codePoints), qt);
    QCOMPARE(toUcs4(qt), qt.toStdU32String());
    // A lone half of a surrogate pair on the way in.
    const QString lone = qt + QChar(0xDC00) + u'z';
    QCOMPARE(toUcs4(lone), lone.toStdU32String());
    // The document's paragraph and line breaks read as LF, on the plain path and on Qt's.
    for (const QString &text : {qt, lone}) {
        const QString withBreaks = QChar::ParagraphSeparator + text + QChar::LineSeparator;
        std::u32string lines = U"left over from before";
        toUcs4Lines(withBreaks, lines);
        QCOMPARE(lines, U"\n" + text.toStdU32String() + U"\n");
    }
}

void TestEditor::lineBreaksAndEmptyInput() {
    text1(m_editor)->setText(QStringLiteral("AmI\r\nAmI\nAmI"));
    action(m_editor, "lac")->trigger();
    const QString ami = glyphText("\x41\x76\x77\x67");
    QCOMPARE(text2(m_editor)->text(), ami + "\r\n" + ami + "\r\n" + ami);
    // An empty input converts nothing: output, log and flag stay.
    text1(m_editor)->setText(QString());
    QVERIFY(m_test->program->session().inputChanged());
    action(m_editor, "lac")->trigger();
    QCOMPARE(text2(m_editor)->text(), ami + "\r\n" + ami + "\r\n" + ami);
    QVERIFY(m_test->program->session().inputChanged());
}

void TestEditor::dropHandler_data() {
    QTest::addColumn<bool>("isList");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("appended");
    QTest::newRow("List1, trimmed") << true << "List1"
                                    << "  Av  "
                                    << "Av";
    QTest::newRow("List1, inner spaces kept") << true << "List1"
                                              << " k  x "
                                              << "k  x";
    QTest::newRow("List1, tab is not a space") << true << "List1"
                                               << "\tAv"
                                               << "\tAv";
    QTest::newRow("List1, no current item") << true << "List1" << QString() << "";
    QTest::newRow("another list") << true << "List2"
                                  << "Av" << QString();
    QTest::newRow("not a list") << false << "List1"
                                << "Av" << QString();
}

void TestEditor::dropHandler() {
    QFETCH(bool, isList);
    QFETCH(QString, name);
    QFETCH(QString, item);
    QFETCH(QString, appended);
    text2(m_editor)->setText(QStringLiteral("evsjv"));
    text1(m_editor)->setFocus();
    std::unique_ptr<QWidget> source;
    if (isList) {
        auto *list = new QListWidget;
        list->addItems({QStringLiteral("first"), QStringLiteral("second")});
        if (!item.isNull()) {
            list->addItem(item);
            list->setCurrentRow(2);
        }
        source.reset(list);
    } else {
        source = std::make_unique<QLabel>(item);
    }
    source->setObjectName(name);
    text2(m_editor)->dropFrom(source.get(), QPoint(3, 4));
    if (appended.isNull()) {
        QCOMPARE(text2(m_editor)->text(), QStringLiteral("evsjv"));
        QCOMPARE(QApplication::focusWidget(), text1(m_editor));
    } else {
        QCOMPARE(text2(m_editor)->text(), QStringLiteral("evsjv") + appended);
        QCOMPARE(text2(m_editor)->selStart(), text2(m_editor)->text().size());
        QCOMPARE(QApplication::focusWidget(), text2(m_editor));
    }
    QCOMPARE(QString::fromStdU32String(m_test->program->session().conversionOutput()),
             text2(m_editor)->text());
}

void TestEditor::clearEitherArea_data() {
    QTest::addColumn<QString>("focus");
    QTest::newRow("input area") << "Text1";
    QTest::newRow("output area") << "text2";
    QTest::newRow("the button") << "Command1";
}

void TestEditor::clearEitherArea() {
    QFETCH(QString, focus);
    text1(m_editor)->setText(QStringLiteral("AmI"));
    action(m_editor, "lac")->trigger();
    const QString output = text2(m_editor)->text();
    m_test->program->session().setInputChanged(false);
    auto *target = m_editor->findChild<QWidget *>(focus);
    target->setFocusPolicy(Qt::StrongFocus);
    target->setFocus();
    QCOMPARE(m_editor->focusWidget(), target);
    action(m_editor, "clsa")->trigger();
    QCOMPARE(conversions(), 1); // Clear never converts
    if (focus == QLatin1String("Text1")) {
        QCOMPARE(text1(m_editor)->text(), QString());
        QVERIFY(m_test->program->session().inputChanged());
        QCOMPARE(text2(m_editor)->text(), output); // the old output stays
    } else if (focus == QLatin1String("text2")) {
        QCOMPARE(text2(m_editor)->text(), QString());
        QVERIFY(m_test->program->session().conversionOutput().empty());
        QCOMPARE(text1(m_editor)->text(), QStringLiteral("AmI"));
    } else {
        QCOMPARE(text1(m_editor)->text(), QStringLiteral("AmI"));
        QCOMPARE(text2(m_editor)->text(), output);
    }
}

void TestEditor::focusChangeResetsTheOutputArea() {
    text2(m_editor)->setFocus();
    QTest::keyClicks(text2(m_editor), QStringLiteral("abc"));
    QCOMPARE(QString::fromStdU32String(m_test->program->session().conversionOutput()),
             QStringLiteral("abc"));
    // The text kept survives a focus change...
    text1(m_editor)->setFocus();
    QCOMPARE(text2(m_editor)->text(), QStringLiteral("abc"));
    // ...and the area is reset from conversionOutput when it loses the focus.
    text2(m_editor)->setFocus();
    text2(m_editor)->setSelStart(0);
    m_test->program->session().setConversionOutput(U"xyz");
    text1(m_editor)->setFocus();
    QCOMPARE(text2(m_editor)->text(), QStringLiteral("xyz"));
    // The caret keeps its place: a glyph from the table window goes where the user put it.
    QCOMPARE(text2(m_editor)->selStart(), 0);
}

void TestEditor::conversionOutputFollowsTheOutputArea() {
    EditorSession &session = m_test->program->session();
    const auto output = [&] { return QString::fromStdU32String(session.conversionOutput()); };
    RichTextBox *text2 = test::text2(m_editor);
    text2->setText(QStringLiteral("one"));
    QCOMPARE(output(), QStringLiteral("one"));
    text2->setFocus();
    text2->setSelStart(1);
    text2->setSelText(QStringLiteral("XY"));
    QCOMPARE(output(), QStringLiteral("oXYne"));
    // The caret stays after what went in: typing goes on there, not at the end.
    QTest::keyClicks(text2, QStringLiteral("q"));
    QCOMPARE(output(), QStringLiteral("oXYqne"));
    QCOMPARE(output(), text2->text());
    QTest::keyClick(text2, Qt::Key_Return);
    QTest::keyClicks(text2, QStringLiteral("z"));
    QCOMPARE(output(), text2->text());
    QVERIFY(output().contains(QStringLiteral("\r\n")));
    QTest::keyClick(text2, Qt::Key_Backspace);
    QCOMPARE(output(), text2->text());
}

void TestEditor::conversionRequestedDuringAConversionRunsAfterIt() {
    startProgram(0); // let events run as often as the engine offers
    QString longText;
    for (int i = 0; i < 3000; ++i)
        longText += QStringLiteral("kAmAl bhAt ");
    text1(m_editor)->setText(longText);
    bool ranInside = false;
    bool outputIntact = false;
    QTimer::singleShot(0, m_editor, [&] {
        ranInside = m_test->program->session().isConverting();
        text1(m_editor)->setText(QStringLiteral("AmI"));
        const std::u32string before = m_test->program->session().conversionOutput();
        m_test->program->session().convert();
        outputIntact = m_test->program->session().conversionOutput() == before;
    });
    m_test->program->session().convert();
    QVERIFY(ranInside);
    QVERIFY(outputIntact);
    QCOMPARE(conversions(), 1);
    // The second request ran after the first, on the text as it was then.
    QCOMPARE(text2(m_editor)->text(), glyphText("\x41\x76\x77\x67"));
    QCOMPARE(QString::fromStdU32String(m_test->program->session().conversionOutput()),
             text2(m_editor)->text());
    QVERIFY(!m_test->program->session().inputChanged());
}

void TestEditor::keysTypedDuringAConversionKeepTheirOrder() {
    startProgram(0);
    QString longText;
    for (int i = 0; i < 3000; ++i)
        longText += QStringLiteral("kAmAl bhAt ");
    text1(m_editor)->setText(longText + QStringLiteral("AmI"));
    text1(m_editor)->setSelStart(std::numeric_limits<int>::max());
    text1(m_editor)->setFocus();
    bool typedInside = false;
    QTimer::singleShot(0, m_editor, [&] {
        typedInside = m_test->program->session().isConverting();
        QTest::keyClick(text1(m_editor), Qt::Key_B);
    });
    QTest::keyClick(text1(m_editor), Qt::Key_Space);
    QVERIFY(typedInside);
    QTRY_COMPARE(text1(m_editor)->text().right(5), QStringLiteral("AmI b"));
}

void TestEditor::logWindowIsCreatedOnFirstUse() {
    QVERIFY(!m_test->program->existingLogWindow());
    text1(m_editor)->setText(QStringLiteral("AmI xyz AmI"));
    action(m_editor, "lac")->trigger();
    LogWindow *log = m_test->program->existingLogWindow();
    QVERIFY(log);
    QCOMPARE(log->objectName(), QStringLiteral("Form5"));
    QCOMPARE(log->windowTitle(), QStringLiteral("Form5"));
    QVERIFY(!log->isVisible()); // filled, not shown
    QCOMPARE(log->List1->count(), 1);
    QVERIFY(log->List1->item(0)->text().contains(QStringLiteral("xyz")));
    // Every conversion starts the log afresh.
    text1(m_editor)->setText(QStringLiteral("AmI"));
    action(m_editor, "lac")->trigger();
    QCOMPARE(log->List1->count(), 0);
    QCOMPARE(m_test->program->existingLogWindow(), log);
}

void TestEditor::exitQuestion_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("No") << false;
    QTest::newRow("Yes") << true;
}

void TestEditor::exitQuestion() {
    QFETCH(bool, yes);
    text1(m_editor)->setText(QStringLiteral("AmI"));
    action(m_editor, "lac")->trigger();
    m_boxes->answers = {yes ? MessageBox::Answer::Yes : MessageBox::Answer::No};
    MainFrame *frame = m_test->program->frame();
    const bool closed = frame->close();
    QCOMPARE(m_boxes->requests.size(), std::size_t(1));
    QCOMPARE(m_boxes->requests[0].text, QStringLiteral("Do you want to Exit?"));
    QCOMPARE(m_boxes->requests[0].title, QStringLiteral("Kestrum"));
    QCOMPARE(m_boxes->requests[0].buttons, MessageBox::Buttons::YesNo);
    QCOMPARE(closed, yes);
    if (yes) {
        QCOMPARE(m_test->quits, std::vector<int>{0});
        QCOMPARE(m_test->keyboard->table[VkCapital], std::uint8_t(0));
    } else {
        QVERIFY(m_test->quits.empty());
        QVERIFY(frame->isVisible());
        QCOMPARE(text1(m_editor)->text(), QStringLiteral("AmI"));
        QCOMPARE(text2(m_editor)->text(), glyphText("\x41\x76\x77\x67"));
        QCOMPARE(m_test->keyboard->table[VkCapital], std::uint8_t(1));
    }
}

void TestEditor::exitRestoresTheSavedCapsByte_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("toggledTo");
    QTest::newRow("off, left on") << 0x00 << -1;
    QTest::newRow("on, left on") << 0x01 << -1;
    QTest::newRow("off, held down") << 0x80 << -1;
    QTest::newRow("off, user turned it off") << 0x00 << 0x00;
    QTest::newRow("on, user turned it off") << 0x01 << 0x00;
    QTest::newRow("off, user toggled it twice") << 0x00 << 0x01;
}

void TestEditor::exitRestoresTheSavedCapsByte() {
    QFETCH(int, before);
    QFETCH(int, toggledTo);
    startProgram(15, std::uint8_t(before));
    QCOMPARE(m_test->program->state().savedCapsState, std::uint8_t(before));
    QCOMPARE(m_test->keyboard->table[VkCapital], std::uint8_t(before | 1));
    if (toggledTo >= 0)
        m_test->keyboard->table[VkCapital] = std::uint8_t(toggledTo);
    // A later activation saves nothing again.
    m_test->program->frame()->activate();
    QCOMPARE(m_test->program->state().savedCapsState, std::uint8_t(before));
    action(m_editor, "exit")->trigger();
    QCOMPARE(m_test->keyboard->table[VkCapital], std::uint8_t(before));
    QCOMPARE(m_test->quits, std::vector<int>{0});
    QVERIFY(m_boxes->requests.empty()); // Exit asks nothing
}

void TestEditor::typingMarksTypedSinceSave() {
    QVERIFY(!m_editor->typedSinceSave());
    QTest::keyClick(text1(m_editor), Qt::Key_Left);
    QVERIFY(!m_editor->typedSinceSave());
    QTest::keyClick(text1(m_editor), Qt::Key_Backspace);
    QVERIFY(m_editor->typedSinceSave());
    m_editor->setTypedSinceSave(false);
    QTest::keyClick(text1(m_editor), Qt::Key_K);
    QVERIFY(m_editor->typedSinceSave());
}

// Rows: a converted input and what the frame's status bar says afterwards: nothing when every
// word converted, the number of words that did not otherwise (one word is one log line).
// Rows: the input, the notice after its conversion, and what clears the notice afterwards: a
// conversion that logs nothing, New, or Clear of either area.
// Rows: how lines of the log are chosen (rows clicked, with Ctrl for more; Ctrl+A for all) and
// copied (Ctrl+C or the pop-up menu's Copy), and the lines the clipboard gets.
void TestEditor::logLinesAreCopied_data() {
    QTest::addColumn<QList<int>>("clicked");
    QTest::addColumn<bool>("all");
    QTest::addColumn<bool>("byMenu");
    QTest::addColumn<QList<int>>("copied");
    QTest::newRow("one line, Ctrl+C") << QList<int>{1} << false << false << QList<int>{1};
    QTest::newRow("all of them, Ctrl+A Ctrl+C")
        << QList<int>{1} << true << false << QList<int>{0, 1, 2};
    QTest::newRow("two lines by the pop-up menu, in the list's order")
        << QList<int>{2, 0} << false << true << QList<int>{0, 2};
}

void TestEditor::logLinesAreCopied() {
    QFETCH(QList<int>, clicked);
    QFETCH(bool, all);
    QFETCH(bool, byMenu);
    QFETCH(QList<int>, copied);
    text1(m_editor)->setText(QStringLiteral("xyz AmI qqq xyzq"));
    action(m_editor, "lac")->trigger();
    m_editor->viewLog();
    LogWindow *log = m_test->program->existingLogWindow();
    QVERIFY(QTest::qWaitForWindowExposed(log));
    QListWidget *list = log->List1;
    QCOMPARE(list->count(), 3);
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    for (qsizetype i = 0; i < clicked.size(); ++i)
        QTest::mouseClick(list->viewport(), Qt::LeftButton,
                          i == 0 ? Qt::KeyboardModifiers() : Qt::ControlModifier,
                          list->visualItemRect(list->item(clicked[i])).center());
    if (all)
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    if (byMenu) {
        QAction *copy = list->findChild<QAction *>(QStringLiteral("copy"));
        QVERIFY(copy && list->actions().contains(copy));
        QCOMPARE(list->contextMenuPolicy(), Qt::ActionsContextMenu);
        copy->trigger();
    } else {
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    }
    QStringList lines;
    for (const int row : copied)
        lines << list->item(row)->text();
    QCOMPARE(QGuiApplication::clipboard()->text(), lines.join(QLatin1Char('\n')));
}

void TestEditor::statusBarTellsOfUnconvertedWords_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("then");
    QTest::newRow("every word converts") << "AmI bhAt khAI."
                                         << ""
                                         << "convert";
    QTest::newRow("one word does not") << "xyz"
                                       << "1 word could not be converted - see View Log"
                                       << "convert";
    QTest::newRow("two words do not, among others")
        << "AmI xyz bhAt qqq"
        << "2 words could not be converted - see View Log"
        << "convert";
    QTest::newRow("twelve") << QString(QStringLiteral("xyz ")).repeated(12)
                            << "12 words could not be converted - see View Log"
                            << "convert";
    QTest::newRow("New") << "AmI xyz"
                         << "1 word could not be converted - see View Log"
                         << "clsn";
    QTest::newRow("Clear of the output") << "AmI xyz"
                                         << "1 word could not be converted - see View Log"
                                         << "text2";
    QTest::newRow("Clear of the input") << "AmI xyz"
                                        << "1 word could not be converted - see View Log"
                                        << "Text1";
}

void TestEditor::statusBarTellsOfUnconvertedWords() {
    QFETCH(QString, input);
    QFETCH(QString, notice);
    QFETCH(QString, then);
    MainFrame *frame = m_test->program->frame();
    QLabel *label = frame->logNotice();
    QVERIFY(label);
    QVERIFY(frame->statusBar()->isVisible());
    QCOMPARE(label->text(), QString());
    text1(m_editor)->setText(input);
    action(m_editor, "lac")->trigger();
    QCOMPARE(label->text(), notice);
    LogWindow *log = m_test->program->existingLogWindow();
    QVERIFY(log);
    QCOMPARE(log->List1->count(), int(notice.section(QLatin1Char(' '), 0, 0).toInt()));
    QVERIFY(!log->isVisible());
    // A click on the notice opens the log; on an empty status bar it does nothing.
    QTest::mouseClick(label, Qt::LeftButton);
    QCOMPARE(log->isVisible(), !notice.isEmpty());
    // The next conversion that logs nothing clears it, and so do New and Clear: the words
    // are gone with the text.
    if (then == QLatin1String("convert")) {
        text1(m_editor)->setText(QStringLiteral("AmI"));
        action(m_editor, "lac")->trigger();
    } else if (then == QLatin1String("clsn")) {
        m_editor->setTypedSinceSave(false);
        action(m_editor, "clsn")->trigger();
    } else {
        m_editor->findChild<QWidget *>(then)->setFocus();
        action(m_editor, "clsa")->trigger();
    }
    QCOMPARE(label->text(), QString());
    QCOMPARE(log->List1->count(), 0);
}

// Rows: ways the program ends without File > Exit, the Caps Lock byte before start-up, and
// whether the program ends itself (a signal) or is being ended (the event loop quits).
void TestEditor::otherEndingsPutCapsLockBack_data() {
    QTest::addColumn<QString>("ending");
    QTest::addColumn<int>("before");
    QTest::newRow("a termination signal, off before") << "signal" << 0x00;
    QTest::newRow("a termination signal, on before") << "signal" << 0x01;
    QTest::newRow("the event loop told to quit, off before") << "quit" << 0x00;
    QTest::newRow("a termination signal during a long paste") << "paste" << 0x00;
}

void TestEditor::otherEndingsPutCapsLockBack() {
    QFETCH(QString, ending);
    QFETCH(int, before);
    startProgram(15, std::uint8_t(before));
    QCOMPARE(m_test->keyboard->table[VkCapital], std::uint8_t(before | 1));
    Program &program = *m_test->program;
    if (ending == QLatin1String("signal")) {
        program.endBySignal(SIGTERM);
        QCOMPARE(m_test->quits, std::vector<int>{0});
        QCOMPARE(program.endingSignal(), int(SIGTERM));
        // A second signal while ending changes nothing.
        program.endBySignal(SIGINT);
        QCOMPARE(program.endingSignal(), int(SIGTERM));
        QCOMPARE(m_test->quits, std::vector<int>{0});
    } else if (ending == QLatin1String("paste")) {
        // The signal arrives while the paste lets events run: the paste stops there.
        const QString pasted = QStringLiteral("আমি\n").repeated(40000);
        QGuiApplication::clipboard()->setText(pasted);
        QTimer::singleShot(0, &program, [&program] { program.endBySignal(SIGTERM); });
        text2(m_editor)->setFocus();
        text2(m_editor)->paste();
        QCOMPARE(m_test->quits, std::vector<int>{0});
        QVERIFY(!text2(m_editor)->text().isEmpty());
        QVERIFY(text2(m_editor)->text().size() < pasted.size() / 2);
    } else {
        QVERIFY(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"));
        QVERIFY(m_test->quits.empty());
        QCOMPARE(program.endingSignal(), 0);
    }
    QCOMPARE(m_test->keyboard->table[VkCapital], std::uint8_t(before));
    QVERIFY(m_boxes->requests.empty());
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
