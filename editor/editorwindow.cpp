#include "editorwindow.h"

#include "controlhost.h"
#include "design.h"
#include "editorsession.h"
#include "editorwindowhost.h"
#include "fonts.h"
#include "romaniser.h"
#include "shapes.h"
#include "spelling.h"
#include "twips.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace kestrum {

using namespace runtime;

namespace {

// The window's design size and its controls' design rectangles, in twips.
struct Design {
    twips::Rect window, label1, text1, label2, text2, shape1, command1;
};
constexpr Design Designed{{0, 0, 11880, 8160},    {120, 120, 2775, 315},  {0, 360, 11655, 3135},
                          {120, 3590, 1515, 255}, {0, 3840, 11655, 3135}, {5820, 7440, 1275, 435},
                          {5850, 7470, 1230, 390}};

// The font of the Latin text in the output area, as the input area's.
const QString LatinFamily = QStringLiteral("Times New Roman");

// The word "Bangla" in SutonnyMJ codes.
constexpr char Bangla[] = "evsjv";

// The conversion button as designed: white on blue, white on red and bold under the pointer,
// its caption in the glyph-code font `glyphFamily`.
GlimmetLook command1Look(const QString &glyphFamily) {
    const QString caption = QString::fromLatin1(Bangla);
    return {caption,
            caption,
            OleColor::rgb(0, 0, 192),
            OleColor::rgb(255, 255, 255),
            OleColor::rgb(255, 0, 0),
            OleColor::rgb(255, 255, 255),
            designFont(glyphFamily, 18),
            designFont(glyphFamily, 18, true)};
}

// Puts the caret after the last character.
void moveCaretToEnd(RichTextBox *area) {
    area->setSelStart(std::numeric_limits<int>::max());
}

bool isCaretKey(int keyCode) {
    switch (keyCode) {
    case 35: // End
    case 36: // Home
    case 37: // Left
    case 38: // Up
    case 39: // Right
    case 40: // Down
        return true;
    default:
        return false;
    }
}

} // namespace

EditorWindow::EditorWindow(EditorWindowHost &host, QWidget *parent)
    : ChildWindow(parent), m_host(host) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    fillBackground(this, QColor(192, 192, 192));
    resizeToDesign(this, Designed.window);
    createControls();
    createActions();
    createMenus();
    m_spelling = std::make_unique<SpellingChecker>(m_host.tablesDir());
    m_marks = new SpellingMarks(*m_spelling, text2->document());
    m_marks->setOn(spc->isChecked());
    text2->setContextMenuHook(
        [this](QMenu &menu, int position) { offerSpellings(menu, position); });
    EditorSession &session = m_host.session();
    // The document's own text: the session reads its breaks as line breaks, without a copy
    // that spells them CR LF.
    session.setInputSource([this] { return Text1->rawText(); });
    session.setInputEditor([this](std::size_t start, std::size_t length, const QString &keys) {
        // The session counts code points, the document UTF-16 units.
        const QString raw = Text1->rawText();
        const auto unitIndex = [&raw](std::size_t codePoints) {
            qsizetype i = 0;
            for (std::size_t n = 0; n < codePoints && i < raw.size(); ++n)
                i += raw[i].isHighSurrogate() && i + 1 < raw.size() ? 2 : 1;
            return int(i);
        };
        QTextCursor cursor(Text1->document());
        cursor.setPosition(unitIndex(start));
        cursor.setPosition(unitIndex(start + length), QTextCursor::KeepAnchor);
        cursor.insertText(keys);
    });
    connect(&session, &EditorSession::outputReplaced, this, &EditorWindow::setOutputText);
    connect(&session, &EditorSession::conversionFinished, this, &EditorWindow::releaseHeldKeys);
}

EditorWindow::~EditorWindow() {
    m_host.session().setInputSource({});
    m_host.session().setInputEditor({});
    // The areas outlive this object's own part (QWidget deletes them later) and still report
    // the focus leaving them then.
    Text1->disconnect(this);
    text2->disconnect(this);
    Text1->removeEventFilter(this);
    text2->removeEventFilter(this);
    qDeleteAll(m_heldKeys);
}

