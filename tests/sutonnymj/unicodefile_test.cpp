// The UTF-8 decoder in both modes, and a Unicode file read and romanised with the positions of
// what has no spelling.
#include "support.h"
#include "sutonnymj/unicodefile.h"
#include "sutonnymj/unicodetext.h"

#include <gtest/gtest.h>

using namespace kestrum;
using namespace kestrum::sutonnymj;
using kestrum::test::u32;

TEST(Utf8Test, StrictStopsAtTheFirstIllFormedByteLenientReplacesEach) {
    struct Case {
        const char *name;
        std::string bytes;
        std::optional<std::size_t> badOffset; // strict
        std::u32string lenient;
        std::size_t replaced;
    };
    const Case cases[] = {
        {"ASCII and Bengali", "a\xE0\xA6\x95", std::nullopt, U"a\u0995", 0},
        {"a leading U+FEFF is text", "\xEF\xBB\xBFx", std::nullopt, U"\uFEFFx", 0},
        {"four bytes", "\xF0\x9F\x98\x80", std::nullopt, U"\U0001F600", 0},
        {"stray continuation byte",
         "ab\x80"
         "c",
         2, U"ab\uFFFDc", 1},
        {"truncated at the end", "ab\xE0\xA6", 2, U"ab\uFFFD", 1},
        {"truncated, then ASCII", "\xE0\xA6z", 0, U"\uFFFDz", 1},
        {"overlong", "\xC0\xAF", 0, U"\uFFFD\uFFFD", 2},
        {"overlong three bytes", "\xE0\x80\x80", 0, U"\uFFFD\uFFFD\uFFFD", 3},
        {"surrogate", "x\xED\xA0\x80", 1, U"x\uFFFD\uFFFD\uFFFD", 3},
        {"past U+10FFFF", "\xF4\x90\x80\x80", 0, U"\uFFFD\uFFFD\uFFFD\uFFFD", 4},
        {"not a lead byte", "\xFF", 0, U"\uFFFD", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Utf8Text strict = decodeUtf8(c.bytes, Utf8Mode::Strict);
        EXPECT_EQ(strict.badOffset, c.badOffset);
        if (!c.badOffset)
            EXPECT_EQ(strict.text, c.lenient);
        else
            EXPECT_TRUE(strict.text.empty());
        std::size_t bad = 99;
        EXPECT_EQ(fromUtf8(c.bytes, &bad).has_value(), !c.badOffset);
        if (c.badOffset)
            EXPECT_EQ(bad, *c.badOffset);
        const Utf8Text lenient = decodeUtf8(c.bytes, Utf8Mode::Lenient);
        EXPECT_FALSE(lenient.badOffset);
        EXPECT_EQ(lenient.text, c.lenient);
        EXPECT_EQ(lenient.replaced, c.replaced);
    }
}

TEST(UnicodeFileTest, ReadsTheTextWithoutTheMarkAndOptionallyTheFinalLineBreak) {
    struct Case {
        const char *name;
        std::string bytes;
        FinalLineBreak finalBreak;
        std::u32string text;
        std::optional<std::size_t> badOffset; // from the file's first byte
    };
    const Case cases[] = {
        {"mark left out",
         "\xEF\xBB\xBF"
         "a\r\n",
         FinalLineBreak::Keep, U"a\r\n", std::nullopt},
        {"final CR LF dropped", "a\r\n", FinalLineBreak::Drop, U"a", std::nullopt},
        {"one final LF dropped", "a\n\n", FinalLineBreak::Drop, U"a\n", std::nullopt},
        {"a final CR stays", "a\r", FinalLineBreak::Drop, U"a\r", std::nullopt},
        {"a second mark is text", "\xEF\xBB\xBF\xEF\xBB\xBF", FinalLineBreak::Keep, U"\uFEFF",
         std::nullopt},
        {"bad byte counted with the mark",
         "\xEF\xBB\xBF"
         "ab\xFF",
         FinalLineBreak::Keep, U"", 5},
        {"bad byte without a mark", "ab\xFF\n", FinalLineBreak::Drop, U"", 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const UnicodeFileText file = readUnicodeFile(c.bytes, c.finalBreak);
        EXPECT_EQ(file.badOffset, c.badOffset);
        EXPECT_EQ(file.text, c.text);
    }
}

TEST(UnicodeFileTest, LinesEndAtCrLfLfAndCr) {
    const LinePositions positions(U"ab\r\ncd\ne\rf\r\r\ng");
    const std::pair<std::size_t, LinePositions::Position> cases[] = {
        {0, {1, 1}}, {1, {1, 2}}, {4, {2, 1}},  {5, {2, 2}},
        {7, {3, 1}}, {9, {4, 1}}, {11, {5, 1}}, {13, {6, 1}},
    };
    for (const auto &[offset, expected] : cases) {
        SCOPED_TRACE(offset);
        const LinePositions::Position at = positions.at(offset);
        EXPECT_EQ(at.line, expected.line);
        EXPECT_EQ(at.column, expected.column);
    }
}

TEST(UnicodeFileTest, RomanisesAFileAndPlacesWhatHasNoSpelling) {
    Romaniser romaniser(readTables(KESTRUM_DATA_DIR));
    const RomanisedFile opened = romaniseUnicodeFile(
        romaniser, "\xEF\xBB\xBF" + std::string("কলম x\r\nz ভাত\r\n"), FinalLineBreak::Drop);
    ASSERT_FALSE(opened.file.badOffset);
    EXPECT_EQ(opened.roman.keys, U"kOlOm x\r\nz bhAt");
    ASSERT_EQ(opened.roman.unspelled.size(), 2u);
    const RomanisedPart &x = opened.roman.unspelled[0];
    EXPECT_EQ(opened.file.text.substr(x.offset, x.length), U"x");
    EXPECT_EQ(std::make_pair(x.line, x.column), std::make_pair(std::size_t{1}, std::size_t{5}));
    EXPECT_EQ(opened.roman.keys.substr(x.outOffset, x.length), U"x");
    const RomanisedPart &z = opened.roman.unspelled[1];
    EXPECT_EQ(std::make_pair(z.line, z.column), std::make_pair(std::size_t{2}, std::size_t{1}));
    // Not UTF-8: nothing romanised, the offset counted from the file's first byte.
    const RomanisedFile bad = romaniseUnicodeFile(romaniser, "\xEF\xBB\xBF"
                                                             "\xE0\xA6");
    EXPECT_EQ(bad.file.badOffset, std::optional<std::size_t>(3));
    EXPECT_TRUE(bad.roman.keys.empty());
}
