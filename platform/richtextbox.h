// The rich-text area of the editor window: a QTextEdit that reads and writes its content as
// plain text with CR LF line breaks, keeps one font of its own for the whole content, saves
// itself as RTF and reports its events the way the editor handles them.
#pragma once

#include "runtime/input.h"

#include <QByteArray>
#include <QFont>
#include <QKeySequence>
#include <QString>
#include <QTextEdit>

#include <functional>

class QListWidget;
class QMenu;
class QTextCharFormat;
class QTextCursor;

namespace kestrum {

// A control dropped on an area, as the drop handler sees it.
struct DropSource {
    QWidget *widget = nullptr; // may be null (a drop from another program)
    bool isListBox = false;    // the source is a list box (QListWidget)
    QString name;              // its objectName
    QString itemText;          // a list box's selected entry's text ("" when none)
};

// RTF for `text` (CR LF, lone CR or LF line breaks) set in `font`: one font table entry
// naming the font's family, its size in half points, \par for every line break, \'xx for
// the Windows-1252 bytes 0x80-0xFF and for the control characters below 0x20 (all kept), \uN?
// for characters outside Windows-1252 (a lone half of a surrogate pair as U+FFFD), \\ \{ \}
// escaped, \tab for tabs. Latin characters (marked as RichTextBox::markedText marks them) are
// written in groups set in a second font table entry naming `latinFamily`.
QByteArray toRtf(const QString &text, const QFont &font, const QString &latinFamily = QString());

class RichTextBox : public QTextEdit {
    Q_OBJECT

public:
    explicit RichTextBox(QWidget *parent = nullptr);

    // The whole content as plain text with CR LF line breaks.
    QString text() const;

    // Latin runs: characters the area draws in its Latin font (latinFamily) rather than its
    // own, because they are text of their own and not codes of the area's font. The marked
    // text writes each of them as LatinMark + its code (a code point of the private-use planes
    // 15 and 16; characters from U+20000 on are never Latin). setText, setSelText and a paste
    // filter's result may hold marked characters; what the user types continues the run the
    // caret is in.
    static constexpr char32_t LatinMark = 0xF0000;
    static QString markLatin(QStringView text);
    static QString unmarked(const QString &text);
    static bool hasLatin(const QString &markedText);
    // Whether the document's characters in `format` are Latin (drawn in the Latin font).
    static bool isLatin(const QTextCharFormat &format);
    // Whether a marked character starts at text[i].
    static bool isMarkedAt(QStringView text, qsizetype i);
    QString latinFamily() const { return m_latinFamily; }
    void setLatinFamily(const QString &family) { m_latinFamily = family; }
    // text() and selText() with the Latin characters marked.
    QString markedText() const;
    QString markedSelText() const;
    // The content as the document holds it, without a copy: paragraphs end with U+2029 and
    // Shift+Enter breaks are U+2028, which text() both turns into CR LF.
    QString rawText() const;
    // Replaces the whole content (CR LF, lone CR and LF are line breaks) and raises change()
    // once, also when the new text equals the old. The caret goes to the start. The area's own
    // undo history starts afresh. Where the new text keeps most of the old one (one word
    // changed), only the part between their common beginning and end is edited, so the
    // document lays out only the blocks that changed; the result is the same.
    void setText(const QString &text);
    // Whether setText may edit only the changed part (on by default). Off, it always rebuilds
    // the whole document; the result is the same, only slower on long texts.
    bool partialUpdate() const { return m_partialUpdate; }
    void setPartialUpdate(bool on) { m_partialUpdate = on; }
    // Replaces the whole content like setText, but as one step of the area's own undo history,
    // so its Undo brings back what was there (and its Redo the replacement again). Raises
    // change() once; the caret goes to the start.
    void replaceText(const QString &text);

    // The caret position: the number of characters before it, a line break counting as one
    // (with a selection, the position of its start).
    int selStart() const;
    // Moves the caret (removing any selection); a value at or past the end puts it after the
    // last character, a negative one at the start.
    void setSelStart(int position);
    // The selected text with CR LF line breaks ("" when nothing is selected).
    QString selText() const;
    // Replaces the selection, or inserts at the caret when nothing is selected; the caret ends
    // after the new text; raises change() once.
    void setSelText(const QString &text);

    // The content as RTF (toRtf of markedText() in the area's font, named as rtfFontFamily
    // says, and the Latin family).
    QString textRTF() const;
    // The family the RTF names: empty (the default) for the family of the area's own font,
    // or a family of its own, so an area shown in a stand-in font names the font its text is
    // written for.
    QString rtfFontFamily() const { return m_rtfFontFamily; }
    void setRtfFontFamily(const QString &family) { m_rtfFontFamily = family; }

    // The point size of the area's own font (the whole content's font); may have a fraction.
    double fontSize() const;
    void setFontSize(double points);
    // The area's own font; setting it applies to the whole content and raises no change().
    QFont controlFont() const;
    void setControlFont(const QFont &font);

    // Writes textRTF() to `path` as a whole or not at all (a temporary file, then renamed over
    // it; a symbolic link is followed). Anything but a regular file or a missing name (a
    // folder, a FIFO, a device) is refused and left as it is. On failure returns false with a
    // message naming the file and the system's reason in *error.
    bool saveFile(const QString &path, QString *error = nullptr) const;

