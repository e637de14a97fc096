// Key lookups: longest match, the overshoot of pos, vowel keys, and the trie index giving
// exactly the answers of the halving search on random tables and words.
#include "engine.h"
#include "fixture.h"
#include "lookup.h"

#include <gtest/gtest.h>

#include <bitset>
#include <random>
#include <string>
#include <vector>

using namespace kestrum;
using kestrum::test::TableFolder;

namespace {

class LookupTest : public ::testing::TestWithParam<Engine::Lookup> {
protected:
    void SetUp() override {
        engine = std::make_unique<Engine>(GetParam());
        engine->loadTables(folder.path());
    }
    std::string nextKeyAt(const std::string &word, int &pos) {
        const int idx = engine->matchNext(word, pos);
        return idx ? std::string(engine->tables().nextTable[idx].key.trimmed()) : "";
    }
    std::string firstKeyAt(const std::string &word, int &pos) {
        const int idx = engine->matchFirst(word, pos);
        return idx ? std::string(engine->tables().firstTable[idx].key.trimmed()) : "";
    }

    TableFolder folder;
    std::unique_ptr<Engine> engine;
};

struct MatchCase {
    const char *word;
    int pos;
    const char *key; // "" for no match
    int posAfter;
};

} // namespace

TEST_P(LookupTest, MatchNextTakesTheLongestKeyAndAdvancesByTheLengthTried) {
    const MatchCase cases[] = {
        {"khA", 1, "kh", 3},                               // "kh" wins over "k"
        {"kA", 1, "k", 2},         {"aksha", 2, "ksh", 5}, // a joint in a later unit
        {"ak", 2, "k", 7},   // the last character matches already at length 5
        {"akh", 2, "kh", 7}, // "kh" is the whole rest: length 5 again
        {"xk", 1, "", 1},    // no key: pos unchanged
        {"akkkkk", 2, "kkkkk", 7},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.word);
        int pos = c.pos;
        EXPECT_EQ(nextKeyAt(c.word, pos), c.key);
        EXPECT_EQ(pos, c.posAfter);
    }
}

TEST_P(LookupTest, MatchFirstTriesAtMostFourCharacters) {
    int pos = 1;
    EXPECT_EQ(firstKeyAt("kkkkk", pos), "k"); // the five-letter joint cannot match here
    EXPECT_EQ(pos, 2);
    pos = 1;
    EXPECT_EQ(firstKeyAt("k", pos), "k"); // overshoot: the rest matches at length 4
    EXPECT_EQ(pos, 5);
    pos = 1;
    EXPECT_EQ(firstKeyAt("xyz", pos), "");
    EXPECT_EQ(pos, 1);
}

TEST_P(LookupTest, MatchConnectTriesAtMostThreeCharacters) {
    int pos = 2;
    ASSERT_GT(engine->matchConnect("kWRIa", pos), 0);
    EXPECT_EQ(pos, 5);
    pos = 2;
    const int idx = engine->matchConnect("kOW", pos);
    EXPECT_EQ(engine->tables().connectTable[idx].key.trimmed(), "OW");
    EXPECT_EQ(pos, 5); // "OW" is the rest: matched at length 3
}

TEST_P(LookupTest, APositionBeyondTheEndMatchesOnlyABlankKey) {
    int pos = 9;
    EXPECT_EQ(engine->matchNext("ka", pos), 0);
    EXPECT_EQ(pos, 9);
    // A table with a blank key finds it there, and pos moves by the greatest length.
    Tables tables = engine->tables();
    tables.connectTable[1].key.assign("");
    sortTable(tables.connectTable);
    Engine blank(GetParam());
    blank.setTables(tables);
    pos = 9;
    EXPECT_GT(blank.matchConnect("ka", pos), 0);
    EXPECT_EQ(pos, 12);
}

TEST_P(LookupTest, VowelKeysAreExactAndCaseSensitive) {
    EXPECT_TRUE(engine->isVowelKey("a"));
    EXPECT_TRUE(engine->isVowelKey("  oi "));
    EXPECT_FALSE(engine->isVowelKey("A")); // a connect key, not a vowel key
    EXPECT_FALSE(engine->isVowelKey("k"));
    EXPECT_FALSE(engine->isVowelKey("o i"));
    // A five-character vowel key is cut to four in the vowel list and no longer equals itself.
    EXPECT_FALSE(engine->isVowelKey("aaaaa"));
    EXPECT_TRUE(engine->isVowelKey("aaaa"));
}

INSTANTIATE_TEST_SUITE_P(Both, LookupTest,
                         ::testing::Values(Engine::Lookup::Indexed, Engine::Lookup::Literal),
                         [](const auto &info) {
                             return info.param == Engine::Lookup::Indexed ? "Indexed" : "Literal";
                         });

