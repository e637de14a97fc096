// The indexed conversion path: trie lookups, syllables written straight into the output, the
// word memo, and the drivers for bytes and for text. It gives exactly the results of the
// literal path in engine.cpp, which builds every syllable as a string.
#include "cp1252.h"
#include "engine.h"
#include "glyphcodes.h"

#include <algorithm>
#include <bit>
#include <bitset>
#include <cstring>
#include <iterator>
#include <optional>

namespace kestrum {

using namespace glyph;

namespace {

// What the drivers do with a character below 128 (every other one passes through).
enum class Kind : unsigned char { Other, Word, FullStop, Cr, Lf };

constexpr std::array<Kind, 256> kKinds = [] {
    std::array<Kind, 256> kinds{};
    for (int c = 0; c < 256; ++c) {
        if (isWordChar(static_cast<char32_t>(c)))
            kinds[static_cast<std::size_t>(c)] = Kind::Word;
    }
    kinds['.'] = Kind::FullStop;
    kinds['\r'] = Kind::Cr;
    kinds['\n'] = Kind::Lf;
    return kinds;
}();

// The Windows-1252 characters of the glyph bytes, looked up once.
const std::array<char32_t, 256> kUnicode = [] {
    std::array<char32_t, 256> unicode{};
    for (int b = 0; b < 256; ++b)
        unicode[static_cast<std::size_t>(b)] = cp1252ToUnicode(static_cast<unsigned char>(b));
    return unicode;
}();

// Room the byte driver reserves beyond its estimate of the output.
constexpr std::size_t kSpareRoom = 64;

} // namespace

// Appends to a byte string through a raw pointer. The string is kept longer than what was
// written, so short pieces can be copied in a fixed width and counted by their real length;
// the spare bytes are cut off when the writer goes.
class Engine::GlyphWriter {
public:
    // Room for `expected` bytes is reserved; the string grows into it a little at a time, so
    // the bytes it fills with NULs first are still in the cache when they are written.
    explicit GlyphWriter(std::string &bytes, std::size_t expected = 0)
        : m_bytes(bytes), m_size(bytes.size()) {
        m_bytes.reserve(m_size + expected);
        m_data = m_bytes.data();
        m_capacity = m_bytes.size();
    }
    ~GlyphWriter() { m_bytes.resize(m_size); }
    GlyphWriter(const GlyphWriter &) = delete;
    GlyphWriter &operator=(const GlyphWriter &) = delete;

    // At least n writable bytes after what was written; valid until the next call.
    char *room(std::size_t n) {
        if (m_capacity - m_size < n) [[unlikely]]
            grow(n);
        return m_data + m_size;
    }
    // Counts n bytes written at room() as written.
    void advance(std::size_t n) { m_size += n; }
    void put(char c) {
        *room(1) = c;
        ++m_size;
    }
    std::size_t size() const { return m_size; }
    const char *data() const { return m_data; }
    // Forgets what was written after the first n bytes.
    void truncate(std::size_t n) { m_size = n; }

private:
    [[gnu::noinline]] void grow(std::size_t n) {
        constexpr std::size_t kStep = 16 * 1024;
        std::size_t size = m_size + n + kStep;
        if (size > m_bytes.capacity())
            size = std::max(size, 2 * m_bytes.capacity());
        m_bytes.resize(size);
        m_data = m_bytes.data();
        m_capacity = m_bytes.size();
    }

