// The input method's composer as a person types: every key of the README's sentence and of the
// example words of its key tables, typed as lines of a few words, timed one key at a time (the
// key to the updated preedit, and Space or the full stop to the word's commit), p50 and p99
// per key; the same for the keys at the end of a word of 10 000 keys; and the memory an input
// context holds, idle, with a word typed, and with the long word (the heap in use, as glibc's
// allocator counts it).
// Each benchmark first checks that the lines commit what they should.
#include "composer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <malloc.h>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

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
            const auto before = static_cast<double>(mallinfo2().uordblks);
            std::vector<std::unique_ptr<Composer>> composers;
            for (int i = 0; i < contexts; ++i) {
                composers.push_back(std::make_unique<Composer>(&converter()));
                for (std::size_t k = 0; k < keys; ++k)
                    composers.back()->press(keyFor("kAtU"[k % 4]));
            }
            return (static_cast<double>(mallinfo2().uordblks) - before) / contexts;
        };
        state.counters["idle_bytes"] = perContext(0, 1000);
        state.counters["word_bytes"] = perContext(12, 1000);
        state.counters["10000_keys_bytes"] = perContext(10000, 20);
        state.counters["100000_keys_bytes"] = perContext(100000, 20);
    }
}
BENCHMARK(BM_MemoryPerInputContext)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
