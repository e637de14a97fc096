// kestrum-convert between roman, sutonnymj and unicode: every pair, line breaks, what has no
// spelling in the target, invalid UTF-8, the font generation and the options' errors.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace {

const std::string kProgram = std::string(KESTRUM_BIN_DIR) + "/kestrum-convert";
const std::string kTables = std::string("--tables ") + KESTRUM_DATA_DIR;

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

std::string readFile(const std::filesystem::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class UnicodeCli : public ::testing::Test {
protected:
    UnicodeCli() {
        static int serial = 0;
        m_dir = std::filesystem::temp_directory_path() /
                ("kestrum-cli-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        std::filesystem::create_directories(m_dir);
    }
    ~UnicodeCli() override { std::filesystem::remove_all(m_dir); }

    // Runs the program with `args` (shell words) and `input` on standard input.
    RunResult run(const std::string &args, const std::string &input) {
        const auto in = m_dir / "stdin", out = m_dir / "stdout", err = m_dir / "stderr";
        std::ofstream(in, std::ios::binary) << input;
        const std::string command =
            kProgram + " " + args + " <" + in.string() + " >" + out.string() + " 2>" + err.string();
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
    }

    std::filesystem::path m_dir;
};

// One text in the three formats (CR LF line breaks, which the original roman to sutonnymj
// conversion writes).
const std::map<std::string, std::string> kSample = {
    {"roman", "AmI bAnglAy gAn gAI.\r\nkOlOm, 2024\r\n"},
    {"sutonnymj", "Avwg evsjvq Mvb MvB|\r\nKjg, 2024\r\n"},
    {"unicode", "আমি বাংলায় গান গাই।\r\nকলম, ২০২৪\r\n"},
};

} // namespace

TEST_F(UnicodeCli, EveryPairConvertsTheSameText) {
    for (const auto &[from, input] : kSample) {
        for (const auto &[to, expected] : kSample) {
            SCOPED_TRACE(from + " -> " + to);
            const RunResult r = run(kTables + " --from " + from + " --to " + to, input);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, expected);
            EXPECT_EQ(r.err, "");
        }
    }
}

TEST_F(UnicodeCli, TheDefaultPairIsTheOriginalConversionByteForByte) {
    const std::string input = "kA kE.\nxyz 12 kAxa\n\xE9\x81";
    const RunResult plain = run(kTables, input);
    const RunResult named =
        run(kTables + " --from roman --to sutonnymj --generation classic", input);
    EXPECT_EQ(plain.status, 3); // "xyz" and "kAxa" stop early
    EXPECT_EQ(named.status, plain.status);
    EXPECT_EQ(named.out, plain.out);
    EXPECT_EQ(named.err, plain.err);
    EXPECT_EQ(plain.out, "Kv \x86K|\r\n 12 Kv\r\n\xE9\x81");
}

