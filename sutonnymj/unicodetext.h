// Unicode text helpers for Bengali: UTF-8 in and out, the normal form, character classes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::sutonnymj {

inline constexpr char32_t kHasanta = U'\u09CD';
inline constexpr char32_t kNukta = U'\u09BC';
inline constexpr char32_t kZwnj = U'\u200C';
inline constexpr char32_t kZwj = U'\u200D';
// The vowel signs the decoder and the encoder place by name.
inline constexpr char32_t kAaKar = U'\u09BE';
inline constexpr char32_t kIKar = U'\u09BF';
inline constexpr char32_t kEKar = U'\u09C7';
inline constexpr char32_t kOiKar = U'\u09C8';
inline constexpr char32_t kOKar = U'\u09CB';
inline constexpr char32_t kAuKar = U'\u09CC';
inline constexpr char32_t kAuLengthMark = U'\u09D7';

// The one UTF-8 decoder. Ill-formed UTF-8 is a stray or missing continuation byte, an overlong
// form, a surrogate, or a value above U+10FFFF. Strict stops at the first ill-formed sequence;
// Lenient reads each one (the longest start of a well-formed sequence, or one byte) as U+FFFD
// and goes on. A U+FEFF at the start is text like any other character.
enum class Utf8Mode { Strict, Lenient };
struct Utf8Text {
    std::u32string text; // Strict: empty when the bytes are not UTF-8
    // Strict: the offset of the first byte that is not part of a valid character, if any.
    std::optional<std::size_t> badOffset;
    std::size_t replaced = 0; // Lenient: the ill-formed sequences read as U+FFFD
};
Utf8Text decodeUtf8(std::string_view bytes, Utf8Mode mode);

// Strict UTF-8 as code points: nothing for ill-formed UTF-8, with the offset of the first byte
// that is not part of a valid character in *badOffset.
std::optional<std::u32string> fromUtf8(std::string_view bytes, std::size_t *badOffset = nullptr);
std::string toUtf8(std::u32string_view text);

// The UTF-8 byte-order mark, and bytes without it (when they start with it).
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view withoutUtf8Bom(std::string_view bytes) {
    return bytes.starts_with(kUtf8Bom) ? bytes.substr(kUtf8Bom.size()) : bytes;
}
// Bytes without one final line break (CR LF or LF), the one the editor's saves append.
constexpr std::string_view withoutFinalLineBreak(std::string_view bytes) {
    if (bytes.ends_with("\r\n"))
        return bytes.substr(0, bytes.size() - 2);
    if (bytes.ends_with('\n'))
        return bytes.substr(0, bytes.size() - 1);
    return bytes;
}
void appendUtf8(std::string &out, char32_t c);

// A character that a terminal or a text widget acts on rather than shows: a C0 or C1 control,
// DEL, or a bidirectional control (the embeddings, overrides and isolates, LRM, RLM and ALM).
constexpr bool isDisplayControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F || c == 0x061C;
}
// Text for a diagnostic: every display control written as its code ("U+001B"), the rest as
// it is. The UTF-8 form writes a byte that is not part of a UTF-8 character as "\xNN".
std::u32string escapeControls(std::u32string_view text);
std::string escapeControlsUtf8(std::string_view bytes);

// Finds Unicode Bengali (U+0980 to U+09FF as UTF-8) in romanised text, which is Windows-1252
// bytes: romanising keeps what has no spelling as UTF-8, and read as keys those bytes would
// pass into the glyph codes as unrelated conjuncts. The text may come a piece at a time, a
// character split between two pieces included. Lines end at CR LF, LF or CR; columns count
// characters from 1, a UTF-8 character as one and any other byte as one.
class BengaliInRoman {
public:
    static constexpr std::string_view kMessage =
        "Unicode Bengali in romanised input: use --from unicode";
    struct Place {
        std::size_t line;
        std::size_t column;
        // "line 2, column 5: " and kMessage.
        std::string report() const;
    };
    // Where the first Bengali character of each line that holds one stands, for the lines of
    // `piece` (a line that began in an earlier piece and was reported there is not again).
    std::vector<Place> find(std::string_view piece);

private:
    void endLine();

    std::string m_held; // the beginning of a character that the last piece ended in
    std::size_t m_line = 1;
    std::size_t m_column = 1;
    bool m_lineReported = false;
    bool m_afterCr = false;
};

// Canonical composition (NFC) as far as Bengali needs it: ড় ঢ় য় as consonant + nukta (NFC keeps
// them decomposed), ে + া as ো and ে + ৗ as ৌ, nukta before hasanta. Other characters stay as
// they are. When `origin` is given it receives, for each character of the result, the index of
// the character of `text` it comes from.
std::u32string normalize(std::u32string_view text, std::vector<std::size_t> *origin = nullptr);

// A consonant letter (ক to হ, and the nukta letters' bases), as the clusters are built of.
constexpr bool isConsonant(char32_t c) {
    return (c >= U'\u0995' && c <= U'\u09B9' && c != U'\u09A9' && c != U'\u09B1' &&
            c != U'\u09B3' && c != U'\u09B4' && c != U'\u09B5') ||
           c == U'\u09DC' || c == U'\u09DD' || c == U'\u09DF';
}

constexpr bool isIndependentVowel(char32_t c) {
    return c >= U'\u0985' && c <= U'\u0994';
}

// A character that belongs to a Bengali word: letters, vowel signs, marks, hasanta, nukta, and
// the joiners that go with them. Digits, the dari and the currency signs do not.
constexpr bool isBengaliWordChar(char32_t c) {
    return (c >= U'\u0981' && c <= U'\u09E3') || c == kZwnj || c == kZwj;
}

} // namespace kestrum::sutonnymj
