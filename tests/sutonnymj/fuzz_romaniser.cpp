// Fuzz target for the romaniser: any bytes as a text of Bengali letters, vowel signs, marks,
// joiners, digits and a few other characters, romanised word by word and as a whole text.
//
// Every answer is checked by converting it back: the keys of a word convert, with an engine of
// our own over the same tables, into glyph codes that decode to the word (in NFC), and a text's
// output is exactly its words' keys, its passing signs (each converting back to the character
// it came from) and its unspelled parts as they came, in order. Built for libFuzzer when
// KESTRUM_LIBFUZZER is defined; otherwise a small driver feeds it random texts.
#include "romaniser.h"
#include "sutonnymj.h"
#include "unicodetext.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

using namespace kestrum;
using namespace kestrum::sutonnymj;

// The characters a byte stands for when the input is not UTF-8: mostly what words are made of
// (the commonest consonants twice), some of what stands between words.
const std::u32string &alphabet() {
    static const std::u32string chars = [] {
        std::u32string s = U"কখগঘঙচছজঝঞটঠডঢণতথদধনপফবভমযরলশষসহড়ঢ়য়ৎ"
                           U"অআইঈউঊঋএঐওঔ"
                           U"\u09BE\u09BF\u09C0\u09C1\u09C2\u09C3\u09C7\u09C8\u09CB\u09CC\u09D7"
                           U"\u09CD\u09CD\u09CD\u09BC\u0981\u0982\u0983\u200C\u200D"
                           U"কতনমরলসব\u09BE\u09BF\u09C7";
        s += U" ০১৯।৳॥\t\n.a,(";
        return s;
    }();
    return chars;
}

class FailureLog : public ConversionLog {
public:
    void clear() override { failed = false; }
    void append(std::string_view) override { failed = true; }
    bool failed = false;
};

struct Checker {
    Checker() : romaniser(readTables(KESTRUM_DATA_DIR)) {
        engine.setTables(readTables(KESTRUM_DATA_DIR));
        engine.setConversionLog(&log);
    }
    // What the keys convert into, read back; nothing when a key does not convert.
    std::optional<std::u32string> back(std::string_view keys) {
        const std::string glyphs = engine.convertBytes(keys);
        if (log.failed)
            return std::nullopt;
        return decode(glyphs, Generation::New);
    }
    Romaniser romaniser;
    Engine engine;
    FailureLog log;
};

long spelledWords = 0; // words with an answer, checked

[[noreturn]] void fail(const char *what, std::u32string_view text) {
    std::fprintf(stderr, "%s; text: %s\n", what, toUtf8(text).c_str());
    std::abort();
}

// A word's final hasanta is the same letter with a ZWNJ after it (the visible hasanta the
// conversion writes) or without.
std::u32string withoutFinalZwnj(std::u32string word) {
    if (word.size() >= 2 && word.back() == kZwnj && word[word.size() - 2] == kHasanta)
        word.pop_back();
    return word;
}

void checkWord(Checker &c, std::u32string_view word) {
    const auto keys = c.romaniser.romanise(word);
    if (!keys)
        return;
    ++spelledWords;
    const auto back = c.back(*keys);
    if (!back || withoutFinalZwnj(*back) != withoutFinalZwnj(normalize(word)))
        fail(("the keys " + *keys + " do not convert back into the word").c_str(), word);
}

// Walks the text as the romaniser cuts it and accounts for every character of its output.
void checkText(Checker &c, std::u32string_view text) {
    const Romaniser::Text r = c.romaniser.romaniseText(text);
    std::size_t out = 0, next = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i + 1;
        if (isBengaliWordChar(text[i])) {
            while (end < text.size() && isBengaliWordChar(text[end]))
                ++end;
        }
        const std::u32string_view part = text.substr(i, end - i);
        if (next < r.unspelled.size() && r.unspelled[next].offset == i) {
            // A run of what has no spelling (words, characters) is one part, kept as it came;
            // it ends where a word or a character ends.
            const Romaniser::Unspelled &u = r.unspelled[next++];
            const std::size_t partEnd = i + u.length;
            if (u.length < part.size() || partEnd > text.size() || u.outOffset != out ||
                r.text.compare(out, u.length, text.substr(i, u.length)) != 0 ||
                (partEnd < text.size() && isBengaliWordChar(text[partEnd - 1]) &&
                 isBengaliWordChar(text[partEnd])))
                fail("an unspelled part is not kept as it came where the list says", text);
            out += u.length;
            i = partEnd;
            continue;
        } else if (isBengaliWordChar(text[i])) {
            const auto keys = c.romaniser.romanise(part);
            if (!keys ||
                r.text.compare(out, keys->size(), std::u32string(keys->begin(), keys->end())) != 0)
                fail("a word's keys in the text are not its spelling", text);
            checkWord(c, part);
            out += keys->size();
        } else {
            const char32_t k = out < r.text.size() ? r.text[out] : 0;
            if (text[i] == U'\t' || text[i] == U'\r' || text[i] == U'\n') {
                if (k != text[i])
                    fail("a tab or line break was not kept", text);
            } else if (k == 0 || k > 0x7E ||
                       c.back(std::string(1, char(k))) != std::u32string(part)) {
                fail("a passing sign does not convert back into its character", text);
            }
            ++out;
        }
        i = end;
    }
    if (next != r.unspelled.size() || out != r.text.size())
        fail("the output holds more than the text's parts", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static Checker checker;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    std::u32string text;
    if (const auto utf8 = fromUtf8(bytes)) {
        text = *utf8;
    } else {
        for (unsigned char b : bytes)
            text.push_back(alphabet()[b % alphabet().size()]);
    }
    checkText(checker, text);
    return 0;
}

#ifndef KESTRUM_LIBFUZZER
int main(int argc, char **argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 2000;
    std::mt19937 rng(11);
    std::string bytes;
    for (int i = 0; i < runs; ++i) {
        // Short words mostly, so that many can be spelled, and now and then a long text.
        const int length = i % 200 == 199 ? 2000 : std::uniform_int_distribution<int>(1, 12)(rng);
        bytes.clear();
        for (int j = 0; j < length; ++j)
            bytes.push_back(char(0x80 | std::uniform_int_distribution<int>(0, 127)(rng)));
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
    }
    std::printf("%d random texts romanised, the answers for %ld words converted back\n", runs,
                spelledWords);
    return 0;
}
#endif
