// The word index and typing without regard to case: words typed in lower case that name one
// word of a list, several, none; with an ending; capitals taken as typed; prefixes; the user's
// choice first; no word list; a changed list or a broken cache builds the index again.
#include "composer.h"
#include "lexicon.h"
#include "wordindex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using kestrum::ime::Composer;
using kestrum::ime::Converter;
using kestrum::ime::Lexicon;
using kestrum::ime::WordIndex;

Converter &converter() {
    static Converter c(KESTRUM_DATA_DIR);
    return c;
}

// A small list in hunspell's form: the count first, a word with flags.
fs::path smallList(const std::string &extra = "") {
    const fs::path file = fs::path(testing::TempDir()) / "kestrum-lexicon" / "bn.dic";
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "15\nআমি\nতুমি\nথেকে\nঠেকে\nকোন\nকোণ/XY\nবাংলা\nবাংলাদেশ\nমানুষ\n"
                           "করুন\nফাইল\nগান\nসংকট\nসঙ্কট\nabc\n"
                        << extra;
    return file;
}

WordIndex index(const fs::path &list) {
    std::string problem;
    std::optional<WordIndex> built =
        WordIndex::build(list, converter().engine().tables(), &problem);
    EXPECT_TRUE(built) << problem;
    return std::move(*built);
}

std::vector<std::string> texts(const std::vector<Lexicon::Candidate> &candidates) {
    std::vector<std::string> out;
    for (const auto &c : candidates)
        out.push_back(c.text);
    return out;
}

TEST(WordIndex, HoldsTheListsWordsByTheirKeys) {
    const WordIndex words = index(smallList());
    EXPECT_EQ(words.size(), 14u); // the count line and the Latin word are no words
    EXPECT_TRUE(words.contains("কোণ"));
    EXPECT_FALSE(words.contains("abc"));
    EXPECT_FALSE(words.contains("কোণ/XY"));
    ASSERT_EQ(words.named("ami").size(), 1u);
    EXPECT_EQ(words.word(words.named("ami")[0]).keys, "AmI");
    EXPECT_EQ(words.named("koon").size(), 2u); // কোন kOOn, কোণ kOON
    EXPECT_TRUE(words.named("am").empty());
    std::vector<std::string> begun;
    for (const auto id : words.beginningWith("bang", 9))
        begun.push_back(std::string(words.word(id).text));
    EXPECT_EQ(begun, (std::vector<std::string>{"বাংলা", "বাংলাদেশ"})); // shortest keys first
}

TEST(WordIndex, KeptInTheCacheAndBuiltAgainWhenTheListChanges) {
    const fs::path list = smallList();
    const fs::path cache = list.parent_path() / "cache" / "words.index";
    fs::remove(cache);
    std::string problem;
    const auto &tables = converter().engine().tables();
    ASSERT_TRUE(WordIndex::open(list, tables, cache, &problem)) << problem;
    ASSERT_TRUE(fs::exists(cache));
    ASSERT_TRUE(WordIndex::load(cache, *WordIndex::sourceOf(list, tables)));
    smallList("পাখি\n");
    EXPECT_FALSE(WordIndex::load(cache, *WordIndex::sourceOf(list, tables))); // made from the old
    EXPECT_EQ(WordIndex::open(list, tables, cache, &problem)->size(), 15u);
    // A cache cut short, or of garbage, is no index: it is built again.
    for (const std::string &broken : {std::string("KSTWIDX2"), std::string(4096, '\xff')}) {
        std::ofstream(cache, std::ios::binary | std::ios::trunc) << broken;
        EXPECT_FALSE(WordIndex::load(cache, *WordIndex::sourceOf(list, tables)));
        EXPECT_EQ(WordIndex::open(list, tables, cache, &problem)->size(), 15u);
    }
    EXPECT_FALSE(WordIndex::open(list.parent_path() / "none.dic", tables, cache, &problem));
    EXPECT_NE(problem.find("none.dic"), std::string::npos) << problem;
}

TEST(Lexicon, WordsTypedInLowerCase) {
    Lexicon lexicon(converter(), index(smallList()), "");
    struct Row {
        const char *typed;
        std::vector<std::string> first; // the first candidates, the one written first
    };
    const Row rows[] = {
        {"ami", {"আমি"}},            // names one word
        {"theke", {"থেকে", "ঠেকে"}}, // names two: fewer capitals first
        {"koon", {"কোন", "কোণ"}},
        {"banglay", {"বাংলায়"}}, // a word and an ending
        {"manusher", {"মানুষের"}},
        {"phailoti", {"ফাইলটি"}},               // ... with the O that keeps them apart
        {"AmI", {"আমি"}},                       // a capital: as typed
        {"ThEkE", {"ঠেকে", "থেকে"}},            // as typed first, then what the keys name
        {"bang", {"বাং", "বাংলা", "বাংলাদেশ"}}, // as read, then the words it begins
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.typed);
        const auto got = texts(lexicon.candidates(row.typed, 9));
        ASSERT_GE(got.size(), row.first.size());
        EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + row.first.size()), row.first);
        EXPECT_LE(got.size(), 9u);
    }
    EXPECT_EQ(lexicon.resolve("ami"), "AmI");
    EXPECT_EQ(lexicon.resolve("AmI"), "AmI");
    EXPECT_EQ(lexicon.resolveText("ami, tumi.\r\nAmI 12 banglay\xe9"),
              "AmI, tUmI.\r\nAmI 12 bAnglAy\xe9");
    EXPECT_TRUE(lexicon.known("বাংলায়"));
    // A spelling checker's suggestions: one key changed (t/T), added, left out.
    EXPECT_EQ(texts(lexicon.neighbours("thEkE", 9)), (std::vector<std::string>{"ঠেকে"}));
    EXPECT_EQ(texts(lexicon.neighbours("tUm", 9)), (std::vector<std::string>{"তুমি"}));
    EXPECT_EQ(texts(lexicon.neighbours("AmII", 9)), (std::vector<std::string>{"আমি"}));
    EXPECT_TRUE(lexicon.neighbours("xyzxyz", 9).empty());
    EXPECT_TRUE(lexicon.known("বাংলাই"));
    EXPECT_FALSE(lexicon.known("বাংলাখ"));
}

