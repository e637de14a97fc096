// kestrum-convert --any-case against Debian's Bengali word list, as people type: words of the
// list and a real running text (Debian's own Bengali translations), each word typed as its
// spelling in lower case; how many come out right, and how many the input method would offer
// on its first page of suggestions. Every spelling of the README's tables that --any-case must
// leave alone converts as without it. Skipped where the word list is not installed.
#include "lexicon.h"
#include "romaniser.h"
#include "unicodetext.h"
#include "wordindex.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using kestrum::ime::Converter;
using kestrum::ime::Lexicon;
using kestrum::ime::WordIndex;
namespace sm = kestrum::sutonnymj;

const std::string kProgram = std::string(KESTRUM_BIN_DIR) + "/kestrum-convert";

std::string readFile(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> splitWords(const std::string &text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// Lines without their CR LF or LF, empty ones kept.
std::vector<std::string> splitLines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.ends_with('\r'))
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string nfc(std::string_view utf8) {
    return sm::toUtf8(sm::normalize(sm::fromUtf8(utf8).value_or(U"")));
}

// The translations (msgstr) of a gettext catalogue, plural forms apart.
std::vector<std::string> translations(const fs::path &file) {
    const std::string mo = readFile(file);
    const auto word = [&](std::size_t at) {
        std::uint32_t value = 0;
        if (at + 4 <= mo.size())
            std::memcpy(&value, mo.data() + at, 4);
        return std::size_t(value);
    };
    std::vector<std::string> out;
    if (mo.size() < 28 || word(0) != 0x950412deu)
        return out;
    const std::size_t count = word(8), table = word(16);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t length = word(table + 8 * i), offset = word(table + 8 * i + 4);
        if (offset + length > mo.size())
            break;
        std::string text = mo.substr(offset, length);
        for (std::size_t at = 0, end; at <= text.size(); at = end + 1) {
            end = std::min(text.find('\0', at), text.size());
            out.push_back(text.substr(at, end - at));
        }
    }
    return out;
}

class AnyCase : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!fs::exists(kestrum::ime::kDebianWordList))
            return;
        s_converter = std::make_unique<Converter>(KESTRUM_DATA_DIR);
        std::string problem;
        std::optional<WordIndex> index = WordIndex::build(kestrum::ime::kDebianWordList,
                                                          s_converter->engine().tables(), &problem);
        ASSERT_TRUE(index) << problem;
        s_lexicon = std::make_unique<Lexicon>(*s_converter, std::move(index), fs::path());
    }
    static void TearDownTestSuite() {
        s_lexicon.reset();
        s_converter.reset();
    }
    void SetUp() override {
        if (!s_lexicon)
            GTEST_SKIP() << kestrum::ime::kDebianWordList << " is not installed (hunspell-bn)";
        m_dir = fs::temp_directory_path() / ("kestrum-any-case-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        if (!m_dir.empty())
            fs::remove_all(m_dir);
    }

    // kestrum-convert with `args` on `input`, its index cached and its choices kept in a
    // folder of the test's own.
    std::string run(const std::string &args, const std::string &input) {
        std::ofstream(m_dir / "in", std::ios::binary) << input;
        const std::string command = "env -u KESTRUM_WORD_LIST XDG_CACHE_HOME=" + m_dir.string() +
                                    " XDG_DATA_HOME=" + m_dir.string() + " " + kProgram +
                                    " --tables " KESTRUM_DATA_DIR " " + args + " <" +
                                    (m_dir / "in").string() + " >" + (m_dir / "out").string() +
                                    " 2>" + (m_dir / "err").string();
        const int raw = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(raw)) << command;
        EXPECT_EQ(readFile(m_dir / "err").find("without the word list"), std::string::npos);
        return readFile(m_dir / "out");
    }

    // Each Bengali word of `texts` that the tables spell, typed as its spelling in lower case
    // through --any-case: the shares written right and offered among the first 9 suggestions.
    struct Shares {
        std::size_t words = 0;
        double right = 0, firstPage = 0;
    };
    Shares typedInLowerCase(const std::vector<std::string> &texts) {
        sm::Romaniser romaniser(s_converter->engine().tables());
        std::vector<std::string> words, typed;
        std::string input;
        for (const std::string &text : texts) {
            const std::u32string unicode = sm::fromUtf8(text).value_or(U"");
            for (std::size_t i = 0; i < unicode.size();) {
                std::size_t end = i;
                while (end < unicode.size() && sm::isBengaliWordChar(unicode[end]))
                    ++end;
                if (end == i) {
                    ++i;
                    continue;
                }
                const std::u32string word = unicode.substr(i, end - i);
                i = end;
                const std::optional<std::string> keys = romaniser.romanise(word);
                if (!keys)
                    continue;
                words.push_back(nfc(sm::toUtf8(word)));
                typed.push_back(kestrum::ime::lowerKeys(*keys));
                input += typed.back() + (words.size() % 12 ? " " : "\n");
            }
        }
        const std::vector<std::string> out = splitWords(run("--any-case --to unicode", input));
        EXPECT_EQ(out.size(), words.size());
        Shares shares;
        shares.words = words.size();
        std::size_t right = 0, offered = 0;
        for (std::size_t i = 0; i < words.size() && i < out.size(); ++i) {
            right += nfc(out[i]) == words[i];
            for (const Lexicon::Candidate &c : s_lexicon->candidates(typed[i], 9)) {
                if (nfc(c.text) == words[i]) {
                    ++offered;
                    break;
                }
            }
        }
        shares.right = double(right) / double(std::max<std::size_t>(words.size(), 1));
        shares.firstPage = double(offered) / double(std::max<std::size_t>(words.size(), 1));
        return shares;
    }

    static inline std::unique_ptr<Converter> s_converter;
    static inline std::unique_ptr<Lexicon> s_lexicon;
    fs::path m_dir;
};

