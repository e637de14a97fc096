#include "tablewindow.h"

#include "artwork.h"
#include "controlhost.h"
#include "design.h"
#include "fonts.h"
#include "glyphcodes.h"
#include "glyphtext.h"
#include "listbox.h"
#include "messagebox.h"
#include "tables.h"
#include "tablewindowhost.h"
#include "twips.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace kestrum {

using namespace runtime;

namespace {

// The window's design size and its controls' design rectangles, in twips.
struct Design {
    twips::Rect window, label1, list1, list2, frame1;
};
constexpr Design Designed{{0, 0, 3420, 8010},
                          {90, 45, 3285, 285},
                          {60, 315, 1635, 7000},
                          {1755, 300, 1635, 7000},
                          {45, 5940, 3315, 2055}};
constexpr float ButtonLeft = 90, ButtonTop = 90, ButtonPitch = 270;
constexpr float ButtonWidth = 2925, ButtonHeight = 255;

constexpr OleColor ButtonGrey{0x00E0E0E0};
constexpr OleColor ButtonYellow{0x0000FFFF};
constexpr OleColor ButtonHighText{0x00800000};

// Where each category's entries come from: `records` records of `file` are read, those from
// `firstShown` on are shown. The fragments come from no file.
struct Category {
    const char *caption;
    const char *file;
    int records;
    int firstShown;
};

constexpr std::array<Category, TableWindow::CategoryCount> Categories{{
    {"Letters Placable at First Places", kFirstFile, kFirstRecords, 1},
    {"Letter placeble at next places", kNextFile, kNextRecords, 1},
    {"Joints", kJointFile, kJointRecords, 1},
    {"Vowels", kFirstFile, kVowelRecords, 1},
    {"Consonants", kFirstFile, kFirstRecords, kVowelRecords + 1},
    {"Connectors", kConnectFile, kConnectRecords, 1},
    {"Fragments", nullptr, 0, 0},
}};

// The marks and signs the converter attaches to a consonant, with the keys that give them.
struct Fragment {
    char key;
    char glyph;
};

constexpr Fragment Fragments[] = {
    {'R', glyph::kReph},    {'R', glyph::kRaPhala}, {'Y', glyph::kYaPhala},
    {'J', glyph::kYaPhala}, {'B', glyph::kBaPhala}, {'W', glyph::kBaPhala},
    {'L', glyph::kLaPhala}, {'N', glyph::kNaPhala}, {'M', glyph::kMaPhala},
};

GlimmetLook buttonLook(const Category &category) {
    const QString caption = QString::fromLatin1(category.caption);
    const QFont font = designFont(QStringLiteral("Arial"), 8.25);
    return {caption, caption, ButtonGrey, std::nullopt, ButtonGrey, ButtonHighText, font, font};
}

} // namespace

namespace {

// `from`, then `steps` equal steps to `to`. Each position is computed from its step number
// rather than by adding the step again and again: the sum would drift in single precision and
// drop or overshoot the last step.
std::vector<float> equalSteps(float from, float to, int steps) {
    std::vector<float> positions;
    if (!(from != to) || !std::isfinite(from) || !std::isfinite(to))
        return positions;
    positions.reserve(std::size_t(steps) + 1);
    for (int i = 0; i < steps; ++i)
        positions.push_back(from + (to - from) * float(i) / float(steps));
    positions.push_back(to);
    return positions;
}

} // namespace

std::vector<float> slideInPositions(float frameWidth, float windowWidth) {
    if (!(windowWidth > 0))
        return {};
    return equalSteps(frameWidth, frameWidth - windowWidth, 14);
}

std::vector<float> slideOutPositions(float left, float frameWidth) {
    return equalSteps(left, frameWidth, 12);
}

TableWindow::TableWindow(TableWindowHost &host, QWidget *parent)
    : ChildWindow(parent), m_host(host) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Substitution Table"));
    fillBackground(this, QColor(0xC0, 0xC0, 0xC0));
    resizeToDesign(this, Designed.window);
    createControls();
    createMenus();
}

TableWindow::~TableWindow() = default;

HostedControl *TableWindow::fbsButton(int i) const {
    return m_fbs.at(std::size_t(i)).get();
}

