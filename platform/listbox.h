// A single-selection list box with the behaviour programs of this kind rely on: the selection
// is one index (-1 for none) that raises Click whenever it changes, from the user or from
// code; Clear and AddItem raise nothing; a typed character goes to KeyPress first and then
// moves the selection to the next entry that begins with it; mouse events carry the
// button mask, the shift mask and twips; a manual drag carries the list as its source, so a
// RichTextBox accepts it as a control drop.
#pragma once

#include "runtime/input.h"

#include <QIcon>
#include <QListWidget>

namespace kestrum {

class ListBox : public QListWidget {
    Q_OBJECT

public:
    // Button masks of the mouse events.
    enum Button {
        Left = runtime::LeftButtonMask,
        Right = runtime::RightButtonMask,
        Middle = runtime::MiddleButtonMask
    };
    // Shift masks of the mouse events.
    enum Shift { ShiftKey = runtime::ShiftMask, Ctrl = runtime::CtrlMask, Alt = runtime::AltMask };

    explicit ListBox(QWidget *parent = nullptr);

    // The selected entry's position from 0, or -1 when none is selected.
    int listIndex() const;
    // Selects entry `index` (-1: none) and scrolls it into view; raises Click when the
    // selection changes. An index outside -1 .. count() - 1 is ignored.
    void setListIndex(int index);
    // The selected entry's text; empty when none is selected.
    QString text() const;
    // Appends an entry; raises nothing.
    void addEntry(const QString &text);
    // Removes every entry; raises nothing.
    void clearEntries();

    // The first entry after `start` (-1: from the top) whose whole text equals `text`
    // regardless of letter case, searching on from the top when the end is reached; -1 when
    // none does.
    int findStringExact(const QString &text, int start = -1) const;

    // The height of a row, in pixels, as the list's font makes it.
    int naturalRowHeight() const;
    // Makes every row `pixels` high (0: as the font makes it), so that lists set in different
    // fonts side by side keep their rows level.
    void setRowHeight(int pixels);

    // The pointer shown while the list is dragged.
    QIcon dragIcon() const { return m_dragIcon; }
    void setDragIcon(const QIcon &icon) { m_dragIcon = icon; }
    // Begins a manual drag of the list and returns when it is dropped or cancelled.
    void drag();
    bool isDragging() const { return m_dragging; }

Q_SIGNALS:
    // The selection changed.
    void click();
    // A double click with the left button.
    void dblClick();
    // A typed character (Enter 13, Backspace 8 and Escape 27 included). A handler may change
    // keyAscii; 0 swallows the key.
    void keyPress(int &keyAscii);
    // The pointer moved over the list: button = the buttons held down.
    void mouseMove(int button, int shift, float x, float y);
    // A button was released over the list: button = the button released.
    void mouseUp(int button, int shift, float x, float y);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyboardSearch(const QString &search) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void selectionChanged();

    QIcon m_dragIcon;
    class RowDelegate;
    RowDelegate *m_rows;
    bool m_dragging = false;
    unsigned m_drags = 0;
    int m_silent = 0; // set while entries are added or removed
    int m_lastIndex = -1;
};

} // namespace kestrum
