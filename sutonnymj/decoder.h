// The glyph-code reader behind decode(), for callers that decode many short texts with one
// table (it keeps its tables and buffers between calls).
#pragma once

#include "glyphtable.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::sutonnymj {

class Decoder {
public:
    Decoder(const GlyphTable &table, Generation generation);

    // Appends the Unicode of `bytes` to `out` (see decode() in sutonnymj.h).
    void decode(std::string_view bytes, std::u32string &out);

    // The same for a text that comes a piece at a time: decodeSome(piece, out, false) for each
    // piece but the last, decodeSome(rest, out, true) at the end, and `out` receives exactly
    // what decode() gives for the whole text. It returns the bytes of `piece` it took; the
    // rest (the start of a byte sequence read as a whole) goes in front of the next piece. The
    // syllable being assembled waits in the decoder, so `out` always ends where a syllable
    // does. start() begins a new text.
    void start();
    std::size_t decodeSome(std::string_view piece, std::u32string &out, bool last);

    // What each part of the byte stream does when it is put in Unicode order.
    enum class Role : std::uint8_t {
        Pass,    // not part of a syllable: written as it is
        Base,    // a letter or ligature that starts a cluster
        Half,    // a half form: the cluster goes on
        Attach,  // a phala sign or second half, joined to the cluster
        Pre,     // a vowel sign written before the cluster
        Post,    // a vowel sign after the cluster
        Reph,    // র্ after the cluster
        Hasanta, // the visible hasanta
        Mark,    // ং ঃ: ends the syllable
        Chandra, // ঁ: goes after the syllable's vowel sign
    };

private:
    struct Token {
        Role role = Role::Pass;
        std::u32string text;
    };
    struct Sequence {
        std::string bytes;
        Token token;
    };

    void flush(std::u32string &out);
    void startSyllableIfBusy(std::u32string &out);
    void joinCluster(std::u32string_view part);

    std::array<Token, 256> m_tokens;
    std::array<std::vector<Sequence>, 256> m_sequences; // by first byte, longest first
    char32_t m_visarga = U'\u0983';
    std::u32string m_rephText;

    // The syllable being assembled.
    std::u32string m_pre, m_cluster, m_post, m_marks;
    bool m_open = false; // the cluster ends in a half form and goes on
    bool m_reph = false;
    int m_previous = -1; // the byte before the current token
    std::size_t m_longestSequence = 1;
};

} // namespace kestrum::sutonnymj
