// The composer: key sequences and what is committed, passed on and shown after them; and lines
// typed key by key against kestrum-convert's conversion of the same keys.
#include "composer.h"
#include "cp1252.h"
#include "settings.h"
#include "unicodetext.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using kestrum::ime::Composer;
using kestrum::ime::Converter;
using kestrum::ime::Options;
using kestrum::ime::Output;
using Kind = Composer::Key::Kind;

Converter &converter() {
    static Converter c(KESTRUM_DATA_DIR);
    return c;
}

// Types `keys` into the composer and returns the transcript: what was committed, with each key
// passed on to the program as [name] ([sp] [ret] [tab] [bs] [esc] [left] [C-s], or the letter).
// In `keys`, {sp} {ret} {tab} {bs} {esc} {left} {del} {shift} {C-s} are those keys and {focus}
// the loss of the focus (commit); every other character is typed as it is.
std::string type(Composer &composer, std::string_view keys) {
    std::string transcript;
    auto apply = [&](Composer::Key key, const std::string &name) {
        const Composer::Outcome outcome = composer.press(key);
        transcript += outcome.commit;
        if (outcome.forward)
            transcript += "[" + name + "]";
    };
    for (std::size_t i = 0; i < keys.size();) {
        if (keys[i] == '{') {
            const std::size_t end = keys.find('}', i);
            const std::string name(keys.substr(i + 1, end - i - 1));
            i = end + 1;
            if (name == "focus") {
                transcript += composer.commit();
                continue;
            }
            static const std::vector<std::pair<std::string, Composer::Key>> named = {
                {"sp", {Kind::Space}},
                {"ret", {Kind::Enter}},
                {"tab", {Kind::Tab}},
                {"bs", {Kind::Backspace}},
                {"esc", {Kind::Escape}},
                {"left", {Kind::Caret}},
                {"del", {Kind::Other}},
                {"shift", {Kind::Modifier}},
                {"C-s", {Kind::Character, U's', true}},
            };
            bool found = false;
            for (const auto &[n, key] : named) {
                if (n == name) {
                    apply(key, n);
                    found = true;
                }
            }
            EXPECT_TRUE(found) << name;
            continue;
        }
        // A UTF-8 character.
        std::size_t length = 1;
        while (i + length < keys.size() &&
               (static_cast<unsigned char>(keys[i + length]) & 0xC0) == 0x80)
            ++length;
        const std::u32string c = *kestrum::sutonnymj::fromUtf8(keys.substr(i, length));
        apply({Kind::Character, c[0]}, std::string(keys.substr(i, length)));
        i += length;
    }
    return transcript;
}

struct Row {
    const char *what;
    const char *keys;
    const char *transcript; // committed and passed on
    const char *preedit;    // shown afterwards
    Options options = {};
};

