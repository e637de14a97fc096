// Reading comma- and line-separated fields from 8-bit text, as sequential text input does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// Splits text into fields. Fields are separated by commas or line ends (CR LF, LF or CR);
// blanks (spaces and tabs) before a field are skipped; a field that begins with a double quote
// runs to the next double quote, the quotes are not part of the value and the value may hold
// commas and line breaks; anything after the closing quote up to the next separator is
// dropped. An unquoted field keeps its characters up to the separator as they are.
class FieldReader {
public:
    explicit FieldReader(std::string_view text) : m_text(text) {}

    // The next field, or nothing when the text is used up.
    std::optional<std::string> next();
    bool atEnd() const { return m_pos >= m_text.size(); }

private:
    void skipSeparator();

    std::string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace kestrum
