// The rich-text area: its text model, change and input events, drops, fonts and RTF output.
#include "richtextbox.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <random>

using kestrum::DropSource;
using kestrum::RichTextBox;
using kestrum::toRtf;

namespace {

// A glyph string as the output area holds it: SutonnyMJ bytes as Windows-1252 characters.
const QString GlyphText = QStringLiteral("Avwg evsjvq \u2020\u02C6\u0153\u00A9\u00A0\u0081");

} // namespace

class TestRichTextBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void textRoundTrip_data();
    void textRoundTrip();
    void changeCounts_data();
    void changeCounts();
    void selStartClamps_data();
    void selStartClamps();
    void selText_data();
    void selText();

    void replaceTextIsOneUndoStep();
    void setTextEditsAsARebuildWould_data();
    void setTextEditsAsARebuildWould();
    void rawTextFollowsEveryChange();
    void contextMenuNamesTheOwnUndoKeys();

    void keyDownSeesTextBeforeKey();
    void keyDownCodes_data();
    void keyDownCodes();
    void keyPress_data();
    void keyPress();
    void virtualKeyTable_data();
    void virtualKeyTable();

    void clicks_data();
    void clicks();
    void focusChanged();
    void dropFrom_data();
    void dropFrom();
    void dropEvents();
    void hideSelection_data();
    void hideSelection();

    void fontSize_data();
    void fontSize();
    void pastedTextTakesAreaFont();
    void longPasteGoesInPieces_data();
    void longPasteGoesInPieces();

    void toRtfEscapes_data();
    void toRtfEscapes();
    void toRtfWhole();
    void saveFile();
    void rtfNamesTheFamilyItIsGiven();
    void saveFileFailures_data();
    void saveFileFailures();
};

void TestRichTextBox::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
}

void TestRichTextBox::textRoundTrip_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("length"); // in document positions

    QTest::newRow("empty") << ""
                           << "" << 0;
    QTest::newRow("one line") << "kARmA"
                              << "kARmA" << 5;
    QTest::newRow("CR LF") << "ab\r\ncd"
                           << "ab\r\ncd" << 5;
    QTest::newRow("lone CR") << "ab\rcd"
                             << "ab\r\ncd" << 5;
    QTest::newRow("lone LF") << "ab\ncd"
                             << "ab\r\ncd" << 5;
    QTest::newRow("mixed breaks") << "a\r\nb\rc\nd"
                                  << "a\r\nb\r\nc\r\nd" << 7;
    QTest::newRow("CR CR LF is two breaks") << "a\r\r\nb"
                                            << "a\r\n\r\nb" << 4;
    QTest::newRow("LF CR is two breaks") << "a\n\rb"
                                         << "a\r\n\r\nb" << 4;
    QTest::newRow("trailing break") << "ab\r\n"
                                    << "ab\r\n"
                                    << 3;
    QTest::newRow("only breaks") << "\r\n\r\n"
                                 << "\r\n\r\n"
                                 << 2;
    QTest::newRow("glyph string keeps its bytes")
        << GlyphText << GlyphText << int(GlyphText.size());
    QTest::newRow("tab") << "a\tb"
                         << "a\tb" << 3;
}

void TestRichTextBox::textRoundTrip() {
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QFETCH(int, length);

    RichTextBox box;
    box.setText(QStringLiteral("old text\r\nto replace"));
    box.setSelStart(5);
    QSignalSpy changes(&box, &RichTextBox::change);
    box.setText(input);
    QCOMPARE(box.text(), expected);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(box.selStart(), 0);
    box.setSelStart(1 << 20);
    QCOMPARE(box.selStart(), length);

    // Setting the same text again is still a change.
    box.setText(box.text());
    QCOMPARE(box.text(), expected);
    QCOMPARE(changes.count(), 2);
}

enum class Action {
    ReplaceText,
    UndoKey,
    SetText,
    SetSameText,
    SetSelText,
    SetEmptySelText,
    Type,
    Backspace,
    FontSize,
    ControlFont,
    SelStart,
    ArrowKeys,
    Undo,
    FormatOnly
};
Q_DECLARE_METATYPE(Action)

void TestRichTextBox::changeCounts_data() {
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("changes");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<int>("edits"); // the changes the user made inside the area

    QTest::newRow("setText") << Action::SetText << 1 << "new" << 0;
    QTest::newRow("setText, same text") << Action::SetSameText << 1 << "ab\r\ncd" << 0;
    QTest::newRow("replaceText") << Action::ReplaceText << 1 << "new\r\nlines" << 0;
    QTest::newRow("setSelText") << Action::SetSelText << 1 << "aXYb\r\ncd" << 0;
    QTest::newRow("setSelText of nothing") << Action::SetEmptySelText << 1 << "ab\r\ncd" << 0;
    QTest::newRow("typing three keys") << Action::Type << 3 << "axyzb\r\ncd" << 3;
    QTest::newRow("Backspace") << Action::Backspace << 1 << "b\r\ncd" << 1;
    QTest::newRow("setFontSize") << Action::FontSize << 0 << "ab\r\ncd" << 0;
    QTest::newRow("setControlFont") << Action::ControlFont << 0 << "ab\r\ncd" << 0;
    QTest::newRow("setSelStart") << Action::SelStart << 0 << "ab\r\ncd" << 0;
    QTest::newRow("arrow keys, Home, End") << Action::ArrowKeys << 0 << "ab\r\ncd" << 0;
    QTest::newRow("undo of typing") << Action::Undo << 1 << "ab\r\ncd" << 1;
    QTest::newRow("Alt+Backspace undoes the typing") << Action::UndoKey << 1 << "ab\r\ncd" << 1;
    QTest::newRow("format of a range") << Action::FormatOnly << 0 << "ab\r\ncd" << 0;
}

