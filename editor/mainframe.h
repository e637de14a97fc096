// The main frame p: a multiple-document window holding the editor window (and, when open, the
// substitution table window) as borderless children, showing the menus of the active child.
#pragma once

#include "childwindow.h"
#include "dock.h"
#include "twips.h"

#include <QMainWindow>
#include <QPointer>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QWindow;

namespace kestrum {

class EditorWindow;
class MainFrameHost;

class MainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit MainFrame(MainFrameHost &host);
    ~MainFrame() override;

    QMdiArea *mdiArea() const { return m_area; }
    // Places a new child window in a borderless sub-window (not shown yet).
    QMdiSubWindow *addChild(ChildWindow *child);
    // Shows a child placed by addChild and makes it the active child.
    void showChild(ChildWindow *child);
    // Takes a child out of the frame (it is deleted once control returns to the event loop)
    // and makes the editor window the active child.
    void removeChild(ChildWindow *child);

    // The frame's Activate handler: hides the splash window, gives the editor window the
    // frame's outer size at (0, 0) (less the docked table window's width) and shows it, then
    // runs the active child's Activate. Runs at start-up and when the window system activates
    // the frame from within Kestrum (one of its windows or dialogs closing, a switch from
    // another of its windows), not when the user comes back from another program.
    void activate();

    // The smallest size that keeps every control reachable: the editor's conversion button
    // (and the table window's group buttons, level with it) inside the visible part of the
    // frame, and room beside a docked table window for the editor's label and button. No more
    // than the screen's available area holds. Set as the frame's minimum size on activation.
    QSize reachableMinimumSize() const;

    // Where the table window stands. The frame lays the editor out from it: narrowed by the
    // table window's width while Docked, following the frame's size except while it slides.
    Dock dock() const { return m_dock; }
    void setDock(Dock dock) { m_dock = dock; }

    // The child whose menus the menu bar shows.
    ChildWindow *activeChild() const { return m_activeChild; }

    // The status bar's notice after a conversion that logged words it could not convert
    // ("N words could not be converted - see View Log"; "" after one that logged none).
    // Clicking it opens the log window.
    QLabel *logNotice() const { return m_logNotice; }
    static QString logNoticeText(int words);

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The editor window's place: the frame's outer size, less the width of a docked table
    // window.
    twips::Rect editorRect() const;
    void childActivated(QMdiSubWindow *window);
    void focusWindowChanged(QWindow *window);
    void showConversionLog();
    // The first size and place: the design size, no larger than the screen's available area
    // (with room for the window system's title bar), centred on it, the title bar on it.
    void fitIntoScreen();
    void updateMinimumSize();
    void keepButtonInside(EditorWindow *editor);
    void showMenusOf(ChildWindow *child);

    MainFrameHost &m_host;
    QMdiArea *m_area;
    QLabel *m_logNotice;
    QPointer<ChildWindow> m_activeChild;
    Dock m_dock = Dock::Closed;
    bool m_activating = false;
    // Since the last activation of the frame, the focus left all of Kestrum's windows.
    bool m_returningFromOutside = false;
};

} // namespace kestrum
