// kestrum-convert's conversions that read their input a piece at a time, so a text of any size
// costs a few megabytes.
#pragma once

#include "conversions.h"
#include "engine.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kestrum::convert {

// Where the input comes from: reads up to `size` bytes into `buffer` and returns the number
// read, 0 at the end of the input, or -1 on a read error.
using ReadSome = std::function<std::ptrdiff_t(char *buffer, std::size_t size)>;
// Where the output goes: false when the bytes could not be written.
using WriteAll = std::function<bool(std::string_view bytes)>;

enum class StreamResult { Done, ReadFailed, WriteFailed };

// What roman text is read as before it is converted (kestrum-convert --any-case reads each
// word as the input method does): given a piece that ends where a word does, the piece with
// its words replaced. Words longer than 64 letters must be kept as they are. Empty: as typed.
using Resolve = std::function<std::string(std::string_view piece)>;

// The bytes read at a time unless a caller asks for another size.
constexpr std::size_t kDefaultChunk = std::size_t{256} << 10;

// Converts romanised text (Windows-1252 bytes) from `read` into glyph codes written to `write`,
// byte for byte as engine.convertBytes converts the whole input as one text, log lines
// included: the input is read `chunk` bytes at a time and converted up to the last byte of each
// read that is not a word character; the word that runs on is kept and converted with the next
// read. A word longer than a read and than 64 letters is converted unit by unit as it comes
// (Engine::convertUnit), holding only the few letters a unit depends on, with the glyphs and the
// log line (Engine::failureLine) of the whole word; such a word has no length limit and calls no
// yieldToUi hook. Every converted piece is written before the next read. The engine clears its log
// before each piece, as every conversion does: a log that is to hold the lines of the whole input
// must ignore clear(). `chunk` is at least 1.
StreamResult convertStream(Engine &engine, const ReadSome &read, const WriteAll &write,
                           std::size_t chunk = kDefaultChunk, const Resolve &resolve = {});

// Where the diagnostics go: one line each, without the program's name and the final newline.
using WriteLine = std::function<void(std::string_view line)>;

struct UnicodeStreamOutcome {
    StreamResult result = StreamResult::Done;
    // As Outcome::status: 0 converted; 1 the input is not UTF-8; 3 some part had no spelling
    // in the target, or roman input held UTF-8 Bengali.
    int status = 0;
};

// Converts from one format to another through Unicode (every pair but roman to sutonnymj and a
// format to itself other than unicode), `chunk` bytes read at a time, with the output and the
// diagnostics that convert() (conversions.h) gives for the whole input, in the same order but
// for the lines that name UTF-8 Bengali in roman input, which come as their lines are read.
// Each piece is converted up to the end of its last character outside a Bengali word (a
// Bengali word of more than Romaniser::kMaxWordLength characters going to roman is written as
// it comes: it has no spelling whatever follows; a roman word longer than a read converts as it
// comes, as in convertStream) and written before the next read. Input that
// is not UTF-8 stops the conversion with status 1 and its message; what came before the piece
// that holds the bad byte has been written. `engine` converts roman text and supplies the
// tables for romanising (it may be null when neither side is roman).
UnicodeStreamOutcome convertThroughUnicode(Format from, Format to, sutonnymj::Generation g,
                                           Engine *engine, const ReadSome &read,
                                           const WriteAll &write, const WriteLine &message,
                                           std::size_t chunk = kDefaultChunk,
                                           const Resolve &resolve = {});

// Copies the input to the output, `chunk` bytes at a time.
StreamResult copyStream(const ReadSome &read, const WriteAll &write,
                        std::size_t chunk = kDefaultChunk);

} // namespace kestrum::convert
