// The table files against README.md: every key documented with its letter, no key left out,
// and the record layout the converter relies on.
//
// README's Romanisation section lists every key of the four files with its Bengali letter.
// This test reads the files as the converter does, turns each record's glyph bytes back into
// Bengali with the SutonnyMJ byte map below, and compares that with the README.

#include "fieldreader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What each SutonnyMJ glyph byte draws (the letters, signs, half forms, second parts and
// conjuncts; punctuation and digits are left out, as no record holds them).
const std::map<unsigned char, std::string_view> kGlyphMap = {
    {0x26, "্"},   {0x41, "অ"},  {0x42, "ই"},   {0x43, "ঈ"},  {0x44, "উ"},  {0x45, "ঊ"},
    {0x46, "ঋ"},  {0x47, "এ"},  {0x48, "ঐ"},   {0x49, "ও"},  {0x4A, "ঔ"},  {0x4B, "ক"},
    {0x4C, "খ"},  {0x4D, "গ"},  {0x4E, "ঘ"},   {0x4F, "ঙ"},  {0x50, "চ"},  {0x51, "ছ"},
    {0x52, "জ"},  {0x53, "ঝ"},  {0x54, "ঞ"},   {0x55, "ট"},  {0x56, "ঠ"},  {0x57, "ড"},
    {0x58, "ঢ"},  {0x59, "ণ"},  {0x5A, "ত"},   {0x5E, "্ব"},  {0x5F, "থ"},  {0x60, "দ"},
    {0x61, "ধ"},  {0x62, "ন"},  {0x63, "প"},   {0x64, "ফ"},  {0x65, "ব"},  {0x66, "ভ"},
    {0x67, "ম"},  {0x68, "য"},  {0x69, "র"},   {0x6A, "ল"},  {0x6B, "শ"},  {0x6C, "ষ"},
    {0x6D, "স"},  {0x6E, "হ"},  {0x6F, "ড়"},   {0x70, "ঢ়"},  {0x71, "য়"},  {0x72, "ৎ"},
    {0x73, "ং"},  {0x74, "ঃ"},  {0x75, "ঁ"},    {0x76, "া"},  {0x77, "ি"},  {0x78, "ী"},
    {0x79, "ু"},   {0x7A, "ু"},   {0x7E, "ূ"},    {0x82, "ূ"},   {0x83, "ূ"},   {0x84, "ৃ"},
    {0x85, "ৃ"},   {0x86, "ে"},  {0x87, "ে"},   {0x88, "ৈ"},  {0x89, "ৈ"},  {0x8A, "ৗ"},
    {0x8B, "্ক"},  {0x8C, "্ক্র"}, {0x91, "্তু"},   {0x92, "্থ"},  {0x93, "ু"},   {0x94, "চ্"},
    {0x95, "ঙ্"},  {0x96, "ু"},   {0x97, "্ত"},   {0x98, "দ্"},  {0x99, "দ্"},  {0x9A, "ন্"},
    {0x9B, "ন্"},  {0x9C, "্ন"},  {0x9F, "্ব"},   {0xA1, "্ব"},  {0xA2, "্ভ"},  {0xA3, "্ভ্র"},
    {0xA4, "ম্"},  {0xA5, "্ম"},  {0xA6, "্ব"},   {0xA7, "্ম"},  {0xA8, "্য"},  {0xA9, "র্"},
    {0xAA, "্র"},  {0xAB, "্র"},  {0xAC, "্ল"},   {0xAD, "্ল"},  {0xAE, "ষ্"},  {0xAF, "স্"},
    {0xB0, "ক্ক"}, {0xB1, "ক্ট"}, {0xB2, "ক্ষ্ম"}, {0xB3, "ক্ত"}, {0xB4, "ক্ম"}, {0xB5, "ক্র"},
    {0xB6, "ক্ষ"}, {0xB7, "ক্স"}, {0xB8, "গু"},   {0xBA, "গ্দ"}, {0xBB, "গ্ধ"}, {0xBC, "ঙ্ক"},
    {0xBD, "ঙ্গ"}, {0xBE, "জ্জ"}, {0xBF, "্ত্র"},  {0xC0, "জ্ঝ"}, {0xC1, "জ্ঞ"}, {0xC2, "ঞ্চ"},
    {0xC3, "ঞ্ছ"}, {0xC4, "ঞ্জ"}, {0xC5, "ঞ্ঝ"},  {0xC6, "ট্ট"}, {0xC7, "ড্ড"}, {0xC8, "ণ্ট"},
    {0xC9, "ণ্ঠ"}, {0xCA, "ণ্ড"}, {0xCB, "ত্ত"},  {0xCC, "ত্থ"}, {0xCE, "ত্র"}, {0xCF, "দ্দ"},
    {0xD6, "্র"},  {0xD7, "দ্ধ"}, {0xD8, "দ্ব"},  {0xD9, "দ্ম"}, {0xDA, "ন্ঠ"}, {0xDB, "ন্ড"},
    {0xDC, "ন্ধ"}, {0xDD, "ন্স"}, {0xDE, "প্ট"},  {0xDF, "প্ত"}, {0xE0, "প্প"}, {0xE1, "প্স"},
    {0xE2, "ব্জ"}, {0xE3, "ব্দ"}, {0xE4, "ব্ধ"},  {0xE5, "ভ্র"}, {0xE7, "ম্ফ"}, {0xE8, "্ণ"},
    {0xE9, "ল্ক"}, {0xEA, "ল্গ"}, {0xEB, "ল্ট"},  {0xEC, "ল্ড"}, {0xED, "ল্প"}, {0xEE, "ল্ফ"},
    {0xEF, "শু"},  {0xF0, "শ্চ"}, {0xF1, "শ্ছ"},  {0xF2, "ষ্ণ"}, {0xF3, "ষ্ট"}, {0xF4, "ষ্ঠ"},
    {0xF5, "ষ্ফ"}, {0xF6, "স্খ"}, {0xF7, "স্ট"},  {0xF9, "স্ফ"}, {0xFA, "্প"},  {0xFB, "হু"},
    {0xFC, "হৃ"},  {0xFD, "হ্ন"}, {0xFE, "হ্ম"},
};

