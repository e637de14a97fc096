// SutonnyMJ glyph codes <-> Unicode Bengali.
//
// decode turns glyph bytes (visual order: pre-base vowel signs before their cluster, the reph
// after it, ো ৌ split around it) into Unicode Bengali in logical order and NFC. encode does the
// reverse with spellings that both font generations draw the same. Both work in one pass, in
// time linear in the length of their input, and take every input: nothing is dropped.
#pragma once

#include "glyphtable.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::sutonnymj {

// Glyph bytes to Unicode, read in generation `g`:
// - pre-base vowel signs (ি ে ৈ) go after their cluster (a consonant or ligature, its half
//   forms, second halves and phala signs); ে + cluster + া becomes ো, ে + cluster + ৗ ৌ;
// - the reph goes before the cluster it follows (also when vowel signs stand between them);
// - ঁ typed before a pre-base sign's consonant, or before a post-base sign, goes after the
//   vowel sign; a sign or la-phala typed twice counts once;
// - the byte sequences of the spellings table are read as a whole (Av আ, i¨ র‍্য with
// ZWJ,
//   nœ হ্ণ, Kè ক্ন ...);
// - the visible hasanta & is ্ + ZWNJ; ঃ right after a digit, a space, "[" or "]" is ":";
// - digits are Bengali digits, "|" is "।", and every byte that draws itself (space, CR, LF,
//   ASCII punctuation) or draws nothing passes through as its Windows-1252 character.
std::u32string decode(std::string_view bytes, Generation g,
                      const GlyphTable &table = GlyphTable::builtIn());

// The same for text whose characters are the Windows-1252 characters of glyph bytes (the output
// area's text); characters outside Windows-1252 pass through unchanged.
std::u32string decodeText(std::u32string_view glyphText, Generation g,
                          const GlyphTable &table = GlyphTable::builtIn());

// A character the encoder has no glyph code for: its index in the text given to encode, and
// where it stands in the output.
struct Unencodable {
    std::size_t offset;    // index into the input text
    std::size_t outOffset; // index into the output (bytes for encode, characters for encodeText)
    char32_t character;
};

struct Encoded {
    std::string bytes; // glyph codes, with each unencodable character as UTF-8
    std::vector<Unencodable> unencodable;
};

// Unicode (any normal form) to glyph bytes, with the forms the table's `encode` column chooses:
// e-kar and oi-kar in their word-start forms at the start of a word (a Bengali word begins after
// any character that is not part of one), the vowel-sign and phala variants by the cluster they
// follow, clusters by their longest spelling, a visible hasanta (&) where a cluster has no
// spelling. Never writes a byte whose `encode` is No, so both font generations draw the result
// the same. Controls (tab, CR, LF ...) pass through. Characters with no glyph code (Latin
// letters, other scripts, ASCII digits, "|", stray joiners) are kept as they are and listed.
Encoded encode(std::u32string_view text, const GlyphTable &table = GlyphTable::builtIn());

struct EncodedText {
    std::u32string text; // glyph codes as their Windows-1252 characters, unencodable ones kept
    std::vector<Unencodable> unencodable;
};
EncodedText encodeText(std::u32string_view text, const GlyphTable &table = GlyphTable::builtIn());

// Whether the text holds a Bengali character (U+0980 to U+09FF).
bool containsBengali(std::u32string_view text);

} // namespace kestrum::sutonnymj
