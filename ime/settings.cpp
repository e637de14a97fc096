// The input method's settings file.
#include "settings.h"

#include "fileio.h"

#include <cstdlib>
#include <sstream>
#include <system_error>

namespace kestrum::ime {

namespace fs = std::filesystem;

fs::path settingsFile(const std::string &name) {
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && fs::path(xdg).is_absolute())
        return fs::path(xdg) / "kestrum" / name;
    const char *home = std::getenv("HOME");
    if (home && fs::path(home).is_absolute())
        return fs::path(home) / ".config" / "kestrum" / name;
    return {};
}

Options readOptions(const fs::path &file) {
    Options options;
    const fileio::ReadResult read = fileio::readFile(file, 64 * 1024);
    if (!read.ok || read.overLimit)
        return options;
    std::istringstream lines(read.bytes);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == "output=unicode")
            options.output = Output::Unicode;
        else if (line == "output=sutonnymj")
            options.output = Output::SutonnyMJ;
        else if (line == "swap-case=true")
            options.swapCase = true;
        else if (line == "swap-case=false")
            options.swapCase = false;
        else if (line == "any-case=true")
            options.anyCase = true;
        else if (line == "any-case=false")
            options.anyCase = false;
    }
    return options;
}

bool writeOptions(const fs::path &file, const Options &options, std::string *reason) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec) {
        *reason = file.parent_path().string() + ": " + ec.message();
        return false;
    }
    std::string text = "# Kestrum's input method: output=unicode or sutonnymj; swap-case and "
                       "any-case=true or false\n";
    text += options.output == Output::SutonnyMJ ? "output=sutonnymj\n" : "output=unicode\n";
    text += options.swapCase ? "swap-case=true\n" : "swap-case=false\n";
    text += options.anyCase ? "any-case=true\n" : "any-case=false\n";
    if (!fileio::writeFileAtomically(file, text, reason)) {
        *reason = file.string() + ": " + *reason;
        return false;
    }
    return true;
}

} // namespace kestrum::ime
