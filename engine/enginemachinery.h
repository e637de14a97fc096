// The engine's private machinery: the records as the converter reads them, the step automaton,
// the word memo, the checkpoints of the last conversion, and the engine's other state. Engine
// inherits it privately (engine.h); nothing outside the engine's own sources uses it.
#pragma once

#include "lookup.h"
#include "tables.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

class ConversionLog;

namespace detail {

struct EngineMachinery {
    // Where a vowel sign goes, by the key of its connect record.
    enum class Placement : unsigned char {
        AfterRjy,  // "A", "II": cluster, rjy, sign
        BeforeRjy, // "WRI", "UU", "h", "U": cluster, sign, rjy
        Before,    // "I": sign, cluster, rjy
        BeforeE,   // "E": as Before, 0x86 at word start
        BeforeOi,  // "y": as Before, 0x88 at word start
        None,      // "O": cluster, rjy
        Wrap,      // "OO", "OW": first glyph, cluster, rjy, last glyph
        Nothing,   // any other key: the syllable is empty
    };
    // Which R/J/Y signs a consonant takes, by its key.
    enum class RySigns : unsigned char {
        All,
        NoR,  // "r", "R", "~r": J and Y only
        None, // "~~", "ng", "~t", "~T"
    };
    // What the converter asks of a record, worked out once when the tables are installed.
    struct RecordInfo {
        std::string_view key;    // trimmed
        std::string_view glyphs; // trimmed
        bool vowel = false;      // isVowelKey(key)
        bool noNmwl = false;     // the consonant takes no N/M/W/L sign
        bool keepsR = false;     // an "R" before this key stays an ordinary consonant
        bool isR = false;        // the key is "R"
        RySigns rySigns = RySigns::All;
        Placement placement = Placement::Nothing;
    };

    // A piece of glyphs, NUL-padded so it can be copied 8 bytes at a time.
    struct Piece {
        char bytes[8] = {};
        std::uint8_t length = 0;
    };
    // A record of the first or the next table as the indexed converter reads it.
    struct Unit {
        Piece glyphs;
        bool vowel = false;
        bool noNmwl = false;
        bool keepsR = false;
        bool isR = false;
        char rSign = 0;  // what an "R" after the consonant gives: 0xAA, or 0 for nothing
        char jySign = 0; // what a "J" or "Y" gives: 0xA8, or 0
    };
    // A syllable is before, the cluster, middle, the R/J/Y signs, after; an empty one has
    // nothing at all. One per connect record and word-start flag; index 0: no vowel sign.
    struct SignLayout {
        Piece before, middle, after;
        bool empty = false;
    };

    // One unit of a word: the first one, or a later one with or without an R mark waiting.
    // What it does depends only on the characters from its position on (NUL past the end),
    // and on no more than the first kStepWindow of them.
    enum class StepStart : unsigned char { First = 1, Later = 2, LaterWithReph = 3 };
    static constexpr std::size_t kStepWindow = 16;
    // One cache line holds four; a syllable has at most 14 glyphs (a sign of five, five of the
    // consonant, reph, N/M/W/L sign, two R/J/Y signs).
    struct alignas(16) Step {
        static constexpr std::size_t kGlyphs = 14;
        char glyphs[kGlyphs] = {};      // the syllable, NUL-padded
        std::uint8_t lengthAndReph = 0; // glyph count; kRephWaits when an R mark waits after it
        std::uint8_t advance = 0;       // how far the position moves; 0: no key starts there
        static constexpr std::uint8_t kRephWaits = 0x80;
        std::size_t glyphLength() const { return lengthAndReph & ~kRephWaits; }
        bool reph() const { return lengthAndReph & kRephWaits; }
        bool fails() const { return advance == 0; }
    };
    static_assert(sizeof(Step) == 16);

    struct WordOutcome {
        std::size_t failedAt = 0; // the position of the log line; 0 for none
        std::size_t yields = 0;   // yieldToUi calls made
    };
    static constexpr std::size_t kWordPadding = kStepWindow;
    // The conversion before this one, for setReusePrevious. A checkpoint is a place in the text
    // before a character that is not a word character (or its start): what comes before it
    // converts the same whatever follows. One is kept every kCheckpointEvery characters or so.
    struct Checkpoint {
        std::size_t in = 0;  // position in the text
        std::size_t out = 0; // position in the output
        std::size_t log = 0; // log lines before it
    };
    static constexpr std::size_t kCheckpointEvery = 512;
    struct Previous {
        bool valid = false;
        std::uint64_t tablesGeneration = 0;
        std::u32string text;
        std::u32string output;
        std::vector<std::string> log;
        std::vector<Checkpoint> checkpoints;
    };

