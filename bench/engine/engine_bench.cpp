// Conversion throughput on a generated romanised corpus, and the cost of loading the tables.
//
// The corpus is made from the keys of the shipped tables: a vocabulary of words of one to four
// syllables (a consonant or conjunct key, then a vowel-sign key or none), with an independent
// vowel now and then, drawn by a Zipf law as words are in real text, with punctuation, digits
// and line breaks. A second corpus holds words made afresh and a third only distinct words, so
// the word memo never hits there. Each run first checks that the indexed engine gives exactly
// the text, log and yieldToUi calls of the literal one on every corpus.
//
// KESTRUM_BENCH_CORPUS_DIR=DIR writes the corpora to DIR (zipf.txt, unique.txt, newwords.txt),
// for measuring kestrum-convert on the same text, for example with callgrind.
#include "engine.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

using namespace kestrum;

namespace {

const char *tablesDir() {
    const char *dir = std::getenv("KESTRUM_TABLES");
    return dir ? dir : KESTRUM_DATA_DIR;
}

class CountingLog : public ConversionLog {
public:
    void clear() override { lines.clear(); }
    void append(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

enum class Words {
    Zipf,     // drawn by a Zipf law from a vocabulary of 20 000 words
    Fresh,    // every word made afresh (short ones still come back now and then)
    Distinct, // no word comes twice
};

std::string makeCorpus(const Tables &tables, std::size_t bytes, Words words) {
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

    std::unordered_set<std::string> seen;
    auto nextWord = [&] {
        switch (words) {
        case Words::Zipf:
            return vocabulary[zipf(rng)];
        case Words::Fresh:
            break;
        case Words::Distinct:
            for (;;) {
                std::string word = makeWord();
                if (seen.insert(word).second)
                    return word;
            }
        }
        return makeWord();
    };

    std::string corpus;
    int inSentence = 0;
    while (corpus.size() < bytes) {
        corpus += nextWord();
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
    // Cut at the last word boundary, so the last word is whole (and distinct) too.
    corpus.resize(bytes);
    while (!corpus.empty() && isWordChar(static_cast<unsigned char>(corpus.back())))
        corpus.pop_back();
    return corpus;
}

std::u32string toText(const std::string &bytes) {
    return std::u32string(bytes.begin(), bytes.end()); // the corpora are ASCII
}

// Converts `text` with both engines and stops the benchmark when they differ in the output, the
// log or the number of yieldToUi calls.
// Converts `text` through either form of convertText and returns the output: into the
// caller's string, or, in the older engines bench/engine/compare.sh builds this file against,
// into the engine's own.
template <typename E>
const std::u32string &convertInto(E &engine, std::u32string_view text, std::u32string &out) {
    if constexpr (requires { engine.convertText(text, out); }) {
        engine.convertText(text, out);
        return out;
    } else {
        engine.convertText(text);
        return engine.conversionOutput();
    }
}

void checkAgainstLiteral(Engine &indexed, Engine &literal, const std::string &text) {
    CountingLog indexedLog, literalLog;
    int indexedYields = 0, literalYields = 0;
    indexed.setConversionLog(&indexedLog);
    literal.setConversionLog(&literalLog);
    indexed.setYieldToUi([&] { ++indexedYields; });
    literal.setYieldToUi([&] { ++literalYields; });
    const std::string a = indexed.convertBytes(text);
    const std::string b = literal.convertBytes(text);
    const bool sameBytes =
        a == b && indexedLog.lines == literalLog.lines && indexedYields == literalYields;
    std::u32string indexedText, literalText;
    const bool sameText = convertInto(indexed, toText(text), indexedText) ==
                              convertInto(literal, toText(text), literalText) &&
                          indexedLog.lines == literalLog.lines && indexedYields == literalYields;
    if (!sameBytes || !sameText) {
        std::cerr << "indexed and literal engines disagree on the corpus\n";
        std::abort();
    }
    for (Engine *engine : {&indexed, &literal}) {
        engine->setConversionLog(nullptr);
        engine->setYieldToUi(nullptr);
    }
}

struct Fixture {
    Fixture() {
        engine.loadTables(tablesDir());
        corpus = makeCorpus(engine.tables(), 1 << 20, Words::Zipf);
        uniqueCorpus = makeCorpus(engine.tables(), 1 << 20, Words::Fresh);
        newWordsCorpus = makeCorpus(engine.tables(), 1 << 20, Words::Distinct);
        for (const std::string *text : {&corpus, &uniqueCorpus, &newWordsCorpus}) {
            Engine indexed, literal(Engine::Lookup::Literal);
            indexed.setTables(engine.tables());
            literal.setTables(engine.tables());
            checkAgainstLiteral(indexed, literal, *text);
        }
        if (const char *dir = std::getenv("KESTRUM_BENCH_CORPUS_DIR")) {
            const std::filesystem::path folder(dir);
            std::filesystem::create_directories(folder);
            std::ofstream(folder / "zipf.txt", std::ios::binary) << corpus;
            std::ofstream(folder / "unique.txt", std::ios::binary) << uniqueCorpus;
            std::ofstream(folder / "newwords.txt", std::ios::binary) << newWordsCorpus;
        }
    }
    Engine engine;
    std::string corpus;         // words drawn by a Zipf law from a vocabulary, as in real text
    std::string uniqueCorpus;   // every word made afresh: little to remember
    std::string newWordsCorpus; // every word distinct: nothing to remember
};

Fixture &fixture() {
    static Fixture f;
    return f;
}

// A fresh engine for each benchmark, so the word memo starts empty.
void convertBytes(benchmark::State &state, bool indexed, const std::string &corpus) {
    Engine engine(indexed ? Engine::Lookup::Indexed : Engine::Lookup::Literal);
    engine.setTables(fixture().engine.tables());
    CountingLog log;
    engine.setConversionLog(&log);
    std::size_t out = 0;
    for (auto _ : state) {
        out = engine.convertBytes(corpus).size();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.size()));
    state.counters["output_bytes"] = static_cast<double>(out);
    state.counters["unconverted_words"] = static_cast<double>(log.lines.size());
}

void BM_ConvertBytes(benchmark::State &state) {
    const Fixture &f = fixture();
    convertBytes(state, state.range(0) != 0, state.range(1) ? f.corpus : f.uniqueCorpus);
}
BENCHMARK(BM_ConvertBytes)
    ->ArgNames({"indexed", "zipf"})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond);

// Every word distinct: the word memo never hits (a word met once does not even look there),
// so this is the converter itself.
void BM_ConvertBytesNewWords(benchmark::State &state) {
    convertBytes(state, state.range(0) != 0, fixture().newWordsCorpus);
}
BENCHMARK(BM_ConvertBytesNewWords)
    ->ArgName("indexed")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond);

// The same texts as the window hands them over: Unicode in, Unicode out.
void convertText(benchmark::State &state, const std::string &corpus) {
    const std::u32string text = toText(corpus);
    Engine engine;
    engine.setTables(fixture().engine.tables());
    std::u32string output;
    for (auto _ : state)
        benchmark::DoNotOptimize(convertInto(engine, text, output).data());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.size()));
}

