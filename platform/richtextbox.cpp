// The rich-text area over QTextEdit, and its RTF writer.
#include "richtextbox.h"

#include "cp1252.h"
#include "fileio.h"
#include "runtime/units.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace kestrum {

namespace {

constexpr int TwipsPerPixel = 15;

void appendHexEscape(QByteArray &out, int byte) {
    static constexpr char Digits[] = "0123456789abcdef";
    out += "\\'";
    out += Digits[(byte >> 4) & 0xF];
    out += Digits[byte & 0xF];
}

// Appends `text` as RTF characters; line breaks become \par unless `inFontTable` (a font
// name has none).
void appendRtfText(QByteArray &out, QStringView text, bool inFontTable) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'\\':
            out += "\\\\";
            continue;
        case u'{':
            out += "\\{";
            continue;
        case u'}':
            out += "\\}";
            continue;
        case u'\t':
            out += "\\tab ";
            continue;
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            [[fallthrough]];
        case u'\n':
        case 0x2028: // line separator (Shift+Enter)
        case 0x2029: // paragraph separator
            if (!inFontTable)
                out += "\\par\r\n";
            continue;
        case u';':
            // A semicolon ends a font table entry.
            if (inFontTable) {
                appendHexEscape(out, ';');
                continue;
            }
            break;
        default:
            break;
        }
        if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else if (c < 0x80) {
            appendHexEscape(out, c);
        } else if (const auto byte = unicodeToCp1252(c)) {
            // The undefined bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D come back from their C1
            // characters, so every glyph byte survives.
            appendHexEscape(out, *byte);
        } else {
            // \u takes a signed 16-bit value; '?' is the fallback for readers without
            // Unicode (\uc1). A surrogate pair is written as its two units; a lone half of
            // one is no character at all (readers then lose the character after it) and is
            // written as U+FFFD, the replacement character.
            char16_t unit = c;
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                out += "\\u";
                out += QByteArray::number(int(static_cast<std::int16_t>(c)));
                out += '?';
                unit = text[++i].unicode();
            } else if (QChar::isSurrogate(c)) {
                unit = QChar::ReplacementCharacter;
            }
            out += "\\u";
            out += QByteArray::number(int(static_cast<std::int16_t>(unit)));
            out += '?';
        }
    }
}

// These run over the whole content on every conversion: each finds the characters it
// changes and copies the runs between them whole.
const char16_t *units(const QString &text) {
    return reinterpret_cast<const char16_t *>(text.constData());
}
char16_t *units(QString &text) {
    return reinterpret_cast<char16_t *>(text.data());
}

// The raw document text marks paragraphs with U+2029 and Shift+Enter breaks with U+2028:
// both become CR LF.
QString withCrLf(const QString &text) {
    const auto isBreak = [](char16_t u) { return (u | 1) == 0x2029; };
    const char16_t *from = units(text);
    const char16_t *const end = from + text.size();
    const auto breaks = std::count_if(from, end, isBreak);
    if (breaks == 0)
        return text;
    QString out(text.size() + breaks, Qt::Uninitialized);
    char16_t *to = units(out);
    for (;;) {
        const char16_t *const brk = std::find_if(from, end, isBreak);
        to = std::copy(from, brk, to);
        if (brk == end)
            break;
        *to++ = u'\r';
        *to++ = u'\n';
        from = brk + 1;
    }
    return out;
}

// Copies `text` with each line break (CR LF, lone CR, lone LF) written as `lf`, and, when
// `blocks` is set, also U+2029, U+FDD0 and U+FDD1 (the other characters that start a block).
void withBreaksAs(const QString &text, char16_t lf, bool blocks, QString &out) {
    const auto isSpecial = [blocks](char16_t u) {
        return u == u'\r' || u == u'\n' || (blocks && (u == 0x2029 || u == 0xFDD0 || u == 0xFDD1));
    };
    const char16_t *from = units(text);
    const char16_t *const end = from + text.size();
    const char16_t *special = std::find_if(from, end, isSpecial);
    // Nothing to change, or only LFs where LFs are wanted.
    if (special == end || (lf == u'\n' && !blocks && std::find(from, end, u'\r') == end)) {
        out = text;
        return;
    }
    out.resize(text.size());
    char16_t *const begin = units(out);
    char16_t *to = begin;
    for (;;) {
        to = std::copy(from, special, to);
        if (special == end)
            break;
        *to++ = lf;
        from = special + 1;
        if (*special == u'\r' && from != end && *from == u'\n')
            ++from;
        special = std::find_if(from, end, isSpecial);
    }
    out.truncate(to - begin);
}

