// The single-selection list: its index and Click, exact search, typed keys, mouse events, drag.
#include "listbox.h"
#include "richtextbox.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using kestrum::ListBox;

namespace {

void fill(ListBox &list, const QStringList &entries) {
    for (const QString &entry : entries)
        list.addEntry(entry);
}

const QStringList Fruit = {QStringLiteral("Apple"), QStringLiteral("banana"),
                           QStringLiteral("Berry"), QStringLiteral("cherry"),
                           QStringLiteral("blue")};

} // namespace

class TestListBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void setListIndex_data();
    void setListIndex();
    void entriesRaiseNothing();
    void partners_data();
    void partners();
    void findStringExact_data();
    void findStringExact();

    void keys_data();
    void keys();
    void keyPressHandlerRewrites_data();
    void keyPressHandlerRewrites();

    void mouse_data();
    void mouse();
    void dragCarriesListName();
};

void TestListBox::setListIndex_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("after");
    QTest::addColumn<int>("clicks");

    QTest::newRow("none to the first") << -1 << 0 << 0 << 1;
    QTest::newRow("none to the last") << -1 << 2 << 2 << 1;
    QTest::newRow("one to another") << 1 << 2 << 2 << 1;
    QTest::newRow("same value again") << 1 << 1 << 1 << 0;
    QTest::newRow("-1 clears") << 1 << -1 << -1 << 1;
    QTest::newRow("-1 on nothing selected") << -1 << -1 << -1 << 0;
    QTest::newRow("count is out of range") << 1 << 3 << 1 << 0;
    QTest::newRow("far past the end") << -1 << 99 << -1 << 0;
    QTest::newRow("-2 is out of range") << 1 << -2 << 1 << 0;
    QTest::newRow("very negative") << 0 << -1000 << 0 << 0;
}

void TestListBox::setListIndex() {
    QFETCH(int, before);
    QFETCH(int, value);
    QFETCH(int, after);
    QFETCH(int, clicks);

    const QStringList entries = {QStringLiteral("ka"), QStringLiteral("kha"), QStringLiteral("ga")};
    ListBox list;
    fill(list, entries);
    list.setListIndex(before);
    QCOMPARE(list.listIndex(), before);
    QSignalSpy spy(&list, &ListBox::click);
    QList<int> seen; // the index as a Click handler sees it
    connect(&list, &ListBox::click, &list, [&] { seen << list.listIndex(); });
    list.setListIndex(value);
    QCOMPARE(list.listIndex(), after);
    QCOMPARE(spy.count(), clicks);
    QCOMPARE(seen, QList<int>(clicks, after));
    QCOMPARE(list.text(), after < 0 ? QString() : entries.at(after));
    QCOMPARE(list.selectedItems().size(), after < 0 ? 0 : 1);
}

void TestListBox::entriesRaiseNothing() {
    ListBox list;
    QCOMPARE(list.listIndex(), -1);
    QCOMPARE(list.text(), QString());
    QSignalSpy spy(&list, &ListBox::click);
    fill(list, Fruit);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(list.listIndex(), -1);

    list.setListIndex(1);
    QCOMPARE(spy.count(), 1);
    list.addEntry(QStringLiteral("added while selected"));
    QCOMPARE(list.listIndex(), 1);
    QCOMPARE(list.text(), QStringLiteral("banana"));

    list.clearEntries();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.listIndex(), -1);
    QCOMPARE(list.text(), QString());
    list.clearEntries();
    QCOMPARE(spy.count(), 1);

    // Refilled, the list starts with nothing selected, and selecting the old index is a change.
    fill(list, Fruit);
    QCOMPARE(list.listIndex(), -1);
    list.setListIndex(1);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(list.text(), QStringLiteral("banana"));
}

enum class PartnerAction { SetA, SetB, ClearA, SameInB, TypeInA, ArrowInB };
Q_DECLARE_METATYPE(PartnerAction)

void TestListBox::partners_data() {
    QTest::addColumn<PartnerAction>("action");
    QTest::addColumn<int>("index");    // both lists afterwards
    QTest::addColumn<int>("handlers"); // runs of each Click handler

    QTest::newRow("code selects in A") << PartnerAction::SetA << 3 << 1;
    QTest::newRow("code selects in B") << PartnerAction::SetB << 0 << 1;
    QTest::newRow("A cleared") << PartnerAction::ClearA << -1 << 1;
    QTest::newRow("B set to what it has") << PartnerAction::SameInB << 1 << 0;
    QTest::newRow("typed character in A") << PartnerAction::TypeInA << 3 << 1;
    QTest::newRow("Down arrow in B") << PartnerAction::ArrowInB << 2 << 1;
}

