// Parsing the glyph-code table and the spellings table.
#include "glyphtable.h"

#include "unicodetext.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace kestrum::sutonnymj {

namespace {

constexpr std::pair<Kind, std::string_view> kKindNames[] = {
    {Kind::Unused, "unused"},
    {Kind::Letter, "letter"},
    {Kind::Conjunct, "conjunct"},
    {Kind::SignBefore, "sign-before"},
    {Kind::SignAfter, "sign-after"},
    {Kind::SignBelow, "sign-below"},
    {Kind::Half, "half"},
    {Kind::SecondHalf, "second-half"},
    {Kind::Phala, "phala"},
    {Kind::Reph, "reph"},
    {Kind::Mark, "mark"},
    {Kind::MarkAbove, "mark-above"},
    {Kind::Digit, "digit"},
    {Kind::Punctuation, "punctuation"},
};

constexpr std::pair<Use, std::string_view> kUseNames[] = {
    {Use::Yes, "yes"},   {Use::Start, "start"}, {Use::After, "after"},
    {Use::Part, "part"}, {Use::No, "no"},
};

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        fields.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return fields;
        start = end + 1;
    }
}

// The rows of a tab-separated file: each row's fields by column name.
class TsvReader {
public:
    TsvReader(std::string_view file, std::string_view text) : m_file(file) {
        for (std::string_view line : split(text, '\n')) {
            ++m_lineNumber;
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (line.empty() || line.front() == '#')
                continue;
            std::vector<std::string_view> fields = split(line, '\t');
            if (m_columns.empty()) {
                for (std::size_t i = 0; i < fields.size(); ++i)
                    m_columns[std::string(fields[i])] = i;
                continue;
            }
            m_rows.push_back({m_lineNumber, std::move(fields)});
        }
    }

    std::size_t column(const char *name) const {
        const auto it = m_columns.find(name);
        if (it == m_columns.end())
            throw GlyphTableError(std::string(m_file) + ": no column \"" + name + "\"");
        return it->second;
    }

    struct Row {
        int line;
        std::vector<std::string_view> fields;
    };
    const std::vector<Row> &rows() const { return m_rows; }

    [[noreturn]] void fail(const Row &row, const std::string &message) const {
        throw GlyphTableError(std::string(m_file) + ":" + std::to_string(row.line) + ": " +
                              message);
    }

    std::string_view field(const Row &row, std::size_t column) const {
        return column < row.fields.size() ? row.fields[column] : std::string_view();
    }

    // "U+0995 U+09CD U+09B7" as text.
    std::u32string codePoints(const Row &row, std::size_t column) const {
        std::u32string text;
        for (std::string_view item : split(field(row, column), ' ')) {
            if (item.empty())
                continue;
            unsigned value = 0;
            const auto [end, error] =
                std::from_chars(item.data() + std::min<std::size_t>(2, item.size()),
                                item.data() + item.size(), value, 16);
            if (!item.starts_with("U+") || item.size() < 6 || error != std::errc() ||
                end != item.data() + item.size() || value > 0x10FFFF)
                fail(row, "not a code point: \"" + std::string(item) + "\"");
            text.push_back(char32_t(value));
        }
        return text;
    }

    unsigned hexByte(const Row &row, std::string_view item) const {
        if (item.starts_with("0x"))
            item.remove_prefix(2);
        unsigned value = 0;
        const auto [end, error] =
            std::from_chars(item.data(), item.data() + item.size(), value, 16);
        if (item.empty() || error != std::errc() || end != item.data() + item.size() ||
            value > 0xFF)
            fail(row, "not a byte: \"" + std::string(item) + "\"");
        return value;
    }

private:
    std::string_view m_file;
    int m_lineNumber = 0;
    std::map<std::string, std::size_t, std::less<>> m_columns;
    std::vector<Row> m_rows;
};

} // namespace

std::string_view kindName(Kind kind) {
    for (const auto &[k, name] : kKindNames)
        if (k == kind)
            return name;
    return {};
}

std::optional<Kind> kindFromName(std::string_view name) {
    for (const auto &[k, n] : kKindNames)
        if (n == name)
            return k;
    return std::nullopt;
}