// CR LF and lone CR as LF.
QString withLf(const QString &text) {
    QString out;
    withBreaksAs(text, u'\n', false, out);
    return out;
}

// The raw document text that inserting withLf(text) gives: QTextCursor::insertText starts a
// new block (the paragraph separator in the raw text) at each line break and at U+2029,
// U+FDD0 and U+FDD1.
void rawDocumentText(const QString &text, QString &out) {
    withBreaksAs(text, QChar::ParagraphSeparator, true, out);
}

// The length of the common beginning of a[0, n) and b[0, n), compared a block at a time.
qsizetype commonPrefix(const char16_t *a, const char16_t *b, qsizetype n) {
    constexpr qsizetype Block = 64;
    qsizetype i = 0;
    while (i + Block <= n && std::memcmp(a + i, b + i, Block * sizeof(char16_t)) == 0)
        i += Block;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

// The length of the common end of a[.., aEnd) and b[.., bEnd), at most n.
qsizetype commonSuffix(const char16_t *aEnd, const char16_t *bEnd, qsizetype n) {
    constexpr qsizetype Block = 64;
    qsizetype i = 0;
    while (i + Block <= n &&
           std::memcmp(aEnd - i - Block, bEnd - i - Block, Block * sizeof(char16_t)) == 0)
        i += Block;
    while (i < n && aEnd[-i - 1] == bEnd[-i - 1])
        ++i;
    return i;
}

// The character code a key produces for keyPress, or -1 for a key that produces none.
int pressedCharacter(const QKeyEvent *event, bool tabInserts) {
    switch (event->key()) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Tab:
        return tabInserts && !(event->modifiers() & Qt::ControlModifier) ? 9 : -1;
    default:
        break;
    }
    const QList<uint> codePoints = event->text().toUcs4();
    if (codePoints.isEmpty() || !QChar::isPrint(char32_t(codePoints.first())))
        return -1;
    return int(codePoints.first());
}

// A list box's drag may come from the list or from its viewport.
QListWidget *listBoxOf(QWidget *source) {
    if (!source)
        return nullptr;
    if (auto *list = qobject_cast<QListWidget *>(source))
        return list;
    if (auto *list = qobject_cast<QListWidget *>(source->parentWidget());
        list && list->viewport() == source)
        return list;
    return nullptr;
}

// The Latin marks are the code points of planes 15 and 16: their high surrogates.
bool isMarkHigh(char16_t u) {
    return u >= 0xDB80 && u <= 0xDBFF;
}

// The marked character starting at text[i], or 0 for none.
char32_t markedAt(QStringView text, qsizetype i) {
    if (!isMarkHigh(text[i].unicode()) || i + 1 >= text.size() || !text[i + 1].isLowSurrogate())
        return 0;
    return QChar::surrogateToUcs4(text[i], text[i + 1]);
}

// Calls run(piece, latin) for each run of unmarked and of marked characters of `text`, the
// marked ones without their marks.
template <class Run> void forEachRun(const QString &text, Run run) {
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype start = i;
        const bool latin = markedAt(text, i) != 0;
        while (i < text.size() && (markedAt(text, i) != 0) == latin)
            i += latin ? 2 : 1;
        const QString piece = text.mid(start, i - start);
        run(latin ? RichTextBox::unmarked(piece) : piece, latin);
    }
}

constexpr int LatinProperty = QTextFormat::UserProperty + 1;

QTextCharFormat withoutLatin(QTextCharFormat format) {
    format.clearProperty(QTextFormat::FontFamilies);
    format.clearProperty(LatinProperty);
    return format;
}

} // namespace

