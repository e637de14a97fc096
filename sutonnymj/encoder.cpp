// Unicode to glyph codes: each syllable (reph, cluster, vowel sign, marks) spelled in visual
// order with the forms the glyph-code table chooses.
//
// Clusters, letters and signs are looked up by a key that packs up to eight Bengali characters
// (and joiners) into 64 bits, one byte each, so no lookup allocates.
#include "cp1252.h"
#include "sutonnymj.h"
#include "unicodetext.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace kestrum::sutonnymj {

namespace {

constexpr char32_t kRa = U'\u09B0';
constexpr char32_t kYa = U'\u09AF';

bool isVowelSign(char32_t c) {
    return (c >= U'\u09BE' && c <= U'\u09C4') || c == kEKar || c == kOiKar || c == kOKar ||
           c == kAuKar || c == kAuLengthMark || c == U'\u09E2' || c == U'\u09E3';
}

bool isSyllableMark(char32_t c) {
    return c == U'\u0981' || c == U'\u0982' || c == U'\u0983';
}

// One byte for each character a key can hold; 0 for any other.
constexpr std::uint8_t codeOf(char32_t c) {
    if (c >= U'\u0980' && c <= U'\u09FF')
        return std::uint8_t(c - U'\u0980' + 1);
    if (c == kZwnj)
        return 0x81;
    if (c == kZwj)
        return 0x82;
    return 0;
}

// Up to eight characters packed into a number, the first in the lowest byte.
struct Key {
    std::uint64_t bits = 0;
    int length = 0;

    bool push(char32_t c) {
        const std::uint8_t code = codeOf(c);
        if (!code || length == 8)
            return false;
        bits |= std::uint64_t(code) << (8 * length++);
        return true;
    }
    bool append(const Key &other) {
        if (length + other.length > 8)
            return false;
        bits |= other.bits << (8 * length);
        length += other.length;
        return true;
    }
    // The last character dropped when it is a joiner (র‍ is র for the phala rules).
    Key withoutJoiner() const {
        Key k = *this;
        const std::uint8_t last = length ? std::uint8_t(bits >> (8 * (length - 1))) : 0;
        if (last == 0x81 || last == 0x82) {
            --k.length;
            k.bits &= ~(std::uint64_t(0xFF) << (8 * k.length));
        }
        return k;
    }
};

std::optional<Key> keyOf(std::u32string_view text) {
    Key key;
    for (char32_t c : text)
        if (!key.push(c))
            return std::nullopt;
    return key;
}

struct KeyHash {
    std::size_t operator()(std::uint64_t bits) const {
        return std::size_t((bits ^ (bits >> 29)) * 0x9E3779B97F4A7C15ull >> 16);
    }
};

template <class Value> using KeyMap = std::unordered_map<std::uint64_t, Value, KeyHash>;

// The forms of one Unicode sign and the rule that picks one.
struct Variants {
    int yes = -1;
    int start = -1;
    std::vector<std::pair<std::uint64_t, int>> whole, last;

    int choose(std::uint64_t cluster, std::uint64_t lastLetter, bool atStart) const {
        if (atStart && start >= 0)
            return start;
        for (const auto &[key, byte] : whole)
            if (key == cluster)
                return byte;
        for (const auto &[key, byte] : last)
            if (key == lastLetter)
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
            const char byte = char(code.byte);
            const auto key = keyOf(code.unicode);
            switch (code.kind) {
            case Kind::Letter:
            case Kind::Conjunct:
                if (code.use == Use::Yes && key)
                    addSpelling(*key, std::string(1, byte));
                break;
            case Kind::Digit:
            case Kind::Punctuation:
                if (code.use == Use::Yes && code.unicode.size() == 1)
                    m_single.emplace(code.unicode.front(), byte);
                break;
            case Kind::Mark:
            case Kind::MarkAbove:
                if (code.use == Use::Yes && key)
                    m_marks.emplace(key->bits, byte);
                break;
            case Kind::SignBefore:
            case Kind::SignAfter:
            case Kind::SignBelow:
            case Kind::Phala:
            case Kind::Reph: {
                if (!key)
                    break;
                Variants &v = m_variants[key->bits];
                if (code.use == Use::Yes)
                    v.yes = code.byte;
                else if (code.use == Use::Start)
                    v.start = code.byte;
                if (code.use == Use::Yes || code.use == Use::After) {
                    for (const auto &text : code.afterWhole)
                        if (const auto k = keyOf(text))
                            v.whole.emplace_back(k->bits, code.byte);
                    for (const auto &text : code.afterLast)
                        if (const auto k = keyOf(text))
                            v.last.emplace_back(k->bits, code.byte);
                }
                break;
            }
            default:
                break;
            }
        }
        for (const Spelling &spelling : table.spellings())
            if (const auto key = keyOf(spelling.unicode))
                addSpelling(*key, spelling.bytes);
        if (const int byte = formOf(U"\u09B0\u09CD"); byte >= 0)
            m_reph = char(byte);
        if (const auto it = m_marks.find(keyOf(U"\u09CD\u200C")->bits); it != m_marks.end())
            m_hasanta = it->second;
        for (char32_t c = U'\u0980'; c <= U'\u09FF'; ++c) {
            const Key letter = *keyOf(std::u32string(1, c));
            m_signs[codeOf(c)] = find(m_variants, letter.bits);
            Key phala = *keyOf(U"\u09CD");
            phala.append(letter);
            m_phalas[codeOf(c)] = find(m_variants, phala.bits);
        }
    }