HostedControl *EditorWindow::command1() const {
    return m_command1.get();
}

void EditorWindow::createControls() {
    Label1 = new QLabel(QStringLiteral("English Letters:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(designFont(QStringLiteral("Garamond"), 12));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    twips::setRect(Label1, Designed.label1);

    Text1 = new RichTextBox(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setControlFont(designFont(LatinFamily, 14.25));
    twips::setRect(Text1, Designed.text1);

    const QString glyphFamily = m_host.glyphFontFamily();
    Label2 = new QLabel(QString::fromLatin1(Bangla) + QStringLiteral(" :"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(designFont(glyphFamily, 15.75));
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    twips::setRect(Label2, Designed.label2);
    fitLabel2();

    text2 = new RichTextBox(this);
    text2->setObjectName(QStringLiteral("text2"));
    text2->setControlFont(designFont(glyphFamily, 18));
    // Whatever font shows it, the Bangla file is written for SutonnyMJ, the font its readers
    // have.
    text2->setRtfFontFamily(SutonnyMJ);
    // English in the output (pasted with Unicode Bengali) is drawn, copied and saved as English.
    text2->setLatinFamily(LatinFamily);
    QPalette white = text2->palette();
    white.setColor(QPalette::Base, Qt::white);
    text2->setPalette(white);
    text2->setPasteFilter(&EditorWindow::pasteIntoOutput);
    text2->setLongPasteCheck([this] { return !m_host.isExiting(); });
    twips::setRect(text2, Designed.text2);

    Shape1 = new Shape(Shape::Kind::RoundedRectangle, this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    twips::setRect(Shape1, Designed.shape1);

    QString error;
    m_command1 = HostedControl::createGlimmet(m_host.loader(), QStringLiteral("Command1"),
                                              command1Look(glyphFamily), this, &error);
    if (m_command1) {
        Command1 = m_command1->widget();
        twips::setRect(Command1, Designed.command1);
        m_command1->onClick([this] { command1Click(); });
    } else {
        qWarning("Command1: %s", qPrintable(error));
    }

    connect(Text1, &RichTextBox::change, this, &EditorWindow::text1Change);
    connect(Text1, &RichTextBox::clicked, this, &EditorWindow::text1Click);
    connect(Text1, &RichTextBox::keyDown, this, &EditorWindow::text1KeyDown);
    connect(Text1, &RichTextBox::keyPress, this, &EditorWindow::text1KeyPress);
    connect(Text1, &RichTextBox::keyApplied, this, &EditorWindow::text1KeyApplied);
    connect(Text1, &RichTextBox::edited, this, &EditorWindow::text1Edited);
    connect(Text1, &RichTextBox::doubleClicked, this, &EditorWindow::showPopupMenu);
    connect(text2, &RichTextBox::change, this, &EditorWindow::text2Change);
    connect(text2, &RichTextBox::focusChanged, this, &EditorWindow::text2FocusChanged);
    connect(text2, &RichTextBox::dragDrop, this, &EditorWindow::text2DragDrop);
    connect(text2, &RichTextBox::doubleClicked, this, &EditorWindow::showPopupMenu);
    Text1->installEventFilter(this);
    text2->installEventFilter(this);
}

void EditorWindow::createActions() {
    const auto action = [this](const char *name, const QString &caption,
                               const QKeySequence &shortcut = {}) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(shortcut);
        return a;
    };
    clsn = action("clsn", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N));
    sav = action("sav", QStringLiteral("&Save English File"), QKeySequence(Qt::CTRL | Qt::Key_S));
    savb = action("savb", QStringLiteral("Save &Bangla File"), QKeySequence(Qt::CTRL | Qt::Key_B));
    lda = action("lda", QStringLiteral("&Load"), QKeySequence(Qt::CTRL | Qt::Key_O));
    // A separator is a line only: the styles draw an action's text in it as a section title.
    s123 = action("s123", QString());
    s123->setSeparator(true);
    lac = action("lac", QStringLiteral("Convert it!"), QKeySequence(Qt::CTRL | Qt::Key_A));
    exit = action("exit", QStringLiteral("E&xit"));
    uc = action("uc", QStringLiteral("Undo Case"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    uca = action("uca", QStringLiteral("Upper Case"), QKeySequence(Qt::CTRL | Qt::Key_Y));
    lc = action("lc", QStringLiteral("Lower Case"), QKeySequence(Qt::CTRL | Qt::Key_L));
    const char *sizeCaptions[] = {"Tiny",  "Small",       "Medium",
                                  "Large", "Extra Large", "Heavy Weight"};
    for (std::size_t i = 0; i < SZ.size(); ++i) {
        SZ[i] = action("SZ", QString::fromLatin1(sizeCaptions[i]));
        SZ[i]->setCheckable(true);
        SZ[i]->setData(int(i));
    }
    VLA = action("VLA", QStringLiteral("View Log"));
    st = action("st", QStringLiteral("Substitution Table"), QKeySequence(Qt::Key_F1));
    ab = action("ab", QStringLiteral("About Kestrum..."));
    clsa = action("clsa", QStringLiteral("Clear"));
    clab = action("clab", QStringLiteral("About Kestrum"));
    s124 = action("s124", QString());
    s124->setSeparator(true);
    savu = action("savu", QStringLiteral("Save Unicode File..."));
    ldu = action("ldu", QStringLiteral("Open Unicode File..."));
    cpu = action("cpu", QStringLiteral("Copy as Unicode"),
                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    spc = action("spc", QStringLiteral("Check Spelling"));
    spc->setCheckable(true);
    spc->setChecked(SpellingChecker::listInstalled());
    bfs = action("bfs", SutonnyMJ);
    bfk = action("bfk", KestrumBangla);
    auto *glyphFonts = new QActionGroup(this);
    for (QAction *a : {bfs, bfk}) {
        a->setCheckable(true);
        glyphFonts->addAction(a);
    }

    connect(clsn, &QAction::triggered, this, &EditorWindow::newText);
    connect(sav, &QAction::triggered, this, &EditorWindow::saveEnglishFile);
    connect(savb, &QAction::triggered, this, &EditorWindow::saveBanglaFile);
    connect(lda, &QAction::triggered, this, &EditorWindow::loadFile);
    connect(uc, &QAction::triggered, this, &EditorWindow::undoCase);
    connect(uca, &QAction::triggered, this, &EditorWindow::upperCase);
    connect(lc, &QAction::triggered, this, &EditorWindow::lowerCase);
    for (std::size_t i = 0; i < SZ.size(); ++i)
        connect(SZ[i], &QAction::triggered, this, [this, i](bool checked) {
            // Choosing a size leaves the check marks as they were when the menu opened.
            SZ[i]->setChecked(!checked);
            fontSizeClick(int(i));
        });
    connect(VLA, &QAction::triggered, this, &EditorWindow::viewLog);
    connect(lac, &QAction::triggered, this, [this] { m_host.session().convert(); });
    connect(exit, &QAction::triggered, this, [this] { m_host.exitProgram(); });
    connect(st, &QAction::triggered, this, [this] { m_host.openTableWindow(); });
    connect(ab, &QAction::triggered, this, [this] { m_host.showAbout(); });
    connect(clab, &QAction::triggered, this, [this] { m_host.showAbout(); });
    connect(clsa, &QAction::triggered, this, &EditorWindow::clearActiveArea);
    connect(savu, &QAction::triggered, this, &EditorWindow::saveUnicodeFile);
    connect(ldu, &QAction::triggered, this, &EditorWindow::openUnicodeFile);
    connect(cpu, &QAction::triggered, this, &EditorWindow::copyAsUnicode);
    connect(spc, &QAction::toggled, this, [this](bool on) { m_marks->setOn(on); });
    connect(bfs, &QAction::triggered, this, [this] { m_host.setGlyphFontFamily(SutonnyMJ); });
    connect(bfk, &QAction::triggered, this, [this] { m_host.setGlyphFontFamily(KestrumBangla); });
}

void EditorWindow::createMenus() {
    const auto menu = [this](const char *name, const QString &title) {
        auto *m = new QMenu(title, this);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    fl = menu("fl", QStringLiteral("&File"));
    fl->addActions({clsn, sav, savb, lda, s123, lac, exit, s124, savu, ldu});
    s = menu("s", QStringLiteral("&Edit"));
    s->addActions({uc, uca, lc, cpu});
    VW = menu("VW", QStringLiteral("View"));
    FS = menu("FS", QStringLiteral("Font Size"));
    for (QAction *a : SZ)
        FS->addAction(a);
    VW->addMenu(FS);
    VW->addAction(VLA);
    BF = menu("BF", QStringLiteral("Bangla Font"));
    BF->addActions({bfs, bfk});
    VW->addMenu(BF);
    VW->addAction(spc);
    connect(VW, &QMenu::aboutToShow, this, &EditorWindow::glyphFontMenuOpened);
    connect(VW, &QMenu::aboutToShow, this, &EditorWindow::viewMenuOpened);
    help = menu("help", QStringLiteral("&Help"));
    help->addActions({st, ab});
    // Never shown in the menu bar: the pop-up menu of the two areas.
    cl = menu("cl", QStringLiteral("CLEAR"));
    cl->addActions({clsa, clab});
}

QList<QAction *> EditorWindow::menuBarActions() const {
    return {fl->menuAction(), s->menuAction(), VW->menuAction(), help->menuAction()};
}

void EditorWindow::load() {
    m_designInputHeight = twips::height(Text1);
    m_designOutputHeight = twips::height(text2);
    m_designFormHeight = twips::height(this);
    m_host.editorLoaded();
    m_fontSizes = {8, 13, 17, 20, 25, 30};
    m_englishFileName.clear();
    m_banglaFileName.clear();
}

void EditorWindow::activate() {
    layoutControls();
    m_host.session().setInputChanged(false);
    // A click into an area that activates the window has already given that area the focus:
    // the typing that follows belongs there.
    const RichTextBox *clicked = activeArea();
    if (QGuiApplication::mouseButtons() != Qt::NoButton && clicked && clicked->hasFocus())
        return;
    if (m_host.tableWindowShown())
        text2->setFocus();
    else
        Text1->setFocus();
}

void EditorWindow::layoutControls() {
    const double w = twips::width(this);
    const double h = twips::height(this);
    twips::setWidth(Text1, float(w - 250));
    twips::setWidth(text2, float(w - 250));
    if (m_designFormHeight != 0) {
        twips::setHeight(Text1, float(h * m_designInputHeight / m_designFormHeight));
        twips::setHeight(text2, float(h * m_designOutputHeight / m_designFormHeight));
    }
    const double text1Bottom = double(twips::top(Text1)) + twips::height(Text1);
    twips::setTop(Label2, float(text1Bottom));
    twips::setTop(text2, float(text1Bottom + twips::height(Label2)));
    const double text2Bottom = double(twips::top(text2)) + twips::height(text2);
    if (Command1)
        twips::setTop(Command1, float(text2Bottom + 150));
    twips::setTop(Shape1, float(text2Bottom + 130));
}

float EditorWindow::lowestControlBottom(float height) const {
    const float design = m_designFormHeight != 0 ? m_designFormHeight : Designed.window.height;
    const float input = m_designFormHeight != 0 ? m_designInputHeight : Designed.text1.height;
    const float output = m_designFormHeight != 0 ? m_designOutputHeight : Designed.text2.height;
    const double text2Bottom = double(twips::top(Text1)) + double(height) * input / design +
                               twips::height(Label2) + double(height) * output / design;
    const float shapeBottom = float(text2Bottom + 130 + twips::height(Shape1));
    const float buttonBottom = float(text2Bottom + 150 + Designed.command1.height);
    return std::max(shapeBottom, buttonBottom);
}

float EditorWindow::labelRight() {
    return Designed.label1.left + Designed.label1.width;
}

float EditorWindow::buttonRight() const {
    const float shape = twips::left(Shape1) + twips::width(Shape1);
    return Command1 ? std::max(shape, twips::left(Command1) + twips::width(Command1)) : shape;
}

float EditorWindow::designButtonRight() {
    return std::max(Designed.shape1.left + Designed.shape1.width,
                    Designed.command1.left + Designed.command1.width);
}

void EditorWindow::widenBy(float by) {
    twips::setWidth(this, twips::width(this) + by);
    twips::setWidth(Text1, twips::width(Text1) + by);
    twips::setWidth(text2, twips::width(text2) + by);
}

std::optional<float> EditorWindow::buttonBottom() const {
    if (!Command1)
        return std::nullopt;
    return twips::top(Command1) + twips::height(Command1);
}

void EditorWindow::setOutputSelectionShown(bool shown) {
    text2->setHideSelection(!shown);
}

void EditorWindow::insertIntoOutput(const QString &glyphs) {
    // At the area's caret, which stays where the user put it while another window is used.
    // The area's change brings conversionOutput up to date, as for every edit (text2Change).
    text2->setSelText(glyphs);
    text2->setFocus();
}

void EditorWindow::setOutputText(const QString &text) {
    // The caret and the selection keep their place in the text around them: an insertion from
    // the table window goes where the user last put the caret, a copy takes what was selected.
    const QString before = text2->rawText();
    const int anchor = text2->textCursor().anchor();
    const int position = text2->textCursor().position();
    text2->setText(text);
    const QString after = text2->rawText();
    const auto delta = int(after.size() - before.size());
    // Where the change begins, found only when a position lies before the end.
    int same = -1;
    const auto kept = [&](int at) {
        if (at >= before.size())
            return int(after.size()); // at the end it stays at the end
        if (same < 0) {
            const qsizetype shorter = std::min(before.size(), after.size());
            qsizetype i = 0;
            constexpr qsizetype Block = 64;
            while (i + Block <= shorter &&
                   std::memcmp(before.constData() + i, after.constData() + i,
                               Block * sizeof(QChar)) == 0)
                i += Block;
            while (i < shorter && before[i] == after[i])
                ++i;
            same = int(i);
        }
        return at <= same ? at : std::max(same, at + delta);
    };
    QTextCursor cursor(text2->document());
    cursor.setPosition(kept(anchor));
    cursor.setPosition(kept(position), QTextCursor::KeepAnchor);
    text2->setTextCursor(cursor);
}

void EditorWindow::centreButton() {
    const float centre = twips::width(this) / 2;
    if (Command1)
        twips::setLeft(Command1, centre - twips::width(Command1) / 2 - 20);
    twips::setLeft(Shape1, centre - twips::width(Shape1) / 2);
}

void EditorWindow::fitLabel2() {
    // The label keeps its design size unless its font needs more: a taller font (Kestrum
    // Bangla's Bengali glyphs reach higher and lower than Latin ones) would be cut off.
    const QSize needed = Label2->sizeHint();
    twips::setWidth(Label2, std::max(Designed.label2.width, twips::fromPixels(needed.width())));
    twips::setHeight(Label2, std::max(Designed.label2.height, twips::fromPixels(needed.height())));
}

void EditorWindow::applyGlyphFont() {
    const QString family = m_host.glyphFontFamily();
    QFont output = text2->controlFont();
    output.setFamily(family);
    text2->setControlFont(output);
    QFont label = Label2->font();
    label.setFamily(family);
    Label2->setFont(label);
    fitLabel2();
    if (m_command1) {
        m_command1->setFont(designFont(family, 18));
        m_command1->setHighFont(designFont(family, 18, true));
    }
    layoutControls();
}

void EditorWindow::glyphFontMenuOpened() {
    const QString shown = QFontInfo(text2->controlFont()).family();
    bfs->setChecked(shown == SutonnyMJ);
    bfk->setChecked(shown == KestrumBangla);
    const bool choice = bothGlyphFontsInstalled();
    bfs->setEnabled(choice);
    bfk->setEnabled(choice);
}

void EditorWindow::text1Change() {
    m_host.session().setInputChanged(true);
}

void EditorWindow::text1Click() {
    if (m_host.session().inputChanged())
        m_host.session().convert();
}

void EditorWindow::text1KeyDown(int keyCode, int) {
    m_convertAfterKey = 0;
    const int pos = Text1->selStart() + 1;
    if (pos < 2 || !m_host.session().inputChanged())
        return;
    const QChar prev = Text1->document()->characterAt(pos - 2);
    if (keyCode == 32 && prev == QLatin1Char(' '))
        return;
    // The word a Space or Enter ends is converted once the key is in: converted before it, a
    // Space typed between two words would leave them joined in the output.
    if (keyCode == 32 || keyCode == 13)
        m_convertAfterKey = keyCode;
    else if (isCaretKey(keyCode))
        m_host.session().convert();
}

void EditorWindow::text1KeyPress(int) {
    m_typedSinceSave = true;
}

void EditorWindow::text1KeyApplied(int keyCode, int) {
    if (std::exchange(m_convertAfterKey, 0) == keyCode && keyCode != 0)
        m_host.session().convert();
}

void EditorWindow::text1Edited() {
    // Pasted, cut or dropped text raises no key press, and is as much unsaved work as typing.
    m_typedSinceSave = true;
}

void EditorWindow::text2Change() {
    // During a conversion the change is the conversion's own replacement of the area, which
    // the session ignores: the area's text is not even read then.
    // The caret stays where the change left it (after what was typed or inserted).
    if (!m_host.session().isConverting())
        m_host.session().outputEdited(text2->markedText());
}

void EditorWindow::text2FocusChanged(bool hasFocus) {
    // Reset when the area loses the focus, so an insertion made while it had the focus keeps
    // its caret.
    if (hasFocus || m_host.session().isConverting())
        return;
    const QString output = QString::fromStdU32String(m_host.session().conversionOutput());
    if (text2->markedText() != output)
        setOutputText(output);
}

void EditorWindow::text2DragDrop(const DropSource &source, int, int) {
    if (!source.isListBox || source.name != QLatin1String("List1"))
        return;
    // Only spaces are trimmed: the glyph codes may include other blank-looking characters.
    QString item = source.itemText;
    qsizetype first = 0, last = item.size();
    while (first < last && item.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && item.at(last - 1) == QLatin1Char(' '))
        --last;
    text2->setText(text2->markedText() + item.mid(first, last - first));
    moveCaretToEnd(text2);
    text2->setFocus();
}

void EditorWindow::command1Click() {
    m_host.session().convert();
}

void EditorWindow::clearActiveArea() {
    RichTextBox *area = activeArea();
    if (!area)
        return;
    // Undo Case must not bring back a text from before the input was cleared.
    if (area == Text1)
        forgetCaseUndo();
    area->setText(QString());
    // The status bar and the log speak of an output that is no longer there.
    m_host.session().log().clear();
}

void EditorWindow::showPopupMenu() {
    cl->popup(QCursor::pos());
}

bool EditorWindow::isMenuShortcut(const QKeyEvent *event) const {
    const QKeySequence pressed(event->keyCombination());
    for (const QAction *a : findChildren<QAction *>())
        if (a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == pressed)
            return true;
    return false;
}

bool EditorWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched != Text1 && watched != text2)
        return ChildWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // The menus' shortcuts (Ctrl+A "Convert it!", Ctrl+Z "Undo Case" ...) win over the
        // text areas' own editing keys.
        if (isMenuShortcut(static_cast<QKeyEvent *>(event))) {
            event->ignore();
            return true;
        }
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Keys typed while a conversion lets events run would land before the key that
        // started it: hold them back until it ends.
        if (watched == Text1 && m_host.session().isConverting()) {
            m_heldKeys.append(event->clone());
            return true;
        }
        break;
    default:
        break;
    }
    return ChildWindow::eventFilter(watched, event);
}

void EditorWindow::releaseHeldKeys() {
    const QList<QEvent *> held = std::exchange(m_heldKeys, {});
    for (QEvent *event : held)
        QCoreApplication::postEvent(Text1, event);
}

} // namespace kestrum
