// Substitution tables: loading, sorting, searching.
#include "tables.h"

#include "cp1252.h"
#include "fieldreader.h"
#include "fileio.h"

#include <algorithm>
#include <sstream>
#include <utility>

namespace kestrum {

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

int compareKeys(std::string_view a, std::string_view b) {
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

void sortTable(Table &table) {
    const int n = table.size();
    for (int i = 1; i <= n - 1; ++i) {
        const int m = n - i;
        for (int j = 1; j <= m; ++j) {
            if (compareKeys(table[j].key.view(), table[j + 1].key.view()) > 0)
                std::swap(table[j], table[j + 1]);
        }
    }
}

int findKey(const Table &table, std::string_view s) {
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

// One table file, read record by record: only as far as the records asked for, so neither a
// huge file nor a field without an end costs more than a few kilobytes.
class TableFile {
public:
    TableFile(const std::filesystem::path &dir, const char *name, int count)
        : m_name(name), m_path(dir / name), m_count(count),
          m_reader([this](char *buffer, std::size_t size) { return read(buffer, size); }) {
        if (!m_file.open(m_path))
            throw TableLoadError(
                m_name, 0, m_name + ": cannot open " + m_path.string() + ": " + m_file.reason());
        // A modern editor may have saved the file as UTF-8 with a byte-order mark; its first
        // key would then start with three stray bytes and never match.
        while (m_head.size() < 3) {
            char b[3];
            const std::ptrdiff_t got = m_file.read(b, 3 - m_head.size());
            if (got < 0)
                throwReadError();
            if (got == 0)
                break;
            m_head.append(b, static_cast<std::size_t>(got));
        }
        if (m_head == "\xEF\xBB\xBF")
            throw TableLoadError(m_name, 0,
                                 m_name + ": the file is saved as UTF-8 with a byte-order mark; "
                                          "table files are 8-bit Windows-1252 text");
    }
    TableFile(const TableFile &) = delete;
    TableFile &operator=(const TableFile &) = delete;

    // Reads record `i` (1-based): the key, then the glyphs.
    std::pair<std::string, std::string> record(int i) {
        auto key = m_reader.next();
        auto glyphs = key ? m_reader.next() : std::nullopt;
        if (m_reader.failed())
            throwReadError();
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
    std::ptrdiff_t read(char *buffer, std::size_t size) {
        if (!m_head.empty()) {
            const std::size_t n = std::min(size, m_head.size());
            std::copy_n(m_head.data(), n, buffer);
            m_head.erase(0, n);
            return static_cast<std::ptrdiff_t>(n);
        }
        return m_file.read(buffer, size);
    }

    [[noreturn]] void throwReadError() const {
        throw TableLoadError(m_name, 0,
                             m_name + ": cannot read " + m_path.string() + ": " + m_file.reason());
    }

    std::string m_name;
    std::filesystem::path m_path;
    int m_count;
    fileio::InputFile m_file;
    std::string m_head; // the first bytes, read ahead to look for a byte-order mark
    FieldReader m_reader;
};

void assign(TableRecord &record, const std::pair<std::string, std::string> &fields) {
    record.key.assign(fields.first);
    record.glyphs.assign(fields.second);
}

} // namespace

std::vector<std::pair<std::string, std::string>> readRecords(const std::filesystem::path &dir,
                                                             const char *name, int count) {
    TableFile file(dir, name, count);
    std::vector<std::pair<std::string, std::string>> records;
    records.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i)
        records.push_back(file.record(i));
    return records;
}

Tables readTables(const std::filesystem::path &dir) {
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