void TestListBox::partners() {
    QFETCH(PartnerAction, action);
    QFETCH(int, index);
    QFETCH(int, handlers);

    ListBox a, b;
    fill(a, Fruit);
    fill(b, Fruit);
    a.setListIndex(1);
    b.setListIndex(1);
    int aRuns = 0, bRuns = 0;
    connect(&a, &ListBox::click, &a, [&] {
        ++aRuns;
        b.setListIndex(a.listIndex());
    });
    connect(&b, &ListBox::click, &b, [&] {
        ++bRuns;
        a.setListIndex(b.listIndex());
    });
    switch (action) {
    case PartnerAction::SetA:
        a.setListIndex(3);
        break;
    case PartnerAction::SetB:
        b.setListIndex(0);
        break;
    case PartnerAction::ClearA:
        a.setListIndex(-1);
        break;
    case PartnerAction::SameInB:
        b.setListIndex(1);
        break;
    case PartnerAction::TypeInA:
        QTest::keyClick(&a, 'c');
        break;
    case PartnerAction::ArrowInB:
        QTest::keyClick(&b, Qt::Key_Down);
        break;
    }
    QCOMPARE(a.listIndex(), index);
    QCOMPARE(b.listIndex(), index);
    QCOMPARE(aRuns, handlers);
    QCOMPARE(bRuns, handlers);
}

void TestListBox::findStringExact_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("found");

    const QStringList e = {QStringLiteral("k"), QStringLiteral("kh"), QStringLiteral("khh"),
                           QString(),           QStringLiteral("Kh"), QStringLiteral("g")};
    QTest::newRow("from the top") << e << "kh" << -1 << 1;
    QTest::newRow("after a match finds the next") << e << "kh" << 1 << 4;
    QTest::newRow("wraps past the end") << e << "kh" << 4 << 1;
    QTest::newRow("start on the last entry") << e << "kh" << 5 << 1;
    QTest::newRow("letter case ignored") << e << "KH" << 0 << 1;
    QTest::newRow("kh is not k or khh") << e << "kh" << 2 << 4;
    QTest::newRow("k is not kh") << e << "k" << -1 << 0;
    QTest::newRow("the start entry itself comes last") << e << "k" << 0 << 0;
    QTest::newRow("khh exactly") << e << "KHH" << 2 << 2;
    QTest::newRow("empty matches only the empty entry") << e << "" << -1 << 3;
    QTest::newRow("empty, wrapping") << e << "" << 3 << 3;
    QTest::newRow("no prefix match") << e << "g " << -1 << -1;
    QTest::newRow("no match") << e << "gh" << 2 << -1;
    QTest::newRow("empty without an empty entry") << QStringList{"a", "b"} << "" << -1 << -1;
    QTest::newRow("empty list") << QStringList{} << "a" << -1 << -1;
    QTest::newRow("start past the end from the top") << e << "kh" << 99 << 1;
    QTest::newRow("start below -1 from the top") << e << "kh" << -7 << 1;
}

void TestListBox::findStringExact() {
    QFETCH(QStringList, entries);
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, found);

    ListBox list;
    fill(list, entries);
    list.setListIndex(entries.isEmpty() ? -1 : 0);
    QSignalSpy spy(&list, &ListBox::click);
    QCOMPARE(list.findStringExact(text, start), found);
    QCOMPARE(spy.count(), 0); // a search selects nothing
}

void TestListBox::keys_data() {
    QTest::addColumn<int>("key");   // used when `typed` is 0
    QTest::addColumn<int>("typed"); // a character typed with keyClick(char)
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("code"); // keyAscii, -1 when no keyPress
    QTest::addColumn<int>("after");

    const int none = Qt::Key_unknown;
    QTest::newRow("b from nothing") << none << int('b') << -1 << int('b') << 1;
    QTest::newRow("b moves to the next b") << none << int('b') << 1 << int('b') << 2;
    QTest::newRow("b skips what does not begin with b") << none << int('b') << 2 << int('b') << 4;
    QTest::newRow("b wraps to the first b") << none << int('b') << 4 << int('b') << 1;
    QTest::newRow("B ignores letter case") << none << int('B') << 0 << int('B') << 1;
    QTest::newRow("a on the only a stays") << none << int('a') << 0 << int('a') << 0;
    QTest::newRow("z matches nothing") << none << int('z') << 2 << int('z') << 2;
    QTest::newRow("digit") << none << int('7') << 2 << int('7') << 2;
    QTest::newRow("Space") << int(Qt::Key_Space) << 0 << 2 << 32 << 2;
    QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << 2 << 13 << 2;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << 0 << 2 << 13 << 2;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 0 << 2 << 8 << 2;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << 0 << 2 << 27 << 2;
    QTest::newRow("Down") << int(Qt::Key_Down) << 0 << 2 << -1 << 3;
    QTest::newRow("Up") << int(Qt::Key_Up) << 0 << 2 << -1 << 1;
    QTest::newRow("Down on the last") << int(Qt::Key_Down) << 0 << 4 << -1 << 4;
    QTest::newRow("Home") << int(Qt::Key_Home) << 0 << 2 << -1 << 0;
    QTest::newRow("End") << int(Qt::Key_End) << 0 << 2 << -1 << 4;
    QTest::newRow("Tab") << int(Qt::Key_Tab) << 0 << 2 << -1 << 2;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << 2 << -1 << 2;
}

