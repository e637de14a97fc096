// kestrum-convert as a user runs it: options, table folder, files and standard input, errors,
// and bytes passing through unchanged.
#include "../engine/fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>

using kestrum::test::TableFolder;

namespace {

const std::string kProgram = std::string(KESTRUM_BIN_DIR) + "/kestrum-convert";

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

std::string readFile(const std::filesystem::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ConvertCli : public ::testing::Test {
protected:
    // Runs the program with `args` (shell words) and `input` on standard input, with the
    // environment assignments `env` (shell words) when given.
    RunResult run(const std::string &args, const std::string &input = "",
                  const std::string &env = "") {
        const auto in = folder.path() / "stdin";
        const auto out = folder.path() / "stdout";
        const auto err = folder.path() / "stderr";
        std::ofstream(in, std::ios::binary) << input;
        // A program that hangs (on a FIFO, say) fails the test after 20 s instead of stopping
        // the whole run.
        const std::string command = env + " timeout 20 " + kProgram + " " + args + " <" +
                                    in.string() + " >" + out.string() + " 2>" + err.string();
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
    }
    std::string tables() { return "--tables " + folder.path().string(); }

    TableFolder folder;
};

} // namespace

TEST_F(ConvertCli, ConvertsStandardInputAsOneText) {
    // A word that could not be converted to its end exits with 3, as a part with no spelling
    // does in every other mode.
    const RunResult r = run(tables(), "kA kE.\nxyz 12 kAxa\n");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "Kv \x86K|\r\n 12 Kv\r\n");
    EXPECT_EQ(r.err, "Position:1 Word:xyz\nPosition:3 Word:kAxa\n");
}

TEST_F(ConvertCli, ReadsAFileAndTheTablesOptionInBothSpellings) {
    const auto file = folder.path() / "input.txt";
    std::ofstream(file, std::ios::binary) << "kOO";
    for (const std::string &option : {tables(), "--tables=" + folder.path().string()}) {
        const RunResult r = run(option + " " + file.string());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "\x86Kv");
    }
}

TEST_F(ConvertCli, PassesEveryByteOutsideWordsDigitsAndLineBreaksUnchanged) {
    std::string input;
    for (int b = 0; b < 256; ++b) {
        if (!kestrum::isWordChar(static_cast<unsigned char>(b)) && b != '\r' && b != '\n' &&
            b != '.')
            input.push_back(static_cast<char>(b));
    }
    const RunResult r = run(tables(), input);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, input);
    EXPECT_EQ(r.err, "");
}

TEST_F(ConvertCli, EmptyInputGivesEmptyOutput) {
    const RunResult r = run(tables(), "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(ConvertCli, ReportsAMissingOrShortTableFileAndFails) {
    std::ofstream(folder.path() / "connect.alpha", std::ios::binary) << "A,v\r\nII,x\r\n";
    RunResult r = run(tables(), "kA");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "kestrum-convert: connect.alpha: record 3 of 12 is missing (the file ends "
                     "after 2 records)\n");

    std::filesystem::remove(folder.path() / "first.alpha");
    r = run(tables(), "kA");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("first.alpha: cannot open"), std::string::npos) << r.err;
}

