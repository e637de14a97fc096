// The tables and the conversion the input contexts of one input method share.
#pragma once

#include "decoder.h"
#include "engine.h"

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace kestrum::ime {

// The tables and the conversion that every input context of one input method shares: an engine
// of its own over the loaded tables and a glyph-code reader. Not thread-safe; the frameworks
// call their engines from one thread.
class Converter {
public:
    // Loads the four table files from `dir`; throws TableLoadError (its message names the file
    // and what is wrong) when they cannot be read.
    explicit Converter(const std::filesystem::path &dir);
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    Engine &engine() { return m_engine; }
    // Appends the glyphs of the word `keys` (word characters only) to `glyphs`, as far as it
    // converts; whether it converts to its end.
    bool convertWord(std::string_view keys, std::string &glyphs);
    // Appends the Unicode of glyph bytes, read as the recent SutonnyMJ fonts draw them.
    void decode(std::string_view glyphs, std::u32string &out);
    // What the conversion writes for an ASCII character that is no word character (a digit and
    // most signs as they are, "." as "|", a line feed as CR LF).
    std::string_view passing(char c) const { return m_passing[static_cast<unsigned char>(c)]; }

private:
    Engine m_engine;
    sutonnymj::Decoder m_decoder;
    std::array<std::string, 128> m_passing;
};

// The tables of the input method, found the way the program finds them (the user's own copy
// first, then the installed ones) for a module that lies in `moduleDir`, `moduleToPrograms`
// (relative) away from the programs' folder; or the message that says why they cannot be read.
std::variant<std::unique_ptr<Converter>, std::string>
loadConverter(const std::filesystem::path &moduleDir,
              const std::filesystem::path &moduleToPrograms);

} // namespace kestrum::ime
