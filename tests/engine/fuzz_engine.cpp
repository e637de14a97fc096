// Fuzz target for the engine: any bytes as a text, converted by both engines.
//
// Checks that the indexed and the literal engines agree on the output, the log and the number
// of yieldToUi calls, and that every byte outside words, digits, CR, LF and "." comes out, in
// order. Built for libFuzzer when KESTRUM_LIBFUZZER is defined; otherwise a small driver feeds
// it random texts, so the ordinary test run (and the sanitizer build) exercises it too.
#include "engine.h"
#include "fixture.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

namespace {

using namespace kestrum;

struct Engines {
    Engines() {
        Tables tables = readTables(folder.path());
        indexed.setTables(tables);
        literal.setTables(std::move(tables));
        indexed.setConversionLog(&indexedLog);
        literal.setConversionLog(&literalLog);
        indexed.setYieldToUi([this] { ++indexedYields; });
        literal.setYieldToUi([this] { ++literalYields; });
    }
    test::TableFolder folder;
    Engine indexed{Engine::Lookup::Indexed};
    Engine literal{Engine::Lookup::Literal};
    test::RecordingLog indexedLog, literalLog;
    long indexedYields = 0, literalYields = 0;
};

bool passesThrough(unsigned char b) {
    return !isWordChar(b) && !(b >= '0' && b <= '9') && b != '\r' && b != '\n' && b != '.';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static Engines engines;
    const std::string text(reinterpret_cast<const char *>(data), size);
    const std::string a = engines.indexed.convertBytes(text);
    const std::string b = engines.literal.convertBytes(text);
    if (a != b || engines.indexedLog.lines != engines.literalLog.lines ||
        engines.indexedYields != engines.literalYields) {
        std::fprintf(stderr, "indexed and literal engines disagree\n");
        std::abort();
    }
    // The pass-through bytes of the input are a subsequence of the output.
    std::size_t at = 0;
    for (unsigned char c : text) {
        if (!passesThrough(c))
            continue;
        at = a.find(static_cast<char>(c), at);
        if (at == std::string::npos) {
            std::fprintf(stderr, "byte 0x%02X was lost\n", c);
            std::abort();
        }
        ++at;
    }
    return 0;
}

#ifndef KESTRUM_LIBFUZZER
int main(int argc, char **argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20000;
    std::mt19937 rng(1);
    // Mostly key letters, so words get deep into the converter, with some of every byte.
    const std::string letters = "aAkKgEOWIRrNMLJYyhsnt~&iIuUeo";
    for (int i = 0; i < runs; ++i) {
        std::string text;
        const int length = std::uniform_int_distribution<int>(0, 64)(rng);
        for (int j = 0; j < length; ++j) {
            const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
            if (kind < 8)
                text +=
                    letters[std::uniform_int_distribution<std::size_t>(0, letters.size() - 1)(rng)];
            else
                text += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(text.data()), text.size());
    }
    std::printf("%d random texts converted\n", runs);
    return 0;
}
#endif
