// The romaniser on its own: the spelling a person types, texts with signs and digits, and what
// it cannot spell.
#include "romaniser.h"
#include "support.h"
#include "sutonnymj.h"

#include <gtest/gtest.h>

using namespace kestrum;
using namespace kestrum::sutonnymj;
using kestrum::test::u32;
using kestrum::test::utf8;

namespace {

Tables shippedTables() {
    return readTables(KESTRUM_DATA_DIR);
}

class RomaniseTest : public ::testing::Test {
protected:
    Romaniser m_romaniser{shippedTables()};
};

} // namespace

TEST_F(RomaniseTest, PrefersTheSpellingAPersonTypes) {
    const std::pair<const char *, const char *> cases[] = {
        {"কলম", "kOlOm"},            // O between consonants, none at the end
        {"রতন", "rOtOn"},            // র at word start is r
        {"রত্ন", "rOtN"},             // a na-phala
        {"কর্ম", "kORm"},             // the reph, not র with a ma-phala
        {"নির্বাচন", "nIRbAcOn"},     // the reph after a vowel sign
        {"সূর্য", "sUURJ"},            // র্য has a joint key of its own
        {"বই", "bOI"},               // O before a vowel
        {"বাক্‌", "bAk&"}, // the hasanta after a consonant whose h would make খ
        {"উহ্‌", "Uhh"},     // the hasanta typed h
        {"সংবাদ", "sOngbAd"},        // O before ং
        {"সিংহ", "sIngh"},           // ংহ has a key of its own
        {"স্কুল", "skUl"},             // a joint at word start
        {"বাংলাদেশ", "bAnglAdEsh"},
        {"রাস্তা", "rAstA"},
        {"গুণ", "gUN"},                  // গু and ণ have a joint key
        {"গুণিতক", "gUONItOk"},          // but ি goes before ণ alone: O after the ligature
        {"আগুন", "AgUn"},                // a lower-case n after a ligature is ন
        {"র‍্যাব", "rJAb"}, // র with a ya-phala at word start
        {"মৃত্যু", "mWRItJU"},
        {"দুর্গ", "dURg"},
        {"চাঁদ", "cA~~d"},
        {"কৌতুক", "kOWtUk"},
        {"হওয়া", "h~OOyA"},  // ও after a consonant, with no O before it
        {"কই", "kOI"},       // but ই needs the O
        {"উন্নতি", "UnnOtI"}, // a doubled key
        {"গ্রুপ", "gRUp"},     // the phala before the vowel sign, though gURp gives it too
        {"ষণ্ঢ", "ShONhDh"},  // the visible hasanta that reads as a conjunct
    };
    for (const auto &[word, keys] : cases)
        EXPECT_EQ(m_romaniser.romanise(u32(word)).value_or("(none)"), keys) << word;
}

TEST_F(RomaniseTest, ATextKeepsItsSignsDigitsAndLineBreaks) {
    const std::u32string text = u32("আমি ২টি বই পাই।\r\n(সে), “না” ৳৫ ॥\n");
    const Romaniser::Text r = m_romaniser.romaniseText(text);
    EXPECT_EQ(utf8(r.text), "AmI 2TI bOI pAI.\r\n(sE), “nA” $5 \\\n");
    // The curly quotes have no key: the converter passes no character that reads as them.
    ASSERT_EQ(r.unspelled.size(), 2u);
    EXPECT_EQ(r.unspelled[0].offset, text.find(U'“'));
    EXPECT_EQ(r.unspelled[1].offset, text.find(U'”'));
}

TEST_F(RomaniseTest, WhatHasNoSpellingIsKeptAndListedWithItsPlace) {
    // A Latin letter converts as a key, "." as the dari, ASCII digits as Bengali ones: none of
    // them can be typed as itself. ঌ has no key at all, and কঈ no spelling the engine reads.
    // A run of such characters is one part.
    const std::u32string text = u32("ab আমি. 1 ঌ কঈ");
    const Romaniser::Text r = m_romaniser.romaniseText(text);
    EXPECT_EQ(utf8(r.text), "ab AmI. 1 ঌ কঈ");
    std::vector<std::pair<std::size_t, std::size_t>> places;
    for (const auto &u : r.unspelled) {
        places.emplace_back(u.offset, u.length);
        EXPECT_EQ(r.text.substr(u.outOffset, u.length), text.substr(u.offset, u.length));
    }
    const std::vector<std::pair<std::size_t, std::size_t>> expected = {
        {0, 2}, {6, 1}, {8, 1}, {10, 1}, {12, 2}};
    EXPECT_EQ(places, expected);
    EXPECT_EQ(m_romaniser.romanise(U""), std::nullopt);

    // The Latin words among them, each once, in their order.
    const std::u32string latin = u32("TIFF আমি PNG, TIFF (l) কঈx");
    const std::vector<std::u32string> words = {U"TIFF", U"PNG", U"l", U"x"};
    EXPECT_EQ(latinWords(latin, m_romaniser.romaniseText(latin).unspelled), words);
}

// The hasanta is h where h makes no other letter (nh), & where it would (kh is খ).
TEST_F(RomaniseTest, AFinalHasantaIsTypedWithItsKeyWithOrWithoutTheZwnj) {
    Engine engine;
    engine.setTables(shippedTables());
    const std::pair<const char *, const char *> cases[] = {
        {"বাক্", "bAk&"},    {"ধিক্", "dhIk&"},      {"দিক্", "dIk&"},         {"ভগবান্", "bhOgObAnh"},
        {"মহান্", "mOhAnh"}, {"বিদ্বান্", "bIdwAnh"}, {"শ্রীমান্", "shRIImAnh"}, {"সম্যক্", "sOmJOk&"},
    };
    for (const auto &[word, keys] : cases) {
        for (const std::string zwnj : {"", "\u200C"}) {
            SCOPED_TRACE(word + zwnj);
            const auto spelled = m_romaniser.romanise(u32(word + zwnj));
            ASSERT_TRUE(spelled);
            EXPECT_EQ(*spelled, keys);
            // The glyph codes show the visible hasanta, which reads back with the ZWNJ.
            EXPECT_EQ(utf8(decode(engine.convertBytes(*spelled), Generation::New)),
                      word + std::string("\u200C"));
        }
    }
}

TEST_F(RomaniseTest, ARunOfLettersTooLongForAWordIsReportedNotSearched) {
    std::u32string run;
    for (int i = 0; i < 20000; ++i)
        run += U"কল";
    // 64 characters still make a word: কলকল... is kOlOkOlO...kOl.
    std::string keys;
    for (int i = 0; i < 31; ++i)
        keys += "kOlO";
    EXPECT_EQ(m_romaniser.romanise(run.substr(0, 64)).value_or("(none)"), keys + "kOl");
    EXPECT_EQ(m_romaniser.romanise(run.substr(0, 65)), std::nullopt);
    const Romaniser::Text r = m_romaniser.romaniseText(U"আমি " + run);
    EXPECT_EQ(utf8(r.text.substr(0, 4)), "AmI ");
    ASSERT_EQ(r.unspelled.size(), 1u);
    EXPECT_EQ(r.unspelled[0].length, run.size());
}

TEST_F(RomaniseTest, AnswersDoNotDependOnWhatWasAskedBefore) {
    // The romaniser remembers words it has spelled; a second romaniser and a second question
    // give the same answers.
    Romaniser fresh(shippedTables());
    for (const char *word : {"কলম", "বিজ্ঞান", "ঌ", "কলম"})
        EXPECT_EQ(m_romaniser.romanise(u32(word)), fresh.romanise(u32(word))) << word;
}