void TestRichTextBox::changeCounts() {
    QFETCH(Action, action);
    QFETCH(int, changes);
    QFETCH(QString, textAfter);
    QFETCH(int, edits);

    RichTextBox box;
    box.setText(QStringLiteral("ab\r\ncd"));
    box.setSelStart(1);
    if (action == Action::Undo || action == Action::UndoKey)
        QTest::keyClick(&box, Qt::Key_Q);
    QSignalSpy spy(&box, &RichTextBox::change);
    QSignalSpy edited(&box, &RichTextBox::edited);
    switch (action) {
    case Action::ReplaceText:
        box.replaceText(QStringLiteral("new\nlines"));
        break;
    case Action::UndoKey:
        QTest::keyClick(&box, Qt::Key_Backspace, Qt::AltModifier);
        break;
    case Action::SetText:
        box.setText(QStringLiteral("new"));
        break;
    case Action::SetSameText:
        box.setText(box.text());
        break;
    case Action::SetSelText:
        box.setSelText(QStringLiteral("XY"));
        break;
    case Action::SetEmptySelText:
        box.setSelText(QString());
        break;
    case Action::Type:
        QTest::keyClicks(&box, QStringLiteral("xyz"));
        break;
    case Action::Backspace:
        QTest::keyClick(&box, Qt::Key_Backspace);
        break;
    case Action::FontSize:
        box.setFontSize(27.75);
        break;
    case Action::ControlFont:
        box.setControlFont(QFont(QStringLiteral("DejaVu Serif"), 20, QFont::Bold, true));
        break;
    case Action::SelStart:
        box.setSelStart(4);
        break;
    case Action::ArrowKeys:
        for (Qt::Key key :
             {Qt::Key_Right, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up, Qt::Key_Home, Qt::Key_End})
            QTest::keyClick(&box, key);
        break;
    case Action::Undo:
        box.undo();
        break;
    case Action::FormatOnly: {
        QTextCursor cursor(box.document());
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.mergeCharFormat(bold);
        break;
    }
    }
    QCOMPARE(spy.count(), changes);
    QCOMPARE(box.text(), textAfter);
    QCOMPARE(edited.count(), edits);
}

// setText starts the undo history afresh; replaceText is one step of it, which the area's own
// undo and redo keys take back and do again.
void TestRichTextBox::replaceTextIsOneUndoStep() {
    RichTextBox box;
    box.setText(QStringLiteral("old"));
    QVERIFY(!box.document()->isUndoAvailable());
    box.setSelStart(3);
    QTest::keyClicks(&box, QStringLiteral(" typed"));
    box.replaceText(QStringLiteral("OLD\r\nTEXT"));
    QCOMPARE(box.text(), QStringLiteral("OLD\r\nTEXT"));
    QCOMPARE(box.selStart(), 0);
    QTest::keyClick(&box, Qt::Key_Backspace, Qt::AltModifier);
    QCOMPARE(box.text(), QStringLiteral("old typed"));
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(box.text(), QStringLiteral("OLD\r\nTEXT"));
    box.setText(QStringLiteral("fresh"));
    QVERIFY(!box.document()->isUndoAvailable());
    // Read-only, the keys change nothing.
    box.setReadOnly(true);
    QTest::keyClicks(&box, QStringLiteral("x"));
    QTest::keyClick(&box, Qt::Key_Backspace, Qt::AltModifier);
    QCOMPARE(box.text(), QStringLiteral("fresh"));
}

// setText edits only the changed part of a long text; everything the area shows and reports
// afterwards is what rebuilding the whole document gives: text, blocks, the Change count, the
// caret, the undo history (cleared, then a typed key undone), the modified flag, the font, no
// Change for a later format-only change.
void TestRichTextBox::setTextEditsAsARebuildWould_data() {
    QTest::addColumn<QString>("pieces"); // what the random texts are made of, one per char
    QTest::addColumn<int>("seed");
    // Glyph text with CR LF line breaks, as conversions give it.
    QTest::newRow("glyphs and CR LF") << QStringLiteral("Avwg evsjvq|\u2020\u00A9\n") << 1;
    // Every character that starts a block when inserted, lone CR, and the line separator.
    QTest::newRow("block separators") << QStringLiteral("ab\r\n\u2028\u2029\uFDD0\uFDD1 ") << 2;
    // Surrogate pairs, whose halves never part, lone halves, a byte-order mark, a tab.
    QTest::newRow("surrogates and marks")
        << QStringLiteral("a\U0001F600\U0001F601\uFEFF\t ") + QChar(0xDC00) + u'b' + QChar(0xD800)
        << 3;
}

void TestRichTextBox::setTextEditsAsARebuildWould() {
    QFETCH(QString, pieces);
    QFETCH(int, seed);
    std::mt19937 rng(seed);
    const auto randomText = [&](int length) {
        QString text;
        std::uniform_int_distribution<qsizetype> pick(0, pieces.size() - 1);
        while (text.size() < length) {
            qsizetype i = pick(rng);
            // Keep a pair of pieces whole: the pieces list holds them as two units.
            if (pieces[i].isLowSurrogate() && i > 0 && pieces[i - 1].isHighSurrogate())
                --i;
            text += pieces[i];
            if (pieces[i].isHighSurrogate() && i + 1 < pieces.size() &&
                pieces[i + 1].isLowSurrogate())
                text += pieces[i + 1];
        }
        return text;
    };
    // The next text: one part of the last one replaced, mostly small (a word at the end, in
    // the middle, at the start), now and then most of it (the rebuild fallback).
    const auto edited = [&](const QString &text) {
        std::uniform_int_distribution<int> kind(0, 9);
        const int k = kind(rng);
        const qsizetype size = text.size();
        qsizetype from = std::uniform_int_distribution<qsizetype>(0, size)(rng);
        qsizetype removed = std::uniform_int_distribution<qsizetype>(0, 6)(rng);
        if (k == 0)
            from = size; // appended
        else if (k == 1)
            from = 0; // at the start
        else if (k == 2)
            removed = size; // most or all of it
        removed = std::min(removed, size - from);
        const int added = std::uniform_int_distribution<int>(0, k == 2 ? 3000 : 6)(rng);
        return text.left(from) + randomText(added) + text.mid(from + removed);
    };

    RichTextBox partial;
    RichTextBox rebuilt;
    rebuilt.setPartialUpdate(false);
    QVERIFY(partial.partialUpdate());
    QSignalSpy partialChanges(&partial, &RichTextBox::change);
    QSignalSpy rebuiltChanges(&rebuilt, &RichTextBox::change);
    QString text = randomText(2000);
    int changes = 0; // one for each typed key and each setText
    for (int step = 0; step < 300; ++step) {
        const QString label = QStringLiteral("step %1").arg(step);
        // The caret somewhere and a few keys typed (an undo history to clear), a selection, or
        // a different font, before the program writes the text.
        const int before = step % 4;
        for (RichTextBox *box : {&partial, &rebuilt}) {
            box->setSelStart(int(text.size() / 2));
            if (before == 1) {
                QTest::keyClicks(box, QStringLiteral("k"));
            } else if (before == 2) {
                QTextCursor cursor = box->textCursor();
                cursor.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
                box->setTextCursor(cursor);
            } else if (before == 3) {
                // A format-only change raises no Change, before and after a partial edit.
                box->setFontSize(8 + step % 20);
                QTextCursor all(box->document());
                all.select(QTextCursor::Document);
                // (The area holds plain text only: one format throughout, which setText keeps.)
                QTextCharFormat plain;
                plain.setFontItalic(false);
                all.mergeCharFormat(plain);
            }
        }
        changes += before == 1 ? 2 : 1;
        text = edited(text);
        partial.setText(text);
        rebuilt.setText(text);

        QVERIFY2(partial.text() == rebuilt.text(), qPrintable(label));
        QVERIFY2(partial.document()->toRawText() == rebuilt.document()->toRawText(),
                 qPrintable(label));
        QCOMPARE(partial.document()->blockCount(), rebuilt.document()->blockCount());
        QCOMPARE(partialChanges.count(), changes);
        QCOMPARE(rebuiltChanges.count(), changes);
        QCOMPARE(partial.selStart(), 0);
        QCOMPARE(rebuilt.selStart(), 0);
        QVERIFY(!partial.textCursor().hasSelection());
        QCOMPARE(partial.document()->isUndoAvailable(), rebuilt.document()->isUndoAvailable());
        QCOMPARE(partial.document()->isRedoAvailable(), rebuilt.document()->isRedoAvailable());
        QCOMPARE(partial.document()->isModified(), rebuilt.document()->isModified());
        QCOMPARE(partial.textCursor().charFormat().font(),
                 rebuilt.textCursor().charFormat().font());
        // Inside the text too: the last character's font.
        for (RichTextBox *box : {&partial, &rebuilt})
            box->moveCursor(QTextCursor::End);
        QCOMPARE(partial.textCursor().charFormat().font(),
                 rebuilt.textCursor().charFormat().font());
    }
    // A key typed into each and undone: the history holds that key only, in both.
    for (RichTextBox *box : {&partial, &rebuilt}) {
        QTest::keyClicks(box, QStringLiteral("x"));
        box->undo();
        QVERIFY(!box->document()->isUndoAvailable());
    }
    QCOMPARE(partial.text(), rebuilt.text());
}

