// The fonts that draw the glyph codes in the running program (offscreen): Kestrum Bangla where
// SutonnyMJ is not installed, SutonnyMJ where it is (a renamed copy of Kestrum Bangla stands in
// for it), and View > Bangla Font to choose between them; the output area, its label, the
// conversion button and the table window's glyph list all follow, the label is never cut off,
// and the Bangla file names SutonnyMJ whatever shows it.
#include "control/glimmetlib.h"
#include "controlhost.h"
#include "editortestsupport.h"
#include "fonts.h"
#include "listbox.h"
#include "runtime/font.h"
#include "tablewindow.h"
#include "twips.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QLabel>
#include <QMenu>
#include <QRawFont>
#include <QStandardPaths>
#include <QTextLayout>

using namespace kestrum;
using namespace kestrum::test;

namespace {

// The families of the fonts Qt draws the area's text with, in the font its document gives it.
QStringList drawnWith(const RichTextBox *area) {
    QTextLayout layout(area->text(), area->document()->defaultFont());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList families;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        // A font found through a substitute is named as the substitute was written.
        QString family = run.rawFont().familyName();
        for (const QString &known : QFontDatabase::families())
            if (known.compare(family, Qt::CaseInsensitive) == 0)
                family = known;
        if (!families.contains(family))
            families += family;
    }
    return families;
}

QString buttonFontFamily(runtime::Control *button, runtime::DispId id) {
    runtime::Variant value;
    if (!button || runtime::failed(button->getProperty(id, &value)) || !value.font())
        return {};
    return QFontInfo(value.font()->toQFont()).family();
}

} // namespace

class TestGlyphFonts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void withoutSutonnyMJKestrumBanglaDrawsTheCodes();
    void withSutonnyMJItDrawsTheCodes();
    void theViewMenuChoosesBetweenTheTwo();

private:
    void start();
    // The glyph-code family every place of the program shows, or "" where they differ.
    QString glyphFamilyEverywhere();
    void checkLabel2IsWhole();

    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<TestProgram> m_test;
    EditorWindow *m_editor = nullptr;
    int m_standIn = -1;
};

void TestGlyphFonts::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(!QFontDatabase::hasFamily(KestrumBangla));
    QCOMPARE(registerBundledFonts(QStringLiteral(KESTRUM_FONT_DIR)), QStringList{KestrumBangla});
    installFontSubstitutes();
}

void TestGlyphFonts::cleanup() {
    m_test.reset();
    m_boxes.reset();
}

void TestGlyphFonts::start() {
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_test = std::make_unique<TestProgram>();
    QVERIFY(m_test->program->start());
    m_editor = m_test->editor();
    QVERIFY(m_editor && command1(m_editor));
    QVERIFY(QTest::qWaitForWindowExposed(m_test->program->frame()));
    m_test->program->openTableWindow();
    QVERIFY(m_test->program->tableWindow());
    text2(m_editor)->setText(glyphText("Avwg evsjvq Mvb MvB|"));
}

QString TestGlyphFonts::glyphFamilyEverywhere() {
    const QStringList shown = {
        drawnWith(text2(m_editor)).join(QLatin1Char('+')),
        QFontInfo(label2(m_editor)->font()).family(),
        buttonFontFamily(m_editor->command1()->control(), Glimmet3::DispIds::Font),
        buttonFontFamily(m_editor->command1()->control(), Glimmet3::DispIds::HighFont),
        QFontInfo(list1(m_test->program->tableWindow())->font()).family(),
    };
    qInfo("output, label, button, high button, glyph list: %s", qPrintable(shown.join(", ")));
    return shown.count(shown.first()) == shown.size() ? shown.first() : QString();
}

void TestGlyphFonts::checkLabel2IsWhole() {
    const QLabel *label = label2(m_editor);
    QVERIFY2(
        label->height() >= label->sizeHint().height(),
        qPrintable(QStringLiteral("%1 < %2").arg(label->height()).arg(label->sizeHint().height())));
    QVERIFY(label->width() >= label->sizeHint().width());
    // The output area still starts right under the label.
    QCOMPARE(text2(m_editor)->y(), label->y() + label->height());
}

