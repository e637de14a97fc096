// Reading SutonnyMJ text: real text of both font generations, the reordering rules, and the
// bytes that pass through.
#include "cp1252.h"
#include "support.h"
#include "sutonnymj.h"

#include <gtest/gtest.h>

using namespace kestrum::sutonnymj;
using kestrum::test::hex;
using kestrum::test::u32;
using kestrum::test::utf8;

namespace {

// Glyph bytes written as their Windows-1252 characters, as SutonnyMJ text looks in a Latin font.
std::string glyphs(std::u32string_view text) {
    std::string bytes;
    for (char32_t c : text) {
        const auto byte = kestrum::unicodeToCp1252(c);
        EXPECT_TRUE(byte) << "not a Windows-1252 character";
        bytes.push_back(char(byte.value_or('?')));
    }
    return bytes;
}

struct DecodeCase {
    const char32_t *glyphs;
    const char *classic; // as the classic generation reads it
    const char *newer;   // as the newer one does (nullptr: the same)
    const char *covers;
};

void expectDecoded(const DecodeCase &c) {
    SCOPED_TRACE(std::string(c.covers) + ": " + hex(glyphs(c.glyphs)));
    EXPECT_EQ(utf8(decode(glyphs(c.glyphs), Generation::Classic)), c.classic);
    EXPECT_EQ(utf8(decode(glyphs(c.glyphs), Generation::New)), c.newer ? c.newer : c.classic);
}

} // namespace

TEST(Decode, TextOfTheTwoGenerationsReadsByTheBytesThatDiffer) {
    const DecodeCase cases[] = {
        {U"wkÿv", "শিড়্গা", "শিক্ষা", "0xFF: ড়্গ, or ক্ষ"},
        {U"cixÿv", "পরীড়্গা", "পরীক্ষা", "0xFF after an ii-kar"},
        {U"wkÿv_x©", "শিড়্গার্থী", "শিক্ষার্থী", "0xFF, and a reph after a vowel sign"},
        {U"ev¯Íevqb", "বাস্ত্মবায়ন", "বাস্তবায়ন", "0xCD: ত্ম, or the second half ্ত"},
        {U"AšÍi", "অন্ত্মর", "অন্তর", "0xCD after ন্"},
        {U"mswkøó", "সংশিস্নষ্ট", "সংশ্লিষ্ট", "0xF8: স্ন, or a la-phala"},
        {U"Kywgjøv", "কুমিলস্না", "কুমিল্লা", "0xF8 after ল"},
        {U"iæMœ", "রম্নগ্ন", "রুগ্ন", "0xE6: ম্ন, or ু after র"},
        {U"wbæ", "নিম্ন", "নিু", "0xE6 after a consonant"},
        // The portable spellings read the same in both.
        {U"wbgœ ¯œvb AvZ¥v ¶gZv", "নিম্ন স্নান আত্মা ক্ষমতা", nullptr, "portable spellings"},
    };
    for (const DecodeCase &c : cases)
        expectDecoded(c);
}