// The context menu's Undo and Redo name the area's own keys.
// rawText() reads the text the area last reported instead of copying the document's: after
// every kind of change it must still be the document's text.
void TestRichTextBox::rawTextFollowsEveryChange() {
    QWidget window;
    auto *box = new RichTextBox(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    box->setFocus();
    const std::function<void()> steps[] = {
        [&] { QTest::keyClicks(box, "ami tumi"); },
        [&] { QTest::keyClick(box, Qt::Key_Return); },
        [&] { QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier); },
        [&] { box->setText(QStringLiteral("ab\r\ncd\ref")); },
        [&] { box->setText(QStringLiteral("ab\r\ncd\refg")); }, // a partial update
        [&] { box->setText(QStringLiteral("zyxwvutsr")); },     // rebuilt, the same length
        [&] { box->replaceText(QStringLiteral("123456789")); }, // the same length again
        [&] {
            box->setSelStart(2);
            QTest::keyClick(box, Qt::Key_Right, Qt::ShiftModifier);
            box->setSelText(QStringLiteral("Q")); // one character for another
        },
        [&] { QTest::keyClick(box, Qt::Key_Backspace); },
        [&] { box->undo(); },
        [&] { box->redo(); },
        [&] {
            box->setSelStart(1);
            box->setSelText(QStringLiteral("xy\r\nz"));
        },
        [&] { box->setControlFont(QFont(QStringLiteral("DejaVu Sans"), 20)); },
        [&] { box->document()->setPlainText(QStringLiteral("from outside\nthe area")); },
        [&] { QTextCursor(box->document()).insertText(QStringLiteral("more ")); },
        [&] { box->clear(); },
        [&] { box->setText(QString()); },
    };
    int step = 0;
    for (const auto &change : steps) {
        change();
        QVERIFY2(box->rawText() == box->document()->toRawText(),
                 qPrintable(QStringLiteral("after step %1").arg(step)));
        ++step;
    }
    // Away from its own edits the area hands out the text it holds, not a fresh copy.
    QTest::keyClicks(box, "k");
    QCOMPARE(box->rawText().constData(), box->rawText().constData());
}

void TestRichTextBox::contextMenuNamesTheOwnUndoKeys() {
    RichTextBox box;
    box.resize(200, 100);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setText(QStringLiteral("ab"));
    box.setSelStart(2);
    QTest::keyClicks(&box, QStringLiteral("c"));
    QStringList undo, redo;
    bool undoEnabled = false;
    QTimer::singleShot(0, &box, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *action : menu->actions()) {
            if (action->objectName() == QLatin1String("edit-undo")) {
                undo = action->text().split(QLatin1Char('\t'));
                undoEnabled = action->isEnabled();
            } else if (action->objectName() == QLatin1String("edit-redo")) {
                redo = action->text().split(QLatin1Char('\t'));
            }
        }
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), box.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(box.viewport(), &event);
    QCOMPARE(undo.value(1), RichTextBox::undoKey().toString(QKeySequence::NativeText));
    QCOMPARE(redo.value(1), RichTextBox::redoKey().toString(QKeySequence::NativeText));
    QVERIFY(undoEnabled);
    QCOMPARE(undo.value(0), QStringLiteral("&Undo"));
}

void TestRichTextBox::selStartClamps_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("before"); // text before the caret

    QTest::newRow("start") << "ab\r\ncd" << 0 << 0 << "";
    QTest::newRow("inside") << "ab\r\ncd" << 1 << 1 << "a";
    QTest::newRow("after the break") << "ab\r\ncd" << 3 << 3 << "ab\r\n";
    QTest::newRow("at the end") << "ab\r\ncd" << 5 << 5 << "ab\r\ncd";
    QTest::newRow("past the end") << "ab\r\ncd" << 6 << 5 << "ab\r\ncd";
    QTest::newRow("far past the end") << "ab\r\ncd" << 1000000 << 5 << "ab\r\ncd";
    QTest::newRow("negative") << "ab\r\ncd" << -3 << 0 << "";
    QTest::newRow("empty text") << "" << 4 << 0 << "";
    QTest::newRow("RTF length as a position")
        << "abc" << int(toRtf(QStringLiteral("abc"), QFont()).size()) << 3 << "abc";
}

void TestRichTextBox::selStartClamps() {
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(int, expected);
    QFETCH(QString, before);

    RichTextBox box;
    box.setText(text);
    box.setSelStart(position);
    QCOMPARE(box.selStart(), expected);
    QCOMPARE(box.selText(), QString());
    // Typing lands at the caret.
    QTest::keyClick(&box, Qt::Key_Z);
    QCOMPARE(box.text(), before + QLatin1Char('z') + text.mid(before.size()));
}