void TestListBox::keys() {
    QFETCH(int, key);
    QFETCH(int, typed);
    QFETCH(int, before);
    QFETCH(int, code);
    QFETCH(int, after);

    for (bool swallow : {false, true}) {
        ListBox list;
        fill(list, Fruit);
        list.setListIndex(before);
        QList<int> codes;
        QList<int> indexInKeyPress; // the handler runs before the selection moves
        connect(&list, &ListBox::keyPress, &list, [&](int &keyAscii) {
            codes << keyAscii;
            indexInKeyPress << list.listIndex();
            if (swallow)
                keyAscii = 0;
        });
        QSignalSpy clicks(&list, &ListBox::click);
        if (typed)
            QTest::keyClick(&list, char(typed));
        else
            QTest::keyClick(&list, Qt::Key(key));
        QCOMPARE(codes, code < 0 ? QList<int>{} : QList<int>{code});
        QCOMPARE(indexInKeyPress, code < 0 ? QList<int>{} : QList<int>{before});
        // A swallowed key moves nothing; keys without keyPress cannot be swallowed.
        const int expected = swallow && code >= 0 ? before : after;
        QCOMPARE(list.listIndex(), expected);
        QCOMPARE(clicks.count(), expected == before ? 0 : 1);
    }
}

void TestListBox::keyPressHandlerRewrites_data() {
    QTest::addColumn<int>("replacement");
    QTest::addColumn<int>("after");

    QTest::newRow("b becomes c") << int('c') << 3;
    QTest::newRow("b becomes upper-case A") << int('A') << 0;
    QTest::newRow("b becomes Enter") << 13 << 2;
}

void TestListBox::keyPressHandlerRewrites() {
    QFETCH(int, replacement);
    QFETCH(int, after);

    ListBox list;
    fill(list, Fruit);
    list.setListIndex(2);
    connect(&list, &ListBox::keyPress, &list, [&](int &keyAscii) { keyAscii = replacement; });
    QTest::keyClick(&list, 'b');
    QCOMPARE(list.listIndex(), after);
}

enum class Gesture { Click, DoubleClick, Move };
Q_DECLARE_METATYPE(Gesture)

void TestListBox::mouse_data() {
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("after");
    QTest::addColumn<int>("dblClicks");
    QTest::addColumn<int>("buttonMask"); // of the last mouseUp, or of the mouseMove
    QTest::addColumn<int>("shiftMask");

    const int left = Qt::LeftButton, right = Qt::RightButton, middle = Qt::MiddleButton;
    const int none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier,
              alt = Qt::AltModifier;
    const Gesture click = Gesture::Click, dclick = Gesture::DoubleClick, move = Gesture::Move;
    QTest::newRow("left selects") << click << left << none << 2 << 0 << 1 << 0;
    QTest::newRow("Shift+left") << click << left << shift << 2 << 0 << 1 << 1;
    QTest::newRow("Alt+left") << click << left << alt << 2 << 0 << 1 << 4;
    QTest::newRow("right keeps the selection") << click << right << none << 0 << 0 << 2 << 0;
    QTest::newRow("Ctrl+right") << click << right << ctrl << 0 << 0 << 2 << 2;
    QTest::newRow("middle keeps the selection") << click << middle << none << 0 << 0 << 4 << 0;
    QTest::newRow("Shift+Ctrl+Alt+middle")
        << click << middle << (shift | ctrl | alt) << 0 << 0 << 4 << 7;
    QTest::newRow("left double click") << dclick << left << none << 2 << 1 << 1 << 0;
    QTest::newRow("right double click") << dclick << right << none << 0 << 0 << 2 << 0;
    QTest::newRow("move, no button") << move << int(Qt::NoButton) << none << 0 << 0 << 0 << 0;
    QTest::newRow("move, left held") << move << left << none << 0 << 0 << 1 << 0;
    QTest::newRow("move, right held, Ctrl") << move << right << ctrl << 0 << 0 << 2 << 2;
    QTest::newRow("move, right and middle held, Shift")
        << move << (right | middle) << shift << 0 << 0 << 6 << 1;
    QTest::newRow("move, all three held, Alt")
        << move << (left | right | middle) << alt << 0 << 0 << 7 << 4;
}

