#include "spelling.h"

#include "converter.h"
#include "cp1252.h"
#include "engine.h"
#include "lexicon.h"
#include "richtextbox.h"
#include "sutonnymj.h"
#include "unicodetext.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>

#include <array>
#include <filesystem>
#include <system_error>

namespace kestrum {

namespace {

constexpr auto Generation = sutonnymj::Generation::New;

// A Bengali letter or sign (not a digit, the dari or the currency signs).
bool isBengaliLetter(char32_t c) {
    return (c >= 0x0981 && c <= 0x09E3 && c != 0x09BD) || c == 0x09F0 || c == 0x09F1 || c == 0x09CE;
}

bool hasBengaliLetter(std::u32string_view text) {
    for (const char32_t c : text)
        if (isBengaliLetter(c))
            return true;
    return false;
}

// Whether a glyph character, by itself, stands for a Bengali letter or sign. Glyph codes are
// Windows-1252 characters; anything beyond is no glyph.
bool isLetterGlyph(char32_t c) {
    static const std::array<bool, 256> letters = [] {
        std::array<bool, 256> table{};
        for (std::size_t byte = 0x21; byte < 256; ++byte) {
            const std::u32string one(1, cp1252ToUnicode(static_cast<unsigned char>(byte)));
            table[byte] = hasBengaliLetter(sutonnymj::decodeText(one, Generation));
        }
        return table;
    }();
    const std::optional<unsigned char> byte = unicodeToCp1252(c);
    return byte && letters[*byte];
}

bool isSpace(QChar c) {
    return c.isSpace() || c == QChar(0x2028) || c == QChar(0x2029);
}

} // namespace

SpellingChecker::SpellingChecker(QString tablesDir, QObject *parent)
    : QObject(parent), m_tablesDir(std::move(tablesDir)) {
    m_poll.setInterval(50);
    connect(&m_poll, &QTimer::timeout, this, &SpellingChecker::poll);
}

SpellingChecker::~SpellingChecker() = default;

bool SpellingChecker::listInstalled() {
    std::error_code error;
    return std::filesystem::is_regular_file(ime::Lexicon::userWordList(), error);
}

void SpellingChecker::start() {
    if (m_started)
        return;
    m_started = true;
    try {
        m_converter = std::make_unique<ime::Converter>(m_tablesDir.toStdString());
    } catch (const std::exception &) {
        // Without tables there is nothing to suggest with; the program has said why already.
        return;
    }
    m_lexicon = ime::Lexicon::forUser(*m_converter);
    m_poll.start();
}

void SpellingChecker::poll() {
    if (!m_lexicon)
        return;
    // index() takes the finished index over without waiting for one that is still building.
    if (m_lexicon->index() || !m_lexicon->problem().empty()) {
        m_poll.stop();
        m_ready = m_lexicon->index() != nullptr;
        if (m_ready)
            Q_EMIT ready();
    }
}

bool SpellingChecker::known(std::u32string_view word) {
    if (!m_ready)
        return true;
    m_utf8.clear();
    for (const char32_t c : word)
        sutonnymj::appendUtf8(m_utf8, c);
    return m_lexicon->known(m_utf8);
}

std::vector<SpellingChecker::Suggestion> SpellingChecker::suggestions(std::string_view keys,
                                                                      std::size_t limit) {
    std::vector<Suggestion> found;
    if (!m_ready)
        return found;
    std::string glyphs;
    for (const ime::Lexicon::Candidate &candidate : m_lexicon->neighbours(keys, limit)) {
        glyphs.clear();
        if (!m_converter->convertWord(candidate.keys, glyphs))
            continue;
        QString text;
        for (const char byte : glyphs)
            text.append(QChar(char16_t(cp1252ToUnicode(static_cast<unsigned char>(byte)))));
        found.push_back({candidate.keys, text});
    }
    return found;
}

std::vector<GlyphWord> glyphWords(const QString &line) {
    std::vector<GlyphWord> words;
    for (int pos = 0; pos < line.size();) {
        if (isSpace(line[pos])) {
            ++pos;
            continue;
        }
        int end = pos;
        while (end < line.size() && !isSpace(line[end]))
            ++end;
        int first = pos, last = end;
        while (first < last && !isLetterGlyph(line[first].unicode()))
            ++first;
        while (last > first && !isLetterGlyph(line[last - 1].unicode()))
            --last;
        if (first < last) {
            GlyphWord word{first, last - first, {}};
            word.unicode =
                sutonnymj::decodeText(line.mid(first, last - first).toStdU32String(), Generation);
            if (hasBengaliLetter(word.unicode))
                words.push_back(std::move(word));
        }
        pos = end;
    }
    return words;
}

SpellingMarks::SpellingMarks(SpellingChecker &checker, QTextDocument *document)
    : QSyntaxHighlighter(document), m_checker(checker) {
    connect(&checker, &SpellingChecker::ready, this, [this] {
        if (m_on)
            rehighlight();
    });
}

void SpellingMarks::setOn(bool on) {
    if (m_on == on)
        return;
    m_on = on;
    rehighlight();
}

bool SpellingMarks::checked(const QTextBlock &block, int offset) const {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int start = fragment.position() - block.position();
        if (offset >= start && offset < start + fragment.length())
            return !RichTextBox::isLatin(fragment.charFormat());
    }
    return true;
}

void SpellingMarks::highlightBlock(const QString &text) {
    if (!m_on || text.isEmpty())
        return;
    // The first text to check starts reading the index; it is marked once that is ready.
    m_checker.start();
    if (!m_checker.isReady())
        return;
    QTextCharFormat mark;
    mark.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    mark.setUnderlineColor(Qt::red);
    for (const GlyphWord &word : glyphWords(text)) {
        if (checked(currentBlock(), word.start) && !m_checker.known(word.unicode))
            setFormat(word.start, word.length, mark);
    }
}

bool SpellingMarks::misspeltAt(int position, GlyphWord *word) {
    if (!m_on || !m_checker.isReady())
        return false;
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid())
        return false;
    const int offset = position - block.position();
    for (GlyphWord &candidate : glyphWords(block.text())) {
        if (offset < candidate.start || offset > candidate.start + candidate.length)
            continue;
        if (!checked(block, candidate.start) || m_checker.known(candidate.unicode))
            return false;
        candidate.start += block.position();
        *word = std::move(candidate);
        return true;
    }
    return false;
}

} // namespace kestrum
