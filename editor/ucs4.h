// The text between the windows and the engine, which works on code points: the same results
// as QString::toStdU32String and QString::fromStdU32String, without their general decoder on
// the usual text. The conversions run over the whole input and output on every conversion;
// the forms that fill a string the caller keeps spare it a fresh allocation (and the page faults
// of one) each time.
#pragma once

#include <QString>

#include <algorithm>
#include <string>
#include <string_view>

namespace kestrum {

// Characters below U+D800 are their own code point either way; from there on (surrogates,
// byte-order marks, code points past U+FFFF) Qt's conversions decide.
inline bool isPlainUnit(char32_t c) {
    return c < 0xD800;
}

// out = text.toStdU32String(), in the room `out` already has.
inline void toUcs4(const QString &text, std::u32string &out) {
    out.resize(std::size_t(text.size()));
    char32_t *to = out.data();
    for (const QChar c : text) {
        if (!isPlainUnit(c.unicode())) {
            out = text.toStdU32String();
            return;
        }
        *to++ = c.unicode();
    }
}

// As toUcs4(text, out) with U+2028 and U+2029 (the document's line and paragraph breaks)
// as LF: what RichTextBox::rawText() gives, with the same line breaks as the CR LF of
// RichTextBox::text() to the engine.
inline void toUcs4Lines(const QString &text, std::u32string &out) {
    out.resize(std::size_t(text.size()));
    char32_t *to = out.data();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!isPlainUnit(u)) {
            out = text.toStdU32String();
            std::replace_if(
                out.begin(), out.end(), [](char32_t v) { return (v | 1) == 0x2029; }, U'\n');
            return;
        }
        *to++ = (u | 1) == 0x2029 ? U'\n' : u;
    }
}

// As text.toStdU32String().
inline std::u32string toUcs4(const QString &text) {
    std::u32string out;
    toUcs4(text, out);
    return out;
}

// out = QString::fromStdU32String(text), in the room `out` already has.
inline void fromUcs4(std::u32string_view text, QString &out) {
    out.resize(qsizetype(text.size()));
    QChar *to = out.data();
    for (const char32_t c : text) {
        if (!isPlainUnit(c)) {
            out = QString::fromUcs4(text.data(), qsizetype(text.size()));
            return;
        }
        *to++ = QChar(char16_t(c));
    }
}

// As QString::fromStdU32String(text).
inline QString fromUcs4(std::u32string_view text) {
    QString out;
    fromUcs4(text, out);
    return out;
}

} // namespace kestrum
