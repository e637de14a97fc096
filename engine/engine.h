// The transliteration engine: romanised Bengali words to SutonnyMJ glyph codes.
//
// The engine owns the substitution tables (filled once by loadTables, read-only afterwards). The
// caller owns the text it converts into; the engine keeps of a conversion's result only what
// makes the next one cheaper: the glyphs of words it has converted (the word memo) and, when
// setReusePrevious is on, the last conversion's text, output and log lines. Neither changes any
// result. It meets the rest of the program through three seams: the text in and out of
// convertText, a ConversionLog that receives one line for every word that could not be
// converted to its end, and the yieldToUi hook, which the converter calls after every later
// unit of a word so a window can stay responsive during a long conversion.
//
// Text is Unicode (UTF-32); glyph strings are bytes, and a glyph byte reaches the text as its
// Windows-1252 character (0x86 is U+2020). Only the letters A-Z and a-z, "~" and "&" make up
// words; every other character passes through the driver (digits and punctuation as they are,
// "." as "|", line breaks as setLineBreaks asks, CR LF by default), whatever its code.
//
// The contract is the public part of Engine below; the machinery behind it (the records as the
// converter reads them, the step automaton, the memo, the checkpoints) is in enginemachinery.h.
#pragma once

#include "enginemachinery.h"
#include "lookup.h"
#include "tables.h"

#include <array>
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

// Is `c` a word character (A-Z, a-z, "~", "&")?
constexpr bool isWordChar(char32_t c) {
    return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || c == U'~' || c == U'&';
}

class Engine : private detail::EngineMachinery {
public:
    // Indexed converts a word unit by unit through a step automaton that learns, as words
    // come, what each unit does (a unit depends only on the few characters from its place on),
    // and remembers the glyphs of the words it has converted (a word always converts the same
    // way under the same tables); Literal runs the halving search for every length of every
    // word and builds each syllable as a string. Both give the same results, log lines and
    // yieldToUi calls. Literal is the reference path: it is kept, slow and plain, for the tests,
    // the fuzz targets and the benchmarks that check Indexed against it; the program and
    // kestrum-convert always use Indexed.
    enum class Lookup { Indexed, Literal };

    // Whether an Indexed engine remembers the glyphs of the words it converted (a memo of 4 MB,
    // made when the first word is converted, that makes a text of repeated words cheap). An engine
    // that converts a few short words now and then, as the romaniser's checks do, does without it;
    // results are the same.
    enum class WordMemo { Kept, None };

    explicit Engine(Lookup lookup = Lookup::Indexed, WordMemo memo = WordMemo::Kept);
    // The engine keeps views into its own tables.
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // Reads the four table files from `dir`. On failure throws
    // TableLoadError and keeps the tables it had.
    void loadTables(const std::filesystem::path &dir);
    // Installs tables that were read already (they are used as they are, not sorted again).
    void setTables(Tables tables);
    const Tables &tables() const { return m_tables; }

    void setConversionLog(ConversionLog *log) { m_log = log; }
    ConversionLog *conversionLog() const { return m_log; }
    // The log line of a word of `length` letters that stops early at `pos` (from 1), `shown`
    // its first letters: "Position:3 Word:kxyz"; a word of more than kShownLetters letters
    // shows only the first of them, and its length ("Position:3 Word:kx...ab... (300 letters)").
    static constexpr std::size_t kShownLetters = 40;
    static std::string failureLine(std::size_t pos, std::string_view shown, std::size_t length);
    // The hook runs after every unit of a word, as the user interface's chance to process its
    // events; it may convert, change the text being converted into, install tables or throw. Tables
    // it installs in the middle of a word apply from the next unit, except in a word the memo
    // replays: that word keeps the glyphs it had under the tables it was remembered with.
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

    // Converts one word (not empty) and appends its glyphs to `out`; a word that no
    // key covers to its end keeps its converted beginning and leaves one log line. A word longer
    // than MaxWordLength is not converted at all and leaves one log line that says so.
    void convertWord(std::string_view word, std::u32string &out);

