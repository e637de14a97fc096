// kestrum-convert: converts romanised Bengali text to SutonnyMJ glyph codes on the command line,
// and between either of them and Unicode Bengali.
#include "conversions.h"
#include "datafolders.h"
#include "engine.h"
#include "fileio.h"
#include "lexicon.h"
#include "streaming.h"
#include "unicodetext.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace {

constexpr std::string_view kUsage =
    "Usage: kestrum-convert [--any-case] [--tables DIR] [FILE]\n"
    "       kestrum-convert [--from FORMAT] [--to FORMAT] [--generation GEN] [--any-case]\n"
    "                       [--tables DIR] [FILE]\n"
    "Converts romanised Bengali text to SutonnyMJ glyph codes, and between romanised text,\n"
    "SutonnyMJ glyph codes and Unicode Bengali.\n"
    "\n"
    "Reads FILE (or standard input when FILE is absent or \"-\") and writes the converted text\n"
    "to standard output.\n"
    "\n"
    "Without --from and --to (or with --from roman --to sutonnymj) it reads FILE as\n"
    "Windows-1252 bytes, converts it as one text (read a piece at a time, so an input of any\n"
    "size needs a few megabytes) and writes the glyph codes, with CR LF line breaks. Each word\n"
    "that could not be converted to its end is reported on standard error as a line\n"
    "\"Position:N Word:WORD\" (a word of more than 40 letters by its first 40 and its length).\n"
    "Bytes outside words pass through unchanged; each line that holds Unicode Bengali (UTF-8)\n"
    "is named with its line and column.\n"
    "\n"
    "Formats:\n"
    "  roman       the keys of the tables (Windows-1252 bytes)\n"
    "  sutonnymj   SutonnyMJ glyph codes (bytes)\n"
    "  unicode     Unicode Bengali, UTF-8 (a byte-order mark at the start is skipped)\n"
    "Every pair works: roman -> unicode converts and decodes the glyph codes, sutonnymj ->\n"
    "roman decodes them and finds the keys that give each word (how do I type this?), and a\n"
    "format to itself copies the input. Line breaks stay as they came (CR LF, LF or CR), except\n"
    "from roman to sutonnymj. A part with no spelling in the target (a Latin letter or another\n"
    "script going to sutonnymj, a word the tables cannot spell going to roman) is written as it\n"
    "came, as UTF-8, and named on standard error with its line and column (counted in\n"
    "characters of the Unicode text: of the input, or of the decoded glyph codes), by its\n"
    "first 40 characters, every control character written as its code (U+001B); past 1000\n"
    "parts, one closing line counts the rest. These conversions too read a piece at a time;\n"
    "input that is not UTF-8 stops at the piece that holds the first bad byte.\n"
    "\n"
    "Options:\n"
    "  --from FORMAT  what the input is: roman (default), sutonnymj or unicode\n"
    "  --to FORMAT    what to write: sutonnymj (default), unicode or roman\n"
    "  --generation GEN\n"
    "                 how glyph codes are read: new (default; recent SutonnyMJ fonts, and most\n"
    "                 text in circulation) or classic (the Bijoy 2000 layout); they read the\n"
    "                 bytes 0xCD, 0xE6, 0xF8 and 0xFF differently\n"
    "  --any-case     read each word typed all in lower case as the input method does, through\n"
    "                 Debian's Bengali word list (hunspell-bn, or the file $KESTRUM_WORD_LIST\n"
    "                 names): the word of the list its keys name in any case (ami is AmI,\n"
    "                 amar AmAr), else its letters in their commoner case; a word with a\n"
    "                 capital letter, or one of the list as typed, is taken exactly as typed.\n"
    "                 Only with --from roman and --to sutonnymj or unicode. Without the list\n"
    "                 it says so once and reads each letter in its commoner case\n"
    "  --tables DIR   read first.alpha, next.alpha, connect.alpha and joint.alpha from DIR;\n"
    "                 needed when one side is roman. Default: the first folder that holds\n"
    "                 all four of $XDG_DATA_HOME/kestrum (or ~/.local/share/kestrum), the\n"
    "                 folder of this program and ../share/kestrum beside it\n"
    "  --help         show this help and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Examples:\n"
    "  echo AmI bAnglAy gAn gAI | kestrum-convert --to unicode\n"
    "  echo ami banglay gan gai | kestrum-convert --any-case --to unicode\n"
    "  echo সূর্য | kestrum-convert --from unicode --to roman\n"
    "  kestrum-convert --from sutonnymj --to unicode --generation classic old.txt\n"
    "\n"
    "Exit status, the same in every mode: 0 on success, 1 when a file cannot be read or the\n"
    "input is not valid UTF-8, 2 on a usage error, 3 when something could not be converted\n"
    "(a word the tables stop in, a part with no spelling in the target, Unicode Bengali in\n"
    "romanised input); the rest of the output is written all the same.\n";

