// Typing without regard to case: the word list, its endings, the user's choices, the case the
// list's spellings give each letter.
#include "lexicon.h"

#include "datafolders.h"
#include "fileio.h"
#include "unicodetext.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <system_error>

namespace kestrum::ime {

namespace fs = std::filesystem;

namespace {

// The user's choices kept at most.
constexpr std::size_t kMaxChoices = 20000;

// Common endings after a word of the list (the list holds few inflected forms), longest keys
// first: a word followed by one of them counts as known.
struct Ending {
    const char *keys;
    const char *text;
};
constexpr Ending kEndings[] = {
    {"gUlOOr", "গুলোর"}, {"gUlIr", "গুলির"}, {"gUlOO", "গুলো"}, {"gUlI", "গুলি"}, {"ErOO", "েরও"},
    {"dEr", "দের"},     {"yEr", "য়ের"},    {"TIr", "টির"},   {"TAr", "টার"},  {"tEI", "তেই"},
    {"kEI", "কেই"},     {"rOO", "রও"},     {"kE", "কে"},     {"tE", "তে"},    {"Er", "ের"},
    {"rA", "রা"},       {"TI", "টি"},      {"TA", "টা"},     {"yE", "য়ে"},    {"EI", "েই"},
    {"OO", "ও"},        {"r", "র"},        {"y", "য়"},       {"I", "ই"},      {"E", "ে"},
};

// The characters of keys for the case model: a-z, A-Z, "~", "&", and the ends of a word.
constexpr int kChars = 55;
constexpr int kEnd = 54;
int charClass(char c) {
    if (c >= 'a' && c <= 'z')
        return c - 'a';
    if (c >= 'A' && c <= 'Z')
        return 26 + (c - 'A');
    return c == '~' ? 52 : 53;
}
char charOf(int cls) {
    return cls < 26 ? char('a' + cls) : cls < 52 ? char('A' + cls - 26) : cls == 52 ? '~' : '&';
}

bool isVowelLetter(char c) {
    return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u';
}

} // namespace

Lexicon::Lexicon(Converter &converter, fs::path list, fs::path cache, fs::path choices)
    : m_converter(converter), m_choicesFile(std::move(choices)) {
    readChoices();
    // The tables are copied: the index is built on another thread while typing goes on here.
    m_building = std::async(std::launch::async, [list = std::move(list), cache = std::move(cache),
                                                 tables = converter.engine().tables(), this]() {
        return WordIndex::open(list, tables, cache, &m_problem);
    });
}

Lexicon::Lexicon(Converter &converter, std::optional<WordIndex> index, fs::path choices)
    : m_converter(converter), m_index(std::move(index)), m_ready(true),
      m_choicesFile(std::move(choices)) {
    readChoices();
    if (m_index)
        learnCase(*m_index);
}

fs::path Lexicon::userWordList() {
    const char *list = std::getenv("KESTRUM_WORD_LIST");
    return list && *list ? fs::path(list) : fs::path(kDebianWordList);
}

std::unique_ptr<Lexicon> Lexicon::forUser(Converter &converter) {
    const char *xdg = std::getenv("XDG_DATA_HOME");
    const char *home = std::getenv("HOME");
    const fs::path data = userDataDir(xdg ? xdg : "", home ? home : "");
    return std::make_unique<Lexicon>(converter, userWordList(), WordIndex::defaultCache(),
                                     data.empty() ? fs::path() : data / "choices");
}

Lexicon::~Lexicon() {
    if (m_building.valid())
        m_building.wait();
}

const WordIndex *Lexicon::index() {
    if (!m_ready && m_building.valid() &&
        m_building.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        m_index = m_building.get();
        m_ready = true;
        if (m_index)
            learnCase(*m_index);
    }
    return m_index ? &*m_index : nullptr;
}

void Lexicon::waitUntilReady() {
    if (m_building.valid())
        m_building.wait();
    index();
}

// Counts of each character of the list's spellings after the two before it (and after the one
// before it, and alone), for reading lower-case keys in the case the spellings use most.
void Lexicon::learnCase(const WordIndex &index) {
    if (index.size() == 0)
        return;
    m_trigrams.assign(std::size_t(kChars) * kChars * kChars, 0);
    m_bigrams.assign(std::size_t(kChars) * kChars, 0);
    m_unigrams.assign(kChars, 0);
    for (std::uint32_t id = 0; id < index.size(); ++id) {
        const std::string_view keys = index.word(id).keys;
        int a = kEnd, b = kEnd;
        for (std::size_t i = 0; i <= keys.size(); ++i) {
            const int c = i < keys.size() ? charClass(keys[i]) : kEnd;
            ++m_trigrams[(std::size_t(a) * kChars + b) * kChars + c];
            ++m_bigrams[std::size_t(b) * kChars + c];
            ++m_unigrams[c];
            a = b;
            b = c;
        }
    }
    m_total = 0;
    for (const std::uint32_t n : m_unigrams)
        m_total += n;
    m_triContexts.assign(std::size_t(kChars) * kChars, 0);
    m_biContexts.assign(kChars, 0);
    for (std::size_t ab = 0; ab < m_triContexts.size(); ++ab)
        for (int c = 0; c < kChars; ++c)
            m_triContexts[ab] += m_trigrams[ab * kChars + c];
    for (int b = 0; b < kChars; ++b)
        for (int c = 0; c < kChars; ++c)
            m_biContexts[b] += m_bigrams[std::size_t(b) * kChars + c];
}

// log P(c | a b): the trigram's share, mixed with the bigram's and the character's own.
double Lexicon::logChance(int a, int b, int c) const {
    const auto tri = double(m_trigrams[(std::size_t(a) * kChars + b) * kChars + c]);
    const auto bi = double(m_bigrams[std::size_t(b) * kChars + c]);
    const auto triContext = double(m_triContexts[std::size_t(a) * kChars + b]);
    const auto biContext = double(m_biContexts[b]);
    double p = 0.01 * (double(m_unigrams[c]) + 1) / (double(m_total) + kChars);
    p += biContext > 0 ? 0.29 * bi / biContext : 0.29 * p / 0.01;
    p += triContext > 0 ? 0.7 * tri / triContext : 0.7 * p / 0.3;
    return std::log(p);
}

int Lexicon::capitals(std::string_view keys) {
    return int(
        std::count_if(keys.begin(), keys.end(), [](char c) { return c >= 'A' && c <= 'Z'; }));
}

bool Lexicon::hasCapital(std::string_view keys) {
    return std::any_of(keys.begin(), keys.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

std::string Lexicon::convert(std::string_view keys, bool *whole) {
    m_scratch.clear();
    const bool converted = m_converter.convertWord(keys, m_scratch);
    if (whole)
        *whole = converted;
    m_text.clear();
    m_converter.decode(m_scratch, m_text);
    return sutonnymj::toUtf8(m_text);
}

bool Lexicon::known(std::string_view text) {
    const WordIndex *words = index();
    if (!words)
        return false;
    if (words->contains(text))
        return true;
    for (const Ending &ending : kEndings) {
        const std::string_view e(ending.text);
        if (text.size() > e.size() && text.substr(text.size() - e.size()) == e &&
            words->contains(text.substr(0, text.size() - e.size())))
            return true;
    }
    return false;
}

// The case of each letter as the list's spellings most likely have it: the sequences the
// character model rates best (each letter either case, every other character as it is), best
// first, those that convert to their end only; the vowels as capitals and nothing else where the
// model has none.
std::vector<std::string> Lexicon::readings(std::string_view lower, std::size_t count) {
    std::string plain(lower);
    for (char &c : plain)
        if (isVowelLetter(c))
            c = static_cast<char>(c & ~0x20);
    std::vector<std::string> out;
    bool whole = false;
    if (!m_trigrams.empty() && !lower.empty()) {
        struct State {
            double score;
            int before, last;
            std::string keys;
        };
        constexpr std::size_t kBeam = 24;
        std::vector<State> states = {{0.0, kEnd, kEnd, {}}}, next;
        for (const char typed : lower) {
            next.clear();
            const int lowerClass = charClass(typed);
            const bool letter = lowerClass < 26;
            for (const State &s : states) {
                for (int choice = 0; choice < (letter ? 2 : 1); ++choice) {
                    const int c = lowerClass + 26 * choice;
                    next.push_back(
                        {s.score + logChance(s.before, s.last, c), s.last, c, s.keys + charOf(c)});
                }
            }
            const std::size_t keep = std::min(kBeam, next.size());
            std::partial_sort(next.begin(), next.begin() + static_cast<std::ptrdiff_t>(keep),
                              next.end(),
                              [](const State &x, const State &y) { return x.score > y.score; });
            next.resize(keep);
            states.swap(next);
        }
        for (State &s : states)
            s.score += logChance(s.before, s.last, kEnd);
        std::sort(states.begin(), states.end(),
                  [](const State &x, const State &y) { return x.score > y.score; });
        for (const State &s : states) {
            if (out.size() >= count)
                break;
            convert(s.keys, &whole);
            if (whole)
                out.push_back(s.keys);
        }
    }
    if (out.empty()) {
        convert(plain, &whole);
        out.push_back(whole ? plain : std::string(lower));
    }
    return out;
}

std::string Lexicon::readCommoner(std::string_view lower) {
    return readings(lower, 1).front();
}

std::string Lexicon::resolve(std::string_view typed) {
    if (hasCapital(typed) || typed.size() > kMaxResolved)
        return std::string(typed);
    std::vector<Candidate> first = candidates(typed, 1);
    return first.empty() ? std::string(typed) : first.front().keys;
}

std::string Lexicon::resolveText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (!isWordChar(static_cast<unsigned char>(text[i]))) {
            out += text[i++];
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && isWordChar(static_cast<unsigned char>(text[end])))
            ++end;
        out += resolve(text.substr(i, end - i));
        i = end;
    }
    return out;
}

std::vector<Lexicon::Candidate> Lexicon::candidates(std::string_view typed, std::size_t limit,
                                                    bool anyCase) {
    std::vector<Candidate> out;
    if (limit == 0 || typed.empty())
        return out;
    const WordIndex *words = index();
    const std::string lower = lowerKeys(typed);
    auto add = [&](std::string keys, std::string text, Candidate::Kind kind) {
        if (out.size() >= limit || text.empty())
            return;
        for (const Candidate &c : out)
            if (c.text == text)
                return;
        out.push_back({std::move(keys), std::move(text), kind});
    };
    bool whole = false;
    const std::string asTyped = convert(typed, &whole);
    const bool lowerTyped = anyCase && !hasCapital(typed) && typed.size() <= kMaxResolved;

    // The word written first: as typed, when that is meant; else the user's choice, the word
    // the keys name, one with an ending, or the keys in the commoner case.
    if (!lowerTyped || (whole && known(asTyped))) {
        add(std::string(typed), asTyped, Candidate::Kind::Typed);
    } else if (auto chosen = m_choices.find(lower); chosen != m_choices.end()) {
        add(chosen->second, convert(chosen->second), Candidate::Kind::Named);
    }
    // The words the keys name, those with fewer capitals first: the romanisation gives the
    // commoner letters the lower-case keys (t ত, T ট; n ন, N ণ).
    // Then those whose keys differ only in a vowel doubled or not ("tomar" for tOOmAr).
    std::vector<std::uint32_t> named;
    if (words) {
        named = words->named(lower);
        std::stable_sort(named.begin(), named.end(), [&](std::uint32_t a, std::uint32_t b) {
            return capitals(words->word(a).keys) < capitals(words->word(b).keys);
        });
        std::vector<std::uint32_t> alike = words->alike(foldedKeys(lower));
        std::stable_sort(alike.begin(), alike.end(), [&](std::uint32_t a, std::uint32_t b) {
            return capitals(words->word(a).keys) < capitals(words->word(b).keys);
        });
        for (const std::uint32_t id : alike)
            if (std::find(named.begin(), named.end(), id) == named.end())
                named.push_back(id);
    }
    if (lowerTyped) {
        for (const std::uint32_t id : named)
            add(std::string(words->word(id).keys), std::string(words->word(id).text),
                Candidate::Kind::Named);
    }
    // A word of the list and an ending.
    if (lowerTyped && words && out.empty()) {
        for (const Ending &ending : kEndings) {
            const std::string e = lowerKeys(ending.keys);
            if (lower.size() <= e.size() ||
                lower.compare(lower.size() - e.size(), e.size(), e) != 0)
                continue;
            // The stem's keys, or its keys and the "O" that keeps its last letter apart from
            // the ending's first (phAIl + O + TI).
            const std::string stemKeys = lower.substr(0, lower.size() - e.size());
            for (const bool separated : {false, true}) {
                if (separated && (stemKeys.size() < 2 || stemKeys.back() != 'o'))
                    continue;
                const std::string stem =
                    separated ? stemKeys.substr(0, stemKeys.size() - 1) : stemKeys;
                std::vector<std::uint32_t> stems = words->named(stem);
                std::stable_sort(stems.begin(), stems.end(), [&](std::uint32_t x, std::uint32_t y) {
                    return capitals(words->word(x).keys) < capitals(words->word(y).keys);
                });
                for (const std::uint32_t id : stems) {
                    const WordIndex::Word word = words->word(id);
                    std::string keys =
                        std::string(word.keys) + (separated ? "O" : "") + ending.keys;
                    std::string text = convert(keys);
                    if (text == std::string(word.text) + ending.text)
                        add(std::move(keys), std::move(text), Candidate::Kind::WithEnding);
                }
            }
            if (!out.empty())
                break;
        }
    }
    // The keys read in the case the list's spellings give them: the best reading first where
    // the list names no word, and the next readings after the words it names.
    const std::vector<std::string> read =
        lowerTyped ? readings(lower, 4) : std::vector<std::string>{std::string(typed)};
    if (out.empty()) {
        std::string text = convert(read.front());
        add(read.front(), std::move(text), Candidate::Kind::Read);
    }
    // Then what else it may be: the conversion as typed, the words the keys name, the words
    // that begin with them, and last the other readings (room is kept for two).
    if (whole)
        add(std::string(typed), asTyped, Candidate::Kind::Typed);
    if (words) {
        for (const std::uint32_t id : named)
            add(std::string(words->word(id).keys), std::string(words->word(id).text),
                Candidate::Kind::Named);
        const std::size_t room =
            lowerTyped && read.size() > 1 ? limit - std::min<std::size_t>(limit, 2) : limit;
        for (const std::uint32_t id : words->beginningWith(lower, limit)) {
            if (out.size() >= room)
                break;
            add(std::string(words->word(id).keys), std::string(words->word(id).text),
                Candidate::Kind::Beginning);
        }
    }
    if (lowerTyped) {
        for (const std::string &keys : read) {
            std::string text = convert(keys);
            add(keys, std::move(text), Candidate::Kind::Read);
        }
    }
    return out;
}

std::vector<Lexicon::Candidate> Lexicon::neighbours(std::string_view keys, std::size_t limit) {
    std::vector<Candidate> out;
    const WordIndex *words = index();
    if (!words || keys.empty() || keys.size() > kMaxResolved)
        return out;
    static constexpr std::string_view kKeyChars =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ~&";
    std::vector<std::uint32_t> found;
    auto look = [&](const std::string &variant) {
        for (const std::uint32_t id : words->spelled(variant))
            if (std::find(found.begin(), found.end(), id) == found.end())
                found.push_back(id);
    };
    std::string variant;
    for (std::size_t i = 0; i <= keys.size(); ++i) {
        if (i < keys.size()) {
            variant.assign(keys).erase(i, 1); // a key left out
            look(variant);
        }
        for (const char c : kKeyChars) {
            variant.assign(keys).insert(i, 1, c); // a key added
            look(variant);
            if (i < keys.size() && c != keys[i]) {
                variant.assign(keys);
                variant[i] = c; // a key changed
                look(variant);
            }
        }
    }
    std::stable_sort(found.begin(), found.end(), [&](std::uint32_t a, std::uint32_t b) {
        return capitals(words->word(a).keys) < capitals(words->word(b).keys);
    });
    for (const std::uint32_t id : found) {
        if (out.size() >= limit)
            break;
        const WordIndex::Word w = words->word(id);
        out.push_back({std::string(w.keys), std::string(w.text), Candidate::Kind::Named});
    }
    return out;
}

void Lexicon::choose(std::string_view typed, std::string_view keys) {
    const std::string lower = lowerKeys(typed);
    if (hasCapital(typed) || lower.find_first_of("\t\n") != std::string::npos)
        return;
    m_choices[lower] = std::string(keys);
    if (m_choices.size() > kMaxChoices)
        m_choices.erase(m_choices.begin());
    writeChoices();
}

void Lexicon::readChoices() {
    if (m_choicesFile.empty())
        return;
    const fileio::ReadResult read = fileio::readFile(m_choicesFile, std::size_t(4) << 20);
    if (!read.ok || read.overLimit)
        return;
    std::istringstream lines(read.bytes);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0 || tab + 1 == line.size())
            continue;
        m_choices[line.substr(0, tab)] = line.substr(tab + 1);
    }
}

void Lexicon::writeChoices() {
    if (m_choicesFile.empty())
        return;
    std::string text;
    for (const auto &[typed, keys] : m_choices)
        text += typed + '\t' + keys + '\n';
    std::error_code ec;
    fs::create_directories(m_choicesFile.parent_path(), ec);
    std::string reason;
    fileio::writeFileAtomically(m_choicesFile, text, &reason);
}

} // namespace kestrum::ime
