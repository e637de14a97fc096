// The input method's composer as a person types: every key of the README's sentence and of the
// example words of its key tables, typed as lines of a few words, timed one key at a time (the
// key to the updated preedit, and Space or the full stop to the word's commit), p50 and p99
// per key; the same for the keys at the end of a word of 10 000 keys; and the memory an input
// context holds, idle, with a word typed, and with the long word (the heap in use, as glibc's
// allocator counts it).
// Each benchmark first checks that the lines commit what they should.
#include "composer.h"
#include "lexicon.h"
#include "wordindex.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <malloc.h>
#include <new>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

// The heap this program holds, and its peak since it was last reset, counted at operator new and
// delete (malloc_usable_size: what each block really takes).
namespace {
std::atomic<long long> g_heap{0}, g_peak{0};
void counted(void *p) {
    const long long now = g_heap += static_cast<long long>(malloc_usable_size(p));
    for (long long peak = g_peak; now > peak && !g_peak.compare_exchange_weak(peak, now);)
        ;
}
void *allocate(std::size_t size, std::size_t alignment) {
    void *p = alignment > alignof(std::max_align_t)
                  ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                  : std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    counted(p);
    return p;
}
void release(void *p) noexcept {
    if (p) {
        g_heap -= static_cast<long long>(malloc_usable_size(p));
        std::free(p);
    }
}
} // namespace
void *operator new(std::size_t size) {
    return allocate(size, 0);
}
void *operator new[](std::size_t size) {
    return allocate(size, 0);
}
void *operator new(std::size_t size, std::align_val_t a) {
    return allocate(size, std::size_t(a));
}
void *operator new[](std::size_t size, std::align_val_t a) {
    return allocate(size, std::size_t(a));
}
void operator delete(void *p) noexcept {
    release(p);
}
void operator delete[](void *p) noexcept {
    release(p);
}
void operator delete(void *p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void *p, std::size_t) noexcept {
    release(p);
}
void operator delete(void *p, std::align_val_t) noexcept {
    release(p);
}
void operator delete[](void *p, std::align_val_t) noexcept {
    release(p);
}
void operator delete(void *p, std::size_t, std::align_val_t) noexcept {
    release(p);
}
void operator delete[](void *p, std::size_t, std::align_val_t) noexcept {
    release(p);
}