void TableWindow::createControls() {
    Label1 = new QLabel(QStringLiteral("Bengali :") + QString(21, QLatin1Char(' ')) +
                            QStringLiteral("English :"),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    fillBackground(Label1, QColor(0xB3, 0xDF, 0xF4));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    twips::setRect(Label1, Designed.label1);

    const auto list = [this](const char *name, const QFont &font, const twips::Rect &rect) {
        auto *box = new ListBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setFont(font);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, Qt::black);
        palette.setColor(QPalette::Text, Qt::white);
        box->setPalette(palette);
        twips::setRect(box, rect);
        return box;
    };
    List1 = list("List1", designFont(m_host.glyphFontFamily(), 15.75), Designed.list1);
    List1->setDragIcon(pencilIcon());
    List2 = list("List2", designFont(QStringLiteral("Times New Roman"), 14.25), Designed.list2);
    levelRows();

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    fillBackground(Frame1, QColor(0xE0, 0xE0, 0xE0));
    twips::setRect(Frame1, Designed.frame1);

    for (int i = 0; i < CategoryCount; ++i) {
        const std::size_t n = std::size_t(i);
        QString error;
        m_fbs[n] = HostedControl::createGlimmet(m_host.loader(), QStringLiteral("fbs"),
                                                buttonLook(Categories[n]), Frame1, &error);
        if (!m_fbs[n]) {
            qWarning("fbs(%d): %s", i, qPrintable(error));
            continue;
        }
        fbs[n] = m_fbs[n]->widget();
        fbs[n]->setProperty("index", i);
        twips::setRect(fbs[n],
                       {ButtonLeft, ButtonTop + ButtonPitch * float(i), ButtonWidth, ButtonHeight});
        m_fbs[n]->onClick([this, i] { selectCategory(i); });
    }

    connect(List1, &ListBox::click, this, &TableWindow::list1Click);
    connect(List2, &ListBox::click, this, &TableWindow::list2Click);
    connect(List1, &ListBox::dblClick, this, &TableWindow::list1DblClick);
    connect(List1, &ListBox::mouseMove, this, &TableWindow::list1MouseMove);
    connect(List1, &ListBox::mouseUp, this, &TableWindow::list1MouseUp);
    connect(List2, &ListBox::mouseUp, this, &TableWindow::list2MouseUp);
    connect(List2, &ListBox::keyPress, this, &TableWindow::list2KeyPress);
}

void TableWindow::createMenus() {
    CLS = new QAction(QStringLiteral("Close Substitution Table"), this);
    CLS->setObjectName(QStringLiteral("CLS"));
    connect(CLS, &QAction::triggered, this, &TableWindow::closeTableWindow);
    // Never shown in the menu bar: the category pop-up of the two lists.
    cota = new QMenu(QStringLiteral("cota"), this);
    cota->setObjectName(QStringLiteral("cota"));
    for (int i = 0; i < CategoryCount; ++i) {
        auto *item = new QAction(QString(), this);
        item->setObjectName(QStringLiteral("cot"));
        item->setData(i);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, i] { selectCategory(i); });
        cota->addAction(item);
        cot[std::size_t(i)] = item;
    }
}

QList<QAction *> TableWindow::menuBarActions() const {
    return {CLS};
}

void TableWindow::applyGlyphFont() {
    QFont font = List1->font();
    font.setFamily(m_host.glyphFontFamily());
    List1->setFont(font);
    levelRows();
}

void TableWindow::levelRows() {
    // The glyph list's font makes taller rows than the key list's: rows of one height keep
    // each glyph beside its key all the way down.
    const int height = std::max(List1->naturalRowHeight(), List2->naturalRowHeight());
    List1->setRowHeight(height);
    List2->setRowHeight(height);
}

void TableWindow::load() {
    twips::setRect(this, Designed.window);
    if (m_host.hasEditor())
        m_host.showOutputSelection(true);
    m_keyBuffer.clear();
    m_currentCategory = Consonants;
    setButtonColour(Consonants, true);
    twips::setLeft(Label1, twips::left(List1));
    fillCategory(Consonants);
}

void TableWindow::activate() {
    layoutTableWindow();
}

void TableWindow::layoutTableWindow() {
    if (!m_host.hasEditor())
        return;
    m_host.showOutputSelection(true);
    twips::setHeight(this, m_host.editorHeight());
    if (const std::optional<float> buttonBottom = m_host.editorButtonBottom())
        twips::setTop(Frame1, *buttonBottom - twips::height(Frame1));
    twips::setHeight(List1, twips::top(Frame1) - twips::top(List1));
    twips::setHeight(List2, twips::top(Frame1) - twips::top(List2));
}

bool TableWindow::isDocked() const {
    return m_host.dock() == Dock::Docked;
}

void TableWindow::slideIn() {
    if (isShown(m_host.dock()) || !m_host.hasEditor())
        return;
    twips::setTop(this, 0);
    const float frameWidth = m_host.frameWidth();
    const float width = twips::width(this);
    twips::setLeft(this, frameWidth);
    // Closing in the middle of the slide would unload the window under it.
    CLS->setEnabled(false);
    m_host.showInFrame(this);
    m_host.setDock(Dock::SlidingIn);
    const QPointer<TableWindow> self(this);
    for (const float x : slideInPositions(frameWidth, width)) {
        twips::setLeft(this, x);
        QCoreApplication::processEvents();
        if (!self)
            return;
    }
    twips::setLeft(this, frameWidth - width);
    CLS->setEnabled(true);
    m_host.resizeEditorBy(-width);
    m_host.centreEditorButton();
    m_host.setDock(Dock::Docked);
}