    std::string &m_bytes;
    char *m_data;
    std::size_t m_size;
    std::size_t m_capacity; // the string's size: what may be written
};

namespace {

// Copies a padded piece (8 bytes, the room is there) and steps over its real length.
char *put(char *out, const char (&bytes)[8], std::uint8_t length) {
    std::memcpy(out, bytes, sizeof bytes);
    return out + length;
}

// Writes c unless it is NUL, the "nothing" of the signs.
char *putSign(char *out, char c) {
    *out = c;
    return out + (c != 0);
}

template <class Piece> Piece pieceOf(std::string_view bytes) {
    Piece piece;
    piece.length = static_cast<std::uint8_t>(std::min(bytes.size(), sizeof piece.bytes));
    std::memcpy(piece.bytes, bytes.data(), piece.length);
    return piece;
}

// The N/M/W/L sign of each letter ("W" before "RI" is looked at separately).
constexpr std::array<char, 256> kNmwlSigns = [] {
    std::array<char, 256> signs{};
    signs['N'] = kNaPhala;
    signs['M'] = kMaPhala;
    signs['W'] = kBaPhala;
    signs['L'] = kLaPhala;
    return signs;
}();

// The R/J/Y letters, for looking them up through the probe.
constexpr std::array<char, 256> kRySigns = [] {
    std::array<char, 256> letters{};
    letters['R'] = 'R';
    letters['J'] = 'J';
    letters['Y'] = 'Y';
    return letters;
}();

} // namespace

std::vector<Engine::Unit> Engine::units(const std::vector<RecordInfo> &infos) const {
    std::vector<Unit> units(infos.size());
    for (std::size_t i = 1; i < infos.size(); ++i) {
        const RecordInfo &info = infos[i];
        Unit &unit = units[i];
        unit.glyphs = pieceOf<Piece>(info.glyphs);
        unit.vowel = info.vowel;
        unit.noNmwl = info.noNmwl;
        unit.keepsR = info.keepsR;
        unit.isR = info.isR;
        unit.rSign = info.rySigns == RySigns::All ? kRaPhala : 0;
        unit.jySign = info.rySigns == RySigns::None ? 0 : kYaPhala;
    }
    return units;
}

Engine::SignLayout Engine::layout(const RecordInfo &sign, bool atWordStart) const {
    const std::string_view glyphs = sign.glyphs;
    SignLayout layout;
    switch (sign.placement) {
    case Placement::AfterRjy:
        layout.after = pieceOf<Piece>(glyphs);
        break;
    case Placement::BeforeRjy:
        layout.middle = pieceOf<Piece>(glyphs);
        break;
    case Placement::Before:
        layout.before = pieceOf<Piece>(glyphs);
        break;
    case Placement::BeforeE:
        layout.before =
            atWordStart ? pieceOf<Piece>({&kEKarAtWordStart, 1}) : pieceOf<Piece>(glyphs);
        break;
    case Placement::BeforeOi:
        layout.before =
            atWordStart ? pieceOf<Piece>({&kOiKarAtWordStart, 1}) : pieceOf<Piece>(glyphs);
        break;
    case Placement::None:
        break;
    case Placement::Wrap:
        if (!glyphs.empty()) {
            // At word start the first glyph becomes 0x86 before first and last are taken.
            const char first = atWordStart ? kEKarAtWordStart : glyphs.front();
            const char last = glyphs.size() == 1 ? first : glyphs.back();
            layout.before = pieceOf<Piece>({&first, 1});
            layout.after = pieceOf<Piece>({&last, 1});
        }
        break;
    case Placement::Nothing:
        layout.empty = true;
        break;
    }
    return layout;
}

void Engine::rebuildUnits() {
    m_firstUnits = units(m_firstInfo);
    m_nextUnits = units(m_nextInfo);
    for (const bool atWordStart : {false, true}) {
        auto &layouts = m_signLayouts[atWordStart];
        layouts.assign(m_connectInfo.size(), SignLayout{});
        for (std::size_t i = 1; i < m_connectInfo.size(); ++i)
            layouts[i] = layout(m_connectInfo[i], atWordStart);
    }

    // The converter compares a character only with the characters of keys and with the sign
    // letters; NUL stands for the end. Every other character behaves the same: class 0.
    m_stepClass.fill(0);
    std::size_t classes = 1;
    auto distinguish = [&](unsigned char c) {
        if (m_stepClass[c] == 0) {
            m_classByte[classes] = c;
            m_stepClass[c] = static_cast<std::uint16_t>(classes++);
        }
    };
    distinguish('\0');
    for (const char c : std::string_view("NMWLRIJY")) // the letters the signs test
        distinguish(static_cast<unsigned char>(c));
    for (const Table *table : {&m_tables.firstTable, &m_tables.nextTable, &m_tables.connectTable}) {
        for (int i = 1; i <= table->size(); ++i) {
            for (const char c : (*table)[i].key.view())
                distinguish(static_cast<unsigned char>(c));
        }
    }
    m_stepWidth = classes;
    clearSteps();
}

void Engine::clearSteps() {
    m_stepRows.assign(4 * m_stepWidth, 0); // row 0 is never used: 0 means "not met yet"
    m_steps.clear();
}

namespace {

using ByteSet = std::bitset<256>;

ByteSet bytesOf(std::string_view bytes) {
    ByteSet set;
    for (const char c : bytes)
        set.set(static_cast<unsigned char>(c));
    return set;
}

} // namespace

// Reads a unit's window and notes, for each position, whether some test needed the exact
// character there or every test only ruled characters out (and which). The step automaton
// files a unit under the exact characters it needed, and under every character its tests
// did not name where it only ruled out at the last position it read: a window with any such
// character there takes the same path through the same tests and reads nothing further.
class Engine::StepProbe {
public:
    explicit StepProbe(const char *window) : m_window(window) {}

    // The character at p, before saying what was learned of it. (A unit reads at most 13
    // characters, and the word is followed by kWordPadding NULs.)
    char peek(std::size_t p) {
        m_read = std::max(m_read, p);
        return m_window[p - 1];
    }
    void exact(std::size_t p) {
        if (p <= kStepWindow)
            m_exact[p - 1] = true;
    }
    void ruleOut(std::size_t p, const ByteSet &bytes) {
        if (p <= kStepWindow)
            m_ruledOut[p - 1] |= bytes;
    }
    // The character at p, needed exactly.
    char read(std::size_t p) {
        const char c = peek(p);
        exact(p);
        return c;
    }
    bool is(std::size_t p, char c) {
        const bool same = peek(p) == c;
        if (same)
            exact(p);
        else
            ruleOut(p, bytesOf({&c, 1}));
        return same;
    }
    bool isEnd(std::size_t p) { return is(p, '\0'); }
    // The entry of `table` for the character at p; where it is 0, the character is none of
    // those with an entry (`entries`).
    char lookUp(std::size_t p, const std::array<char, 256> &table, const ByteSet &entries) {
        const char value = table[static_cast<unsigned char>(peek(p))];
        if (value)
            exact(p);
        else
            ruleOut(p, entries);
        return value;
    }

