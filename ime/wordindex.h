// A Bengali word list indexed by the keys that type each word: the installed spell-checking
// word list (Debian's hunspell-bn, bn_BD.dic), each word romanised once with the tables, looked
// up by its keys in any case and by what its keys begin with.
//
// The list is read where it is installed and never copied into Kestrum; the index built from it
// is kept in the user's cache folder and built again when the list or the tables change.
#pragma once

#include "tables.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::ime {

// Where Debian's Bengali word list is installed.
inline constexpr const char *kDebianWordList = "/usr/share/hunspell/bn_BD.dic";

// Keys with every letter in lower case.
std::string lowerKeys(std::string_view keys);
// Lower-case keys with each run of "o", "i" or "u" as one letter: how a word is found when "o"
// is typed for O or OO (অ or ো), "i" for I or II, "u" for U or UU.
std::string foldedKeys(std::string_view keys);

class WordIndex {
public:
    // What says that an index was made from a given list with given tables.
    struct Source {
        std::uint64_t listSize = 0;
        std::int64_t listModified = 0; // nanoseconds
        std::uint64_t listPath = 0;    // a hash of the path
        std::uint64_t tables = 0;      // a hash of the tables' keys and glyphs
        bool operator==(const Source &) const = default;
    };
    static std::optional<Source> sourceOf(const std::filesystem::path &list, const Tables &tables);

    // Reads the word list (UTF-8, one word a line, a first line with the count and "/flags"
    // after a word allowed) and romanises every word with `tables`; words the tables cannot
    // spell are left out. Nothing, with *problem set, when the list cannot be read.
    static std::optional<WordIndex> build(const std::filesystem::path &list, const Tables &tables,
                                          std::string *problem);
    // The index kept in `cache` when it was made from `source`; else the index built anew and
    // kept there (a cache that cannot be written only costs the next start the build).
    static std::optional<WordIndex> open(const std::filesystem::path &list, const Tables &tables,
                                         const std::filesystem::path &cache, std::string *problem);
    // The cache file: $XDG_CACHE_HOME/kestrum/words.index, or ~/.cache/kestrum/words.index.
    static std::filesystem::path defaultCache();

    bool save(const std::filesystem::path &file, std::string *problem) const;
    // Nothing when the file is missing, made from another source, or not a whole index.
    static std::optional<WordIndex> load(const std::filesystem::path &file, const Source &source);

    struct Word {
        std::string_view text; // UTF-8
        std::string_view keys;
    };
    std::size_t size() const { return m_records.size(); }
    Word word(std::uint32_t id) const;

    // The words whose keys, lower-cased, are `lower` (in the list's order).
    std::vector<std::uint32_t> named(std::string_view lower) const;
    // The words whose keys are exactly `keys`.
    std::vector<std::uint32_t> spelled(std::string_view keys) const;
    // The words whose folded keys are `folded` (foldedKeys), in the list's order.
    std::vector<std::uint32_t> alike(std::string_view folded) const;
    // Up to `limit` words whose lower-cased keys begin with `lower` and are longer, shortest
    // keys first.
    std::vector<std::uint32_t> beginningWith(std::string_view lower, std::size_t limit) const;
    // Whether the word (UTF-8) is in the list.
    bool contains(std::string_view text) const;

    const Source &source() const { return m_source; }

private:
    struct Record {
        std::uint32_t text = 0;
        std::uint32_t keys = 0;
        std::uint16_t textLength = 0;
        std::uint16_t keysLength = 0;
    };
    void sortIndexes();
    bool valid() const;

    Source m_source;
    std::string m_pool;
    std::vector<Record> m_records;
    std::vector<std::uint32_t> m_byKeys;   // by lower-cased keys, then list order
    std::vector<std::uint32_t> m_byText;   // by the words' bytes
    std::vector<std::uint32_t> m_byFolded; // by the folded keys
};

} // namespace kestrum::ime
