#include "logwindow.h"

#include "twips.h"

#include <QListWidget>

namespace kestrum {

LogWindow::LogWindow(QWidget *parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Form5"));
    resize(twips::toPixels(3330), twips::toPixels(3195));
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    twips::setRect(List1, {45, 0, 3255, 3180});
}

} // namespace kestrum