void TestRichTextBox::selText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("insert");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caretAfter");

    QTest::newRow("insert at the caret") << "abcd" << 2 << 0 << ""
                                         << "XY"
                                         << "abXYcd" << 4;
    QTest::newRow("insert at the end") << "abcd" << 4 << 0 << ""
                                       << "\u2020"
                                       << "abcd\u2020" << 5;
    QTest::newRow("insert into empty")
        << "" << 0 << 0 << "" << GlyphText << GlyphText << int(GlyphText.size());
    QTest::newRow("replace selection") << "abcd" << 1 << 2 << "bc"
                                       << "Z"
                                       << "aZd" << 2;
    QTest::newRow("replace by nothing") << "abcd" << 1 << 2 << "bc"
                                        << ""
                                        << "ad" << 1;
    QTest::newRow("selection over a break") << "ab\r\ncd" << 1 << 3 << "b\r\nc"
                                            << "-"
                                            << "a-d" << 2;
    QTest::newRow("insert CR LF") << "abcd" << 2 << 0 << ""
                                  << "1\r\n2"
                                  << "ab1\r\n2cd" << 5;
    QTest::newRow("insert lone CR and LF") << "ab" << 1 << 0 << ""
                                           << "\r\n\n"
                                           << "a\r\n\r\nb" << 3;
}

void TestRichTextBox::selText() {
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, selected);
    QFETCH(QString, insert);
    QFETCH(QString, expected);
    QFETCH(int, caretAfter);

    RichTextBox box;
    box.setText(text);
    QTextCursor cursor = box.textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    box.setTextCursor(cursor);
    QCOMPARE(box.selStart(), start);
    QCOMPARE(box.selText(), selected);

    QSignalSpy changes(&box, &RichTextBox::change);
    box.setSelText(insert);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(box.text(), expected);
    QCOMPARE(box.selStart(), caretAfter);
    QCOMPARE(box.selText(), QString());
}

void TestRichTextBox::keyDownSeesTextBeforeKey() {
    RichTextBox box;
    QStringList seen;
    connect(&box, &RichTextBox::keyDown, &box, [&](int key, int) {
        seen << QStringLiteral("down %1 [%2] %3").arg(key).arg(box.text()).arg(box.selStart());
    });
    connect(&box, &RichTextBox::keyPress, &box, [&](int character) {
        seen << QStringLiteral("press %1 [%2] %3")
                    .arg(character)
                    .arg(box.text())
                    .arg(box.selStart());
    });
    connect(&box, &RichTextBox::change, &box,
            [&] { seen << QStringLiteral("change [%1]").arg(box.text()); });
    connect(&box, &RichTextBox::keyApplied, &box, [&](int key, int) {
        seen << QStringLiteral("applied %1 [%2] %3").arg(key).arg(box.text()).arg(box.selStart());
    });

    QTest::keyClicks(&box, QStringLiteral("ab"));
    seen.clear();
    QTest::keyClick(&box, Qt::Key_Space);
    QTest::keyClick(&box, Qt::Key_Left);
    QTest::keyClick(&box, Qt::Key_Return);
    const QStringList expected = {
        QStringLiteral("down 32 [ab] 2"),   QStringLiteral("press 32 [ab] 2"),
        QStringLiteral("change [ab ]"),     QStringLiteral("applied 32 [ab ] 3"),
        QStringLiteral("down 37 [ab ] 3"),  QStringLiteral("applied 37 [ab ] 2"),
        QStringLiteral("down 13 [ab ] 2"),  QStringLiteral("press 13 [ab ] 2"),
        QStringLiteral("change [ab\r\n ]"), QStringLiteral("applied 13 [ab\r\n ] 3"),
    };
    QCOMPARE(seen, expected);
}

void TestRichTextBox::keyDownCodes_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("shift");

    const int none = Qt::NoModifier;
    QTest::newRow("Space") << int(Qt::Key_Space) << none << 32 << 0;
    QTest::newRow("Return") << int(Qt::Key_Return) << none << 13 << 0;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 13 << 0;
    QTest::newRow("Left") << int(Qt::Key_Left) << none << 37 << 0;
    QTest::newRow("Up") << int(Qt::Key_Up) << none << 38 << 0;
    QTest::newRow("Right") << int(Qt::Key_Right) << none << 39 << 0;
    QTest::newRow("Down") << int(Qt::Key_Down) << none << 40 << 0;
    QTest::newRow("Home") << int(Qt::Key_Home) << none << 36 << 0;
    QTest::newRow("End") << int(Qt::Key_End) << none << 35 << 0;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << 8 << 0;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << none << 46 << 0;
    QTest::newRow("K") << int(Qt::Key_K) << none << 75 << 0;
    QTest::newRow("Shift+K") << int(Qt::Key_K) << int(Qt::ShiftModifier) << 75 << 1;
    QTest::newRow("Ctrl+Home") << int(Qt::Key_Home) << int(Qt::ControlModifier) << 36 << 2;
    QTest::newRow("Ctrl+Alt+Shift+Down")
        << int(Qt::Key_Down) << int(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier) << 40
        << 7;
    QTest::newRow("F5") << int(Qt::Key_F5) << none << 116 << 0;
}

void TestRichTextBox::keyDownCodes() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, code);
    QFETCH(int, shift);

    RichTextBox box;
    box.setText(QStringLiteral("one\r\ntwo"));
    box.setSelStart(5);
    QSignalSpy spy(&box, &RichTextBox::keyDown);
    QTest::keyClick(&box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    // The modifier keys come first, each with a keyDown of its own (Shift 16, Ctrl 17, Alt 18).
    QVERIFY(!spy.isEmpty());
    for (qsizetype i = 0; i + 1 < spy.count(); ++i) {
        const int modifierKey = spy.at(i).at(0).toInt();
        QVERIFY2(modifierKey >= 16 && modifierKey <= 18, qPrintable(QString::number(modifierKey)));
    }
    QCOMPARE(spy.last().at(0).toInt(), code);
    QCOMPARE(spy.last().at(1).toInt(), shift);
}