QByteArray toRtf(const QString &text, const QFont &font, const QString &latinFamily) {
    double points = font.pointSizeF();
    if (points <= 0 && font.pixelSize() > 0)
        points = runtime::units::pixelsToPoints(font.pixelSize());
    const int halfPoints = points > 0 ? qRound(points * 2) : 24;

    QByteArray out;
    out.reserve(text.size() * 2 + 128);
    const bool latin = RichTextBox::hasLatin(text);
    out += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 ";
    appendRtfText(out, font.family(), true);
    out += ";}";
    if (latin) {
        // A word processor shows these in a Latin font, as the text they are.
        out += "{\\f1\\fnil\\fcharset0 ";
        appendRtfText(out, latinFamily, true);
        out += ";}";
    }
    out += "}\r\n\\uc1\\pard\\f0\\fs";
    out += QByteArray::number(halfPoints);
    out += ' ';
    if (!latin) {
        appendRtfText(out, text, false);
    } else {
        forEachRun(text, [&out](const QString &piece, bool isLatin) {
            if (isLatin)
                out += "{\\f1 ";
            appendRtfText(out, piece, false);
            if (isLatin)
                out += '}';
        });
    }
    out += '}';
    return out;
}

RichTextBox::RichTextBox(QWidget *parent) : QTextEdit(parent) {
    // Pasted and dropped text takes the area's font, never formatting of its own.
    setAcceptRichText(false);
    applySelectionPalette();
    connect(document(), &QTextDocument::contentsChange, this, &RichTextBox::onContentsChange);
}

void RichTextBox::onContentsChange(int, int charsRemoved, int charsAdded) {
    if (m_programChange > 0)
        return;
    // A format-only change reports equal counts and leaves the text as it was.
    QString now = document()->toRawText();
    if (charsRemoved == charsAdded && now == m_reportedText)
        return;
    m_reportedText = std::move(now);
    // The handlers may delete the area.
    QPointer<RichTextBox> self(this);
    Q_EMIT change();
    if (self)
        Q_EMIT edited();
}

QString RichTextBox::text() const {
    return withCrLf(document()->toRawText());
}

QString RichTextBox::markLatin(QStringView text) {
    QString out;
    out.reserve(text.size() * 2);
    for (const char32_t c : text.toUcs4()) {
        const char32_t marked = c < 0x20000 ? LatinMark + c : c;
        out += QChar::fromUcs4(marked);
    }
    return out;
}

QString RichTextBox::unmarked(const QString &text) {
    if (!hasLatin(text))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (const char32_t c = markedAt(text, i)) {
            out += QChar::fromUcs4(c - LatinMark);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool RichTextBox::isMarkedAt(QStringView text, qsizetype i) {
    return markedAt(text, i) != 0;
}

bool RichTextBox::hasLatin(const QString &markedText) {
    // Runs over every text the area is given: look for the marks' high surrogates first.
    const char16_t *const begin = units(markedText);
    const char16_t *const end = begin + markedText.size();
    for (const char16_t *u = begin; u != end; ++u)
        if (isMarkHigh(*u) && markedAt(markedText, u - begin))
            return true;
    return false;
}

QString RichTextBox::markedRaw(int from, int to) const {
    QString raw;
    const QTextDocument *doc = document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(from, fragment.position());
            const int end = std::min(to, fragment.position() + fragment.length());
            if (start >= end)
                continue;
            const QString piece = fragment.text().mid(start - fragment.position(), end - start);
            raw += isLatin(fragment.charFormat()) ? markLatin(piece) : piece;
        }
        const int separator = block.position() + block.length() - 1;
        if (block.next().isValid() && from <= separator && separator < to)
            raw += QChar::ParagraphSeparator;
    }
    return raw;
}

QString RichTextBox::markedText() const {
    if (!m_hasLatin)
        return text();
    return withCrLf(markedRaw(0, document()->characterCount()));
}

QString RichTextBox::markedSelText() const {
    if (!m_hasLatin)
        return selText();
    const QTextCursor cursor = textCursor();
    return withCrLf(markedRaw(cursor.selectionStart(), cursor.selectionEnd()));
}

QString RichTextBox::rawText() const {
    return currentRawText(0);
}