    // Encodes `text` (normalized); `origin` maps its indexes to those of the caller's text
    // (null: the same).
    template <class Sink>
    void encode(std::u32string_view text, const std::vector<std::size_t> *origin, Sink &sink) {
        std::size_t i = 0;
        while (i < text.size()) {
            if (!isBengaliWordChar(text[i])) {
                const char32_t c = text[i];
                if (c < 0x20) {
                    sink.control(char(c));
                } else if (const auto it = m_single.find(c); it != m_single.end()) {
                    sink.glyphs(std::string_view(&it->second, 1));
                } else {
                    sink.keep(c, origin ? (*origin)[i] : i);
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
    template <class Map>
    static const typename Map::mapped_type *find(const Map &map, std::uint64_t key) {
        const auto it = map.find(key);
        return it == map.end() ? nullptr : &it->second;
    }

    int formOf(std::u32string_view unicode) const {
        const auto key = keyOf(unicode);
        const Variants *v = key ? find(m_variants, key->bits) : nullptr;
        return v ? v->yes : -1;
    }

    void addSpelling(const Key &key, std::string bytes) {
        m_spellings.emplace(key.bits, std::move(bytes));
        int letters = 1;
        for (int k = 0; k < key.length; ++k)
            letters += std::uint8_t(key.bits >> (8 * k)) == codeOf(kHasanta);
        m_maxLetters = std::max(m_maxLetters, std::size_t(letters));
    }

    // The letters of the cluster from `from` to `to`, joined by hasanta; nothing when they are
    // too long for a key (no spelling is that long).
    std::optional<Key> join(std::size_t from, std::size_t to) const {
        Key joined;
        for (std::size_t k = from; k < to; ++k) {
            if (k > from && !joined.push(kHasanta))
                return std::nullopt;
            if (!joined.append(m_letters[k]))
                return std::nullopt;
        }
        return joined;
    }

    const std::string *spelling(std::optional<Key> key) const {
        return key ? find(m_spellings, key->bits) : nullptr;
    }

    // Spells m_letters: the longest spelling first, then phala signs for the letters that
    // follow, then a visible hasanta before the next part when no spelling joins it.
    bool spellCluster(std::string &body) const {
        const std::size_t n = m_letters.size();
        std::size_t k = 0;
        while (k < n) {
            const std::size_t partStart = k;
            const std::string *found = nullptr;
            std::size_t j = std::min(n, k + m_maxLetters);
            for (; j > k + 1; --j)
                if ((found = spelling(join(k, j))))
                    break;
            if (!found) {
                found = spelling(m_letters[k]);
                if (!found)
                    found = spelling(m_letters[k].withoutJoiner());
                if (!found)
                    return false;
                j = k + 1;
            }
            body += *found;
            k = j;
            while (k < n) {
                const Key letter = m_letters[k].withoutJoiner();
                const Variants *v = letter.length == 1 ? m_phalas[letter.bits & 0xFF] : nullptr;
                if (!v)
                    break;
                const auto soFar = join(partStart, k);
                const int byte = v->choose(soFar ? soFar->bits : 0,
                                           m_letters[k - 1].withoutJoiner().bits, false);
                if (byte < 0)
                    break;
                body.push_back(char(byte));
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
                   const std::vector<std::size_t> *origin, Sink &sink) {
        bool atStart = true;
        std::size_t i = begin;
        while (i < end) {
            const std::size_t start = i;
            m_bytes.clear();
            if (syllable(text, i, end, atStart, m_bytes)) {
                sink.glyphs(m_bytes);
            } else {
                if (i == start)
                    ++i;
                for (std::size_t k = start; k < i; ++k)
                    sink.keep(text[k], origin ? (*origin)[k] : k);
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
        m_letters.clear();
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
            const auto key = keyOf(std::u32string_view(&first, 1));
            if (const std::string *s = spelling(key)) {
                out += *s;
                return true;
            }
            if (const char *mark = key ? find(m_marks, key->bits) : nullptr) {
                out.push_back(*mark);
                return true;
            }
            if (isVowelSign(first))
                return placeSign(first, {}, atStart, out);
            return false;
        }

        bool reph = false;
        if (first == kRa && at(i + 1) == kHasanta && isConsonant(at(i + 2))) {
            reph = true;
            i += 2;
        }
        const auto takeLetter = [&] {
            Key letter;
            letter.push(text[i++]);
            if (at(i) == kNukta)
                letter.push(text[i++]);
            m_letters.push_back(letter);
        };
        takeLetter();
        for (;;) {
            if (at(i) == kHasanta && isConsonant(at(i + 1))) {
                ++i;
                takeLetter();
            } else if (m_letters.back().length == 1 && m_letters.back().bits == codeOf(kRa) &&
                       (at(i) == kZwj || at(i) == kZwnj) && at(i + 1) == kHasanta &&
                       at(i + 2) == kYa) {
                // র with a ya-phala (র‍্য), written with a joiner so it is no reph.
                m_letters.back().push(kZwj);
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

        m_body.clear();
        if (m_letters.size() == 1 && vowelSign) {
            Key fused = m_letters.front();
            if (fused.push(vowelSign)) {
                if (const std::string *s = spelling(fused)) {
                    m_body = *s; // গু শু হু হৃ: one glyph
                    vowelSign = 0;
                }
            }
        }
        if (m_body.empty() && !spellCluster(m_body))
            return false;
        if (reph) {
            if (!m_reph)
                return false;
            m_body.push_back(*m_reph);
        }
        if (hasanta) {
            if (!m_hasanta)
                return false;
            m_body.push_back(*m_hasanta);
        }
        if (!placeSign(vowelSign, m_body, atStart, out))
            return false;
        while (isSyllableMark(at(i))) {
            const char *mark = find(m_marks, std::uint64_t(codeOf(text[i])));
            if (!mark)
                return false;
            out.push_back(*mark);
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
        const auto cluster = join(0, m_letters.size());
        const std::uint64_t clusterBits = cluster ? cluster->bits : 0;
        const std::uint64_t last = m_letters.empty() ? 0 : m_letters.back().withoutJoiner().bits;
        const auto form = [&](char32_t c) {
            const Variants *v = m_signs[codeOf(c)];
            return v ? v->choose(clusterBits, last, atStart) : -1;
        };
        if (vowelSign == kIKar || vowelSign == kEKar || vowelSign == kOiKar) {
            const int before = form(vowelSign);
            if (before < 0)
                return false;
            out.push_back(char(before));
            out += body;
            return true;
        }
        if (vowelSign == kOKar || vowelSign == kAuKar) {
            const int left = form(kEKar);
            const int right = form(vowelSign == kOKar ? kAaKar : kAuLengthMark);
            if (left < 0 || right < 0)
                return false;
            out.push_back(char(left));
            out += body;
            out.push_back(char(right));
            return true;
        }
        const int after = form(vowelSign);
        if (after < 0)
            return false;
        out += body;
        out.push_back(char(after));
        return true;
    }

    KeyMap<std::string> m_spellings;
    KeyMap<Variants> m_variants;
    KeyMap<char> m_marks;
    std::unordered_map<char32_t, char> m_single;
    std::array<const Variants *, 256> m_signs{};  // by the code of a vowel sign
    std::array<const Variants *, 256> m_phalas{}; // by the code of the letter after hasanta
    std::size_t m_maxLetters = 1;
    std::optional<char> m_reph, m_hasanta;
    // Scratch: the letters of the current cluster, its spelling and the syllable's bytes.
    std::vector<Key> m_letters;
    std::string m_body, m_bytes;
};

Encoder &encoderFor(const GlyphTable &table, std::optional<Encoder> &local) {
    if (&table == &GlyphTable::builtIn()) {
        thread_local Encoder builtIn(table);
        return builtIn;
    }
    return local.emplace(table);
}

// Whether normalize() would change the text (most text is in NFC already).
bool needsNormalizing(std::u32string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c == U'\u09DC' || c == U'\u09DD' || c == U'\u09DF')
            return true;
        if ((c == kAaKar || c == kAuLengthMark) && i > 0 && text[i - 1] == kEKar)
            return true;
        if (c == kNukta && i > 0 && text[i - 1] == kHasanta)
            return true;
    }
    return false;
}

template <class Sink>
void encodeWith(std::u32string_view text, const GlyphTable &table, Sink &sink) {
    std::optional<Encoder> local;
    Encoder &encoder = encoderFor(table, local);
    if (!needsNormalizing(text)) {
        encoder.encode(text, nullptr, sink);
        return;
    }
    std::vector<std::size_t> origin;
    const std::u32string normal = normalize(text, &origin);
    encoder.encode(normal, &origin, sink);
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
    Encoded result;
    result.bytes.reserve(text.size());
    ByteSink sink{result};
    encodeWith(text, table, sink);
    return result;
}

EncodedText encodeText(std::u32string_view text, const GlyphTable &table) {
    EncodedText result;
    result.text.reserve(text.size());
    TextSink sink{result};
    encodeWith(text, table, sink);
    return result;
}

} // namespace kestrum::sutonnymj
