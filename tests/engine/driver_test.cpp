// The text driver: word characters, digits, the full stop, line breaks, pass-through of every
// other character, the log, and conversions asked for from inside a running one.
#include "cp1252.h"
#include "engine.h"
#include "fixture.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace kestrum;
using kestrum::test::RecordingLog;
using kestrum::test::TableFolder;

namespace {

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.loadTables(folder.path());
        engine.setConversionLog(&log);
    }
    TableFolder folder;
    Engine engine;
    RecordingLog log;
    std::u32string output;
};

struct TextCase {
    const char *name;
    std::u32string text;
    std::u32string output;
};

} // namespace

TEST_F(DriverTest, CutsWordsAndPassesEverythingElseThrough) {
    const TextCase cases[] = {
        {"one_word", U"kA", U"Kv"},
        {"spaces_pass_one_for_one", U"kA  kA ", U"Kv  Kv "},
        {"full_stop_becomes_danda", U"kA.kA.", U"Kv|Kv|"},
        {"digits_split_words", U"ka1kA", U"KA1Kv"},
        {"tilde_and_ampersand_belong_to_the_word", U"k~~", U"Ku"},
        {"crlf_stays_one_crlf", U"kA\r\nkA", U"Kv\r\nKv"},
        {"lone_lf_becomes_crlf", U"kA\nkA", U"Kv\r\nKv"},
        {"lone_cr_disappears", U"kA\rkA", U"KvKv"},
        {"only_line_breaks", U"\r\n\r\n\n", U"\r\n\r\n\r\n"},
        {"punctuation_and_tabs", U"kA,\tkA!?\"'()-", U"Kv,\tKv!?\"'()-"},
        {"accented_latin_ends_a_word", U"kA\u00E9kA", U"Kv\u00E9Kv"},
        {"unicode_bengali_passes_through", U"kA \u0986\u09AE\u09BF kA",
         U"Kv \u0986\u09AE\u09BF Kv"},
        {"characters_beyond_the_bmp", U"\U0001F600kA", U"\U0001F600Kv"},
        {"glyph_codes_reach_the_text_as_windows_1252", U"kE kOW", U"\u2020K \u2020K\u0160"},
        {"unconverted_word_leaves_nothing", U"xyz kA", U" Kv"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(engine.convertText(c.text, output), Engine::Result::Converted);
        EXPECT_EQ(output, c.output);
    }
}

TEST_F(DriverTest, LineBreaksAreWrittenAsTheCallerAsks) {
    using LB = Engine::LineBreaks;
    const struct {
        const char *name;
        LB lineBreaks;
        std::u32string text;
        std::u32string output;
    } cases[] = {
        {"crlf_default_lf", LB::CrLf, U"kA\nkA\r\n", U"Kv\r\nKv\r\n"},
        {"crlf_drops_a_lone_cr", LB::CrLf, U"kA\rkA", U"KvKv"},
        {"lf_from_crlf_and_lf", LB::Lf, U"kA\r\nkA\nkA", U"Kv\nKv\nKv"},
        {"lf_drops_a_lone_cr", LB::Lf, U"kA\r\rkA", U"KvKv"},
        {"as_they_came", LB::AsTheyCame, U"kA\r\nkA\nkA\rkA\n\r", U"Kv\r\nKv\nKv\rKv\n\r"},
        {"as_they_came_between_signs", LB::AsTheyCame, U"kE\rkE.\n", U"\u2020K\r\u2020K|\n"},
    };
    Engine literal(Engine::Lookup::Literal);
    literal.loadTables(folder.path());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (Engine *e : {&engine, &literal}) {
            e->setLineBreaks(c.lineBreaks);
            ASSERT_EQ(e->convertText(c.text, output), Engine::Result::Converted);
            EXPECT_EQ(output, c.output);
            const std::string bytes(c.text.begin(), c.text.end());
            std::u32string fromBytes;
            for (const char b : e->convertBytes(bytes))
                fromBytes += cp1252ToUnicode(static_cast<unsigned char>(b));
            EXPECT_EQ(fromBytes, c.output);
        }
    }
    EXPECT_EQ(Engine().lineBreaks(), LB::CrLf);
    // A conversion that builds on the one before it takes nothing over that was written with
    // the other line breaks.
    Engine reusing;
    reusing.loadTables(folder.path());
    reusing.setReusePrevious(true);
    reusing.convertText(U"kA\nkA\nkA", output);
    EXPECT_EQ(output, U"Kv\r\nKv\r\nKv");
    reusing.setLineBreaks(LB::Lf);
    reusing.convertText(U"kA\nkA\nkA", output);
    EXPECT_EQ(output, U"Kv\nKv\nKv");
}

