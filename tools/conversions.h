// kestrum-convert's conversions between romanised text, SutonnyMJ glyph codes and Unicode.
#pragma once

#include "engine.h"
#include "glyphtable.h"

#include <functional>
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

// The lines that name the parts of a text with no spelling in the target, in the order the
// parts stand: one line for each of the first kShownParts, then one closing line that counts
// the rest. A part's line shows at most its first kShownCharacters characters and then its
// length, and every control character as its code.
class UnspelledReport {
public:
    static constexpr std::size_t kShownParts = 1000;
    static constexpr std::size_t kShownCharacters = 40;
    using Write = std::function<void(std::string line)>;

    UnspelledReport(Format to, Write write) : m_to(to), m_write(std::move(write)) {}
    // A part at `line` and `column` of `length` characters, the first of which are `shown`
    // (more than kShownCharacters of them are not needed).
    void part(std::size_t line, std::size_t column, std::u32string_view shown, std::size_t length);
    // The closing line, when some parts were not shown.
    void finish();
    std::size_t parts() const { return m_parts; }

private:
    Format m_to;
    Write m_write;
    std::size_t m_parts = 0;
};

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
// reported by the engine's conversion log as always; each line of roman input that holds UTF-8
// Bengali is named (its bytes pass through the engine unchanged) and gives status 3. Roman to
// sutonnymj is not converted here: the program keeps its original path for it. The program
// converts through Unicode a piece at a time (convertThroughUnicode in streaming.h); this
// conversion of the whole text at once is the reference its tests compare it with.
Outcome convert(std::string_view input, Format from, Format to, sutonnymj::Generation g,
                Engine *engine);

} // namespace kestrum::convert