QString RichTextBox::currentRawText(int ownEdits) const {
    // Outside the area's own edits m_reportedText follows every change of the text (format
    // changes leave it as it is), so it is the document's text without a copy; its length
    // is checked against the document's as a guard.
    if (m_programChange == ownEdits && m_reportedText.size() == document()->characterCount() - 1)
        return m_reportedText;
    return document()->toRawText();
}

void RichTextBox::setText(const QString &text) {
    ++m_programChange;
    const bool latin = hasLatin(text);
    const QString &plain = latin ? unmarked(text) : text;
    if (m_partialUpdate)
        rawDocumentText(plain, m_newRawText);
    if (!m_partialUpdate || !replaceChangedPart(m_newRawText)) {
        setPlainText(withLf(plain));
        m_reportedText = document()->toRawText();
    }
    if (latin || m_hasLatin)
        applyLatinRuns(text);
    --m_programChange;
    Q_EMIT change();
}

void RichTextBox::applyLatinRuns(const QString &text) {
    QTextDocument *doc = document();
    QTextCursor cursor(doc);
    // Formats only: the undo history setText started afresh gets no steps of them.
    const bool undoEnabled = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    // One edit: the document is laid out once, not after every run.
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.setCharFormat(withoutLatin(cursor.charFormat()));
    QTextCharFormat latin;
    if (!m_latinFamily.isEmpty())
        latin.setFontFamilies(QStringList{m_latinFamily});
    latin.setProperty(LatinProperty, true);
    // Document positions: every line break is one character there.
    int position = 0;
    m_hasLatin = false;
    // Consecutive Latin characters are formatted as one run.
    int runStart = 0, runEnd = 0;
    const auto flush = [&] {
        if (runEnd > runStart) {
            cursor.setPosition(runStart);
            cursor.setPosition(runEnd, QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(latin);
        }
        runStart = runEnd = 0;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar u = text[i];
        if (const char32_t c = markedAt(text, i)) {
            const int length = c - LatinMark >= 0x10000 ? 2 : 1;
            if (runEnd != position) {
                flush();
                runStart = position;
            }
            runEnd = position + length;
            m_hasLatin = true;
            position += length;
            ++i;
        } else if (u.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            position += 2;
            ++i;
        } else {
            if (u == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            ++position;
        }
    }
    flush();
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(undoEnabled);
}

void RichTextBox::insertMarked(QTextCursor &cursor, const QString &text) {
    const QTextCharFormat own = withoutLatin(cursor.charFormat());
    QTextCharFormat latin = own;
    if (!m_latinFamily.isEmpty())
        latin.setFontFamilies(QStringList{m_latinFamily});
    latin.setProperty(LatinProperty, true);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    forEachRun(text, [&](const QString &piece, bool isLatin) {
        cursor.insertText(piece, isLatin ? latin : own);
        m_hasLatin = m_hasLatin || isLatin;
    });
    cursor.endEditBlock();
}

bool RichTextBox::replaceChangedPart(QString &raw) {
    QTextDocument *doc = document();
    const QString old = currentRawText(1); // inside setText's own edit
    const qsizetype shorter = std::min(old.size(), raw.size());
    const qsizetype prefix = commonPrefix(units(old), units(std::as_const(raw)), shorter);
    const qsizetype suffix = commonSuffix(units(old) + old.size(),
                                          units(std::as_const(raw)) + raw.size(), shorter - prefix);
    // The edit may start or end between the halves of a surrogate pair: the document's
    // characters are UTF-16 units, and the result is the same text.
    // Mostly new text: rebuilding is as cheap, and an empty area has nothing to keep.
    if (old.isEmpty() || 2 * (prefix + suffix) < std::max(old.size(), raw.size()))
        return false;

    // What setPlainText gives: the new text in the format the caret has, an undo history
    // that starts afresh (disabling undo clears it), an unmodified document and the caret at
    // the start.
    const QTextCharFormat format = withoutLatin(textCursor().charFormat());
    const bool undoEnabled = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    cursor.setPosition(int(prefix));
    cursor.setPosition(int(old.size() - suffix), QTextCursor::KeepAnchor);
    cursor.insertText(raw.mid(prefix, raw.size() - suffix - prefix), format);
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(undoEnabled);
    doc->setModified(false);
    setTextCursor(QTextCursor(doc));
    // The document now holds exactly `raw`.
    // The text it replaces leaves its room for the next call.
    std::swap(m_reportedText, raw);
    return true;
}

void RichTextBox::replaceText(const QString &text) {
    QTextCursor cursor(document());
    ++m_programChange;
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(withLf(text));
    cursor.endEditBlock();
    --m_programChange;
    cursor.movePosition(QTextCursor::Start);
    setTextCursor(cursor);
    m_reportedText = document()->toRawText();
    Q_EMIT change();
}

int RichTextBox::selStart() const {
    return textCursor().selectionStart();
}

void RichTextBox::setSelStart(int position) {
    const int end = document()->characterCount() - 1; // without the final block separator
    QTextCursor cursor = textCursor();
    cursor.setPosition(qBound(0, position, end));
    setTextCursor(cursor);
}

QString RichTextBox::selText() const {
    return withCrLf(textCursor().selectedText());
}

void RichTextBox::setSelText(const QString &text) {
    QTextCursor cursor = textCursor();
    ++m_programChange;
    // Replaces the selection; unmarked text in the area's own font, also beside a Latin run.
    insertMarked(cursor, withLf(text));
    --m_programChange;
    setTextCursor(cursor);
    m_reportedText = document()->toRawText();
    Q_EMIT change();
}

QString RichTextBox::textRTF() const {
    return QString::fromLatin1(toRtf(markedText(), rtfFont(), m_latinFamily));
}

QFont RichTextBox::rtfFont() const {
    QFont f = font();
    if (!m_rtfFontFamily.isEmpty())
        f.setFamily(m_rtfFontFamily);
    return f;
}

double RichTextBox::fontSize() const {
    return font().pointSizeF();
}

void RichTextBox::setFontSize(double points) {
    if (!(points > 0))
        return;
    QFont f = font();
    f.setPointSizeF(points);
    setControlFont(f);
}

QFont RichTextBox::controlFont() const {
    return font();
}

void RichTextBox::setControlFont(const QFont &font) {
    // QTextEdit makes the widget font the document's default font; the content carries no
    // font of its own, so the whole text follows.
    ++m_programChange;
    setFont(font);
    --m_programChange;
}

bool RichTextBox::saveFile(const QString &path, QString *error) const {
    const auto fail = [&](const QString &reason) {
        if (error)
            *error = tr("Cannot save \"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
        return false;
    };
    if (path.isEmpty())
        return fail(tr("no file name given"));
    const QByteArray rtf = toRtf(markedText(), rtfFont(), m_latinFamily);
    std::string reason;
    if (!fileio::writeFileAtomically(QFile::encodeName(path).toStdString(),
                                     std::string_view(rtf.constData(), std::size_t(rtf.size())),
                                     &reason))
        return fail(QString::fromLocal8Bit(reason));
    if (error)
        error->clear();
    return true;
}

void RichTextBox::setHideSelection(bool hide) {
    if (m_hideSelection == hide)
        return;
    m_hideSelection = hide;
    applySelectionPalette();
    viewport()->update();
}

void RichTextBox::applySelectionPalette() {
    // Without the focus the text control paints the selection in the Inactive colours.
    QPalette p = palette();
    if (m_hideSelection) {
        p.setColor(QPalette::Inactive, QPalette::Highlight, Qt::transparent);
        p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   p.color(QPalette::Inactive, QPalette::Text));
    } else {
        p.setColor(QPalette::Inactive, QPalette::Highlight,
                   p.color(QPalette::Active, QPalette::Highlight));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   p.color(QPalette::Active, QPalette::HighlightedText));
    }
    setPalette(p);
}

void RichTextBox::dropFrom(QWidget *source, const QPoint &position) {
    DropSource dropped;
    dropped.widget = source;
    QListWidget *list = listBoxOf(source);
    dropped.isListBox = list != nullptr;
    if (list) {
        dropped.name = list->objectName();
        // The selected entry: a list's current entry may be one that is not selected.
        if (const QList<QListWidgetItem *> selected = list->selectedItems(); !selected.isEmpty())
            dropped.itemText = selected.first()->text();
    } else if (source) {
        dropped.name = source->objectName();
    }
    Q_EMIT dragDrop(dropped, position.x() * TwipsPerPixel, position.y() * TwipsPerPixel);
}

void RichTextBox::setPasteFilter(std::function<QString(const QString &)> filter) {
    m_pasteFilter = std::move(filter);
}

bool RichTextBox::isLatin(const QTextCharFormat &format) {
    return format.boolProperty(LatinProperty);
}

void RichTextBox::setLongPasteCheck(std::function<bool()> carryOn) {
    m_longPasteCheck = std::move(carryOn);
}

void RichTextBox::insertFromMimeData(const QMimeData *source) {
    if (!source || !source->hasText() || m_pasting) {
        if (!m_pasting)
            QTextEdit::insertFromMimeData(source);
        return;
    }
    const QString text = m_pasteFilter ? m_pasteFilter(source->text()) : source->text();
    if (text.size() > LongPastePiece) {
        insertLongText(text);
        return;
    }
    if (!m_pasteFilter) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    // The filtered text goes in in the area's own font, its Latin characters in the Latin one,
    // whatever run the caret is in.
    QTextCursor cursor = textCursor();
    insertMarked(cursor, withLf(text));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void RichTextBox::insertLongText(const QString &text) {
    const QPointer<RichTextBox> self(this);
    QTextCursor cursor = textCursor();
    const bool wasReadOnly = isReadOnly();
    // Keys typed meanwhile do not land in the middle of the paste.
    setReadOnly(true);
    m_pasting = true;
    ++m_programChange;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype piece = std::min(LongPastePiece, text.size() - at);
        // Never between the halves of a surrogate pair or of a CR LF.
        const qsizetype end = at + piece;
        if (end < text.size() &&
            (text.at(end).isLowSurrogate() || (text.at(end) == u'\n' && text.at(end - 1) == u'\r')))
            ++piece;
        if (at == 0)
            cursor.beginEditBlock();
        else
            cursor.joinPreviousEditBlock();
        insertMarked(cursor, withLf(text.mid(at, piece)));
        cursor.endEditBlock();
        at += piece;
        if (at < text.size()) {
            QCoreApplication::processEvents();
            if (!self)
                return;
            if (m_longPasteCheck && !m_longPasteCheck())
                break;
        }
    }
    --m_programChange;
    m_pasting = false;
    setReadOnly(wasReadOnly);
    setTextCursor(cursor);
    ensureCursorVisible();
    m_reportedText = document()->toRawText();
    Q_EMIT change();
    if (self)
        Q_EMIT edited();
}

QString RichTextBox::controlDragMimeType() {
    return QStringLiteral("application/x-kestrum-control-drag");
}

QKeySequence RichTextBox::undoKey() {
    return QKeySequence(Qt::ALT | Qt::Key_Backspace);
}

QKeySequence RichTextBox::redoKey() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
}

