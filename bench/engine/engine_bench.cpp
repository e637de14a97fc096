// Conversion throughput on a generated romanised corpus, and the cost of loading the tables.
//
// The corpus is made from the keys of the shipped tables: a vocabulary of words of one to four
// syllables (a consonant or conjunct key, then a vowel-sign key or none), with an independent
// vowel now and then, drawn by a Zipf law as words are in real text, with punctuation, digits
// and line breaks. Each run first checks that the indexed lookups give exactly the text and log
// of the literal halving search on the whole corpus.
#include "engine.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

using namespace kestrum;

namespace {

const char *tablesDir()
{
    const char *dir = std::getenv("KESTRUM_TABLES");
    return dir ? dir : KESTRUM_DATA_DIR;
}

class CountingLog : public ConversionLog {
public:
    void clear() override { lines.clear(); }
    void append(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

std::string makeCorpus(const Tables &tables, std::size_t bytes, bool zipfWords)
{
    std::vector<std::string> vowels, consonants, signs;
    auto isVowel = [&](std::string_view key) {
        for (int i = 1; i <= kVowelRecords; ++i)
            if (tables.vowelKeys[static_cast<std::size_t>(i)].trimmed() == key)
                return true;
        return false;
    };
    for (int i = 1; i <= tables.firstTable.size(); ++i) {
        const std::string_view key = tables.firstTable[i].key.trimmed();
        if (key.empty() || key.front() == '\0')
            continue;
        (isVowel(key) ? vowels : consonants).emplace_back(key);
    }
    for (int i = 1; i <= tables.connectTable.size(); ++i)
        signs.emplace_back(tables.connectTable[i].key.trimmed());

    std::mt19937 rng(42);
    auto pick = [&](const std::vector<std::string> &v) {
        return v[std::uniform_int_distribution<std::size_t>(0, v.size() - 1)(rng)];
    };
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };

    std::vector<std::string> vocabulary;
    auto makeWord = [&] {
        std::string word = chance(0.15) ? pick(vowels) : "";
        const int syllables = std::uniform_int_distribution<int>(1, 4)(rng);
        for (int s = 0; s < syllables; ++s) {
            word += pick(consonants);
            if (chance(0.7))
                word += pick(signs);
            else if (s + 1 < syllables)
                word += "O";
        }
        return word;
    };
    for (int w = 0; w < 20000; ++w)
        vocabulary.push_back(makeWord());
    // Zipf: weight 1/rank.
    std::vector<double> weights;
    for (std::size_t r = 1; r <= vocabulary.size(); ++r)
        weights.push_back(1.0 / static_cast<double>(r));
    std::discrete_distribution<std::size_t> zipf(weights.begin(), weights.end());

    std::string corpus;
    int inSentence = 0;
    while (corpus.size() < bytes) {
        corpus += zipfWords ? vocabulary[zipf(rng)] : makeWord();
        ++inSentence;
        if (inSentence > 8 && chance(0.15)) {
            corpus += chance(0.2) ? "?" : ".";
            corpus += chance(0.2) ? "\r\n" : " ";
            inSentence = 0;
        } else if (chance(0.05)) {
            corpus += ", ";
        } else if (chance(0.01)) {
            corpus += " 2026 ";
        } else {
            corpus += ' ';
        }
    }
    corpus.resize(bytes);
    return corpus;
}

struct Fixture {
    Fixture()
    {
        engine.loadTables(tablesDir());
        corpus = makeCorpus(engine.tables(), 1 << 20, true);
        uniqueCorpus = makeCorpus(engine.tables(), 1 << 20, false);
        Engine literal(Engine::Lookup::Literal);
        literal.setTables(engine.tables());
        CountingLog indexedLog, literalLog;
        engine.setConversionLog(&indexedLog);
        literal.setConversionLog(&literalLog);
        for (const std::string *text : {&corpus, &uniqueCorpus}) {
            const std::string a = engine.convertBytes(*text);
            const std::string b = literal.convertBytes(*text);
            if (a != b || indexedLog.lines != literalLog.lines) {
                std::cerr << "indexed and literal lookups disagree on the corpus\n";
                std::abort();
            }
        }
        unconverted = indexedLog.lines.size();
        engine.setConversionLog(nullptr);
    }
    Engine engine;
    std::string corpus;       // words drawn by a Zipf law from a vocabulary, as in real text
    std::string uniqueCorpus; // every word made afresh: nothing to remember
    std::size_t unconverted = 0;
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void BM_ConvertBytes(benchmark::State &state)
{
    Fixture &f = fixture();
    Engine engine(state.range(0) ? Engine::Lookup::Indexed : Engine::Lookup::Literal);
    engine.setTables(f.engine.tables());
    CountingLog log;
    engine.setConversionLog(&log);
    std::size_t out = 0;
    const std::string &corpus = state.range(1) ? f.corpus : f.uniqueCorpus;
    for (auto _ : state) {
        out = engine.convertBytes(corpus).size();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.size()));
    state.counters["output_bytes"] = static_cast<double>(out);
    state.counters["unconverted_words"] = static_cast<double>(log.lines.size());
}
BENCHMARK(BM_ConvertBytes)
    ->ArgNames({"indexed", "zipf"})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond);

// The same text as the window hands it over: Unicode in, Unicode out.
void BM_ConvertText(benchmark::State &state)
{
    Fixture &f = fixture();
    const std::u32string text(f.corpus.begin(), f.corpus.end());
    Engine engine;
    engine.setTables(f.engine.tables());
    for (auto _ : state) {
        engine.convertText(text);
        benchmark::DoNotOptimize(engine.conversionOutput().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.corpus.size()));
}
BENCHMARK(BM_ConvertText)->Unit(benchmark::kMillisecond);

void BM_LoadTables(benchmark::State &state)
{
    for (auto _ : state) {
        Engine engine;
        engine.loadTables(tablesDir());
        benchmark::DoNotOptimize(engine.tables().firstTable[1]);
    }
}
BENCHMARK(BM_LoadTables)->Unit(benchmark::kMicrosecond);

// Loading tables whose connect.alpha is a 2 GB sparse file of NUL bytes (one endless field):
// the time to read past it to the error, and the process's peak resident memory afterwards
// (peak_rss_MB; the reader keeps a few kilobytes, the rest is the program itself).
void BM_LoadTablesFromAHugeFile(benchmark::State &state)
{
    const auto dir = std::filesystem::temp_directory_path() /
                     ("kestrum-bench-huge-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const char *file : {kFirstFile, kNextFile, kJointFile})
        std::filesystem::copy_file(std::filesystem::path(tablesDir()) / file, dir / file,
                                   std::filesystem::copy_options::overwrite_existing);
    std::ofstream(dir / kConnectFile, std::ios::binary | std::ios::trunc);
    std::filesystem::resize_file(dir / kConnectFile, std::uintmax_t(2) << 30);
    int refused = 0;
    for (auto _ : state) {
        Engine engine;
        try {
            engine.loadTables(dir);
        } catch (const TableLoadError &) {
            ++refused;
        }
    }
    std::filesystem::remove_all(dir);
    if (refused != state.iterations())
        state.SkipWithError("the huge table file was not refused");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (int64_t(2) << 30));
}
BENCHMARK(BM_LoadTablesFromAHugeFile)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
