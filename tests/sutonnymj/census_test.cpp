// The census of the romanisation: every first-unit key followed by one or two later keys,
// converted, read back in the order the font draws the glyphs, and checked against Bengali
// orthography. It prints how many words break each rule, and fails when a spelling a person
// plausibly types (a README example, a spelling of the word tables, the spellings below) gives
// broken Bengali.
#include "decoder.h"
#include "support.h"
#include "sutonnymj.h"
#include "unicodetext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

using namespace kestrum;
using namespace kestrum::sutonnymj;
using kestrum::test::hex;
using kestrum::test::u32;
using kestrum::test::utf8;

namespace {

// Spellings that once gave broken Bengali without a log line: a phala letter after "&", "RJ"
// after a vowel, an N right after a ligature key, the vowel sign typed before a phala, a
// ya-phala typed Y before ু.
const char *const kOnceBroken[] = {
    "rUg&N", "OpOrAh&N", "pUURbAh&N", "At&MA",   "p&LAbOn", "sh&ROm", "bAk&J",   "sOt&Y", "bIsh&W",
    "sUURJ", "kARJ",     "pORJOnt",   "gUN",     "gUNII",   "dArUN",  "kOrUNA",  "hUL",   "shUM",
    "rUJ",   "rJU",      "tYU",       "mWRItYU", "gURp",    "shURtI", "gULkOOj",
};

enum Rule : unsigned {
    HasantaAfterHasanta,
    HasantaAfterVowel,
    SignAfterHasanta,
    SignAfterSign,
    SignAtStart,
    MarkAtStart,
    kRuleCount,
};

const char *const kRuleNames[kRuleCount] = {
    "a hasanta after a hasanta",           "a hasanta after a vowel or vowel sign",
    "a vowel sign after a hasanta",        "a vowel sign after another vowel sign",
    "a vowel sign at the start of a word", "a mark (ং ঃ ঁ or the hasanta) at the start of a word",
};

constexpr bool isVowelSign(char32_t c) {
    return (c >= U'\u09BE' && c <= U'\u09C4') || c == U'\u09C7' || c == U'\u09C8' ||
           c == U'\u09CB' || c == U'\u09CC' || c == U'\u09D7' || c == U'\u09E2' || c == U'\u09E3';
}

constexpr bool isVowel(char32_t c) {
    return isIndependentVowel(c) || c == U'\u09E0' || c == U'\u09E1' || isVowelSign(c);
}

constexpr bool isMark(char32_t c) {
    return (c >= U'\u0981' && c <= U'\u0983') || c == kHasanta;
}

// The rules `text` (one word) breaks, one bit each. The joiners are invisible: they neither
// separate two signs nor start a word.
unsigned brokenRules(std::u32string_view text) {
    unsigned broken = 0;
    char32_t previous = 0; // 0 at the start of the word
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c == kZwnj || c == kZwj)
            continue;
        const auto breaks = [&](Rule r) { broken |= 1u << r; };
        // অ্যা and এ্যা write the sound of "a" in "acid" with a ya-phala on the vowel.
        const bool yaPhalaOnVowel = (previous == U'\u0985' || previous == U'\u098F') &&
                                    i + 1 < text.size() && text[i + 1] == U'\u09AF';
        if (c == kHasanta && previous == kHasanta)
            breaks(HasantaAfterHasanta);
        if (c == kHasanta && isVowel(previous) && !yaPhalaOnVowel)
            breaks(HasantaAfterVowel);
        if (isVowelSign(c) && previous == kHasanta)
            breaks(SignAfterHasanta);
        if (isVowelSign(c) && isVowelSign(previous))
            breaks(SignAfterSign);
        if (isVowelSign(c) && previous == 0)
            breaks(SignAtStart);
        if (isMark(c) && previous == 0)
            breaks(MarkAtStart);
        previous = c;
    }
    return broken;
}

// Reads glyph codes in the order the font draws them. The decoder, given a whole word, puts a
// phala sign typed after a vowel sign or the visible hasanta back onto the consonant before
// them (কা্য reads as ক্যা); the font draws it where it stands. So every vowel sign drawn after
// or below its cluster, and the visible hasanta, ends the part the decoder sees at once.
class DrawnReader {
public:
    DrawnReader() : m_decoder(GlyphTable::builtIn(), Generation::New) {
        for (const GlyphCode &code : GlyphTable::builtIn().codes()) {
            const Kind kind = code.kindIn(Generation::New);
            const bool hasanta =
                kind == Kind::Mark && code.unicodeIn(Generation::New).starts_with(kHasanta);
            m_ends[code.byte] = kind == Kind::SignAfter || kind == Kind::SignBelow || hasanta;
        }
    }

    std::u32string read(std::string_view glyphs) {
        std::u32string text;
        std::size_t start = 0;
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            if (m_ends[static_cast<unsigned char>(glyphs[i])]) {
                m_decoder.decode(glyphs.substr(start, i + 1 - start), text);
                start = i + 1;
            }
        }
        m_decoder.decode(glyphs.substr(start), text);
        return text;
    }

    std::u32string readWhole(std::string_view glyphs) {
        std::u32string text;
        m_decoder.decode(glyphs, text);
        return text;
    }

