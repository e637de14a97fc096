// The main frame's size and place: a first size and place inside the screen's available area,
// and a minimum size that keeps every control reachable. Run on the default offscreen screen
// and again on a small laptop screen at a scale factor of 1.5, with window frames.
#include "editortestsupport.h"
#include "listbox.h"
#include "shapes.h"
#include "tablewindow.h"

#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>

using namespace kestrum;
using namespace kestrum::test;

class TestFrameGeometry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void firstPlaceFitsTheScreen();
    void smallestFrameKeepsEveryControlReachable_data();
    void smallestFrameKeepsEveryControlReachable();

private:
    // Whether `widget` lies in the visible part of the frame's area: wholly, but for a few
    // pixels on the right that the window system's frame may cover (the table window is
    // docked at the frame's outer edge).
    bool reachable(const QWidget *widget) const;
    QString describe(const QWidget *widget) const;

    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<TestProgram> m_test;
    MainFrame *m_frame = nullptr;
};

void TestFrameGeometry::init() {
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_test = std::make_unique<TestProgram>();
    QVERIFY(m_test->program->start());
    m_frame = m_test->program->frame();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame));
}

void TestFrameGeometry::cleanup() {
    m_test.reset();
    m_boxes.reset();
}

bool TestFrameGeometry::reachable(const QWidget *widget) const {
    const QWidget *viewport = m_frame->mdiArea()->viewport();
    const QRect placed(widget->mapTo(m_frame, QPoint(0, 0)), widget->size());
    const QRect visible(viewport->mapTo(m_frame, QPoint(0, 0)), viewport->size());
    const int hidden = m_frame->frameGeometry().width() - m_frame->width();
    return widget->isVisible() && widget->width() > 0 && widget->height() > 0 &&
           visible.contains(placed.adjusted(0, 0, -hidden, 0));
}

QString TestFrameGeometry::describe(const QWidget *widget) const {
    const QWidget *viewport = m_frame->mdiArea()->viewport();
    const QRect placed(widget->mapTo(m_frame, QPoint(0, 0)), widget->size());
    const QRect visible(viewport->mapTo(m_frame, QPoint(0, 0)), viewport->size());
    return QStringLiteral("%1 at %2,%3 %4x%5; visible %6,%7 %8x%9; frame %10x%11")
        .arg(widget->objectName())
        .arg(placed.x())
        .arg(placed.y())
        .arg(placed.width())
        .arg(placed.height())
        .arg(visible.x())
        .arg(visible.y())
        .arg(visible.width())
        .arg(visible.height())
        .arg(m_frame->width())
        .arg(m_frame->height());
}

void TestFrameGeometry::firstPlaceFitsTheScreen() {
    const QRect available = m_frame->screen()->availableGeometry();
    qInfo("available %dx%d, scale %g", available.width(), available.height(),
          m_frame->devicePixelRatioF());
    const QRect outer = m_frame->frameGeometry();
    QVERIFY2(available.contains(outer),
             qPrintable(QStringLiteral("frame %1,%2 %3x%4 on a screen of %5x%6")
                            .arg(outer.x())
                            .arg(outer.y())
                            .arg(outer.width())
                            .arg(outer.height())
                            .arg(available.width())
                            .arg(available.height())));
    // The menu bar starts on the screen too.
    QVERIFY(available.contains(m_frame->menuBar()->mapToGlobal(QPoint(0, 0))));
    QVERIFY(m_frame->minimumWidth() <= available.width());
    QVERIFY(m_frame->minimumHeight() <= available.height());
}

// Rows: sizes asked for that are too small for the window's controls.
void TestFrameGeometry::smallestFrameKeepsEveryControlReachable_data() {
    QTest::addColumn<QSize>("asked");
    // The table window opened and closed on a wide frame first: it centres the button there.
    QTest::addColumn<bool>("tableOnAWideFrame");
    QTest::newRow("420 x 300") << QSize(420, 300) << false;
    QTest::newRow("300 x 200") << QSize(300, 200) << false;
    QTest::newRow("1 x 1") << QSize(1, 1) << false;
    QTest::newRow("wide and low") << QSize(1000, 250) << false;
    QTest::newRow("narrow and tall") << QSize(250, 700) << false;
    QTest::newRow("420 x 300 after the table on a wide frame") << QSize(420, 300) << true;
}

void TestFrameGeometry::smallestFrameKeepsEveryControlReachable() {
    QFETCH(QSize, asked);
    QFETCH(bool, tableOnAWideFrame);
    const QRect available = m_frame->screen()->availableGeometry();
    EditorWindow *editor = m_test->editor();
    // The frame at its design size shows everything; a screen that cannot hold that cannot
    // show everything at any size.
    if (available.height() < 600 + m_frame->frameGeometry().height() - m_frame->height())
        QSKIP("the screen is smaller than the frame's design size");
    if (tableOnAWideFrame) {
        m_frame->resize(780, 600);
        m_frame->activate();
        action(editor, "st")->trigger();
        QVERIFY(m_test->program->tableWindow());
        m_test->program->tableWindow()->closeTableWindow();
    }
    m_frame->resize(asked);
    m_frame->activate();
    QVERIFY(m_frame->width() >= m_frame->minimumWidth());
    QVERIFY(m_frame->height() >= m_frame->minimumHeight());
    const QList<QWidget *> editorControls{label1(editor), text1(editor),  label2(editor),
                                          text2(editor),  shape1(editor), command1(editor)};
    for (const QWidget *control : editorControls)
        QVERIFY2(reachable(control), qPrintable(describe(control)));

    // Beside the docked table window too, its group buttons and lists included.
    action(editor, "st")->trigger();
    TableWindow *table = m_test->program->tableWindow();
    QVERIFY(table && table->isDocked());
    const QList<QWidget *> besideTheTable{label1(editor), text1(editor),    text2(editor),
                                          shape1(editor), command1(editor), list1(table),
                                          list2(table)};
    for (const QWidget *control : besideTheTable)
        QVERIFY2(reachable(control), qPrintable(describe(control)));
    for (const QWidget *button : table->findChildren<QWidget *>(QStringLiteral("fbs")))
        QVERIFY2(reachable(button),
                 qPrintable(QStringLiteral("fbs %1").arg(button->property("index").toInt())));
}

QTEST_MAIN(TestFrameGeometry)
#include "tst_framegeometry.moc"