void TableWindow::closeTableWindow() {
    if (isSliding(m_host.dock()) || !m_host.hasEditor())
        return;
    CLS->setEnabled(false);
    m_keyBuffer.clear();
    const float width = twips::width(this);
    if (m_host.dock() == Dock::Docked)
        m_host.resizeEditorBy(width);
    m_host.setDock(Dock::SlidingOut);
    const QPointer<TableWindow> self(this);
    for (const float x : slideOutPositions(twips::left(this), m_host.frameWidth())) {
        twips::setLeft(this, x);
        QCoreApplication::processEvents();
        if (!self)
            return;
    }
    m_host.showOutputSelection(false);
    m_host.centreEditorButton();
    m_host.setDock(Dock::Closed);
    m_host.unloadTableWindow();
}

void TableWindow::setButtonColour(int index, bool current) {
    if (HostedControl *button = fbsButton(index)) {
        const OleColor colour = current ? ButtonYellow : ButtonGrey;
        // BackColor repaints the state on show, high included (the button under the pointer
        // when it is clicked): the high colour must be in place by then.
        button->setHighBackColor(colour);
        button->setBackColor(colour);
    }
}

QString TableWindow::buttonCaption(int index) const {
    if (const HostedControl *button = fbsButton(index))
        if (const std::optional<QString> caption = button->caption())
            return *caption;
    return QString::fromLatin1(Categories[std::size_t(index)].caption);
}

void TableWindow::selectCategory(int index) {
    if (index < 0 || index >= CategoryCount)
        return;
    setButtonColour(m_currentCategory, false);
    setButtonColour(index, true);
    fillCategory(index % CategoryCount);
    m_currentCategory = index;
}

void TableWindow::fillCategory(int n) {
    List1->clearEntries();
    List2->clearEntries();
    if (n == Fragments) {
        for (const Fragment &fragment : kestrum::Fragments) {
            List2->addEntry(QString(QLatin1Char(fragment.key)));
            List1->addEntry(QLatin1Char(' ') + fromCp1252(QByteArrayView(&fragment.glyph, 1)));
        }
        return;
    }
    const Category &category = Categories.at(std::size_t(n));
    std::vector<std::pair<std::string, std::string>> records;
    try {
        records = readRecords(m_host.tablesDir().toStdString(), category.file, category.records);
    } catch (const TableLoadError &error) {
        MessageBox::show(
            this,
            QStringLiteral("Kestrum cannot show \"%1\": a substitution table "
                           "cannot be read.\n%2")
                .arg(QString::fromLatin1(category.caption), QString::fromStdString(error.what())),
            QStringLiteral("Kestrum"), MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
        return;
    }
    for (std::size_t i = std::size_t(category.firstShown) - 1; i < records.size(); ++i) {
        List1->addEntry(fromCp1252(records[i].second));
        List2->addEntry(fromCp1252(records[i].first));
    }
}

void TableWindow::list1Click() {
    List2->setListIndex(List1->listIndex());
}

void TableWindow::list2Click() {
    List1->setListIndex(List2->listIndex());
}

void TableWindow::list1DblClick() {
    if (!m_host.hasEditor() || List1->listIndex() < 0)
        return;
    QString glyphs = List1->text();
    // A fragment's entry starts with a space that only sets the mark apart in the list.
    if (m_currentCategory == Fragments)
        glyphs.remove(0, 1);
    m_host.insertGlyphs(glyphs);
}

void TableWindow::list1MouseMove(int button, int, float, float) {
    if (button == ListBox::Left)
        List1->drag();
}

void TableWindow::list1MouseUp(int button, int, float, float) {
    if (button != ListBox::Right)
        return;
    for (int i = 0; i < CategoryCount; ++i) {
        cot[std::size_t(i)]->setText(buttonCaption(i));
        cot[std::size_t(i)]->setChecked(false);
    }
    cot.at(std::size_t(m_currentCategory))->setChecked(true);
    cota->popup(QCursor::pos());
}

void TableWindow::list2MouseUp(int button, int shift, float x, float y) {
    list1MouseUp(button, shift, x, y);
}

void TableWindow::list2KeyPress(int &keyAscii) {
    const bool keyCharacter = (keyAscii >= 'A' && keyAscii <= 'Z') ||
                              (keyAscii >= 'a' && keyAscii <= 'z') || keyAscii == '&' ||
                              keyAscii == '~';
    if (keyCharacter) {
        m_keyBuffer += QChar(keyAscii);
        return;
    }
    if (const int found = List2->findStringExact(m_keyBuffer); found >= 0)
        List2->setListIndex(found);
    m_keyBuffer.clear();
}

} // namespace kestrum