void BM_ConvertText(benchmark::State &state) {
    convertText(state, fixture().corpus);
}
BENCHMARK(BM_ConvertText)->Unit(benchmark::kMillisecond);

void BM_ConvertTextNewWords(benchmark::State &state) {
    convertText(state, fixture().newWordsCorpus);
}
BENCHMARK(BM_ConvertTextNewWords)->Unit(benchmark::kMillisecond);

// Typing at the end of a text of range(0) characters (the corpus's beginning): each iteration
// converts the text with one more word, then the text as it was. range(1) = 1 builds on the
// conversion before (setReusePrevious), 0 converts the whole text each time. A template, so
// that bench/engine/compare.sh can build this file against an engine without reuse.
template <typename E> void typingAtTheEnd(benchmark::State &state) {
    const std::u32string text = toText(fixture().corpus.substr(0, std::size_t(state.range(0))));
    const std::u32string typed = text + U" kOrchi";
    E engine;
    engine.setTables(fixture().engine.tables());
    if constexpr (requires(E & e) { e.setReusePrevious(true); })
        engine.setReusePrevious(state.range(1) != 0);
    else if (state.range(1) != 0)
        return state.SkipWithError("this engine does not build on the last conversion");
    std::u32string output;
    convertInto(engine, text, output);
    for (auto _ : state) {
        convertInto(engine, typed, output);
        benchmark::DoNotOptimize(convertInto(engine, text, output).data());
    }
    state.counters["conversions"] =
        benchmark::Counter(double(state.iterations() * 2), benchmark::Counter::kIsRate);
}
void BM_ConvertTextTypingAtTheEnd(benchmark::State &state) {
    typingAtTheEnd<Engine>(state);
}
BENCHMARK(BM_ConvertTextTypingAtTheEnd)
    ->ArgNames({"chars", "reuse"})
    ->ArgsProduct({{8000, 64000, 256000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

void BM_LoadTables(benchmark::State &state) {
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
void BM_LoadTablesFromAHugeFile(benchmark::State &state) {
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