    std::size_t read() const { return m_read; }
    bool exactAt(std::size_t offset) const { return m_exact[offset]; }
    const ByteSet &ruledOutAt(std::size_t offset) const { return m_ruledOut[offset]; }

private:
    const char *m_window;
    std::size_t m_read = 0; // the furthest position read
    bool m_exact[kStepWindow] = {};
    ByteSet m_ruledOut[kStepWindow];
};

namespace {

const ByteSet kNmwlLetters = bytesOf("NMWL");
const ByteSet kRyLetters = bytesOf("RJY");

} // namespace

// A consonant with its signs: N/M/W/L, then R/J/Y, then a vowel sign placed around it. Every
// test of the position against the word's length reads as a test for the NUL after the word:
// pos <= length is "not the end at pos", pos == length is "not the end at pos, the end at
// pos + 1". Past the end pos may stand nearer than in the literal steps (see
// KeyIndex::matchInWord), and every test reads the end there either way.
char *Engine::consonant(StepProbe &probe, std::size_t &pos, const Unit &unit, bool reph,
                        bool atWordStart, bool finalY, char *out) const {
    // Each test reads a character only when the ones before it leave the answer open, and
    // says what it needed of it, so the step automaton keys a unit on as little as it can.
    auto isLast = [&](std::size_t p) { return probe.isEnd(p + 1); }; // for a p within the word
    char nmwl = 0;
    if (!unit.noNmwl) {
        nmwl = probe.lookUp(pos, kNmwlSigns, kNmwlLetters);
        if (nmwl) {
            if (probe.read(pos) == 'W' && probe.is(pos + 1, 'R') && probe.is(pos + 2, 'I'))
                nmwl = 0;
            else
                ++pos;
        }
    }
    // An R/J/Y sign is taken where pos is not the length: a sign letter is never taken when it
    // is the last letter (for the second sign, a position past the end has no letter anyway).
    auto signAt = [&](std::size_t p) -> char {
        const char letter = probe.lookUp(p, kRySigns, kRyLetters);
        if (!letter)
            return 0;
        return letter == 'R' ? unit.rSign : unit.jySign;
    };
    char ry = 0, ry2 = 0;
    if (const char sign = signAt(pos); sign && !isLast(pos)) {
        ry = sign;
        ++pos;
        if (const char second = signAt(pos); second && !isLast(pos)) {
            // A repeated sign is not taken: its letter is read again in the next unit.
            if (second != ry) {
                ry2 = second;
                ++pos;
            }
        }
    }
    const int signIndex = m_connectIndex.matchInWord<kConnectMaxLength>(probe, pos);
    // A word-final "Y" after a consonant of a later unit is the i-kar written before it.
    const bool iKar = finalY && signIndex == 0 && probe.is(pos, 'Y') && isLast(pos);
    if (iKar)
        ++pos;

    const SignLayout &sign = m_signLayouts[atWordStart][static_cast<std::size_t>(signIndex)];
    if (sign.empty)
        return out;
    char *o = putSign(out, iKar ? kIKar : 0);
    o = put(o, sign.before.bytes, sign.before.length);
    o = put(o, unit.glyphs.bytes, unit.glyphs.length);
    o = putSign(o, reph ? kReph : 0);
    o = putSign(o, nmwl);
    o = put(o, sign.middle.bytes, sign.middle.length);
    o = putSign(o, ry);
    o = putSign(o, ry2);
    // Every piece is trimmed and none is a space, so the syllable has nothing to trim.
    return put(o, sign.after.bytes, sign.after.length);
}

namespace {

// A step's syllable is built in room for the 8-byte copies, then kept.
struct StepBuilder {
    char glyphs[32] = {};
    char *end = glyphs;
};

} // namespace

Engine::Step Engine::firstStep(StepProbe &probe) const {
    std::size_t pos = 1;
    const int idx = m_firstIndex.matchInWord<kFirstMaxLength>(probe, pos);
    if (idx == 0)
        return Step{};
    StepBuilder built;
    const Unit &unit = m_firstUnits[static_cast<std::size_t>(idx)];
    if (unit.vowel)
        built.end = put(built.glyphs, unit.glyphs.bytes, unit.glyphs.length);
    else
        built.end = consonant(probe, pos, unit, /*reph=*/false, /*atWordStart=*/true,
                              /*finalY=*/false, built.glyphs);
    return makeStep(built.glyphs, built.end, pos - 1, /*reph=*/false);
}

Engine::Step Engine::laterStep(StepProbe &probe, bool reph) const {
    std::size_t pos = 1;
    const int idx = m_nextIndex.matchInWord<kNextMaxLength>(probe, pos);
    if (idx == 0)
        return Step{};
    StepBuilder built;
    const Unit &unit = m_nextUnits[static_cast<std::size_t>(idx)];
    if (unit.vowel) {
        built.end = put(built.glyphs, unit.glyphs.bytes, unit.glyphs.length);
        return makeStep(built.glyphs, built.end, pos - 1, reph);
    }
    // An "R" before a consonant (no vowel sign after it) is the reph of that consonant.
    if (unit.isR && !probe.isEnd(pos)) {
        std::size_t look = pos;
        if (m_connectIndex.matchInWord<kConnectMaxLength>(probe, look) == 0) {
            look = pos;
            const int following = m_nextIndex.matchInWord<kNextMaxLength>(probe, look);
            if (following > 0) {
                const Unit &next = m_nextUnits[static_cast<std::size_t>(following)];
                if (!next.vowel && !next.keepsR)
                    return makeStep(built.glyphs, built.glyphs, pos - 1, /*reph=*/true);
            }
        }
    }
    built.end =
        consonant(probe, pos, unit, reph, /*atWordStart=*/false, /*finalY=*/true, built.glyphs);
    return makeStep(built.glyphs, built.end, pos - 1, /*reph=*/false);
}

Engine::Step Engine::makeStep(const char *glyphs, const char *end, std::size_t advance, bool reph) {
    Step step;
    const auto length = static_cast<std::size_t>(end - glyphs);
    std::memcpy(step.glyphs, glyphs, std::min(length, Step::kGlyphs));
    step.lengthAndReph = static_cast<std::uint8_t>(length | (reph ? Step::kRephWaits : 0));
    step.advance = static_cast<std::uint8_t>(advance);
    return step;
}

[[gnu::always_inline]] inline const Engine::Step &Engine::stepAt(const char *window,
                                                                 StepStart start) {
    const std::int32_t *const rows = m_stepRows.data();
    auto entry = static_cast<std::int32_t>(static_cast<std::size_t>(start) * m_stepWidth);
    const char *p = window;
    do
        entry = rows[entry + m_stepClass[static_cast<unsigned char>(*p++)]];
    while (entry > 0);
    if (entry == 0) [[unlikely]]
        return addStep(window, start);
    return m_steps[static_cast<std::size_t>(-entry - 1)];
}

[[gnu::noinline]] const Engine::Step &Engine::addStep(const char *window, StepStart start) {
    // Run the unit, then file it under what it read: the exact characters it needed, and at
    // the last position, if it needed none there, every character its tests did not rule out.
    // No path to a unit is the beginning of another's, and a unit met before is never met
    // again here.
    StepProbe probe(window);
    const Step step = start == StepStart::First
                          ? firstStep(probe)
                          : laterStep(probe, start == StepStart::LaterWithReph);
    const std::size_t read = probe.read();
    // The units read at most 13 characters; this only guards the window.
    if (read > kStepWindow || read == 0) {
        m_uncachedStep = step;
        return m_uncachedStep;
    }
    // The automaton stays small (a few MB at most): when it is full it starts again.
    constexpr std::size_t kMaxRows = std::size_t{1} << 15;
    if (m_stepRows.size() / m_stepWidth + read > kMaxRows || m_steps.size() >= kMaxRows)
        clearSteps();
    auto entry = static_cast<std::size_t>(start) * m_stepWidth;
    for (std::size_t d = 0; d + 1 < read; ++d) {
        const std::size_t column = entry + m_stepClass[static_cast<unsigned char>(window[d])];
        if (m_stepRows[column] == 0) {
            m_stepRows[column] = static_cast<std::int32_t>(m_stepRows.size());
            m_stepRows.resize(m_stepRows.size() + m_stepWidth, 0);
        }
        entry = static_cast<std::size_t>(m_stepRows[column]);
    }
    const auto leaf = -static_cast<std::int32_t>(m_steps.size() + 1);
    m_steps.push_back(step);
    const std::size_t last = read - 1;
    if (probe.exactAt(last)) {
        m_stepRows[entry + m_stepClass[static_cast<unsigned char>(window[last])]] = leaf;
    } else {
        // Class 0 holds the bytes no test names; every other class is one byte.
        for (std::size_t cls = 0; cls < m_stepWidth; ++cls) {
            if ((cls == 0 || !probe.ruledOutAt(last).test(m_classByte[cls])) &&
                m_stepRows[entry + cls] == 0)
                m_stepRows[entry + cls] = leaf;
        }
    }
    return m_steps.back();
}

void Engine::convertUnits(const char *word, std::size_t length, GlyphWriter &out,
                          WordOutcome &outcome) {
    auto emit = [&](const Step &step) {
        char *const o = out.room(sizeof step);
        std::memcpy(o, step.glyphs, sizeof step);
        out.advance(step.glyphLength());
    };
    // The first unit: a vowel, or a consonant with its signs, from the first table.
    const Step &first = stepAt(word, StepStart::First);
    if (first.fails()) {
        outcome.failedAt = 1;
        return;
    }
    emit(first);
    std::size_t pos = 1 + first.advance;
    // Every later unit, from the next table.
    bool reph = false;
    while (pos <= length) {
        const Step &step =
            stepAt(word + (pos - 1), reph ? StepStart::LaterWithReph : StepStart::Later);
        if (step.fails()) {
            outcome.failedAt = pos;
            return;
        }
        emit(step);
        pos += step.advance;
        reph = step.reph();
        ++outcome.yields;
        if (m_yieldToUi)
            m_yieldToUi(); // the step was read before: the hook may change the automaton
    }
}

Engine::UnitStep Engine::convertUnit(std::string_view word, std::size_t at, bool first,
                                     bool rephWaits, std::string &out) {
    static_assert(kStepWindow == kUnitWindow);
    // The unit's window: its characters, NULs where the word ends, and the padding the step
    // automaton may read past a window.
    char window[kStepWindow + kWordPadding] = {};
    std::memcpy(window, word.data() + at, std::min(word.size() - at, kStepWindow));
    const Step &step = stepAt(window, first       ? StepStart::First
                                      : rephWaits ? StepStart::LaterWithReph
                                                  : StepStart::Later);
    if (step.fails())
        return {};
    out.append(step.glyphs, step.glyphLength());
    return {step.advance, step.reph()};
}

// convertUnits, leaving nothing of the word when a yieldToUi hook throws: a word's glyphs
// reach the output whole or not at all.
void Engine::convertUnitsOrNothing(const char *word, std::size_t length, GlyphWriter &out,
                                   WordOutcome &outcome) {
    const std::size_t start = out.size();
    try {
        convertUnits(word, length, out, outcome);
    } catch (...) {
        out.truncate(start);
        throw;
    }
}

// The memo's way in, inline where words are cut: a word met again costs a hash, a look at
// its bit and at its slot, and a copy.
[[gnu::always_inline]] inline void
Engine::convertWordMemo(std::string_view word, const std::uint64_t *key, GlyphWriter &out) {
    if (!key || !m_keepsMemo) {
        convertWordAnew(word, nullptr, nullptr, out);
        return;
    }
    if (m_memo.empty()) [[unlikely]]
        allocateMemo();
    // The word, NUL-padded, is its own key; bit and slot are chosen by a multiplicative hash.
    const std::uint64_t hash =
        key[0] * 0x9E3779B97F4A7C15u + key[1] * 0xC2B2AE3D27D4EB4Fu + key[2] * 0x165667B19E3779F9u;
    const std::uint64_t seen = hash >> (64 - kSeenBits);
    std::uint64_t &seenWord = m_seen[seen / 64];
    const std::uint64_t seenBit = std::uint64_t{1} << (seen % 64);
    if (!(seenWord & seenBit)) {
        seenWord |= seenBit;
        if (++m_seenCount > kSeenLimit) {
            std::fill(m_seen.begin(), m_seen.end(), 0);
            m_seenCount = 0;
        }
        const std::uint64_t index = hash >> (64 - kMemoBits);
        const bool free = !(m_memoUsed[index / 64] & (std::uint64_t{1} << (index % 64)));
        convertWordAnew(word, key, free ? &m_memo[index] : nullptr, out);
        return;
    }
    MemoSlot &slot = m_memo[hash >> (64 - kMemoBits)];
    if (slot.wordLength != word.size() || slot.word[0] != key[0] || slot.word[1] != key[1] ||
        slot.word[2] != key[2]) {
        convertWordAnew(word, key, &slot, out);
        return;
    }
    // The yields come first: a hook that throws leaves nothing of the word, as when it throws
    // in the middle of a word converted anew. The slot is copied before them: a hook that
    // installs tables rebuilds the memo.
    if (m_yieldToUi) {
        const MemoSlot replay = slot;
        for (int i = 0; i < replay.yields; ++i)
            m_yieldToUi();
        char *const o = out.room(kMemoGlyphs);
        std::memcpy(o, replay.glyphs, kMemoGlyphs);
        out.advance(replay.glyphLength);
        if (replay.failedAt)
            logFailure(replay.failedAt, word);
        return;
    }
    char *const o = out.room(kMemoGlyphs);
    std::memcpy(o, slot.glyphs, kMemoGlyphs);
    out.advance(slot.glyphLength);
    if (slot.failedAt)
        logFailure(slot.failedAt, word);
}

[[gnu::noinline]] void Engine::convertWordAnew(std::string_view word, const std::uint64_t *key,
                                               MemoSlot *slot, GlyphWriter &out) {
    WordOutcome outcome;
    const std::size_t start = out.size();
    if (!key) {
        if (word.size() > MaxWordLength) { // as the literal path refuses it
            logTooLong(word);
            return;
        }
        std::string padded(word);
        padded.append(kWordPadding, '\0');
        convertUnitsOrNothing(padded.data(), word.size(), out, outcome);
        if (outcome.failedAt)
            logFailure(outcome.failedAt, word);
        return;
    }
    const std::uint64_t generation = m_tablesGeneration;
    convertUnitsOrNothing(reinterpret_cast<const char *>(key), word.size(), out, outcome);
    const std::size_t glyphs = out.size() - start;
    // A word of at most 24 letters makes at most 24 yieldToUi calls and fails at most there.
    if (slot && glyphs <= kMemoGlyphs && generation == m_tablesGeneration) {
        out.room(kMemoGlyphs); // so the fixed-size copy below stays within the string
        std::memcpy(slot->word, key, sizeof slot->word);
        slot->wordLength = static_cast<std::uint8_t>(word.size());
        slot->glyphLength = static_cast<std::uint8_t>(glyphs);
        slot->failedAt = static_cast<std::uint8_t>(outcome.failedAt);
        slot->yields = static_cast<std::uint8_t>(outcome.yields);
        std::memcpy(slot->glyphs, out.data() + start, kMemoGlyphs);
        const auto index = static_cast<std::size_t>(slot - m_memo.data());
        m_memoUsed[index / 64] |= std::uint64_t{1} << (index % 64);
    }
    if (outcome.failedAt)
        logFailure(outcome.failedAt, word);
}

void Engine::convertWordIndexed(std::string_view word, std::string &out) {
    GlyphWriter writer(out);
    std::uint64_t key[kMemoKey / 8] = {};
    const bool memo = !word.empty() && word.size() <= kMemoWord;
    if (memo)
        std::memcpy(key, word.data(), word.size());
    convertWordMemo(word, memo ? key : nullptr, writer);
}

namespace {

constexpr std::uint64_t kEveryByte = 0x0101010101010101u;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// The high bit of every byte of x that is 0.
constexpr std::uint64_t zeroBytes(std::uint64_t x) {
    return ~(((x & ~kHighBits) + ~kHighBits) | x) & kHighBits;
}

// The high bit of every byte of x that is a word character: A-Z and a-z (with the case bit
// set, 0x61 to 0x7A; a byte with its high bit set is none), "~" or "&". No byte carries into
// the next: every sum stays below 0x100.
constexpr std::uint64_t wordBytes(std::uint64_t x) {
    const std::uint64_t folded = (x | 0x20 * kEveryByte) & ~kHighBits;
    const std::uint64_t fromA = folded + (0x80 - 'a') * kEveryByte;
    const std::uint64_t pastZ = folded + (0x80 - 'z' - 1) * kEveryByte;
    const std::uint64_t letters = fromA & ~pastZ & ~x & kHighBits;
    return letters | zeroBytes(x ^ '~' * kEveryByte) | zeroBytes(x ^ '&' * kEveryByte);
}

static_assert(wordBytes(0x7E26617A415A4061u) == 0x8080808080800080u); // "a@ZAza&~"
static_assert(wordBytes(0xE17B5B602F7FC1DAu) == 0);

// The length of the run of word characters at p (p < end, *p one of them), and the run NUL-padded
// into key when it has at most kMemoWord characters. Eight bytes at a time where eight are left.
template <std::size_t KeyBytes>
std::size_t scanWord(const char *p, const char *end, std::uint64_t (&key)[KeyBytes / 8],
                     std::size_t memoWord) {
    std::fill(std::begin(key), std::end(key), 0);
    std::size_t n = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (static_cast<std::size_t>(end - p) - n >= 8) {
            std::uint64_t chunk;
            std::memcpy(&chunk, p + n, 8);
            const std::uint64_t stop = ~wordBytes(chunk) & kHighBits;
            if (stop) {
                const auto k = static_cast<std::size_t>(std::countr_zero(stop)) / 8;
                if (n < memoWord)
                    key[n / 8] = chunk & ((std::uint64_t{1} << (8 * k)) - 1);
                return n + k;
            }
            if (n < memoWord)
                key[n / 8] = chunk;
            n += 8;
        }
    }
    char *const bytes = reinterpret_cast<char *>(key);
    for (; p + n != end && kKinds[static_cast<unsigned char>(p[n])] == Kind::Word; ++n) {
        if (n < memoWord)
            bytes[n] = p[n];
    }
    return n;
}

} // namespace

