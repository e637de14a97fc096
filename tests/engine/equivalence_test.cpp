// The indexed engine against the literal one: random tables of every odd shape, the real tables
// on many distinct words, and conversions appended to a caller's string.
//
// What is compared: the output, the log lines, and the order of the yieldToUi calls and log
// lines together with how much output there was at each of them.
#include "engine.h"
#include "fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

using namespace kestrum;
using kestrum::test::RecordingLog;

namespace {

// Records yieldToUi calls and log lines in the order they come, each with the length of the
// output at that moment (the text converted into; nothing for bytes, whose output is not seen).
class EventLog : public ConversionLog {
public:
    EventLog(Engine &engine, const std::u32string *output) : m_output(output) {
        engine.setConversionLog(this);
        engine.setYieldToUi([this] { events.push_back("yield@" + outputSize()); });
    }
    void clear() override { events.push_back("clear"); }
    void append(std::string_view line) override {
        events.push_back(std::string(line) + "@" + outputSize());
    }

    std::vector<std::string> events;

private:
    std::string outputSize() const { return m_output ? std::to_string(m_output->size()) : ""; }
    const std::u32string *m_output;
};

class Random {
public:
    explicit Random(unsigned seed) : m_rng(seed) {}
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool chance(int percent) { return below(100) < percent; }
    char pick(std::string_view s) { return s[static_cast<std::size_t>(below(int(s.size())))]; }
    std::string text(std::string_view alphabet, int maxLength) {
        std::string s(static_cast<std::size_t>(below(maxLength + 1)), ' ');
        for (char &c : s)
            c = pick(alphabet);
        return s;
    }

private:
    std::mt19937 m_rng;
};

// The letters the rules look at, so random keys and words meet every rule.
constexpr std::string_view kRuleLetters = "kgtAIOEUyhRrNMWLJY~&";

// Tables of random records: few letters so keys repeat and prefix one another, now and then a
// blank or overlong key, a key with a space or a NUL inside, empty or long glyphs, glyphs with
// spaces, unassigned slots; connect keys mostly the twelve sign keys; sorted or not.
Tables randomTables(Random &random) {
    auto glyphs = [&] {
        if (random.chance(5))
            return std::string();
        std::string g = random.text("abc\x86\x88 w\xA9", 6);
        return g.empty() ? std::string("g") : g;
    };
    auto key = [&] {
        if (random.chance(3))
            return std::string();
        std::string k = random.text(kRuleLetters, 1 + random.below(2)) + random.text("kAR", 4);
        if (random.chance(3))
            k.insert(k.begin() + random.below(int(k.size()) + 1), random.chance(50) ? ' ' : '\0');
        return k;
    };
    auto fill = [&](Table &table, int from, int to) {
        for (int i = from; i <= to; ++i) {
            if (random.chance(3))
                continue; // never assigned
            table[i].key.assign(key());
            table[i].glyphs.assign(glyphs());
        }
    };
    Tables tables;
    fill(tables.firstTable, 1, kFirstSlots - 1);
    fill(tables.nextTable, 1, kNextSlots - 1);
    const std::string_view signKeys[] = {"A", "II", "WRI", "UU", "h",  "U",  "E",
                                         "I", "y",  "O",   "OO", "OW", "Ak", "Q"};
    for (int i = 1; i <= kConnectRecords; ++i) {
        tables.connectTable[i].key.assign(random.chance(80) ? signKeys[random.below(14)] : key());
        tables.connectTable[i].glyphs.assign(glyphs());
    }
    for (int i = 1; i <= kVowelRecords; ++i)
        tables.vowelKeys[static_cast<std::size_t>(i)].assign(
            random.chance(70) ? std::string(tables.firstTable[random.below(60) + 1].key.view())
                              : key());
    if (random.chance(80)) {
        sortTable(tables.firstTable);
        sortTable(tables.nextTable);
        sortTable(tables.connectTable);
    }
    return tables;
}

struct Pair {
    explicit Pair(const Tables &tables) {
        indexed.setTables(tables);
        literal.setTables(tables);
    }
    Engine indexed{Engine::Lookup::Indexed};
    Engine literal{Engine::Lookup::Literal};
    // What each converts its texts and words into.
    std::u32string indexedText, literalText;

    // Converts `text` as bytes and as a text with both engines, and compares everything.
    void expectSame(const std::string &text) {
        {
            EventLog a(indexed, nullptr), b(literal, nullptr);
            ASSERT_EQ(indexed.convertBytes(text), literal.convertBytes(text));
            ASSERT_EQ(a.events, b.events);
        }
        {
            EventLog a(indexed, &indexedText), b(literal, &literalText);
            const std::u32string unicode(text.begin(), text.end());
            indexed.convertText(unicode, indexedText);
            literal.convertText(unicode, literalText);
            ASSERT_EQ(indexedText, literalText);
            ASSERT_EQ(a.events, b.events);
        }
    }

