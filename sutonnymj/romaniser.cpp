// The romaniser: a depth-first search over the units the engine reads (a vowel, or a consonant
// key with its signs and vowel sign), each unit's glyphs read back and matched against the
// word, the preferred choices first; a complete spelling counts only once the engine, given
// the whole key sequence, converts it into glyph codes that decode to the word.
#include "romaniser.h"

#include "sutonnymj.h"
#include "unicodetext.h"

#include <algorithm>

namespace kestrum::sutonnymj {

namespace {

// Bounds on the search for one word: a word that needs more is reported as not spelled.
constexpr int kMaxVerifications = 48;
constexpr int kMaxNodes = 4000;
constexpr std::size_t kMaxMemo = 1 << 16;

bool startsWith(std::u32string_view text, std::size_t pos, std::u32string_view part) {
    return !part.empty() && text.size() - std::min(pos, text.size()) >= part.size() &&
           text.compare(pos, part.size(), part) == 0;
}

// The length of `part` as it stands in `text` at `pos`, or npos. A part that ends in the
// visible hasanta (্ and ZWNJ) also stands for a ্ with no ZWNJ before a consonant: ণ and ঢ
// with a hasanta between them draw as the visible hasanta but read as the conjunct ণ্ঢ, which
// has no glyph of its own. Whether the whole spelling reads back as the word decides.
std::size_t matchLength(std::u32string_view text, std::size_t pos, std::u32string_view part) {
    if (startsWith(text, pos, part))
        return part.size();
    if (part.size() < 2 || part.back() != kZwnj || part[part.size() - 2] != kHasanta)
        return std::u32string_view::npos;
    const std::u32string_view bare = part.substr(0, part.size() - 1);
    const std::size_t after = pos + bare.size();
    if (!startsWith(text, pos, bare) || after >= text.size() || !isConsonant(text[after]))
        return std::u32string_view::npos;
    return bare.size();
}

int upperCount(std::string_view key) {
    return int(std::count_if(key.begin(), key.end(), [](char c) { return c >= 'A' && c <= 'Z'; }));
}

bool endsInLetter(std::u32string_view text) {
    return !text.empty() && (isConsonant(text.back()) || text.back() == kNukta);
}

bool startsWithLetter(std::u32string_view text) {
    // ং counts: "sOng", as a person types it.
    return !text.empty() && (isConsonant(text.front()) || isIndependentVowel(text.front()) ||
                             text.front() == U'\u09CE' || text.front() == U'\u0982');
}

} // namespace

Romaniser::Romaniser(const Tables &tables, Generation g, const GlyphTable &glyphs)
    : m_decoder(glyphs, g) {
    m_engine.setTables(tables);
    m_engine.setConversionLog(&m_log);
    readTable(tables.firstTable, m_first);
    readTable(tables.nextTable, m_next);
    m_canReph = std::any_of(m_next.records.begin(), m_next.records.end(),
                            [](const Base &b) { return b.key == "R" && !b.vowel; });

    // The vowel signs as they read after a consonant; the one that writes nothing is "O".
    const std::u32string consonant = read("K");
    const kestrum::Table &connect = tables.connectTable;
    for (int i = 1; i <= connect.size(); ++i) {
        const std::string key(trimSpaces(connect[i].key.view()));
        if (key.empty() ||
            !std::all_of(key.begin(), key.end(), [](char c) { return isWordChar(char32_t(c)); }))
            continue;
        const std::u32string text = read(m_engine.placeVowelSign("K", i, "", false));
        if (text == consonant) {
            if (m_separator.empty())
                m_separator = key;
            continue;
        }
        if (!text.starts_with(consonant))
            continue;
        const GlyphString placed = m_engine.placeVowelSign("K", i, "", false);
        m_signs.push_back({key, i, text.substr(consonant.size()),
                           placed.starts_with('K') ? placed.substr(1) : std::string()});
    }
    // A consonant key whose glyphs end in a vowel sign that other keys write too (tYU is tJ
    // and U): a person types the sign after the cluster, so such a key comes second.
    for (Table *table : {&m_first, &m_next}) {
        for (Base &base : table->records) {
            base.shortcut =
                !base.vowel && std::any_of(m_signs.begin(), m_signs.end(), [&](const Sign &s) {
                    return !s.after.empty() && base.glyphs.size() > s.after.size() &&
                           base.glyphs.ends_with(s.after) && base.piece.ends_with(s.text);
                });
        }
    }

    // The sign letters the converter reads after a consonant, and what they write.
    for (char letter : {'N', 'M', 'W', 'L'}) {
        const std::string word(1, letter);
        int pos = 1;
        const GlyphString glyphs = takeNmwlSign(word, pos);
        if (!glyphs.empty())
            m_nmwl.push_back({letter, glyphs, read("K" + glyphs).substr(consonant.size())});
    }
    // No R/J/Y sign, one of them, or a ra-phala and a ya-phala (the converter takes two
    // different ones).
    m_rjyCombinations = {"", "R", "J", "Y", "RJ"};

    // Characters outside words: what each ASCII sign becomes through the converter.
    for (char c = 0x20; c < 0x7F; ++c) {
        if (isWordChar(char32_t(c)))
            continue;
        const std::u32string text = read(m_engine.convertBytes(std::string(1, c)));
        if (text.size() == 1)
            m_passing.emplace(text.front(), c);
    }
}

const std::u32string &Romaniser::read(std::string_view glyphs) {
    m_scratch.clear();
    m_decoder.decode(glyphs, m_scratch);
    return m_scratch;
}

void Romaniser::readTable(const kestrum::Table &source, Table &into) {
    for (int i = 1; i <= source.size(); ++i) {
        Base base;
        base.key = std::string(source[i].key.trimmed());
        if (base.key.empty() || !std::all_of(base.key.begin(), base.key.end(),
                                             [](char c) { return isWordChar(char32_t(c)); }))
            continue; // an unassigned slot, or a key no word can hold
        base.glyphs = std::string(source[i].glyphs.trimmed());
        base.piece = read(base.glyphs);
        base.vowel = m_engine.isVowelKey(base.key);
        base.upper = upperCount(base.key);
        if (base.piece.empty())
            continue;
        // The same key twice (a joint that is also a letter key): the engine finds one record
        // for it, and the final check decides; one candidate is enough.
        const bool duplicate =
            std::any_of(into.records.begin(), into.records.end(),
                        [&](const Base &b) { return b.key == base.key && b.piece == base.piece; });
        if (duplicate)
            continue;
        into.byFirst[base.piece.front()].push_back(into.records.size());
        into.records.push_back(std::move(base));
    }
}

void Romaniser::candidates(std::size_t pos, bool first, std::vector<Candidate> &out) {
    const Table &table = first ? m_first : m_next;
    const std::u32string &word = m_word;
    for (int reph = 0; reph < 2; ++reph) {
        std::size_t p = pos;
        if (reph) {
            if (first || !m_canReph || !startsWith(word, pos, U"\u09B0\u09CD"))
                break;
            p = pos + 2;
        }
        const auto bucket = table.byFirst.find(p < word.size() ? word[p] : 0);
        if (bucket == table.byFirst.end())
            continue;
        for (const std::size_t index : bucket->second) {
            const Base &base = table.records[index];
            const std::size_t baseLength = matchLength(word, p, base.piece);
            if (baseLength == std::u32string_view::npos)
                continue;
            if (base.vowel) {
                if (!reph)
                    out.push_back({base.key, p + baseLength, Ending::Closed,
                                   startsWithLetter(base.piece), true, false, base.piece.size(),
                                   base.upper});
                continue;
            }
            std::string cluster = base.glyphs;
            if (reph)
                cluster.push_back('\xA9');
            const std::size_t afterBase = p + baseLength;
            for (int nm = -1; nm < int(m_nmwl.size()); ++nm) {
                std::string withNmwl = cluster;
                std::string nmKey;
                if (nm >= 0) {
                    // র with a phala sign would read as a reph in Unicode (র্ম), but draw
                    // the phala under র: the reph is typed with R.
                    if (base.piece == U"\u09B0")
                        break;
                    const Letter &l = m_nmwl[std::size_t(nm)];
                    if (!startsWith(word, afterBase, l.text))
                        continue;
                    withNmwl += l.glyphs;
                    nmKey = l.key;
                }
                for (const std::string &rjKeys : m_rjyCombinations) {
                    std::string rjy;
                    bool takes = true;
                    for (char letter : rjKeys) {
                        int at = 1;
                        const GlyphString sign = takeRySign(std::string(1, letter), at, base.key);
                        takes = takes && !sign.empty();
                        rjy += sign;
                    }
                    if (!takes)
                        continue;
                    const std::u32string bare = read(withNmwl + rjy);
                    const std::size_t bareLength = matchLength(word, pos, bare);
                    if (bareLength == std::u32string_view::npos)
                        continue;
                    const std::size_t afterBare = pos + bareLength;
                    const std::string keys =
                        (reph ? std::string("R") : std::string()) + base.key + nmKey + rjKeys;
                    const Ending ending = endsInLetter(bare) ? Ending::Bare : Ending::Soft;
                    out.push_back({keys, afterBare, ending, startsWithLetter(bare), false,
                                   base.shortcut, base.piece.size(), base.upper});
                    for (const Sign &sign : m_signs) {
                        if (matchLength(word, afterBare, sign.text) == std::u32string_view::npos)
                            continue;
                        const std::u32string &unit =
                            read(m_engine.placeVowelSign(withNmwl, sign.index, rjy, first));
                        const std::size_t unitLength = matchLength(word, pos, unit);
                        if (unitLength == std::u32string_view::npos)
                            continue;
                        out.push_back({keys + sign.key, pos + unitLength, Ending::Closed,
                                       startsWithLetter(unit), false, base.shortcut,
                                       base.piece.size(), base.upper + upperCount(sign.key)});
                    }
                }
            }
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Candidate &a, const Candidate &b) {
        if (a.end != b.end)
            return a.end > b.end;
        if (a.shortcut != b.shortcut)
            return b.shortcut;
        if (a.basePiece != b.basePiece)
            return a.basePiece > b.basePiece;
        if (a.upper != b.upper)
            return a.upper < b.upper;
        return a.keys.size() < b.keys.size();
    });
    out.erase(std::unique(out.begin(), out.end(),
                          [](const Candidate &a, const Candidate &b) {
                              return a.keys == b.keys && a.end == b.end && a.ending == b.ending;
                          }),
              out.end());
}

bool Romaniser::verify(const std::string &keys) {
    ++m_verifications;
    const std::string glyphs = m_engine.convertBytes(keys);
    if (m_log.failed)
        return false;
    return read(glyphs) == m_word;
}

bool Romaniser::startsSign(std::string_view keys) const {
    if (!keys.empty() && std::string_view("NMWLRJY").find(keys.front()) != std::string_view::npos)
        return true;
    return (!m_separator.empty() && keys.starts_with(m_separator)) ||
           std::any_of(m_signs.begin(), m_signs.end(),
                       [&](const Sign &s) { return keys.starts_with(s.key); });
}

bool Romaniser::search(std::size_t pos, bool first, Ending previous, std::string &keys) {
    if (pos == m_word.size())
        return verify(keys);
    if (++m_nodes > kMaxNodes || m_verifications >= kMaxVerifications)
        return false;
    std::vector<Candidate> options;
    candidates(pos, first, options);
    const std::size_t length = keys.size();
    for (const Candidate &c : options) {
        // "O" ends a consonant that carries no vowel sign, so it joins nothing that follows;
        // try it first before a letter, last elsewhere.
        std::string_view separators[2] = {"", ""};
        int count = 1;
        if (previous != Ending::Closed && !m_separator.empty()) {
            // A vowel whose key a consonant would take as a sign needs it (kOI কই); one whose
            // key no sign starts with stands after the consonant as it is (k~OO কও).
            const bool separatorFirst =
                previous == Ending::Bare && c.startsWithLetter && (!c.vowel || startsSign(c.keys));
            separators[0] = separatorFirst ? std::string_view(m_separator) : std::string_view();
            separators[1] = separatorFirst ? std::string_view() : std::string_view(m_separator);
            count = 2;
        }
        for (int s = 0; s < count; ++s) {
            keys.append(separators[s]).append(c.keys);
            if (search(c.end, false, c.ending, keys))
                return true;
            keys.resize(length);
            if (m_verifications >= kMaxVerifications || m_nodes > kMaxNodes)
                return false;
        }
    }
    return false;
}

std::optional<std::string> Romaniser::romanise(std::u32string_view word) {
    if (word.size() > Romaniser::kMaxWordLength)
        return std::nullopt;
    std::u32string normal = normalize(word);
    if (normal.empty() || normal.size() > Romaniser::kMaxWordLength)
        return std::nullopt;
    if (const auto it = m_memo.find(normal); it != m_memo.end())
        return it->second;
    m_word = normal;
    // A word that ends in ্ ends in the visible hasanta, with or without the ZWNJ that the
    // glyph codes read back with (বাক্ is bAk&).
    if (m_word.back() == kHasanta)
        m_word.push_back(kZwnj);
    m_verifications = 0;
    m_nodes = 0;
    std::string keys;
    std::optional<std::string> result;
    if (search(0, true, Ending::Closed, keys))
        result = std::move(keys);
    if (m_memo.size() >= kMaxMemo)
        m_memo.clear();
    m_memo.emplace(std::move(normal), result);
    return result;
}

void Romaniser::addUnspelled(Text &text, std::size_t offset, std::size_t length) {
    // A run of characters with no spelling is one part, however it is made up (a Latin word,
    // a Bengali word with a Latin letter after it).
    if (!text.unspelled.empty()) {
        Unspelled &last = text.unspelled.back();
        if (last.offset + last.length == offset) {
            last.length += length;
            return;
        }
    }
    text.unspelled.push_back({offset, length, text.text.size()});
}

Romaniser::Text Romaniser::romaniseText(std::u32string_view text) {
    Text result;
    result.text.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = text[i];
        if (isBengaliWordChar(c)) {
            std::size_t end = i;
            while (end < text.size() && isBengaliWordChar(text[end]))
                ++end;
            const std::u32string_view word = text.substr(i, end - i);
            if (const auto keys = romanise(word)) {
                result.text.append(keys->begin(), keys->end());
            } else {
                addUnspelled(result, i, end - i);
                result.text += word;
            }
            i = end;
            continue;
        }
        if (c == U'\t' || c == U'\r' || c == U'\n') {
            result.text.push_back(c);
        } else if (const auto it = m_passing.find(c); it != m_passing.end()) {
            result.text.push_back(char32_t(it->second));
        } else {
            addUnspelled(result, i, 1);
            result.text.push_back(c);
        }
        ++i;
    }
    return result;
}

std::vector<std::u32string> latinWords(std::u32string_view text,
                                       const std::vector<Romaniser::Unspelled> &unspelled) {
    const auto latin = [](char32_t c) {
        return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
    };
    std::vector<std::u32string> words;
    for (const Romaniser::Unspelled &part : unspelled) {
        const std::u32string_view run = text.substr(part.offset, part.length);
        for (std::size_t i = 0; i < run.size();) {
            if (!latin(run[i])) {
                ++i;
                continue;
            }
            std::size_t end = i;
            while (end < run.size() && latin(run[end]))
                ++end;
            std::u32string word(run.substr(i, end - i));
            if (std::find(words.begin(), words.end(), word) == words.end())
                words.push_back(std::move(word));
            i = end;
        }
    }
    return words;
}

} // namespace kestrum::sutonnymj