TEST(Lexicon, KeysTheListNamesNoWordForAreReadAndConverted) {
    Lexicon noWords(converter(), std::optional<WordIndex>(), "");
    EXPECT_EQ(noWords.resolve("ghor"), "ghOr"); // the vowels as capitals
    EXPECT_EQ(texts(noWords.candidates("ghor", 9)).front(), "ঘর");
}

// Debian's word list, as a user has it: a sentence typed in lower case, words the list names
// and words it names no form of (read in the case the list's spellings give each letter).
TEST(Lexicon, DebiansWordList) {
    if (!fs::exists(kestrum::ime::kDebianWordList))
        GTEST_SKIP() << "hunspell-bn is not installed";
    static Lexicon lexicon(converter(), index(kestrum::ime::kDebianWordList), "");
    EXPECT_GT(lexicon.index()->size(), 100000u);
    const std::vector<std::pair<const char *, const char *>> rows = {
        {"ami", "আমি"},           {"banglay", "বাংলায়"},
        {"gan", "গান"},           {"gai", "গাই"},
        {"theke", "থেকে"},        {"korun", "করুন"},
        {"dhon", "ধন"},           {"tomar", "তোমার"},
        {"manusher", "মানুষের"},   {"bhaloobasa", "ভালোবাসা"},
        {"bhalobasa", "ভালবাসা"},
    };
    for (const auto &[typed, word] : rows)
        EXPECT_EQ(texts(lexicon.candidates(typed, 9)).front(), word) << typed;
}

TEST(Lexicon, TheUsersChoiceComesFirstAndIsKept) {
    const fs::path choices = fs::path(testing::TempDir()) / "kestrum-lexicon" / "choices";
    fs::remove(choices);
    {
        Lexicon lexicon(converter(), index(smallList()), choices);
        lexicon.choose("koon", "kOON");
        EXPECT_EQ(texts(lexicon.candidates("koon", 9)).front(), "কোণ");
    }
    Lexicon again(converter(), index(smallList()), choices);
    EXPECT_EQ(texts(again.candidates("koon", 9)), (std::vector<std::string>{"কোণ", "কোন"}));
}

TEST(Lexicon, TheComposerWritesTheWordAndPicksCandidates) {
    Lexicon lexicon(converter(), index(smallList()), "");
    auto type = [](Composer &composer, std::string_view keys) {
        std::string out;
        for (const char c : keys) {
            const Composer::Key key =
                c == ' ' ? Composer::Key{Composer::Key::Kind::Space}
                         : Composer::Key{Composer::Key::Kind::Character, char32_t(c)};
            const Composer::Outcome outcome = composer.press(key);
            out += outcome.commit + (outcome.forward ? "[" + std::string(1, c) + "]" : "");
        }
        return out;
    };
    Composer composer(&converter(), {}, &lexicon);
    EXPECT_EQ(type(composer, "theke"), "");
    EXPECT_EQ(composer.preedit(), "থেকে");
    EXPECT_EQ(composer.keysShown(), "theke \u2192 thEkE");
    ASSERT_GE(composer.candidates().size(), 2u);
    EXPECT_EQ(type(composer, " "), "থেকে[ ]");      // Space writes the first
    EXPECT_EQ(type(composer, "theke2"), "ঠেকে");    // 2 picks the second
    EXPECT_EQ(type(composer, "theke "), "ঠেকে[ ]"); // and it comes first now
    EXPECT_EQ(type(composer, "AmI "), "আমি[ ]");
    EXPECT_EQ(type(composer, "ami1"), "আমি১"); // nothing to choose: the digit is written
    EXPECT_EQ(type(composer, "ami"), "");
    composer.press({Composer::Key::Kind::Backspace});
    EXPECT_EQ(composer.preedit(), "আম"); // am names no word: read
    composer.discard();
    Composer asTyped(&converter(), {kestrum::ime::Output::Unicode, false, false}, &lexicon);
    EXPECT_EQ(type(asTyped, "ami "), "ami[ ]"); // without "Any case"
    // No word list: everything as it was.
    Lexicon none(converter(), std::optional<WordIndex>(), "");
    Composer plain(&converter(), {}, &none);
    EXPECT_EQ(type(plain, "ami kA1"), "ami[ ]কা১");
    EXPECT_TRUE(plain.candidates().empty());
}

TEST(Lexicon, AListThatIsNotThere) {
    Lexicon lexicon(converter(), fs::path(testing::TempDir()) / "no-such.dic",
                    fs::path(testing::TempDir()) / "no-cache", "");
    lexicon.waitUntilReady();
    EXPECT_EQ(lexicon.index(), nullptr);
    EXPECT_NE(lexicon.problem().find("no-such.dic"), std::string::npos) << lexicon.problem();
}

} // namespace
