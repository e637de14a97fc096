// Unicode files: decoding, line and column, romanising.
#include "unicodefile.h"

#include "unicodetext.h"

#include <algorithm>

namespace kestrum::sutonnymj {

LinePositions::LinePositions(std::u32string_view text, Position start)
    : m_start(start), m_size(text.size()) {
    m_lineStarts.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n')
            ++i;
        if (text[i] == U'\r' || text[i] == U'\n')
            m_lineStarts.push_back(i + 1);
    }
}

LinePositions::Position LinePositions::at(std::size_t offset) const {
    const auto after = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), offset);
    const std::size_t line = std::size_t(after - m_lineStarts.begin());
    const std::size_t column = offset - m_lineStarts[line - 1] + 1;
    if (line == 1)
        return {m_start.line, m_start.column + column - 1};
    return {m_start.line + line - 1, column};
}

UnicodeFileText readUnicodeFile(std::string_view bytes, FinalLineBreak finalBreak) {
    const std::string_view body = withoutUtf8Bom(bytes);
    const std::size_t markLength = bytes.size() - body.size();
    Utf8Text decoded = decodeUtf8(
        finalBreak == FinalLineBreak::Drop ? withoutFinalLineBreak(body) : body, Utf8Mode::Strict);
    UnicodeFileText file;
    if (decoded.badOffset)
        file.badOffset = *decoded.badOffset + markLength;
    else
        file.text = std::move(decoded.text);
    return file;
}

RomanisedText romaniseWithPositions(Romaniser &romaniser, std::u32string_view text) {
    Romaniser::Text roman = romaniser.romaniseText(text);
    RomanisedText result;
    result.keys = std::move(roman.text);
    if (roman.unspelled.empty())
        return result;
    const LinePositions positions(text);
    result.unspelled.reserve(roman.unspelled.size());
    for (const Romaniser::Unspelled &part : roman.unspelled) {
        const LinePositions::Position at = positions.at(part.offset);
        result.unspelled.push_back({part.offset, part.length, part.outOffset, at.line, at.column});
    }
    return result;
}

RomanisedFile romaniseUnicodeFile(Romaniser &romaniser, std::string_view bytes,
                                  FinalLineBreak finalBreak) {
    RomanisedFile result;
    result.file = readUnicodeFile(bytes, finalBreak);
    if (!result.file.badOffset)
        result.roman = romaniseWithPositions(romaniser, result.file.text);
    return result;
}

} // namespace kestrum::sutonnymj
