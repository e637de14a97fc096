// Comma- and line-separated fields.
#include "fieldreader.h"

#include <algorithm>
#include <cstring>

namespace kestrum {

namespace {

constexpr std::size_t ChunkSize = 64 * 1024;

// The position of the first of `stops` in `text`, or text.size(). One memchr per stop byte,
// each over no more than the nearest stop found so far: far faster than a byte-by-byte set
// test over a long field.
std::size_t findFirstOf(std::string_view text, std::string_view stops) {
    std::size_t first = text.size();
    for (const char c : stops) {
        if (const void *hit = std::memchr(text.data(), c, first))
            first = static_cast<std::size_t>(static_cast<const char *>(hit) - text.data());
    }
    return first;
}

} // namespace

bool FieldReader::refill() {
    if (!m_source || m_ended)
        return false;
    // Drop what was handed out; keep the rest (nothing, as fields are built byte by byte).
    m_buffer.erase(0, m_pos);
    m_consumedBefore += m_pos;
    m_pos = 0;
    const std::size_t at = m_buffer.size();
    m_buffer.resize(at + ChunkSize);
    const std::ptrdiff_t got = m_source(m_buffer.data() + at, ChunkSize);
    m_buffer.resize(at + (got > 0 ? static_cast<std::size_t>(got) : 0));
    m_data = m_buffer;
    if (got <= 0) {
        m_ended = true;
        m_failed = got < 0;
        return false;
    }
    return true;
}

int FieldReader::peek() {
    if (m_pos >= m_data.size() && !refill())
        return -1;
    return static_cast<unsigned char>(m_data[m_pos]);
}

bool FieldReader::atEnd() {
    return peek() < 0;
}

void FieldReader::skipSeparator() {
    const int c = peek();
    if (c == ',' || c == '\n') {
        ++m_pos;
    } else if (c == '\r') {
        ++m_pos;
        if (peek() == '\n')
            ++m_pos;
    }
}

// Takes the bytes up to (not including) the first of `stops`, or up to the end of the text,
// keeping at most MaxFieldLength of them in `value`. Whole runs are scanned at a time, so even
// gigabytes without a stop go by quickly.
void FieldReader::takeUntil(std::string_view stops, std::string &value) {
    while (peek() >= 0) {
        const std::string_view rest = m_data.substr(m_pos);
        const std::size_t stop = findFirstOf(rest, stops);
        if (value.size() < MaxFieldLength)
            value.append(rest.substr(0, std::min(stop, MaxFieldLength - value.size())));
        m_pos += stop;
        if (stop < rest.size())
            return;
    }
}

std::optional<std::string> FieldReader::next() {
    int c = peek();
    while (c == ' ' || c == '\t') {
        ++m_pos;
        c = peek();
    }
    if (c < 0)
        return std::nullopt;

    std::string value;
    if (c == '"') {
        ++m_pos;
        takeUntil("\"", value);
        if (peek() < 0)
            return value; // an unterminated quote runs to the end
        ++m_pos;
        std::string dropped;
        takeUntil(",\r\n", dropped);
    } else {
        takeUntil(",\r\n", value);
    }
    skipSeparator();
    return value;
}

} // namespace kestrum
