// The word converter, its special rules and the text driver.
#include "engine.h"

#include "cp1252.h"
#include "glyphcodes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <type_traits>

namespace kestrum {

using namespace glyph;

namespace {

// The character at the 1-based position pos; beyond the word (or before it) nothing.
char charAt(std::string_view word, int pos) {
    if (pos < 1 || static_cast<std::size_t>(pos) > word.size())
        return '\0';
    return word[static_cast<std::size_t>(pos - 1)];
}

bool isOneOf(std::string_view key, std::initializer_list<std::string_view> keys) {
    for (std::string_view k : keys) {
        if (key == k)
            return true;
    }
    return false;
}

// Keys of letters that take no N/M/W/L sign.
bool takesNoNmwl(std::string_view key) {
    return isOneOf(key, {"~~", "ng", "NG", "~T", "~t"});
}

// Keys that, standing after an "R", keep that "R" an ordinary consonant.
bool keepsRConsonant(std::string_view key) {
    return isOneOf(key, {"r", "R", "ng", "~t", "~T", "~~", "~R", "Y", "A", "W"});
}

void appendTrimmed(std::string &out, std::string_view syllable) {
    out.append(trimSpaces(syllable));
}

void appendAsText(std::u32string &out, std::string_view bytes) {
    for (char b : bytes)
        out.push_back(cp1252ToUnicode(static_cast<unsigned char>(b)));
}

} // namespace

GlyphString takeNmwlSign(std::string_view word, int &pos) {
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

GlyphString takeRySign(std::string_view word, int &pos, std::string_view key) {
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

Engine::Engine(Lookup lookup, WordMemo memo)
    : m_lookup(lookup), m_keepsMemo(lookup == Lookup::Indexed && memo == WordMemo::Kept) {
    rebuildIndexes();
}

void Engine::loadTables(const std::filesystem::path &dir) {
    setTables(readTables(dir));
}

void Engine::setLineBreaks(LineBreaks lineBreaks) {
    if (lineBreaks == m_lineBreaks)
        return;
    m_lineBreaks = lineBreaks;
    // The previous output has its line breaks the old way.
    m_previous.valid = false;
}

void Engine::setTables(Tables tables) {
    m_tables = std::move(tables);
    rebuildIndexes();
}

std::vector<Engine::RecordInfo> Engine::describe(const Table &table) const {
    std::vector<RecordInfo> infos(static_cast<std::size_t>(table.size()) + 1);
    for (int i = 1; i <= table.size(); ++i) {
        RecordInfo &info = infos[static_cast<std::size_t>(i)];
        info.key = table[i].key.trimmed();
        info.glyphs = table[i].glyphs.trimmed();
        info.vowel = isVowelKey(info.key);
        info.noNmwl = takesNoNmwl(info.key);
        info.keepsR = keepsRConsonant(info.key);
        info.isR = info.key == "R";
        if (isOneOf(info.key, {"~~", "ng", "~t", "~T"}))
            info.rySigns = RySigns::None;
        else if (isOneOf(info.key, {"r", "R", "~r"}))
            info.rySigns = RySigns::NoR;
        if (isOneOf(info.key, {"A", "II"}))
            info.placement = Placement::AfterRjy;
        else if (isOneOf(info.key, {"WRI", "UU", "h", "U"}))
            info.placement = Placement::BeforeRjy;
        else if (info.key == "E")
            info.placement = Placement::BeforeE;
        else if (info.key == "I")
            info.placement = Placement::Before;
        else if (info.key == "y")
            info.placement = Placement::BeforeOi;
        else if (info.key == "O")
            info.placement = Placement::None;
        else if (isOneOf(info.key, {"OO", "OW"}))
            info.placement = Placement::Wrap;
    }
    return infos;
}

void Engine::rebuildIndexes() {
    ++m_tablesGeneration;
    // A memo that is there is emptied; one that is not yet is made by the first word that
    // needs it.
    if (!m_memo.empty())
        allocateMemo();
    m_firstInfo = describe(m_tables.firstTable);
    m_nextInfo = describe(m_tables.nextTable);
    m_connectInfo = describe(m_tables.connectTable);
    if (m_lookup == Lookup::Indexed) {
        m_firstIndex = KeyIndex(m_tables.firstTable);
        m_nextIndex = KeyIndex(m_tables.nextTable);
        m_connectIndex = KeyIndex(m_tables.connectTable);
        rebuildUnits();
    } else {
        m_firstIndex = m_nextIndex = m_connectIndex = KeyIndex();
    }
}

void Engine::allocateMemo() {
    m_memo.assign(kMemoSlots, MemoSlot{});
    m_seen.assign((std::size_t{1} << kSeenBits) / 64, 0);
    m_seenCount = 0;
    m_memoUsed.assign(kMemoSlots / 64, 0);
}

int Engine::match(const Table &table, const KeyIndex &index, int maxLength, std::string_view word,
                  int &pos) const {
    if (m_lookup == Lookup::Indexed)
        return index.match(table, maxLength, word, pos);
    return matchLongest(table, maxLength, word, pos);
}

int Engine::matchFirst(std::string_view word, int &pos) const {
    return match(m_tables.firstTable, m_firstIndex, kFirstMaxLength, word, pos);
}

int Engine::matchNext(std::string_view word, int &pos) const {
    return match(m_tables.nextTable, m_nextIndex, kNextMaxLength, word, pos);
}

int Engine::matchConnect(std::string_view word, int &pos) const {
    return match(m_tables.connectTable, m_connectIndex, kConnectMaxLength, word, pos);
}

bool Engine::isVowelKey(std::string_view key) const {
    key = trimSpaces(key);
    for (int i = 1; i <= kVowelRecords; ++i) {
        if (compareKeys(m_tables.vowelKeys[static_cast<std::size_t>(i)].trimmed(), key) == 0)
            return true;
    }
    return false;
}

GlyphString Engine::placeVowelSign(std::string_view cluster, int index, std::string_view rjy,
                                   bool atWordStart) const {
    return placeSign(m_connectInfo[static_cast<std::size_t>(index)], cluster, rjy, atWordStart);
}

GlyphString Engine::placeSign(const RecordInfo &sign, std::string_view cluster,
                              std::string_view rjy, bool atWordStart) const {
    const std::string_view glyphs = sign.glyphs;
    GlyphString syllable;
    auto before = [&](std::string_view first) {
        syllable.append(first).append(cluster).append(rjy);
    };
    switch (sign.placement) {
    case Placement::AfterRjy:
        syllable.append(cluster).append(rjy).append(glyphs);
        break;
    case Placement::BeforeRjy:
        syllable.append(cluster).append(glyphs).append(rjy);
        break;
    case Placement::Before:
        before(glyphs);
        break;
    case Placement::BeforeE:
        before(atWordStart ? std::string_view(&kEKarAtWordStart, 1) : glyphs);
        break;
    case Placement::BeforeOi:
        before(atWordStart ? std::string_view(&kOiKarAtWordStart, 1) : glyphs);
        break;
    case Placement::None:
        syllable.append(cluster).append(rjy);
        break;
    case Placement::Wrap:
        if (glyphs.empty()) {
            syllable.append(cluster).append(rjy);
        } else {
            // At word start the first glyph becomes 0x86 before first and last are taken.
            const char first = atWordStart ? kEKarAtWordStart : glyphs.front();
            const char last = glyphs.size() == 1 ? first : glyphs.back();
            syllable.push_back(first);
            syllable.append(cluster).append(rjy);
            syllable.push_back(last);
        }
        break;
    case Placement::Nothing:
        break;
    }
    return syllable;
}

void Engine::rjyStep(std::string_view word, int &pos, std::string_view key,
                     GlyphString &rjy) const {
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

void Engine::writeLogLine(const std::string &line) {
    if (m_recordingLog)
        m_logLines.push_back(line);
    if (m_log)
        m_log->append(line);
}

std::string Engine::failureLine(std::size_t pos, std::string_view shown, std::size_t length) {
    std::string line = "Position:";
    line += std::to_string(pos);
    line += " Word:";
    line += shown.substr(0, kShownLetters);
    if (length > kShownLetters) {
        line += "... (";
        line += std::to_string(length);
        line += " letters)";
    }
    return line;
}

void Engine::logFailure(std::size_t pos, std::string_view word) {
    if (!m_log && !m_recordingLog)
        return;
    writeLogLine(failureLine(pos, word, word.size()));
}

void Engine::logTooLong(std::string_view word) {
    if (!m_log && !m_recordingLog)
        return;
    std::string line = "Position:1 Word:";
    line += word.substr(0, kShownLetters);
    line += "... (";
    line += std::to_string(word.size());
    line += " letters: too long to convert, at most ";
    line += std::to_string(MaxWordLength);
    line += ")";
    writeLogLine(line);
}

void Engine::convertWord(std::string_view word, std::u32string &out) {
    std::string bytes;
    // Spaces and NULs can be part of a table key: only the literal lookups see them exactly.
    if (m_lookup == Lookup::Indexed && word.find_first_of(std::string_view(" \0", 2)) == word.npos)
        convertWordIndexed(word, bytes);
    else
        convertWordLiteral(word, bytes);
    appendAsText(out, bytes);
}

void Engine::convertWordLiteral(std::string_view word, std::string &out) {
    if (word.size() > MaxWordLength) {
        logTooLong(word);
        return;
    }
    const int length = static_cast<int>(word.size());
    int pos = 1;
    GlyphString nmwl, rjy, syllable, cluster;

    // The first unit: a vowel, or a consonant with its signs, from the first table.
    int idx = matchFirst(word, pos);
    if (idx == 0) {
        logFailure(1, word);
        return;
    }
    {
        const RecordInfo &unit = m_firstInfo[static_cast<std::size_t>(idx)];
        if (unit.vowel) {
            out.append(unit.glyphs);
        } else {
            rjy.clear();
            nmwl = unit.noNmwl ? GlyphString() : takeNmwlSign(word, pos);
            rjyStep(word, pos, unit.key, rjy);
            const int sign = matchConnect(word, pos);
            if (sign == 0) {
                syllable.assign(unit.glyphs).append(nmwl).append(rjy);
            } else {
                cluster.assign(unit.glyphs).append(nmwl);
                syllable = placeSign(m_connectInfo[static_cast<std::size_t>(sign)], cluster, rjy,
                                     /*atWordStart=*/true);
            }
            appendTrimmed(out, syllable);
        }
    }

    // Every later unit, from the next table.
    GlyphString rmark;
    while (pos <= length) {
        idx = matchNext(word, pos);
        if (idx == 0) {
            logFailure(static_cast<std::size_t>(pos), word);
            return;
        }
        const RecordInfo &unit = m_nextInfo[static_cast<std::size_t>(idx)];
        if (unit.vowel) {
            out.append(unit.glyphs);
            yieldToUi();
            continue;
        }

        // An "R" before a consonant (no vowel sign after it) is the reph of that consonant.
        if (unit.isR && pos <= length) {
            int look = pos;
            if (matchConnect(word, look) == 0) {
                look = pos;
                const int following = matchNext(word, look);
                if (following > 0) {
                    const RecordInfo &next = m_nextInfo[static_cast<std::size_t>(following)];
                    if (!next.vowel && !next.keepsR) {
                        rmark.assign(1, kReph);
                        yieldToUi();
                        continue;
                    }
                }
            }
        }

        rjy.clear();
        nmwl = unit.noNmwl ? GlyphString() : takeNmwlSign(word, pos);
        rjyStep(word, pos, unit.key, rjy);
        const int sign = matchConnect(word, pos);
        if (sign == 0 && charAt(word, pos) == 'Y' && pos == length) {
            // A word-final "Y" after a consonant is the i-kar written before it.
            syllable.assign(1, kIKar).append(unit.glyphs).append(rmark).append(nmwl).append(rjy);
            ++pos;
        } else if (sign == 0) {
            syllable.assign(unit.glyphs).append(rmark).append(nmwl).append(rjy);
        } else {
            cluster.assign(unit.glyphs).append(rmark).append(nmwl);
            syllable = placeSign(m_connectInfo[static_cast<std::size_t>(sign)], cluster, rjy,
                                 /*atWordStart=*/false);
        }
        appendTrimmed(out, syllable);
        rmark.clear();
        yieldToUi();
    }
}

// The literal driver. Walks a text (bytes of Windows-1252, or Unicode characters; the codes
// below 128 are the same in both), hands each word to the converter and everything else to
// `emit`.
template <class Char, class Emit>
void Engine::drive(std::basic_string_view<Char> text, Emit &emit) {
    m_word.clear();
    auto flush = [&] {
        if (!m_word.empty()) {
            m_glyphs.clear();
            convertWordLiteral(m_word, m_glyphs);
            emit.glyphs(m_glyphs);
            m_word.clear();
        }
    };
    using Unsigned = std::make_unsigned_t<Char>;
    for (const Char raw : text) {
        const auto ch = static_cast<char32_t>(static_cast<Unsigned>(raw));
        if (isWordChar(ch)) {
            m_word.push_back(static_cast<char>(ch));
            continue;
        }
        flush();
        if (ch == U'\n') {
            if (m_lineBreaks == LineBreaks::CrLf)
                emit.character(U'\r');
            emit.character(U'\n');
        } else if (ch == U'.') {
            emit.character(U'|');
        } else if (ch == U'\r') {
            if (m_lineBreaks == LineBreaks::AsTheyCame)
                emit.character(U'\r');
        } else {
            emit.character(raw); // digits and every other character, unchanged
        }
    }
    flush();
}

namespace {

struct TextEmitter {
    std::u32string &out;
    void glyphs(std::string_view bytes) { appendAsText(out, bytes); }
    void character(char32_t c) { out.push_back(c); }
};

struct ByteEmitter {
    std::string &out;
    void glyphs(std::string_view bytes) { out.append(bytes); }
    void character(char c) { out.push_back(c); }
    void character(char32_t c) { out.push_back(static_cast<char>(c)); } // CR, LF, "|"
};

} // namespace

// Marks the engine busy for the length of a conversion, exceptions included.
class Engine::Busy {
public:
    explicit Busy(bool &flag) : m_flag(flag) { m_flag = true; }
    ~Busy() { m_flag = false; }
    Busy(const Busy &) = delete;
    Busy &operator=(const Busy &) = delete;

private:
    bool &m_flag;
};

// What every conversion shares: nothing happens for an empty input or inside a running
// conversion; otherwise the engine is busy while `convert` runs (exceptions included) and the
// log starts empty.
template <typename Convert> Engine::Result Engine::runConversion(bool empty, Convert &&convert) {
    if (empty)
        return Result::EmptyInput;
    if (m_converting)
        return Result::Busy;
    Busy busy(m_converting);
    if (m_log)
        m_log->clear();
    convert();
    return Result::Converted;
}

Engine::Result Engine::convertText(std::u32string_view text, std::u32string &out) {
    return runConversion(text.empty(), [&] {
        out.clear();
        if (m_lookup == Lookup::Indexed) {
            convertTextIndexed(text, out);
        } else {
            TextEmitter emit{out};
            drive(text, emit);
        }
    });
}

std::string Engine::convertBytes(std::string_view bytes) {
    std::string out;
    convertBytes(bytes, out);
    return out;
}

Engine::Result Engine::convertBytes(std::string_view bytes, std::string &out) {
    return runConversion(bytes.empty(), [&] {
        if (m_lookup == Lookup::Indexed) {
            convertBytesIndexed(bytes, out);
        } else {
            out.reserve(out.size() + bytes.size() + bytes.size() / 4);
            ByteEmitter emit{out};
            drive(bytes, emit);
        }
    });
}

} // namespace kestrum
