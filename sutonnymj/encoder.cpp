// Unicode to glyph codes: each syllable (reph, cluster, vowel sign, marks) spelled in visual
// order with the forms the glyph-code table chooses.
#include "cp1252.h"
#include "sutonnymj.h"
#include "unicodetext.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace kestrum::sutonnymj {

namespace {

constexpr char32_t kRa = U'\u09B0';
constexpr char32_t kYa = U'\u09AF';
constexpr char32_t kIKar = U'\u09BF';
constexpr char32_t kEKar = U'\u09C7';
constexpr char32_t kOiKar = U'\u09C8';
constexpr char32_t kOKar = U'\u09CB';
constexpr char32_t kAuKar = U'\u09CC';
constexpr char32_t kAaKar = U'\u09BE';
constexpr char32_t kAuLengthMark = U'\u09D7';

bool isVowelSign(char32_t c) {
    return (c >= U'\u09BE' && c <= U'\u09C4') || c == kEKar || c == kOiKar || c == kOKar ||
           c == kAuKar || c == kAuLengthMark || c == U'\u09E2' || c == U'\u09E3';
}

bool isSyllableMark(char32_t c) {
    return c == U'\u0981' || c == U'\u0982' || c == U'\u0983';
}

// The forms of one Unicode sign and the rule that picks one.
struct Variants {
    int yes = -1;
    int start = -1;
    std::vector<std::pair<std::u32string, int>> whole, last;

    int choose(std::u32string_view cluster, std::u32string_view lastLetter, bool atStart) const {
        if (atStart && start >= 0)
            return start;
        for (const auto &[text, byte] : whole)
            if (text == cluster)
                return byte;
        for (const auto &[text, byte] : last)
            if (text == lastLetter)
                return byte;
        return yes;
    }
};

class Encoder {
public:
    explicit Encoder(const GlyphTable &table) {
        for (const GlyphCode &code : table.codes()) {
            if (code.kind == Kind::Unused || code.use == Use::No)
                continue;
            const int byte = code.byte;
            switch (code.kind) {
            case Kind::Letter:
            case Kind::Conjunct:
                if (code.use == Use::Yes)
                    addSpelling(code.unicode, std::string(1, char(byte)));
                break;
            case Kind::Digit:
            case Kind::Punctuation:
                if (code.use == Use::Yes && code.unicode.size() == 1)
                    m_single.emplace(code.unicode.front(), char(byte));
                break;
            case Kind::Mark:
            case Kind::MarkAbove:
                if (code.use == Use::Yes)
                    m_marks.emplace(code.unicode, char(byte));
                break;
            case Kind::SignBefore:
            case Kind::SignAfter:
            case Kind::SignBelow:
            case Kind::Phala:
            case Kind::Reph: {
                Variants &v = m_variants[code.unicode];
                if (code.use == Use::Yes)
                    v.yes = byte;
                else if (code.use == Use::Start)
                    v.start = byte;
                if (code.use == Use::Yes || code.use == Use::After) {
                    for (const auto &text : code.afterWhole)
                        v.whole.emplace_back(text, byte);
                    for (const auto &text : code.afterLast)
                        v.last.emplace_back(text, byte);
                }
                break;
            }
            default:
                break;
            }
        }
        for (const Spelling &spelling : table.spellings())
            addSpelling(spelling.unicode, spelling.bytes);
        if (const auto it = m_variants.find(std::u32string{U'\u09B0', kHasanta});
            it != m_variants.end() && it->second.yes >= 0)
            m_reph = char(it->second.yes);
        if (const auto it = m_marks.find(std::u32string{kHasanta, kZwnj}); it != m_marks.end())
            m_hasanta = it->second;
    }

    // Encodes `text` (normalized); `origin` maps its indexes to those of the caller's text.
    template <class Sink>
    void encode(std::u32string_view text, const std::vector<std::size_t> &origin, Sink &sink) {
        std::size_t i = 0;
        while (i < text.size()) {
            if (!isBengaliWordChar(text[i])) {
                const char32_t c = text[i];
                if (c < 0x20) {
                    sink.control(char(c));
                } else if (const auto it = m_single.find(c); it != m_single.end()) {
                    sink.glyphs(std::string_view(&it->second, 1));
                } else {
                    sink.keep(c, origin[i]);
                }
                ++i;
                continue;
            }
            std::size_t end = i;
            while (end < text.size() && isBengaliWordChar(text[end]))
                ++end;
            encodeRun(text, i, end, origin, sink);
            i = end;
        }
    }

private:
    void addSpelling(const std::u32string &unicode, std::string bytes) {
        m_spellings.emplace(unicode, std::move(bytes));
        std::size_t letters = 1;
        for (char32_t c : unicode)
            letters += c == kHasanta;
        m_maxLetters = std::max(m_maxLetters, letters);
    }