TEST(Composer, KeySequences) {
    const Options sutonnymj{Output::SutonnyMJ, false};
    const Options swapped{Output::Unicode, true};
    const Row rows[] = {
        {"a word is shown while it is typed", "AmI", "", "আমি"},
        {"Space writes it and goes on", "AmI{sp}", "আমি[sp]", ""},
        {"Enter and Tab the same", "AmI{ret}tUmI{tab}", "আমি[ret]তুমি[tab]", ""},
        {"Shift alone changes nothing", "A{shift}mI", "[shift]", "আমি"},
        {"the full stop is the dari, with the word", "AmI.", "আমি।", ""},
        {"a comma is written with the word", "AmI,{sp}", "আমি,[sp]", ""},
        {"a sign with no word goes on as a key", "{sp},", "[sp][,]", ""},
        {"digits are Bengali digits", "12{sp}AmI", "১২[sp]", "আমি"},
        {"digits split words", "kA1kA{sp}", "কা১কা[sp]", ""},
        {"Backspace takes back the last key", "AmIk{bs}", "", "আমি"},
        {"Backspace into the word's start", "tU{bs}{bs}{bs}", "[bs]", ""},
        {"Backspace with no word goes on", "AmI{sp}{bs}", "আমি[sp][bs]", ""},
        {"Escape writes the keys as typed", "Hello{esc}{sp}", "Hello[sp]", ""},
        {"Escape with no word goes on", "{esc}", "[esc]", ""},
        {"a caret key writes the word first", "AmI{left}", "আমি[left]", ""},
        {"another key writes the word first", "AmI{del}", "আমি[del]", ""},
        {"Ctrl+S writes the word, then saves", "AmI{C-s}", "আমি[C-s]", ""},
        {"focus loss writes the word", "AmI{focus}", "আমি", ""},
        {"an unconvertible word keeps its keys", "AmIx{sp}", "আমিx[sp]", ""},
        {"its preedit shows them", "bAxA", "", "বাxA"},
        {"a word no key starts", "xyzq.", "xyzq।", ""},
        {"characters outside ASCII go on", "AmIé", "আমি[é]", ""},
        {"a glyph sign after a word joins it, as in one line", "kA^{sp}", "ক্বা[sp]", ""},
        {"SutonnyMJ: the glyph codes", "AmI{sp}AmI", "Avwg[sp]", "আমি", sutonnymj},
        {"SutonnyMJ: the dari as |", "AmI.", "Avwg|", "", sutonnymj},
        {"SutonnyMJ: digits go on as keys", "12", "[1][2]", "", sutonnymj},
        {"SutonnyMJ: unconvertible keys as typed", "kAq{sp}", "Kvq[sp]", "", sutonnymj},
        {"swap case: letters the other way round", "aMi{sp}", "আমি[sp]", "", swapped},
        {"swap case: Escape writes them as typed", "hELLO{esc}", "hELLO", "", swapped},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Composer composer(&converter(), row.options);
        EXPECT_EQ(type(composer, row.keys), row.transcript);
        EXPECT_EQ(composer.preedit(), row.preedit);
    }
}

TEST(Composer, ShowsTheKeysAndWhetherThePreeditCommitsAsShown) {
    Composer composer(&converter(), {Output::Unicode, true});
    type(composer, "aMi");
    EXPECT_EQ(composer.keysShown(), "AmI");
    EXPECT_TRUE(composer.preeditCommitsAsShown());
    composer.setOptions({Output::SutonnyMJ, false});
    EXPECT_EQ(composer.keysShown(), "aMi"); // the keys read anew
    EXPECT_FALSE(composer.preeditCommitsAsShown());
    EXPECT_EQ(type(composer, "{focus}"), "aMi"); // no key starts with a: written as typed
    EXPECT_FALSE(composer.composing());
    composer.discard();
    EXPECT_EQ(composer.preedit(), "");
}

TEST(Composer, WithoutTablesEveryKeyGoesOn) {
    Composer composer(nullptr);
    EXPECT_EQ(type(composer, "AmI{sp}{bs}"), "[A][m][I][sp][bs]");
    EXPECT_FALSE(composer.composing());
}

TEST(Composer, TablesThatCannotBeReadSayWhy) {
    const auto loaded = kestrum::ime::loadConverter("/nonexistent", ".");
    ASSERT_TRUE(std::holds_alternative<std::string>(loaded));
    EXPECT_NE(std::get<std::string>(loaded).find("first.alpha"), std::string::npos)
        << std::get<std::string>(loaded);
}

// kestrum-convert's output for `input` (roman keys) in the given output, as UTF-8.
std::string kestrumConvert(const std::string &input, Output output) {
    const std::string file = testing::TempDir() + "composer-input.txt";
    std::ofstream(file, std::ios::binary) << input;
    const std::string command =
        std::string(KESTRUM_BIN_DIR) + "/kestrum-convert --tables " + KESTRUM_DATA_DIR +
        (output == Output::Unicode ? " --to unicode " : " ") + file + " 2>/dev/null";
    std::string bytes;
    FILE *pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        bytes.append(buffer, n);
    pclose(pipe);
    if (output == Output::Unicode)
        return bytes;
    std::string text; // glyph codes as the Windows-1252 characters the output area holds
    for (const char b : bytes)
        kestrum::sutonnymj::appendUtf8(text,
                                       kestrum::cp1252ToUnicode(static_cast<unsigned char>(b)));
    return text;
}