TEST(Decode, SignsGoInUnicodeOrder) {
    const DecodeCase cases[] = {
        {U"Avwg evsjvq Mvb MvB|", "আমি বাংলায় গান গাই।", nullptr, "a sentence"},
        {U"†cÖg", "প্রেম", nullptr, "e-kar before a ra-phala cluster at word start"},
        {U"wØZxq", "দ্বিতীয়", nullptr, "i-kar before a ligature"},
        {U"cwðg", "পশ্চিম", nullptr, "i-kar before a conjunct inside a word"},
        {U"‡¯œn", "স্নেহ", nullptr, "e-kar before a half form and its phala"},
        {U"w¯’i", "স্থির", nullptr, "i-kar before a half form and its second half"},
        {U"k¨vgj", "শ্যামল", nullptr, "ya-phala"},
        {U"†ev‡bi", "বোনের", nullptr, "o-kar, then e-kar inside a word"},
        {U"†KŠZzK", "কৌতুক", nullptr, "au-kar"},
        {U"‡gŠgvwQ", "মৌমাছি", nullptr, "au-kar with the inside e-kar"},
        {U"ˆekvL ‰`wbK", "বৈশাখ দৈনিক", nullptr, "oi-kar, both forms"},
        {U"Kg© `yM© Kvh©", "কর্ম দুর্গ কার্য", nullptr, "reph after its consonant"},
        {U"EaŸ©", "ঊর্ধ্ব", nullptr, "reph over a conjunct with a phala sign"},
        {U"AZK¨©", "অতর্ক্য", nullptr, "reph after the phala sign"},
        {U"`yM©¨", "দুর্গ্য", nullptr, "reph before the phala sign"},
        {U"‡Kv‡Kvi", "কোকোর", nullptr, "o-kar twice"},
        {U"ag©x", "ধর্মী", nullptr, "reph before a post-base sign"},
        {U"i¨ve", "র‍্যাব", nullptr, "র with ya-phala: ZWJ"},
        {U"Avh©", "আর্য", nullptr, "reph over য, not র‍্য"},
        {U"A¨vwmW G¨vWf‡KU", "অ্যাসিড এ্যাডভকেট", nullptr, "ya-phala after a vowel"},
        {U"evK& Dn&", "বাক্‌ উহ্‌", nullptr, "visible hasanta at the end: ZWNJ"},
        {U"iæM&Y", "রম্নগ্‌ণ", "রুগ্‌ণ",
         "visible hasanta before a consonant: ZWNJ"},
        {U"lY&X Lo&M", "ষণ্ঢ খড়্গ", nullptr, "the two conjuncts spelled with the hasanta"},
        {U"Aciv‡ýi", "অপরাহ্নের", nullptr, "হ্ন ligature"},
        {U"Aciv‡nœ", "অপরাহ্ণে", nullptr, "œ under হ is ণ"},
        {U"evPKè", "বাচক্ন", nullptr, "è after ক is ন"},
        {U"Pvu` Puv`", "চাঁদ চাঁদ", nullptr, "chandrabindu after, or before, the aa-kar"},
        {U"‡Ku‡` ‡uK‡`", "কেঁদে কেঁদে", nullptr, "chandrabindu with a pre-base sign"},
        {U"†Lvu‡R", "খোঁজে", nullptr, "chandrabindu with o-kar"},
        {U"Kvv c­­", "কা প্ল", nullptr, "a sign typed twice counts once"},
        {U"wmsn `ytL", "সিংহ দুঃখ", nullptr, "anusvara and visarga end the syllable"},
        {U"Drme nVvr", "উৎসব হঠাৎ", nullptr, "khanda ta"},
        {U"¸iæ ïay eû", "গুরম্ন শুধু বহু", "গুরু শুধু বহু", "fused u-kar ligatures"},
        {U"i“wU iƒc", "রুটি রূপ", nullptr, "রু রূ"},
        {U"Wªvg Kvo&M", "ড্রাম কাড়্গ", nullptr, "ra-phala, and ড় in a spelling"},
    };
    for (const DecodeCase &c : cases)
        expectDecoded(c);
}

TEST(Decode, DigitsPunctuationAndEveryOtherBytePassAsTheFontDrawsThem) {
    const DecodeCase cases[] = {
        {U"2024 mv‡j|", "২০২৪ সালে।", nullptr, "digits and the dari"},
        {U"1t 2 [t]", "১: ২ [:]", nullptr,
         "visarga after a digit, a space or a bracket is a colon"},
        {U"Avwg, Zywg (Avi †m)! \"Lvb\" - 10%? #@*+=<>/;",
         "আমি, তুমি (আর সে)! \"খান\" - ১০%? #@*+=<>/;", nullptr, "ASCII punctuation"},
        {U"ÒLvbÓ ÔLvbÕ Ð Ñ $5 \\", "“খান” ‘খান’ – — ৳৫ ॥", nullptr,
         "quotes, dashes, taka, double dari"},
        {U"Avwg\r\nZywg\n\tmv", "আমি\r\nতুমি\n\tসা", nullptr, "line breaks and tabs"},
        {U"\u20AC\u00A0\u017D", "\u20AC\u00A0\u017D", nullptr, "unused bytes pass"},
        {U"v w ©K", "া ি র্ক", nullptr, "signs with no consonant stay where they are"},
    };
    for (const DecodeCase &c : cases)
        expectDecoded(c);
}

TEST(Decode, TextOfTheOutputAreaKeepsTheCharactersThatAreNoGlyphCodes) {
    const std::u32string area = U"Avwg 😀 \u0986 Zywg";
    EXPECT_EQ(utf8(decodeText(area, Generation::New)), "আমি 😀 আ তুমি");
    EXPECT_EQ(utf8(decodeText(U"", Generation::New)), "");
}