void TestRichTextBox::keyPress_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("character"); // -1: no keyPress

    const int none = Qt::NoModifier;
    QTest::newRow("a") << int(Qt::Key_A) << "a" << none << int('a');
    QTest::newRow("Shift+A") << int(Qt::Key_A) << "A" << int(Qt::ShiftModifier) << int('A');
    QTest::newRow("~") << int(Qt::Key_AsciiTilde) << "~" << int(Qt::ShiftModifier) << int('~');
    QTest::newRow("Space") << int(Qt::Key_Space) << " " << none << 32;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << "\b" << none << 8;
    QTest::newRow("Return") << int(Qt::Key_Return) << "\r" << none << 13;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << "\r" << int(Qt::KeypadModifier) << 13;
    QTest::newRow("Tab") << int(Qt::Key_Tab) << "\t" << none << 9;
    QTest::newRow("non-Latin letter") << int(Qt::Key_unknown) << "\u0995" << none << 0x0995;
    QTest::newRow("Left") << int(Qt::Key_Left) << "" << none << -1;
    QTest::newRow("Home") << int(Qt::Key_Home) << "" << none << -1;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << "\x7f" << none << -1;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << "\x1b" << none << -1;
    QTest::newRow("F2") << int(Qt::Key_F2) << "" << none << -1;
    QTest::newRow("Ctrl+A") << int(Qt::Key_A) << "\x01" << int(Qt::ControlModifier) << -1;
    QTest::newRow("Shift alone") << int(Qt::Key_Shift) << "" << int(Qt::ShiftModifier) << -1;
}

void TestRichTextBox::keyPress() {
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, modifiers);
    QFETCH(int, character);

    RichTextBox box;
    box.setText(QStringLiteral("xy"));
    box.setSelStart(1);
    QStringList order;
    QList<int> characters;
    connect(&box, &RichTextBox::keyDown, &box, [&] { order << QStringLiteral("down"); });
    connect(&box, &RichTextBox::keyPress, &box, [&](int c) {
        order << QStringLiteral("press");
        characters << c;
    });
    QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
    QApplication::sendEvent(&box, &press);
    if (character < 0) {
        QCOMPARE(order, QStringList{QStringLiteral("down")});
    } else {
        QCOMPARE(order, (QStringList{QStringLiteral("down"), QStringLiteral("press")}));
        QCOMPARE(characters, QList<int>{character});
    }
}

void TestRichTextBox::virtualKeyTable_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("code");

    QTest::newRow("A") << int(Qt::Key_A) << 65;
    QTest::newRow("Z") << int(Qt::Key_Z) << 90;
    QTest::newRow("0") << int(Qt::Key_0) << 48;
    QTest::newRow("9") << int(Qt::Key_9) << 57;
    QTest::newRow("! is the 1 key") << int(Qt::Key_Exclam) << 49;
    QTest::newRow("Tab") << int(Qt::Key_Tab) << 9;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << 27;
    QTest::newRow("Insert") << int(Qt::Key_Insert) << 45;
    QTest::newRow("PageUp") << int(Qt::Key_PageUp) << 33;
    QTest::newRow("PageDown") << int(Qt::Key_PageDown) << 34;
    QTest::newRow("F1") << int(Qt::Key_F1) << 112;
    QTest::newRow("F12") << int(Qt::Key_F12) << 123;
    QTest::newRow("Shift") << int(Qt::Key_Shift) << 16;
    QTest::newRow("Control") << int(Qt::Key_Control) << 17;
    QTest::newRow("Alt") << int(Qt::Key_Alt) << 18;
    QTest::newRow("CapsLock") << int(Qt::Key_CapsLock) << 20;
    QTest::newRow("unknown") << int(Qt::Key_unknown) << 0;
    QTest::newRow("a key without a code") << int(Qt::Key_VolumeUp) << 0;
}

void TestRichTextBox::virtualKeyTable() {
    QFETCH(int, key);
    QFETCH(int, code);
    QCOMPARE(RichTextBox::virtualKey(key), code);
}

enum class Gesture { Click, RightClick, DoubleClick, DragSelect };
Q_DECLARE_METATYPE(Gesture)

void TestRichTextBox::clicks_data() {
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("doubleClicks");

    QTest::newRow("click") << Gesture::Click << 1 << 0;
    QTest::newRow("right click") << Gesture::RightClick << 0 << 0;
    QTest::newRow("double click") << Gesture::DoubleClick << 1 << 1;
    QTest::newRow("drag to select") << Gesture::DragSelect << 0 << 0;
}

void TestRichTextBox::clicks() {
    QFETCH(Gesture, gesture);
    QFETCH(int, clicks);
    QFETCH(int, doubleClicks);

    RichTextBox box;
    box.setContextMenuPolicy(Qt::NoContextMenu);
    box.resize(300, 200);
    box.setText(QStringLiteral("some words to click into\r\nand a second line"));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy clickSpy(&box, &RichTextBox::clicked);
    QSignalSpy doubleSpy(&box, &RichTextBox::doubleClicked);
    QWidget *viewport = box.viewport();
    const QPoint at(20, 8);
    switch (gesture) {
    case Gesture::Click:
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        break;
    case Gesture::RightClick:
        QTest::mouseClick(viewport, Qt::RightButton, {}, at);
        break;
    case Gesture::DoubleClick:
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
        break;
    case Gesture::DragSelect:
        QTest::mousePress(viewport, Qt::LeftButton, {}, at);
        QTest::mouseMove(viewport, at + QPoint(60, 0));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at + QPoint(60, 0));
        QVERIFY(!box.selText().isEmpty());
        break;
    }
    QCOMPARE(clickSpy.count(), clicks);
    QCOMPARE(doubleSpy.count(), doubleClicks);
}

void TestRichTextBox::focusChanged() {
    // Declared before the window: its destruction moves the focus once more.
    QList<bool> firstSeen, secondSeen;
    QList<bool> firstHadFocus;
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *first = new RichTextBox;
    auto *second = new RichTextBox;
    layout->addWidget(first);
    layout->addWidget(second);
    connect(first, &RichTextBox::focusChanged, first, [&](bool in) {
        firstSeen << in;
        firstHadFocus << first->hasFocus(); // reported after the change took place
    });
    connect(second, &RichTextBox::focusChanged, second, [&](bool in) { secondSeen << in; });
    first->setFocus();
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_COMPARE(firstSeen, QList<bool>{true});
    QCOMPARE(secondSeen, QList<bool>{});
    second->setFocus();
    QTRY_COMPARE(firstSeen, (QList<bool>{true, false}));
    QCOMPARE(firstHadFocus, firstSeen);
    QCOMPARE(secondSeen, QList<bool>{true});
    first->setFocus();
    QTRY_COMPARE(secondSeen, (QList<bool>{true, false}));
    QCOMPARE(firstSeen, (QList<bool>{true, false, true}));
}

enum class SourceKind { ListWithItem, ListWithoutItem, ListViewport, OtherWidget, Null };
Q_DECLARE_METATYPE(SourceKind)

