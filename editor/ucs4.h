// The text between the windows and the engine, which works on code points: the same results
// as QString::toStdU32String and QString::fromStdU32String, without their general decoder on
// the usual text. The conversions run over the whole input and output on every conversion.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace kestrum {

// Characters below U+D800 are their own code point either way; from there on (surrogates,
// byte-order marks, code points past U+FFFF) Qt's conversions decide.
inline bool isPlainUnit(char32_t c) {
    return c < 0xD800;
}

// As text.toStdU32String().
inline std::u32string toUcs4(const QString &text) {
    std::u32string out(std::size_t(text.size()), U'\0');
    char32_t *to = out.data();
    for (const QChar c : text) {
        if (!isPlainUnit(c.unicode()))
            return text.toStdU32String();
        *to++ = c.unicode();
    }
    return out;
}

// As QString::fromStdU32String(text).
inline QString fromUcs4(std::u32string_view text) {
    QString out(qsizetype(text.size()), Qt::Uninitialized);
    QChar *to = out.data();
    for (const char32_t c : text) {
        if (!isPlainUnit(c))
            return QString::fromUcs4(text.data(), qsizetype(text.size()));
        *to++ = QChar(char16_t(c));
    }
    return out;
}

} // namespace kestrum
