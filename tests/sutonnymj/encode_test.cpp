// Writing Unicode as SutonnyMJ: the forms chosen by context, the clusters, and what has no
// glyph code.
#include "cp1252.h"
#include "support.h"
#include "sutonnymj.h"

#include <gtest/gtest.h>

using namespace kestrum::sutonnymj;
using kestrum::test::hex;
using kestrum::test::u32;
using kestrum::test::utf8;

namespace {

// Glyph bytes as their Windows-1252 characters.
std::string asText(std::string_view bytes) {
    std::u32string text;
    for (char b : bytes)
        text.push_back(kestrum::cp1252ToUnicode(static_cast<unsigned char>(b)));
    return utf8(text);
}

struct EncodeCase {
    const char *unicode;
    const char *glyphs; // UTF-8 of the glyph bytes' Windows-1252 characters
    const char *covers;
};

void expectEncoded(const EncodeCase &c) {
    SCOPED_TRACE(std::string(c.covers) + ": " + c.unicode);
    const Encoded encoded = encode(u32(c.unicode));
    EXPECT_EQ(asText(encoded.bytes), c.glyphs) << hex(encoded.bytes);
    EXPECT_TRUE(encoded.unencodable.empty());
}

} // namespace

TEST(Encode, VowelSignFormsFollowTheCluster) {
    const EncodeCase cases[] = {
        {"কে একে (সে)", "†K G‡K (†m)", "e-kar: word-start form, inside form"},
        {"বৈশাখ দৈনিক কৈ", "ˆekvL ˆ`wbK ˆK", "oi-kar at word start"},
        {"নৈতিক", "ˆbwZK", "oi-kar"},
        {"বোন কৌতুক তোমার", "†evb †KŠZzK †Zvgvi", "o-kar and au-kar around the cluster"},
        {"কু খু জু তু", "Kz Ly Ry Zz", "u-kar by the consonant's stem, জু"},
        {"রু শ্রু প্রু দ্রু", "i“ kª“ cÖ“ `ª“", "u-kar after র and the ra-phala clusters"},
        {"ক্রু খ্রু", "µy Lªy", "u-kar after other ra-phala clusters"},
        {"ক্ষু ষ্ণু ড়ু", "¶z òz o–", "u-kar exceptions and after ড়"},
        {"গু শু হু হৃ", "¸ ï û ü", "consonant and sign in one glyph"},
        {"কূ দূ রূ", "K‚ `~ iƒ", "uu-kar forms"},
        {"কৃ মৃ", "K… g„", "ri-kar forms"},
        {"বন্ধু", "eÜy", "u-kar after a ligature ending in ধ"},
    };
    for (const EncodeCase &c : cases)
        expectEncoded(c);
}

TEST(Encode, ClustersTakeTheirSpellingAndPhalaForms) {
    const EncodeCase cases[] = {
        {"গ্র প্র ক্র ফ্র ট্র", "MÖ cÖ µ d« Uª", "ra-phala forms"},
        {"ক্ত্র", "³«", "ra-phala after ক্ত"},
        {"শ্ব ধ্ব ক্ব দ্ব স্ব", "k¦ aŸ K¡ Ø ¯^", "ba-phala forms and ligatures"},
        {"ক্ল প্ল ম্ল স্প্ল", "K¬ c\u00AD ¤¬ ¯c\u00AD", "la-phala forms"},
        {"ম্ন স্ন ত্ম ক্ষ ড়্গ", "gœ mœ Z¥ ¶ o&M", "never the bytes the generations read differently"},
        {"ন্ত স্থ ম্প", "š— ¯’ ¤c", "half forms"},
        {"ন্ত্র্য", "š¿¨", "a four-letter cluster"},
        {"কর্ম তর্ক্য আর্য", "Kg© ZK¨© Avh©", "reph after the cluster and its phala signs"},
        {"কর্মে", "K‡g©", "reph and e-kar on the same consonant"},
        {"র‍্যাব র‌্যাব", "i¨ve i¨ve",
         "র with a ya-phala, with ZWJ or ZWNJ"},
        {"অ্যাসিড", "A¨vwmW", "ya-phala after a vowel"},
        {"বাক্‌ বাক্ ণ্ঢ", "evK& evK& Y&X", "visible hasanta"},
        {"ত্ক", "Z&K", "no spelling: a visible hasanta between the letters"},
        {"চাঁদ খোঁজ", "Pvu` †LvuR", "chandrabindu after the vowel sign"},
        {"সিংহ দুঃখ", "wmsn `ytL", "anusvara and visarga"},
        {"\u09AC\u09A1\u09BC\u09C7\u09BE", "e‡ov", "ড় as ড + nukta, ো as ে + া"},
        {"\u09AC\u09DC\u09CB", "e‡ov", "precomposed ড় and ো"},
    };
    for (const EncodeCase &c : cases)
        expectEncoded(c);
}

TEST(Encode, DigitsAndSignsHaveTheirGlyphCodes) {
    expectEncoded({"২০২৪। “খান” ‘খান’ – — ৳৫ ॥", "2024| ÒLvbÓ ÔLvbÕ Ð Ñ $5 \\", "signs"});
    expectEncoded({"আমি,\r\nতুমি?\t(সে)!", "Avwg,\r\nZzwg?\t(†m)!", "ASCII signs, controls"});
}

TEST(Encode, ACharacterWithNoGlyphCodeIsKeptAndListed) {
    const Encoded encoded = encode(u32("ab আমি 12|\u200C"));
    EXPECT_EQ(encoded.bytes, "ab Avwg 12|\xE2\x80\x8C") << hex(encoded.bytes);
    std::vector<std::pair<std::size_t, char32_t>> listed;
    for (const Unencodable &u : encoded.unencodable)
        listed.emplace_back(u.offset, u.character);
    const std::vector<std::pair<std::size_t, char32_t>> expected = {
        {0, U'a'}, {1, U'b'}, {7, U'1'}, {8, U'2'}, {9, U'|'}, {10, U'\u200C'}};
    EXPECT_EQ(listed, expected);
    // The output offsets point at the kept characters.
    EXPECT_EQ(encoded.unencodable[5].outOffset, 11u);

    const EncodedText text = encodeText(u32("x আ"));
    EXPECT_EQ(utf8(text.text), "x Av");
    ASSERT_EQ(text.unencodable.size(), 1u);
    EXPECT_EQ(text.unencodable[0].outOffset, 0u);
}

TEST(Encode, OffsetsNameTheCharactersOfTheTextAsGiven) {
    // ড় written precomposed is two characters in NFC; the offsets stay those of the input.
    const Encoded encoded = encode(u32("\u09AC\u09DCx"));
    ASSERT_EQ(encoded.unencodable.size(), 1u);
    EXPECT_EQ(encoded.unencodable[0].offset, 2u);
}
