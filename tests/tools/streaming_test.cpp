// The streaming conversion against the conversion of the whole input as one text: the same
// bytes and the same log lines wherever the reads cut the input (inside words, between CR and
// LF, in runs of word characters longer than a read), and reads and writes that fail.
#include "streaming.h"

#include "sutonnymj.h"
#include "unicodetext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

using namespace kestrum;
using namespace kestrum::convert;

namespace {

// Keeps every line, as the program's log does: the engine clears its log for every piece.
struct KeptLog : ConversionLog {
    void clear() override {}
    void append(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

struct Converted {
    std::string bytes;
    std::vector<std::string> log;
    StreamResult result = StreamResult::Done;
    bool operator==(const Converted &) const = default;
};

void PrintTo(const Converted &c, std::ostream *out) {
    *out << ::testing::PrintToString(c.bytes) << " log " << ::testing::PrintToString(c.log)
         << " result " << int(c.result);
}

Engine &tables() {
    static Engine engine;
    static bool loaded = (engine.loadTables(KESTRUM_DATA_DIR), true);
    (void)loaded;
    return engine;
}

// A fresh engine each time, so neither side profits from words the other remembered.
Converted oneShot(const std::string &input) {
    Engine engine;
    engine.setTables(tables().tables());
    KeptLog log;
    engine.setConversionLog(&log);
    Converted c;
    engine.convertBytes(input, c.bytes);
    c.log = log.lines;
    return c;
}

// `input` in reads of at most `chunk` bytes asked, each given whole or, with `shortReads`, cut
// shorter at random, as a pipe does.
ReadSome reads(const std::string &input, std::size_t chunk, std::mt19937 *shortReads) {
    return
        [&input, chunk, shortReads, at = std::size_t{0}](char *buffer, std::size_t size) mutable {
            EXPECT_LE(size, chunk);
            std::size_t n = std::min(size, input.size() - at);
            if (shortReads && n > 1)
                n = std::uniform_int_distribution<std::size_t>(1, n)(*shortReads);
            std::copy_n(input.data() + at, n, buffer);
            at += n;
            return static_cast<std::ptrdiff_t>(n);
        };
}

Converted streamed(const std::string &input, std::size_t chunk, std::mt19937 *shortReads) {
    Engine engine;
    engine.setTables(tables().tables());
    KeptLog log;
    engine.setConversionLog(&log);
    Converted c;
    const ReadSome read = reads(input, chunk, shortReads);
    const WriteAll write = [&](std::string_view bytes) {
        EXPECT_FALSE(bytes.empty());
        c.bytes += bytes;
        return true;
    };
    c.result = convertStream(engine, read, write, chunk);
    c.log = log.lines;
    return c;
}

// Text of words the tables convert, words they stop in, runs of "~" and "&", digits, the full
// stop, spaces, CR, LF and CR LF, bytes past ASCII, and now and then a word of a few hundred
// letters.
std::string randomText(std::mt19937 &random, std::size_t length) {
    static const std::vector<std::string> words = {
        "AmI",  "bAnglAy",         "gAn", "gAI", "kARmA", "swAdhIIn", "sLOOgAn", "~t", "~~", "&",
        "kxyz", "WRINGghhMy&RWRI", "Oh",  "RJ",  "EkTI",  "sOhOsR",   "phNDhhM", "q",  "Z"};
    static const std::vector<std::string> between = {
        " ", "  ", "\r\n", "\n", "\r", ". ", ".", ", ", "12", "\t", "\xE9", "\x86\xFF", "\r\r\n"};
    std::string text;
    auto pick = [&](const std::vector<std::string> &from) -> const std::string & {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    };
    while (text.size() < length) {
        if (random() % 40 == 0) {
            const std::size_t letters = 100 + random() % 400;
            for (std::size_t i = 0; i < letters; ++i)
                text += "kAbR~&"[random() % 6];
        } else {
            text += pick(words);
        }
        text += pick(between);
    }
    // Half the texts end inside a word.
    if (random() % 2)
        text.resize(std::uniform_int_distribution<std::size_t>(0, text.size())(random));
    return text;
}

} // namespace

TEST(ConvertStream, RandomTextsCutByReadsOfEverySizeConvertAsOneText) {
    std::mt19937 random(19);
    for (int trial = 0; trial < 12; ++trial) {
        const std::string input = randomText(random, 200 + random() % 1200);
        const Converted expected = oneShot(input);
        for (std::size_t chunk = 1; chunk <= 64; ++chunk) {
            EXPECT_EQ(streamed(input, chunk, nullptr), expected)
                << "trial " << trial << ", reads of " << chunk;
            EXPECT_EQ(streamed(input, chunk, &random), expected)
                << "trial " << trial << ", short reads of at most " << chunk;
        }
        for (std::size_t chunk : {std::size_t{4096}, kDefaultChunk})
            EXPECT_EQ(streamed(input, chunk, nullptr), expected) << "reads of " << chunk;
    }
}

TEST(ConvertStream, EveryCutOfShortTextsConvertsAsOneText) {
    // Each text is cut in two at every place (a first read of `cut` bytes, then the rest; a
    // read of none would end the input), so the cut falls in turn inside every word, between
    // CR and LF and after every mark.
    const std::vector<std::string> texts = {"AmI\r\ngAn",      "kA\r\r\n\rkE.",
                                            "xyz kAxa\n",      "~t~~&k 12 AmI",
                                            "bAnglAy",         "\r\n\r\n",
                                            "kxyz.kxyz.",      "gAn\xE9gAI\x86",
                                            "WRINGghhMy&RWRI", "AmI bAnglAy gAn gAI.\r\n"};
    for (const std::string &text : texts) {
        const Converted expected = oneShot(text);
        for (std::size_t cut = 1; cut <= text.size(); ++cut) {
            Engine engine;
            engine.setTables(tables().tables());
            KeptLog log;
            engine.setConversionLog(&log);
            Converted c;
            int reads = 0;
            std::size_t at = 0;
            const ReadSome read = [&](char *buffer, std::size_t size) -> std::ptrdiff_t {
                const std::size_t n = std::min(size, (reads++ == 0 ? cut : text.size()) - at);
                std::copy_n(text.data() + at, n, buffer);
                at += n;
                return static_cast<std::ptrdiff_t>(n);
            };
            c.result = convertStream(
                engine, read, [&](std::string_view b) { return c.bytes += b, true; }, 1024);
            c.log = log.lines;
            EXPECT_EQ(c, expected) << "cut at " << cut << " of \"" << text << "\"";
        }
    }
}

TEST(ConvertStream, EmptyInputWritesNothing) {
    const Converted c = streamed("", 7, nullptr);
    EXPECT_EQ(c.result, StreamResult::Done);
    EXPECT_EQ(c.bytes, "");
    EXPECT_TRUE(c.log.empty());
}

TEST(ConvertStream, AReadErrorStopsAfterWhatWasConverted) {
    Engine engine;
    engine.setTables(tables().tables());
    std::string out;
    int reads = 0;
    const ReadSome read = [&](char *buffer, std::size_t) -> std::ptrdiff_t {
        if (reads++)
            return -1;
        std::copy_n("AmI gA", 6, buffer);
        return 6;
    };
    const StreamResult r = convertStream(
        engine, read, [&](std::string_view b) { return out += b, true; }, 16);
    EXPECT_EQ(r, StreamResult::ReadFailed);
    // "AmI " was whole; "gA" may go on in the input that could not be read.
    EXPECT_EQ(out, engine.convertBytes("AmI "));
}

TEST(ConvertStream, AWriteErrorStopsReading) {
    Engine engine;
    engine.setTables(tables().tables());
    int reads = 0;
    const ReadSome read = [&](char *buffer, std::size_t size) -> std::ptrdiff_t {
        ++reads;
        std::fill_n(buffer, size, ' ');
        return static_cast<std::ptrdiff_t>(size);
    };
    EXPECT_EQ(convertStream(
                  engine, read, [](std::string_view) { return false; }, 8),
              StreamResult::WriteFailed);
    EXPECT_EQ(reads, 1);
}

TEST(CopyStream, CopiesEveryByteThroughReadsOfEverySize) {
    std::mt19937 random(3);
    std::string input(3000, '\0');
    for (char &c : input)
        c = static_cast<char>(random());
    for (std::size_t chunk : {1, 2, 7, 64, 4096}) {
        std::size_t at = 0;
        std::string out;
        const ReadSome read = [&](char *buffer, std::size_t size) -> std::ptrdiff_t {
            const std::size_t n = std::min(size, input.size() - at);
            std::copy_n(input.data() + at, n, buffer);
            at += n;
            return static_cast<std::ptrdiff_t>(n);
        };
        EXPECT_EQ(copyStream(
                      read, [&](std::string_view b) { return out += b, true; }, chunk),
                  StreamResult::Done);
        EXPECT_EQ(out, input) << "reads of " << chunk;
    }
    EXPECT_EQ(copyStream([](char *, std::size_t) -> std::ptrdiff_t { return -1; },
                         [](std::string_view) { return true; }),
              StreamResult::ReadFailed);
}

namespace {

// What a conversion through Unicode gives: its bytes, its status, its diagnostics and the
// engine's log lines. The lines that name Bengali in roman input come as their lines are read
// when streamed, and first of all at once: they are kept apart.
struct ThroughUnicodeResult {
    std::string bytes;
    int status = 0;
    std::vector<std::string> parts, bengali, log;
    bool operator==(const ThroughUnicodeResult &) const = default;
};

void PrintTo(const ThroughUnicodeResult &r, std::ostream *out) {
    *out << ::testing::PrintToString(r.bytes) << " status " << r.status << " parts "
         << ::testing::PrintToString(r.parts) << " bengali " << ::testing::PrintToString(r.bengali)
         << " log " << ::testing::PrintToString(r.log);
}

void keepMessage(ThroughUnicodeResult &r, std::string_view line) {
    (line.ends_with(sutonnymj::BengaliInRoman::kMessage) ? r.bengali : r.parts).emplace_back(line);
}

ThroughUnicodeResult wholeThroughUnicode(const std::string &input, Format from, Format to) {
    Engine engine;
    engine.setTables(tables().tables());
    KeptLog log;
    engine.setConversionLog(&log);
    const Outcome outcome =
        kestrum::convert::convert(input, from, to, sutonnymj::Generation::New, &engine);
    ThroughUnicodeResult r;
    r.bytes = outcome.status == 1 ? std::string() : outcome.output;
    r.status = outcome.status;
    for (const std::string &m : outcome.messages)
        keepMessage(r, m);
    r.log = log.lines;
    return r;
}

ThroughUnicodeResult streamedThroughUnicode(const std::string &input, Format from, Format to,
                                            std::size_t chunk, std::mt19937 *shortReads) {
    Engine engine;
    engine.setTables(tables().tables());
    KeptLog log;
    engine.setConversionLog(&log);
    ThroughUnicodeResult r;
    const auto outcome = convertThroughUnicode(
        from, to, sutonnymj::Generation::New, &engine, reads(input, chunk, shortReads),
        [&](std::string_view bytes) { return r.bytes += bytes, true; },
        [&](std::string_view line) { keepMessage(r, line); }, chunk);
    EXPECT_EQ(outcome.result, StreamResult::Done);
    r.status = outcome.status;
    // Invalid UTF-8 stops the conversion with its message last: what came before the piece
    // that holds it has been written and named.
    if (r.status == 1) {
        r.bytes.clear();
        r.parts.erase(r.parts.begin(), r.parts.end() - std::min<std::size_t>(1, r.parts.size()));
    }
    r.log = log.lines;
    return r;
}

// Unicode text: words the tables spell and words they cannot, Latin words, runs of Bengali
// too long to be words, digits, the dari, controls and bidirectional controls, CR, LF and
// CR LF, and now and then a byte-order mark at the start.
std::string randomUnicodeText(std::mt19937 &random, std::size_t length) {
    static const std::vector<std::string> words = {
        "আমি",    "বাংলায়",       "গান",      "গাই",    "কলম",   "ঌঌঌ", "কঈ",
        "সূর্য",    "কে",           "ক্ষ",       "TIFF",   "x",     "ে",   "ি",
        "\u200C", "\xE2\x80\xAE", "\x1B[31m", "abcকলম", "কলমabc"};
    static const std::vector<std::string> between = {" ",  "  ", "\r\n", "\n", "\r",     "। ", ".",
                                                     ", ", "২০", "12",   "\t", "\r\r\n", ""};
    std::string text = random() % 4 == 0 ? "\xEF\xBB\xBF" : "";
    auto pick = [&](const std::vector<std::string> &from) -> const std::string & {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    };
    while (text.size() < length) {
        if (random() % 30 == 0) {
            const std::size_t letters = 40 + random() % 100;
            for (std::size_t i = 0; i < letters; ++i)
                text += (random() % 2) ? "ক" : "া";
        } else if (random() % 30 == 0) {
            // Words run together: a long run of syllables with conjuncts, reph, phala and
            // joiners, which glyph codes reorder within.
            static const std::vector<std::string> syllables = {
                "সূর্য",          "ক্ষি", "র্কে", "কি", "ত্র্য", "র‍্য",
                "ক্‌ষ", "ড়ো",  "কৌ",  "ং",  "ঁ"};
            for (std::size_t i = 0, count = 20 + random() % 40; i < count; ++i)
                text += pick(syllables);
        } else {
            text += pick(words);
        }
        text += pick(between);
    }
    return text;
}

} // namespace

TEST(ConvertThroughUnicode, RandomTextsCutByReadsOfEverySizeConvertAsOneText) {
    std::mt19937 random(23);
    const struct {
        Format from, to;
    } pairs[] = {
        {Format::Unicode, Format::Roman},     {Format::Unicode, Format::SutonnyMJ},
        {Format::Unicode, Format::Unicode},   {Format::SutonnyMJ, Format::Roman},
        {Format::SutonnyMJ, Format::Unicode}, {Format::Roman, Format::Unicode},
    };
    for (int trial = 0; trial < 6; ++trial) {
        std::string unicode = randomUnicodeText(random, 300 + random() % 600);
        const std::string glyphs =
            sutonnymj::encode(*sutonnymj::fromUtf8(sutonnymj::withoutUtf8Bom(unicode))).bytes;
        // Roman text with UTF-8 Bengali in it, as romanising keeps what it cannot spell, and a
        // word longer than the reads.
        std::string roman =
            wholeThroughUnicode(unicode, Format::Unicode, Format::Roman).bytes + "\nkxyz AmI\xE9 ";
        for (std::size_t i = 0, letters = 70 + random() % 200; i < letters; ++i)
            roman += "kAbR~&x"[random() % (trial % 2 ? 7 : 6)];
        roman += " gAn";
        // Now and then a byte that is no UTF-8 (stray, or cutting a character short).
        if (trial % 3 == 2)
            unicode.insert(random() % unicode.size(), "\xC3(");
        for (const auto &[from, to] : pairs) {
            const std::string &input = from == Format::Unicode     ? unicode
                                       : from == Format::SutonnyMJ ? glyphs
                                                                   : roman;
            const ThroughUnicodeResult expected = wholeThroughUnicode(input, from, to);
            for (std::size_t chunk : {1, 2, 3, 5, 7, 16, 64, 4096}) {
                SCOPED_TRACE("trial " + std::to_string(trial) + ", " +
                             std::string(formatName(from)) + " to " + std::string(formatName(to)) +
                             ", reads of " + std::to_string(chunk));
                EXPECT_EQ(streamedThroughUnicode(input, from, to, chunk, nullptr), expected);
                EXPECT_EQ(streamedThroughUnicode(input, from, to, chunk, &random), expected);
            }
        }
    }
}