// Every example word of the README's key tables, and its sentence, typed into the composer a
// line of a few words at a time, commit what kestrum-convert makes of the same keys.
TEST(Composer, LinesTypedAsKestrumConvertConvertsThem) {
    std::ifstream readme(std::string(KESTRUM_SOURCE_DIR) + "/README.md");
    std::stringstream text;
    text << readme.rdbuf();
    const std::string all = text.str();
    std::vector<std::string> lines = {"AmI bAnglAy gAn gAI.", "kA^ kA_ 12, kA: (AmI) tUmI!"};
    const std::regex example(R"([\u0980-\u09FF\u200C\u200D]+ `([A-Za-z~&]+)`)");
    // Words the tables cannot convert to their end are left out: kestrum-convert drops their
    // unconverted keys, the input method writes them as typed (a row above).
    struct Failures : kestrum::ConversionLog {
        void clear() override {}
        void append(std::string_view) override { ++count; }
        int count = 0;
    } failures;
    kestrum::Engine check;
    check.loadTables(KESTRUM_DATA_DIR);
    check.setConversionLog(&failures);
    std::string line;
    int words = 0;
    for (std::sregex_iterator it(all.begin(), all.end(), example), end; it != end; ++it) {
        const int before = failures.count;
        check.convertBytes((*it)[1].str());
        if (failures.count != before)
            continue;
        line += (line.empty() ? "" : " ") + (*it)[1].str();
        if (++words % 8 == 0) {
            lines.push_back(line + ".");
            line.clear();
        }
    }
    ASSERT_GT(words, 150);
    for (const Output output : {Output::Unicode, Output::SutonnyMJ}) {
        for (const std::string &keys : lines) {
            SCOPED_TRACE(keys);
            Composer composer(&converter(), {output, false});
            std::string typed;
            for (const char c : keys)
                typed += c == ' ' ? std::string("{sp}") : std::string(1, c);
            std::string transcript = type(composer, typed + "{ret}");
            for (std::size_t at; (at = transcript.find("[sp]")) != std::string::npos;)
                transcript.replace(at, 4, " ");
            ASSERT_EQ(transcript.substr(transcript.size() - 5), "[ret]");
            transcript.replace(transcript.size() - 5, 5, output == Output::Unicode ? "\n" : "\r\n");
            // Punctuation that is written as itself with no word before it goes on as a key.
            transcript = std::regex_replace(transcript, std::regex(R"(\[([^\]a-z]+)\])"), "$1");
            EXPECT_EQ(transcript, kestrumConvert(keys + "\n", output));
        }
    }
}

// A word of 10 000 keys: shown by its end, written whole as kestrum-convert converts it; past
// the keys a context holds, its beginning is written first and the rest follows seamlessly.
TEST(Composer, LongWords) {
    for (const std::size_t repeats : {5000u, 20000u}) {
        SCOPED_TRACE(repeats);
        std::string keys;
        for (std::size_t i = 0; i < repeats; ++i)
            keys += i % 3 ? "kA" : "tU";
        Composer composer(&converter());
        std::string transcript = type(composer, keys);
        EXPECT_EQ(composer.preedit().rfind("\u2026", 0), 0u);
        EXPECT_LE(composer.preedit().size(), 8 * Composer::kShownKeys);
        EXPECT_LE(composer.keysShown().size(), Composer::kShownKeys + 3);
        transcript += type(composer, "{sp}");
        EXPECT_EQ(transcript, kestrumConvert(keys, Output::Unicode) + "[sp]");
    }
}

TEST(Composer, OptionsKeptInTheSettingsFile) {
    const std::string file = testing::TempDir() + "kestrum-ime/settings/ibus.conf";
    std::remove(file.c_str());
    EXPECT_EQ(kestrum::ime::readOptions(file), Options{}); // no file: the defaults
    std::string reason;
    for (const Options options :
         {Options{Output::SutonnyMJ, true}, Options{Output::Unicode, false}}) {
        ASSERT_TRUE(kestrum::ime::writeOptions(file, options, &reason)) << reason;
        EXPECT_EQ(kestrum::ime::readOptions(file), options);
    }
    EXPECT_FALSE(kestrum::ime::writeOptions("/proc/kestrum/ibus.conf", Options{}, &reason));
    EXPECT_NE(reason.find("/proc/kestrum"), std::string::npos) << reason;
}

} // namespace
