// The transliteration engine: romanised Bengali words to SutonnyMJ glyph codes.
//
// The engine owns the substitution tables (filled once by loadTables, read-only afterwards) and
// conversionOutput, the text of the current or last conversion. It meets the rest of the
// program through three seams: the text in and out of convertText, a ConversionLog that
// receives one line for every word that could not be converted to its end, and the yieldToUi
// hook, which the converter calls after every later unit of a word so a window can stay
// responsive during a long conversion.
//
// Text is Unicode (UTF-32); glyph strings are bytes, and a glyph byte reaches the text as its
// Windows-1252 character (0x86 is U+2020). Only the letters A-Z and a-z, "~" and "&" make up
// words; every other character passes through the driver (digits and punctuation as they are,
// "." as "|", line breaks as CR LF), whatever its code.
#pragma once

#include "lookup.h"
#include "tables.h"

#include <climits>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

// Receives the conversion log: cleared at the start of every conversion, one line appended
// for each word that stops early ("Position:3 Word:kxyz").
class ConversionLog {
public:
    virtual ~ConversionLog() = default;
    virtual void clear() = 0;
    virtual void append(std::string_view line) = 0;
};

// Takes an N, M, W or L sign at pos (upper case only): 0x9C, 0xA5, 0xA6 or 0xAD, advancing pos
// by 1. "W" is not taken when the two characters after it are "RI".
GlyphString takeNmwlSign(std::string_view word, int &pos);

// Takes an R, J or Y sign at pos for the consonant whose trimmed key is `key`: "R" gives 0xAA
// unless key is "r", "R" or "~r"; "J" and "Y" give 0xA8. Keys "~~", "ng", "~t" and "~T" take none.
GlyphString takeRySign(std::string_view word, int &pos, std::string_view key);

// Is `word` made only of word characters (A-Z, a-z, "~", "&")?
constexpr bool isWordChar(char32_t c)
{
    return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || c == U'~' || c == U'&';
}

class Engine {
public:
    // Indexed answers key lookups from tries built at load time and remembers the glyphs of
    // the words it has converted (a word always converts the same way under the same tables);
    // Literal runs the halving search for every length of every word. Both give the same
    // results, log lines and yieldToUi calls.
    enum class Lookup { Indexed, Literal };

    explicit Engine(Lookup lookup = Lookup::Indexed);
    // The engine keeps views into its own tables.
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // Reads the four table files from `dir` and clears conversionOutput. On failure throws
    // TableLoadError and keeps the tables it had.
    void loadTables(const std::filesystem::path &dir);
    // Installs tables that were read already (they are used as they are, not sorted again).
    void setTables(Tables tables);
    const Tables &tables() const { return m_tables; }

    void setConversionLog(ConversionLog *log) { m_log = log; }
    void setYieldToUi(std::function<void()> hook) { m_yieldToUi = std::move(hook); }

    // Lookups of the word converter; positions are 1-based, 0 means not found.
    int matchFirst(std::string_view word, int &pos) const;
    int matchNext(std::string_view word, int &pos) const;
    int matchConnect(std::string_view word, int &pos) const;
    // Is the key, trimmed, one of the 13 vowel keys (each trimmed)? Exact and case-sensitive.
    bool isVowelKey(std::string_view key) const;

    // Places the vowel sign of connectTable[index] before, after or around `cluster`.
    GlyphString placeVowelSign(std::string_view cluster, int index, std::string_view rjy,
                               bool atWordStart) const;

    // Converts one word (not empty) and appends its glyphs to conversionOutput; a word that no
    // key covers to its end keeps its converted beginning and leaves one log line. A word longer
    // than MaxWordLength is not converted at all and leaves one log line that says so.
    void convertWord(std::string_view word);

    // The longest word converted. Positions in a word are ints that may run a few characters
    // past its end, so a longer word could not be walked without overflowing them.
    static constexpr std::size_t MaxWordLength = std::size_t(INT_MAX) - 16;

    enum class Result {
        Converted,
        EmptyInput, // nothing happened: output and log keep their state
        Busy,       // asked from inside a running conversion (through yieldToUi); not run
    };
    // Converts a whole text into conversionOutput.
    Result convertText(std::u32string_view text);
    bool isConverting() const { return m_converting; }