TEST_F(UnicodeCli, LineBreaksStayAsTheyCame) {
    const struct {
        std::string args, input, output;
    } cases[] = {
        {"--to unicode", "AmI\ntUmI\r\nsE\rtA", "আমি\nতুমি\r\nসে\rতা"},
        {"--from unicode", "আমি\nতুমি\r\nসে\rতা", "Avwg\nZzwg\r\n\x86m\rZv"},
        {"--from unicode --to roman", "আমি\nতুমি\r\nসে\n", "AmI\ntUmI\r\nsE\n"},
        {"--from sutonnymj --to unicode", "Avwg\nZzwg\r\n", "আমি\nতুমি\r\n"},
        {"--from sutonnymj --to roman", "Avwg\nZzwg\r\n", "AmI\ntUmI\r\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        const RunResult r = run(kTables + " " + c.args, c.input);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, c.output);
    }
}

TEST_F(UnicodeCli, WhatHasNoSpellingIsWrittenAsItCameNamedAndExitsWith3) {
    const struct {
        std::string args, input, output, err;
    } cases[] = {
        {"--from unicode", "আমি abc\nx ১", "Avwg abc\nx 1",
         "kestrum-convert: line 1, column 5: \"abc\" (U+0061 U+0062 U+0063) has no spelling in "
         "sutonnymj; written as it came\n"
         "kestrum-convert: line 2, column 1: \"x\" (U+0078) has no spelling in sutonnymj; "
         "written as it came\n"},
        {"--from unicode --to roman", "কলম ঌঌঌঌঌ\r\nকঈ.", "kOlOm ঌঌঌঌঌ\r\nকঈ.",
         "kestrum-convert: line 1, column 5: \"ঌঌঌঌঌ\" has no spelling in roman; written as it "
         "came\n"
         "kestrum-convert: line 2, column 1: \"কঈ.\" (U+0995 U+0988 U+002E) has no spelling in "
         "roman; written as it came\n"},
        {"--from sutonnymj --to roman", "Kjg\nKC", "kOlOm\nকঈ",
         "kestrum-convert: line 2, column 1: \"কঈ\" (U+0995 U+0988) has no spelling in roman; "
         "written as it came\n"},
        // The output keeps the text as it came; what is said of it on the terminal never
        // holds a control character.
        {"--from unicode --to roman", "আমি\x1B]0;PWNED\x07\x1B[31mred\u202E\n",
         "AmI\x1B]0;PWNED\x07\x1B[31mred\u202E\n",
         "kestrum-convert: line 1, column 4: \"U+001B\" (U+001B) has no spelling in roman; "
         "written as it came\n"
         "kestrum-convert: line 1, column 6: \"0\" (U+0030) has no spelling in roman; written "
         "as it came\n"
         "kestrum-convert: line 1, column 8: \"PWNEDU+0007U+001B\" has no spelling in roman; "
         "written as it came\n"
         "kestrum-convert: line 1, column 16: \"31mredU+202E\" has no spelling in roman; "
         "written as it came\n"},
        {"--from unicode", "\u200F\u061C\u2066\u0085\x7F", "\u200F\u061C\u2066\u0085\x7F",
         "kestrum-convert: line 1, column 1: \"U+200FU+061CU+2066U+0085U+007F\" has no spelling "
         "in sutonnymj; written as it came\n"},
        // A long part shows its first 40 characters and its length.
        {"--from unicode --to roman", std::string(50, 'x') + " কলম",
         std::string(50, 'x') + " kOlOm",
         "kestrum-convert: line 1, column 1: \"" + std::string(40, 'x') +
             "...\" (50 characters) has no spelling in roman; written as it came\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        const RunResult r = run(kTables + " " + c.args, c.input);
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.out, c.output);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST_F(UnicodeCli, PartsPastAThousandAreCountedInOneLine) {
    std::string input;
    for (int i = 0; i < 1003; ++i)
        input += "a b ";
    for (const char *to : {"roman", "sutonnymj"}) {
        SCOPED_TRACE(to);
        const RunResult r = run(kTables + " --from unicode --to " + std::string(to), input);
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.out, input);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1001);
        EXPECT_TRUE(r.err.ends_with("column 1999: \"b\" (U+0062) has no spelling in " +
                                    std::string(to) +
                                    "; written as it came\n"
                                    "kestrum-convert: ... and 1006 more parts with no spelling\n"))
            << r.err.substr(r.err.size() - std::min<std::size_t>(r.err.size(), 300));
    }
}

TEST_F(UnicodeCli, InvalidUtf8IsRefusedWithItsByteOffset) {
    for (const auto &[input, offset] : std::map<std::string, std::string>{
             {"ab\xC3(", "2"}, {"\xEF\xBB\xBF\xE0\xA6", "3"}, {"\xED\xA0\x80", "0"}}) {
        SCOPED_TRACE(offset);
        const RunResult r = run(kTables + " --from unicode --to roman", input);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "kestrum-convert: the input is not valid UTF-8 (at byte offset " + offset +
                             ")\n");
    }
    // A byte-order mark is no character of the text.
    EXPECT_EQ(run("--from unicode", "\xEF\xBB\xBFআমি").out, "Avwg");
}

TEST_F(UnicodeCli, TheGenerationDecidesHowTheDisputedBytesRead) {
    const std::string input = "wkÿv ev¯Íe";
    std::string bytes; // the Windows-1252 bytes of the text above
    for (std::size_t i = 0; i < input.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(input[i]);
        if (c < 0x80) {
            bytes.push_back(char(c));
        } else {
            bytes.push_back(char(((c & 0x1F) << 6) | (input[i + 1] & 0x3F)));
            ++i;
        }
    }
    EXPECT_EQ(run("--from sutonnymj --to unicode", bytes).out, "শিক্ষা বাস্তব");
    EXPECT_EQ(run("--from sutonnymj --to unicode --generation=new", bytes).out, "শিক্ষা বাস্তব");
    EXPECT_EQ(run("--from sutonnymj --to unicode --generation classic", bytes).out, "শিড়্গা বাস্ত্মব");
}

TEST_F(UnicodeCli, OptionErrorsHelpAndTheTablesOnlyWhereNeeded) {
    const struct {
        std::string args;
        int status;
        const char *needle;
    } cases[] = {
        {"--from latin", 2, "unknown --from format \"latin\""},
        {"--to=bijoy", 2, "unknown --to format \"bijoy\""},
        {"--generation old", 2, "unknown --generation \"old\""},
        {"--to", 2, "--to needs a value"},
        {"--help", 0, "--from FORMAT"},
        {"--help", 0, "--generation GEN"},
        {"--help", 0, "3 when something could not be converted"},
        {"--help", 0, "kestrum-convert --from unicode --to roman"},
        {"--tables /no/such/folder --from roman --to unicode", 1, "first.alpha: cannot open"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        const RunResult r = run(c.args, "");
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE((c.status == 0 ? r.out : r.err).find(c.needle), std::string::npos)
            << r.out << r.err;
    }
    // Glyph codes and Unicode need no tables.
    const RunResult r = run("--tables /no/such/folder --from unicode --to sutonnymj", "আমি");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Avwg");
}