void RichTextBox::keyPressEvent(QKeyEvent *event) {
    // The handlers run before the key takes effect and may do anything, the area's deletion
    // included.
    QPointer<RichTextBox> self(this);
    const int keyCode = runtime::virtualKey(event->key());
    const int shift = runtime::shiftStateMask(event->modifiers());
    Q_EMIT keyDown(keyCode, shift);
    if (!self)
        return;
    if (const int character = pressedCharacter(event, !tabChangesFocus()); character >= 0) {
        Q_EMIT keyPress(character);
        if (!self)
            return;
    }
    // Keys of the area's own that the platform may bind to something else, or to nothing.
    const QKeySequence pressed(event->keyCombination());
    if (pressed == undoKey() && !isReadOnly()) {
        undo();
        event->accept();
    } else if (pressed == redoKey() && !isReadOnly()) {
        redo();
        event->accept();
    } else {
        QTextEdit::keyPressEvent(event);
    }
    if (self)
        Q_EMIT keyApplied(keyCode, shift);
}

void RichTextBox::contextMenuEvent(QContextMenuEvent *event) {
    // A child of the area: if a command of the menu deletes the area, the menu goes with it.
    const QPointer<QMenu> menu = createStandardContextMenu(event->pos());
    if (!menu)
        return;
    // The standard menu names the platform's undo and redo keys, which the window may give to
    // commands of its own: name the area's own keys instead.
    for (QAction *action : menu->actions()) {
        const auto name = action->objectName();
        const QKeySequence key = name == QLatin1String("edit-undo")   ? undoKey()
                                 : name == QLatin1String("edit-redo") ? redoKey()
                                                                      : QKeySequence();
        if (!key.isEmpty())
            action->setText(action->text().section(QLatin1Char('\t'), 0, 0) + QLatin1Char('\t') +
                            key.toString(QKeySequence::NativeText));
    }
    if (m_contextMenuHook)
        m_contextMenuHook(*menu, cursorForPosition(event->pos()).position());
    if (!menu)
        return;
    menu->exec(event->globalPos());
    delete menu.data();
}