// A folder, a FIFO or a device where a file is expected: one clear line and status 1, never an
// abort (status 134) or a wait for a writer that never comes.
TEST_F(ConvertCli, RefusesWhatIsNotARegularFile) {
    const auto dir = folder.path();
    struct {
        const char *name;
        std::function<void()> make; // makes the file unusable
        std::string args;
        std::string message;
    } cases[] = {
        {"input_is_a_folder", [] {}, tables() + " " + dir.string(),
         "kestrum-convert: cannot open " + dir.string() + ": Is a directory\n"},
        {"input_is_a_fifo", [&] { ::mkfifo((dir / "in.fifo").c_str(), 0600); },
         tables() + " " + (dir / "in.fifo").string(),
         "kestrum-convert: cannot open " + (dir / "in.fifo").string() +
             ": not a regular file (a FIFO)\n"},
        {"input_is_a_device", [] {}, tables() + " /dev/null",
         "kestrum-convert: cannot open /dev/null: not a regular file (a character device)\n"},
        {"table_is_a_folder",
         [&] {
             std::filesystem::remove(dir / "first.alpha");
             std::filesystem::create_directory(dir / "first.alpha");
         },
         tables(),
         "kestrum-convert: first.alpha: cannot open " + (dir / "first.alpha").string() +
             ": Is a directory\n"},
        {"table_is_a_fifo",
         [&] {
             std::filesystem::remove(dir / "next.alpha");
             ::mkfifo((dir / "next.alpha").c_str(), 0600);
         },
         tables(),
         "kestrum-convert: next.alpha: cannot open " + (dir / "next.alpha").string() +
             ": not a regular file (a FIFO)\n"},
        {"table_has_a_utf8_byte_order_mark",
         [&] {
             const std::string old = readFile(dir / "joint.alpha");
             std::ofstream(dir / "joint.alpha", std::ios::binary) << "\xEF\xBB\xBF" << old;
         },
         tables(),
         "kestrum-convert: joint.alpha: the file is saved as UTF-8 with a byte-order mark; "
         "table files are 8-bit Windows-1252 text\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TableFolder fresh; // each case starts from good tables
        for (const char *file : {"first.alpha", "next.alpha", "connect.alpha", "joint.alpha"}) {
            std::filesystem::remove_all(dir / file);
            std::filesystem::copy_file(fresh.path() / file, dir / file);
        }
        c.make();
        const RunResult r = run(c.args, "kA");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.message);
    }
}

TEST_F(ConvertCli, UsageErrorsHelpAndVersion) {
    struct {
        std::string args;
        int status;
        const char *needle; // expected in stdout (status 0) or stderr
    } cases[] = {
        {"--help", 0, "Usage: kestrum-convert [--any-case] [--tables DIR] [FILE]"},
        {"--help", 0, "  --any-case     read each word typed all in lower case"},
        {"--any-case --from unicode", 2, "--any-case reads romanised text"},
        {"--any-case --to roman", 2, "--any-case reads romanised text"},
        {"--version", 0, "kestrum-convert "},
        {"--bogus", 2, "unknown option --bogus"},
        {"--tables", 2, "--tables needs a folder"},
        {tables() + " a b", 2, "too many files"},
        {tables() + " /no/such/file", 1, "cannot open /no/such/file"},
        // A file name reaches the terminal with its controls as their codes.
        {tables() + " \"$(printf '/no/such/\\033]0;T\\007')\"", 1,
         "cannot open /no/such/U+001B]0;TU+0007:"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        const RunResult r = run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE((c.status == 0 ? r.out : r.err).find(c.needle), std::string::npos)
            << r.out << r.err;
    }
}

TEST_F(ConvertCli, FindsTheTablesBesideTheProgramByDefault) {
    const auto beside = std::filesystem::path(KESTRUM_BIN_DIR) / "first.alpha";
    if (!std::filesystem::exists(beside))
        GTEST_SKIP() << "no table files beside the program";
    const RunResult r = run("", "k");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.out.empty());
}

// The program reads its input a piece at a time (KESTRUM_CONVERT_CHUNK bytes, for tests): from a
// file and from standard input, every size of piece gives the bytes, log lines and status of
// reading the input whole (these inputs fit in one piece of the usual size).
TEST_F(ConvertCli, ReadsInPiecesOfEverySizeAsOneText) {
    std::mt19937 random(7);
    const char *parts[] = {
        "kA", "kE", "kOO", "xyz",  "kAxa",
        "~t", "&",  " ",   "\r\n", "\n",
        "\r", ".",  "12",  "\xE9", "kAkAkAkAkAkAkAkAkAkAkAkAkAkAkAkAkAkAkAkAkAkA"};
    for (int trial = 0; trial < 2; ++trial) {
        std::string input;
        while (input.size() < 300)
            input += parts[random() % std::size(parts)];
        const auto file = folder.path() / "pieces.txt";
        std::ofstream(file, std::ios::binary) << input;
        const RunResult whole = run(tables(), input);
        ASSERT_EQ(whole.status, 3) << whole.err;
        ASSERT_FALSE(whole.err.empty()); // some words stop early: the log is compared too
        for (int chunk = 1; chunk <= 64; ++chunk) {
            const std::string env = "KESTRUM_CONVERT_CHUNK=" + std::to_string(chunk);
            for (const bool fromFile : {false, true}) {
                SCOPED_TRACE("trial " + std::to_string(trial) + ", pieces of " +
                             std::to_string(chunk) + (fromFile ? ", file" : ", standard input"));
                const RunResult r = fromFile ? run(tables() + " " + file.string(), "", env)
                                             : run(tables(), input, env);
                EXPECT_EQ(r.status, 3);
                EXPECT_EQ(r.out, whole.out);
                EXPECT_EQ(r.err, whole.err);
            }
        }
    }
}

