// "How do I type this?": the keys that the loaded tables convert into a given Bengali word.
#pragma once

#include "decoder.h"
#include "engine.h"
#include "glyphtable.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrum::sutonnymj {

class Romaniser {
public:
    // Spellings come from `tables` (the keys, glyphs and rules the program converts with) and
    // are checked by converting them with an engine of the romaniser's own (one without the
    // word memo: it converts one short word at a time) and reading the glyph codes back in
    // generation `g`.
    explicit Romaniser(const Tables &tables, Generation g = Generation::New,
                       const GlyphTable &glyphs = GlyphTable::builtIn());
    Romaniser(const Romaniser &) = delete;
    Romaniser &operator=(const Romaniser &) = delete;

    // The keys for one Bengali word (letters, signs and joiners only), or nothing when the
    // tables cannot spell it. A returned spelling always converts into glyph codes that decode
    // to the word (in NFC). Among the spellings that do, it prefers the one a person types:
    // the longest key for each unit (joints over single letters), "O" after a consonant that
    // carries no vowel sign when another letter follows (kOlOm), none at the end of a word,
    // lower-case keys over upper-case ones where both give the same (r, not R), the sign after
    // the phala where a key also writes them the other way round (gRU, not gUR). A word that
    // ends in ্ ends in the visible hasanta with or without a ZWNJ after it (বাক্ is bAk&). A
    // word of more than 64 characters, or one that needs more than a few dozen tries, is not
    // spelled.
    std::optional<std::string> romanise(std::u32string_view word);
    // Longer runs of Bengali letters are no words (the longest real ones have about 20
    // characters): romaniseText keeps them as they came, whatever they hold.
    static constexpr std::size_t kMaxWordLength = 64;

    struct Unspelled {
        std::size_t offset;    // index into the input text
        std::size_t length;    // characters of the input
        std::size_t outOffset; // index into the output text
    };
    struct Text {
        std::u32string text; // the keys, with every unspelled part as it came
        std::vector<Unspelled> unspelled;
    };
    // A whole text: each Bengali word romanised; digits, the dari, ৳, ॥ and the ASCII signs that
    // pass through the converter by the characters that convert into them (২ "2", । "."); tab,
    // CR and LF as they are. A word the tables cannot spell, and a character that no key or sign
    // gives (a Latin letter, "." which converts to the dari, another script), is kept as it
    // came and listed: each run of such characters once ("TIFF" is one part, not four).
    Text romaniseText(std::u32string_view text);

private:
    struct Base {
        std::string key;
        std::string glyphs;
        std::u32string piece; // the glyphs read back
        bool vowel = false;
        bool shortcut = false; // a consonant key that also writes a vowel sign others write
        int upper = 0;         // upper-case letters in the key
    };
    struct Table {
        std::vector<Base> records;
        std::unordered_map<char32_t, std::vector<std::size_t>> byFirst;
    };
    struct Sign {
        std::string key;
        int index = 0;       // in the connect table
        std::u32string text; // the sign read back after a consonant
        std::string after;   // its glyphs, when they stand after the consonant
    };
    struct Letter {
        char key;
        std::string glyphs;
        std::u32string text;
    };
    enum class Ending : unsigned char { Closed, Bare, Soft };
    struct Candidate {
        std::string keys;
        std::size_t end;
        Ending ending;
        bool startsWithLetter;
        bool vowel;
        bool shortcut;
        std::size_t basePiece;
        int upper;
    };

    void readTable(const kestrum::Table &source, Table &into);
    void candidates(std::size_t pos, bool first, std::vector<Candidate> &out);
    bool search(std::size_t pos, bool first, Ending previous, std::string &keys);
    bool verify(const std::string &keys);
    bool startsSign(std::string_view keys) const;
    static void addUnspelled(Text &text, std::size_t offset, std::size_t length);
    const std::u32string &read(std::string_view glyphs);

    class FailureLog : public ConversionLog {
    public:
        void clear() override { failed = false; }
        void append(std::string_view) override { failed = true; }
        bool failed = false;
    };

    Engine m_engine{Engine::Lookup::Indexed, Engine::WordMemo::None};
    FailureLog m_log;
    Decoder m_decoder;
    Table m_first, m_next;
    std::vector<Sign> m_signs;
    std::string m_separator; // the connect key that writes nothing ("O")
    bool m_canReph = false;
    std::vector<Letter> m_nmwl;
    std::vector<std::string> m_rjyCombinations;
    std::unordered_map<char32_t, char> m_passing; // characters that ASCII signs convert into
    std::unordered_map<std::u32string, std::optional<std::string>> m_memo;

    // The search for one word.
    std::u32string m_word;
    std::u32string m_scratch;
    int m_verifications = 0;
    int m_nodes = 0;
};

// The Latin words (runs of A-Z and a-z) of the parts of `text` that romaniseText kept as they
// came, each once, in the order they first stand there. Glyph codes cannot hold Latin letters:
// kept in the romanised input, these words are converted as keys.
std::vector<std::u32string> latinWords(std::u32string_view text,
                                       const std::vector<Romaniser::Unspelled> &unspelled);

} // namespace kestrum::sutonnymj
