// The editor window Form1: the input area Text1, the output area text2 in the glyph-code font
// (SutonnyMJ, or Kestrum Bangla), the conversion button Command1 (a Glimmet created through
// the control runtime) in its frame Shape1, the menus File, Edit, View and Help, and the
// pop-up menu cl.
//
// Conversion runs from the button, from "Convert it!", and from the input area's events while
// its text changed since the last conversion (inputChanged): a word ended by Space or Enter, a
// caret movement, a click. The program's EditorSession runs the conversions and keeps
// inputChanged and conversionOutput, the output area's text.
#pragma once

#include "childwindow.h"
#include "commondialog.h"
#include "editorsession.h"
#include "richtextbox.h"

#include <array>
#include <memory>
#include <optional>

class QAction;
class QKeyEvent;
class QLabel;
class QMenu;

namespace kestrum {

class HostedControl;
class EditorWindowHost;
class Shape;
class SpellingChecker;
class SpellingMarks;
namespace sutonnymj {
class Romaniser;
}

class EditorWindow : public ChildWindow {
    Q_OBJECT

public:
    explicit EditorWindow(EditorWindowHost &host, QWidget *parent = nullptr);
    ~EditorWindow() override;

    // The Load handler: keeps the design heights, marks the main window shown, forces Caps
    // Lock on and resets the file names.
    void load();
    // The Activate handler: lays the controls out, clears inputChanged and gives the input
    // area (or, with the table window open, the output area) the focus.
    void activate() override;
    QList<QAction *> menuBarActions() const override;

    // Sizes and places the areas, the label, the button and its frame for the window's size.
    void layoutControls();
    // Where layoutControls puts the bottom of the lowest control (the button's frame) for a
    // window `height` twips high; the left part of the window the label needs, in twips.
    float lowestControlBottom(float height) const;
    static float labelRight();
    // The right edge of the conversion button and its frame as placed now, and as designed.
    float buttonRight() const;
    static float designButtonRight();
    // Centres the conversion button 20 twips left of the window's centre line, its frame on it.
    void centreButton();

    // Event handlers, public so other windows and tests reach them as the events would.
    void text1Change();
    void text1Click();
    void text1KeyDown(int keyCode, int shift);
    void text1KeyPress(int charCode);
    // After the key of text1KeyDown went in: a Space or Enter that ended a word converts now.
    void text1KeyApplied(int keyCode, int shift);
    // A change the user made inside the input area (typing, paste, cut, drop, its own undo).
    void text1Edited();
    void text2Change();
    void text2FocusChanged(bool hasFocus);
    void text2DragDrop(const DropSource &source, int x, int y);
    void command1Click();
    // "Clear": empties the active rich-text area.
    void clearActiveArea();
    void showPopupMenu();

    // File menu. New asks whether to save first when the user typed since the last save; the
    // saves return whether a file was written (false: cancelled, or the user was told why).
    void newText();
    bool saveEnglishFile();
    bool saveBanglaFile();
    void loadFile();
    // Edit menu: the case of the input area's selection, and back to the whole text before
    // the last case change. Each is one step of the input area's own undo history, so its Undo
    // (Alt+Backspace, its context menu) takes it back. New and Clear of the input forget the
    // text kept for Undo Case.
    void upperCase();
    void lowerCase();
    void undoCase();
    // View menu: the Font Size check marks for the active area, set when the menu opens; a
    // size for the active area's font; the log window.
    void viewMenuOpened();
    void fontSizeClick(int index);
    void viewLog();
    // View > Bangla Font: SutonnyMJ or Kestrum Bangla for the glyph codes (the output area,
    // its label, the conversion button and the table window's glyph list). The items are
    // enabled only when both fonts are installed; the one that draws the output is checked.
    void glyphFontMenuOpened();
    // Sets the output area (keeping its size), its label and the button in the program's
    // glyphFontFamily() and lays the window out again for the label's height.
    void applyGlyphFont();
    // Unicode: the output area's selection (or all of it) as Unicode text on the clipboard;
    // the output area as a UTF-8 file; a UTF-8 file of Unicode Bengali romanised into the input
    // area and converted, its words with no spelling kept as they are and listed in the log.
    // Unicode Bengali pasted into the output area goes in as its glyph codes (pasteIntoOutput).
    void copyAsUnicode();
    bool saveUnicodeFile();
    void openUnicodeFile();
    static QString pasteIntoOutput(const QString &text);
    // View > Check Spelling: the output area's words that the installed word list does not
    // hold are underlined; the area's context menu on such a word offers the list's words one
    // key away (spellingSuggestions), and choosing one (takeSuggestion) replaces the word in the
    // output and its keys in the input, so the next conversion writes it again.
    bool checksSpelling() const;
    struct Spelling {
        int start = -1; // the word in the output area (characters before it)
        int length = 0;
        QList<QPair<QString, QString>> suggestions; // (glyphs, keys)
        // The converted word of the input it is, if it is one (not text the user put there).
        std::optional<EditorSession::ConvertedWord> converted;
    };
    // The marked word at `position` of the output area and its suggestions (start -1: none).
    Spelling spellingSuggestions(int position);
    void takeSuggestion(const Spelling &word, int index);
    // The rich-text area that has (or last had) the window's focus, or null when another
    // control has it.
    RichTextBox *activeArea() const;

