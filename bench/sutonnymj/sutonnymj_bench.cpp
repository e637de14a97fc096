// Throughput of the three conversions on Bengali text.
//
// The corpus is made of the real words of the project's word tables (tests/engine/words.tsv
// and data/romanisation.tsv), drawn by a Zipf law as words are in running text, with spaces,
// commas, daris, digits and line breaks: about 1 MB of UTF-8. decode reads its glyph codes
// (as encode writes them), encode writes them, romanise spells the text through the shipped
// tables. Romanising remembers the words it has spelled, as running text repeats them; a second
// corpus of words made afresh from the tables' keys (each word once) measures the search itself.
// Each benchmark first checks its own result.
#include "romaniser.h"
#include "sutonnymj.h"
#include "unicodetext.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>

using namespace kestrum;
using namespace kestrum::sutonnymj;

namespace {

std::string readFile(const std::string &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The Bengali column of a word table, one word per entry (sentences split at spaces).
void addWords(std::set<std::u32string> &words, const std::string &file, std::size_t column) {
    std::stringstream lines(readFile(file));
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::stringstream fields(line);
        std::string field;
        for (std::size_t i = 0; i <= column && std::getline(fields, field, '\t'); ++i) {
        }
        const auto text = fromUtf8(field);
        if (!text)
            continue;
        std::u32string word;
        for (char32_t c : *text + U' ') {
            if (isBengaliWordChar(c)) {
                word.push_back(c);
            } else if (!word.empty()) {
                words.insert(word);
                word.clear();
            }
        }
    }
}

void fail(const char *what) {
    std::cerr << what << '\n';
    std::abort();
}

struct Fixture {
    Fixture() {
        tables = readTables(KESTRUM_DATA_DIR);
        std::set<std::u32string> words;
        addWords(words, std::string(KESTRUM_SOURCE_DIR) + "/tests/engine/words.tsv", 0);
        addWords(words, std::string(KESTRUM_DATA_DIR) + "/romanisation.tsv", 5);
        vocabulary.assign(words.begin(), words.end());

        std::mt19937 rng(42);
        std::vector<double> weights;
        for (std::size_t r = 1; r <= vocabulary.size(); ++r)
            weights.push_back(1.0 / double(r));
        std::shuffle(vocabulary.begin(), vocabulary.end(), rng);
        std::discrete_distribution<std::size_t> zipf(weights.begin(), weights.end());
        auto chance = [&](double p) { return std::uniform_real_distribution<>(0, 1)(rng) < p; };
        std::size_t utf8 = 0;
        int inSentence = 0;
        while (utf8 < (1u << 20)) {
            const std::u32string &word = vocabulary[zipf(rng)];
            text += word;
            utf8 += 3 * word.size();
            std::u32string gap = U" ";
            if (++inSentence > 8 && chance(0.15)) {
                gap = chance(0.2) ? U"।\r\n" : U"। ";
                inSentence = 0;
            } else if (chance(0.05)) {
                gap = U", ";
            } else if (chance(0.01)) {
                gap = U" ২০২৬ ";
            }
            text += gap;
            utf8 += 3 * gap.size();
        }
        utf8Text = toUtf8(text);
        glyphs = encode(text).bytes;
        if (!encode(text).unencodable.empty() || decode(glyphs, Generation::New) != text)
            fail("encode and decode do not give the corpus back");

        // Words made afresh from the tables (a consonant or joint key with a sign key, one
        // to three times), converted and read back: text that needs a search for every word.
        Engine engine;
        engine.setTables(tables);
        std::vector<std::string> consonants, signs;
        for (int i = 14; i <= kFirstRecords; ++i)
            consonants.emplace_back(tables.firstTable[i].key.trimmed());
        for (int i = 1; i <= tables.connectTable.size(); ++i)
            signs.emplace_back(tables.connectTable[i].key.trimmed());
        std::set<std::u32string> fresh;
        while (fresh.size() < 20000) {
            std::string keys;
            const int units = std::uniform_int_distribution<int>(1, 3)(rng);
            for (int u = 0; u < units; ++u) {
                keys += consonants[std::uniform_int_distribution<std::size_t>(0, consonants.size() -
                                                                                     1)(rng)];
                keys += signs[std::uniform_int_distribution<std::size_t>(0, signs.size() - 1)(rng)];
            }
            const std::u32string word = decode(engine.convertBytes(keys), Generation::New);
            if (!word.empty() && std::all_of(word.begin(), word.end(), isBengaliWordChar))
                fresh.insert(word);
        }
        for (const std::u32string &word : fresh)
            uniqueText += word + U" ";
        uniqueUtf8 = toUtf8(uniqueText).size();
    }
    Tables tables;
    std::vector<std::u32string> vocabulary;
    std::u32string text;
    std::string utf8Text;
    std::string glyphs;
    std::u32string uniqueText;
    std::size_t uniqueUtf8 = 0;
};

Fixture &fixture() {
    static Fixture f;
    return f;
}

void BM_Decode(benchmark::State &state) {
    const Fixture &f = fixture();
    const Generation g = state.range(0) ? Generation::New : Generation::Classic;
    std::size_t out = 0;
    for (auto _ : state) {
        out = decode(f.glyphs, g).size();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * f.glyphs.size()));
    state.counters["glyph_bytes"] = double(f.glyphs.size());
}
BENCHMARK(BM_Decode)->ArgName("new")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Bytes processed: the corpus as UTF-8.
void BM_Encode(benchmark::State &state) {
    const Fixture &f = fixture();
    for (auto _ : state) {
        const Encoded encoded = encode(f.text);
        benchmark::DoNotOptimize(encoded.bytes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * f.utf8Text.size()));
}
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond);

