// Test support: the project's word tables, table sets on disk, and readable failures.
#pragma once

#include "../engine/fixture.h"
#include "engine.h"
#include "unicodetext.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace kestrum::test {

struct Word {
    std::string bengali; // UTF-8
    std::string typed;   // the keys the table gives for it
};

inline std::string readFile(const std::filesystem::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<std::string> fields(const std::string &line) {
    std::vector<std::string> out;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, '\t');)
        out.push_back(field);
    return out;
}

// Every Bengali word and sentence of tests/engine/words.tsv and every example word of
// data/romanisation.tsv, with its typed keys.
inline std::vector<Word> projectWords() {
    std::vector<Word> words;
    const auto add = [&](const std::string &file, std::size_t bengali, std::size_t typed) {
        std::stringstream lines(readFile(file));
        for (std::string line; std::getline(lines, line);) {
            const std::vector<std::string> f = fields(line);
            if (line.empty() || line[0] == '#' || f.size() <= typed || f[typed] == "typed")
                continue;
            words.push_back({f[bengali], f[typed]});
        }
    };
    add(std::string(KESTRUM_SOURCE_DIR) + "/tests/engine/words.tsv", 0, 1);
    add(std::string(KESTRUM_DATA_DIR) + "/romanisation.tsv", 5, 6);
    return words;
}

inline std::u32string u32(const std::string &utf8) {
    const auto text = sutonnymj::fromUtf8(utf8);
    return text ? *text : std::u32string();
}

inline std::string utf8(std::u32string_view text) {
    return sutonnymj::toUtf8(text);
}

// A copy of the shipped table files in a temporary folder, each record's key passed through
// `editKey` and its glyphs through `editGlyphs` (both given the file name, key and glyphs).
class EditedTables {
public:
    using Edit = std::function<std::string(const std::string &file, const std::string &key,
                                           const std::string &glyphs)>;

    EditedTables(const Edit &editKey, const Edit &editGlyphs) {
        static int serial = 0;
        m_dir = std::filesystem::temp_directory_path() /
                ("kestrum-edited-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        std::filesystem::create_directories(m_dir);
        for (const char *file : {kFirstFile, kNextFile, kConnectFile, kJointFile}) {
            std::stringstream lines(readFile(std::filesystem::path(KESTRUM_DATA_DIR) / file));
            std::ofstream out(m_dir / file, std::ios::binary);
            for (std::string line; std::getline(lines, line);) {
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                const std::size_t comma = line.find(',');
                const std::string key = line.substr(0, comma);
                const std::string glyphs = comma == std::string::npos ? "" : line.substr(comma + 1);
                out << editKey(file, key, glyphs) << ',' << editGlyphs(file, key, glyphs) << "\r\n";
            }
        }
    }
    ~EditedTables() { std::filesystem::remove_all(m_dir); }
    EditedTables(const EditedTables &) = delete;
    EditedTables &operator=(const EditedTables &) = delete;

    const std::filesystem::path &path() const { return m_dir; }

    static std::string keyAsIs(const std::string &, const std::string &key, const std::string &) {
        return key;
    }
    static std::string glyphsAsIs(const std::string &, const std::string &, const std::string &g) {
        return g;
    }

private:
    std::filesystem::path m_dir;
};

} // namespace kestrum::test
