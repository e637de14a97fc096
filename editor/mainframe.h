// The main frame p: a multiple-document window holding the editor window (and, when open, the
// substitution table window) as borderless children, showing the menus of the active child.
#pragma once

#include <QMainWindow>

class QMdiArea;
class QMdiSubWindow;

namespace kestrum {

class ChildWindow;
class EditorWindow;
class Program;

class MainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit MainFrame(Program &program);
    ~MainFrame() override;

    QMdiArea *mdiArea() const { return m_area; }
    // Places a new child window in a borderless sub-window (not shown yet).
    QMdiSubWindow *addChild(ChildWindow *child);
    EditorWindow *addEditor();

    // The frame's Activate handler: hides the splash window, gives the editor window the
    // frame's outer size at (0, 0) and shows it, then runs the active child's Activate.
    void activate();

    // The child whose menus the menu bar shows.
    ChildWindow *activeChild() const { return m_activeChild; }

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void childActivated(QMdiSubWindow *window);
    void showMenusOf(ChildWindow *child);

    Program &m_program;
    QMdiArea *m_area;
    ChildWindow *m_activeChild = nullptr;
    bool m_activating = false;
};

} // namespace kestrum