    Tables m_tables;
    KeyIndex m_firstIndex, m_nextIndex, m_connectIndex;
    std::vector<RecordInfo> m_firstInfo, m_nextInfo, m_connectInfo; // 1-based
    std::vector<Unit> m_firstUnits, m_nextUnits;                    // 1-based
    std::vector<SignLayout> m_signLayouts[2];                       // [atWordStart]
    // The step automaton: a trie over the characters from a unit's position, one row of
    // m_stepWidth entries per node, a column per class of characters that the converter tells
    // apart (a key's character, a sign letter, NUL; all others are one class). An entry is 0
    // (not met yet), the row offset of the next node, or -(i + 1) for the unit m_steps[i].
    // Rows 1 to 3 start the three kinds of unit.
    // Keys may hold every byte, so there are up to 257 classes (the others' class 0 included).
    std::array<std::uint16_t, 256> m_stepClass{};
    std::array<unsigned char, 257> m_classByte{}; // a byte of each class
    std::size_t m_stepWidth = 1;
    std::vector<std::int32_t> m_stepRows;
    std::vector<Step> m_steps;
    Step m_uncachedStep;
    ConversionLog *m_log = nullptr;
    std::function<void()> m_yieldToUi;
    bool m_converting = false;
    bool m_reusePrevious = false;
    bool m_recordingLog = false; // log lines also go to m_logLines
    std::vector<std::string> m_logLines;
    std::vector<Checkpoint> m_checkpoints;
    std::u32string m_output; // while reusing: the output this conversion makes itself
    Previous m_previous;
    // Recently converted words under the current tables: a direct-mapped memo of fixed slots
    // (no allocation), one cache line each, keyed by a hash of the word. A slot keeps the word
    // (NUL-padded, as a word's key is; words hold no NUL), its glyphs, the position of its log line
    // (0 for none) and its number of yieldToUi calls, replayed when the word comes again.
    static constexpr std::size_t kMemoWord = 24;
    static constexpr std::size_t kMemoKey = kMemoWord + kWordPadding;
    static constexpr std::size_t kMemoGlyphs = 36;
    struct alignas(64) MemoSlot {
        std::uint64_t word[kMemoWord / 8] = {};
        std::uint8_t wordLength = 0; // 0: empty slot
        std::uint8_t glyphLength = 0;
        std::uint8_t failedAt = 0;
        std::uint8_t yields = 0;
        char glyphs[kMemoGlyphs] = {};
    };
    // 65 536 slots, 4 MB: a megabyte of real-looking text holds about 16 000 distinct words,
    // and with a quarter of the slots or fewer in use few words meet another in their slot
    // (with 16 384 slots, a third of kestrum-convert's time went to words that had lost theirs).
    static constexpr int kMemoBits = 16;
    static constexpr std::size_t kMemoSlots = std::size_t{1} << kMemoBits;
    std::vector<MemoSlot> m_memo;
    // A word is remembered the second time it comes: a bit per hash says whether a word was
    // seen (since the bits were last cleared, when they begin to fill), and the memo is not
    // even looked at for a word that was not. So words that come once displace nothing.
    static constexpr int kSeenBits = 19;
    static constexpr std::size_t kSeenLimit = std::size_t{1} << (kSeenBits - 4);
    std::vector<std::uint64_t> m_seen;
    std::size_t m_seenCount = 0;
    // A bit per slot that holds a word: a word is also remembered the first time it comes if
    // its slot is empty, which displaces nothing (8 kB, looked at instead of the slot).
    std::vector<std::uint64_t> m_memoUsed;
    // Counts installed tables: a word converted while a yieldToUi hook installed new ones is
    // not remembered.
    std::uint64_t m_tablesGeneration = 0;
    std::string m_word;   // scratch: a word of the text, as bytes
    std::string m_glyphs; // scratch: the glyphs of one word of the text
};

} // namespace detail
} // namespace kestrum