    // The conversion button as windowkit hosts it (null when it could not be created).
    HostedControl *command1() const;

    // For the docked table window: widens the window and its two areas by `by` (narrows them
    // for a negative `by`); the bottom of the conversion button (none without one); whether
    // the output area shows its selection without the focus; glyphs that replace the output
    // area's selection, conversionOutput following, the focus going to the area.
    void widenBy(float by);
    std::optional<float> buttonBottom() const;
    void setOutputSelectionShown(bool shown);
    void insertIntoOutput(const QString &glyphs);
    // Puts a text (the session's output, marked) into the output area, the caret keeping its
    // place in the text around it.
    void setOutputText(const QString &text);

    // State: typing since the last save; the files last saved or loaded; the text Undo Case
    // brings back; the Font Size points; the design heights Load keeps.
    bool typedSinceSave() const { return m_typedSinceSave; }
    void setTypedSinceSave(bool typed) { m_typedSinceSave = typed; }
    QString englishFileName() const { return m_englishFileName; }
    void setEnglishFileName(const QString &name) { m_englishFileName = name; }
    QString banglaFileName() const { return m_banglaFileName; }
    void setBanglaFileName(const QString &name) { m_banglaFileName = name; }
    QString unicodeFileName() const { return m_unicodeFileName; }
    QString caseUndoText() const { return m_caseUndoText; }
    bool hasCaseUndo() const { return m_hasCaseUndo; }
    std::array<double, 6> fontSizes() const { return m_fontSizes; }
    float designFormHeight() const { return m_designFormHeight; }
    float designInputHeight() const { return m_designInputHeight; }
    float designOutputHeight() const { return m_designOutputHeight; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    // Label2 at its design size, or larger where its font needs more room.
    void fitLabel2();
    void createActions();
    void createMenus();
    void releaseHeldKeys();
    void forgetCaseUndo();
    bool isMenuShortcut(const QKeyEvent *event) const;
    void offerSpellings(QMenu &menu, int position);

    // Controls, by their names (the tests find them by these object names).
    QLabel *Label1;
    RichTextBox *Text1;
    QLabel *Label2;
    RichTextBox *text2;
    Shape *Shape1;
    QWidget *Command1 = nullptr; // the Glimmet's widget
    CommonDialog C{this};        // the file dialogs

    // Menus and their items.
    QMenu *fl, *s, *VW, *FS, *help, *cl;
    QAction *clsn, *sav, *savb, *lda, *s123, *lac, *exit;
    QAction *uc, *uca, *lc, *VLA, *st, *ab;
    std::array<QAction *, 6> SZ{};
    QAction *clsa, *clab;
    // The Unicode and font items, each placed after the menu's other items: File > Save Unicode
    // File..., Open Unicode File...; Edit > Copy as Unicode; View > Bangla Font > SutonnyMJ,
    // Kestrum Bangla.
    QAction *s124, *savu, *ldu, *cpu;
    QMenu *BF;
    QAction *bfs, *bfk;
    // View > Check Spelling, after the menu's other items.
    QAction *spc;

    bool m_typedSinceSave = false;
    QString m_englishFileName;
    QString m_banglaFileName;
    QString m_unicodeFileName;
    QString m_caseUndoText;
    bool m_hasCaseUndo = false; // m_caseUndoText holds a text from a case change
    std::array<double, 6> m_fontSizes{};
    float m_designFormHeight = 0;
    float m_designInputHeight = 0;
    float m_designOutputHeight = 0;

    EditorWindowHost &m_host;
    std::unique_ptr<HostedControl> m_command1;
    std::unique_ptr<SpellingChecker> m_spelling;
    SpellingMarks *m_marks = nullptr; // the output document's
    std::unique_ptr<sutonnymj::Romaniser> m_romaniser;
    // Keys typed into the input area while a conversion runs, delivered when it ends.
    QList<QEvent *> m_heldKeys;
    // The key (32 or 13) whose text1KeyApplied converts; 0 for none.
    int m_convertAfterKey = 0;
};

} // namespace kestrum
