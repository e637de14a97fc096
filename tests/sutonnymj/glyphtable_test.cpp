// The glyph-code table and the spellings: complete, consistent with themselves, and read with
// clear errors when a row is wrong.
#include "glyphtable.h"
#include "support.h"
#include "sutonnymj.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace kestrum::sutonnymj;
using kestrum::test::fields;
using kestrum::test::readFile;
using kestrum::test::u32;
using kestrum::test::utf8;

namespace {

const GlyphTable &table() {
    return GlyphTable::builtIn();
}

std::string dataFile(const char *name) {
    return readFile(std::string(KESTRUM_DATA_DIR) + "/" + name);
}

// The rows of a data file by column name, read here without the library's parser.
std::vector<std::map<std::string, std::string>> rowsOf(const std::string &text) {
    std::vector<std::map<std::string, std::string>> rows;
    std::vector<std::string> header;
    std::stringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::vector<std::string> f = fields(line);
        if (header.empty()) {
            header = f;
            continue;
        }
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < header.size(); ++i)
            row[header[i]] = i < f.size() ? f[i] : "";
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(GlyphTable, EveryByteFrom0x20HasItsRowInOrderAndItsTextReadsAsItsCodePoints) {
    const auto rows = rowsOf(dataFile("sutonnymj.tsv"));
    ASSERT_EQ(rows.size(), 224u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto &row = rows[i];
        SCOPED_TRACE(row.at("byte"));
        EXPECT_EQ(std::stoi(row.at("byte"), nullptr, 16), int(0x20 + i));
        const GlyphCode &code = table()[std::uint8_t(0x20 + i)];
        EXPECT_EQ(kindName(code.kind), row.at("kind"));
        // The text column is for people; where it is given it must say what unicode says.
        if (!row.at("text").empty() && row.at("text") != "্") {
            EXPECT_EQ(row.at("text"), utf8(code.unicode));
        }
        // The glyph column is the byte's Windows-1252 character.
        const std::string &glyph = row.at("glyph");
        if (glyph.size() == 1) {
            EXPECT_EQ(static_cast<unsigned char>(glyph[0]), 0x20 + i);
        }
    }
}

TEST(GlyphTable, OnlyTheFourDisputedBytesReadDifferentlyInTheNewerGeneration) {
    const std::map<int, std::string> expected = {
        {0xCD, "্ত"}, {0xE6, "ু"}, {0xF8, "্ল"}, {0xFF, "ক্ষ"}};
    std::map<int, std::string> found;
    for (const GlyphCode &code : table().codes())
        if (code.newUnicode)
            found[code.byte] = utf8(*code.newUnicode);
    EXPECT_EQ(found, expected);
    // Neither they nor 0xB9, which the sources read as two different conjuncts, are written.
    for (int b : {0xCD, 0xE6, 0xF8, 0xFF, 0xB9})
        EXPECT_EQ(table()[std::uint8_t(b)].use, Use::No) << b;
}

TEST(GlyphTable, EveryLetterSignAndMarkHasAFormTheEncoderWrites) {
    std::set<std::u32string> written;
    for (const GlyphCode &code : table().codes())
        if (code.use == Use::Yes)
            written.insert(code.unicode);
    for (const Spelling &s : table().spellings())
        written.insert(s.unicode);
    // Vowels, consonants, vowel signs (ো ৌ are built from them), marks and the reph, phala
    // signs, digits and signs.
    const std::string needed = "অ আ ই ঈ উ ঊ ঋ এ ঐ ও ঔ "
                               "ক খ গ ঘ ঙ চ ছ জ ঝ ঞ ট ঠ ড ঢ ণ ত থ দ ধ ন প ফ ব ভ ম য র ল শ ষ স হ "
                               "ড় ঢ় য় ৎ "
                               "া ি ী ু ূ ৃ ে ৈ ৗ "
                               "ং ঃ ঁ ্‌ র্ "
                               "্য ্র ্ল ্ব ্ম ্ন ্ণ "
                               "০ ৯ । ॥ ৳ “ ” ‘ ’";
    std::stringstream items(needed);
    for (std::string text; items >> text;)
        EXPECT_TRUE(written.count(u32(text))) << text;
}

// A spelling is listed because the encoder needs it; the decoder reads it by its parts, except
// the few whose parts mean something else in this company.
TEST(GlyphTable, EverySpellingReadsByItsPartsUnlessItIsAnException) {
    const GlyphTable partsOnly = GlyphTable::parse(dataFile("sutonnymj.tsv"), "unicode\tbytes\n");
    const std::set<std::string> exceptions = {"আ",  "র‍্য", "র‌্য", "হ্ণ",
                                              "ক্ন", "ড়্গ",           "ণ্ঢ",           "গ্গ"};
    std::set<std::string> differing;
    for (const Spelling &s : table().spellings()) {
        for (Generation g : {Generation::Classic, Generation::New}) {
            const std::u32string parts = decode(s.bytes, g, partsOnly);
            if (parts != s.unicode)
                differing.insert(utf8(s.unicode));
            // Bytes listed twice read as their first row (the ZWJ form of র‍্য).
            if (utf8(s.unicode) != "র‌্য") {
                EXPECT_EQ(utf8(decode(s.bytes, g)), utf8(s.unicode)) << "the table's reading";
            }
        }
    }
    EXPECT_EQ(differing, exceptions);
}

TEST(GlyphTable, ABrokenRowIsNamedWithItsFileAndLine) {
    const std::string codes = dataFile("sutonnymj.tsv");
    const std::string spellings = dataFile("sutonnymj-spellings.tsv");
    const auto replaced = [](std::string text, const std::string &from, const std::string &to) {
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const auto lineOf = [&](const std::string &text, const std::string &needle) {
        const std::size_t at = text.find(needle);
        return std::to_string(1 + std::count(text.begin(), text.begin() + long(at), '\n'));
    };
    const std::string kLine = lineOf(codes, "0x4B\t");
    struct {
        const char *what;
        std::string codes, spellings, message;
    } cases[] = {
        {"an unknown kind", replaced(codes, "U+0995\tক\tletter", "U+0995\tক\tvowel"), spellings,
         "sutonnymj.tsv:" + kLine + ": unknown kind \"vowel\""},
        {"an unknown encode value",
         replaced(codes, "U+0995\tক\tletter\tyes", "U+0995\tক\tletter\tmaybe"), spellings,
         "sutonnymj.tsv:" + kLine + ": unknown encode value \"maybe\""},
        {"a bad code point", replaced(codes, "0x4B\tK\tU+0995", "0x4B\tK\tU+09G5"), spellings,
         "sutonnymj.tsv:" + kLine + ": not a code point: \"U+09G5\""},
        {"a byte twice", replaced(codes, "0x4C\tL", "0x4B\tL"), spellings,
         "sutonnymj.tsv:" + lineOf(codes, "0x4C\t") + ": a second row for this byte"},
        {"a byte missing", replaced(codes, "0x4C\tL", "#"), spellings,
         "sutonnymj.tsv: no row for byte 0x4C"},
        {"a missing column", replaced(codes, "\tafter\t", "\tlater\t"), spellings,
         "sutonnymj.tsv: no column \"after\""},
        {"an after row without clusters", replaced(codes, "*স *ষ *ম *ন *দ", ""), spellings,
         "an \"after\" row needs clusters"},
        {"a spelling with a disputed byte", codes, replaced(spellings, "67 9C", "E6 9C"),
         "sutonnymj-spellings.tsv:" + lineOf(spellings, "67 9C") +
             ": uses a byte that is never written"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        try {
            GlyphTable::parse(c.codes, c.spellings);
            ADD_FAILURE() << "no error";
        } catch (const GlyphTableError &error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}