    // Converts Windows-1252 bytes and returns the output as bytes (glyph codes, CR LF line
    // breaks), for callers that work on bytes; conversionOutput is not touched. Every byte outside words, digits,
    // CR, LF and "." comes out unchanged. Empty input, or a call from inside a running
    // conversion, returns an empty string and changes nothing.
    std::string convertBytes(std::string_view bytes);

    const std::u32string &conversionOutput() const { return m_conversionOutput; }
    // The window copies the output area's text back after the user edits it.
    void setConversionOutput(std::u32string text) { m_conversionOutput = std::move(text); }

private:
    // Where a vowel sign goes, by the key of its connect record.
    enum class Placement : unsigned char {
        AfterRjy,   // "A", "II": cluster, rjy, sign
        BeforeRjy,  // "WRI", "UU", "h", "U": cluster, sign, rjy
        Before,     // "I": sign, cluster, rjy
        BeforeE,    // "E": as Before, 0x86 at word start
        BeforeOi,   // "y": as Before, 0x88 at word start
        None,       // "O": cluster, rjy
        Wrap,       // "OO", "OW": first glyph, cluster, rjy, last glyph
        Nothing,    // any other key: the syllable is empty
    };
    // What the converter asks of a record, worked out once when the tables are installed.
    struct RecordInfo {
        std::string_view key;    // trimmed
        std::string_view glyphs; // trimmed
        bool vowel = false;      // isVowelKey(key)
        bool noNmwl = false;     // the consonant takes no N/M/W/L sign
        bool keepsR = false;     // an "R" before this key stays an ordinary consonant
        bool isR = false;        // the key is "R"
        Placement placement = Placement::Nothing;
    };
    std::vector<RecordInfo> describe(const Table &table) const;

    void rebuildIndexes();
    int match(const Table &table, const KeyIndex &index, int maxLength, std::string_view word,
              int &pos) const;
    // Converts `word` and appends its glyph bytes to `out`.
    void convertWordInto(std::string_view word, std::string &out);
    void rjyStep(std::string_view word, int &pos, std::string_view key, GlyphString &rjy) const;
    void logFailure(int pos, std::string_view word);
    void logTooLong(std::string_view word);
    // Converts `word` through the word memo when there is one.
    void convertWordMemo(std::string_view word, std::string &out);
    void yieldToUi()
    {
        ++m_yields;
        if (m_yieldToUi)
            m_yieldToUi();
    }
    GlyphString placeSign(const RecordInfo &sign, std::string_view cluster, std::string_view rjy,
                          bool atWordStart) const;
    template <class Char, class Emit> void drive(std::basic_string_view<Char> text, Emit &emit);

    class Busy;

    Lookup m_lookup;
    Tables m_tables;
    KeyIndex m_firstIndex, m_nextIndex, m_connectIndex;
    std::vector<RecordInfo> m_firstInfo, m_nextInfo, m_connectInfo; // 1-based
    std::u32string m_conversionOutput;
    ConversionLog *m_log = nullptr;
    std::function<void()> m_yieldToUi;
    bool m_converting = false;
    // Recently converted words under the current tables: a direct-mapped memo of fixed slots
    // (no allocation), keyed by a hash of the word. A slot keeps the word, its glyphs, the
    // position of its log line (0 for none) and its number of yieldToUi calls, replayed when the
    // word comes again.
    struct MemoSlot {
        std::uint8_t wordLength = 0; // 0: empty slot
        std::uint8_t glyphLength = 0;
        std::uint8_t failedAt = 0;
        std::uint8_t yields = 0;
        char word[28];
        char glyphs[64];
    };
    static constexpr std::size_t kMemoSlots = 1 << 14;
    std::vector<MemoSlot> m_memo;
    int m_yields = 0;   // yieldToUi calls so far
    int m_failedAt = 0; // position of the last log line
    std::string m_word;      // scratch: the word being collected
    std::string m_wordBytes; // scratch: the glyphs of one word
};

} // namespace kestrum