private:
    Decoder m_decoder;
    std::array<bool, 256> m_ends{};
};

class FailureLog : public ConversionLog {
public:
    void clear() override { failed = false; }
    void append(std::string_view) override { failed = true; }
    bool failed = false;
};

// One spelling through the shipped tables.
struct Checked {
    bool refused = false; // the converter wrote a log line
    std::string glyphs;
    std::u32string drawn;
    unsigned broken = 0;
};

class CensusTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_engine.loadTables(KESTRUM_DATA_DIR);
        m_engine.setConversionLog(&m_log);
    }

    Checked check(const std::string &spelling) {
        Checked c;
        c.glyphs = m_engine.convertBytes(spelling);
        c.refused = m_log.failed;
        if (!c.refused) {
            c.drawn = m_reader.read(c.glyphs);
            c.broken = brokenRules(c.drawn);
        }
        return c;
    }

    void expectWellFormed(const std::string &spelling, const std::string &from) {
        const Checked c = check(spelling);
        if (c.refused || !c.broken)
            return;
        std::string rules;
        for (unsigned r = 0; r < kRuleCount; ++r)
            if (c.broken & (1u << r))
                rules += std::string(rules.empty() ? "" : "; ") + kRuleNames[r];
        ADD_FAILURE() << from << ": " << spelling << " gives " << utf8(c.drawn) << " ("
                      << hex(c.glyphs) << "): " << rules;
    }

    Engine m_engine;
    FailureLog m_log;
    DrawnReader m_reader;
};

// The keys of `table` that its lookup can match (at most `longest` characters), in order.
std::set<std::string> keys(const Table &table, std::size_t longest) {
    std::set<std::string> out;
    for (int i = 1; i <= table.size(); ++i) {
        const std::string_view key = table[i].key.trimmed();
        if (!key.empty() && key.size() <= longest && key.front() != '\0') // not an unused slot
            out.emplace(key);
    }
    return out;
}

// The runs of word characters of a typed text.
std::vector<std::string> wordsOf(const std::string &text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text + ' ') {
        if (isWordChar(char32_t(static_cast<unsigned char>(c)))) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    return words;
}

bool isBengali(char32_t c) {
    return c >= U'\u0980' && c <= U'\u09FF';
}

// The README's examples: a `spelling` next to a Bengali word (either side, one space between).
std::vector<std::pair<std::string, std::string>> readmeExamples() {
    const std::u32string readme =
        u32(test::readFile(std::string(KESTRUM_SOURCE_DIR) + "/README.md"));
    const auto bengaliAt = [&](std::size_t from, int step) {
        std::size_t begin = from, end = from;
        if (step > 0) {
            while (end < readme.size() && isBengaliWordChar(readme[end]))
                ++end;
        } else {
            while (begin > 0 && isBengaliWordChar(readme[begin - 1]))
                --begin;
        }
        const std::u32string_view word = std::u32string_view(readme).substr(begin, end - begin);
        return !word.empty() && isBengali(word.front()) ? utf8(word) : std::string();
    };
    std::vector<std::pair<std::string, std::string>> examples;
    for (std::size_t open = readme.find(U'`'); open != std::u32string::npos;) {
        const std::size_t close = readme.find(U'`', open + 1);
        if (close == std::u32string::npos)
            break;
        const std::u32string token = readme.substr(open + 1, close - open - 1);
        const bool isSpelling =
            !token.empty() && std::all_of(token.begin(), token.end(), isWordChar);
        if (isSpelling) {
            std::string bengali;
            if (close + 2 < readme.size() && readme[close + 1] == U' ')
                bengali = bengaliAt(close + 2, 1);
            if (bengali.empty() && open >= 2 && readme[open - 1] == U' ')
                bengali = bengaliAt(open - 1, -1);
            if (!bengali.empty())
                examples.emplace_back(utf8(token), bengali);
        }
        open = readme.find(U'`', close + 1);
    }
    return examples;
}

} // namespace

TEST_F(CensusTest, PlausibleSpellingsGiveWellFormedBengali) {
    for (const char *spelling : kOnceBroken)
        expectWellFormed(spelling, "once broken");
    for (const test::Word &w : test::projectWords())
        for (const std::string &word : wordsOf(w.typed))
            expectWellFormed(word, "word table (" + w.bengali + ")");
    const auto examples = readmeExamples();
    EXPECT_GE(examples.size(), 250u);
    for (const auto &[spelling, bengali] : examples)
        expectWellFormed(spelling, "README (" + bengali + ")");
}