void RichTextBox::mousePressEvent(QMouseEvent *event) {
    m_clickPending = event->button() == Qt::LeftButton;
    m_pressPosition = event->position().toPoint();
    QTextEdit::mousePressEvent(event);
}

void RichTextBox::mouseMoveEvent(QMouseEvent *event) {
    if (m_clickPending && (event->position().toPoint() - m_pressPosition).manhattanLength() >=
                              QApplication::startDragDistance())
        m_clickPending = false; // a selection or a drag, not a click
    QTextEdit::mouseMoveEvent(event);
}

void RichTextBox::mouseReleaseEvent(QMouseEvent *event) {
    const bool click = m_clickPending && event->button() == Qt::LeftButton;
    if (event->button() == Qt::LeftButton)
        m_clickPending = false;
    QPointer<RichTextBox> self(this);
    QTextEdit::mouseReleaseEvent(event);
    if (click && self)
        Q_EMIT clicked();
}

void RichTextBox::mouseDoubleClickEvent(QMouseEvent *event) {
    // The release that ends a double click is no click of its own.
    m_clickPending = false;
    QPointer<RichTextBox> self(this);
    QTextEdit::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && self)
        Q_EMIT doubleClicked();
}

void RichTextBox::focusInEvent(QFocusEvent *event) {
    QTextEdit::focusInEvent(event);
    viewport()->update();
    Q_EMIT focusChanged(true);
}

