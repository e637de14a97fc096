// Substitution tables: fixed-width records, the four table files, sorting and the halving search.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrum {

// A glyph string: 8-bit SutonnyMJ glyph codes, one byte each.
using GlyphString = std::string;

// A fixed-width text field. Assigning a text stores exactly N characters: a shorter text is
// padded on the right with spaces, a longer one is cut to its first N characters. A field that
// was never assigned holds N NUL characters.
template <std::size_t N> class FixedField {
public:
    FixedField() { m_chars.fill('\0'); }
    explicit FixedField(std::string_view text) { assign(text); }

    void assign(std::string_view text) {
        for (std::size_t i = 0; i < N; ++i)
            m_chars[i] = i < text.size() ? text[i] : ' ';
    }
    std::string_view view() const { return {m_chars.data(), N}; }
    // The value with leading and trailing spaces removed, as it is used.
    std::string_view trimmed() const;

    friend bool operator==(const FixedField &, const FixedField &) = default;

private:
    std::array<char, N> m_chars;
};

// Ordinal comparison of two key texts, character by character by character code (the
// Windows-1252 character of each byte). Returns <0, 0 or >0.
int compareKeys(std::string_view a, std::string_view b);

// Removes leading and trailing spaces (only spaces).
std::string_view trimSpaces(std::string_view s);

template <std::size_t N> std::string_view FixedField<N>::trimmed() const {
    return trimSpaces(view());
}

constexpr std::size_t kFieldWidth = 5;
constexpr std::size_t kVowelKeyWidth = 4;

struct TableRecord {
    FixedField<kFieldWidth> glyphs;
    FixedField<kFieldWidth> key;
};

// A table indexed from 1 to size(); slot 0 is never used.
class Table {
public:
    explicit Table(int count = 0) : m_records(static_cast<std::size_t>(count) + 1) {}

    int size() const { return static_cast<int>(m_records.size()) - 1; }
    TableRecord &operator[](int i) { return m_records[static_cast<std::size_t>(i)]; }
    const TableRecord &operator[](int i) const { return m_records[static_cast<std::size_t>(i)]; }

private:
    std::vector<TableRecord> m_records;
};

// Record counts of the four table files and the slots of the tables built from them.
constexpr int kFirstRecords = 50;
constexpr int kNextRecords = 56;
constexpr int kConnectRecords = 12;
constexpr int kJointRecords = 148;
constexpr int kVowelRecords = 13;
constexpr int kFirstSlots = kFirstRecords + kJointRecords + 1; // the last slot stays unassigned
constexpr int kNextSlots = kNextRecords + kJointRecords + 1;

inline constexpr const char *kFirstFile = "first.alpha";
inline constexpr const char *kNextFile = "next.alpha";
inline constexpr const char *kConnectFile = "connect.alpha";
inline constexpr const char *kJointFile = "joint.alpha";

struct Tables {
    Table firstTable{kFirstSlots};
    Table nextTable{kNextSlots};
    Table connectTable{kConnectRecords};
    std::array<FixedField<kVowelKeyWidth>, kVowelRecords + 1> vowelKeys{}; // 1-based
};

// A table file that cannot be read, or that ends before its record count. what() names the
// file and the record, or the file and the system's reason, for example
//   "first.alpha: record 37 of 50 is missing (the file ends after 36 records)"
//   "first.alpha: cannot open /usr/bin/first.alpha: Is a directory"
//   "first.alpha: the file is saved as UTF-8 with a byte-order mark; table files are 8-bit
//    Windows-1252 text".
class TableLoadError : public std::runtime_error {
public:
    TableLoadError(std::string file, int record, const std::string &message)
        : std::runtime_error(message), m_file(std::move(file)), m_record(record) {}
    const std::string &file() const { return m_file; }
    // The 1-based record that could not be read; 0 when the file could not be opened.
    int record() const { return m_record; }

private:
    std::string m_file;
    int m_record;
};

// Reads the four table files from `dir` (first, next, connect, joint, each opened, read and
// closed in turn), then sorts the next, first and connect tables. The first 13 keys of
// first.alpha become the vowel keys, in file order. Joint records go into both the first and
// the next table. Each file is read only up to its last record, never whole. Throws
// TableLoadError when a file is missing, not a regular file (a folder, a FIFO, a device),
// unreadable, saved with a UTF-8 byte-order mark, or too short.
Tables readTables(const std::filesystem::path &dir);

// The first `count` records of the table file `name` in `dir`, in file order, each as (key,
// glyphs) exactly as read: not padded, not cut. Throws TableLoadError like readTables.
std::vector<std::pair<std::string, std::string>> readRecords(const std::filesystem::path &dir,
                                                             const char *name, int count);

// Bubble sort by key over indices 1..n (unassigned slots included), n - 1 passes with no early
// exit; records with equal keys keep their order.
void sortTable(Table &table);

// Halving search for a record whose key equals the 5-character search text `s`.
// Positions are 1-based; returns 0 when no record was found. When a key occurs more than once,
// the result is the one these steps give: the probe loop stops at the first equal middle, and
// after the loop an equal key at lo, then at hi, wins over that middle.
int findKey(const Table &table, std::string_view s);

} // namespace kestrum
