// The word index: building it from the word list, keeping it in the cache, looking words up.
#include "wordindex.h"

#include "fileio.h"
#include "romaniser.h"
#include "sutonnymj.h"
#include "unicodetext.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <thread>

namespace kestrum::ime {

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[8] = {'K', 'S', 'T', 'W', 'I', 'D', 'X', '2'};
// A romaniser remembers every word it spelled; a fresh one every so many words keeps that small.
constexpr std::size_t kWordsPerRomaniser = 2048;
// The longest word and keys an index holds (the longest real words are far shorter).
constexpr std::size_t kMaxLength = 255;

constexpr std::uint64_t fnv(std::uint64_t hash, std::string_view bytes) {
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3u;
    }
    return hash;
}
constexpr std::uint64_t kFnvStart = 0xCBF29CE484222325u;

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c;
}

// Compares lower-cased keys.
int compareLower(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = lower(a[i]), y = lower(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool startsWithLower(std::string_view keys, std::string_view lowerPrefix) {
    if (keys.size() < lowerPrefix.size())
        return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i)
        if (lower(keys[i]) != lowerPrefix[i])
            return false;
    return true;
}

// The lines of a hunspell .dic file or a plain list that may be words: a first line that is
// only digits is the count; "/flags" after a word and surrounding spaces go.
std::vector<std::string_view> readList(std::string_view bytes) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    bool first = true;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        if (const std::size_t slash = line.find('/'); slash != std::string_view::npos)
            line = line.substr(0, slash);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        const bool count =
            first && !line.empty() &&
            std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; });
        first = false;
        if (!line.empty() && !count && line.size() <= kMaxLength)
            words.push_back(line);
    }
    return words;
}

template <class T> void put(std::string &out, const T &value) {
    out.append(reinterpret_cast<const char *>(&value), sizeof value);
}
template <class T> bool take(std::string_view &in, T &value) {
    if (in.size() < sizeof value)
        return false;
    std::memcpy(&value, in.data(), sizeof value);
    in.remove_prefix(sizeof value);
    return true;
}
template <class T> bool takeVector(std::string_view &in, std::vector<T> &values, std::uint64_t n) {
    if (n > in.size() / sizeof(T))
        return false;
    values.resize(n);
    std::memcpy(values.data(), in.data(), n * sizeof(T));
    in.remove_prefix(n * sizeof(T));
    return true;
}

} // namespace

std::string lowerKeys(std::string_view keys) {
    std::string out(keys);
    for (char &c : out)
        c = lower(c);
    return out;
}

std::string foldedKeys(std::string_view keys) {
    std::string out;
    out.reserve(keys.size());
    for (const char k : keys) {
        const char c = lower(k);
        if ((c == 'o' || c == 'i' || c == 'u') && !out.empty() && out.back() == c)
            continue;
        out += c;
    }
    return out;
}