// The trie must answer exactly as the halving search for any table, sorted or not, with
// duplicate keys, blank keys, unassigned slots and keys holding spaces, and for any word.
TEST(KeyIndex, AnswersExactlyAsTheHalvingSearchOnRandomTablesAndWords) {
    std::mt19937 rng(20261209);
    const std::string alphabet = "abAB~& \x80";
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    auto randomText = [&](int maxLength) {
        std::string s;
        const int length = pick(maxLength + 1);
        for (int i = 0; i < length; ++i)
            s += pick(12) == 0
                     ? '\0'
                     : alphabet[static_cast<std::size_t>(pick(static_cast<int>(alphabet.size())))];
        return s;
    };
    int compared = 0;
    for (int round = 0; round < 400; ++round) {
        const int slots = 1 + pick(40);
        Table table(slots);
        for (int i = 1; i <= slots; ++i) {
            if (pick(10) == 0)
                continue; // unassigned
            // Few distinct keys, so duplicates are common.
            table[i].key.assign(pick(3) == 0 ? randomText(6)
                                             : std::string(1 + pick(2), "ab"[pick(2)]));
        }
        if (round % 4 != 0)
            sortTable(table);
        const KeyIndex index(table);
        for (int w = 0; w < 30; ++w) {
            const std::string word = randomText(9);
            for (int maxLength = 1; maxLength <= 5; ++maxLength) {
                for (int pos = 1; pos <= static_cast<int>(word.size()) + 7; ++pos) {
                    int literalPos = pos;
                    int indexedPos = pos;
                    const int literal = matchLongest(table, maxLength, word, literalPos);
                    const int indexed = index.match(table, maxLength, word, indexedPos);
                    ASSERT_EQ(indexed, literal)
                        << "round " << round << " word '" << word << "' pos " << pos;
                    ASSERT_EQ(indexedPos, literalPos);
                    ++compared;
                }
            }
        }
    }
    EXPECT_GT(compared, 100000);
}

namespace {

// A probe for KeyIndex::matchInWord over a NUL-padded word, noting what the walk learned.
struct RecordingProbe {
    std::string padded;
    std::vector<int> learned; // per 1-based position: 0 unread, 1 exact, 2 only ruled out
    std::vector<std::bitset<256>> ruledOut;

    explicit RecordingProbe(const std::string &word)
        : padded(word + std::string(16, '\0')), learned(padded.size() + 1),
          ruledOut(padded.size() + 1) {}
    char peek(std::size_t p) const { return padded[p - 1]; }
    void exact(std::size_t p) { learned[p] = 1; }
    void ruleOut(std::size_t p, const std::bitset<256> &bytes) {
        if (learned[p] == 0)
            learned[p] = 2;
        ruledOut[p] |= bytes;
    }
    bool isEnd(std::size_t p) {
        const bool end = peek(p) == '\0';
        end ? exact(p) : ruleOut(p, std::bitset<256>().set(0));
        return end;
    }
};

} // namespace

// The converter's own lookup gives match's index on words without spaces or NULs, and match's
// position wherever that stays within the word; what it says it ruled out at a position never
// includes the character there.
TEST(KeyIndex, MatchInWordAgreesWithMatchOnWords) {
    std::mt19937 rng(44);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const std::string alphabet = "abcAB~&";
    int compared = 0;
    for (int round = 0; round < 300; ++round) {
        Table table(1 + pick(40));
        for (int i = 1; i <= table.size(); ++i) {
            std::string key(static_cast<std::size_t>(1 + pick(5)), 'a');
            for (char &c : key)
                c = alphabet[static_cast<std::size_t>(pick(3))];
            if (pick(8) != 0)
                table[i].key.assign(key);
        }
        if (round % 3 != 0)
            sortTable(table);
        const KeyIndex index(table);
        for (int w = 0; w < 20; ++w) {
            std::string word(static_cast<std::size_t>(1 + pick(8)), 'a');
            for (char &c : word)
                c = alphabet[static_cast<std::size_t>(pick(int(alphabet.size())))];
            for (std::size_t pos = 1; pos <= word.size() + 3; ++pos) {
                int literalPos = static_cast<int>(pos);
                const int literal = matchLongest(table, 5, word, literalPos);
                RecordingProbe probe(word);
                std::size_t indexedPos = pos;
                ASSERT_EQ(index.matchInWord<5>(probe, indexedPos), literal) << word << " " << pos;
                if (static_cast<std::size_t>(literalPos) <= word.size())
                    EXPECT_EQ(indexedPos, static_cast<std::size_t>(literalPos));
                else
                    EXPECT_GT(indexedPos, word.size());
                for (std::size_t p = 1; p < probe.learned.size(); ++p) {
                    if (probe.learned[p] != 2)
                        continue;
                    EXPECT_FALSE(probe.ruledOut[p].test(static_cast<unsigned char>(probe.peek(p))));
                }
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 30000);
}