GlyphTable GlyphTable::parse(std::string_view glyphCodes, std::string_view spellings) {
    GlyphTable table;
    for (int b = 0; b < 256; ++b)
        table.m_codes[std::size_t(b)].byte = std::uint8_t(b);

    const TsvReader codes("sutonnymj.tsv", glyphCodes);
    const std::size_t byteColumn = codes.column("byte"), unicodeColumn = codes.column("unicode"),
                      kindColumn = codes.column("kind"), encodeColumn = codes.column("encode"),
                      afterColumn = codes.column("after"),
                      newUnicodeColumn = codes.column("new_unicode"),
                      newKindColumn = codes.column("new_kind");
    std::array<bool, 256> seen{};
    for (const auto &row : codes.rows()) {
        const unsigned byte = codes.hexByte(row, codes.field(row, byteColumn));
        if (byte < 0x20)
            codes.fail(row, "bytes below 0x20 are controls, not glyph codes");
        if (seen[byte])
            codes.fail(row, "a second row for this byte");
        seen[byte] = true;
        GlyphCode &code = table.m_codes[byte];
        code.unicode = codes.codePoints(row, unicodeColumn);
        const auto kind = kindFromName(codes.field(row, kindColumn));
        if (!kind)
            codes.fail(row, "unknown kind \"" + std::string(codes.field(row, kindColumn)) + "\"");
        code.kind = *kind;
        const std::string_view use = codes.field(row, encodeColumn);
        const auto named = std::find_if(std::begin(kUseNames), std::end(kUseNames),
                                        [&](const auto &pair) { return pair.second == use; });
        if (named == std::end(kUseNames))
            codes.fail(row, "unknown encode value \"" + std::string(use) + "\"");
        code.use = named->first;
        if ((code.kind == Kind::Unused) != code.unicode.empty())
            codes.fail(row, "an unused byte has no unicode, and only an unused byte");
        if (code.kind == Kind::Unused && code.use != Use::No)
            codes.fail(row, "an unused byte is never written");
        for (std::string_view item : split(codes.field(row, afterColumn), ' ')) {
            if (item.empty())
                continue;
            const bool last = item.front() == '*';
            const auto text = fromUtf8(item.substr(last ? 1 : 0));
            if (!text || text->empty())
                codes.fail(row, "not a cluster: \"" + std::string(item) + "\"");
            (last ? code.afterLast : code.afterWhole).push_back(*text);
        }
        if (code.use == Use::After && code.afterLast.empty() && code.afterWhole.empty())
            codes.fail(row, "an \"after\" row needs clusters in its after column");
        if (!codes.field(row, newUnicodeColumn).empty())
            code.newUnicode = codes.codePoints(row, newUnicodeColumn);
        if (const std::string_view name = codes.field(row, newKindColumn); !name.empty()) {
            code.newKind = kindFromName(name);
            if (!code.newKind)
                codes.fail(row, "unknown kind \"" + std::string(name) + "\"");
        }
    }
    for (unsigned b = 0x20; b < 256; ++b)
        if (!seen[b])
            throw GlyphTableError("sutonnymj.tsv: no row for byte 0x" +
                                  std::string(1, "0123456789ABCDEF"[b >> 4]) +
                                  "0123456789ABCDEF"[b & 15]);

    const TsvReader spelled("sutonnymj-spellings.tsv", spellings);
    const std::size_t spellingUnicode = spelled.column("unicode"),
                      spellingBytes = spelled.column("bytes");
    for (const auto &row : spelled.rows()) {
        Spelling spelling{spelled.codePoints(row, spellingUnicode), {}};
        for (std::string_view item : split(spelled.field(row, spellingBytes), ' '))
            if (!item.empty()) {
                const unsigned byte = spelled.hexByte(row, item);
                if (table.m_codes[byte].use == Use::No)
                    spelled.fail(row, "uses a byte that is never written");
                spelling.bytes.push_back(char(byte));
            }
        if (spelling.unicode.empty() || spelling.bytes.size() < 2)
            spelled.fail(row, "a spelling is a text and two bytes or more");
        table.m_spellings.push_back(std::move(spelling));
    }
    return table;
}

const GlyphTable &GlyphTable::builtIn() {
    static const GlyphTable table = parse(builtInGlyphCodes(), builtInSpellings());
    return table;
}

} // namespace kestrum::sutonnymj