// Every line of the whole input: the engine clears its log for each piece it converts.
class StderrLog : public kestrum::ConversionLog {
public:
    void clear() override {}
    void append(std::string_view line) override {
        std::cerr << line << '\n';
        ++lines;
    }
    std::size_t lines = 0;
};

std::filesystem::path programFolder(const char *argv0) {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(argv0, ec);
    return self.parent_path();
}

// A file name or a part of the text in a message is written with its control characters as
// their codes, so that no input can act on the terminal.
int fail(int status, const std::string &message) {
    std::cerr << "kestrum-convert: " << kestrum::sutonnymj::escapeControlsUtf8(message) << '\n';
    return status;
}

// The value of "--name VALUE" or "--name=VALUE" at argv[i] (advancing i past it); nothing when
// argv[i] is another option, an error message in *error when the value is missing.
std::optional<std::string> optionValue(std::string_view name, int argc, char **argv, int &i,
                                       std::string *error) {
    const std::string_view arg = argv[i];
    if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=')
        return std::string(arg.substr(name.size() + 1));
    if (arg != name)
        return std::nullopt;
    if (i + 1 >= argc) {
        *error = std::string(name) + " needs a value (see --help)";
        return std::nullopt;
    }
    return std::string(argv[++i]);
}

// The bytes read at a time by the streaming conversions. KESTRUM_CONVERT_CHUNK sets it for the
// tests, which cut their inputs everywhere with small sizes; it is no option for users.
std::size_t chunkSize() {
    const char *value = std::getenv("KESTRUM_CONVERT_CHUNK");
    if (!value || !*value)
        return kestrum::convert::kDefaultChunk;
    char *end = nullptr;
    const unsigned long long size = std::strtoull(value, &end, 10);
    if (*end || size == 0 || size > (std::size_t{1} << 30))
        return kestrum::convert::kDefaultChunk;
    return static_cast<std::size_t>(size);
}

// The input, read a piece at a time: standard input, or a regular file (a folder is refused
// rather than read, and a FIFO or a device rather than waited on: standard input is the way to
// pipe text in).
class Input {
public:
    Input(bool fromStandardInput, std::string file)
        : m_standardInput(fromStandardInput), m_file(std::move(file)) {}
    // False, with the message written, when the file cannot be opened.
    bool open() {
        if (m_standardInput || m_input.open(m_file))
            return true;
        fail(1, "cannot open " + m_file + ": " + m_input.reason());
        return false;
    }
    kestrum::convert::ReadSome reader() {
        if (m_standardInput)
            return [this](char *buffer, std::size_t size) {
                return kestrum::fileio::readSome(0, buffer, size, &m_error);
            };
        return [this](char *buffer, std::size_t size) {
            const std::ptrdiff_t got = m_input.read(buffer, size);
            if (got < 0)
                m_error = m_input.reason();
            return got;
        };
    }
    int readFailed() const {
        return fail(1, "cannot read " + (m_standardInput ? "standard input" : m_file) + ": " +
                           m_error);
    }

private:
    bool m_standardInput;
    std::string m_file;
    kestrum::fileio::InputFile m_input;
    std::string m_error;
};

