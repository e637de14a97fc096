// A small, hand-made set of table files for the engine tests, written to a temporary folder.
#pragma once

#include "engine.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrum::test {

using Records = std::vector<std::pair<std::string, std::string>>;

// Keys and glyphs of the test romanisation. The glyph codes are arbitrary but readable
// SutonnyMJ-like bytes; the keys exercise every rule of the converter.
inline Records testVowels() {
    return {{"a", "A"},  {"aa", "Av"},   {"i", "B"},  {"ii", "C"}, {"u", "D"},
            {"uu", "E"}, {"rri", "F"},   {"e", "G"},  {"oi", "H"}, {"o", "I"},
            {"ou", "J"}, {"aaaaa", "X"}, {"ai", "AB"}};
}

inline Records testConsonants() {
    return {{"k", "K"},  {"kh", "L"}, {"g", "M"},  {"n", "b"},  {"m", "g"},  {"t", "Z"},
            {"d", "`"},  {"r", "i"},  {"R", "i"},  {"s", "m"},  {"sh", "k"}, {"~~", "u"},
            {"ng", "s"}, {"NG", "O"}, {"~t", "r"}, {"~T", "t"}, {"~r", "o"}, {"Y", "q"},
            {"h", "n"},  {"j", "R"},  {"l", "j"},  {"b", "e"},  {"p", "c"}};
}

inline Records testConnect() {
    return {{"A", "v"},    {"II", "x"}, {"WRI", "\x85"}, {"UU", "~"},
            {"h", "&"},    {"U", "y"},  {"E", "\x87"},   {"I", "w"},
            {"y", "\x89"}, {"O", "o"},  {"OO", "\x87v"}, {"OW", "\x87\x8A"}};
}

inline Records testJoints() {
    return {{"ksh", "\xB6"}, {"nd", "\x9B`"}, {"kt", "\xB3"}, {"kkkkk", "Q"}};
}

// Pads a record list to `count` with filler records whose keys hold a digit, which no word does.
inline Records filled(Records records, std::size_t count, const std::string &prefix) {
    while (records.size() < count)
        records.emplace_back(prefix + std::to_string(records.size() + 1), "?");
    return records;
}

inline void writeRecords(const std::filesystem::path &file, const Records &records) {
    std::ofstream out(file, std::ios::binary);
    for (const auto &[key, glyphs] : records)
        out << key << ',' << glyphs << "\r\n";
}

// A folder holding the four test table files; removed again by the destructor.
class TableFolder {
public:
    TableFolder() {
        static int serial = 0;
        m_dir = std::filesystem::temp_directory_path() /
                ("kestrum-tables-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        std::filesystem::create_directories(m_dir);
        Records first = testVowels();
        for (const auto &r : testConsonants())
            first.push_back(r);
        Records next = first; // the vowels of a later unit are their own glyphs
        writeRecords(m_dir / "first.alpha", filled(first, 50, "F"));
        writeRecords(m_dir / "next.alpha", filled(next, 56, "N"));
        writeRecords(m_dir / "connect.alpha", testConnect());
        writeRecords(m_dir / "joint.alpha", filled(testJoints(), 148, "J"));
    }
    ~TableFolder() { std::filesystem::remove_all(m_dir); }
    TableFolder(const TableFolder &) = delete;
    TableFolder &operator=(const TableFolder &) = delete;

    const std::filesystem::path &path() const { return m_dir; }

private:
    std::filesystem::path m_dir;
};

// Bytes as hex, so a failure shows which glyph differs.
inline std::string hex(std::string_view bytes) {
    std::string out;
    char buffer[4];
    for (unsigned char c : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", c);
        out += buffer;
    }
    if (!out.empty())
        out.pop_back();
    return out;
}

// A conversion log that keeps its lines.
class RecordingLog : public ConversionLog {
public:
    void clear() override {
        lines.clear();
        ++clears;
    }
    void append(std::string_view line) override { lines.emplace_back(line); }

    std::vector<std::string> lines;
    int clears = 0;
};

} // namespace kestrum::test
