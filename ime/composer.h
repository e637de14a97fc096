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

#include "decoder.h"
#include "engine.h"

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
    bool operator==(const Options &) const = default;
};

// The tables and the conversion that every input context of one input method shares: an engine
// of its own over the loaded tables and a glyph-code reader. Not thread-safe; the frameworks
// call their engines from one thread.
class Converter {
public:
    // Loads the four table files from `dir`; throws TableLoadError (its message names the file
    // and what is wrong) when they cannot be read.
    explicit Converter(const std::filesystem::path &dir);
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    Engine &engine() { return m_engine; }
    // Appends the Unicode of glyph bytes, read as the recent SutonnyMJ fonts draw them.
    void decode(std::string_view glyphs, std::u32string &out);
    // What the conversion writes for an ASCII character that is no word character (a digit and
    // most signs as they are, "." as "|", a line feed as CR LF).
    std::string_view passing(char c) const { return m_passing[static_cast<unsigned char>(c)]; }

private:
    Engine m_engine;
    sutonnymj::Decoder m_decoder;
    std::array<std::string, 128> m_passing;
};

// The tables of the input method, found the way the program finds them (the user's own copy
// first, then the installed ones) for a module that lies in `moduleDir`, `moduleToPrograms`
// (relative) away from the programs' folder; or the message that says why they cannot be read.
std::variant<std::unique_ptr<Converter>, std::string>
loadConverter(const std::filesystem::path &moduleDir,
              const std::filesystem::path &moduleToPrograms);

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
    explicit Composer(Converter *converter, Options options = {});

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
    Options m_options;
    // The word: the characters as typed, its units, their glyphs. When the word failed, the
    // keys from m_failedAt on did not convert.
    std::u32string m_typed;
    std::string m_keys; // the engine's view: m_typed with the case swapped as the options say
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
