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

// UTF-8 text as code points. Invalid UTF-8 (a stray or missing continuation byte, an overlong
// form, a surrogate, a value above U+10FFFF) gives nothing, with the offset of the first byte
// that is not part of a valid character in *badOffset.
std::optional<std::u32string> fromUtf8(std::string_view bytes, std::size_t *badOffset = nullptr);
std::string toUtf8(std::u32string_view text);
void appendUtf8(std::string &out, char32_t c);

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