    // Converts one word with both engines and compares glyphs and events.
    void expectSameWord(const std::string &word) {
        EventLog a(indexed, &indexedText), b(literal, &literalText);
        indexedText.clear();
        literalText.clear();
        indexed.convertWord(word, indexedText);
        literal.convertWord(word, literalText);
        ASSERT_EQ(indexedText, literalText) << word;
        ASSERT_EQ(a.events, b.events) << word;
    }
};

// Random words from the keys of the tables, glued as the romanisation does.
std::string wordFromKeys(Random &random, const Tables &tables) {
    std::string word;
    const int units = 1 + random.below(6);
    for (int u = 0; u < units; ++u) {
        const Table &table = u == 0 ? tables.firstTable : tables.nextTable;
        word += table[1 + random.below(table.size())].key.trimmed();
        if (random.chance(60))
            word += tables.connectTable[1 + random.below(kConnectRecords)].key.trimmed();
        else if (random.chance(30))
            word += random.pick(kRuleLetters);
    }
    std::erase_if(word, [](char c) { return !isWordChar(static_cast<unsigned char>(c)); });
    return word;
}

} // namespace

TEST(Equivalence, RandomTablesGiveTheLiteralResultsEverywhere) {
    Random random(20261209);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const Tables tables = randomTables(random);
        Pair engines(tables);
        for (int t = 0; t < 40; ++t) {
            std::string text;
            while (text.size() < 200) {
                text += random.chance(70) ? wordFromKeys(random, tables)
                                          : random.text(kRuleLetters, 30);
                text += random.pick(" .,\n\r1\x80");
            }
            ASSERT_NO_FATAL_FAILURE(engines.expectSame(text)) << text;
        }
        // Words that only convertWord sees: spaces and NULs inside, and any byte.
        for (int w = 0; w < 100; ++w) {
            std::string word = random.text(kRuleLetters, 12);
            if (random.chance(30))
                word.insert(word.begin() + random.below(int(word.size()) + 1),
                            random.pick(std::string_view(" \0\x80", 3)));
            if (word.empty())
                continue;
            ASSERT_NO_FATAL_FAILURE(engines.expectSameWord(word));
        }
    }
}

// Many distinct words through the real tables: the memo keeps few of them and the step
// automaton grows until it is cleared. Long words (past what the memo holds) and repeated
// ones included.
TEST(Equivalence, ManyDistinctWordsThroughTheRealTables) {
    Engine loader;
    loader.loadTables(KESTRUM_DATA_DIR);
    Pair engines(loader.tables());
    Random random(7);
    std::unordered_set<std::string> seen;
    std::vector<std::string> words;
    std::string text;
    while (text.size() < (1 << 20)) {
        std::string word;
        if (!words.empty() && random.chance(10)) {
            word = words[static_cast<std::size_t>(random.below(int(words.size())))];
        } else {
            word = random.chance(50) ? wordFromKeys(random, loader.tables())
                                     : random.text("kgtdbpmnlsrhcjAIOEUyRNMWLJY~&", 14);
            if (random.chance(3))
                word += word + word; // past 24 letters
            if (word.empty() || !seen.insert(word).second)
                continue;
            words.push_back(word);
        }
        text += word;
        text += random.pick(" ,.\n");
    }
    ASSERT_GT(seen.size(), 60000u);
    engines.expectSame(text);
}

TEST(Equivalence, ConvertBytesAppendsToTheCallersString) {
    test::TableFolder folder;
    Engine engine;
    engine.loadTables(folder.path());
    RecordingLog log;
    engine.setConversionLog(&log);
    int yields = 0;
    engine.setYieldToUi([&] { ++yields; });

    const std::string text = "kAkA xyz kE.\n2 kAkA";
    const std::string whole = engine.convertBytes(text);
    const auto wholeLog = log.lines;
    const int wholeYields = yields;
    ASSERT_FALSE(wholeLog.empty());

    yields = 0;
    std::string out = "before|";
    EXPECT_EQ(engine.convertBytes(text, out), Engine::Result::Converted);
    EXPECT_EQ(out, "before|" + whole);
    EXPECT_EQ(log.lines, wholeLog);
    EXPECT_EQ(yields, wholeYields);

    // Nothing happens on empty input or inside a running conversion: not even a cleared log.
    const int clears = log.clears;
    EXPECT_EQ(engine.convertBytes("", out), Engine::Result::EmptyInput);
    EXPECT_EQ(out, "before|" + whole);
    std::vector<Engine::Result> nested;
    engine.setYieldToUi([&] {
        std::string inner = "x";
        nested.push_back(engine.convertBytes("kA", inner));
        EXPECT_EQ(inner, "x");
    });
    engine.convertBytes("kAkA", out);
    EXPECT_EQ(nested, std::vector<Engine::Result>{Engine::Result::Busy});
    EXPECT_EQ(log.clears, clears + 1);
}

