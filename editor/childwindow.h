// A window that lives in the main frame's MDI area.
#pragma once

#include <QList>
#include <QWidget>

class QMenu;

namespace kestrum {

class ChildWindow : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    // The menus the frame's menu bar shows while this window is the active child.
    virtual QList<QMenu *> menuBarMenus() const = 0;
    // The window's Activate handler: runs each time it becomes the active child, and after
    // the frame re-activates and resizes it.
    virtual void activate() = 0;
};

} // namespace kestrum