void Engine::convertBytesIndexed(std::string_view bytes, std::string &result) {
    GlyphWriter out(result, bytes.size() + bytes.size() / 4 + kSpareRoom);
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    std::uint64_t key[kMemoKey / 8];
    static_assert(kMemoWord % 8 == 0);
    while (p != end) {
        switch (kKinds[static_cast<unsigned char>(*p)]) {
        case Kind::Word: {
            const std::size_t n = scanWord<kMemoKey>(p, end, key, kMemoWord);
            // A longer word's first letters are in the key, and more: it does without the memo.
            convertWordMemo({p, n}, n <= kMemoWord ? key : nullptr, out);
            p += n;
            continue;
        }
        case Kind::Other:
            out.put(*p); // digits and every other byte, unchanged
            break;
        case Kind::FullStop:
            out.put('|');
            break;
        case Kind::Cr:
            if (m_lineBreaks == LineBreaks::AsTheyCame)
                out.put('\r');
            break;
        case Kind::Lf:
            if (m_lineBreaks == LineBreaks::CrLf)
                out.put('\r');
            out.put('\n');
            break;
        }
        ++p;
    }
}

// The state of a conversion that builds on the one before it (setReusePrevious).
struct Engine::ReuseRun {
    const Previous &previous;
    std::uint64_t tablesGeneration; // when the conversion began
    std::size_t suffixStart;        // text[suffixStart, end) ends the previous text too
    std::size_t shift;              // text.size() - previous.text.size(), modulo 2^64
    std::size_t next = 0;           // the first previous checkpoint not yet passed
    std::size_t lastCheckpoint = 0; // where the last checkpoint was kept
    // m_output holds the output from fromOut on (positions in the output are fromOut plus
    // positions in m_output); it replaces previous.output[fromOut, tookOverAt).
    std::size_t fromOut = 0;
    std::size_t tookOverAt = std::u32string::npos;
};

