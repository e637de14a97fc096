// The conversions of kestrum-convert other than its original roman to sutonnymj.
#include "conversions.h"

#include "romaniser.h"
#include "sutonnymj.h"
#include "unicodetext.h"

#include <algorithm>
#include <cstdio>

namespace kestrum::convert {

namespace {

using sutonnymj::Generation;

// A part of a text with no spelling in the target: where it starts and how long it is.
struct Missing {
    std::size_t offset;
    std::size_t length;
};

// Line and column (from 1) of offsets into a text; CR LF, LF and CR end a line.
class Positions {
public:
    explicit Positions(std::u32string_view text) {
        m_lineStarts.push_back(0);
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n')
                ++i;
            if (text[i] == U'\r' || text[i] == U'\n')
                m_lineStarts.push_back(i + 1);
        }
    }
    std::pair<std::size_t, std::size_t> at(std::size_t offset) const {
        const auto after = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), offset);
        const std::size_t line = std::size_t(after - m_lineStarts.begin());
        return {line, offset - m_lineStarts[line - 1] + 1};
    }

private:
    std::vector<std::size_t> m_lineStarts;
};

std::string describe(std::u32string_view part) {
    std::string text = "\"" + sutonnymj::toUtf8(part) + "\"";
    if (part.size() <= 4) {
        text += " (";
        for (std::size_t i = 0; i < part.size(); ++i) {
            char code[16];
            std::snprintf(code, sizeof code, "%sU+%04X", i ? " " : "", unsigned(part[i]));
            text += code;
        }
        text += ")";
    }
    return text;
}

// Reports the missing parts of `text` (adjacent ones as one), and sets status 3 when any.
void report(Outcome &outcome, std::u32string_view text, std::vector<Missing> missing, Format to) {
    if (missing.empty())
        return;
    std::sort(missing.begin(), missing.end(),
              [](const Missing &a, const Missing &b) { return a.offset < b.offset; });
    std::vector<Missing> merged;
    for (const Missing &m : missing) {
        if (!merged.empty() && merged.back().offset + merged.back().length >= m.offset) {
            Missing &last = merged.back();
            last.length = std::max(last.offset + last.length, m.offset + m.length) - last.offset;
        } else {
            merged.push_back(m);
        }
    }
    const Positions positions(text);
    for (const Missing &m : merged) {
        const auto [line, column] = positions.at(m.offset);
        outcome.messages.push_back(
            "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
            describe(text.substr(m.offset, m.length)) + " has no spelling in " +
            std::string(formatName(to)) + "; written as it came");
    }
    outcome.status = 3;
}

// Roman text converted line by line, so every line break stays as it came (the engine's own
// text conversion writes CR LF), and read back as Unicode.
std::u32string romanToUnicode(std::string_view input, Engine &engine, Generation g) {
    std::u32string text;
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = input.size();
        text += sutonnymj::decode(engine.convertBytes(input.substr(start, end - start)), g);
        if (end == input.size())
            break;
        const std::size_t breakLength = input.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        for (std::size_t k = 0; k < breakLength; ++k)
            text.push_back(char32_t(input[end + k]));
        start = end + breakLength;
    }
    return text;
}

Outcome unicodeTo(std::u32string_view text, Format to, Engine *engine, Generation g) {
    Outcome outcome;
    std::vector<Missing> missing;
    if (to == Format::SutonnyMJ) {
        sutonnymj::Encoded encoded = sutonnymj::encode(text);
        outcome.output = std::move(encoded.bytes);
        for (const auto &u : encoded.unencodable)
            missing.push_back({u.offset, 1});
    } else if (to == Format::Roman) {
        sutonnymj::Romaniser romaniser(engine->tables(), g);
        const sutonnymj::Romaniser::Text roman = romaniser.romaniseText(text);
        outcome.output = sutonnymj::toUtf8(roman.text);
        for (const auto &u : roman.unspelled)
            missing.push_back({u.offset, u.length});
    } else {
        outcome.output = sutonnymj::toUtf8(text);
    }
    report(outcome, text, std::move(missing), to);
    return outcome;
}

} // namespace

std::optional<Format> formatFromName(std::string_view name) {
    if (name == "roman")
        return Format::Roman;
    if (name == "sutonnymj")
        return Format::SutonnyMJ;
    if (name == "unicode")
        return Format::Unicode;
    return std::nullopt;
}

std::string_view formatName(Format format) {
    switch (format) {
    case Format::Roman:
        return "roman";
    case Format::SutonnyMJ:
        return "sutonnymj";
    case Format::Unicode:
        break;
    }
    return "unicode";
}

std::optional<Generation> generationFromName(std::string_view name) {
    if (name == "classic")
        return Generation::Classic;
    if (name == "new")
        return Generation::New;
    return std::nullopt;
}

Outcome convert(std::string_view input, Format from, Format to, Generation g, Engine *engine) {
    if (from == to && from != Format::Unicode)
        return {0, std::string(input), {}};
    switch (from) {
    case Format::Roman: {
        Outcome outcome = unicodeTo(romanToUnicode(input, *engine, g), to, engine, g);
        // UTF-8 Bengali in the keys passed through the engine as bytes: named first.
        std::vector<std::string> bengali;
        for (const auto &place : sutonnymj::BengaliInRoman().find(input))
            bengali.push_back(place.report());
        if (!bengali.empty()) {
            outcome.messages.insert(outcome.messages.begin(), bengali.begin(), bengali.end());
            outcome.status = 3;
        }
        return outcome;
    }
    case Format::SutonnyMJ:
        return unicodeTo(sutonnymj::decode(input, g), to, engine, g);
    case Format::Unicode:
        break;
    }
    std::size_t bad = 0;
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    const std::string_view body = input.starts_with(kBom) ? input.substr(kBom.size()) : input;
    const auto text = sutonnymj::fromUtf8(body, &bad);
    if (!text) {
        const std::size_t offset = bad + (input.size() - body.size());
        return {1,
                {},
                {"the input is not valid UTF-8 (at byte offset " + std::to_string(offset) + ")"}};
    }
    if (to == Format::Unicode)
        return {0, std::string(input), {}};
    return unicodeTo(*text, to, engine, g);
}

} // namespace kestrum::convert
