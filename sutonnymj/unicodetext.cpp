// UTF-8 and the Bengali normal form.
#include "unicodetext.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace kestrum::sutonnymj {

Utf8Text decodeUtf8(std::string_view bytes, Utf8Mode mode) {
    Utf8Text result;
    std::u32string &text = result.text;
    text.reserve(bytes.size());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            text.push_back(b);
            ++i;
            continue;
        }
        // The second byte's range rules out overlong forms, surrogates and values past
        // U+10FFFF; the later ones are 0x80 to 0xBF.
        int length = 0;
        char32_t c = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2, c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, c = b & 0x0F;
            low = b == 0xE0 ? 0xA0 : 0x80;
            high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, c = b & 0x07;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;
        }
        std::size_t taken = 1;
        while (length > 0 && taken < std::size_t(length) && i + taken < n) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + taken]);
            if (next < (taken == 1 ? low : 0x80) || next > (taken == 1 ? high : 0xBF))
                break;
            c = (c << 6) | (next & 0x3F);
            ++taken;
        }
        if (length == 0 || taken < std::size_t(length)) {
            if (mode == Utf8Mode::Strict) {
                result.badOffset = i;
                text.clear();
                return result;
            }
            text.push_back(U'\uFFFD');
            ++result.replaced;
        } else {
            text.push_back(c);
        }
        i += taken;
    }
    return result;
}

std::optional<std::u32string> fromUtf8(std::string_view bytes, std::size_t *badOffset) {
    Utf8Text decoded = decodeUtf8(bytes, Utf8Mode::Strict);
    if (decoded.badOffset) {
        if (badOffset)
            *badOffset = *decoded.badOffset;
        return std::nullopt;
    }
    return std::move(decoded.text);
}

void appendUtf8(std::string &out, char32_t c) {
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | (c >> 6)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | (c >> 12)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (c >> 18)));
        out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

std::string BengaliInRoman::Place::report() const {
    return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
           std::string(kMessage);
}

void BengaliInRoman::endLine() {
    ++m_line;
    m_column = 1;
    m_lineReported = false;
}

std::vector<BengaliInRoman::Place> BengaliInRoman::find(std::string_view piece) {
    std::vector<Place> found;
    std::string joined;
    if (!m_held.empty()) {
        joined = std::exchange(m_held, std::string()).append(piece);
        piece = joined;
    }
    for (std::size_t i = 0; i < piece.size();) {
        const unsigned char b = static_cast<unsigned char>(piece[i]);
        if (b == '\r' || b == '\n') {
            if (b == '\r' || !m_afterCr)
                endLine();
            m_afterCr = b == '\r';
            ++i;
            continue;
        }
        m_afterCr = false;
        std::size_t length = b >= 0xC2 && b <= 0xDF   ? 2
                             : b >= 0xE0 && b <= 0xEF ? 3
                             : b >= 0xF0 && b <= 0xF4 ? 4
                                                      : 1;
        std::size_t k = 1;
        while (k < length && i + k < piece.size() &&
               (static_cast<unsigned char>(piece[i + k]) & 0xC0) == 0x80)
            ++k;
        if (k < length && i + k == piece.size()) {
            m_held.assign(piece.substr(i)); // the rest of the character comes with the next piece
            break;
        }
        if (k < length)
            length = 1; // no UTF-8 character: a byte of its own
        const bool bengali =
            length == 3 && b == 0xE0 && (piece[i + 1] == '\xA6' || piece[i + 1] == '\xA7');
        if (bengali && !m_lineReported) {
            found.push_back({m_line, m_column});
            m_lineReported = true;
        }
        ++m_column;
        i += length;
    }
    return found;
}

std::u32string escapeControls(std::u32string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (!isDisplayControl(c)) {
            out.push_back(c);
            continue;
        }
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
        out.append(code, code + std::strlen(code));
    }
    return out;
}

std::string escapeControlsUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        // One character at a time, so a bad byte spoils only itself.
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        const Utf8Text one = decodeUtf8(bytes.substr(i, length), Utf8Mode::Strict);
        if (one.badOffset || one.text.size() != 1) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", unsigned(b));
            out += code;
            ++i;
            continue;
        }
        const char32_t c = one.text.front();
        if (isDisplayControl(c)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
            out += code;
        } else {
            out.append(bytes.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::string toUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (char32_t c : text)
        appendUtf8(out, c);
    return out;
}

std::u32string normalize(std::u32string_view text, std::vector<std::size_t> *origin) {
    std::u32string out;
    out.reserve(text.size() + text.size() / 8);
    if (origin)
        origin->clear();
    const auto push = [&](char32_t c, std::size_t from) {
        out.push_back(c);
        if (origin)
            origin->push_back(from);
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        switch (c) {
        case U'\u09DC': // ড়, ঢ়, য়: NFC keeps them decomposed
            push(U'\u09A1', i), push(kNukta, i);
            continue;
        case U'\u09DD':
            push(U'\u09A2', i), push(kNukta, i);
            continue;
        case U'\u09DF':
            push(U'\u09AF', i), push(kNukta, i);
            continue;
        case U'\u09BE': // া or ৗ right after ে: ো, ৌ
        case U'\u09D7':
            if (!out.empty() && out.back() == U'\u09C7') {
                out.back() = c == U'\u09BE' ? U'\u09CB' : U'\u09CC';
                continue;
            }
            break;
        case kNukta: // canonical order: nukta (class 7) before hasanta (class 9)
            if (!out.empty() && out.back() == kHasanta) {
                out.back() = kNukta;
                push(kHasanta, origin ? origin->back() : 0);
                if (origin)
                    (*origin)[origin->size() - 2] = i;
                continue;
            }
            break;
        default:
            break;
        }
        push(c, i);
    }
    return out;
}

} // namespace kestrum::sutonnymj
