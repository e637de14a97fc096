// Longest-match key lookups over the substitution tables.
#pragma once

#include "tables.h"

#include <array>
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

private:
    int addNode();

    static constexpr std::int16_t kNoChild = -1;
    std::array<std::uint8_t, 256> m_class{}; // byte -> child slot; 0 = no key holds that byte
    int m_classes = 1;
    std::vector<std::int16_t> m_children; // node * m_classes + class
    std::vector<int> m_result;            // findKey result for the node's padded text
    int m_emptyResult = 0;                // findKey result for five spaces
    bool m_built = false;
};

} // namespace kestrum