std::optional<WordIndex::Source> WordIndex::sourceOf(const fs::path &list, const Tables &tables) {
    struct stat st {};
    if (::stat(list.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    Source source;
    source.listSize = static_cast<std::uint64_t>(st.st_size);
    source.listModified = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    source.listPath = fnv(kFnvStart, list.string());
    std::uint64_t hash = kFnvStart;
    for (const Table *table : {&tables.firstTable, &tables.nextTable, &tables.connectTable}) {
        for (int i = 1; i <= table->size(); ++i) {
            hash = fnv(hash, (*table)[i].key.view());
            hash = fnv(hash, "\x1f");
            hash = fnv(hash, (*table)[i].glyphs.view());
            hash = fnv(hash, "\x1e");
        }
        hash = fnv(hash, "\x1d");
    }
    for (const auto &key : tables.vowelKeys)
        hash = fnv(fnv(hash, key.view()), "\x1e");
    source.tables = hash;
    return source;
}

std::optional<WordIndex> WordIndex::build(const fs::path &list, const Tables &tables,
                                          std::string *problem) {
    const std::optional<Source> source = sourceOf(list, tables);
    fileio::ReadResult read = fileio::readFile(list, std::size_t(256) << 20);
    if (!source || !read.ok || read.overLimit) {
        *problem = list.string() + ": " +
                   (read.ok ? std::string("the word list is larger than 256 MB") : read.reason);
        return std::nullopt;
    }
    std::vector<std::string_view> words = readList(read.bytes);

    // The words are spelled in as many pieces as the machine has cores, each by a romaniser of
    // its own into a pool of its own; the pieces keep the list's order.
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
    struct Piece {
        std::string pool;
        std::vector<Record> records;
    };
    std::vector<Piece> pieces(threads);
    auto spell = [&](std::size_t p) {
        const std::size_t begin = words.size() * p / threads;
        const std::size_t end = words.size() * (p + 1) / threads;
        Piece &piece = pieces[p];
        // About the list's bytes again for the keys: room made once, not by doubling.
        std::size_t bytes = 0;
        for (std::size_t i = begin; i < end; ++i)
            bytes += words[i].size();
        piece.pool.reserve(bytes + bytes / 2);
        piece.records.reserve(end - begin);
        std::optional<sutonnymj::Romaniser> romaniser;
        for (std::size_t i = begin; i < end; ++i) {
            if ((i - begin) % kWordsPerRomaniser == 0)
                romaniser.emplace(tables);
            // In the normal form the conversion writes, so a converted word and a word of the
            // list compare as they read.
            std::optional<std::u32string> word = sutonnymj::fromUtf8(words[i]);
            if (!word || !sutonnymj::containsBengali(*word))
                continue;
            *word = sutonnymj::normalize(*word);
            const std::optional<std::string> keys = romaniser->romanise(*word);
            const std::string text = sutonnymj::toUtf8(*word);
            if (!keys || keys->size() > kMaxLength || text.size() > kMaxLength)
                continue;
            Record record;
            record.text = static_cast<std::uint32_t>(piece.pool.size());
            record.textLength = static_cast<std::uint16_t>(text.size());
            piece.pool += text;
            record.keys = static_cast<std::uint32_t>(piece.pool.size());
            record.keysLength = static_cast<std::uint16_t>(keys->size());
            piece.pool += *keys;
            piece.records.push_back(record);
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t p = 1; p < threads; ++p)
        workers.emplace_back(spell, p);
    spell(0);
    for (std::thread &worker : workers)
        worker.join();

    // The list is no longer needed; the first piece becomes the index and the others join it,
    // each freed as soon as it has, so little is held twice.
    words = {};
    read.bytes = {};
    WordIndex index;
    index.m_source = *source;
    index.m_pool = std::move(pieces[0].pool);
    index.m_records = std::move(pieces[0].records);
    for (std::size_t p = 1; p < pieces.size(); ++p) {
        Piece piece = std::move(pieces[p]);
        const auto offset = static_cast<std::uint32_t>(index.m_pool.size());
        index.m_pool += piece.pool;
        piece.pool = {};
        for (Record record : piece.records) {
            record.text += offset;
            record.keys += offset;
            index.m_records.push_back(record);
        }
    }
    index.m_pool.shrink_to_fit();
    index.m_records.shrink_to_fit();
    index.sortIndexes();
    return index;
}

void WordIndex::sortIndexes() {
    const auto n = static_cast<std::uint32_t>(m_records.size());
    m_byKeys.resize(n);
    m_byText.resize(n);
    m_byFolded.resize(n);
    for (std::uint32_t i = 0; i < n; ++i)
        m_byKeys[i] = m_byText[i] = m_byFolded[i] = i;
    std::vector<std::string> folded(n);
    for (std::uint32_t i = 0; i < n; ++i)
        folded[i] = foldedKeys(word(i).keys);
    std::stable_sort(m_byFolded.begin(), m_byFolded.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return folded[a] < folded[b]; });
    std::stable_sort(m_byKeys.begin(), m_byKeys.end(), [this](std::uint32_t a, std::uint32_t b) {
        const std::string_view x = word(a).keys, y = word(b).keys;
        return x.size() != y.size() ? x.size() < y.size() : compareLower(x, y) < 0;
    });
    std::sort(m_byText.begin(), m_byText.end(),
              [this](std::uint32_t a, std::uint32_t b) { return word(a).text < word(b).text; });
}

WordIndex::Word WordIndex::word(std::uint32_t id) const {
    const Record &r = m_records[id];
    const std::string_view pool(m_pool);
    return {pool.substr(r.text, r.textLength), pool.substr(r.keys, r.keysLength)};
}

std::vector<std::uint32_t> WordIndex::named(std::string_view lowerKeys) const {
    // m_byKeys is ordered by length first, then by the lower-cased keys.
    auto less = [&](std::uint32_t id, std::string_view k) {
        const std::string_view keys = word(id).keys;
        return keys.size() != k.size() ? keys.size() < k.size() : compareLower(keys, k) < 0;
    };
    auto from = std::lower_bound(m_byKeys.begin(), m_byKeys.end(), lowerKeys, less);
    std::vector<std::uint32_t> ids;
    for (; from != m_byKeys.end() && compareLower(word(*from).keys, lowerKeys) == 0; ++from)
        ids.push_back(*from);
    std::sort(ids.begin(), ids.end()); // the list's order
    return ids;
}

std::vector<std::uint32_t> WordIndex::beginningWith(std::string_view lowerPrefix,
                                                    std::size_t limit) const {
    // For each length from the prefix's on, the words of that length whose keys begin with it
    // stand together: one binary search a length.
    std::vector<std::uint32_t> ids;
    for (std::size_t length = lowerPrefix.size() + 1; length <= kMaxLength && ids.size() < limit;
         ++length) {
        auto less = [&](std::uint32_t id, std::size_t) {
            const std::string_view keys = word(id).keys;
            if (keys.size() != length)
                return keys.size() < length;
            return compareLower(keys.substr(0, lowerPrefix.size()), lowerPrefix) < 0;
        };
        auto it = std::lower_bound(m_byKeys.begin(), m_byKeys.end(), length, less);
        if (it == m_byKeys.end())
            break;
        for (; it != m_byKeys.end() && ids.size() < limit; ++it) {
            const std::string_view keys = word(*it).keys;
            if (keys.size() != length || !startsWithLower(keys, lowerPrefix))
                break;
            ids.push_back(*it);
        }
    }
    return ids;
}

std::vector<std::uint32_t> WordIndex::spelled(std::string_view keys) const {
    std::vector<std::uint32_t> ids = named(lowerKeys(keys));
    std::erase_if(ids, [&](std::uint32_t id) { return word(id).keys != keys; });
    return ids;
}

std::vector<std::uint32_t> WordIndex::alike(std::string_view folded) const {
    auto it = std::lower_bound(
        m_byFolded.begin(), m_byFolded.end(), folded,
        [this](std::uint32_t id, std::string_view f) { return foldedKeys(word(id).keys) < f; });
    std::vector<std::uint32_t> ids;
    for (; it != m_byFolded.end() && foldedKeys(word(*it).keys) == folded; ++it)
        ids.push_back(*it);
    return ids;
}

bool WordIndex::contains(std::string_view text) const {
    auto it = std::lower_bound(
        m_byText.begin(), m_byText.end(), text,
        [this](std::uint32_t id, std::string_view t) { return word(id).text < t; });
    return it != m_byText.end() && word(*it).text == text;
}

// The cache file: a header, the records, the two orders and the pool, each checked on reading.
bool WordIndex::save(const fs::path &file, std::string *problem) const {
    std::string out(kMagic, sizeof kMagic);
    put(out, m_source.listSize);
    put(out, m_source.listModified);
    put(out, m_source.listPath);
    put(out, m_source.tables);
    put(out, std::uint64_t(m_records.size()));
    put(out, std::uint64_t(m_pool.size()));
    out.append(reinterpret_cast<const char *>(m_records.data()), m_records.size() * sizeof(Record));
    out.append(reinterpret_cast<const char *>(m_byKeys.data()),
               m_byKeys.size() * sizeof(std::uint32_t));
    out.append(reinterpret_cast<const char *>(m_byText.data()),
               m_byText.size() * sizeof(std::uint32_t));
    out.append(reinterpret_cast<const char *>(m_byFolded.data()),
               m_byFolded.size() * sizeof(std::uint32_t));
    out += m_pool;
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (!fileio::writeFileAtomically(file, out, problem)) {
        *problem = file.string() + ": " + *problem;
        return false;
    }
    return true;
}

std::optional<WordIndex> WordIndex::load(const fs::path &file, const Source &source) {
    const fileio::ReadResult read = fileio::readFile(file, std::size_t(512) << 20);
    if (!read.ok || read.overLimit)
        return std::nullopt;
    std::string_view in(read.bytes);
    if (in.size() < sizeof kMagic ||
        in.compare(0, sizeof kMagic, std::string_view(kMagic, sizeof kMagic)) != 0)
        return std::nullopt;
    in.remove_prefix(sizeof kMagic);
    WordIndex index;
    std::uint64_t records = 0, pool = 0;
    if (!take(in, index.m_source.listSize) || !take(in, index.m_source.listModified) ||
        !take(in, index.m_source.listPath) || !take(in, index.m_source.tables) ||
        !take(in, records) || !take(in, pool) || !(index.m_source == source))
        return std::nullopt;
    if (!takeVector(in, index.m_records, records) || !takeVector(in, index.m_byKeys, records) ||
        !takeVector(in, index.m_byText, records) || !takeVector(in, index.m_byFolded, records) ||
        in.size() != pool)
        return std::nullopt;
    index.m_pool.assign(in);
    if (!index.valid())
        return std::nullopt;
    return index;
}

// Every offset inside the pool, each order a permutation of the records, in order.
bool WordIndex::valid() const {
    const std::size_t n = m_records.size();
    for (const Record &r : m_records) {
        if (std::size_t(r.text) + r.textLength > m_pool.size() ||
            std::size_t(r.keys) + r.keysLength > m_pool.size() || r.keysLength == 0)
            return false;
    }
    std::vector<bool> seenKeys(n), seenText(n), seenFolded(n);
    std::string previousFolded;
    for (std::size_t i = 0; i < n; ++i) {
        if (m_byKeys[i] >= n || m_byText[i] >= n || m_byFolded[i] >= n || seenKeys[m_byKeys[i]] ||
            seenText[m_byText[i]] || seenFolded[m_byFolded[i]])
            return false;
        seenKeys[m_byKeys[i]] = seenText[m_byText[i]] = seenFolded[m_byFolded[i]] = true;
        std::string folded = foldedKeys(word(m_byFolded[i]).keys);
        if (i > 0 && folded < previousFolded)
            return false;
        previousFolded = std::move(folded);
        if (i > 0) {
            const std::string_view a = word(m_byKeys[i - 1]).keys, b = word(m_byKeys[i]).keys;
            if (a.size() > b.size() || (a.size() == b.size() && compareLower(a, b) > 0))
                return false;
            if (word(m_byText[i - 1]).text > word(m_byText[i]).text)
                return false;
        }
    }
    return true;
}

fs::path WordIndex::defaultCache() {
    const char *xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && fs::path(xdg).is_absolute())
        return fs::path(xdg) / "kestrum" / "words.index";
    const char *home = std::getenv("HOME");
    if (home && fs::path(home).is_absolute())
        return fs::path(home) / ".cache" / "kestrum" / "words.index";
    return {};
}

std::optional<WordIndex> WordIndex::open(const fs::path &list, const Tables &tables,
                                         const fs::path &cache, std::string *problem) {
    const std::optional<Source> source = sourceOf(list, tables);
    if (!source) {
        *problem = list.string() + ": no word list there";
        return std::nullopt;
    }
    if (!cache.empty()) {
        if (std::optional<WordIndex> kept = load(cache, *source))
            return kept;
    }
    std::optional<WordIndex> index = build(list, tables, problem);
    if (index && !cache.empty()) {
        std::string ignored;
        index->save(cache, &ignored);
    }
    return index;
}

} // namespace kestrum::ime