void TestRichTextBox::dropFrom_data() {
    QTest::addColumn<SourceKind>("kind");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<bool>("isListBox");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("itemText");

    QTest::newRow("List1 with a current item")
        << SourceKind::ListWithItem << "List1" << true << "List1"
        << " \u2020Kv ";
    QTest::newRow("List1 without a current item")
        << SourceKind::ListWithoutItem << "List1" << true << "List1"
        << "";
    QTest::newRow("another list") << SourceKind::ListWithItem << "List2" << true << "List2"
                                  << " \u2020Kv ";
    QTest::newRow("the list's viewport") << SourceKind::ListViewport << "List1" << true << "List1"
                                         << " \u2020Kv ";
    QTest::newRow("not a list box") << SourceKind::OtherWidget << "List1" << false << "List1"
                                    << "";
    QTest::newRow("no source") << SourceKind::Null << "" << false << ""
                               << "";
}

void TestRichTextBox::dropFrom() {
    QFETCH(SourceKind, kind);
    QFETCH(QString, objectName);
    QFETCH(bool, isListBox);
    QFETCH(QString, name);
    QFETCH(QString, itemText);

    QListWidget list;
    list.setObjectName(objectName);
    list.addItems({QStringLiteral("Ab"), QStringLiteral(" \u2020Kv "), QStringLiteral("c")});
    QWidget other;
    other.setObjectName(objectName);
    QWidget *source = nullptr;
    switch (kind) {
    case SourceKind::ListWithItem:
        list.setCurrentRow(1);
        source = &list;
        break;
    case SourceKind::ListWithoutItem:
        list.setCurrentRow(-1);
        source = &list;
        break;
    case SourceKind::ListViewport:
        list.setCurrentRow(1);
        source = list.viewport();
        break;
    case SourceKind::OtherWidget:
        source = &other;
        break;
    case SourceKind::Null:
        break;
    }

    RichTextBox box;
    box.setText(QStringLiteral("kept"));
    QList<DropSource> sources;
    QList<QPoint> positions;
    connect(&box, &RichTextBox::dragDrop, &box, [&](const DropSource &s, int x, int y) {
        sources << s;
        positions << QPoint(x, y);
    });
    QSignalSpy changes(&box, &RichTextBox::change);
    box.dropFrom(source, QPoint(12, 7));
    QCOMPARE(sources.size(), 1);
    QCOMPARE(sources[0].widget, source);
    QCOMPARE(sources[0].isListBox, isListBox);
    QCOMPARE(sources[0].name, name);
    QCOMPARE(sources[0].itemText, itemText);
    QCOMPARE(positions[0], QPoint(180, 105));
    QCOMPARE(box.text(), QStringLiteral("kept"));
    QCOMPARE(changes.count(), 0);
}

void TestRichTextBox::dropEvents() {
    RichTextBox box;
    box.resize(300, 200);
    box.setText(QStringLiteral("kept"));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    int drops = 0;
    connect(&box, &RichTextBox::dragDrop, &box, [&] { ++drops; });
    QSignalSpy changes(&box, &RichTextBox::change);
    const QPoint at(5, 5);

    // A control drag is accepted and handed to the drop handler; nothing is inserted.
    QMimeData control;
    control.setData(RichTextBox::controlDragMimeType(), "List1");
    control.setText(QStringLiteral("not to be inserted"));
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &control, Qt::LeftButton, {});
    QApplication::sendEvent(box.viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &control, Qt::LeftButton, {});
    QApplication::sendEvent(box.viewport(), &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drops, 1);
    QCOMPARE(box.text(), QStringLiteral("kept"));
    QCOMPARE(changes.count(), 0);

    // Plain text from elsewhere is inserted the usual way, and that is a change.
    QMimeData plain;
    plain.setText(QStringLiteral("new "));
    QDragEnterEvent enterPlain(at, Qt::CopyAction, &plain, Qt::LeftButton, {});
    QApplication::sendEvent(box.viewport(), &enterPlain);
    QDropEvent dropPlain(at, Qt::CopyAction, &plain, Qt::LeftButton, {});
    QApplication::sendEvent(box.viewport(), &dropPlain);
    QCOMPARE(drops, 1);
    QVERIFY2(box.text().contains(QStringLiteral("new ")), qPrintable(box.text()));
    QCOMPARE(changes.count(), 1);
}

void TestRichTextBox::hideSelection_data() {
    QTest::addColumn<bool>("hide");
    QTest::addColumn<bool>("selectionShown");

    QTest::newRow("hidden without the focus") << true << false;
    QTest::newRow("kept visible") << false << true;
}

void TestRichTextBox::hideSelection() {
    QFETCH(bool, hide);
    QFETCH(bool, selectionShown);

    RichTextBox box;
    QCOMPARE(box.hideSelection(), true);
    box.setHideSelection(!hide);
    box.setHideSelection(hide);
    QCOMPARE(box.hideSelection(), hide);
    box.resize(300, 100);
    box.setText(QStringLiteral("WWWWWWWWWW WWWW    WW"));
    QTextCursor cursor = box.textCursor();
    cursor.setPosition(0);
    cursor.setPosition(10, QTextCursor::KeepAnchor);
    box.setTextCursor(cursor);
    QVERIFY(!box.hasFocus());

    const QColor highlight = box.palette().color(QPalette::Active, QPalette::Highlight);
    const QImage image = box.viewport()->grab().toImage();
    int highlighted = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            highlighted += image.pixelColor(x, y).rgb() == highlight.rgb();
    QCOMPARE(highlighted > 50, selectionShown);

    // The caret, with nothing selected, likewise.
    box.setSelStart(17); // between two spaces
    const QRect caret = box.cursorRect();
    const QImage withCaret = box.viewport()->grab().toImage();
    const QColor text = box.palette().color(QPalette::Inactive, QPalette::Text);
    const QColor base = box.palette().color(QPalette::Inactive, QPalette::Base);
    QCOMPARE(withCaret.pixelColor(caret.left(), caret.center().y()).rgb(),
             (selectionShown ? text : base).rgb());
}

void TestRichTextBox::fontSize_data() {
    QTest::addColumn<double>("points");

    QTest::newRow("14.25") << 14.25;
    QTest::newRow("15.75") << 15.75;
    QTest::newRow("18") << 18.0;
    QTest::newRow("8") << 8.0;
    QTest::newRow("30") << 30.0;
}

