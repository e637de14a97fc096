#include "listbox.h"

#include "richtextbox.h"
#include "twips.h"

#include "runtime/input.h"

#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace kestrum {

namespace {

// The character code a key press types, or 0 for a key that types none. Tab stays with focus
// navigation.
int typedCharacter(const QKeyEvent *event) {
    const QString text = event->text();
    if (text.size() != 1)
        return 0;
    const int c = text.at(0).unicode();
    if (c == 8 || c == 13 || c == 27 || (c >= 32 && c != 127))
        return c;
    return 0;
}

} // namespace

// The style's rows, or rows of one height set by the list.
class ListBox::RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (height > 0)
            size.setHeight(height);
        return size;
    }

    int height = 0;
};

ListBox::ListBox(QWidget *parent) : QListWidget(parent), m_rows(new RowDelegate(this)) {
    setItemDelegate(m_rows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    // MouseMove is raised for every move over the list, with or without a button held.
    viewport()->setMouseTracking(true);
    connect(this, &QListWidget::itemSelectionChanged, this, &ListBox::selectionChanged);
}

int ListBox::naturalRowHeight() const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Xg");
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height();
}

void ListBox::setRowHeight(int pixels) {
    if (m_rows->height == pixels)
        return;
    m_rows->height = pixels;
    doItemsLayout();
}

int ListBox::listIndex() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void ListBox::setListIndex(int index) {
    if (index < -1 || index >= count())
        return;
    if (index == -1) {
        clearSelection();
        return;
    }
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(index));
}

QString ListBox::text() const {
    const int index = listIndex();
    return index < 0 ? QString() : item(index)->text();
}

void ListBox::addEntry(const QString &text) {
    ++m_silent;
    addItem(text);
    --m_silent;
}

void ListBox::clearEntries() {
    ++m_silent;
    clear();
    m_lastIndex = -1;
    --m_silent;
}

int ListBox::findStringExact(const QString &text, int start) const {
    const int n = count();
    if (start < -1 || start >= n)
        start = -1;
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k) % n;
        if (item(i)->text().compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void ListBox::selectionChanged() {
    const int index = listIndex();
    if (index == m_lastIndex)
        return;
    m_lastIndex = index;
    if (!m_silent)
        Q_EMIT click();
}

void ListBox::drag() {
    if (m_dragging)
        return;
    m_dragging = true;
    ++m_drags;
    auto *drag = new QDrag(this);
    auto *data = new QMimeData;
    data->setData(RichTextBox::controlDragMimeType(), objectName().toUtf8());
    drag->setMimeData(data);
    if (!m_dragIcon.isNull()) {
        const QPixmap pointer = m_dragIcon.pixmap(32, 32);
        for (Qt::DropAction action : {Qt::CopyAction, Qt::MoveAction, Qt::IgnoreAction})
            drag->setDragCursor(pointer, action);
    }
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    // The release that ended the drag never reaches the view.
    setState(NoState);
    m_dragging = false;
}

void ListBox::keyPressEvent(QKeyEvent *event) {
    int keyAscii = typedCharacter(event);
    if (keyAscii == 0) {
        QListWidget::keyPressEvent(event);
        return;
    }
    Q_EMIT keyPress(keyAscii);
    event->accept();
    // A typed character moves the selection to the next entry that begins with it; Enter,
    // Backspace and Escape do nothing in a list.
    if (keyAscii >= 32)
        keyboardSearch(QString(QChar(keyAscii)));
}

void ListBox::keyboardSearch(const QString &search) {
    const int n = count();
    if (search.isEmpty() || n == 0)
        return;
    const QString first = search.left(1);
    const int start = listIndex();
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k) % n;
        if (item(i)->text().startsWith(first, Qt::CaseInsensitive)) {
            setListIndex(i);
            return;
        }
    }
}

void ListBox::mousePressEvent(QMouseEvent *event) {
    // Only the left button selects, and only on an entry: a press below the last entry keeps
    // the selection.
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        QListWidget::mousePressEvent(event);
    else
        event->accept();
}

void ListBox::mouseMoveEvent(QMouseEvent *event) {
    const QPointF at = viewport()->mapTo(this, event->position().toPoint());
    const unsigned drags = m_drags;
    Q_EMIT mouseMove(runtime::mouseButtonMask(event->buttons()),
                     runtime::shiftStateMask(event->modifiers()), float(at.x()) * twips::PerPixel,
                     float(at.y()) * twips::PerPixel);
    // After a drag the buttons are up, whatever this event says.
    if (m_drags == drags)
        QListWidget::mouseMoveEvent(event);
}

void ListBox::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        QListWidget::mouseReleaseEvent(event);
    const QPointF at = viewport()->mapTo(this, event->position().toPoint());
    Q_EMIT mouseUp(runtime::mouseButtonMask(event->button()),
                   runtime::shiftStateMask(event->modifiers()), float(at.x()) * twips::PerPixel,
                   float(at.y()) * twips::PerPixel);
}

void ListBox::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QListWidget::mouseDoubleClickEvent(event);
    Q_EMIT dblClick();
}

} // namespace kestrum