// A hook that installs other tables in the middle of a word: what that word gave is not
// remembered under the new tables.
TEST(Equivalence, AWordConvertedWhileTheTablesChangeIsNotRemembered) {
    test::TableFolder folder;
    Engine engine;
    engine.loadTables(folder.path());
    Tables other = engine.tables();
    for (int i = 1; i <= other.nextTable.size(); ++i)
        other.nextTable[i].glyphs.assign("Q");
    Engine literal(Engine::Lookup::Literal);
    literal.setTables(other);

    bool swapped = false;
    engine.setYieldToUi([&] {
        if (!swapped) {
            swapped = true;
            engine.setTables(other);
        }
    });
    engine.convertBytes("kAkAkA");
    ASSERT_TRUE(swapped);
    engine.setYieldToUi(nullptr);
    EXPECT_EQ(engine.convertBytes("kAkAkA"), literal.convertBytes("kAkAkA"));
}

// Shapes of text the drivers handle apart: words past what the memo holds, runs of glyphs or
// of other characters past the text driver's buffer, characters past Latin-1 against words.
TEST(Equivalence, TextsOfEveryShapeConvertAsTheLiteralEngineDoes) {
    Engine loader;
    loader.loadTables(KESTRUM_DATA_DIR);
    Pair engines(loader.tables());
    auto repeat = [](const std::string &s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += s;
        return out;
    };
    const struct {
        const char *name;
        std::string text;
    } cases[] = {
        {"word_of_25_letters", "kOmOl" + repeat("kA", 10) + " AmI"},
        {"word_of_300_letters_with_its_log_line", repeat("bAnglA", 50) + "xq " + repeat("kA", 3)},
        {"glyphs_past_the_buffer", repeat("kShOO", 40)},
        {"spaces_past_the_buffer", "AmI" + std::string(200, ' ') + "tUmI"},
        {"line_breaks_and_stops", repeat("kA.\r\n\n\r", 40)},
        {"failing_words_repeated", repeat("xyz kAxa ", 30)},
        {"memo_words_then_long_ones", repeat("AmI tUmI ", 20) + repeat("sUndOr", 9)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(engines.expectSame(c.text));
    }
    // Characters past Latin-1 end words in text as any other does.
    EventLog a(engines.indexed, &engines.indexedText), b(engines.literal, &engines.literalText);
    const std::u32string text = U"kA\u0995kA\U0001F600" + std::u32string(100, U'\u09BE') + U"AmI";
    engines.indexed.convertText(text, engines.indexedText);
    engines.literal.convertText(text, engines.literalText);
    EXPECT_EQ(engines.indexedText, engines.literalText);
    EXPECT_EQ(a.events, b.events);
}

namespace {

// What a yieldToUi hook does to its engine at one call, the same in both engines.
enum class HookAction { InstallOtherTables, ConvertAnotherWord, ClearTheOutput, Throw };

struct HookedPair {
    HookedPair(const Tables &tables, Tables other, HookAction action, int at)
        : engines(tables), other(std::move(other)), action(action), at(at) {
        for (Engine *engine : {&engines.indexed, &engines.literal}) {
            engine->setConversionLog(&logs[engine == &engines.literal]);
            engine->setYieldToUi([this, engine] { hook(*engine); });
        }
    }
    // The text each engine converts into.
    std::u32string &text(Engine &engine) {
        return &engine == &engines.literal ? engines.literalText : engines.indexedText;
    }
    void hook(Engine &engine) {
        const bool literal = &engine == &engines.literal;
        if (++calls[literal] != at)
            return;
        switch (action) {
        case HookAction::InstallOtherTables:
            engine.setTables(other);
            break;
        case HookAction::ConvertAnotherWord:
            engine.convertWord("kAkAkA", text(engine));
            break;
        case HookAction::ClearTheOutput:
            text(engine) = U"-";
            break;
        case HookAction::Throw:
            throw std::runtime_error("hook");
        }
    }
    Pair engines;
    Tables other;
    HookAction action;
    int at;
    int calls[2] = {};
    RecordingLog logs[2];
};

} // namespace

// Hooks that change the engine in the middle of a word, also of one the memo replays (the
// text repeats its words): both engines go on from there alike. Tables installed by a hook are
// the exception: a word the memo replays keeps the glyphs it had under the old tables (see
// setYieldToUi), so that case runs on a text of distinct words, converted for the first time.
TEST(Equivalence, HooksThatChangeTheEngineMidWordGiveTheLiteralResults) {
    test::TableFolder folder;
    Engine loader;
    loader.loadTables(folder.path());
    Tables other = loader.tables();
    for (int i = 1; i <= other.nextTable.size(); ++i)
        other.nextTable[i].glyphs.assign("Q" + std::string(1, char('a' + i % 26)));
    const std::string repeated = "kAkAkA kAkAkA xkA kAkAkA kAmAl kAkAkA kAmAl\nkAkAkA kAmAl kAkAkA";
    const std::string distinct = "kAkAkA kAmAkA xkA kAkAmA kAmAl kAlAkA kAmAlA\nkAkAlA kAlAm";
    const struct {
        const char *name;
        HookAction action;
    } cases[] = {
        {"install_other_tables", HookAction::InstallOtherTables},
        {"convert_another_word", HookAction::ConvertAnotherWord},
        {"clear_the_output", HookAction::ClearTheOutput},
        {"throw", HookAction::Throw},
    };
    for (const auto &c : cases) {
        for (int at = 1; at <= 16; ++at) {
            for (const bool asText : {false, true}) {
                SCOPED_TRACE(std::string(c.name) + " at call " + std::to_string(at) +
                             (asText ? " in a text" : " in bytes"));
                const bool installs = c.action == HookAction::InstallOtherTables;
                const std::string &text = installs ? distinct : repeated;
                HookedPair pair(loader.tables(), other, c.action, at);
                // Warm the memo with the words of the text first, with a hook that does nothing.
                pair.at = -1;
                if (!installs) {
                    pair.engines.indexed.convertBytes(text);
                    pair.engines.literal.convertBytes(text);
                }
                pair.at = at;
                pair.calls[0] = pair.calls[1] = 0;
                std::string out[2] = {"before|", "before|"};
                bool threw[2] = {};
                for (const bool literal : {false, true}) {
                    Engine &engine = literal ? pair.engines.literal : pair.engines.indexed;
                    try {
                        if (asText)
                            engine.convertText(std::u32string(text.begin(), text.end()),
                                               pair.text(engine));
                        else
                            engine.convertBytes(text, out[literal]);
                    } catch (const std::runtime_error &) {
                        threw[literal] = true;
                    }
                }
                EXPECT_EQ(threw[0], threw[1]);
                EXPECT_EQ(threw[0], c.action == HookAction::Throw);
                EXPECT_EQ(out[0], out[1]);
                EXPECT_EQ(pair.engines.indexedText, pair.engines.literalText);
                EXPECT_EQ(pair.logs[0].lines, pair.logs[1].lines);
                EXPECT_EQ(pair.calls[0], pair.calls[1]);
            }
        }
    }
}

// Keys that hold every byte, so the converter tells 256 kinds of character apart: the last
// byte of a connect key is the only one that no other key holds.
TEST(Equivalence, KeysOfEveryByteGiveTheLiteralResults) {
    test::TableFolder folder;
    Engine loader;
    loader.loadTables(folder.path());
    for (const int last : {0xFF, 0x80, int('q')}) {
        SCOPED_TRACE("last byte " + std::to_string(last));
        Tables tables = loader.tables();
        // Runs of five bytes in the first table's filler slots (keys with a digit) hold every
        // other byte.
        auto filler = [&](int slot) {
            const std::string_view key = tables.firstTable[slot].key.view();
            return (key[0] == 'F' || key[0] == 'J') && key[1] >= '0' && key[1] <= '9';
        };
        int slot = 1;
        for (int b = 1; b < 256; b += 5) {
            while (!filler(slot))
                ++slot;
            std::string key;
            for (int c = b; c < b + 5 && c < 256; ++c) {
                if (c != ' ' && c != last)
                    key += static_cast<char>(c);
            }
            tables.firstTable[slot++].key.assign(key);
        }
        tables.connectTable[kConnectRecords].key.assign("A" + std::string(1, char(last)));
        sortTable(tables.firstTable);
        sortTable(tables.connectTable);
        Pair engines(tables);
        // "kA" and every byte after it, each word twice (the second time from the memo).
        for (int round = 0; round < 2; ++round) {
            for (int b = 1; b < 256; ++b) {
                if (b == ' ')
                    continue;
                const std::string word = "kA" + std::string(1, static_cast<char>(b));
                SCOPED_TRACE(b);
                ASSERT_NO_FATAL_FAILURE(engines.expectSameWord(word));
            }
        }
    }
}
