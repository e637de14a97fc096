// The typing state of one input context of Kestrum's input method, and the conversion behind it.
//
// Keys that make up words (the engine's word characters) gather into the word being typed, the
// preedit, which shows after every key the word as it will be written, in Unicode Bengali. A key
// that is no word character writes the word (commits it): Space, Enter and Tab then go on to the
// program as keys; a digit or a sign that the conversion writes otherwise than its key ("." as
// "।", in Unicode output the digits as Bengali digits) is written as the conversion writes it,
// together with the word, so a line typed here is what kestrum-convert makes of the same keys. A
// word the tables cannot convert to its end is written as far as it converts, followed by the
// keys that did not convert, as they were typed. Backspace takes back the last key, Escape
// writes the keys as typed; caret keys and keys with Ctrl, Alt or Super write the word and then
// go on to the program.
//
// The Fcitx5 addon and the IBus engine translate their key events into Composer::Key, show
// preedit() and keysShown(), commit what an Outcome says and pass the key on when it says so;
// every rule of typing is here. No Qt, no input-method framework.
#pragma once

#include "converter.h"
#include "lexicon.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kestrum::ime {

// What a word is written as: Unicode Bengali, or the SutonnyMJ glyph codes of the Kestrum
// window's output area (each byte as its Windows-1252 character), for documents set in
// SutonnyMJ or Kestrum Bangla.
enum class Output { Unicode, SutonnyMJ };

struct Options {
    Output output = Output::Unicode;
    // Letters the other way round: a key without Shift gives the capital, as typing in the
    // Kestrum window feels with its Caps Lock on.
    bool swapCase = false;
    // A word typed all in lower case is read through the word list (see lexicon.h), where one
    // is installed.
    bool anyCase = true;
    bool operator==(const Options &) const = default;
};

class Composer {
public:
    // A key as the frontend read it.
    struct Key {
        enum class Kind {
            Character, // a printable character, `text`, with Shift applied
            Space,
            Enter,
            Tab,
            Backspace,
            Escape,
            Caret,    // arrows, Home, End, Page Up and Down
            Modifier, // Shift, Ctrl, Caps Lock ... alone: changes nothing
            Other,    // any other key (Delete, function keys ...)
        };
        Kind kind = Kind::Other;
        char32_t text = 0;
        // Ctrl, Alt or Super held: the key is the program's (Shift alone is not counted).
        bool command = false;
    };
    // What the frontend does with a key: commit `commit` (UTF-8, when not empty) first, then
    // pass the key on to the program when `forward` is set, else keep it. The preedit and the
    // shown keys may have changed.
    struct Outcome {
        std::string commit;
        bool forward = false;
    };

    // `converter` is shared and outlives the composer; without one (tables that could not be
    // read) every key goes on to the program unchanged.
    // `lexicon`, shared and outliving the composer too, reads words typed in lower case and
    // offers candidates; without one, or before its word list is ready, there are none.
    explicit Composer(Converter *converter, Options options = {}, Lexicon *lexicon = nullptr);

    Outcome press(const Key &key);

    // The input context loses the focus or is reset (a click elsewhere): commit() gives what
    // the word writes and forgets it; discard() forgets it when the program has taken the
    // preedit as it stood (preeditCommitsAsShown). Both forget what was written before it, as
    // the caret may have moved.
    std::string commit();
    void discard();

    void setOptions(Options options);
    const Options &options() const { return m_options; }

    bool composing() const { return !m_typed.empty(); }
    // The word as it will be written, in Unicode Bengali (UTF-8) whatever the output; a word of
    // more than kShownKeys keys shows "…" and its end.
    const std::string &preedit() const { return m_preedit; }
    // Whether the preedit, taken as it stands, is exactly what commit() would write (Unicode
    // output, the word shown whole): a framework may then commit it itself on focus loss.
    bool preeditCommitsAsShown() const {
        return m_preeditWhole && m_options.output == Output::Unicode;
    }
    // The keys of the word, as the conversion reads them (with "Swap case" the other way round
    // from the letters typed), for the frontend's auxiliary line; "…" and the last kShownKeys
    // of a longer word.
    const std::string &keysShown() const { return m_keysShown; }

    // What the word may be (Lexicon::candidates), the one it writes first; the digits 1 to 9
    // pick one. Empty without a word list.
    const std::vector<Lexicon::Candidate> &candidates() const { return m_candidates; }
    // Whether there is a choice: two candidates or more, shown, and picked with 1 to 9.
    bool showsCandidates() const { return m_candidates.size() > 1; }
    // Writes candidate `index` and remembers it as the user's choice for these keys.
    Outcome pick(std::size_t index);
    static constexpr std::size_t kCandidates = 9;

    static constexpr std::size_t kShownKeys = 96;
    // A word is held to this many keys: past it the beginning, which no later key can change
    // (Engine::kUnitWindow), is written so the state of a context stays bounded.
    static constexpr std::size_t kMaxHeldKeys = 16384;

private:
    // A unit of the word: its keys, where its glyphs end in m_glyphs, and whether an R mark
    // waits after it.
    struct Unit {
        std::uint32_t keyStart;
        std::uint32_t keyEnd;
        std::uint32_t glyphEnd;
        bool rephAfter;
    };

    char32_t keyOf(char32_t typed) const;
    // Reads the typed keys again (through the word list where it applies) and converts again
    // what changed.
    void rekey();
    std::u32string unconverted() const;
    Outcome pressCharacter(char32_t c);
    Outcome endWordWith(std::string_view passing, bool forward, char32_t typed);
    // Converts again what the last change of the word (keys from `stableUpTo` on may differ)
    // can have changed, and updates what is shown.
    void reconvert(std::size_t stableUpTo);
    void updateShown();
    void writeHeadIfLong(std::string &commit);
    // Glyph bytes and keys to committed text in the chosen output; in Unicode the glyphs are
    // read after what was written before them on the line (m_context), as one text would be.
    std::string written(std::string_view glyphs, std::u32string_view rawKeys);
    void appendUnicodeAfterContext(std::string_view glyphs, std::u32string &out);
    void remember(std::string_view glyphs);
    void forgetWord();

    Converter *m_converter;
    Lexicon *m_lexicon;
    Options m_options;
    // The word: the characters as typed, its units, their glyphs. When the word failed, the
    // keys from m_failedAt on did not convert.
    std::u32string m_typed;
    std::string m_typedKeys; // m_typed with the case swapped as the options say
    std::string m_keys;      // what is converted: m_typedKeys, or what the word list reads them as
    bool m_keysAreTyped = true; // m_keys is m_typedKeys (as far as both go)
    std::vector<Lexicon::Candidate> m_candidates;
    std::vector<Unit> m_units;
    std::string m_glyphs;
    std::size_t m_failedAt = 0; // 0: converts to its end
    bool m_failed = false;
    // After a long word's beginning was written: the rest goes on from a later unit.
    bool m_continued = false;
    bool m_continuedReph = false;
    bool m_continuedFailed = false;
    // What was written on the line before the word, as glyph bytes (its end only).
    std::string m_context;
    std::u32string m_contextText; // m_context read as Unicode
    std::string m_preedit, m_keysShown;
    bool m_preeditWhole = true;
    // Buffers kept between keys.
    std::string m_scratch, m_joined;
    std::u32string m_text, m_whole;
};

} // namespace kestrum::ime