TEST_F(DriverTest, EmptyInputChangesNothing) {
    engine.convertText(U"xyz", output);
    ASSERT_EQ(log.lines.size(), 1u);
    const int clears = log.clears;
    EXPECT_EQ(engine.convertText(U"", output), Engine::Result::EmptyInput);
    EXPECT_EQ(output, U"");
    EXPECT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.clears, clears);
    engine.convertText(U"kA", output);
    EXPECT_EQ(engine.convertText(U"", output), Engine::Result::EmptyInput);
    EXPECT_EQ(output, U"Kv");
}

TEST_F(DriverTest, EveryConversionStartsAFreshLog) {
    engine.convertText(U"xa kAxa", output);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Position:1 Word:xa", "Position:3 Word:kAxa"}));
    engine.convertText(U"kA yk", output);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Position:1 Word:yk"}));
    engine.convertText(U"kA", output);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(DriverTest, AConversionAskedForInsideARunningOneIsRefused) {
    std::vector<Engine::Result> nested;
    engine.setYieldToUi([&] { nested.push_back(engine.convertText(U"ka", output)); });
    EXPECT_TRUE(engine.isConverting() == false);
    EXPECT_EQ(engine.convertText(U"kAkA kAkA", output), Engine::Result::Converted);
    EXPECT_EQ(nested, std::vector<Engine::Result>(2, Engine::Result::Busy));
    EXPECT_EQ(output, U"KvKv KvKv"); // the running conversion was not disturbed
    EXPECT_FALSE(engine.isConverting());
}

TEST_F(DriverTest, ConvertBytesPassesEveryOtherByteUnchanged) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<char>(b);
        const bool converted = isWordChar(static_cast<unsigned char>(c)) ||
                               (b >= '0' && b <= '9') || b == '\r' || b == '\n' || b == '.';
        if (!converted)
            all.push_back(c);
    }
    EXPECT_EQ(engine.convertBytes(all), all);
    EXPECT_EQ(engine.convertBytes(std::string("kA\0kA", 5)), std::string("Kv\0Kv", 5));
    EXPECT_EQ(engine.convertBytes("kE\x80\n"), "\x86K\x80\r\n");
}

TEST_F(DriverTest, Windows1252MappingIsABijectionOnBytes) {
    for (int b = 0; b < 256; ++b) {
        const auto back = unicodeToCp1252(cp1252ToUnicode(static_cast<unsigned char>(b)));
        ASSERT_TRUE(back.has_value()) << b;
        EXPECT_EQ(*back, b);
    }
    EXPECT_EQ(cp1252ToUnicode(0x86), U'\u2020');
    EXPECT_EQ(cp1252ToUnicode(0x9C), U'\u0153');
    EXPECT_FALSE(unicodeToCp1252(U'\u0986').has_value());
}

// Whole texts convert the same whichever way the keys are looked up, remembered words
// included (the texts are short and drawn from few letters, so words come back often).
TEST(DriverEquivalence, IndexedAndLiteralLookupsGiveTheSameTextAndLog) {
    TableFolder folder;
    Engine indexed(Engine::Lookup::Indexed), literal(Engine::Lookup::Literal);
    std::u32string indexedText, literalText;
    indexed.loadTables(folder.path());
    literal.loadTables(folder.path());
    RecordingLog indexedLog, literalLog;
    indexed.setConversionLog(&indexedLog);
    literal.setConversionLog(&literalLog);
    int indexedYields = 0, literalYields = 0;
    indexed.setYieldToUi([&] { ++indexedYields; });
    literal.setYieldToUi([&] { ++literalYields; });
    std::mt19937 rng(7);
    const std::u32string alphabet = U"aAkKgEOWIRrNMLJYyhsnt~&xUI. \n1";
    for (int round = 0; round < 3000; ++round) {
        std::u32string text;
        const int length = std::uniform_int_distribution<int>(1, 40)(rng);
        for (int i = 0; i < length; ++i)
            text +=
                alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
        indexed.convertText(text, indexedText);
        literal.convertText(text, literalText);
        ASSERT_EQ(indexedText, literalText);
        ASSERT_EQ(indexedLog.lines, literalLog.lines);
        ASSERT_EQ(indexedYields, literalYields);
        ASSERT_EQ(indexed.convertBytes(std::string(text.begin(), text.end())),
                  literal.convertBytes(std::string(text.begin(), text.end())));
    }
}
