// The SutonnyMJ glyph-code table: what every byte of the font draws, and the spellings of the
// clusters written with more than one byte. Read from data/sutonnymj.tsv and
// data/sutonnymj-spellings.tsv, which the build embeds in the library.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::sutonnymj {

// The two generations of the SutonnyMJ font, which read four bytes (0xCD, 0xE6, 0xF8, 0xFF)
// differently. Classic is the Bijoy 2000 layout; New is what recent SutonnyMJ releases draw and
// most text in circulation uses.
enum class Generation { Classic, New };

// What a glyph code is, for drawing it and for putting it in Unicode order.
enum class Kind : std::uint8_t {
    Unused,
    Letter,     // an independent vowel or a consonant
    Conjunct,   // one glyph for several letters, or for a consonant and its vowel sign
    SignBefore, // a vowel sign written (and drawn) before its cluster: ি ে ৈ
    SignAfter,  // a vowel sign drawn after its cluster: া ী ৗ
    SignBelow,  // a vowel sign drawn below: ু ূ ৃ
    Half,       // the first part of a conjunct: consonant + hasanta
    SecondHalf, // hasanta + consonant, after a half form
    Phala,      // hasanta + য র ল ব ম ন ণ after a consonant
    Reph,       // র্, written after the cluster it sits on
    Mark,       // ং ঃ and the visible hasanta
    MarkAbove,  // ঁ
    Digit,
    Punctuation, // signs and symbols, the space included
};

// How the encoder uses a row.
enum class Use : std::uint8_t {
    Yes,   // the form written for its Unicode (unless a Start or After row applies)
    Start, // the form written at the start of a word
    After, // the form written after a cluster of its `after` list
    Part,  // only inside the spellings of the spellings table
    No,    // never written
};

struct GlyphCode {
    std::uint8_t byte = 0;
    std::u32string unicode; // classic generation; empty for an unused byte
    Kind kind = Kind::Unused;
    Use use = Use::No;
    // Clusters after which an After (or Yes) row is chosen: "X" a whole cluster, "*X" any
    // cluster whose last letter is X (stored without the "*", in `afterLast`).
    std::vector<std::u32string> afterWhole;
    std::vector<std::u32string> afterLast;
    // The newer generation's reading, where it differs.
    std::optional<std::u32string> newUnicode;
    std::optional<Kind> newKind;

    const std::u32string &unicodeIn(Generation g) const {
        return g == Generation::New && newUnicode ? *newUnicode : unicode;
    }
    Kind kindIn(Generation g) const { return g == Generation::New && newKind ? *newKind : kind; }
};

struct Spelling {
    std::u32string unicode;
    std::string bytes; // two bytes or more
};

// A table file that does not have the expected form. what() names the file and the line, for
// example "sutonnymj.tsv:12: unknown kind \"vowel\"".
class GlyphTableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class GlyphTable {
public:
    // Parses the two files' texts (tab-separated, UTF-8, "#" comment lines, a header line naming
    // the columns; other columns are ignored). Every byte from 0x20 to 0xFF needs exactly one
    // row; bytes below 0x20 are controls and get Unused rows. Throws GlyphTableError.
    static GlyphTable parse(std::string_view glyphCodes, std::string_view spellings);
    // The table built from data/ (parsed once, on first use).
    static const GlyphTable &builtIn();

    const GlyphCode &operator[](std::uint8_t byte) const { return m_codes[byte]; }
    const std::array<GlyphCode, 256> &codes() const { return m_codes; }
    const std::vector<Spelling> &spellings() const { return m_spellings; }

private:
    std::array<GlyphCode, 256> m_codes{};
    std::vector<Spelling> m_spellings;
};

// The texts of the two data files as the build embedded them.
std::string_view builtInGlyphCodes();
std::string_view builtInSpellings();

// The kind's name in the data file ("sign-before" ...), and back.
std::string_view kindName(Kind kind);
std::optional<Kind> kindFromName(std::string_view name);

} // namespace kestrum::sutonnymj