// Roman to sutonnymj, and a format to itself other than unicode (which checks its UTF-8 first),
// read the input a piece at a time and write each converted piece at once.
int convertStreaming(bool toItself, bool fromStandardInput, const std::string &file,
                     kestrum::Engine &engine, const kestrum::convert::Resolve &resolve) {
    Input input(fromStandardInput, file);
    if (!input.open())
        return 1;
    kestrum::convert::ReadSome read = input.reader();
    // UTF-8 Bengali in the keys passes through as bytes, as every byte outside words does, but
    // reads as glyph codes of unrelated conjuncts: each line that holds it is named.
    kestrum::sutonnymj::BengaliInRoman bengali;
    bool bengaliFound = false;
    if (!toItself) {
        read = [&bengali, &bengaliFound, inner = std::move(read)](char *buffer, std::size_t size) {
            const std::ptrdiff_t got = inner(buffer, size);
            if (got > 0) {
                for (const auto &place : bengali.find(std::string_view(buffer, std::size_t(got)))) {
                    std::cerr << "kestrum-convert: " << place.report() << '\n';
                    bengaliFound = true;
                }
            }
            return got;
        };
    }
    std::string writeError;
    const kestrum::convert::WriteAll write = [&](std::string_view bytes) {
        return kestrum::fileio::writeAll(1, bytes, &writeError);
    };
    StderrLog log;
    engine.setConversionLog(&log);
    const auto result =
        toItself ? kestrum::convert::copyStream(read, write, chunkSize())
                 : kestrum::convert::convertStream(engine, read, write, chunkSize(), resolve);
    switch (result) {
    case kestrum::convert::StreamResult::Done:
        return bengaliFound || log.lines > 0 ? 3 : 0;
    case kestrum::convert::StreamResult::ReadFailed:
        return input.readFailed();
    case kestrum::convert::StreamResult::WriteFailed:
        break;
    }
    return fail(1, "cannot write standard output: " + writeError);
}

// Every other pair goes through Unicode, a piece at a time as well.
int convertThroughUnicode(kestrum::convert::Format from, kestrum::convert::Format to,
                          kestrum::sutonnymj::Generation generation, bool fromStandardInput,
                          const std::string &file, kestrum::Engine &engine,
                          const kestrum::convert::Resolve &resolve) {
    Input input(fromStandardInput, file);
    if (!input.open())
        return 1;
    std::string writeError;
    const kestrum::convert::WriteAll write = [&](std::string_view bytes) {
        return kestrum::fileio::writeAll(1, bytes, &writeError);
    };
    const kestrum::convert::WriteLine message = [](std::string_view line) {
        std::cerr << "kestrum-convert: " << line << '\n';
    };
    StderrLog log;
    engine.setConversionLog(&log);
    const auto outcome = kestrum::convert::convertThroughUnicode(
        from, to, generation, &engine, input.reader(), write, message, chunkSize(), resolve);
    switch (outcome.result) {
    case kestrum::convert::StreamResult::Done:
        return outcome.status == 0 && log.lines > 0 ? 3 : outcome.status;
    case kestrum::convert::StreamResult::ReadFailed:
        return input.readFailed();
    case kestrum::convert::StreamResult::WriteFailed:
        break;
    }
    return fail(1, "cannot write standard output: " + writeError);
}

} // namespace

