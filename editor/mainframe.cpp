#include "mainframe.h"

#include "artwork.h"
#include "editorsession.h"
#include "editorwindow.h"
#include "mainframehost.h"
#include "tablewindow.h"
#include "twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace kestrum {

namespace {
// The frame's first size: the editor window's design size with room for the menu bar.
constexpr int InitialWidthTwips = 12000;
constexpr int InitialHeightTwips = 9000;
} // namespace

MainFrame::MainFrame(MainFrameHost &host)
    : m_host(host), m_area(new QMdiArea(this)), m_logNotice(new QLabel(this)) {
    setObjectName(QStringLiteral("p"));
    setWindowTitle(QStringLiteral("Kestrum"));
    setWindowIcon(programIcon());
    m_area->setObjectName(QStringLiteral("MDIArea"));
    m_area->setBackground(QColor(192, 192, 192));
    // The editor window is given the frame's outer size, which reaches below the client area;
    // scroll bars for that strip would only get in the way.
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setCentralWidget(m_area);
    connect(m_area, &QMdiArea::subWindowActivated, this, &MainFrame::childActivated);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &MainFrame::focusWindowChanged);
    // Words that cannot be converted leave nothing in the output: the status bar says so.
    m_logNotice->setObjectName(QStringLiteral("logNotice"));
    m_logNotice->setCursor(Qt::PointingHandCursor);
    m_logNotice->installEventFilter(this);
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->addWidget(m_logNotice, 1);
    // It counts the log as it stands when a conversion ends, and again when anything changes
    // the log afterwards (Open Unicode File puts its parts in the place of the log's lines).
    connect(&m_host.session(), &EditorSession::conversionFinished, this,
            &MainFrame::showConversionLog);
    connect(&m_host.session().log(), &ConversionLogModel::cleared, this, [this] {
        if (!m_host.session().isConverting())
            showConversionLog();
    });
    connect(&m_host.session().log(), &ConversionLogModel::appended, this, [this] {
        if (!m_host.session().isConverting())
            showConversionLog();
    });
    fitIntoScreen();
}

void MainFrame::fitIntoScreen() {
    QSize size(twips::toPixels(InitialWidthTwips), twips::toPixels(InitialHeightTwips));
    const QScreen *screen = this->screen();
    if (!screen) {
        resize(size);
        return;
    }
    const QRect available = screen->availableGeometry();
    // The window system's frame is not known before the window is shown: leave room for a
    // title bar and borders of a common size, so the title bar (and the menu bar under it)
    // start on the screen.
    constexpr int Border = 4;
    const QSize frame(2 * Border,
                      style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 2 * Border);
    size = size.boundedTo(available.size() - frame);
    resize(size);
    const QSize outer = size + frame;
    const QPoint centred = available.center() - QPoint(outer.width() / 2, outer.height() / 2);
    move(std::max(centred.x(), available.left()), std::max(centred.y(), available.top()));
}

QSize MainFrame::reachableMinimumSize() const {
    const EditorWindow *editor = m_host.editor();
    if (!editor)
        return {};
    // The editor is as high as the frame's outer height, which exceeds the visible part of the
    // area by the menu bar, the status bar and the window system's frame (d): the lowest
    // control, at a + b H for an editor H high, is visible while a + b (h + d) <= h.
    const float d = twips::outerHeight(this) - twips::fromPixels(m_area->height());
    const float a = editor->lowestControlBottom(0);
    const float b = (editor->lowestControlBottom(10000) - a) / 10000;
    constexpr float Margin = 60;
    const float visible = b < 1 ? (a + b * d) / (1 - b) + Margin : a + Margin;
    const int height = twips::toPixels(visible) + this->height() - m_area->height();
    // The button where it is designed, and beside a docked table window the editor's label
    // and its centred button.
    constexpr float TableWidth = 3420, EditorRoom = 600;
    const int width =
        twips::toPixels(std::max(EditorWindow::designButtonRight() + EditorRoom,
                                 TableWidth + EditorWindow::labelRight() + EditorRoom) +
                        twips::outerWidth(this) - twips::fromPixels(m_area->width()));
    QSize minimum(width, height);
    if (const QScreen *screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        const QSize frame = frameGeometry().size() - this->size();
        minimum = minimum.boundedTo(available.size() - frame);
    }
    return minimum;
}

void MainFrame::updateMinimumSize() {
    const QSize minimum = reachableMinimumSize();
    if (minimum.isValid() && minimum != minimumSize())
        setMinimumSize(minimum);
}

void MainFrame::keepButtonInside(EditorWindow *editor) {
    // The button keeps its place when the frame narrows; placed by an earlier, wider frame (a
    // table window centres it), it would end up beyond the right edge.
    if (editor->buttonRight() > twips::width(editor))
        editor->centreButton();
}

MainFrame::~MainFrame() {
    // The area and its sub-windows go later, with the QWidget part of this window; what they
    // report then must not reach this object's handlers.
    m_area->disconnect(this);
    if (qGuiApp)
        qGuiApp->disconnect(this);
    for (QMdiSubWindow *sub : m_area->subWindowList())
        sub->removeEventFilter(this);
}

QMdiSubWindow *MainFrame::addChild(ChildWindow *child) {
    QMdiSubWindow *sub = m_area->addSubWindow(child, Qt::FramelessWindowHint);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    // No frame, so the child's own geometry is the sub-window's.
    sub->setContentsMargins(0, 0, 0, 0);
    sub->installEventFilter(this);
    // The window comes in at its design size.
    sub->resize(child->size());
    return sub;
}

