// Reading comma- and line-separated fields from 8-bit text, as sequential text input does.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// Splits text into fields. Fields are separated by commas or line ends (CR LF, LF or CR);
// blanks (spaces and tabs) before a field are skipped; a field that begins with a double quote
// runs to the next double quote, the quotes are not part of the value and the value may hold
// commas and line breaks; anything after the closing quote up to the next separator is
// dropped. An unquoted field keeps its characters up to the separator as they are.
//
// The text comes from memory or from a source read on demand; only the field being read is
// held, and a field keeps at most MaxFieldLength bytes (the rest of it is read past and
// dropped), so a reader costs little memory whatever the size of what it reads.
class FieldReader {
public:
    // Fills `buffer` with up to `size` further bytes: the number given, 0 at the end of the
    // text, or a negative number for a read error (the reader then ends; see failed()).
    using Source = std::function<std::ptrdiff_t(char *buffer, std::size_t size)>;

    static constexpr std::size_t MaxFieldLength = 4096;

    // Reads `text`, which must outlive the reader.
    explicit FieldReader(std::string_view text) : m_data(text) {}
    explicit FieldReader(Source source) : m_source(std::move(source)) {}

    // The next field, or nothing when the text is used up (or a read failed).
    std::optional<std::string> next();
    bool atEnd();
    // A read of the source failed; the fields handed out before it are good.
    bool failed() const { return m_failed; }
    // Bytes taken from the source or the text so far.
    std::size_t consumed() const { return m_consumedBefore + m_pos; }

private:
    // The byte at the read position, reading more from the source when needed; -1 at the end.
    int peek();
    bool refill();
    void skipSeparator();
    void takeUntil(std::string_view stops, std::string &value);

    Source m_source;
    std::string m_buffer;    // what was read from the source and not yet handed out
    std::string_view m_data; // the bytes at hand: the text, or m_buffer
    std::size_t m_pos = 0;
    std::size_t m_consumedBefore = 0;
    bool m_ended = false;
    bool m_failed = false;
};

} // namespace kestrum