    const Variants *variants(std::u32string_view unicode) const {
        const auto it = m_variants.find(std::u32string(unicode));
        return it == m_variants.end() ? nullptr : &it->second;
    }

    // The byte of a sign after `cluster`, or nothing when the table has no form for it.
    std::optional<char> sign(std::u32string_view unicode, std::u32string_view cluster,
                             std::u32string_view lastLetter, bool atStart) const {
        const Variants *v = variants(unicode);
        if (!v)
            return std::nullopt;
        const int byte = v->choose(cluster, lastLetter, atStart);
        return byte < 0 ? std::nullopt : std::optional<char>(char(byte));
    }

    // The letters of a cluster joined by hasanta, from `from` to `to`.
    std::u32string join(std::size_t from, std::size_t to) const {
        std::u32string joined;
        for (std::size_t k = from; k < to; ++k) {
            if (k > from)
                joined.push_back(kHasanta);
            joined += m_letters[k];
        }
        return joined;
    }

    static std::u32string_view withoutJoiner(std::u32string_view letter) {
        if (!letter.empty() && (letter.back() == kZwj || letter.back() == kZwnj))
            letter.remove_suffix(1);
        return letter;
    }

    // Spells m_letters: the longest spelling first, then phala signs for the letters that
    // follow, then a visible hasanta before the next part when no spelling joins it.
    bool spellCluster(std::string &body) const {
        const std::size_t n = m_letters.size();
        std::size_t k = 0;
        while (k < n) {
            const std::size_t partStart = k;
            bool found = false;
            for (std::size_t j = std::min(n, k + m_maxLetters); j > k && !found; --j) {
                const auto it = m_spellings.find(join(k, j));
                if (it != m_spellings.end()) {
                    body += it->second;
                    k = j;
                    found = true;
                }
            }
            if (!found) {
                const auto it = m_spellings.find(std::u32string(withoutJoiner(m_letters[k])));
                if (it == m_spellings.end())
                    return false;
                body += it->second;
                ++k;
            }
            while (k < n) {
                std::u32string phala{kHasanta};
                phala += withoutJoiner(m_letters[k]);
                const std::u32string soFar = join(partStart, k);
                const auto byte = sign(phala, soFar, withoutJoiner(m_letters[k - 1]), false);
                if (!byte)
                    break;
                body.push_back(*byte);
                ++k;
            }
            if (k < n) {
                if (!m_hasanta)
                    return false;
                body.push_back(*m_hasanta);
            }
        }
        return true;
    }

    template <class Sink>
    void encodeRun(std::u32string_view text, std::size_t begin, std::size_t end,
                   const std::vector<std::size_t> &origin, Sink &sink) {
        bool atStart = true;
        std::size_t i = begin;
        std::string bytes;
        while (i < end) {
            const std::size_t start = i;
            bytes.clear();
            const bool ok = syllable(text, i, end, atStart, bytes);
            if (ok) {
                sink.glyphs(bytes);
            } else {
                if (i == start)
                    ++i;
                for (std::size_t k = start; k < i; ++k)
                    sink.keep(text[k], origin[k]);
            }
            atStart = false;
        }
    }

    // Encodes the syllable at i into `out` and moves i past it; false (with i past what was
    // looked at) when some part of it has no glyph code.
    bool syllable(std::u32string_view text, std::size_t &i, std::size_t end, bool atStart,
                  std::string &out) {
        const auto at = [&](std::size_t k) { return k < end ? text[k] : char32_t(0); };
        const char32_t first = text[i];
        if (!isConsonant(first) && !isIndependentVowel(first)) {
            // A sign or mark with no letter before it, a hasanta, a khanda ta ...
            ++i;
            if (first == kHasanta) {
                if (at(i) == kZwnj)
                    ++i;
                if (!m_hasanta)
                    return false;
                out.push_back(*m_hasanta);
                return true;
            }
            if (const auto it = m_spellings.find(std::u32string(1, first));
                it != m_spellings.end()) {
                out += it->second;
                return true;
            }
            if (const auto it = m_marks.find(std::u32string(1, first)); it != m_marks.end()) {
                out.push_back(it->second);
                return true;
            }
            if (isVowelSign(first)) {
                m_letters.clear();
                return placeSign(first, {}, atStart, out);
            }
            return false;
        }

        bool reph = false;
        if (first == kRa && at(i + 1) == kHasanta && isConsonant(at(i + 2))) {
            reph = true;
            i += 2;
        }
        m_letters.clear();
        const auto takeLetter = [&] {
            std::u32string letter(1, text[i++]);
            if (at(i) == kNukta)
                letter.push_back(text[i++]);
            m_letters.push_back(std::move(letter));
        };
        takeLetter();
        for (;;) {
            if (at(i) == kHasanta && isConsonant(at(i + 1))) {
                ++i;
                takeLetter();
            } else if (m_letters.back() == std::u32string(1, kRa) &&
                       (at(i) == kZwj || at(i) == kZwnj) && at(i + 1) == kHasanta &&
                       at(i + 2) == kYa) {
                // র with a ya-phala (র‍্য), written with a joiner so it is no reph.
                m_letters.back().push_back(kZwj);
                ++i;
            } else {
                break;
            }
        }
        char32_t vowelSign = 0;
        bool hasanta = false;
        if (isVowelSign(at(i))) {
            vowelSign = text[i++];
        } else if (at(i) == kHasanta) {
            hasanta = true;
            if (at(++i) == kZwnj)
                ++i;
        }

        std::string body;
        std::u32string fused = m_letters.front();
        fused.push_back(vowelSign);
        if (m_letters.size() == 1 && vowelSign) {
            if (const auto it = m_spellings.find(fused); it != m_spellings.end()) {
                body = it->second; // গু শু হু হৃ: one glyph
                vowelSign = 0;
            }
        }
        if (body.empty() && !spellCluster(body))
            return false;
        if (reph) {
            if (!m_reph)
                return false;
            body.push_back(*m_reph);
        }
        if (hasanta) {
            if (!m_hasanta)
                return false;
            body.push_back(*m_hasanta);
        }
        if (!placeSign(vowelSign, body, atStart, out))
            return false;
        while (isSyllableMark(at(i))) {
            const auto it = m_marks.find(std::u32string(1, text[i]));
            if (it == m_marks.end())
                return false;
            out.push_back(it->second);
            ++i;
        }
        return true;
    }

