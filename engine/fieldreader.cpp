// Comma- and line-separated fields.
#include "fieldreader.h"

namespace kestrum {

void FieldReader::skipSeparator()
{
    if (m_pos >= m_text.size())
        return;
    const char c = m_text[m_pos];
    if (c == ',' || c == '\n') {
        ++m_pos;
    } else if (c == '\r') {
        ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '\n')
            ++m_pos;
    }
}

std::optional<std::string> FieldReader::next()
{
    while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t'))
        ++m_pos;
    if (m_pos >= m_text.size())
        return std::nullopt;

    std::string value;
    auto isSeparator = [](char c) { return c == ',' || c == '\r' || c == '\n'; };
    if (m_text[m_pos] == '"') {
        const std::size_t close = m_text.find('"', m_pos + 1);
        if (close == std::string_view::npos) {
            value.assign(m_text.substr(m_pos + 1));
            m_pos = m_text.size();
            return value;
        }
        value.assign(m_text.substr(m_pos + 1, close - m_pos - 1));
        m_pos = close + 1;
        while (m_pos < m_text.size() && !isSeparator(m_text[m_pos]))
            ++m_pos;
    } else {
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && !isSeparator(m_text[m_pos]))
            ++m_pos;
        value.assign(m_text.substr(start, m_pos - start));
    }
    skipSeparator();
    return value;
}

} // namespace kestrum