int main(int argc, char **argv) {
    using kestrum::convert::Format;
    std::filesystem::path tablesDir;
    std::string file;
    bool haveFile = false;
    Format from = Format::Roman;
    Format to = Format::SutonnyMJ;
    kestrum::sutonnymj::Generation generation = kestrum::sutonnymj::Generation::New;
    bool anyCase = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::string error;
        if (arg == "--any-case") {
            anyCase = true;
            continue;
        }
        if (const auto value = optionValue("--from", argc, argv, i, &error)) {
            const auto format = kestrum::convert::formatFromName(*value);
            if (!format)
                return fail(2, "unknown --from format \"" + *value +
                                   "\" (roman, sutonnymj or unicode; see --help)");
            from = *format;
            continue;
        }
        if (const auto value = optionValue("--to", argc, argv, i, &error)) {
            const auto format = kestrum::convert::formatFromName(*value);
            if (!format)
                return fail(2, "unknown --to format \"" + *value +
                                   "\" (sutonnymj, unicode or roman; see --help)");
            to = *format;
            continue;
        }
        if (const auto value = optionValue("--generation", argc, argv, i, &error)) {
            const auto g = kestrum::convert::generationFromName(*value);
            if (!g)
                return fail(2,
                            "unknown --generation \"" + *value + "\" (new or classic; see --help)");
            generation = *g;
            continue;
        }
        if (!error.empty())
            return fail(2, error);
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "kestrum-convert " << KESTRUM_VERSION << '\n';
            return 0;
        }
        if (arg == "--tables" || arg.starts_with("--tables=")) {
            if (arg == "--tables") {
                if (i + 1 >= argc)
                    return fail(2, "--tables needs a folder (see --help)");
                tablesDir = argv[++i];
            } else {
                tablesDir = std::string(arg.substr(9));
            }
            continue;
        }
        if (arg == "--") {
            if (i + 1 < argc) {
                file = argv[++i];
                haveFile = true;
            }
            if (i + 1 < argc)
                return fail(2, "too many files (see --help)");
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-')
            return fail(2, "unknown option " + std::string(arg) + " (see --help)");
        if (haveFile)
            return fail(2, "too many files (see --help)");
        file = std::string(arg);
        haveFile = true;
    }
    if (tablesDir.empty())
        tablesDir = kestrum::findTablesDir(programFolder(argv[0]));

    // Glyph codes and Unicode convert into each other without the tables.
    const bool needsTables = from == Format::Roman || to == Format::Roman;
    kestrum::Engine engine;
    try {
        if (needsTables)
            engine.loadTables(tablesDir);
    } catch (const kestrum::TableLoadError &error) {
        return fail(1, error.what());
    }

    // Words typed in lower case read through Debian's word list, as the input method reads them.
    std::unique_ptr<kestrum::ime::Converter> typing;
    std::unique_ptr<kestrum::ime::Lexicon> lexicon;
    kestrum::convert::Resolve resolve;
    if (anyCase) {
        if (from != Format::Roman || to == Format::Roman)
            return fail(2, "--any-case reads romanised text: it takes --from roman and --to "
                           "sutonnymj or unicode (see --help)");
        try {
            typing = std::make_unique<kestrum::ime::Converter>(tablesDir);
        } catch (const kestrum::TableLoadError &error) {
            return fail(1, error.what());
        }
        lexicon = kestrum::ime::Lexicon::forUser(*typing);
        lexicon->waitUntilReady();
        if (!lexicon->index())
            std::cerr << "kestrum-convert: "
                      << kestrum::sutonnymj::escapeControlsUtf8(
                             "--any-case without the word list (" + lexicon->problem() +
                             "; install hunspell-bn): words in lower case are read with each "
                             "letter in its commoner case")
                      << '\n';
        resolve = [&lexicon](std::string_view piece) { return lexicon->resolveText(piece); };
    }

    const bool fromStandardInput = !haveFile || file == "-";
    const bool toItself = from == to && from != Format::Unicode;
    if (toItself || (from == Format::Roman && to == Format::SutonnyMJ))
        return convertStreaming(toItself, fromStandardInput, file, engine, resolve);

    return convertThroughUnicode(from, to, generation, fromStandardInput, file, engine, resolve);
}