    // A word converted one unit at a time, for a caller that follows a word while it is typed
    // and converts again only what a change at its end can reach (the input method). A unit
    // depends only on whether it is the word's first, on whether an R mark waits from the unit
    // before it, and on at most kUnitWindow characters of the word from its place on (fewer
    // where the word ends first): a unit whose window lies wholly inside the word gives the
    // same whatever is appended after it. Taking the units of a word from its start, each
    // after the one before with the R mark it leaves, gives exactly convertWord's glyphs; a
    // unit where no key starts is where convertWord stops and logs. Nothing is logged and
    // yieldToUi is not called. Indexed engines only; `word` holds word characters only and
    // `at` (0-based) lies inside it.
    struct UnitStep {
        std::size_t length = 0; // characters the unit takes; 0: no key starts at `at`
        bool rephWaits = false; // an R mark waits for the next unit
    };
    static constexpr std::size_t kUnitWindow = 16;
    UnitStep convertUnit(std::string_view word, std::size_t at, bool first, bool rephWaits,
                         std::string &out);

    // The longest word converted. Positions in a word are ints that may run a few characters
    // past its end, so a longer word could not be walked without overflowing them.
    static constexpr std::size_t MaxWordLength = std::size_t(INT_MAX) - 16;

    // How convertText and convertBytes write line breaks. CrLf (the default): each LF as CR LF,
    // a CR dropped, so CR LF, LF and a lone CR's line come out as CR LF (or nothing for the
    // CR). Lf: each LF as LF, a CR dropped. AsTheyCame: CR and LF pass through as they are, so
    // CR LF, LF and CR each stay what they were. Changing it starts the next conversion afresh
    // (setReusePrevious).
    enum class LineBreaks { CrLf, Lf, AsTheyCame };
    void setLineBreaks(LineBreaks lineBreaks);
    LineBreaks lineBreaks() const { return m_lineBreaks; }

    enum class Result {
        Converted,
        EmptyInput, // nothing happened: output and log keep their state
        Busy,       // asked from inside a running conversion (through yieldToUi); not run
    };
    // Converts a whole text into `out`, which is cleared first (EmptyInput and Busy leave it
    // as it was). A word makes its yieldToUi calls, then writes its log line, if any; its
    // glyphs reach `out` after both, so the hook and the log see the output up to the words
    // before. `out` must not be `text`'s storage.
    Result convertText(std::u32string_view text, std::u32string &out);
    bool isConverting() const { return m_converting; }

    // Converts Windows-1252 bytes and returns the output as bytes (glyph codes, line breaks as
    // setLineBreaks asks), for callers that work on bytes. Every byte
    // outside words, digits, CR, LF and "." comes out unchanged. Empty input, or a call from
    // inside a running conversion, returns an empty string and changes nothing.
    std::string convertBytes(std::string_view bytes);
    // The same conversion, appended to `out`, which keeps what it held before. The log is
    // cleared first and yieldToUi is called exactly as by convertText. EmptyInput and Busy
    // leave `out` and the log untouched. While the call runs `out` may hold spare bytes at its
    // end, so the log and the yieldToUi hook must not read it; when it returns (or throws),
    // `out` holds exactly what was converted.
    Result convertBytes(std::string_view bytes, std::string &out);

    // Lets convertText build on the conversion before it: the glyphs and log lines of the
    // text's unchanged beginning and end are taken from that conversion and only the words
    // between them are converted, so a keystroke in a long text costs about the length of
    // the change. The output and the log are exactly those of a whole conversion (into
    // whatever `out` holds when the words are appended); the words taken over make no
    // yieldToUi calls. A conversion that throws or whose hook installs tables, and new
    // tables, start the next conversion afresh. Off by default (Indexed only): it keeps a copy
    // of the last text and output.
    void setReusePrevious(bool reuse);

private:
    // The machinery's types and state: enginemachinery.h.
    std::vector<RecordInfo> describe(const Table &table) const;