namespace {

// The length of the common beginning of a and b (at most n), a block at a time.
std::size_t commonPrefix(const char32_t *a, const char32_t *b, std::size_t n) {
    constexpr std::size_t Block = 32;
    std::size_t i = 0;
    while (i + Block <= n && std::memcmp(a + i, b + i, Block * sizeof(char32_t)) == 0)
        i += Block;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

// The length of the common end of the texts that end at aEnd and bEnd (at most n).
std::size_t commonSuffix(const char32_t *aEnd, const char32_t *bEnd, std::size_t n) {
    constexpr std::size_t Block = 32;
    std::size_t i = 0;
    while (i + Block <= n &&
           std::memcmp(aEnd - i - Block, bEnd - i - Block, Block * sizeof(char32_t)) == 0)
        i += Block;
    while (i < n && *(aEnd - i - 1) == *(bEnd - i - 1))
        ++i;
    return i;
}

} // namespace

void Engine::setReusePrevious(bool reuse) {
    m_reusePrevious = reuse;
    if (!reuse)
        m_previous = Previous{};
}

void Engine::convertTextIndexed(std::u32string_view text, std::u32string &out) {
    if (m_reusePrevious)
        convertTextReusing(text, out);
    else
        convertTextFrom(text, 0, nullptr, out);
}

void Engine::convertTextReusing(std::u32string_view text, std::u32string &out) {
    Previous &previous = m_previous;
    const bool usable = previous.valid && previous.tablesGeneration == m_tablesGeneration;
    previous.valid = false; // until this conversion has finished
    m_output.clear();
    m_logLines.clear();
    m_checkpoints.clear();
    const std::uint64_t generation = m_tablesGeneration;
    m_recordingLog = true;
    struct StopRecording {
        bool &flag;
        ~StopRecording() { flag = false; }
    } stopRecording{m_recordingLog};

    std::size_t from = 0;
    std::size_t prefix = 0;
    std::size_t suffix = 0;
    std::optional<ReuseRun> run;
    if (usable) {
        const std::u32string &old = previous.text;
        const std::size_t shorter = std::min(old.size(), text.size());
        prefix = commonPrefix(text.data(), old.data(), shorter);
        suffix = commonSuffix(text.data() + text.size(), old.data() + old.size(), shorter - prefix);
        // The last checkpoint before the first changed character: everything before it
        // converts as it did.
        const auto start =
            std::partition_point(previous.checkpoints.begin(), previous.checkpoints.end(),
                                 [&](const Checkpoint &c) { return c.in == 0 || c.in < prefix; });
        const Checkpoint &from_ = *(start - 1);
        from = from_.in;
        out.append(previous.output, 0, from_.out);
        for (std::size_t k = 0; k < from_.log; ++k)
            writeLogLine(previous.log[k]);
        m_checkpoints.assign(previous.checkpoints.begin(), start);
        run.emplace(ReuseRun{previous, generation, text.size() - suffix, text.size() - old.size(),
                             std::size_t(start - previous.checkpoints.begin()), from, from_.out});
    } else {
        m_checkpoints.push_back(Checkpoint{});
        run.emplace(ReuseRun{previous, generation, text.size() + 1, 0, 0, 0});
    }
    convertTextFrom(text, from, &*run, out);
    if (m_tablesGeneration != generation)
        return;
    // Only the changed middles move into the previous text and output (and what follows them).
    if (usable) {
        previous.text.replace(prefix, previous.text.size() - prefix - suffix,
                              text.substr(prefix, text.size() - prefix - suffix));
    } else {
        previous.text.assign(text);
    }
    const std::size_t tookOverAt = std::min(run->tookOverAt, previous.output.size());
    previous.output.replace(run->fromOut, tookOverAt - run->fromOut, m_output);
    previous.log.swap(m_logLines);
    previous.checkpoints.swap(m_checkpoints);
    previous.tablesGeneration = generation;
    previous.valid = true;
}

void Engine::convertTextFrom(std::u32string_view text, std::size_t from, ReuseRun *run,
                             std::u32string &out) {
    auto kind = [](char32_t c) { return c < 128 ? kKinds[c] : Kind::Other; };
    out.reserve(out.size() + text.size() - from + (text.size() - from) / 4);
    // What follows a word waits here until the next word: `out` is up to date
    // whenever a word's yieldToUi calls and log line come, and takes one append per word.
    char32_t pending[64];
    std::size_t waiting = 0;
    auto flush = [&] {
        out.append(pending, waiting);
        if (run)
            m_output.append(pending, waiting);
        waiting = 0;
    };
    auto add = [&](char32_t c) {
        if (waiting == std::size(pending))
            flush();
        pending[waiting++] = c;
    };
    // Before a character that is not a word character: takes over the previous conversion's
    // end where the rest of the text is that conversion's rest (true: nothing more to do), or
    // keeps a checkpoint.
    auto atBoundary = [&](const char32_t *at) {
        ReuseRun &r = *run;
        const std::size_t pos = static_cast<std::size_t>(at - text.data());
        const std::vector<Checkpoint> &old = r.previous.checkpoints;
        if (pos >= r.suffixStart && m_tablesGeneration == r.tablesGeneration) {
            const std::size_t oldPos = pos - r.shift;
            while (r.next < old.size() && old[r.next].in < oldPos)
                ++r.next;
            // text[pos] is no word character and text[pos, end) is the previous text's rest.
            if (r.next < old.size() && old[r.next].in == oldPos) {
                flush();
                const Checkpoint &c = old[r.next];
                const std::size_t outShift = r.fromOut + m_output.size() - c.out;
                const std::size_t logShift = m_logLines.size() - c.log;
                out.append(r.previous.output, c.out);
                r.tookOverAt = c.out;
                for (std::size_t k = c.log; k < r.previous.log.size(); ++k)
                    writeLogLine(r.previous.log[k]);
                for (std::size_t k = r.next; k < old.size(); ++k)
                    m_checkpoints.push_back(Checkpoint{old[k].in + r.shift, old[k].out + outShift,
                                                       old[k].log + logShift});
                return true;
            }
        }
        if (pos >= r.lastCheckpoint + kCheckpointEvery) {
            m_checkpoints.push_back(
                Checkpoint{pos, r.fromOut + m_output.size() + waiting, m_logLines.size()});
            r.lastCheckpoint = pos;
        }
        return false;
    };
    m_glyphs.clear();
    GlyphWriter glyphs(m_glyphs);
    std::uint64_t key[kMemoKey / 8];
    const char32_t *p = text.data() + from;
    const char32_t *const end = text.data() + text.size();
    while (p != end) {
        const char32_t c = *p;
        const Kind k = kind(c);
        if (run && k != Kind::Word && atBoundary(p))
            return;
        switch (k) {
        case Kind::Word: {
            // A word of at most kMemoWord letters is narrowed into its memo key and read there.
            std::fill(std::begin(key), std::end(key), 0);
            char *bytes = reinterpret_cast<char *>(key);
            const char32_t *q = p;
            for (std::size_t n = 0; q != end && kind(*q) == Kind::Word; ++q, ++n) {
                if (n < kMemoWord)
                    bytes[n] = static_cast<char>(*q);
            }
            const auto length = static_cast<std::size_t>(q - p);
            if (length > kMemoWord) {
                m_word.resize(length);
                std::transform(p, q, m_word.begin(), [](char32_t w) { return char(w); });
                bytes = m_word.data();
            }
            flush();
            glyphs.truncate(0);
            convertWordMemo({bytes, length}, length <= kMemoWord ? key : nullptr, glyphs);
            for (std::size_t k = 0; k < glyphs.size();) {
                if (waiting == std::size(pending))
                    flush();
                const std::size_t n = std::min(glyphs.size() - k, std::size(pending) - waiting);
                for (std::size_t i = 0; i < n; ++i)
                    pending[waiting + i] =
                        kUnicode[static_cast<unsigned char>(glyphs.data()[k + i])];
                waiting += n;
                k += n;
            }
            p = q;
            continue;
        }
        case Kind::Other:
            add(c); // digits and every other character, unchanged
            break;
        case Kind::FullStop:
            add(U'|');
            break;
        case Kind::Cr:
            if (m_lineBreaks == LineBreaks::AsTheyCame)
                add(U'\r');
            break;
        case Kind::Lf:
            if (m_lineBreaks == LineBreaks::CrLf)
                add(U'\r');
            add(U'\n');
            break;
        }
        ++p;
    }
    flush();
}

} // namespace kestrum
