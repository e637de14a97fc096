// Substitution tables: loading, sorting, searching.
#include "tables.h"

#include "cp1252.h"
#include "fieldreader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

namespace kestrum {

std::string_view trimSpaces(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

int compareKeys(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t ca = cp1252ToUnicode(static_cast<unsigned char>(a[i]));
        const char32_t cb = cp1252ToUnicode(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return 0;
}

void sortTable(Table &table)
{
    const int n = table.size();
    for (int i = 1; i <= n - 1; ++i) {
        const int m = n - i;
        for (int j = 1; j <= m; ++j) {
            if (compareKeys(table[j].key.view(), table[j + 1].key.view()) > 0)
                std::swap(table[j], table[j + 1]);
        }
    }
}

int findKey(const Table &table, std::string_view s)
{
    const int n = table.size();
    if (n < 1)
        return 0;
    int lo = 1;
    int hi = n;
    int result = 0;
    do {
        const int mid = (lo + hi) / 2;
        const int order = compareKeys(table[mid].key.view(), s);
        if (order == 0) {
            result = mid;
            break;
        }
        if (order > 0)
            hi = mid;
        else
            lo = mid;
    } while (std::abs(hi - lo) > 1);
    if (compareKeys(table[lo].key.view(), s) == 0)
        result = lo;
    else if (compareKeys(table[hi].key.view(), s) == 0)
        result = hi;
    return result;
}

namespace {

// One table file, read whole and handed out record by record.
class TableFile {
public:
    TableFile(const std::filesystem::path &dir, const char *name, int count)
        : m_name(name), m_count(count)
    {
        const auto path = dir / name;
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            const int error = errno;
            throw TableLoadError(m_name, 0,
                                 m_name + ": cannot open " + path.string() + ": " +
                                     (error ? std::strerror(error) : "unknown error"));
        }
        m_text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad())
            throw TableLoadError(m_name, 0, m_name + ": cannot read " + path.string());
        m_reader.emplace(m_text);
    }

    // Reads record `i` (1-based): the key, then the glyphs.
    std::pair<std::string, std::string> record(int i)
    {
        auto key = m_reader->next();
        auto glyphs = key ? m_reader->next() : std::nullopt;
        if (!key || !glyphs) {
            std::ostringstream message;
            message << m_name << ": record " << i << " of " << m_count;
            if (key)
                message << " has a key but no glyphs (the file ends after its key)";
            else
                message << " is missing (the file ends after " << (i - 1)
                        << (i - 1 == 1 ? " record)" : " records)");
            throw TableLoadError(m_name, i, message.str());
        }
        return {std::move(*key), std::move(*glyphs)};
    }

private:
    std::string m_name;
    int m_count;
    std::string m_text;
    std::optional<FieldReader> m_reader;
};

void assign(TableRecord &record, const std::pair<std::string, std::string> &fields)
{
    record.key.assign(fields.first);
    record.glyphs.assign(fields.second);
}

} // namespace

std::vector<std::pair<std::string, std::string>> readRecords(const std::filesystem::path &dir,
                                                             const char *name, int count)
{
    TableFile file(dir, name, count);
    std::vector<std::pair<std::string, std::string>> records;
    records.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i)
        records.push_back(file.record(i));
    return records;
}

Tables readTables(const std::filesystem::path &dir)
{
    Tables tables;
    {
        TableFile file(dir, kFirstFile, kFirstRecords);
        for (int i = 1; i <= kFirstRecords; ++i) {
            const auto fields = file.record(i);
            assign(tables.firstTable[i], fields);
            if (i <= kVowelRecords)
                tables.vowelKeys[static_cast<std::size_t>(i)].assign(fields.first);
        }
    }
    {
        TableFile file(dir, kNextFile, kNextRecords);
        for (int i = 1; i <= kNextRecords; ++i)
            assign(tables.nextTable[i], file.record(i));
    }
    {
        TableFile file(dir, kConnectFile, kConnectRecords);
        for (int i = 1; i <= kConnectRecords; ++i)
            assign(tables.connectTable[i], file.record(i));
    }
    {
        TableFile file(dir, kJointFile, kJointRecords);
        for (int i = 1; i <= kJointRecords; ++i) {
            const auto fields = file.record(i);
            assign(tables.firstTable[kFirstRecords + i], fields);
            assign(tables.nextTable[kNextRecords + i], fields);
        }
    }
    sortTable(tables.nextTable);
    sortTable(tables.firstTable);
    sortTable(tables.connectTable);
    return tables;
}

} // namespace kestrum
