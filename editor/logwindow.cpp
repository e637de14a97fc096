#include "logwindow.h"

#include "conversionlogmodel.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QListWidget>

#include <algorithm>

namespace kestrum {

LogWindow::LogWindow(const ConversionLogModel &log, QWidget *parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Form5"));
    resize(twips::toPixels(3330), twips::toPixels(3195));
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    twips::setRect(List1, {45, 0, 3255, 3180});
    // The lines are for reading elsewhere too: one, several (Shift, Ctrl) or all (Ctrl+A) are
    // selected and copied with Ctrl+C or the list's pop-up menu.
    List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List1->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *copy = new QAction(QStringLiteral("Copy"), List1);
    copy->setObjectName(QStringLiteral("copy"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    auto *selectAll = new QAction(QStringLiteral("Select All"), List1);
    selectAll->setObjectName(QStringLiteral("selectAll"));
    selectAll->setShortcut(QKeySequence::SelectAll);
    selectAll->setShortcutContext(Qt::WidgetShortcut);
    List1->addActions({copy, selectAll});
    // The list's own Ctrl+C copies its current line only.
    List1->installEventFilter(this);
    connect(copy, &QAction::triggered, this, &LogWindow::copySelection);
    connect(selectAll, &QAction::triggered, List1, &QListWidget::selectAll);
    List1->addItems(log.lines());
    connect(&log, &ConversionLogModel::cleared, List1, &QListWidget::clear);
    connect(&log, &ConversionLogModel::appended, List1,
            [this, &log](int first, int count) { List1->addItems(log.lines().mid(first, count)); });
}

bool LogWindow::eventFilter(QObject *watched, QEvent *event) {
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (watched != List1 || !key)
        return QWidget::eventFilter(watched, event);
    const auto *pressed = static_cast<QKeyEvent *>(event);
    const bool copy = pressed->matches(QKeySequence::Copy);
    if (!copy && !pressed->matches(QKeySequence::SelectAll))
        return QWidget::eventFilter(watched, event);
    // The keys are the list's own: the editor's shortcuts (Ctrl+A is "Convert it!", which
    // would start the log afresh) reach a tool window of the frame too.
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        if (copy)
            copySelection();
        else
            List1->selectAll();
    }
    return true;
}

void LogWindow::copySelection() {
    QList<QListWidgetItem *> selected = List1->selectedItems();
    if (selected.isEmpty())
        return;
    // In the list's order, whatever order they were selected in.
    std::sort(selected.begin(), selected.end(), [this](QListWidgetItem *a, QListWidgetItem *b) {
        return List1->row(a) < List1->row(b);
    });
    QStringList lines;
    for (const QListWidgetItem *item : selected)
        lines << item->text();
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

} // namespace kestrum
