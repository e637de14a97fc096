// Form5: the conversion log, one line for each word of the last conversion that could not be
// converted to its end (and the parts Open Unicode File could not spell). A tool window of its
// own, not a child of the frame; its list List1 shows the session's ConversionLogModel. Its
// lines are selected and copied (Ctrl+A, Ctrl+C, the pop-up menu's Copy) one per line.
#pragma once

#include <QWidget>

class QListWidget;

namespace kestrum {

class ConversionLogModel;

class LogWindow : public QWidget {
    Q_OBJECT

public:
    explicit LogWindow(const ConversionLogModel &log, QWidget *parent = nullptr);

    // The selected lines, in the list's order, on the clipboard (nothing when none is).
    void copySelection();

    QListWidget *List1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace kestrum
