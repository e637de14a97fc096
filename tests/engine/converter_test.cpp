// The word converter and its special rules, on the test romanisation of fixture.h.
#include "cp1252.h"
#include "engine.h"
#include "fixture.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>

using namespace kestrum;
using kestrum::test::RecordingLog;
using kestrum::test::TableFolder;

namespace {

struct SignCase {
    const char *word;
    int pos;
    const char *key; // the consonant's key (takeRySign only)
    const char *sign;
    int posAfter;
};

} // namespace

TEST(TakeNmwlSign, TakesUpperCaseNMWLButNotWBeforeRI) {
    const SignCase cases[] = {
        {"kN", 2, "", "\x9C", 3}, {"kM", 2, "", "\xA5", 3},   {"kWA", 2, "", "\xA6", 3},
        {"kL", 2, "", "\xAD", 3}, {"kWRI", 2, "", "", 2},     {"kWR", 2, "", "\xA6", 3},
        {"kW", 2, "", "\xA6", 3}, {"kWRi", 2, "", "\xA6", 3}, {"kn", 2, "", "", 2},
        {"km", 2, "", "", 2},     {"kl", 2, "", "", 2},       {"kw", 2, "", "", 2},
        {"k", 2, "", "", 2},      {"k", 7, "", "", 7},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.word);
        int pos = c.pos;
        EXPECT_EQ(takeNmwlSign(c.word, pos), c.sign);
        EXPECT_EQ(pos, c.posAfter);
    }
}

TEST(TakeRySign, TakesRJYUnlessTheKeyForbids) {
    const SignCase cases[] = {
        {"kR", 2, "k", "\xAA", 3}, {"kJ", 2, "k", "\xA8", 3},   {"kY", 2, "k", "\xA8", 3},
        {"rR", 2, "r", "", 2},     {"RR", 2, "R", "", 2},       {"~rR", 3, "~r", "", 3},
        {"rJ", 2, "r", "\xA8", 3}, // r refuses only the R sign
        {"~~R", 3, "~~", "", 3},   {"ngJ", 3, "ng", "", 3},     {"~tY", 3, "~t", "", 3},
        {"~TR", 3, "~T", "", 3},   {"NGR", 3, "NG", "\xAA", 4}, // NG takes them
        {"kr", 2, "k", "", 2},     {"kj", 2, "k", "", 2},       {"k", 5, "k", "", 5},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.word);
        int pos = c.pos;
        EXPECT_EQ(takeRySign(c.word, pos, c.key), c.sign);
        EXPECT_EQ(pos, c.posAfter);
    }
}

class ConverterTest : public ::testing::TestWithParam<Engine::Lookup> {
protected:
    void SetUp() override {
        engine = std::make_unique<Engine>(GetParam());
        engine->loadTables(folder.path());
        engine->setConversionLog(&log);
    }
    int connectIndex(const char *key) {
        int pos = 1;
        return engine->matchConnect(key, pos);
    }
    std::string word(const std::string &w) {
        std::u32string text;
        engine->convertWord(w, text);
        std::string out;
        for (char32_t c : text)
            out.push_back(static_cast<char>(*unicodeToCp1252(c)));
        return out;
    }

    TableFolder folder;
    std::unique_ptr<Engine> engine;
    RecordingLog log;
};

TEST_P(ConverterTest, PlaceVowelSignPutsEachSignInItsPlace) {
    struct Case {
        const char *key;
        bool atWordStart;
        const char *syllable; // cluster "K\x9C", rjy "\xAA"
    } cases[] = {
        {"A", false, "K\x9C\xAAv"},         {"II", false, "K\x9C\xAAx"},
        {"WRI", false, "K\x9C\x85\xAA"},    {"UU", false, "K\x9C~\xAA"},
        {"h", false, "K\x9C&\xAA"},         {"U", false, "K\x9Cy\xAA"},
        {"E", false, "\x87K\x9C\xAA"},      {"E", true, "\x86K\x9C\xAA"},
        {"I", false, "wK\x9C\xAA"},         {"I", true, "wK\x9C\xAA"},
        {"y", false, "\x89K\x9C\xAA"},      {"y", true, "\x88K\x9C\xAA"},
        {"O", false, "K\x9C\xAA"},          {"O", true, "K\x9C\xAA"},
        {"OO", false, "\x87K\x9C\xAAv"},    {"OO", true, "\x86K\x9C\xAAv"},
        {"OW", false, "\x87K\x9C\xAA\x8A"}, {"OW", true, "\x86K\x9C\xAA\x8A"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.key) + (c.atWordStart ? " at word start" : ""));
        const int idx = connectIndex(c.key);
        ASSERT_GT(idx, 0);
        EXPECT_EQ(engine->placeVowelSign("K\x9C", idx, "\xAA", c.atWordStart), c.syllable);
    }
}

