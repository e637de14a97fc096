// Tables: fixed-width fields, ordinal order, the bubble sort, the halving search, the field
// syntax of the table files and loading errors.
#include "fieldreader.h"
#include "fixture.h"
#include "tables.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

using namespace kestrum;
using kestrum::test::Records;
using kestrum::test::TableFolder;
using kestrum::test::writeRecords;

namespace {

Table tableOf(const std::vector<std::string> &keys) {
    Table table(static_cast<int>(keys.size()));
    for (int i = 1; i <= table.size(); ++i) {
        table[i].key.assign(keys[static_cast<std::size_t>(i - 1)]);
        table[i].glyphs.assign(std::to_string(i));
    }
    return table;
}

std::string pad5(std::string s) {
    s.resize(5, ' ');
    return s;
}

} // namespace

TEST(FixedField, PadsCutsAndStartsAsNul) {
    EXPECT_EQ(FixedField<5>("ab").view(), "ab   ");
    EXPECT_EQ(FixedField<5>("abcdefg").view(), "abcde");
    EXPECT_EQ(FixedField<5>("").view(), "     ");
    EXPECT_EQ(FixedField<5>().view(), std::string(5, '\0'));
    EXPECT_EQ(FixedField<4>("aaaaa").view(), "aaaa");
    EXPECT_EQ(FixedField<5>("  x ").trimmed(), "x");
}

TEST(SortTable, OrdersByCharacterCodeOverAllFiveCharacters) {
    // One unassigned slot at the end, as the first and next tables have.
    Table table(7);
    const std::vector<std::string> keys = {"r", "ra", "R", "~", "&", "Ra"};
    for (int i = 1; i <= 6; ++i)
        table[i].key.assign(keys[static_cast<std::size_t>(i - 1)]);
    sortTable(table);
    const std::vector<std::string> expected = {
        std::string(5, '\0'), pad5("&"), pad5("R"), pad5("Ra"), pad5("r"), pad5("ra"), pad5("~")};
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(table[i].key.view(), expected[static_cast<std::size_t>(i - 1)]) << "slot " << i;
}

TEST(SortTable, KeepsTheLoadOrderOfEqualKeys) {
    Table table = tableOf({"b", "a", "b", "a", "b"});
    sortTable(table);
    std::string glyphOrder;
    for (int i = 1; i <= 5; ++i)
        glyphOrder += table[i].glyphs.trimmed();
    EXPECT_EQ(glyphOrder, "24135");
}

TEST(SortTable, OrdersWindows1252CharactersByTheirUnicodeCode) {
    // 0x80 is the euro sign (U+20AC), which sorts after 0xFF (U+00FF).
    Table table = tableOf({"\x80", "\xFF", "z"});
    sortTable(table);
    EXPECT_EQ(table[1].key.view(), pad5("z"));
    EXPECT_EQ(table[2].key.view(), pad5("\xFF"));
    EXPECT_EQ(table[3].key.view(), pad5("\x80"));
}

struct FindCase {
    const char *name;
    std::vector<std::string> keys; // already in table order
    std::string search;
    int expected;
};

class FindKeyTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindKeyTest, GivesTheIndexOfTheHalvingSearch) {
    const FindCase &c = GetParam();
    const Table table = tableOf(c.keys);
    EXPECT_EQ(findKey(table, pad5(c.search)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindKeyTest,
    ::testing::Values(FindCase{"first", {"a", "b", "c", "d", "e", "f", "g"}, "a", 1},
                      FindCase{"last", {"a", "b", "c", "d", "e", "f", "g"}, "g", 7},
                      FindCase{"middle", {"a", "b", "c", "d", "e", "f", "g"}, "e", 5},
                      FindCase{"below_all", {"b", "c", "d"}, "a", 0},
                      FindCase{"above_all", {"b", "c", "d"}, "z", 0},
                      FindCase{"between", {"b", "d", "f"}, "c", 0},
                      FindCase{"prefix_is_not_a_match", {"k", "kh", "kha"}, "khx", 0},
                      FindCase{"one_slot", {"k"}, "k", 1},
                      FindCase{"five_spaces_find_a_blank_key", {"", "a", "b"}, "", 1},
                      FindCase{"five_spaces_find_nothing_else", {"a", "b", "c"}, "", 0},
                      // Duplicates: a hit in the middle stops the loop, then lo and hi are checked.
                      FindCase{"duplicate_hit_at_mid", {"a", "b", "b", "b", "c"}, "b", 3},
                      FindCase{"duplicate_lo_wins_over_mid", {"b", "b", "c", "d", "e"}, "b", 1},
                      FindCase{"duplicate_hi_wins_over_mid", {"a", "c", "d", "d", "d"}, "d", 5}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FindKey, NeverFindsTheUnassignedSlotFromText) {
    Table table(4);
    table[1].key.assign("a");
    table[2].key.assign("b");
    table[3].key.assign("c");
    sortTable(table);
    ASSERT_EQ(table[1].key.view(), std::string(5, '\0'));
    for (const std::string s : {"", "a", "b", "c", "d"})
        EXPECT_NE(findKey(table, pad5(s)), 1) << s;
    EXPECT_EQ(findKey(table, pad5("a")), 2);
}

struct FieldCase {
    const char *name;
    std::string text;
    std::vector<std::string> fields;
};

class FieldReaderTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldReaderTest, SplitsFields) {
    FieldReader reader(GetParam().text);
    std::vector<std::string> fields;
    while (auto field = reader.next())
        fields.push_back(*field);
    EXPECT_EQ(fields, GetParam().fields);
}

// A file is read on demand, in pieces that may end anywhere (here: one byte each): the fields
// must come out as from the whole text.
TEST_P(FieldReaderTest, SplitsFieldsReadInPieces) {
    const std::string text = GetParam().text;
    std::size_t at = 0;
    FieldReader reader([&](char *buffer, std::size_t size) -> std::ptrdiff_t {
        if (at == text.size() || size == 0)
            return 0;
        *buffer = text[at++];
        return 1;
    });
    std::vector<std::string> fields;
    while (auto field = reader.next())
        fields.push_back(*field);
    EXPECT_EQ(fields, GetParam().fields);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.consumed(), text.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldReaderTest,
    ::testing::Values(FieldCase{"comma_and_crlf", "k,K\r\nkh,L\r\n", {"k", "K", "kh", "L"}},
                      FieldCase{"lone_lf_and_cr", "a,b\nc,d\re,f", {"a", "b", "c", "d", "e", "f"}},
                      FieldCase{"blanks_before_a_field_are_skipped", "  k,\t K", {"k", "K"}},
                      FieldCase{"blanks_after_a_field_stay", "k ,K ", {"k ", "K "}},
                      FieldCase{"quoted_field_holds_commas", "q,\"a,b\"\r\n", {"q", "a,b"}},
                      FieldCase{"quoted_field_keeps_blanks", "q,\"  x \"", {"q", "  x "}},
                      FieldCase{"text_after_closing_quote_dropped", "\"ab\"cd,e", {"ab", "e"}},
                      FieldCase{"quote_inside_unquoted_field", "a\"b,c", {"a\"b", "c"}},
                      FieldCase{"empty_fields", "a,,b", {"a", "", "b"}},
                      FieldCase{"empty_line_is_an_empty_field", "a\r\n\r\nb", {"a", "", "b"}},
                      FieldCase{"unterminated_quote_runs_to_end", "\"ab,c", {"ab,c"}},
                      FieldCase{"eight_bit_bytes", "x,\x86\xA9\xFF", {"x", "\x86\xA9\xFF"}},
                      FieldCase{"crlf_split_across_pieces", "a\r\nb", {"a", "b"}},
                      FieldCase{"overlong_field_keeps_its_start",
                                std::string(FieldReader::MaxFieldLength + 10, 'k') + ",v",
                                {std::string(FieldReader::MaxFieldLength, 'k'), "v"}},
                      FieldCase{"overlong_quoted_field_keeps_its_start",
                                "\"" + std::string(FieldReader::MaxFieldLength + 1, ',') + "\"x,v",
                                {std::string(FieldReader::MaxFieldLength, ','), "v"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ReadTables, FillsSortsAndDoublesTheJoints) {
    TableFolder folder;
    const Tables tables = readTables(folder.path());
    // The unassigned last slot sorts to the front of the first and next tables.
    EXPECT_EQ(tables.firstTable[1].key.view(), std::string(5, '\0'));
    EXPECT_EQ(tables.nextTable[1].key.view(), std::string(5, '\0'));
    for (const Table *table : {&tables.firstTable, &tables.nextTable, &tables.connectTable}) {
        for (int i = 1; i < table->size(); ++i)
            EXPECT_LE(compareKeys((*table)[i].key.view(), (*table)[i + 1].key.view()), 0);
    }
    // A joint is found in both tables.
    const int inFirst = findKey(tables.firstTable, pad5("ksh"));
    const int inNext = findKey(tables.nextTable, pad5("ksh"));
    ASSERT_GT(inFirst, 0);
    ASSERT_GT(inNext, 0);
    EXPECT_EQ(tables.firstTable[inFirst].glyphs.trimmed(), "\xB6");
    EXPECT_EQ(tables.nextTable[inNext].glyphs.trimmed(), "\xB6");
    // The vowel keys keep file order, cut to four characters.
    EXPECT_EQ(tables.vowelKeys[1].view(), "a   ");
    EXPECT_EQ(tables.vowelKeys[12].view(), "aaaa");
    EXPECT_EQ(tables.vowelKeys[13].view(), "ai  ");
}

// What stands where a table file should be.
enum class Replaced {
    WithContent, // a file holding `content`
    Removed,
    ByFolder,
    ByFifo,
    ByDevice, // a symbolic link to /dev/zero, which would never end
};

struct LoadErrorCase {
    const char *name;
    const char *file;
    Replaced replaced;
    std::string content;
    int record;
    // The message; for a file that cannot be opened, its path and the reason follow.
    std::string message;
    std::string reason = {};
};

class ReadTablesErrorTest : public ::testing::TestWithParam<LoadErrorCase> {};

TEST_P(ReadTablesErrorTest, NamesTheFileAndTheRecord) {
    const LoadErrorCase &c = GetParam();
    TableFolder folder;
    const auto file = folder.path() / c.file;
    std::filesystem::remove(file);
    switch (c.replaced) {
    case Replaced::WithContent:
        std::ofstream(file, std::ios::binary) << c.content;
        break;
    case Replaced::Removed:
        break;
    case Replaced::ByFolder:
        std::filesystem::create_directory(file);
        break;
    case Replaced::ByFifo:
        ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
        break;
    case Replaced::ByDevice:
        std::filesystem::create_symlink("/dev/zero", file);
        break;
    }
    try {
        readTables(folder.path());
        FAIL() << "no error";
    } catch (const TableLoadError &error) {
        EXPECT_EQ(error.file(), c.file);
        EXPECT_EQ(error.record(), c.record);
        std::string message = c.message;
        if (!c.reason.empty())
            message += file.string() + ": " + c.reason;
        EXPECT_EQ(std::string(error.what()), message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadTablesErrorTest,
    ::testing::Values(
        LoadErrorCase{"missing_first", "first.alpha", Replaced::Removed, "", 0,
                      "first.alpha: cannot open ", "No such file or directory"},
        LoadErrorCase{"missing_joint", "joint.alpha", Replaced::Removed, "", 0,
                      "joint.alpha: cannot open ", "No such file or directory"},
        LoadErrorCase{"first_is_a_folder", "first.alpha", Replaced::ByFolder, "", 0,
                      "first.alpha: cannot open ", "Is a directory"},
        LoadErrorCase{"next_is_a_fifo", "next.alpha", Replaced::ByFifo, "", 0,
                      "next.alpha: cannot open ", "not a regular file (a FIFO)"},
        LoadErrorCase{"connect_links_to_a_device", "connect.alpha", Replaced::ByDevice, "", 0,
                      "connect.alpha: cannot open ", "not a regular file (a character device)"},
        LoadErrorCase{"first_with_a_utf8_byte_order_mark", "first.alpha", Replaced::WithContent,
                      "\xEF\xBB\xBF"
                      "a,A\r\n",
                      0,
                      "first.alpha: the file is saved as UTF-8 with a byte-order mark; table "
                      "files are 8-bit Windows-1252 text"},
        LoadErrorCase{"short_next", "next.alpha", Replaced::WithContent, "a,A\r\nb,B\r\n", 3,
                      "next.alpha: record 3 of 56 is missing (the file ends after 2 records)"},
        LoadErrorCase{"empty_connect", "connect.alpha", Replaced::WithContent, "", 1,
                      "connect.alpha: record 1 of 12 is missing (the file ends after 0 records)"},
        LoadErrorCase{"one_record", "connect.alpha", Replaced::WithContent, "A,v\r\n", 2,
                      "connect.alpha: record 2 of 12 is missing (the file ends after 1 record)"},
        LoadErrorCase{"key_without_glyphs", "connect.alpha", Replaced::WithContent, "A,v\r\nII", 2,
                      "connect.alpha: record 2 of 12 has a key but no glyphs (the file ends "
                      "after its key)"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(EngineLoadTables, KeepsItsTablesWhenALoadFails) {
    TableFolder good;
    Engine engine;
    engine.loadTables(good.path());
    TableFolder bad;
    std::filesystem::remove(bad.path() / "connect.alpha");
    EXPECT_THROW(engine.loadTables(bad.path()), TableLoadError);
    EXPECT_EQ(engine.convertBytes("kA"), "Kv");
}

// The table files are read only as far as their records go, and a field keeps only its start:
// memory stays small whatever a file's size. Each case runs in a child process whose address
// space is capped at 128 MB, where reading a 512 MB file whole would end in std::bad_alloc.
#if defined(__SANITIZE_ADDRESS__)
#define KESTRUM_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRUM_ADDRESS_SANITIZER 1
#endif
#endif

TEST(ReadTablesDeathTest, HugeFilesCostNoMoreMemoryThanTheirRecords) {
#ifdef KESTRUM_ADDRESS_SANITIZER
    GTEST_SKIP() << "an address-space cap does not mix with AddressSanitizer's shadow memory";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto capped = [](const std::function<void()> &work) {
        const rlimit limit = {128u << 20, 128u << 20};
        setrlimit(RLIMIT_AS, &limit);
        work();
    };
    constexpr off_t Huge = off_t(512) << 20;

    // Good records, then 512 MB that are never needed.
    TableFolder padded;
    {
        std::ofstream(padded.path() / "connect.alpha", std::ios::binary | std::ios::app) << "x";
        std::filesystem::resize_file(padded.path() / "connect.alpha", Huge);
    }
    EXPECT_EXIT(capped([&] {
                    const Tables tables = readTables(padded.path());
                    std::exit(findKey(tables.connectTable, pad5("OW")) > 0 ? 0 : 1);
                }),
                ::testing::ExitedWithCode(0), "");

    // 512 MB of NUL bytes: one endless first field, then the end of the file.
    TableFolder sparse;
    std::filesystem::resize_file(sparse.path() / "connect.alpha", 0);
    std::filesystem::resize_file(sparse.path() / "connect.alpha", Huge);
    EXPECT_EXIT(capped([&] {
                    try {
                        readTables(sparse.path());
                    } catch (const TableLoadError &error) {
                        std::exit(error.record() == 1 ? 3 : 4);
                    }
                    std::exit(5);
                }),
                ::testing::ExitedWithCode(3), "");
}