// A CR that ends one piece and the LF that starts the next still make one line break, and a
// lone CR at a piece's end is still dropped; a format to itself is copied piece by piece.
TEST_F(ConvertCli, LineBreaksAcrossPiecesAndCopiesInPieces) {
    struct {
        const char *input;
        int chunk;
        const char *args;
        const char *out;
    } cases[] = {
        {"kA\r\nkE", 3, "", "Kv\r\n\x86K"},
        {"kA\r\nkE", 4, "", "Kv\r\n\x86K"},
        {"kA\r\r\nkE\r", 3, "", "Kv\r\n\x86K"},
        {"kA\rkE", 3, "", "Kv\x86K"},
        {"kA\r\nkE.\r", 2, "--from roman --to roman", "kA\r\nkE.\r"},
        {"Kv\r\n\x86K", 1, "--from sutonnymj --to sutonnymj", "Kv\r\n\x86K"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input);
        const RunResult r = run(tables() + " " + c.args, c.input,
                                "KESTRUM_CONVERT_CHUNK=" + std::to_string(c.chunk));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, c.out);
    }
}

// Unicode Bengali in romanised input (romanised text that kept a word as it came, say) passes
// through unchanged, and each line that holds it is named, however the input is cut in pieces
// (a character split between two of them included), and status 3 says so.
TEST_F(ConvertCli, NamesUnicodeBengaliInRomanisedInputAndPassesItThrough) {
    const std::string bengali = "\xE0\xA6\x86\xE0\xA6\xAE\xE0\xA6\xBF"; // আমি
    const std::string input = "kA " + bengali + " kA\n\xE2\x80\x9C \xE0\xA6\x95\r\n\xE9kA\n";
    const std::string err = "kestrum-convert: line 1, column 4: Unicode Bengali in romanised "
                            "input: use --from unicode\n"
                            "kestrum-convert: line 2, column 3: Unicode Bengali in romanised "
                            "input: use --from unicode\n";
    for (int chunk = 1; chunk <= 9; ++chunk) {
        SCOPED_TRACE("pieces of " + std::to_string(chunk));
        const RunResult r = run(tables(), input, "KESTRUM_CONVERT_CHUNK=" + std::to_string(chunk));
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.out, "Kv " + bengali + " Kv\r\n\xE2\x80\x9C \xE0\xA6\x95\r\n\xE9Kv\r\n");
        EXPECT_EQ(r.err, err);
    }
    const RunResult r = run(tables() + " --to unicode", input);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, err);
}

// Standard input or output that cannot be used: one line that says why, status 1.
TEST_F(ConvertCli, ReportsStandardInputAndOutputThatFail) {
    const std::string dir = folder.path().string();
    struct {
        std::string command;
        std::string message;
    } cases[] = {
        {kProgram + " " + tables() + " <" + dir, "cannot read standard input: Is a directory"},
        {"echo kA | " + kProgram + " " + tables() + " >/dev/full",
         "cannot write standard output: No space left on device"},
        {"echo kA | " + kProgram + " " + tables() + " --from roman --to roman >/dev/full",
         "cannot write standard output: No space left on device"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.command);
        const auto err = folder.path() / "stderr";
        const int raw = std::system((c.command + " 2>" + err.string()).c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
        EXPECT_EQ(readFile(err), "kestrum-convert: " + c.message + "\n");
    }
}
