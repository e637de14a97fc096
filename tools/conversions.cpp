// The conversions of kestrum-convert other than its original roman to sutonnymj.
#include "conversions.h"

#include "romaniser.h"
#include "sutonnymj.h"
#include "unicodefile.h"
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
    const sutonnymj::LinePositions positions(text);
    UnspelledReport lines(to,
                          [&](std::string line) { outcome.messages.push_back(std::move(line)); });
    for (const Missing &m : merged) {
        const auto [line, column] = positions.at(m.offset);
        lines.part(line, column, text.substr(m.offset, m.length), m.length);
    }
    lines.finish();
    outcome.status = 3;
}

// Roman text converted with every line break as it came, and read back as Unicode.
std::u32string romanToUnicode(std::string_view input, Engine &engine, Generation g) {
    struct Restore {
        Engine &engine;
        Engine::LineBreaks lineBreaks;
        ~Restore() { engine.setLineBreaks(lineBreaks); }
    } restore{engine, engine.lineBreaks()};
    engine.setLineBreaks(Engine::LineBreaks::AsTheyCame);
    return sutonnymj::decode(engine.convertBytes(input), g);
}

// Unicode text romanised: the keys as UTF-8, the unspelled parts reported.
Outcome romanised(std::u32string_view text, sutonnymj::RomanisedText roman) {
    Outcome outcome;
    outcome.output = sutonnymj::toUtf8(roman.keys);
    std::vector<Missing> missing;
    for (const sutonnymj::RomanisedPart &u : roman.unspelled)
        missing.push_back({u.offset, u.length});
    report(outcome, text, std::move(missing), Format::Roman);
    return outcome;
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
        return romanised(text, sutonnymj::romaniseWithPositions(romaniser, text));
    } else {
        outcome.output = sutonnymj::toUtf8(text);
    }
    report(outcome, text, std::move(missing), to);
    return outcome;
}

} // namespace

void UnspelledReport::part(std::size_t line, std::size_t column, std::u32string_view shown,
                           std::size_t length) {
    if (++m_parts > kShownParts)
        return;
    shown = shown.substr(0, std::min(length, kShownCharacters));
    std::string text = "\"" + sutonnymj::toUtf8(sutonnymj::escapeControls(shown));
    if (length > shown.size())
        text += "...\" (" + std::to_string(length) + " characters)";
    else
        text += "\"";
    if (length <= 4) {
        text += " (";
        for (std::size_t i = 0; i < shown.size(); ++i) {
            char code[16];
            std::snprintf(code, sizeof code, "%sU+%04X", i ? " " : "", unsigned(shown[i]));
            text += code;
        }
        text += ")";
    }
    m_write("line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + text +
            " has no spelling in " + std::string(formatName(m_to)) + "; written as it came");
}

void UnspelledReport::finish() {
    if (m_parts > kShownParts)
        m_write("... and " + std::to_string(m_parts - kShownParts) +
                " more parts with no spelling");
}

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
    const auto notUtf8 = [](std::size_t offset) {
        return Outcome{
            1,
            {},
            {"the input is not valid UTF-8 (at byte offset " + std::to_string(offset) + ")"}};
    };
    if (to == Format::Roman) {
        sutonnymj::Romaniser romaniser(engine->tables(), g);
        sutonnymj::RomanisedFile file = sutonnymj::romaniseUnicodeFile(romaniser, input);
        if (file.file.badOffset)
            return notUtf8(*file.file.badOffset);
        return romanised(file.file.text, std::move(file.roman));
    }
    const sutonnymj::UnicodeFileText file = sutonnymj::readUnicodeFile(input);
    if (file.badOffset)
        return notUtf8(*file.badOffset);
    if (to == Format::Unicode)
        return {0, std::string(input), {}};
    return unicodeTo(file.text, to, engine, g);
}

} // namespace kestrum::convert
