// kestrum-convert: converts romanised Bengali text to SutonnyMJ glyph codes on the command line.
#include "engine.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

namespace {

constexpr std::string_view kUsage =
    "Usage: kestrum-convert [--tables DIR] [FILE]\n"
    "Converts romanised Bengali text to SutonnyMJ glyph codes.\n"
    "\n"
    "Reads FILE (or standard input when FILE is absent or \"-\") as Windows-1252 bytes,\n"
    "converts it as one text and writes the glyph codes to standard output, with CR LF line\n"
    "breaks. Each word that could not be converted to its end is reported on standard error\n"
    "as a line \"Position:N Word:WORD\". Bytes outside words pass through unchanged.\n"
    "\n"
    "Options:\n"
    "  --tables DIR   read first.alpha, next.alpha, connect.alpha and joint.alpha from DIR\n"
    "                 (default: the folder that holds this program)\n"
    "  --help         show this help and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read, 2 on a usage error.\n";

class StderrLog : public kestrum::ConversionLog {
public:
    void clear() override {}
    void append(std::string_view line) override
    {
        std::cerr << line << '\n';
    }
};

std::filesystem::path programFolder(const char *argv0)
{
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(argv0, ec);
    return self.parent_path();
}

int fail(int status, const std::string &message)
{
    std::cerr << "kestrum-convert: " << message << '\n';
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    std::filesystem::path tablesDir;
    std::string file;
    bool haveFile = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
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
        tablesDir = programFolder(argv[0]);

    kestrum::Engine engine;
    try {
        engine.loadTables(tablesDir);
    } catch (const kestrum::TableLoadError &error) {
        return fail(1, error.what());
    }

    std::string input;
    if (!haveFile || file == "-") {
        input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (std::cin.bad())
            return fail(1, "cannot read standard input");
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return fail(1, "cannot open " + file + ": " + std::strerror(errno));
        input.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad())
            return fail(1, "cannot read " + file);
    }

    StderrLog log;
    engine.setConversionLog(&log);
    const std::string output = engine.convertBytes(input);
    std::cout.write(output.data(), static_cast<std::streamsize>(output.size()));
    std::cout.flush();
    if (!std::cout)
        return fail(1, "cannot write standard output");
    return 0;
}