void TestRichTextBox::fontSize() {
    QFETCH(double, points);

    RichTextBox box;
    box.setControlFont(QFont(QStringLiteral("DejaVu Serif"), 11));
    box.setText(QStringLiteral("abc\r\ndef"));
    box.setFontSize(points);
    QCOMPARE(box.fontSize(), points);
    QCOMPARE(box.controlFont().pointSizeF(), points);
    QCOMPARE(box.controlFont().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(box.document()->defaultFont().pointSizeF(), points);

    // A size that is no size changes nothing.
    box.setFontSize(0);
    box.setFontSize(-4);
    QCOMPARE(box.fontSize(), points);

    // The content follows the area's font and keeps it over a new text.
    box.setText(QStringLiteral("new\r\ntext"));
    QCOMPARE(box.fontSize(), points);
    for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next())
        QVERIFY(!block.charFormat().hasProperty(QTextFormat::FontPointSize));
    QVERIFY(box.textRTF().contains(QStringLiteral("\\fs%1 ").arg(qRound(points * 2))));
}

void TestRichTextBox::pastedTextTakesAreaFont() {
    RichTextBox box;
    box.setText(QStringLiteral("ab"));
    box.setSelStart(1);
    box.setFontSize(14.25);

    auto *mime = new QMimeData;
    mime->setHtml(QStringLiteral("<span style=\"font-size:40pt; font-family:Courier\">"
                                 "<b>PASTED</b></span>"));
    mime->setText(QStringLiteral("PASTED"));
    QApplication::clipboard()->setMimeData(mime);
    if (!QApplication::clipboard()->mimeData() || !QApplication::clipboard()->mimeData()->hasText())
        QSKIP("no clipboard on this platform");
    QSignalSpy changes(&box, &RichTextBox::change);
    box.paste();
    QCOMPARE(box.text(), QStringLiteral("aPASTEDb"));
    QCOMPARE(changes.count(), 1);

    // The effective font of every pasted character is the area's.
    const QFont areaFont = box.controlFont();
    for (int position = 1; position < 7; ++position) {
        QTextCursor cursor(box.document());
        cursor.setPosition(position);
        cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        const QFont effective = cursor.charFormat().font().resolve(box.document()->defaultFont());
        QCOMPARE(effective.pointSizeF(), 14.25);
        QCOMPARE(effective.family(), areaFont.family());
        QCOMPARE(effective.bold(), false);
    }

    // A later font change reaches the pasted text too.
    box.setFontSize(20);
    QTextCursor cursor(box.document());
    cursor.setPosition(3);
    QCOMPARE(cursor.charFormat().font().resolve(box.document()->defaultFont()).pointSizeF(), 20.0);
}

// Rows: how many lines are pasted, and whether the check stops the paste after its first
// piece. A long paste lets events run between its pieces and is still one edit.
void TestRichTextBox::longPasteGoesInPieces_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("stops");
    QTest::newRow("a short paste goes in at once") << 3 << false;
    QTest::newRow("a long paste goes in piece by piece") << 16000 << false;
    QTest::newRow("a long paste stops when told") << 16000 << true;
}

void TestRichTextBox::longPasteGoesInPieces() {
    QFETCH(int, lines);
    QFETCH(bool, stops);
    RichTextBox box;
    box.setText(QStringLiteral("ab"));
    box.setSelStart(1);
    const QString pasted = QStringLiteral("আমি বাংলায়\r\n").repeated(lines);
    const bool isLong = pasted.size() > RichTextBox::LongPastePiece;
    int checks = 0;
    box.setLongPasteCheck([&] {
        ++checks;
        return !stops;
    });
    auto *mime = new QMimeData;
    mime->setText(pasted);
    QApplication::clipboard()->setMimeData(mime);
    if (!QApplication::clipboard()->mimeData() || !QApplication::clipboard()->mimeData()->hasText())
        QSKIP("no clipboard on this platform");
    bool ranDuringThePaste = false;
    QTimer::singleShot(0, &box, [&] { ranDuringThePaste = box.isPasting(); });
    QSignalSpy changes(&box, &RichTextBox::change);
    QSignalSpy edits(&box, &RichTextBox::edited);
    box.paste();

    QCOMPARE(ranDuringThePaste, isLong);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(edits.count(), 1);
    QVERIFY(!box.isPasting() && !box.isReadOnly());
    const QString text = box.text();
    if (stops) {
        QCOMPARE(checks, 1);
        QVERIFY(text.size() < pasted.size() / 2);
        QVERIFY(text.startsWith(QLatin1Char('a') + pasted.left(1000)));
    } else {
        QCOMPARE(checks, isLong ? int(pasted.size() / RichTextBox::LongPastePiece) : 0);
        QCOMPARE(text, QLatin1Char('a') + pasted + QLatin1Char('b'));
    }
    QVERIFY(text.endsWith(QLatin1Char('b')));
    // One undo step takes the whole paste back.
    box.undo();
    QCOMPARE(box.text(), QStringLiteral("ab"));
}

// A text of UTF-16 units as they are, lone surrogates included.
static QString units(std::initializer_list<char16_t> list) {
    return QString(reinterpret_cast<const QChar *>(list.begin()), qsizetype(list.size()));
}

