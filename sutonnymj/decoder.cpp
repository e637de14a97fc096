// Glyph codes to Unicode: one pass that assembles each syllable from its parts in visual order
// and writes it in logical order.
#include "decoder.h"

#include "cp1252.h"
#include "sutonnymj.h"
#include "unicodetext.h"

#include <algorithm>
#include <optional>

namespace kestrum::sutonnymj {

namespace {

Decoder::Role roleOf(Kind kind, std::u32string_view text) {
    using Role = Decoder::Role;
    switch (kind) {
    case Kind::Letter:
    case Kind::Conjunct:
        return Role::Base;
    case Kind::Half:
        return Role::Half;
    case Kind::SecondHalf:
    case Kind::Phala:
        return Role::Attach;
    case Kind::SignBefore:
        return Role::Pre;
    case Kind::SignAfter:
    case Kind::SignBelow:
        return Role::Post;
    case Kind::Reph:
        return Role::Reph;
    case Kind::Mark:
        return !text.empty() && text.front() == kHasanta ? Role::Hasanta : Role::Mark;
    case Kind::MarkAbove:
        return Role::Chandra;
    case Kind::Unused:
    case Kind::Digit:
    case Kind::Punctuation:
        break;
    }
    return Role::Pass;
}

bool isColonContext(unsigned char b) {
    return (b >= '0' && b <= '9') || b == ' ' || b == '[' || b == ']';
}

} // namespace

Decoder::Decoder(const GlyphTable &table, Generation generation) {
    for (int b = 0; b < 256; ++b) {
        const GlyphCode &code = table[std::uint8_t(b)];
        Token &token = m_tokens[std::size_t(b)];
        const Kind kind = code.kindIn(generation);
        if (b < 0x20 || kind == Kind::Unused) {
            token.text.assign(1, cp1252ToUnicode(static_cast<unsigned char>(b)));
            continue;
        }
        token.text = code.unicodeIn(generation);
        token.role = roleOf(kind, token.text);
    }
    for (const Spelling &spelling : table.spellings()) {
        auto &list = m_sequences[static_cast<unsigned char>(spelling.bytes.front())];
        if (std::any_of(list.begin(), list.end(),
                        [&](const Sequence &s) { return s.bytes == spelling.bytes; }))
            continue; // the first row for these bytes is the reading
        const Role role = spelling.unicode.front() == kHasanta ? Role::Attach : Role::Base;
        list.push_back({spelling.bytes, {role, spelling.unicode}});
        m_longestSequence = std::max(m_longestSequence, spelling.bytes.size());
    }
    for (auto &list : m_sequences)
        std::stable_sort(list.begin(), list.end(), [](const Sequence &a, const Sequence &b) {
            return a.bytes.size() > b.bytes.size();
        });
    for (const Token &token : m_tokens)
        if (token.role == Role::Reph)
            m_rephText = token.text;
}

void Decoder::joinCluster(std::u32string_view part) {
    // A half form (X + hasanta) followed by a second half (hasanta + Y) is one hasanta.
    if (!m_cluster.empty() && m_cluster.back() == kHasanta && !part.empty() &&
        part.front() == kHasanta)
        part.remove_prefix(1);
    m_cluster.append(part);
}

void Decoder::startSyllableIfBusy(std::u32string &out) {
    // A vowel sign written before its cluster (and a ঁ typed after that sign) waits for it.
    if (!m_cluster.empty() || !m_post.empty() || m_reph || (!m_marks.empty() && m_pre.empty()))
        flush(out);
}

void Decoder::flush(std::u32string &out) {
    if (m_reph)
        out += m_rephText;
    out += m_cluster;
    std::u32string_view post = m_post;
    if (!m_pre.empty()) {
        if (m_pre.size() == 1 && m_pre.front() == kEKar && !post.empty() &&
            (post.front() == kAaKar || post.front() == kAuLengthMark)) {
            out.push_back(post.front() == kAaKar ? kOKar : kAuKar);
            post.remove_prefix(1);
        } else {
            out += m_pre;
        }
    }
    out += post;
    out += m_marks;
    m_pre.clear();
    m_cluster.clear();
    m_post.clear();
    m_marks.clear();
    m_open = false;
    m_reph = false;
}

void Decoder::decode(std::string_view bytes, std::u32string &out) {
    start();
    decodeSome(bytes, out, true);
}

void Decoder::start() {
    m_pre.clear();
    m_cluster.clear();
    m_post.clear();
    m_marks.clear();
    m_open = false;
    m_reph = false;
    m_previous = -1;
}

std::size_t Decoder::decodeSome(std::string_view bytes, std::u32string &out, bool last) {
    int &previous = m_previous;
    // Short of the end, a byte that may start a sequence is read only once the whole sequence
    // could be there.
    const std::size_t stop = last ? bytes.size()
                             : bytes.size() >= m_longestSequence
                                 ? bytes.size() - m_longestSequence + 1
                                 : 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (i >= stop && !m_sequences[b].empty())
            break;
        const Token *token = &m_tokens[b];
        std::size_t length = 1;
        for (const Sequence &s : m_sequences[b]) {
            const std::size_t n = s.bytes.size();
            if (i + n > bytes.size() || bytes[i + 1] != s.bytes[1])
                continue;
            std::size_t k = 2;
            while (k < n && bytes[i + k] == s.bytes[k])
                ++k;
            if (k == n) {
                token = &s.token;
                length = n;
                break;
            }
        }
        const std::u32string &text = token->text;
        // A vowel sign or phala sign typed twice counts once.
        const bool repeated = length == 1 && previous == b;
        switch (token->role) {
        case Role::Pass:
            flush(out);
            out += text;
            break;
        case Role::Base:
            if (m_open) {
                joinCluster(text);
            } else {
                startSyllableIfBusy(out);
                m_cluster = text;
            }
            m_open = false;
            break;
        case Role::Half:
            if (m_open) {
                joinCluster(text);
            } else {
                startSyllableIfBusy(out);
                m_cluster = text;
            }
            m_open = true;
            break;
        case Role::Attach:
            if (repeated)
                break;
            if (m_cluster.empty()) {
                startSyllableIfBusy(out);
                m_cluster = text;
            } else {
                joinCluster(text);
            }
            m_open = false;
            break;
        case Role::Pre:
            if (!m_pre.empty() || !m_cluster.empty() || !m_post.empty() || m_reph ||
                !m_marks.empty())
                flush(out);
            m_pre = text;
            break;
        case Role::Post:
            if (repeated)
                break;
            if (m_cluster.empty() && m_pre.empty() && !m_reph) {
                flush(out);
                out += text;
            } else {
                m_post += text;
                m_open = false;
            }
            break;
        case Role::Reph:
            if (!m_cluster.empty()) {
                m_reph = true;
                m_open = false;
            } else {
                // A reph before any cluster: in Unicode order it leads the next one anyway.
                flush(out);
                out += text;
            }
            break;
        case Role::Hasanta:
            if (m_cluster.empty()) {
                flush(out);
                out += text;
            } else {
                m_post += text;
                m_open = false;
            }
            break;
        case Role::Mark:
            if (text.size() == 1 && text.front() == m_visarga && previous >= 0 &&
                isColonContext(static_cast<unsigned char>(previous)) && m_cluster.empty() &&
                m_pre.empty()) {
                flush(out);
                out.push_back(U':');
            } else if (m_cluster.empty() && m_pre.empty()) {
                flush(out);
                out += text;
            } else {
                m_marks += text;
                flush(out);
            }
            break;
        case Role::Chandra:
            if (m_cluster.empty() && m_pre.empty() && !m_reph) {
                flush(out);
                out += text;
            } else {
                m_marks += text;
            }
            break;
        }
        previous = static_cast<unsigned char>(bytes[i + length - 1]);
        i += length;
    }
    if (last)
        flush(out);
    return i;
}

