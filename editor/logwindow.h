// Form5: the conversion log, one line for each word of the last conversion that could not be
// converted to its end. A tool window of its own, not a child of the frame.
#pragma once

#include <QWidget>

class QListWidget;

namespace kestrum {

class LogWindow : public QWidget {
    Q_OBJECT

public:
    explicit LogWindow(QWidget *parent = nullptr);

    QListWidget *List1;
};

} // namespace kestrum