    void rebuildIndexes();
    // Makes the word memo (4 MB) empty; a program that converts nothing never pays for it.
    void allocateMemo();
    int match(const Table &table, const KeyIndex &index, int maxLength, std::string_view word,
              int &pos) const;
    void logFailure(std::size_t pos, std::string_view word);
    void logTooLong(std::string_view word);
    void writeLogLine(const std::string &line);
    void yieldToUi() {
        if (m_yieldToUi)
            m_yieldToUi();
    }
    GlyphString placeSign(const RecordInfo &sign, std::string_view cluster, std::string_view rjy,
                          bool atWordStart) const;

    // The literal path: every syllable built as a string, every lookup through match().
    void convertWordLiteral(std::string_view word, std::string &out);
    void rjyStep(std::string_view word, int &pos, std::string_view key, GlyphString &rjy) const;
    template <class Char, class Emit> void drive(std::basic_string_view<Char> text, Emit &emit);

    // The indexed path (indexed.cpp). A GlyphWriter appends to a byte string through a pointer.
    class GlyphWriter;
    std::vector<Unit> units(const std::vector<RecordInfo> &infos) const;
    SignLayout layout(const RecordInfo &sign, bool atWordStart) const;
    void rebuildUnits();

    // Runs one unit on the characters of a window (the unit's position is 1), through a probe
    // that notes what each test learned of each character.
    class StepProbe;
    Step firstStep(StepProbe &probe) const;
    Step laterStep(StepProbe &probe, bool reph) const;
    // A step of `advance`, with the syllable from glyphs to end (at most Step::kGlyphs).
    static Step makeStep(const char *glyphs, const char *end, std::size_t advance, bool reph);
    // Writes the syllable to out (room for 32 bytes) and returns its end.
    char *consonant(StepProbe &probe, std::size_t &pos, const Unit &unit, bool reph,
                    bool atWordStart, bool finalY, char *out) const;
    // The unit at `window` (at least kStepWindow readable bytes: the word's characters, then
    // NULs), from the step automaton; a unit it has not met is run and added.
    const Step &stepAt(const char *window, StepStart start);
    const Step &addStep(const char *window, StepStart start);
    void clearSteps();

    // Converts a word of `length` characters at `word` that holds no space and no NUL
    // character and is followed by at least kWordPadding NULs, appending its glyphs to `out`;
    // calls yieldToUi after every later unit.
    void convertUnits(const char *word, std::size_t length, GlyphWriter &out, WordOutcome &outcome);
    void convertUnitsOrNothing(const char *word, std::size_t length, GlyphWriter &out,
                               WordOutcome &outcome);
    // The same through the word memo, then the log line, if any. `key` is the word followed by
    // NULs, kMemoKey bytes in all, for a word of 1 to kMemoWord characters; nullptr otherwise.
    void convertWordMemo(std::string_view word, const std::uint64_t *key, GlyphWriter &out);
    // The same without the memo; the word is remembered in `slot` when there is one.
    void convertWordAnew(std::string_view word, const std::uint64_t *key, MemoSlot *slot,
                         GlyphWriter &out);
    void convertWordIndexed(std::string_view word, std::string &out);
    void convertBytesIndexed(std::string_view bytes, std::string &out);
    void convertTextIndexed(std::u32string_view text, std::u32string &out);
    struct ReuseRun;
    // Converts text[from, end) into `out`; with `run`, keeps checkpoints and the output of this
    // conversion, and stops where the rest of the text converts as the previous conversion's
    // end did, taking that over.
    void convertTextFrom(std::u32string_view text, std::size_t from, ReuseRun *run,
                         std::u32string &out);
    void convertTextReusing(std::u32string_view text, std::u32string &out);

    class Busy;
    template <typename Convert> Result runConversion(bool empty, Convert &&convert);

    Lookup m_lookup;
    bool m_keepsMemo;
    LineBreaks m_lineBreaks = LineBreaks::CrLf;
};

} // namespace kestrum