// From UTF-8 to glyph codes, as kestrum-convert --from unicode does it.
void BM_EncodeUtf8(benchmark::State &state) {
    const Fixture &f = fixture();
    for (auto _ : state) {
        const Encoded encoded = encode(*fromUtf8(f.utf8Text));
        benchmark::DoNotOptimize(encoded.bytes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * f.utf8Text.size()));
}
BENCHMARK(BM_EncodeUtf8)->Unit(benchmark::kMillisecond);

void BM_RomaniseText(benchmark::State &state) {
    const Fixture &f = fixture();
    Romaniser romaniser(f.tables);
    Engine engine;
    engine.setTables(f.tables);
    {
        const Romaniser::Text check = romaniser.romaniseText(f.text);
        std::string keys;
        for (char32_t c : check.text)
            keys.push_back(char(c));
        if (!check.unspelled.empty() ||
            decode(engine.convertBytes(keys), Generation::New) != normalize(f.text))
            fail("the romanised corpus does not convert back into the corpus");
    }
    for (auto _ : state) {
        const Romaniser::Text r = romaniser.romaniseText(f.text);
        benchmark::DoNotOptimize(r.text.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * f.utf8Text.size()));
}
BENCHMARK(BM_RomaniseText)->Unit(benchmark::kMillisecond);

// Every word searched for: a new romaniser for each pass over words that each occur once.
void BM_RomaniseUniqueWords(benchmark::State &state) {
    const Fixture &f = fixture();
    std::size_t unspelled = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto romaniser = std::make_unique<Romaniser>(f.tables);
        state.ResumeTiming();
        const Romaniser::Text r = romaniser->romaniseText(f.uniqueText);
        unspelled = r.unspelled.size();
        benchmark::DoNotOptimize(r.text.data());
        state.PauseTiming();
        romaniser.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * f.uniqueUtf8));
    state.counters["words"] = 20000;
    state.counters["unspelled"] = double(unspelled);
}
BENCHMARK(BM_RomaniseUniqueWords)->Unit(benchmark::kMillisecond);

void BM_MakeRomaniser(benchmark::State &state) {
    const Fixture &f = fixture();
    for (auto _ : state) {
        Romaniser romaniser(f.tables);
        benchmark::DoNotOptimize(&romaniser);
    }
}
BENCHMARK(BM_MakeRomaniser)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
