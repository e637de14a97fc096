// Longest-match key lookups over the substitution tables.
#pragma once

#include "tables.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kestrum {

// Greatest key lengths tried by each lookup.
constexpr int kFirstMaxLength = 4;
constexpr int kNextMaxLength = 5;
constexpr int kConnectMaxLength = 3;

// The longest key of `table` that starts at the 1-based position `pos` of `word`, trying the
// lengths maxLength, maxLength - 1, ..., 1. For each length L the piece of the word at pos,
// L characters long (the rest of the word when fewer remain, empty beyond the end), padded with
// spaces to 5 characters, is searched with findKey. On the first hit pos advances by L (the
// length tried, not the length of the piece, so pos can land beyond the end of the word) and
// the record's index is returned. Returns 0 with pos unchanged when no length matches.
int matchLongest(const Table &table, int maxLength, std::string_view word, int &pos);

// The same lookup as matchLongest, answered from a trie built once over a sorted table. Every
// trie node keeps the index that findKey gives for its padded text, so the answers are those of
// the halving search, duplicate keys included. Pieces holding a space or a NUL character (which
// words cut by the driver never do) are handed to matchLongest.
class KeyIndex {
public:
    KeyIndex() = default;
    explicit KeyIndex(const Table &table);

    int match(const Table &table, int maxLength, std::string_view word, int &pos) const;

    // The longest-match lookup for the converter's own use on a word that holds no space and
    // no NUL character (the words the driver cuts never do), read through a probe that notes
    // what each test learned of a character (see Engine's StepProbe): probe.isEnd(p) tells
    // whether the 1-based position p is past the end of the word, probe.peek(p) gives the
    // character there, and after a peek the walk says whether it needed that exact character
    // (probe.exact(p)) or only learned that it is none of a set (probe.ruleOut(p, bytes)).
    // It gives match's index, and the same pos wherever that stays within the word; where
    // match would move pos past the end, pos moves past the end too, but maybe not as far
    // (past the end every later test of the converter reads NUL, so how far makes no
    // difference). It reads no character it does not need. Only on an index built from a
    // table.
    template <int MaxLength, class Probe> int matchInWord(Probe &probe, std::size_t &pos) const;

private:
    int addNode();

    static constexpr std::int16_t kNoChild = -1;
    std::array<std::uint8_t, 256> m_class{}; // byte -> child slot; 0 = no key holds that byte
    int m_classes = 1;
    std::vector<std::int16_t> m_children; // node * m_classes + class
    std::vector<int> m_result;            // findKey result for the node's padded text
    // For matchInWord: the deepest record on the path to each node (itself included), as
    // index * 8 + depth; 0 for none.
    std::vector<std::int32_t> m_hit;
    std::vector<std::bitset<256>> m_childBytes; // the bytes that lead from each node to a child
    int m_emptyResult = 0;                      // findKey result for five spaces
    bool m_built = false;
};

template <int MaxLength, class Probe>
int KeyIndex::matchInWord(Probe &probe, std::size_t &pos) const {
    if (probe.isEnd(pos)) {
        // Past the end every length gives the same empty piece: five spaces.
        if (m_emptyResult > 0)
            pos += MaxLength;
        return m_emptyResult;
    }
    // The walk ends at the NUL after the word at the latest: no key holds one.
    const auto stride = static_cast<std::size_t>(m_classes);
    std::size_t node = 0;
    for (int d = 0; d < MaxLength && m_childBytes[node].any(); ++d) {
        const auto p = pos + static_cast<std::size_t>(d);
        const auto c = static_cast<unsigned char>(probe.peek(p));
        const std::int16_t child = m_children[node * stride + m_class[c]];
        if (child < 0) {
            probe.ruleOut(p, m_childBytes[node]);
            break;
        }
        probe.exact(p);
        node = static_cast<std::size_t>(child);
    }
    // The deepest key on the walk wins. When it is the whole rest of the word, match tries
    // MaxLength first and moves pos by that; pos + found is past the end already.
    const std::int32_t hit = m_hit[node];
    if (hit > 0)
        pos += static_cast<std::size_t>(hit & 7);
    return hit >> 3;
}

} // namespace kestrum