    // Writes `body` (the spelled cluster of m_letters) with its vowel sign in visual order.
    bool placeSign(char32_t vowelSign, std::string_view body, bool atStart,
                   std::string &out) const {
        if (!vowelSign) {
            out += body;
            return true;
        }
        const std::u32string cluster = join(0, m_letters.size());
        const std::u32string_view last =
            m_letters.empty() ? std::u32string_view() : withoutJoiner(m_letters.back());
        const auto form = [&](char32_t c) {
            return sign(std::u32string(1, c), cluster, last, atStart);
        };
        if (vowelSign == kIKar || vowelSign == kEKar || vowelSign == kOiKar) {
            const auto before = form(vowelSign);
            if (!before)
                return false;
            out.push_back(*before);
            out += body;
            return true;
        }
        if (vowelSign == kOKar || vowelSign == kAuKar) {
            const auto left = form(kEKar);
            const auto right = form(vowelSign == kOKar ? kAaKar : kAuLengthMark);
            if (!left || !right)
                return false;
            out.push_back(*left);
            out += body;
            out.push_back(*right);
            return true;
        }
        const auto after = form(vowelSign);
        if (!after)
            return false;
        out += body;
        out.push_back(*after);
        return true;
    }

    std::unordered_map<std::u32string, std::string> m_spellings;
    std::unordered_map<std::u32string, Variants> m_variants;
    std::unordered_map<std::u32string, char> m_marks;
    std::unordered_map<char32_t, char> m_single;
    std::size_t m_maxLetters = 1;
    std::optional<char> m_reph, m_hasanta;
    std::vector<std::u32string> m_letters; // scratch: the letters of the current cluster
};

Encoder &encoderFor(const GlyphTable &table, std::optional<Encoder> &local) {
    if (&table == &GlyphTable::builtIn()) {
        thread_local Encoder builtIn(table);
        return builtIn;
    }
    return local.emplace(table);
}

struct ByteSink {
    Encoded &result;
    void glyphs(std::string_view bytes) { result.bytes += bytes; }
    void control(char c) { result.bytes.push_back(c); }
    void keep(char32_t c, std::size_t offset) {
        result.unencodable.push_back({offset, result.bytes.size(), c});
        appendUtf8(result.bytes, c);
    }
};

struct TextSink {
    EncodedText &result;
    void glyphs(std::string_view bytes) {
        for (char b : bytes)
            result.text.push_back(cp1252ToUnicode(static_cast<unsigned char>(b)));
    }
    void control(char c) { result.text.push_back(char32_t(c)); }
    void keep(char32_t c, std::size_t offset) {
        result.unencodable.push_back({offset, result.text.size(), c});
        result.text.push_back(c);
    }
};

} // namespace

Encoded encode(std::u32string_view text, const GlyphTable &table) {
    std::vector<std::size_t> origin;
    const std::u32string normal = normalize(text, &origin);
    std::optional<Encoder> local;
    Encoded result;
    result.bytes.reserve(normal.size());
    ByteSink sink{result};
    encoderFor(table, local).encode(normal, origin, sink);
    return result;
}

EncodedText encodeText(std::u32string_view text, const GlyphTable &table) {
    std::vector<std::size_t> origin;
    const std::u32string normal = normalize(text, &origin);
    std::optional<Encoder> local;
    EncodedText result;
    result.text.reserve(normal.size());
    TextSink sink{result};
    encoderFor(table, local).encode(normal, origin, sink);
    return result;
}

} // namespace kestrum::sutonnymj
