// kestrum-convert's conversions between romanised text, SutonnyMJ glyph codes and Unicode.
#pragma once

#include "engine.h"
#include "glyphtable.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::convert {

// roman: the keys of the tables, as Windows-1252 bytes; sutonnymj: glyph codes, bytes;
// unicode: UTF-8.
enum class Format { Roman, SutonnyMJ, Unicode };

std::optional<Format> formatFromName(std::string_view name);
std::string_view formatName(Format format);
std::optional<sutonnymj::Generation> generationFromName(std::string_view name);

struct Outcome {
    // 0: converted; 1: the input cannot be read (invalid UTF-8); 3: converted, but some parts
    // had no spelling in the target and were written as they came.
    int status = 0;
    std::string output;
    // Lines for standard error, without the program name and the final newline.
    std::vector<std::string> messages;
};

// Converts `input` from one format to another; `engine` converts roman text and supplies the
// tables for romanising (it may be null when neither side is roman). Line breaks stay as they
// came (CR LF, LF or CR). Glyph codes are read in generation `g`. Each part with no spelling
// in the target is written as it came, as UTF-8, and named in one message with its line and
// column (counted in characters of the Unicode text: the input's for unicode, the decoded
// text's for sutonnymj). Words of roman input that the tables cannot convert to their end are
// reported by the engine's conversion log as always and change no status; each line of roman
// input that holds UTF-8 Bengali is named (its bytes pass through the engine unchanged) and
// gives status 3. Roman to sutonnymj is not converted here: the program keeps its original
// path for it.
Outcome convert(std::string_view input, Format from, Format to, sutonnymj::Generation g,
                Engine *engine);

} // namespace kestrum::convert