namespace {

Decoder &builtInDecoder(Generation g) {
    thread_local Decoder classic(GlyphTable::builtIn(), Generation::Classic);
    thread_local Decoder newer(GlyphTable::builtIn(), Generation::New);
    return g == Generation::New ? newer : classic;
}

} // namespace

std::u32string decode(std::string_view bytes, Generation g, const GlyphTable &table) {
    std::u32string out;
    out.reserve(bytes.size() * 2);
    if (&table == &GlyphTable::builtIn()) {
        builtInDecoder(g).decode(bytes, out);
    } else {
        Decoder decoder(table, g);
        decoder.decode(bytes, out);
    }
    return out;
}

std::u32string decodeText(std::u32string_view glyphText, Generation g, const GlyphTable &table) {
    std::u32string out;
    out.reserve(glyphText.size() + glyphText.size() / 4);
    std::optional<Decoder> local;
    if (&table != &GlyphTable::builtIn())
        local.emplace(table, g);
    Decoder &decoder = local ? *local : builtInDecoder(g);
    std::string run;
    for (std::size_t i = 0; i <= glyphText.size(); ++i) {
        const auto byte =
            i < glyphText.size() ? unicodeToCp1252(glyphText[i]) : std::optional<unsigned char>();
        if (byte) {
            run.push_back(char(*byte));
            continue;
        }
        decoder.decode(run, out);
        run.clear();
        if (i < glyphText.size())
            out.push_back(glyphText[i]);
    }
    return out;
}

bool containsBengali(std::u32string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char32_t c) { return c >= U'\u0980' && c <= U'\u09FF'; });
}

} // namespace kestrum::sutonnymj
