// A window that lives in the main frame's MDI area.
#pragma once

#include <QList>
#include <QWidget>

class QAction;

namespace kestrum {

class ChildWindow : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    // What the frame's menu bar shows while this window is the active child: menus (their
    // menuAction()) and commands of the bar itself.
    virtual QList<QAction *> menuBarActions() const = 0;
    // The window's Activate handler: runs each time it becomes the active child, and after
    // the frame re-activates and resizes it.
    virtual void activate() = 0;
};

} // namespace kestrum