void TestGlyphFonts::withoutSutonnyMJKestrumBanglaDrawsTheCodes() {
    if (QFontDatabase::hasFamily(SutonnyMJ))
        QSKIP("a SutonnyMJ font is installed on this machine");
    start();
    QCOMPARE(glyphFamilyEverywhere(), KestrumBangla);
    // The design names stay: the areas ask for SutonnyMJ, Kestrum Bangla stands in.
    QCOMPARE(text2(m_editor)->controlFont().family(), SutonnyMJ);
    QVERIFY(text2(m_editor)->textRTF().contains("\\fcharset0 SutonnyMJ;"));
    checkLabel2IsWhole();
    m_editor->glyphFontMenuOpened();
    QVERIFY(action(m_editor, "bfk")->isChecked() && !action(m_editor, "bfs")->isChecked());
    QVERIFY(!action(m_editor, "bfk")->isEnabled() && !action(m_editor, "bfs")->isEnabled());
}

void TestGlyphFonts::withSutonnyMJItDrawsTheCodes() {
    m_standIn = QFontDatabase::addApplicationFont(QStringLiteral(KESTRUM_STAND_IN_FONT));
    QVERIFY(m_standIn >= 0);
    QCOMPARE(QFontDatabase::applicationFontFamilies(m_standIn), QStringList{SutonnyMJ});
    start();
    QCOMPARE(glyphFamilyEverywhere(), SutonnyMJ);
    checkLabel2IsWhole();
    m_editor->glyphFontMenuOpened();
    QVERIFY(action(m_editor, "bfs")->isChecked() && !action(m_editor, "bfk")->isChecked());
    QVERIFY(action(m_editor, "bfk")->isEnabled() && action(m_editor, "bfs")->isEnabled());
}

void TestGlyphFonts::theViewMenuChoosesBetweenTheTwo() {
    QVERIFY(m_standIn >= 0);
    start();
    const auto view = m_editor->findChild<QMenu *>(QStringLiteral("VW"));
    QVERIFY(view);
    // The Bangla Font submenu follows the View menu's own items; Check Spelling comes last.
    QCOMPARE(view->actions().mid(2),
             (QList<QAction *>{menu(m_editor, "BF")->menuAction(), action(m_editor, "spc")}));
    QCOMPARE(menu(m_editor, "BF")->title(), QStringLiteral("Bangla Font"));
    QCOMPARE(menu(m_editor, "BF")->actions(),
             (QList<QAction *>{action(m_editor, "bfs"), action(m_editor, "bfk")}));

    text2(m_editor)->setFocus();
    m_editor->fontSizeClick(4); // 25 points: a size of the user's own survives the change
    action(m_editor, "bfk")->trigger();
    QCOMPARE(glyphFamilyEverywhere(), KestrumBangla);
    QCOMPARE(text2(m_editor)->fontSize(), 25.0);
    checkLabel2IsWhole();
    m_editor->glyphFontMenuOpened();
    QVERIFY(action(m_editor, "bfk")->isChecked() && !action(m_editor, "bfs")->isChecked());
    QVERIFY(text2(m_editor)->textRTF().contains("\\fcharset0 SutonnyMJ;"));

    // A table window opened afterwards starts in the chosen font.
    m_test->program->tableWindow()->closeTableWindow();
    m_test->program->openTableWindow();
    QCOMPARE(QFontInfo(list1(m_test->program->tableWindow())->font()).family(), KestrumBangla);

    action(m_editor, "bfs")->trigger();
    QCOMPARE(glyphFamilyEverywhere(), SutonnyMJ);
    QCOMPARE(text2(m_editor)->fontSize(), 25.0);
    checkLabel2IsWhole();
    QVERIFY(QFontDatabase::removeApplicationFont(m_standIn));
}

QTEST_MAIN(TestGlyphFonts)
#include "tst_glyphfonts.moc"