void TestListBox::mouse() {
    QFETCH(Gesture, gesture);
    QFETCH(int, buttons);
    QFETCH(int, modifiers);
    QFETCH(int, after);
    QFETCH(int, dblClicks);
    QFETCH(int, buttonMask);
    QFETCH(int, shiftMask);

    ListBox list;
    fill(list, {QStringLiteral("ka"), QStringLiteral("kha"), QStringLiteral("ga")});
    list.setContextMenuPolicy(Qt::NoContextMenu);
    list.resize(200, 200);
    list.setListIndex(0);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QVERIFY(list.viewport()->pos() != QPoint()); // else viewport and list coordinates agree
    QWidget *viewport = list.viewport();
    QSignalSpy clicks(&list, &ListBox::click);
    QSignalSpy doubles(&list, &ListBox::dblClick);
    QSignalSpy ups(&list, &ListBox::mouseUp);
    QSignalSpy moves(&list, &ListBox::mouseMove);
    const auto button = Qt::MouseButton(buttons);
    const auto mods = Qt::KeyboardModifiers(modifiers);
    QPoint at = list.visualItemRect(list.item(2)).center();
    switch (gesture) {
    case Gesture::Click:
        QTest::mousePress(viewport, button, mods, at);
        QCOMPARE(list.listIndex(), after); // selected on the press
        QCOMPARE(ups.count(), 0);
        QTest::mouseRelease(viewport, button, mods, at);
        break;
    case Gesture::DoubleClick:
        QTest::mouseDClick(viewport, button, mods, at);
        break;
    case Gesture::Move: {
        // Below the entries, so that a held left button has nothing to select.
        at = QPoint(20, viewport->height() - 5);
        QMouseEvent event(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton,
                          Qt::MouseButtons(buttons), mods);
        QApplication::sendEvent(viewport, &event);
        QCOMPARE(moves.count(), 1);
        break;
    }
    }
    QCOMPARE(list.listIndex(), after);
    QCOMPARE(clicks.count(), after == 0 ? 0 : 1);
    QCOMPARE(doubles.count(), dblClicks);
    QCOMPARE(ups.count(), gesture == Gesture::Click ? 1 : gesture == Gesture::DoubleClick ? 2 : 0);
    const QList<QVariant> args = gesture == Gesture::Move ? moves.last() : ups.last();
    const QPointF twips = QPointF(list.mapFromGlobal(viewport->mapToGlobal(at))) * 15.0;
    QCOMPARE(args[0].toInt(), buttonMask);
    QCOMPARE(args[1].toInt(), shiftMask);
    QCOMPARE(args[2].toFloat(), float(twips.x()));
    QCOMPARE(args[3].toFloat(), float(twips.y()));
}

void TestListBox::dragCarriesListName() {
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("a drag returns at once only on the offscreen platform");
    ListBox list;
    list.setObjectName(QStringLiteral("List1"));
    fill(list, Fruit);
    list.setListIndex(3);
    QSignalSpy clicks(&list, &ListBox::click);
    for (bool withIcon : {false, true}) {
        QPixmap pointer(16, 16);
        pointer.fill(Qt::red);
        list.setDragIcon(withIcon ? QIcon(pointer) : QIcon());
        list.drag();
        QVERIFY(!list.isDragging());
        // The finished drag is deleted later: until then it is the list's child.
        const QList<QDrag *> drags = list.findChildren<QDrag *>();
        QCOMPARE(drags.size(), 1);
        const QMimeData *data = drags[0]->mimeData();
        QVERIFY(data);
        QCOMPARE(data->formats(), QStringList{kestrum::RichTextBox::controlDragMimeType()});
        QCOMPARE(data->data(kestrum::RichTextBox::controlDragMimeType()), QByteArray("List1"));
        QCOMPARE(drags[0]->source(), &list);
        QCOMPARE(drags[0]->dragCursor(Qt::CopyAction).isNull(), !withIcon);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(list.findChildren<QDrag *>().isEmpty());
    }
    QCOMPARE(list.listIndex(), 3);
    QCOMPARE(clicks.count(), 0);
}

QTEST_MAIN(TestListBox)
#include "tst_listbox.moc"