// A phala key, or the hasanta, has nothing to sit on at the start of a word: the word is
// refused, with a vowel sign after it or without.
TEST_F(CensusTest, AWordThatStartsWithAPhalaKeyOrTheHasantaIsRefused) {
    std::set<std::string> starts = {"&"};
    for (const std::string &key : keys(m_engine.tables().nextTable, kNextMaxLength))
        if (key.front() == '&')
            starts.insert(key);
    EXPECT_GE(starts.size(), 8u);
    for (const std::string &start : starts)
        for (const char *after : {"", "A", "I", "OO", "U", "kA"})
            EXPECT_TRUE(check(start + after).refused) << start + after;
}

TEST_F(CensusTest, EveryReadmeExampleGivesTheBengaliBesideIt) {
    const std::set<std::string> first = keys(m_engine.tables().firstTable, kFirstMaxLength);
    const std::set<std::string> next = keys(m_engine.tables().nextTable, kNextMaxLength);
    for (const auto &[spelling, bengali] : readmeExamples()) {
        // A key of the next table alone (`ng` ং) names a letter inside a word; at the start of
        // one it is read as other keys, or not at all.
        if (next.count(spelling) && !first.count(spelling))
            continue;
        const Checked c = check(spelling);
        EXPECT_FALSE(c.refused) << spelling;
        EXPECT_EQ(utf8(normalize(m_reader.readWhole(c.glyphs))), utf8(normalize(u32(bengali))))
            << spelling << " (" << hex(c.glyphs) << ")";
    }
}

TEST_F(CensusTest, FirstUnitsFollowedByOneOrTwoLaterKeys) {
    const std::set<std::string> firstKeys = keys(m_engine.tables().firstTable, kFirstMaxLength);
    std::set<std::string> laterKeys = keys(m_engine.tables().nextTable, kNextMaxLength);
    laterKeys.merge(keys(m_engine.tables().connectTable, kConnectMaxLength));
    const std::vector<std::string> first(firstKeys.begin(), firstKeys.end());
    const std::vector<std::string> later(laterKeys.begin(), laterKeys.end());

    struct Tally {
        std::size_t words = 0;
        std::vector<std::string> examples; // with different first keys
        std::set<std::string> firstKeys;
    };
    std::unordered_set<std::string> seen;
    std::size_t refused = 0, malformed = 0, malformedWhole = 0, pairs = 0, triples = 0;
    std::array<Tally, kRuleCount> byRule;
    std::map<std::string, std::size_t> byFirstKey;
    const auto count = [&](const std::string &firstKey, const std::string &rest) {
        const std::string word = firstKey + rest;
        if (!seen.insert(word).second)
            return false;
        const Checked c = check(word);
        if (c.refused) {
            ++refused;
            return true;
        }
        malformedWhole += brokenRules(m_reader.readWhole(c.glyphs)) != 0;
        if (!c.broken)
            return true;
        ++malformed;
        ++byFirstKey[firstKey];
        for (unsigned r = 0; r < kRuleCount; ++r) {
            Tally &t = byRule[r];
            if (!(c.broken & (1u << r)))
                continue;
            ++t.words;
            if (t.examples.size() < 6 && t.firstKeys.insert(firstKey).second)
                t.examples.push_back(word + " " + utf8(c.drawn));
        }
        return true;
    };
    for (const std::string &f : first)
        for (const std::string &l : later)
            pairs += count(f, l);
    // A fixed sample of triples: the same words on every run and platform (mt19937 is specified
    // to the bit, and the indices are taken from it by plain remainders).
    std::mt19937 random(20240611u);
    constexpr std::size_t kTriples = 60000;
    for (std::size_t tries = 0; triples < kTriples && tries < 4 * kTriples; ++tries) {
        const std::string &f = first[random() % first.size()];
        const std::string &a = later[random() % later.size()];
        triples += count(f, a + later[random() % later.size()]);
    }
    EXPECT_GE(triples, 50000u);

    const std::size_t converted = seen.size() - refused;
    ASSERT_GT(converted, 0u);
    std::cout << "census: " << first.size() << " first-unit keys, " << later.size()
              << " later keys; " << pairs << " pairs and " << triples << " triples, " << seen.size()
              << " words, " << refused << " refused (a log line), " << converted << " converted\n";
    for (unsigned r = 0; r < kRuleCount; ++r) {
        std::cout << "  " << kRuleNames[r] << ": " << byRule[r].words;
        for (const std::string &e : byRule[r].examples)
            std::cout << (&e == &byRule[r].examples.front() ? "  (" : ", ") << e;
        std::cout << (byRule[r].examples.empty() ? "\n" : ")\n");
    }
    std::cout << "  malformed: " << malformed << " of " << converted << " ("
              << 100.0 * double(malformed) / double(converted)
              << " %); read by the decoder as whole words: " << malformedWhole << "\n";
    std::vector<std::pair<std::size_t, std::string>> worst;
    for (const auto &[key, n] : byFirstKey)
        worst.emplace_back(n, key);
    std::sort(worst.rbegin(), worst.rend());
    std::cout << "  malformed words by their first key:";
    for (std::size_t i = 0; i < worst.size() && i < 12; ++i)
        std::cout << ' ' << worst[i].second << ' ' << worst[i].first;
    std::cout << '\n';
}