    // The output-area switch: whether the selection is hidden while the area does not have
    // the focus (on by default). Off, the caret position and selection stay visible while
    // another window is being used, so the user sees where an insertion will land.
    bool hideSelection() const { return m_hideSelection; }
    void setHideSelection(bool hide);

    // Handles a drop of `source` at `position` (pixels, in the area's coordinates): raises
    // dragDrop with the source described and the position in twips. dropEvent forwards here;
    // tests call it directly.
    void dropFrom(QWidget *source, const QPoint &position);

    // Text pasted or dropped into the area passes through `filter` first (none: it goes in as
    // it is). Control drops are not text and do not pass.
    void setPasteFilter(std::function<QString(const QString &)> filter);

    // Called with the area's context menu before it shows, and the position in the document
    // it was asked for at (the mouse's, or the caret's from the keyboard): the window adds its
    // own items.
    void setContextMenuHook(std::function<void(QMenu &, int)> hook) {
        m_contextMenuHook = std::move(hook);
    }

    // A text longer than LongPastePiece characters that is pasted or dropped goes in piece by
    // piece, letting pending events run between pieces so the window stays responsive (the
    // area is read-only meanwhile); it is still one edit: one undo step, one change() and
    // edited() at its end. `carryOn` is asked after each piece; false stops the paste there
    // (the program is ending). Without a check the paste always goes on to its end.
    void setLongPasteCheck(std::function<bool()> carryOn);
    static constexpr qsizetype LongPastePiece = qsizetype(1) << 16;
    // Whether a long paste is going in now.
    bool isPasting() const { return m_pasting; }

    // The MIME type a list box puts on the drags that this area accepts as control drops.
    static QString controlDragMimeType();

    // The virtual-key code of a Qt key, as keyDown carries it (runtime::virtualKey).
    static int virtualKey(int qtKey) { return runtime::virtualKey(qtKey); }

    // The area's own undo and redo keys, besides those of the platform: Alt+Backspace undoes,
    // Ctrl+Shift+Z redoes. Its context menu names these.
    static QKeySequence undoKey();
    static QKeySequence redoKey();

Q_SIGNALS:
    // After every change of the content: typed, pasted, dropped or written by the program.
    void change();
    // After a change the user made inside the area (typed, pasted, cut, dropped, the area's
    // own undo and redo), not one written by the program; right after its change().
    void edited();
    // A mouse click into the area (press and release without a drag).
    void clicked();
    void doubleClicked();
    // Before the key takes effect.
    void keyDown(int keyCode, int shift); // shift: runtime::ShiftStateMask values, combined
    // For a key that produces a character, Backspace (8) and Enter (13) included, after
    // keyDown and before the character is inserted.
    void keyPress(int charCode);
    // After keyDown's key has taken effect (inserted, deleted, moved the caret, or nothing).
    void keyApplied(int keyCode, int shift);
    // A control was dropped on the area (x, y in twips).
    void dragDrop(const kestrum::DropSource &source, int x, int y);
    // The area gained (true) or lost (false) the keyboard focus.
    void focusChanged(bool hasFocus);

protected:
    // keyDown, then keyPress, then the key's effect, then keyApplied.
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    QFont rtfFont() const;
    // The raw document text of [from, to) with its Latin characters marked.
    QString markedRaw(int from, int to) const;
    // Inserts marked `text` (LF line breaks) at `cursor`, the Latin characters in the Latin
    // font and the others in the area's own.
    void insertMarked(QTextCursor &cursor, const QString &text);
    // Sets the formats of the Latin characters of marked `text` (as setText gives it to the
    // document) and clears every other character's.
    void applyLatinRuns(const QString &text);
    // setText's edit of the changed part of the document to `raw` (the raw document text it
    // is to hold: blocks separated by U+2029), which also makes it m_reportedText and leaves
    // `raw` holding the text it replaced; false, with nothing done, when most of the text
    // changed and a rebuild costs no more.
    bool replaceChangedPart(QString &raw);
    // The document's raw text, read from m_reportedText where that is current; `ownEdits`:
    // how many of the area's own edits the caller is inside of.
    QString currentRawText(int ownEdits) const;
    void onContentsChange(int from, int charsRemoved, int charsAdded);
    void applySelectionPalette();

    // The long paste: `text` inserted at the caret piece by piece.
    void insertLongText(const QString &text);

    std::function<QString(const QString &)> m_pasteFilter;
    std::function<void(QMenu &, int)> m_contextMenuHook;
    std::function<bool()> m_longPasteCheck;
    bool m_pasting = false;
    bool m_hideSelection = true;
    bool m_partialUpdate = true;
    QString m_rtfFontFamily;
    QString m_latinFamily;
    bool m_hasLatin = false; // the document may hold Latin characters
    // Set while the area changes its own content; the change is reported once by hand.
    int m_programChange = 0;
    // The raw content as last reported, to tell a content change from a format-only one.
    QString m_reportedText;
    QString m_newRawText; // setText's scratch: the raw text it is to show
    // Click tracking: a left press that has not turned into a drag or a double click.
    QPoint m_pressPosition;
    bool m_clickPending = false;
};

} // namespace kestrum