void RichTextBox::focusOutEvent(QFocusEvent *event) {
    QTextEdit::focusOutEvent(event);
    viewport()->update();
    Q_EMIT focusChanged(false);
}

void RichTextBox::dragEnterEvent(QDragEnterEvent *event) {
    if (event->mimeData()->hasFormat(controlDragMimeType())) {
        event->acceptProposedAction();
        return;
    }
    QTextEdit::dragEnterEvent(event);
}

void RichTextBox::dragMoveEvent(QDragMoveEvent *event) {
    if (event->mimeData()->hasFormat(controlDragMimeType())) {
        event->acceptProposedAction();
        return;
    }
    QTextEdit::dragMoveEvent(event);
}

void RichTextBox::dropEvent(QDropEvent *event) {
    if (event->mimeData()->hasFormat(controlDragMimeType())) {
        // A control drop inserts nothing itself: the drop handler decides what to do.
        event->acceptProposedAction();
        const QPoint position = viewport()->mapTo(this, event->position().toPoint());
        dropFrom(qobject_cast<QWidget *>(event->source()), position);
        return;
    }
    QTextEdit::dropEvent(event);
}

void RichTextBox::paintEvent(QPaintEvent *event) {
    QTextEdit::paintEvent(event);
    // With the selection kept visible, the caret is too: it marks where an insertion from
    // another window lands.
    if (m_hideSelection || hasFocus() || textCursor().hasSelection())
        return;
    QRect caret = cursorRect();
    caret.setWidth(qMax(1, cursorWidth()));
    QPainter painter(viewport());
    painter.fillRect(caret, palette().color(QPalette::Inactive, QPalette::Text));
}

} // namespace kestrum