void TestRichTextBox::toRtfEscapes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("body"); // what follows the header's "\fs36 "

    QTest::newRow("plain ASCII") << "Avwg evsjvq" << QByteArray("Avwg evsjvq");
    QTest::newRow("empty") << "" << QByteArray("");
    QTest::newRow("backslash") << "a\\b" << QByteArray("a\\\\b");
    QTest::newRow("braces") << "{x}" << QByteArray("\\{x\\}");
    QTest::newRow("dagger 0x86") << "\u2020" << QByteArray("\\'86");
    QTest::newRow("circumflex 0x88") << "\u02C6" << QByteArray("\\'88");
    QTest::newRow("oe 0x9C") << "\u0153" << QByteArray("\\'9c");
    QTest::newRow("euro 0x80") << "\u20AC" << QByteArray("\\'80");
    QTest::newRow("Y diaeresis 0x9F") << "\u0178" << QByteArray("\\'9f");
    QTest::newRow("copyright 0xA9") << "\u00A9" << QByteArray("\\'a9");
    QTest::newRow("e acute 0xE9") << "\u00E9" << QByteArray("\\'e9");
    QTest::newRow("no-break space 0xA0") << "\u00A0" << QByteArray("\\'a0");
    QTest::newRow("y diaeresis 0xFF") << "\u00FF" << QByteArray("\\'ff");
    QTest::newRow("undefined bytes stay bytes")
        << "\u0081\u008D\u008F\u0090\u009D" << QByteArray("\\'81\\'8d\\'8f\\'90\\'9d");
    QTest::newRow("C1 character without a byte") << "\u0080" << QByteArray("\\u128?");
    QTest::newRow("Bengali KA") << "\u0995" << QByteArray("\\u2453?");
    QTest::newRow("above 0x7FFF is negative") << "\uFFFD" << QByteArray("\\u-3?");
    QTest::newRow("surrogate pair")
        << QString::fromUcs4(U"\U0001F600") << QByteArray("\\u-10179?\\u-8704?");
    QTest::newRow("glyph then letter") << "\u2020Kv" << QByteArray("\\'86Kv");
    QTest::newRow("CR LF") << "a\r\nb" << QByteArray("a\\par\r\nb");
    QTest::newRow("lone CR") << "a\rb" << QByteArray("a\\par\r\nb");
    QTest::newRow("lone LF") << "a\nb" << QByteArray("a\\par\r\nb");
    QTest::newRow("two breaks") << "a\r\n\r\nb" << QByteArray("a\\par\r\n\\par\r\nb");
    QTest::newRow("trailing break") << "a\r\n" << QByteArray("a\\par\r\n");
    QTest::newRow("tab before a letter") << "a\tb" << QByteArray("a\\tab b");
    QTest::newRow("tab before a space") << "\t x" << QByteArray("\\tab  x");
    QTest::newRow("digits after the size") << "12" << QByteArray("12");
    QTest::newRow("control character") << "a\x01" << QByteArray("a\\'01");
    QTest::newRow("every C0 control but tab and line breaks is kept")
        << QStringLiteral("\x01\x08\x0B\x0C\x1B\x1F")
        << QByteArray("\\'01\\'08\\'0b\\'0c\\'1b\\'1f");
    // A lone half of a surrogate pair is no character; as \u-10240? it makes readers lose the
    // next character.
    QTest::newRow("lone high surrogate") << units({u'a', 0xD800, u'b'}) << QByteArray("a\\u-3?b");
    QTest::newRow("lone low surrogate") << units({u'a', 0xDC00, u'b'}) << QByteArray("a\\u-3?b");
    QTest::newRow("high surrogate at the end") << units({u'a', 0xD83D}) << QByteArray("a\\u-3?");
    QTest::newRow("two high surrogates, then a pair")
        << units({0xD83D, 0xD83D, 0xDE00}) << QByteArray("\\u-3?\\u-10179?\\u-8704?");
}

void TestRichTextBox::toRtfEscapes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, body);

    const QByteArray rtf = toRtf(text, QFont(QStringLiteral("SutonnyMJ"), 18));
    const QByteArray head = "\\f0\\fs36 ";
    const qsizetype at = rtf.indexOf(head);
    QVERIFY2(at > 0, rtf.constData());
    QCOMPARE(rtf.mid(at + head.size()), body + '}');
    for (char c : rtf)
        QVERIFY2(uchar(c) < 0x80, rtf.constData());
}

void TestRichTextBox::toRtfWhole() {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(14.25);
    QCOMPARE(toRtf(QStringLiteral("ab\r\n\u2020{c}"), font),
             QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0"
                        "{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}\r\n"
                        "\\uc1\\pard\\f0\\fs29 ab\\par\r\n\\'86\\{c\\}}"));

    // A font name cannot break out of its table entry.
    const QByteArray odd = toRtf(QStringLiteral("x"), QFont(QStringLiteral("A;B{C}")));
    QVERIFY2(odd.contains("\\fcharset0 A\\'3bB\\{C\\};}}"), odd.constData());
}

void TestRichTextBox::rtfNamesTheFamilyItIsGiven() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("bangla.rft"));
    RichTextBox box;
    QFont shown(QStringLiteral("Kestrum Bangla"));
    shown.setPointSizeF(18);
    box.setControlFont(shown);
    box.setText(GlyphText);
    QFont named = shown;
    named.setFamily(QStringLiteral("SutonnyMJ"));

    QCOMPARE(box.rtfFontFamily(), QString());
    QCOMPARE(box.textRTF().toLatin1(), toRtf(box.text(), shown));
    box.setRtfFontFamily(QStringLiteral("SutonnyMJ"));
    QCOMPARE(box.textRTF().toLatin1(), toRtf(box.text(), named));
    QVERIFY(box.saveFile(path));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), toRtf(box.text(), named));
    // The area itself is still shown in its own font.
    QCOMPARE(box.controlFont().family(), QStringLiteral("Kestrum Bangla"));
    box.setRtfFontFamily(QString());
    QCOMPARE(box.textRTF().toLatin1(), toRtf(box.text(), shown));
}

void TestRichTextBox::saveFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("bangla.rft"));

    RichTextBox box;
    QFont font(QStringLiteral("SutonnyMJ"));
    font.setPointSizeF(18);
    box.setControlFont(font);

    // An older, longer file is replaced as a whole.
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(4096, 'x'));
    }
    box.setText(GlyphText + QStringLiteral("\r\n{2}\\"));
    QString error = QStringLiteral("stale");
    QVERIFY(box.saveFile(path, &error));
    QCOMPARE(error, QString());

    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QCOMPARE(bytes, toRtf(box.text(), font));
    QCOMPARE(QString::fromLatin1(bytes), box.textRTF());
    QVERIFY(bytes.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 "
                             "SutonnyMJ;}}"));
    QVERIFY(
        bytes.contains("\\fs36 Avwg evsjvq \\'86\\'88\\'9c\\'a9\\'a0\\'81\\par\r\n\\{2\\}\\\\}"));
    // Nothing but the file itself is left in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("bangla.rft")});
}

void TestRichTextBox::saveFileFailures_data() {
    QTest::addColumn<QString>("relativePath"); // inside a fresh temporary folder
    QTest::addColumn<QString>("named");        // what the message must name

    QTest::newRow("folder missing") << "missing/out.rtf"
                                    << "out.rtf";
    QTest::newRow("parent is a file") << "file/out.rtf"
                                      << "out.rtf";
    QTest::newRow("target is a folder") << "folder"
                                        << "folder";
}

void TestRichTextBox::saveFileFailures() {
    QFETCH(QString, relativePath);
    QFETCH(QString, named);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    {
        QFile file(dir.filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const QStringList before =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    RichTextBox box;
    box.setText(QStringLiteral("text"));
    const QString path = dir.filePath(relativePath);
    QString error;
    QVERIFY(!box.saveFile(path, &error));
    QVERIFY2(error.contains(named), qPrintable(error));
    QVERIFY2(error.size() > named.size() + QDir::toNativeSeparators(path).size(),
             qPrintable(error)); // a reason follows the name
    QVERIFY(!QFileInfo(path).isFile());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             before);
    QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("file"))).size(), 0);

    // No message wanted: still false.
    QVERIFY(!box.saveFile(path));
    QVERIFY(!box.saveFile(QString(), &error));
    QVERIFY(!error.isEmpty());
}

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"
