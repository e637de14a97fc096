// Longest-match key lookups.
#include "lookup.h"

#include <algorithm>
#include <string>

namespace kestrum {

namespace {

std::array<char, kFieldWidth> padded(std::string_view piece) {
    std::array<char, kFieldWidth> out;
    out.fill(' ');
    std::copy_n(piece.begin(), std::min(piece.size(), kFieldWidth), out.begin());
    return out;
}

std::string_view pieceAt(std::string_view word, int pos, int length) {
    const auto start = static_cast<std::size_t>(pos - 1);
    if (pos < 1 || start >= word.size())
        return {};
    return word.substr(start, static_cast<std::size_t>(length));
}

} // namespace

int matchLongest(const Table &table, int maxLength, std::string_view word, int &pos) {
    for (int length = maxLength; length >= 1; --length) {
        const auto search = padded(pieceAt(word, pos, length));
        if (const int idx = findKey(table, {search.data(), search.size()}); idx > 0) {
            pos += length;
            return idx;
        }
    }
    return 0;
}

int KeyIndex::addNode() {
    m_children.insert(m_children.end(), static_cast<std::size_t>(m_classes), kNoChild);
    m_result.push_back(0);
    return static_cast<int>(m_result.size()) - 1;
}

KeyIndex::KeyIndex(const Table &table) {
    // Only keys made of characters a piece can hold (no space, no NUL) before their padding can
    // equal a padded piece; a key "ab   " is reached by the path a, b.
    std::vector<std::string_view> paths;
    for (int i = 1; i <= table.size(); ++i) {
        std::string_view key = table[i].key.view();
        while (!key.empty() && key.back() == ' ')
            key.remove_suffix(1);
        if (key.empty() || key.find_first_of(std::string_view(" \0", 2)) != std::string_view::npos)
            continue;
        paths.push_back(key);
        for (char c : key) {
            auto &cls = m_class[static_cast<unsigned char>(c)];
            if (cls == 0)
                cls = static_cast<std::uint8_t>(m_classes++);
        }
    }
    addNode();
    std::vector<std::string> texts{std::string()};
    for (std::string_view path : paths) {
        int node = 0;
        for (std::size_t d = 0; d < path.size(); ++d) {
            const int cls = m_class[static_cast<unsigned char>(path[d])];
            auto child = m_children[static_cast<std::size_t>(node * m_classes + cls)];
            if (child == kNoChild) {
                // Every class is known before the first node is added, so the row stride of
                // m_children stays fixed while nodes are added.
                child = static_cast<std::int16_t>(addNode());
                m_children[static_cast<std::size_t>(node * m_classes + cls)] = child;
                texts.emplace_back(path.substr(0, d + 1));
            }
            node = child;
        }
    }
    for (std::size_t n = 0; n < texts.size(); ++n) {
        const auto search = padded(texts[n]);
        m_result[n] = findKey(table, {search.data(), search.size()});
    }
    // Nodes are added after their parents, so a parent's hit is known before its children's.
    // The root's text is empty, and a piece never is.
    m_hit.assign(m_result.size(), 0);
    m_childBytes.assign(m_result.size(), {});
    std::vector<std::int32_t> depth(m_result.size(), 0);
    const auto stride = static_cast<std::size_t>(m_classes);
    for (std::size_t n = 0; n < m_result.size(); ++n) {
        if (n > 0 && m_result[n] > 0)
            m_hit[n] = m_result[n] * 8 + depth[n];
        for (std::size_t cls = 1; cls < stride; ++cls) {
            const auto child = m_children[n * stride + cls];
            if (child == kNoChild)
                continue;
            m_hit[static_cast<std::size_t>(child)] = m_hit[n];
            depth[static_cast<std::size_t>(child)] = depth[n] + 1;
        }
    }
    for (int b = 0; b < 256; ++b) {
        if (const int cls = m_class[static_cast<std::size_t>(b)]; cls != 0) {
            for (std::size_t n = 0; n < m_result.size(); ++n) {
                if (m_children[n * stride + static_cast<std::size_t>(cls)] != kNoChild)
                    m_childBytes[n].set(static_cast<std::size_t>(b));
            }
        }
    }
    m_emptyResult = m_result[0];
    m_built = true;
}

int KeyIndex::match(const Table &table, int maxLength, std::string_view word, int &pos) const {
    if (!m_built)
        return matchLongest(table, maxLength, word, pos);
    const long rest = static_cast<long>(word.size()) - pos + 1;
    if (pos < 1 || rest <= 0) {
        // Every length gives the same empty piece: five spaces.
        if (m_emptyResult > 0)
            pos += maxLength;
        return m_emptyResult;
    }
    const int reach = static_cast<int>(std::min<long>(maxLength, rest));
    const char *piece = word.data() + (pos - 1);
    // found[d]: the index for the first d characters of the piece; depth: how far the trie goes.
    std::array<int, kFieldWidth + 1> found{};
    int depth = 0;
    int node = 0;
    for (int d = 0; d < reach; ++d) {
        const unsigned char c = static_cast<unsigned char>(piece[d]);
        if (c == ' ' || c == '\0')
            return matchLongest(table, maxLength, word, pos);
        const int cls = m_class[c];
        const int child =
            cls == 0 ? kNoChild : m_children[static_cast<std::size_t>(node * m_classes + cls)];
        if (child == kNoChild) {
            // The deeper pieces match nothing, but a space or NUL further on still needs the
            // literal search for exactness.
            for (int e = d + 1; e < reach; ++e) {
                if (piece[e] == ' ' || piece[e] == '\0')
                    return matchLongest(table, maxLength, word, pos);
            }
            break;
        }
        node = child;
        found[static_cast<std::size_t>(++depth)] = m_result[static_cast<std::size_t>(node)];
    }
    for (int length = maxLength; length >= 1; --length) {
        const int pieceLength = std::min(length, reach);
        const int idx = pieceLength <= depth ? found[static_cast<std::size_t>(pieceLength)] : 0;
        if (idx > 0) {
            pos += length;
            return idx;
        }
    }
    return 0;
}

} // namespace kestrum
