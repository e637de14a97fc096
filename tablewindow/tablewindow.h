// The substitution table window Form3: one category of the romanisation at a time, as two
// paired lists (List1 the glyph strings in the glyph-code font, SutonnyMJ or Kestrum Bangla;
// List2 the keys), seven Glimmet buttons fbs that choose the category, and the pop-up menu
// cota that does the same from the lists.
//
// The window is a borderless child of the main frame, docked along the right-hand side of the
// editor window. It slides in from the right when the editor's Help > Substitution Table opens
// it (slideIn), narrowing the editor by its own width, and slides out when it closes
// (closeTableWindow, from its menu-bar command CLS or from About), giving the room back. It
// reads the table files itself for every category, so the lists show the records in file
// order and each field exactly as written. It reaches the editor and the frame only through its
// TableWindowHost.
#pragma once

#include "childwindow.h"

#include <QString>

#include <array>
#include <memory>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;

namespace kestrum {

class HostedControl;
class ListBox;
class TableWindowHost;

// The positions a slide takes, in twips and single precision, the last one exact.
// Opening: 15 positions from `frameWidth` (just outside the frame) down to
// frameWidth - windowWidth in 14 equal steps; none for a window without width.
std::vector<float> slideInPositions(float frameWidth, float windowWidth);
// Closing: 13 positions from `left` to `frameWidth` in 12 equal steps; none when the two are
// equal.
std::vector<float> slideOutPositions(float left, float frameWidth);

class TableWindow : public ChildWindow {
    Q_OBJECT

public:
    // The categories, in button order.
    static constexpr int CategoryCount = 7;
    static constexpr int Consonants = 4;
    static constexpr int Fragments = 6;

    explicit TableWindow(TableWindowHost &host, QWidget *parent = nullptr);
    ~TableWindow() override;

    // Draws List1 in the host's glyphFontFamily(), after the user chose another.
    void applyGlyphFont();
    // Loads the window: it shows the consonants, nothing selected, an empty keyBuffer.
    void load();
    // Form_Activate: layoutTableWindow.
    void activate() override;
    QList<QAction *> menuBarActions() const override;

    // The opening: places the window just outside the frame's right edge, shows it, slides it
    // in, then narrows the editor window and its two areas by the window's width and centres
    // the conversion button in the narrower editor.
    void slideIn();
    // Matches the window's height to the editor window and stretches the lists down to the
    // button frame, whose bottom lines up with the editor's conversion button.
    void layoutTableWindow();
    // Widens the editor window again, slides out, re-centres the conversion button and
    // unloads the window.
    void closeTableWindow();
    // The editor window has been narrowed for this window (from the end of slideIn until the
    // start of closeTableWindow).
    bool isDocked() const;

    // The Click of fbs(index) and of cot(index).
    void selectCategory(int index);
    // Fills both lists with category n. A table file that is missing or too short leaves the
    // lists empty and tells the user which file.
    void fillCategory(int n);

    // Event handlers, public so tests reach them as the events would.
    void list1Click();
    void list2Click();
    void list1DblClick();
    void list1MouseMove(int button, int shift, float x, float y);
    void list1MouseUp(int button, int shift, float x, float y);
    void list2MouseUp(int button, int shift, float x, float y);
    void list2KeyPress(int &keyAscii);

    // fbs(i) as windowkit hosts it (null when it could not be created).
    HostedControl *fbsButton(int i) const;

    // The category shown, and the keys typed into List2 since the last look-up.
    int currentCategory() const { return m_currentCategory; }
    QString keyBuffer() const { return m_keyBuffer; }

private:
    void createControls();
    void createMenus();
    // Gives both lists the taller of their two row heights.
    void levelRows();
    void setButtonColour(int index, bool current);
    QString buttonCaption(int index) const;

    // Controls, by their names (the tests find them by these object names).
    QLabel *Label1;
    ListBox *List1;
    ListBox *List2;
    QGroupBox *Frame1; // the group of category buttons fbs (their parent)
    std::array<QWidget *, CategoryCount> fbs{};
    QAction *CLS;
    QMenu *cota;
    std::array<QAction *, CategoryCount> cot{};

    int m_currentCategory = Consonants;
    QString m_keyBuffer;
    TableWindowHost &m_host;
    std::array<std::unique_ptr<HostedControl>, CategoryCount> m_fbs;
};

} // namespace kestrum
