// Typing without regard to case, behind the word list: which word a word typed in lower case
// is, and what else it may be.
//
// Case carries meaning in the romanisation (t ত, T ট; the vowels are capitals), but people type
// phonetic Bengali in lower case. A word typed all in lower case whose conversion as typed is a
// word of the list (or one with a common ending after it) is written as typed; any other is
// looked up by its keys lower-cased: the word of the list they name is written (of several, the
// one the user chose before, else the first); where they name none, they are read with the
// case the list's own spellings give each letter where it stands, and converted. A word with a
// capital letter is taken exactly as typed.
#pragma once

#include "converter.h"
#include "wordindex.h"

#include <array>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::ime {

class Lexicon {
public:
    // Builds (or reads from `cache`) the index of `list` in the background; until it is ready,
    // and when there is no list, lower-case words are read with the vowels as capitals only.
    // The user's choices are kept in `choices` (none kept when it is empty).
    Lexicon(Converter &converter, std::filesystem::path list, std::filesystem::path cache,
            std::filesystem::path choices);
    // With an index made already (tests, kestrum-convert).
    Lexicon(Converter &converter, std::optional<WordIndex> index, std::filesystem::path choices);
    ~Lexicon();
    // The user's: the installed word list (or the one $KESTRUM_WORD_LIST names), its index in
    // the user's cache folder, the choices in $XDG_DATA_HOME/kestrum/choices.
    static std::unique_ptr<Lexicon> forUser(Converter &converter);
    // The word list forUser reads: $KESTRUM_WORD_LIST, else the installed one.
    static std::filesystem::path userWordList();
    Lexicon(const Lexicon &) = delete;
    Lexicon &operator=(const Lexicon &) = delete;

    // The index, once it is ready (nullptr before, and where there is no list).
    const WordIndex *index();
    void waitUntilReady();
    // Why there is no index (the list missing or unreadable), once that is known.
    const std::string &problem() const { return m_problem; }

    struct Candidate {
        enum class Kind : unsigned char {
            Typed,      // the keys as typed
            Named,      // a word of the list the keys name in any case
            WithEnding, // such a word with a common ending
            Beginning,  // a word of the list whose keys begin with them
            Read,       // the keys read in the commoner case, where the list names none
        };
        std::string keys; // what to convert
        std::string text; // what it writes, in Unicode (UTF-8)
        Kind kind;
    };
    // The keys a word typed as `typed` is written with: `typed` itself when it has a capital
    // letter or is a word of the list as typed, else the word the keys name, else the keys read
    // in the commoner case.
    std::string resolve(std::string_view typed);
    // What the word may be, the one resolve() writes first, then the conversion as typed, the
    // words the keys name in any case (also with an ending), and the words that begin with them;
    // at most `limit`, no text twice.
    // Without `anyCase` a word typed in lower case is taken as typed too.
    std::vector<Candidate> candidates(std::string_view typed, std::size_t limit,
                                      bool anyCase = true);
    // Longer words are taken as typed: no word of the list is that long, and reading them again
    // after every key would cost more than a key may.
    static constexpr std::size_t kMaxResolved = 48;
    // A romanised text (Windows-1252 bytes) with each word read as resolve() reads it, every
    // other byte as it is: what kestrum-convert --any-case converts.
    std::string resolveText(std::string_view text);
    // Remembers that the word typed as `typed` is to be `keys` (it comes first next time).
    void choose(std::string_view typed, std::string_view keys);

    // The words of the list whose keys differ from `keys` by one key: one changed, added or
    // left out (a spelling checker's suggestions), fewest capitals first; at most `limit`.
    std::vector<Candidate> neighbours(std::string_view keys, std::size_t limit);

    // Whether the Unicode word (UTF-8) is a word of the list, or one with a common ending.
    bool known(std::string_view text);
    // The keys read in the commoner case (as resolve() reads keys the list names no word for).
    std::string readCommoner(std::string_view lower);
    // The `count` best such readings that convert to their end, best first (at least one).
    std::vector<std::string> readings(std::string_view lower, std::size_t count);

private:
    static bool hasCapital(std::string_view keys);
    static int capitals(std::string_view keys);
    double logChance(int a, int b, int c) const;
    std::string convert(std::string_view keys, bool *whole = nullptr);
    void learnCase(const WordIndex &index);
    void readChoices();
    void writeChoices();

    Converter &m_converter;
    std::future<std::optional<WordIndex>> m_building;
    std::optional<WordIndex> m_index;
    std::string m_problem;
    bool m_ready = false;
    std::filesystem::path m_choicesFile;
    std::map<std::string, std::string> m_choices; // lower-cased typed keys -> keys chosen
    // The character model of the list's spellings (learnCase).
    std::vector<std::uint32_t> m_trigrams, m_bigrams, m_unigrams, m_triContexts, m_biContexts;
    std::uint64_t m_total = 0;
    std::string m_scratch;
    std::u32string m_text;
};

} // namespace kestrum::ime
