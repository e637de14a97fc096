// Fuzz target for decode and encode: any bytes as glyph codes, and any Bengali-heavy text as
// Unicode.
//
// Checks that decoding gives NFC text of bounded length in both generations, and that encoding
// (what was decoded, and the bytes as Unicode) lists the characters it keeps where it keeps
// them and writes no glyph code that the two generations read differently. (Random glyph codes
// are seldom Bengali that encodes back to the same bytes; the word tests check that round
// trip on real words.) Built for libFuzzer when
// KESTRUM_LIBFUZZER is defined; otherwise a small driver feeds it random texts (some of them
// long, so work that grows faster than the input shows as a slow test run).
#include "sutonnymj.h"
#include "unicodetext.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

using namespace kestrum::sutonnymj;

[[noreturn]] void fail(const char *what, std::string_view input) {
    std::fprintf(stderr, "%s; input:", what);
    for (unsigned char c : input)
        std::fprintf(stderr, " %02X", c);
    std::fprintf(stderr, "\n");
    std::abort();
}

void checkEncoded(std::u32string_view text, std::string_view input) {
    const Encoded encoded = encode(text);
    std::size_t previous = 0;
    for (std::size_t k = 0; k < encoded.unencodable.size(); ++k) {
        const Unencodable &u = encoded.unencodable[k];
        // In output order; a nukta moved before a hasanta by the normal form may make the
        // input offsets step back by one.
        if (u.offset >= text.size() || (k > 0 && u.outOffset <= previous))
            fail("unencodable characters out of order", input);
        previous = u.outOffset;
        std::string utf8;
        appendUtf8(utf8, u.character);
        if (encoded.bytes.compare(u.outOffset, utf8.size(), utf8) != 0)
            fail("a kept character is not where the list says", input);
    }
    // Outside the kept characters, no byte the font generations read differently.
    std::size_t next = 0;
    for (std::size_t i = 0; i < encoded.bytes.size(); ++i) {
        if (next < encoded.unencodable.size() && i == encoded.unencodable[next].outOffset) {
            std::string utf8;
            appendUtf8(utf8, encoded.unencodable[next++].character);
            i += utf8.size() - 1;
            continue;
        }
        if (GlyphTable::builtIn()[static_cast<unsigned char>(encoded.bytes[i])].use == Use::No &&
            static_cast<unsigned char>(encoded.bytes[i]) >= 0x20)
            fail("encode wrote a byte it never writes", input);
    }
    decode(encoded.bytes, Generation::New); // must not crash
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    for (Generation g : {Generation::Classic, Generation::New}) {
        const std::u32string text = decode(bytes, g);
        if (normalize(text) != text)
            fail("decode gave text that is not NFC", bytes);
        if (text.size() > 8 * size)
            fail("decode gave far more text than bytes", bytes);
        checkEncoded(text, bytes);
    }
    // The same bytes as Unicode: UTF-8 when valid, otherwise each byte as a Bengali character.
    if (const auto text = fromUtf8(bytes)) {
        checkEncoded(*text, bytes);
    } else {
        std::u32string bengali;
        for (unsigned char c : bytes)
            bengali.push_back(c < 0x20   ? char32_t(c)
                              : c < 0x30 ? U'\u200C' + (c & 1)
                                         : U'\u0980' + (c & 0x7F));
        checkEncoded(bengali, bytes);
    }
    return 0;
}

#ifndef KESTRUM_LIBFUZZER
int main(int argc, char **argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20000;
    std::mt19937 rng(7);
    // Mostly letters, signs, half forms and phala signs, so syllables get deep; some of every byte.
    const std::string glyphs = "KLMbegjmni\xA9\xA8\xAA\xAD\x9C\x77\x86\x87\x88\x76\x8A\x79\x7A\x93"
                               "u&st\xAF\x9A\x9B\x97\x8B\x92\xCD\xE6\xF8\xFF Av|0\r\n";
    for (int i = 0; i < runs; ++i) {
        std::string text;
        const int length =
            i % 1000 == 999 ? 200000 : std::uniform_int_distribution<int>(0, 64)(rng);
        for (int j = 0; j < length; ++j) {
            if (std::uniform_int_distribution<int>(0, 9)(rng) < 8)
                text +=
                    glyphs[std::uniform_int_distribution<std::size_t>(0, glyphs.size() - 1)(rng)];
            else
                text += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(text.data()), text.size());
    }
    std::printf("%d random texts decoded and encoded\n", runs);
    return 0;
}
#endif
