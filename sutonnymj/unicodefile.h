// A file of Unicode Bengali as the programs open it: UTF-8 bytes (a byte-order mark at the start
// left out) to text, and the text romanised into the keys of the loaded tables, each part with
// no spelling listed with its line and column. The editor's Open Unicode File and
// kestrum-convert's unicode input both go through here; romaniseWithPositions works on any
// piece of a text as well as on a whole file.
#pragma once

#include "romaniser.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::sutonnymj {

// Line and column, both from 1 and counted in characters, of offsets into a text; CR LF, LF and
// CR each end a line. A text that comes a piece at a time is counted piece by piece: each
// piece starts where the one before ended (its end()); a piece must not end between the CR and
// the LF of a CR LF.
class LinePositions {
public:
    struct Position {
        std::size_t line;
        std::size_t column;
    };
    explicit LinePositions(std::u32string_view text, Position start = {1, 1});
    Position at(std::size_t offset) const;
    // Where a character after the text would stand.
    Position end() const { return at(m_size); }

private:
    std::vector<std::size_t> m_lineStarts;
    Position m_start;
    std::size_t m_size;
};

// Whether a file ends with one line break (CR LF or LF) that is to be left out, as the editor
// leaves out the one its saves append.
enum class FinalLineBreak { Keep, Drop };

struct UnicodeFileText {
    std::u32string text; // empty when the bytes are not UTF-8
    // The offset, from the file's first byte (a byte-order mark counted), of the first byte that
    // is not part of a UTF-8 character; none for a UTF-8 file.
    std::optional<std::size_t> badOffset;
};
// The text of a UTF-8 file, strictly decoded.
UnicodeFileText readUnicodeFile(std::string_view bytes,
                                FinalLineBreak finalBreak = FinalLineBreak::Keep);

struct RomanisedPart {
    std::size_t offset;    // index into the romanised text
    std::size_t length;    // characters of it
    std::size_t outOffset; // index into the keys
    std::size_t line;      // where it stands in the romanised text
    std::size_t column;
};
struct RomanisedText {
    std::u32string keys; // Romaniser::romaniseText's text: every unspelled part as it came
    std::vector<RomanisedPart> unspelled;
};
// `text` romanised (Romaniser::romaniseText), each unspelled part with its line and column.
RomanisedText romaniseWithPositions(Romaniser &romaniser, std::u32string_view text);

struct RomanisedFile {
    UnicodeFileText file; // the decoded text, or where it is not UTF-8
    RomanisedText roman;  // empty when the file is not UTF-8
};
// readUnicodeFile, then romaniseWithPositions over its text.
RomanisedFile romaniseUnicodeFile(Romaniser &romaniser, std::string_view bytes,
                                  FinalLineBreak finalBreak = FinalLineBreak::Keep);

} // namespace kestrum::sutonnymj