TEST_F(AnyCase, WordsOfTheListAndARealTextTypedInLowerCase) {
    // Every 370th word of the list, and the Bengali translations of GTK and GLib.
    std::vector<std::string> sample;
    const WordIndex &list = *s_lexicon->index();
    for (std::uint32_t id = 0; id < list.size(); id += 370)
        sample.emplace_back(list.word(id).text);
    std::vector<std::string> running;
    for (const char *catalogue : {"/usr/share/locale/bn/LC_MESSAGES/gtk30.mo",
                                  "/usr/share/locale/bn/LC_MESSAGES/glib20.mo"})
        for (std::string &text : translations(catalogue))
            running.push_back(std::move(text));
    const struct {
        const char *name;
        const std::vector<std::string> &texts;
        std::size_t atLeast; // words the texts must give
        double right, firstPage;
    } cases[] = {
        {"words of the list", sample, 250, 0.97, 0.99},
        {"GTK's and GLib's translations", running, 4000, 0.87, 0.97},
    };
    for (const auto &c : cases) {
        if (c.texts.empty()) {
            ADD_FAILURE() << c.name << ": nothing to read (libgtk-3-common, libglib2.0-data)";
            continue;
        }
        const Shares shares = typedInLowerCase(c.texts);
        std::printf("%s: %zu words, %.2f %% written right, %.2f %% on the first page\n", c.name,
                    shares.words, 100 * shares.right, 100 * shares.firstPage);
        EXPECT_GE(shares.words, c.atLeast) << c.name;
        EXPECT_GE(shares.right, c.right) << c.name;
        EXPECT_GE(shares.firstPage, c.firstPage) << c.name;
    }
}

TEST_F(AnyCase, LeavesTheReadmeSpellingsItMustAlone) {
    // The README's tables are made from data/romanisation.tsv: each key and each example's
    // keys. Those with a capital letter, or whose conversion is a word of the list, are taken
    // as typed.
    std::ifstream tsv(KESTRUM_DATA_DIR "/romanisation.tsv");
    std::string line, input;
    std::size_t spellings = 0;
    while (std::getline(tsv, line)) {
        if (line.empty() || line[0] == '#' || line.starts_with("files\t"))
            continue; // comments and the header
        std::vector<std::string> fields;
        std::istringstream row(line);
        for (std::string field; std::getline(row, field, '\t');)
            fields.push_back(field);
        for (std::size_t column : {2u, 6u}) {
            if (column >= fields.size() || fields[column].empty())
                continue;
            const std::string &keys = fields[column];
            if (keys.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz~&") !=
                std::string::npos)
                continue;
            std::string glyphs;
            s_converter->convertWord(keys, glyphs);
            std::u32string text;
            s_converter->decode(glyphs, text);
            if (kestrum::ime::lowerKeys(keys) == keys &&
                !s_lexicon->index()->contains(sm::toUtf8(text)))
                continue;
            input += keys + "\n";
            ++spellings;
        }
    }
    EXPECT_GE(spellings, 300u);
    const std::vector<std::string> typed = splitLines(input);
    for (const char *to : {"unicode", "sutonnymj"}) {
        const std::vector<std::string> anyCase =
            splitLines(run(std::string("--any-case --to ") + to, input));
        const std::vector<std::string> asTyped = splitLines(run(std::string("--to ") + to, input));
        ASSERT_EQ(anyCase.size(), asTyped.size()) << to;
        ASSERT_EQ(anyCase.size(), typed.size()) << to;
        for (std::size_t i = 0; i < typed.size(); ++i)
            EXPECT_EQ(anyCase[i], asTyped[i]) << typed[i] << " to " << to;
    }
}

} // namespace