const std::vector<std::string> kConnectKeys = {"A", "II", "WRI", "UU", "h",  "U",
                                               "E", "I",  "y",   "O",  "OO", "OW"};
// Bytes that the two generations of the SutonnyMJ font draw differently.
const std::set<unsigned char> kUnportable = {0xE6, 0xF8, 0xCD, 0xFF, 0xB9};

struct Record {
    std::string key;
    std::string glyphs;
};

std::string readFile(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<Record> readRecords(const std::string &file) {
    const std::string text = readFile(fs::path(KESTRUM_DATA_DIR) / file);
    kestrum::FieldReader reader(text); // reads from `text`, which must outlive it
    std::vector<Record> records;
    while (auto key = reader.next()) {
        auto glyphs = reader.next();
        records.push_back({*key, glyphs.value_or("")});
    }
    return records;
}

void replaceAll(std::string &text, std::string_view from, std::string_view to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// One spelling for the letters Unicode can write two ways: ড় ঢ় য় precomposed, ো ৌ as one sign.
std::string composed(std::string text) {
    replaceAll(text, "\u09A1\u09BC", "\u09DC");
    replaceAll(text, "\u09A2\u09BC", "\u09DD");
    replaceAll(text, "\u09AF\u09BC", "\u09DF");
    replaceAll(text, "\u09C7\u09BE", "\u09CB");
    replaceAll(text, "\u09C7\u09D7", "\u09CC");
    return text;
}

// The Bengali that a glyph string draws, in logical order.
std::string decode(std::string_view glyphs, std::string &unknown) {
    // হ with the na-phala glyph is হ্ণ: হ্ন has a glyph of its own.
    if (glyphs == "\x6E\x9C")
        return "হ্ণ";
    std::string text, reph;
    unsigned char previous = 0;
    for (unsigned char c : glyphs) {
        auto it = kGlyphMap.find(c);
        if (it == kGlyphMap.end())
            unknown.push_back(static_cast<char>(c));
        else if (c == 0xA9)
            reph = it->second; // written after the cluster it stands on, read before it
        else if (c == 0xA8 && previous == 0x69)
            text += "\u200D\u09CD\u09AF"; // র with a ya-phala beside it, not the reph over য
        else
            text += it->second;
        previous = c;
    }
    text.insert(0, reph);
    replaceAll(text, "\u09CD\u09CD", "\u09CD"); // a half form meets a second part: one hasanta
    replaceAll(text, "\u0985\u09BE", "\u0986"); // অ and া make আ
    return composed(text);                      // and the two parts of ো ৌ make one sign
}

struct ReadmeKey {
    std::string letter;
    std::set<std::string> tables;
};

std::vector<std::string> cells(const std::string &line) {
    std::vector<std::string> out;
    std::istringstream in(line.substr(1));
    for (std::string cell; std::getline(in, cell, '|');) {
        auto first = cell.find_first_not_of(' ');
        auto last = cell.find_last_not_of(' ');
        out.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
    }
    return out;
}

std::string unquoted(const std::string &cell) {
    return cell.size() > 2 && cell.front() == '`' && cell.back() == '`'
               ? cell.substr(1, cell.size() - 2)
               : "";
}

std::string letterOf(std::string cell) {
    replaceAll(cell, "◌", "");
    return composed(cell == "(none)" ? "" : cell);
}

// The documented keys of each table file, from README.md's Romanisation section.
std::map<std::string, std::map<std::string, std::string>>
readmeKeys(std::vector<std::string> &problems) {
    std::istringstream readme(readFile(fs::path(KESTRUM_SOURCE_DIR) / "README.md"));
    std::map<std::string, std::map<std::string, std::string>> keys;
    bool inside = false;
    std::string heading;
    auto add = [&](const std::string &table, const std::string &key, const std::string &letter) {
        if (!keys[table].emplace(key, letter).second)
            problems.push_back("README lists " + table + " key " + key + " twice");
    };
    for (std::string line; std::getline(readme, line);) {
        if (line.rfind("<!-- romanisation: begin", 0) == 0)
            inside = true;
        else if (line.rfind("<!-- romanisation: end", 0) == 0)
            inside = false;
        if (!inside)
            continue;
        if (line.rfind("### ", 0) == 0)
            heading = line;
        if (line.rfind("| `", 0) != 0 || heading.find("not table keys") != std::string::npos)
            continue;
        const auto row = cells(line);
        if (heading.find("joint.alpha") != std::string::npos) {
            for (std::size_t i = 0; i + 1 < row.size(); i += 3)
                if (!unquoted(row[i]).empty())
                    add("joint", unquoted(row[i]), letterOf(row[i + 1]));
        } else if (row.size() >= 3) {
            std::istringstream tables(row[2]);
            for (std::string table; tables >> table;)
                add(table, unquoted(row[0]), letterOf(row[1]));
        }
    }
    return keys;
}

struct TableFile {
    std::string table;
    std::string file;
    std::size_t records;
};

const TableFile kFiles[] = {{"first", "first.alpha", 50},
                            {"next", "next.alpha", 56},
                            {"connect", "connect.alpha", 12},
                            {"joint", "joint.alpha", 148}};

TEST(RomanisationData, EveryKeyIsInTheReadmeWithTheLetterItsGlyphsDraw) {
    std::vector<std::string> problems;
    auto documented = readmeKeys(problems);
    for (const TableFile &f : kFiles) {
        auto readme = documented[f.table];
        for (const Record &r : readRecords(f.file)) {
            std::string unknown;
            const std::string drawn = decode(r.glyphs, unknown);
            if (!unknown.empty())
                problems.push_back(f.file + " " + r.key + ": glyph bytes with no known letter");
            auto it = readme.find(r.key);
            if (it == readme.end()) {
                problems.push_back(f.file + " " + r.key + " (" + drawn + ") is not in the README");
                continue;
            }
            if (it->second != drawn)
                problems.push_back(f.file + " " + r.key + " draws " + drawn + ", the README says " +
                                   it->second);
            readme.erase(it);
        }
        for (const auto &[key, letter] : readme)
            problems.push_back("the README lists " + f.table + " key " + key + " (" + letter +
                               "), which " + f.file + " does not hold");
    }
    for (const std::string &p : problems)
        ADD_FAILURE() << p;
}

TEST(RomanisationData, FilesHoldTheRecordsTheConverterReads) {
    for (const TableFile &f : kFiles) {
        SCOPED_TRACE(f.file);
        const auto records = readRecords(f.file);
        EXPECT_EQ(records.size(), f.records);
        std::set<std::string> keys;
        for (const Record &r : records) {
            SCOPED_TRACE(r.key);
            EXPECT_TRUE(keys.insert(r.key).second) << "duplicate key";
            EXPECT_FALSE(r.key.empty());
            EXPECT_LE(r.key.size(), 5u);
            EXPECT_LE(r.glyphs.size(), 5u);
            EXPECT_TRUE(std::all_of(r.key.begin(), r.key.end(), [](char c) {
                return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '~' || c == '&';
            }));
            for (unsigned char c : r.glyphs)
                EXPECT_EQ(kUnportable.count(c), 0u)
                    << "byte " << int(c) << " differs between font generations";
        }
    }
}

TEST(RomanisationData, VowelsComeFirstAndTheSignsAreTheTwelveKeys) {
    const auto first = readRecords("first.alpha");
    ASSERT_GE(first.size(), 13u);
    std::set<std::string> vowelKeys;
    for (std::size_t i = 0; i < 13; ++i) {
        EXPECT_LE(first[i].key.size(), 4u) << first[i].key;
        std::string unknown;
        const std::string drawn = decode(first[i].glyphs, unknown);
        // An independent vowel: one of অ আ ই ঈ উ ঊ ঋ এ ঐ ও ঔ, possibly with a ya-phala and আ-kar.
        EXPECT_TRUE(
            drawn.rfind("অ", 0) == 0 || drawn.rfind("আ", 0) == 0 || drawn.rfind("ই", 0) == 0 ||
            drawn.rfind("ঈ", 0) == 0 || drawn.rfind("উ", 0) == 0 || drawn.rfind("ঊ", 0) == 0 ||
            drawn.rfind("ঋ", 0) == 0 || drawn.rfind("এ", 0) == 0 || drawn.rfind("ঐ", 0) == 0 ||
            drawn.rfind("ও", 0) == 0 || drawn.rfind("ঔ", 0) == 0)
            << first[i].key << " draws " << drawn;
        vowelKeys.insert(first[i].key);
    }
    // A key counts as a vowel by its text alone, so no consonant may share a vowel's key.
    for (const char *file : {"first.alpha", "next.alpha", "joint.alpha"}) {
        const auto records = readRecords(file);
        for (std::size_t i = std::string_view(file) == "first.alpha" ? 13 : 0; i < records.size();
             ++i) {
            std::string unknown;
            const std::string drawn = decode(records[i].glyphs, unknown);
            const bool isVowel = vowelKeys.count(records[i].key) > 0;
            const bool drawsVowel =
                drawn == "আ" || drawn == "ই" || drawn == "উ" || drawn == "এ" || drawn == "ও";
            EXPECT_EQ(isVowel, drawsVowel) << file << " " << records[i].key;
        }
    }
    std::vector<std::string> connectKeys;
    for (const Record &r : readRecords("connect.alpha"))
        connectKeys.push_back(r.key);
    EXPECT_EQ(connectKeys, kConnectKeys);
}

} // namespace