namespace {

using kestrum::ime::Composer;
using kestrum::ime::Converter;
using Kind = Composer::Key::Kind;

Converter &converter() {
    static Converter c(KESTRUM_DATA_DIR);
    return c;
}

std::vector<std::string> readmeLines() {
    std::ifstream in(std::string(KESTRUM_SOURCE_DIR) + "/README.md");
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    std::vector<std::string> lines = {"AmI bAnglAy gAn gAI."};
    const std::regex example(R"([\u0980-\u09FF\u200C\u200D]+ `([A-Za-z~&]+)`)");
    std::string line;
    int words = 0;
    for (std::sregex_iterator it(all.begin(), all.end(), example), end; it != end; ++it) {
        line += (line.empty() ? "" : " ") + (*it)[1].str();
        if (++words % 8 == 0) {
            lines.push_back(line + ".");
            line.clear();
        }
    }
    return lines;
}

Composer::Key keyFor(char c) {
    if (c == ' ')
        return {Kind::Space};
    return {Kind::Character, static_cast<char32_t>(c)};
}

void report(benchmark::State &state, std::vector<double> &ns) {
    std::sort(ns.begin(), ns.end());
    auto at = [&](double q) {
        return ns[std::min(ns.size() - 1, std::size_t(q * ns.size()))] / 1000;
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = ns.back() / 1000;
    state.counters["keys"] = static_cast<double>(ns.size());
}

void BM_KeysOfTheReadmeLines(benchmark::State &state) {
    const std::vector<std::string> lines = readmeLines();
    {
        Composer check(&converter());
        std::string out;
        for (const char c : lines[0])
            out += check.press(keyFor(c)).commit;
        if (out != "আমিবাংলায়গানগাই।") {
            state.SkipWithError(("wrong commits: " + out).c_str());
            return;
        }
    }
    std::vector<double> keyNs, commitNs;
    for (auto _ : state) {
        Composer composer(&converter());
        for (const std::string &line : lines) {
            for (const char c : line) {
                const auto start = std::chrono::steady_clock::now();
                const Composer::Outcome outcome = composer.press(keyFor(c));
                benchmark::DoNotOptimize(composer.preedit().data());
                const auto ns = std::chrono::duration<double, std::nano>(
                                    std::chrono::steady_clock::now() - start)
                                    .count();
                (outcome.commit.empty() ? keyNs : commitNs).push_back(ns);
            }
            composer.press({Kind::Enter});
        }
    }
    report(state, keyNs);
    std::sort(commitNs.begin(), commitNs.end());
    state.counters["commit_p50_us"] = commitNs[commitNs.size() / 2] / 1000;
    state.counters["commit_p99_us"] = commitNs[commitNs.size() * 99 / 100] / 1000;
}
BENCHMARK(BM_KeysOfTheReadmeLines)->Unit(benchmark::kMillisecond)->Iterations(20);

// The last thousand keys of a word of 10 000 keys, and its commit.
void BM_KeysAtTheEndOfALongWord(benchmark::State &state) {
    std::vector<double> ns;
    double commitNs = 0;
    for (auto _ : state) {
        Composer composer(&converter());
        for (int i = 0; i < 10000; ++i) {
            const char c = "kAtU"[i % 4];
            const auto start = std::chrono::steady_clock::now();
            composer.press(keyFor(c));
            benchmark::DoNotOptimize(composer.preedit().data());
            if (i >= 9000)
                ns.push_back(std::chrono::duration<double, std::nano>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
        }
        const auto start = std::chrono::steady_clock::now();
        const std::string commit = composer.press(keyFor(' ')).commit;
        commitNs =
            std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start)
                .count();
        if (commit.size() < 10000) {
            state.SkipWithError("the long word was not written");
            return;
        }
    }
    report(state, ns);
    state.counters["commit_us"] = commitNs / 1000;
}
BENCHMARK(BM_KeysAtTheEndOfALongWord)->Unit(benchmark::kMillisecond)->Iterations(5);

// Bytes an input context holds: 1 000 composers idle or each with a word typed; 20 each with a
// word of 10 000 keys, and of 100 000 for the bound.
void BM_MemoryPerInputContext(benchmark::State &state) {
    converter(); // the shared tables are not a context's
    for (auto _ : state) {
        auto perContext = [&](std::size_t keys, int contexts) {
            const auto before = static_cast<double>(g_heap.load());
            std::vector<std::unique_ptr<Composer>> composers;
            for (int i = 0; i < contexts; ++i) {
                composers.push_back(std::make_unique<Composer>(&converter()));
                for (std::size_t k = 0; k < keys; ++k)
                    composers.back()->press(keyFor("kAtU"[k % 4]));
            }
            return (static_cast<double>(g_heap.load()) - before) / contexts;
        };
        state.counters["idle_bytes"] = perContext(0, 1000);
        state.counters["word_bytes"] = perContext(12, 1000);
        state.counters["10000_keys_bytes"] = perContext(10000, 20);
        state.counters["100000_keys_bytes"] = perContext(100000, 20);
    }
}
BENCHMARK(BM_MemoryPerInputContext)->Unit(benchmark::kMillisecond)->Iterations(1);

// Building the index from Debian's word list (110 750 words), and the heap it takes at its peak
// beyond what was held before (the shared tables and engine: the heap's own figure, not the
// process's resident size).
void BM_BuildWordIndex(benchmark::State &state) {
    if (!std::ifstream(kestrum::ime::kDebianWordList)) {
        state.SkipWithError("hunspell-bn is not installed");
        return;
    }
    const kestrum::Tables &tables = converter().engine().tables();
    std::size_t words = 0;
    for (auto _ : state) {
        std::string problem;
        auto index =
            kestrum::ime::WordIndex::build(kestrum::ime::kDebianWordList, tables, &problem);
        words = index ? index->size() : 0;
    }
    if (words < 100000)
        state.SkipWithError("the index holds too few words");
    {
        const long long before = g_heap;
        g_peak = before;
        std::string problem;
        auto index =
            kestrum::ime::WordIndex::build(kestrum::ime::kDebianWordList, tables, &problem);
        state.counters["peak_MB"] = double(g_peak - before) / (1 << 20);
        state.counters["index_MB"] = double(g_heap - before) / (1 << 20);
    }
    state.counters["words"] = double(words);
}
BENCHMARK(BM_BuildWordIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

// Reading the index back from the cache, as every start after the first does.
void BM_LoadWordIndexFromTheCache(benchmark::State &state) {
    const kestrum::Tables &tables = converter().engine().tables();
    const std::string cache = "/tmp/kestrum-bench-words.index";
    std::string problem;
    auto built = kestrum::ime::WordIndex::build(kestrum::ime::kDebianWordList, tables, &problem);
    if (!built || !built->save(cache, &problem)) {
        state.SkipWithError(("no index: " + problem).c_str());
        return;
    }
    const auto source = *kestrum::ime::WordIndex::sourceOf(kestrum::ime::kDebianWordList, tables);
    for (auto _ : state) {
        auto loaded = kestrum::ime::WordIndex::load(cache, source);
        if (!loaded || loaded->size() != built->size()) {
            state.SkipWithError("the cache did not read back");
            return;
        }
    }
    std::remove(cache.c_str());
}
BENCHMARK(BM_LoadWordIndexFromTheCache)->Unit(benchmark::kMillisecond)->Iterations(10);

// A key to the updated candidates: the README's lines typed as their spellings in lower case,
// through Debian's word list, timed one key at a time.
void BM_KeysToCandidates(benchmark::State &state) {
    const kestrum::Tables &tables = converter().engine().tables();
    std::string problem;
    auto index = kestrum::ime::WordIndex::build(kestrum::ime::kDebianWordList, tables, &problem);
    if (!index) {
        state.SkipWithError(problem.c_str());
        return;
    }
    kestrum::ime::Lexicon lexicon(converter(), std::move(index), "");
    std::vector<std::string> lines = readmeLines();
    for (std::string &line : lines)
        line = kestrum::ime::lowerKeys(line);
    std::vector<double> ns;
    std::size_t shown = 0;
    for (auto _ : state) {
        Composer composer(&converter(), {}, &lexicon);
        for (const std::string &line : lines) {
            for (const char c : line) {
                const auto start = std::chrono::steady_clock::now();
                composer.press(keyFor(c));
                benchmark::DoNotOptimize(composer.candidates().data());
                ns.push_back(std::chrono::duration<double, std::nano>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
                shown += composer.showsCandidates();
            }
            composer.press({Kind::Enter});
        }
    }
    report(state, ns);
    state.counters["with_candidates"] = double(shown) / double(ns.size());
}
BENCHMARK(BM_KeysToCandidates)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
