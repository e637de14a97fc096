#include "logwindow.h"

#include "conversionlogmodel.h"
#include "twips.h"

#include <QListWidget>

namespace kestrum {

LogWindow::LogWindow(const ConversionLogModel &log, QWidget *parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Form5"));
    resize(twips::toPixels(3330), twips::toPixels(3195));
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    twips::setRect(List1, {45, 0, 3255, 3180});
    List1->addItems(log.lines());
    connect(&log, &ConversionLogModel::cleared, List1, &QListWidget::clear);
    connect(&log, &ConversionLogModel::appended, List1,
            [this, &log](int first, int count) { List1->addItems(log.lines().mid(first, count)); });
}

} // namespace kestrum
