// The editor window's File, Edit and View commands.
#include "editorwindow.h"

#include "editorsession.h"
#include "editorwindowhost.h"
#include "messagebox.h"
#include "romaniser.h"
#include "spelling.h"
#include "textfile.h"

#include <QAction>
#include <QMenu>
#include <QStringList>
#include <QTextCursor>

#include <algorithm>
#include <cmath>

namespace kestrum {

namespace {

const QString Title = QStringLiteral("Kestrum");
const QString EnglishFilter = QStringLiteral("Text File|*.txt|Bangla File|.b|All Files|*.*");
const QString BanglaFilter = QStringLiteral("Rich Text File|*.rft|All Files|*.*");

// What the user should know about an English file just saved; empty when nothing.
QString saveNotice(const QString &path, const textfile::Encoded &file) {
    QStringList notes;
    if (file.utf8ForMark)
        notes << QStringLiteral("The text begins with \"\u00EF\u00BB\u00BF\", which Load would "
                                "take for a UTF-8 byte-order mark, so \"%1\" was saved as UTF-8 "
                                "and reads back unchanged.")
                     .arg(path);
    else if (file.utf8)
        notes << QStringLiteral("The text holds characters that Windows-1252 cannot "
                                "represent, so \"%1\" was saved as UTF-8.")
                     .arg(path);
    if (file.replaced > 0)
        notes << QStringLiteral("%1 of its characters (lone halves of UTF-16 surrogate pairs) "
                                "cannot be saved in any encoding; each was saved as U+FFFD, "
                                "the replacement character.")
                     .arg(file.replaced);
    if (file.bytes.size() > textfile::LoadLimit)
        notes << QStringLiteral("\"%1\" holds %2 bytes: Load reads files of at most %3 bytes, "
                                "so it will not read this file back.")
                     .arg(path)
                     .arg(file.bytes.size())
                     .arg(textfile::LoadLimit);
    return notes.join(QStringLiteral("\n\n"));
}

// What the user should know about a Bangla file just saved from `text`; empty when nothing.
QString banglaNotice(const QString &path, const QString &text) {
    QStringList controls;
    int count = 0, replaced = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') {
            ++count;
            const QString code = QStringLiteral("U+%1").arg(int(c), 4, 16, QLatin1Char('0'));
            if (!controls.contains(code.toUpper()))
                controls << code.toUpper();
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                   text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (QChar::isSurrogate(c)) {
            ++replaced;
        }
    }
    QStringList notes;
    if (count > 0)
        notes << QStringLiteral("The text holds %1 control characters (%2). \"%3\" keeps them, "
                                "but RTF readers such as LibreOffice drop them when they open "
                                "it.")
                     .arg(count)
                     .arg(controls.join(QStringLiteral(", ")), path);
    if (replaced > 0)
        notes << QStringLiteral("%1 of its characters (lone halves of UTF-16 surrogate pairs) "
                                "cannot be saved in any encoding; each was saved as U+FFFD, "
                                "the replacement character.")
                     .arg(replaced);
    return notes.join(QStringLiteral("\n\n"));
}

// The file chosen in the dialog titled `title` ("" for the platform's) shown with `filter` and
// the name `preset`; "" when cancelled.
QString chooseFile(CommonDialog &dialog, CommonDialog::Kind kind, const QString &title,
                   const QString &filter, const QString &preset) {
    dialog.setTitle(title);
    dialog.setFilter(filter);
    dialog.setFileName(preset);
    const bool chosen = kind == CommonDialog::Kind::Save ? dialog.showSave() : dialog.showOpen();
    return chosen ? dialog.fileName() : QString();
}

void reportFailure(QWidget *parent, const QString &message) {
    MessageBox::show(parent, message, Title, MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
}

} // namespace

void EditorWindow::newText() {
    if (m_typedSinceSave) {
        const auto answer = MessageBox::show(
            this, QStringLiteral("Do You want to save the Bangla or English File?"), Title,
            MessageBox::Buttons::YesNoCancel);
        if (answer == MessageBox::Answer::Cancel)
            return;
        if (answer == MessageBox::Answer::Yes) {
            // Clearing after a save that did not happen would lose the text.
            if (!saveEnglishFile() || !saveBanglaFile())
                return;
            m_typedSinceSave = false;
        }
    }
    text2->setText(QString());
    Text1->setText(QString());
    Text1->setFocus();
    // Nothing converted is left: the status bar and the log say nothing.
    m_host.session().log().clear();
    m_englishFileName.clear();
    m_banglaFileName.clear();
    forgetCaseUndo();
}

bool EditorWindow::saveEnglishFile() {
    // Titled by what it saves: New asks for both files one after the other.
    const QString path =
        chooseFile(C, CommonDialog::Kind::Save, QStringLiteral("Save English File"), EnglishFilter,
                   m_englishFileName);
    if (path.isEmpty())
        return false;
    const textfile::Encoded file = textfile::encode(Text1->text());
    QString error;
    if (!textfile::writeFile(path, file.bytes, &error)) {
        reportFailure(this, error);
        return false;
    }
    m_englishFileName = path;
    m_typedSinceSave = false;
    if (const QString notice = saveNotice(path, file); !notice.isEmpty())
        MessageBox::show(this, notice, Title, MessageBox::Buttons::Ok,
                         MessageBox::Icon::Information);
    return true;
}

bool EditorWindow::saveBanglaFile() {
    // What leaves is what the input says, the word typed last included.
    m_host.session().convertPending();
    const QString path = chooseFile(C, CommonDialog::Kind::Save, QStringLiteral("Save Bangla File"),
                                    BanglaFilter, m_banglaFileName);
    if (path.isEmpty())
        return false;
    QString error;
    if (!text2->saveFile(path, &error)) {
        reportFailure(this, error);
        return false;
    }
    m_banglaFileName = path;
    if (const QString notice = banglaNotice(path, text2->text()); !notice.isEmpty())
        MessageBox::show(this, notice, Title, MessageBox::Buttons::Ok,
                         MessageBox::Icon::Information);
    return true;
}

void EditorWindow::loadFile() {
    const QString path =
        chooseFile(C, CommonDialog::Kind::Open, QString(), EnglishFilter, QString());
    if (path.isEmpty())
        return;
    // Only a regular file is read, opened without waiting (a FIFO would hang the window), and
    // never more than one byte over the limit, which tells a file that is too large.
    const textfile::ReadResult read = textfile::readFile(path, textfile::LoadLimit);
    if (!read.ok) {
        reportFailure(this, read.error);
        return;
    }
    if (read.overLimit) {
        MessageBox::show(this, QStringLiteral("File too large to read....."),
                         QStringLiteral("eRROR"), MessageBox::Buttons::Ok,
                         MessageBox::Icon::Critical);
        return;
    }
    int replaced = 0;
    Text1->setText(textfile::decode(read.bytes, &replaced));
    m_host.session().convert();
    if (replaced > 0)
        MessageBox::show(this,
                         QStringLiteral("\"%1\" is marked as UTF-8, but %2 of its byte sequences "
                                        "are not UTF-8; each was read as U+FFFD, the "
                                        "replacement character.")
                             .arg(path)
                             .arg(replaced),
                         Title, MessageBox::Buttons::Ok, MessageBox::Icon::Information);
}

void EditorWindow::upperCase() {
    m_caseUndoText = Text1->text();
    m_hasCaseUndo = true;
    Text1->setSelText(Text1->selText().toUpper());
    m_typedSinceSave = true;
}

void EditorWindow::lowerCase() {
    m_caseUndoText = Text1->text();
    m_hasCaseUndo = true;
    Text1->setSelText(Text1->selText().toLower());
    m_typedSinceSave = true;
}

void EditorWindow::undoCase() {
    // Before any case change there is nothing to go back to (and the input must not be
    // emptied).
    if (!m_hasCaseUndo)
        return;
    // One step of the area's own undo history: what was typed since the case change is
    // replaced, not lost.
    Text1->replaceText(m_caseUndoText);
    m_typedSinceSave = true;
}

void EditorWindow::forgetCaseUndo() {
    m_caseUndoText.clear();
    m_hasCaseUndo = false;
}

RichTextBox *EditorWindow::activeArea() const {
    QWidget *active = focusWidget();
    if (active == Text1 || active == text2)
        return static_cast<RichTextBox *>(active);
    return nullptr;
}

void EditorWindow::viewMenuOpened() {
    const RichTextBox *area = activeArea();
    if (!area)
        return;
    // Halves round to the even neighbour (the default rounding mode).
    const double size = std::nearbyint(area->fontSize());
    for (std::size_t i = 0; i < SZ.size(); ++i)
        SZ[i]->setChecked(std::abs(size - m_fontSizes[i]) < 2);
}

void EditorWindow::fontSizeClick(int index) {
    if (RichTextBox *area = activeArea())
        area->setFontSize(m_fontSizes[std::size_t(index)]);
}

void EditorWindow::viewLog() {
    m_host.showLog();
}

bool EditorWindow::checksSpelling() const {
    return spc->isChecked();
}

EditorWindow::Spelling EditorWindow::spellingSuggestions(int position) {
    Spelling found;
    GlyphWord word;
    if (!checksSpelling() || !m_marks->misspeltAt(position, &word))
        return found;
    found.start = word.start;
    found.length = word.length;
    // The session counts code points with line breaks as CR LF; the document UTF-16 units
    // with one character for a break.
    const QString output = text2->rawText();
    std::size_t at = 0;
    for (int i = 0; i < word.start && i < output.size(); ++i) {
        if (output[i].isHighSurrogate())
            continue;
        at += output[i] == QChar(0x2028) || output[i] == QChar(0x2029) ? 2 : 1;
    }
    EditorSession &session = m_host.session();
    found.converted = session.convertedWordAt(at);
    // The neighbours of the keys the user typed, where it is a word of the input, and of the
    // keys the romaniser spells it with (those of the list's own spellings).
    std::vector<std::string> keys;
    if (found.converted) {
        const std::u32string input = Text1->rawText().toStdU32String();
        if (found.converted->inputStart + found.converted->inputLength <= input.size())
            keys.push_back(QString::fromStdU32String(input.substr(found.converted->inputStart,
                                                                  found.converted->inputLength))
                               .toStdString());
    }
    if (!m_romaniser)
        m_romaniser = std::make_unique<sutonnymj::Romaniser>(session.engine().tables());
    if (const std::optional<std::string> spelled = m_romaniser->romanise(word.unicode))
        keys.push_back(*spelled);
    constexpr int Limit = 8;
    for (const std::string &typed : keys)
        for (const SpellingChecker::Suggestion &suggestion : m_spelling->suggestions(typed, Limit))
            if (found.suggestions.size() < Limit &&
                std::none_of(found.suggestions.begin(), found.suggestions.end(),
                             [&](const auto &known) { return known.first == suggestion.glyphs; }))
                found.suggestions.append(
                    {suggestion.glyphs, QString::fromStdString(suggestion.keys)});
    return found;
}

void EditorWindow::offerSpellings(QMenu &menu, int position) {
    const Spelling word = spellingSuggestions(position);
    if (word.start < 0)
        return;
    QAction *before = menu.actions().value(0);
    if (word.suggestions.isEmpty()) {
        auto *none = new QAction(QStringLiteral("No Suggestions"), &menu);
        none->setEnabled(false);
        menu.insertAction(before, none);
    }
    // The suggestions are glyph codes: they read in the output area's font.
    QFont glyphFont(m_host.glyphFontFamily());
    glyphFont.setPointSizeF(menu.font().pointSizeF() * 1.5);
    for (int i = 0; i < word.suggestions.size(); ++i) {
        auto *item = new QAction(word.suggestions[i].first, &menu);
        item->setFont(glyphFont);
        connect(item, &QAction::triggered, this, [this, word, i] { takeSuggestion(word, i); });
        menu.insertAction(before, item);
    }
    menu.insertSeparator(before);
}

void EditorWindow::takeSuggestion(const Spelling &word, int index) {
    if (index < 0 || index >= word.suggestions.size())
        return;
    // A word of the input changes in the input, and the conversion writes it; the user's own
    // text changes in the output only.
    if (word.converted &&
        m_host.session().replaceWordKeys(*word.converted, word.suggestions[index].second))
        return;
    QTextCursor cursor(text2->document());
    cursor.setPosition(word.start);
    cursor.setPosition(word.start + word.length, QTextCursor::KeepAnchor);
    text2->setTextCursor(cursor);
    text2->setSelText(word.suggestions[index].first);
}

} // namespace kestrum
