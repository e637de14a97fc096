// kestrum-convert's conversions that read their input a piece at a time, so a text of any size
// costs a few megabytes.
#pragma once

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

// The bytes read at a time unless a caller asks for another size.
constexpr std::size_t kDefaultChunk = std::size_t{256} << 10;

// Converts romanised text (Windows-1252 bytes) from `read` into glyph codes written to `write`,
// byte for byte as engine.convertBytes converts the whole input as one text, log lines
// included: the input is read `chunk` bytes at a time and converted up to the last byte of each
// read that is not a word character; the word that runs on is kept and converted with the next
// read. A word longer than a read keeps the input growing until it ends (the engine refuses a
// word longer than Engine::MaxWordLength with its log line). Every converted piece is written
// before the next read. The engine clears its log before each piece, as every conversion
// does: a log that is to hold the lines of the whole input must ignore clear(). `chunk` is at
// least 1.
StreamResult convertStream(Engine &engine, const ReadSome &read, const WriteAll &write,
                           std::size_t chunk = kDefaultChunk);

// Copies the input to the output, `chunk` bytes at a time.
StreamResult copyStream(const ReadSome &read, const WriteAll &write,
                        std::size_t chunk = kDefaultChunk);

} // namespace kestrum::convert