void MainFrame::showChild(ChildWindow *child) {
    auto *sub = qobject_cast<QMdiSubWindow *>(child->parentWidget());
    if (!sub)
        return;
    sub->show();
    m_area->setActiveSubWindow(sub);
}

void MainFrame::removeChild(ChildWindow *child) {
    auto *sub = qobject_cast<QMdiSubWindow *>(child->parentWidget());
    if (!sub)
        return;
    sub->removeEventFilter(this);
    sub->hide();
    // Still a child of the area until it goes, so it goes with the frame at the latest, and
    // never outlives the control library its buttons come from.
    sub->deleteLater();
    if (EditorWindow *editor = m_host.editor())
        m_area->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(editor->parentWidget()));
}

twips::Rect MainFrame::editorRect() const {
    twips::Rect rect{0, 0, twips::outerWidth(this), twips::outerHeight(this)};
    // Every activation would otherwise spread the editor under the docked table window, and
    // closing that window would then widen the editor beyond the frame.
    if (const TableWindow *table = m_host.tableWindow(); table && m_dock == Dock::Docked)
        rect.width -= twips::width(table);
    return rect;
}

void MainFrame::activate() {
    // While the About window (or another modal window) is up the frame is blocked: the window
    // system may still hand it the focus, but that is no activation the user made, and hiding
    // the About window now would end it as it opens. During start-up the modal splash window
    // itself opens the frame.
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != this && m_host.mainWindowShown())
        return;
    m_host.hideSplash();
    EditorWindow *editor = m_host.loadEditor();
    if (!editor || m_host.isExiting())
        return;
    updateMinimumSize();
    twips::setRect(editor, editorRect());
    if (!editor->isVisible())
        editor->show();
    m_activating = true;
    if (!m_area->activeSubWindow())
        m_area->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(editor->parentWidget()));
    m_activating = false;
    QMdiSubWindow *active = m_area->activeSubWindow();
    auto *child = qobject_cast<ChildWindow *>(active ? active->widget() : editor);
    if (!child)
        child = editor;
    if (child != m_activeChild) {
        m_activeChild = child;
        showMenusOf(child);
    }
    child->activate();
}

void MainFrame::childActivated(QMdiSubWindow *window) {
    auto *child = qobject_cast<ChildWindow *>(window ? window->widget() : nullptr);
    // Deactivating the whole frame reports no active child; the menus stay.
    if (m_activating || !child || child == m_activeChild)
        return;
    m_activeChild = child;
    showMenusOf(child);
    child->activate();
}

QString MainFrame::logNoticeText(int words) {
    if (words <= 0)
        return QString();
    if (words == 1)
        return QStringLiteral("1 word could not be converted - see View Log");
    return QStringLiteral("%1 words could not be converted - see View Log").arg(words);
}

void MainFrame::showConversionLog() {
    m_logNotice->setText(logNoticeText(m_host.session().log().size()));
}

void MainFrame::showMenusOf(ChildWindow *child) {
    menuBar()->clear();
    menuBar()->addActions(child->menuBarActions());
}

void MainFrame::focusWindowChanged(QWindow *window) {
    // No window of Kestrum has the focus: the user went to another program. (The frame's own
    // activation is judged in changeEvent, which may come before or after this signal.)
    if (window != windowHandle())
        m_returningFromOutside = window == nullptr;
}

void MainFrame::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow())
        return;
    // Only an activation within Kestrum (start-up, one of its windows or dialogs closing, a
    // switch between its windows) is the windows' Activate. Coming back from another program
    // keeps a pending conversion and the focus where they were.
    if (std::exchange(m_returningFromOutside, false))
        return;
    activate();
}

void MainFrame::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    // The editor follows the frame when the user resizes it, not only on the next activation,
    // and a docked table window keeps to the frame's right edge. While the table window
    // slides, the slide owns the geometry.
    EditorWindow *editor = m_host.editor();
    TableWindow *table = m_host.tableWindow();
    if (!editor || isSliding(m_dock) || (m_dock == Dock::Docked && !table))
        return;
    updateMinimumSize();
    const twips::Rect rect = editorRect();
    twips::setRect(editor, rect);
    editor->layoutControls();
    keepButtonInside(editor);
    if (table) {
        twips::setLeft(table, rect.width);
        table->layoutTableWindow();
    }
}

void MainFrame::closeEvent(QCloseEvent *event) {
    if (m_host.queryUnload())
        event->accept();
    else
        event->ignore();
}

bool MainFrame::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_logNotice) {
        if (event->type() == QEvent::MouseButtonRelease && !m_logNotice->text().isEmpty()) {
            m_host.showLog();
            return true;
        }
        return QMainWindow::eventFilter(watched, event);
    }
    // The table window has no close box, but its sub-window can still be asked to close (its
    // keyboard shortcut): that closes it the proper way, giving the editor its room back.
    if (event->type() == QEvent::Close) {
        if (TableWindow *table = m_host.tableWindow(); table && watched == table->parentWidget()) {
            event->ignore();
            table->closeTableWindow();
            return true;
        }
    }
    // Closing the editor's sub-window (its keyboard shortcut) asks the exit question too.
    if (event->type() == QEvent::Close && m_host.editor() &&
        watched == m_host.editor()->parentWidget()) {
        if (!m_host.queryUnload()) {
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace kestrum