TEST_P(ConverterTest, PlaceVowelSignWithAnUnknownKeyGivesNothing) {
    Tables tables = engine->tables();
    tables.connectTable[5].key.assign("Q");
    Engine other(GetParam());
    other.setTables(tables);
    EXPECT_EQ(other.placeVowelSign("K", 5, "\xAA", false), "");
}

TEST_P(ConverterTest, PlaceVowelSignWrapsAOneGlyphSignOnBothSidesAtWordStart) {
    Tables tables = engine->tables();
    int pos = 1;
    const int idx = engine->matchConnect("OO", pos);
    tables.connectTable[idx].glyphs.assign("v");
    Engine other(GetParam());
    other.setTables(tables);
    EXPECT_EQ(other.placeVowelSign("K", idx, "", true), "\x86K\x86");
    EXPECT_EQ(other.placeVowelSign("K", idx, "", false), "vKv");
}

struct WordCase {
    const char *name;
    const char *word;
    const char *glyphs;
    const char *logLine; // "" for none
};

TEST_P(ConverterTest, ConvertsWordsByTheRules) {
    const WordCase cases[] = {
        // Vowels and vowel signs.
        {"vowel_alone", "a", "A", ""},
        {"vowel_in_a_later_unit_is_its_own_glyph", "ka", "KA", ""},
        {"sign_after", "kA", "Kv", ""},
        {"e_kar_at_word_start", "kE", "\x86K", ""},
        {"e_kar_inside", "gkE", "M\x87K", ""},
        {"oi_kar_at_word_start", "ky", "\x88K", ""},
        {"oi_kar_inside", "gky", "M\x89K", ""},
        {"i_kar_before", "kI", "wK", ""},
        {"o_kar_wraps_at_word_start", "kOO", "\x86Kv", ""},
        {"o_kar_wraps_inside", "gkOO", "M\x87Kv", ""},
        {"au_kar_wraps", "kOW", "\x86K\x8A", ""},
        {"O_writes_no_sign", "kOk", "KK", ""},
        {"hasanta_after_consonant", "gh", "M&", ""},
        {"longest_consonant_key_first", "kh", "L", ""},
        {"ri_kar_not_a_W_sign", "kWRI", "K\x85", ""},
        // N/M/W/L and R/J/Y signs.
        {"ba_phala_then_sign", "kWA", "K\xA6v", ""},
        {"na_phala_at_end", "kN", "K\x9C", ""},
        {"ma_phala", "kMA", "K\xA5v", ""},
        {"la_phala", "kLA", "K\xADv", ""},
        {"ra_phala_before_sign", "kRA", "K\xAAv", ""},
        {"ra_then_ya_phala", "kRJA", "K\xAA\xA8v", ""},
        {"repeated_phala_is_read_again", "kJYA", "K\xA8qv", ""},
        {"ra_phala_comes_after_i_kar_cluster", "kRI", "wK\xAA", ""},
        {"nmwl_then_ry", "kNRA", "K\x9C\xAAv", ""},
        {"last_letter_is_no_phala", "kR", "Ki", ""},
        {"r_takes_no_ra_phala", "rRA", "iiv", ""},
        {"NG_takes_ra_phala", "NGRA", "O\xAAv", ""},
        {"ng_takes_no_sign", "ngRA", "siv", ""},
        {"chandrabindu_takes_no_sign", "k~~", "Ku", ""},
        // The R mark (reph).
        {"reph_on_next_consonant", "aRkA", "AK\xA9v", ""},
        {"reph_before_the_na_phala", "aRkNA", "AK\xA9\x9Cv", ""},
        {"reph_after_a_signed_consonant", "kARg", "KvM\xA9", ""},
        {"R_before_a_sign_stays", "aRA", "Aiv", ""},
        {"R_before_r_stays", "aRr", "Aii", ""},
        {"R_before_vowel_stays", "kARa", "KviA", ""},
        {"R_at_word_start_stays", "Rka", "iKA", ""},
        {"R_at_word_end_stays", "kAR", "Kvi", ""},
        {"R_after_a_consonant_is_its_ra_phala", "kRkA", "K\xAAKv", ""},
        // The word-final Y.
        {"final_Y_is_i_kar_before", "kakY", "KAwK", ""},
        {"final_Y_takes_the_reph", "aRkY", "AwK\xA9", ""},
        {"final_Y_after_the_first_unit_is_a_unit", "kY", "Kq", ""},
        {"Y_inside_stays_phala", "kakYA", "KAK\xA8v", ""},
        // Joints.
        {"joint_inside", "aksha",
         "A\xB6"
         "A",
         ""},
        {"joint_at_start", "kshA", "\xB6v", ""},
        {"five_letter_joint_only_inside", "akkkkk", "AQ", ""},
        {"five_letter_joint_not_at_start", "kkkkk", "KKKKK", ""},
        // Failures.
        {"no_first_key", "xyz", "", "Position:1 Word:xyz"},
        {"fails_in_the_middle", "kAxa", "Kv", "Position:3 Word:kAxa"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        log.lines.clear();
        EXPECT_EQ(word(c.word), c.glyphs);
        if (*c.logLine)
            EXPECT_EQ(log.lines, std::vector<std::string>{c.logLine});
        else
            EXPECT_TRUE(log.lines.empty()) << log.lines.front();
    }
}

TEST_P(ConverterTest, YieldsAfterEveryLaterUnit) {
    int yields = 0;
    engine->setYieldToUi([&] { ++yields; });
    word("kAkA"); // first unit, then one later unit
    EXPECT_EQ(yields, 1);
    yields = 0;
    word("aRkAa"); // the R mark, kA, a
    EXPECT_EQ(yields, 3);
}

// A word of more than 2^31 letters cannot be walked with int positions: it is refused with a
// log line, never turned into a few bytes of output without a word. The word is a view of
// 2 GB + 16 letters that costs only 2 MB: one page-aligned block of letters mapped again and
// again, side by side.
TEST_P(ConverterTest, RefusesAloudAWordTooLongForItsPositions) {
    constexpr std::size_t Block = std::size_t(2) << 20;
    constexpr std::size_t Length = (std::size_t(1) << 31) + 16;
    constexpr std::size_t Blocks = Length / Block + 1;
    const int fd = ::memfd_create("kestrum-long-word", MFD_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, Block), 0);
    void *block = ::mmap(nullptr, Block, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ASSERT_NE(block, MAP_FAILED);
    std::memset(block, 'k', Block);
    ::munmap(block, Block);
    char *letters = static_cast<char *>(
        ::mmap(nullptr, Blocks * Block, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(static_cast<void *>(letters), MAP_FAILED);
    for (std::size_t i = 0; i < Blocks; ++i)
        ASSERT_NE(::mmap(letters + i * Block, Block, PROT_READ, MAP_SHARED | MAP_FIXED, fd, 0),
                  MAP_FAILED);
    ::close(fd);

    std::u32string text;
    engine->convertWord(std::string_view(letters, Length), text);
    EXPECT_TRUE(text.empty());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "Position:1 Word:" + std::string(40, 'k') + "... (" +
                                std::to_string(Length) + " letters: too long to convert, at most " +
                                std::to_string(Engine::MaxWordLength) + ")");
    ::munmap(letters, Blocks * Block);

    // Words of ordinary length convert as before; one that stops early is shown whole up to
    // 40 letters, past that by its first 40 and its length.
    log.lines.clear();
    EXPECT_EQ(word("kkkk"), "KKKK");
    EXPECT_TRUE(log.lines.empty());
    const std::string stops = std::string(39, 'k') + "x";
    word(stops);
    word(stops + "k");
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0], "Position:40 Word:" + stops);
    EXPECT_EQ(log.lines[1], "Position:40 Word:" + stops + "... (41 letters)");
}

INSTANTIATE_TEST_SUITE_P(Both, ConverterTest,
                         ::testing::Values(Engine::Lookup::Indexed, Engine::Lookup::Literal),
                         [](const auto &info) {
                             return info.param == Engine::Lookup::Indexed ? "Indexed" : "Literal";
                         });
