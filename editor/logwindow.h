// Form5: the conversion log, one line for each word of the last conversion that could not be
// converted to its end (and the parts Open Unicode File could not spell). A tool window of its
// own, not a child of the frame; its list List1 shows the session's ConversionLogModel.
#pragma once

#include <QWidget>

class QListWidget;

namespace kestrum {

class ConversionLogModel;

class LogWindow : public QWidget {
    Q_OBJECT

public:
    explicit LogWindow(const ConversionLogModel &log, QWidget *parent = nullptr);

    QListWidget *List1;
};

} // namespace kestrum
