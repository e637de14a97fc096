// The word converter, its special rules and the text driver.
#include "engine.h"

#include "cp1252.h"

#include <array>
#include <initializer_list>

namespace kestrum {

namespace {

constexpr char kNaPhala = '\x9C';
constexpr char kMaPhala = '\xA5';
constexpr char kBaPhala = '\xA6';
constexpr char kLaPhala = '\xAD';
constexpr char kRaPhala = '\xAA';
constexpr char kYaPhala = '\xA8';
constexpr char kReph = '\xA9';
constexpr char kEKarAtWordStart = '\x86';
constexpr char kOiKarAtWordStart = '\x88';
constexpr char kIKar = 'w';

// The character at the 1-based position pos; beyond the word (or before it) nothing.
char charAt(std::string_view word, int pos)
{
    if (pos < 1 || static_cast<std::size_t>(pos) > word.size())
        return '\0';
    return word[static_cast<std::size_t>(pos - 1)];
}

bool isOneOf(std::string_view key, std::initializer_list<std::string_view> keys)
{
    for (std::string_view k : keys) {
        if (key == k)
            return true;
    }
    return false;
}

// Keys of letters that take no N/M/W/L sign.
bool takesNoNmwl(std::string_view key)
{
    return isOneOf(key, {"~~", "ng", "NG", "~T", "~t"});
}

// Keys that, standing after an "R", keep that "R" an ordinary consonant.
bool keepsRConsonant(std::string_view key)
{
    return isOneOf(key, {"r", "R", "ng", "~t", "~T", "~~", "~R", "Y", "A", "W"});
}

void appendTrimmed(std::string &out, std::string_view syllable)
{
    out.append(trimSpaces(syllable));
}

void appendAsText(std::u32string &out, std::string_view bytes)
{
    for (char b : bytes)
        out.push_back(cp1252ToUnicode(static_cast<unsigned char>(b)));
}

} // namespace

GlyphString takeNmwlSign(std::string_view word, int &pos)
{
    switch (charAt(word, pos)) {
    case 'N':
        ++pos;
        return GlyphString(1, kNaPhala);
    case 'M':
        ++pos;
        return GlyphString(1, kMaPhala);
    case 'W':
        if (charAt(word, pos + 1) == 'R' && charAt(word, pos + 2) == 'I')
            return {};
        ++pos;
        return GlyphString(1, kBaPhala);
    case 'L':
        ++pos;
        return GlyphString(1, kLaPhala);
    default:
        return {};
    }
}

GlyphString takeRySign(std::string_view word, int &pos, std::string_view key)
{
    if (isOneOf(key, {"~~", "ng", "~t", "~T"}))
        return {};
    const char c = charAt(word, pos);
    if (c == 'R') {
        if (isOneOf(key, {"r", "R", "~r"}))
            return {};
        ++pos;
        return GlyphString(1, kRaPhala);
    }
    if (c == 'J' || c == 'Y') {
        ++pos;
        return GlyphString(1, kYaPhala);
    }
    return {};
}

Engine::Engine(Lookup lookup) : m_lookup(lookup)
{
    rebuildIndexes();
}

void Engine::loadTables(const std::filesystem::path &dir)
{
    m_conversionOutput.clear();
    setTables(readTables(dir));
}

void Engine::setTables(Tables tables)
{
    m_tables = std::move(tables);
    rebuildIndexes();
}

void Engine::rebuildIndexes()
{
    if (m_lookup == Lookup::Indexed) {
        m_firstIndex = KeyIndex(m_tables.firstTable);
        m_nextIndex = KeyIndex(m_tables.nextTable);
        m_connectIndex = KeyIndex(m_tables.connectTable);
    } else {
        m_firstIndex = m_nextIndex = m_connectIndex = KeyIndex();
    }
}

int Engine::match(const Table &table, const KeyIndex &index, int maxLength, std::string_view word,
                  int &pos) const
{
    if (m_lookup == Lookup::Indexed)
        return index.match(table, maxLength, word, pos);
    return matchLongest(table, maxLength, word, pos);
}

int Engine::matchFirst(std::string_view word, int &pos) const
{
    return match(m_tables.firstTable, m_firstIndex, kFirstMaxLength, word, pos);
}

int Engine::matchNext(std::string_view word, int &pos) const
{
    return match(m_tables.nextTable, m_nextIndex, kNextMaxLength, word, pos);
}

int Engine::matchConnect(std::string_view word, int &pos) const
{
    return match(m_tables.connectTable, m_connectIndex, kConnectMaxLength, word, pos);
}

bool Engine::isVowelKey(std::string_view key) const
{
    key = trimSpaces(key);
    for (int i = 1; i <= kVowelRecords; ++i) {
        if (compareKeys(m_tables.vowelKeys[static_cast<std::size_t>(i)].trimmed(), key) == 0)
            return true;
    }
    return false;
}

GlyphString Engine::placeVowelSign(std::string_view cluster, int index, std::string_view rjy,
                                   bool atWordStart) const
{
    const std::string_view glyphs = m_tables.connectTable[index].glyphs.trimmed();
    const std::string_view key = m_tables.connectTable[index].key.trimmed();
    GlyphString syllable;
    syllable.reserve(cluster.size() + rjy.size() + glyphs.size());
    auto before = [&](std::string_view sign) {
        syllable.append(sign).append(cluster).append(rjy);
    };
    if (isOneOf(key, {"A", "II"})) {
        syllable.append(cluster).append(rjy).append(glyphs);
    } else if (isOneOf(key, {"WRI", "UU", "h", "U"})) {
        syllable.append(cluster).append(glyphs).append(rjy);
    } else if (key == "E") {
        before(atWordStart ? std::string_view(&kEKarAtWordStart, 1) : glyphs);
    } else if (key == "I") {
        before(glyphs);
    } else if (key == "y") {
        before(atWordStart ? std::string_view(&kOiKarAtWordStart, 1) : glyphs);
    } else if (key == "O") {
        syllable.append(cluster).append(rjy);
    } else if (isOneOf(key, {"OO", "OW"})) {
        GlyphString wrap(glyphs);
        if (atWordStart && !wrap.empty())
            wrap.front() = kEKarAtWordStart;
        if (wrap.empty()) {
            syllable.append(cluster).append(rjy);
        } else {
            syllable.push_back(wrap.front());
            syllable.append(cluster).append(rjy);
            syllable.push_back(wrap.back());
        }
    }
    // Any other key places nothing, not even the consonant.
    return syllable;
}

void Engine::rjyStep(std::string_view word, int &pos, std::string_view key, GlyphString &rjy) const
{
    const int length = static_cast<int>(word.size());
    if (pos != length)
        rjy = takeRySign(word, pos, key);
    if (pos != length && !rjy.empty()) {
        const GlyphString second = takeRySign(word, pos, key);
        if (second != rjy)
            rjy += second;
        else
            pos -= 1; // the letter of the repeated sign is read again in the next unit
    }
}

void Engine::logFailure(int pos, std::string_view word)
{
    if (!m_log)
        return;
    std::string line = "Position:";
    line += std::to_string(pos);
    line += " Word:";
    line += word;
    m_log->append(line);
}

void Engine::convertWord(std::string_view word)
{
    std::string bytes;
    convertWordInto(word, bytes);
    appendAsText(m_conversionOutput, bytes);
}

void Engine::convertWordInto(std::string_view word, std::string &out)
{
    const int length = static_cast<int>(word.size());
    int pos = 1;
    bool atWordStart = true;
    GlyphString nmwl, rjy, syllable;

    // The first unit: a vowel, or a consonant with its signs, from the first table.
    int idx = matchFirst(word, pos);
    if (idx == 0) {
        logFailure(1, word);
        return;
    }
    {
        const TableRecord &record = m_tables.firstTable[idx];
        const std::string_view key = record.key.trimmed();
        const std::string_view glyph = record.glyphs.trimmed();
        if (isVowelKey(key)) {
            out.append(glyph);
        } else {
            rjy.clear();
            nmwl = takesNoNmwl(key) ? GlyphString() : takeNmwlSign(word, pos);
            rjyStep(word, pos, key, rjy);
            const int sign = matchConnect(word, pos);
            if (sign == 0) {
                syllable.assign(glyph).append(nmwl).append(rjy);
            } else {
                GlyphString cluster(glyph);
                cluster += nmwl;
                syllable = placeVowelSign(cluster, sign, rjy, atWordStart);
            }
            appendTrimmed(out, syllable);
        }
    }

    // Every later unit, from the next table.
    atWordStart = false;
    GlyphString rmark;
    while (pos <= length) {
        idx = matchNext(word, pos);
        if (idx == 0) {
            logFailure(pos, word);
            return;
        }
        const TableRecord &record = m_tables.nextTable[idx];
        const std::string_view key = record.key.trimmed();
        const std::string_view glyph = record.glyphs.trimmed();
        if (isVowelKey(key)) {
            out.append(glyph);
            yieldToUi();
            continue;
        }

        // An "R" before a consonant (no vowel sign after it) is the reph of that consonant.
        int look = pos;
        const int signAfter = matchConnect(word, look);
        if (key == "R" && signAfter == 0 && pos <= length) {
            look = pos;
            const int following = matchNext(word, look);
            if (following > 0) {
                const std::string_view nextKey = m_tables.nextTable[following].key.trimmed();
                if (!isVowelKey(nextKey) && !keepsRConsonant(nextKey)) {
                    rmark.assign(1, kReph);
                    yieldToUi();
                    continue;
                }
            }
        }

        rjy.clear();
        nmwl = takesNoNmwl(key) ? GlyphString() : takeNmwlSign(word, pos);
        rjyStep(word, pos, key, rjy);
        const int sign = matchConnect(word, pos);
        if (sign == 0 && charAt(word, pos) == 'Y' && pos == length) {
            // A word-final "Y" after a consonant is the i-kar written before it.
            syllable.assign(1, kIKar).append(glyph).append(rmark).append(nmwl).append(rjy);
            ++pos;
        } else if (sign == 0) {
            syllable.assign(glyph).append(rmark).append(nmwl).append(rjy);
        } else {
            GlyphString cluster(glyph);
            cluster.append(rmark).append(nmwl);
            syllable = placeVowelSign(cluster, sign, rjy, atWordStart);
        }
        appendTrimmed(out, syllable);
        rmark.clear();
        yieldToUi();
    }
}

template <class Emit> void Engine::drive(std::u32string_view text, Emit &&emit)
{
    m_word.clear();
    auto flush = [&] {
        if (!m_word.empty()) {
            m_wordBytes.clear();
            convertWordInto(m_word, m_wordBytes);
            emit.glyphs(m_wordBytes);
            m_word.clear();
        }
    };
    for (char32_t ch : text) {
        if (isWordChar(ch)) {
            m_word.push_back(static_cast<char>(ch));
        } else if (ch >= U'0' && ch <= U'9') {
            flush();
            emit.character(ch);
        } else {
            flush();
            if (ch == U'\n') {
                emit.character(U'\r');
                emit.character(U'\n');
            } else if (ch != U'\r') {
                emit.character(ch == U'.' ? U'|' : ch);
            }
        }
    }
    flush();
}

Engine::Result Engine::convertText(std::u32string_view text)
{
    if (text.empty())
        return Result::EmptyInput;
    if (m_converting)
        return Result::Busy;
    m_converting = true;
    m_conversionOutput.clear();
    if (m_log)
        m_log->clear();
    struct {
        std::u32string &out;
        void glyphs(std::string_view bytes) { appendAsText(out, bytes); }
        void character(char32_t c) { out.push_back(c); }
    } emit{m_conversionOutput};
    try {
        drive(text, emit);
    } catch (...) {
        m_converting = false;
        throw;
    }
    m_converting = false;
    return Result::Converted;
}

std::string Engine::convertBytes(std::string_view bytes)
{
    std::u32string text;
    text.reserve(bytes.size());
    for (char b : bytes)
        text.push_back(cp1252ToUnicode(static_cast<unsigned char>(b)));
    std::string out;
    if (convertText(text) != Result::Converted)
        return out;
    out.reserve(m_conversionOutput.size());
    for (char32_t c : m_conversionOutput)
        out.push_back(static_cast<char>(*unicodeToCp1252(c)));
    return out;
}

} // namespace kestrum
