// The typing state of one input context, and the tables its input method shares.
#include "composer.h"

#include "cp1252.h"
#include "datafolders.h"
#include "glyphtable.h"
#include "lexicon.h"
#include "unicodetext.h"

#include <algorithm>

namespace kestrum::ime {

namespace {

// What is kept of the line before the word, for reading the word's glyphs after it: enough for
// every rule of the glyph-code reader that looks back (a sign or mark after a cluster).
constexpr std::size_t kContextBytes = 64;

constexpr std::string_view kEllipsis = "\u2026";

bool isAsciiLetter(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

void appendUtf8(std::string &out, std::u32string_view text) {
    for (const char32_t c : text)
        sutonnymj::appendUtf8(out, c);
}

} // namespace

Converter::Converter(const std::filesystem::path &dir)
    : m_decoder(sutonnymj::GlyphTable::builtIn(), sutonnymj::Generation::New) {
    m_engine.loadTables(dir);
    for (std::size_t c = 0; c < m_passing.size(); ++c) {
        if (!isWordChar(static_cast<char32_t>(c)) && c != 0)
            m_passing[c] = m_engine.convertBytes(std::string(1, static_cast<char>(c)));
    }
}

bool Converter::convertWord(std::string_view keys, std::string &glyphs) {
    bool first = true, reph = false;
    for (std::size_t pos = 0; pos < keys.size();) {
        const Engine::UnitStep step = m_engine.convertUnit(keys, pos, first, reph, glyphs);
        if (step.length == 0)
            return false;
        pos += step.length;
        reph = step.rephWaits;
        first = false;
    }
    return !keys.empty();
}

void Converter::decode(std::string_view glyphs, std::u32string &out) {
    m_decoder.decode(glyphs, out);
}

std::variant<std::unique_ptr<Converter>, std::string>
loadConverter(const std::filesystem::path &moduleDir,
              const std::filesystem::path &moduleToPrograms) {
    const std::filesystem::path dir =
        findTablesDir((moduleDir / moduleToPrograms).lexically_normal());
    try {
        return std::make_unique<Converter>(dir);
    } catch (const std::exception &error) {
        return "the tables in " + dir.string() + " cannot be read (" + error.what() +
               "); keys go through unchanged";
    }
}

Composer::Composer(Converter *converter, Options options, Lexicon *lexicon)
    : m_converter(converter), m_lexicon(lexicon), m_options(options) {}

void Composer::setOptions(Options options) {
    const bool keysChanged =
        options.swapCase != m_options.swapCase || options.anyCase != m_options.anyCase;
    m_options = options;
    if (keysChanged && composing()) {
        for (std::size_t i = 0; i < m_typed.size(); ++i)
            m_typedKeys[i] = static_cast<char>(keyOf(m_typed[i]));
        m_units.clear();
        m_keys.clear();
        rekey();
    } else if (composing()) {
        updateShown();
    }
}

char32_t Composer::keyOf(char32_t typed) const {
    if (m_options.swapCase && isAsciiLetter(typed))
        return typed ^ 0x20;
    return typed;
}

Composer::Outcome Composer::press(const Key &key) {
    if (!m_converter)
        return {{}, true};
    using Kind = Key::Kind;
    if (key.kind == Kind::Modifier)
        return {{}, true};
    if (key.command)
        return {commit(), true};
    switch (key.kind) {
    case Kind::Character:
        return pressCharacter(key.text);
    case Kind::Space:
        return endWordWith(m_converter->passing(' '), true, U' ');
    case Kind::Tab:
        return endWordWith(m_converter->passing('\t'), true, U'\t');
    case Kind::Enter: {
        Outcome outcome = endWordWith({}, true, U'\n');
        m_context.clear();
        m_contextText.clear();
        return outcome;
    }
    case Kind::Backspace:
        if (!composing()) {
            discard();
            return {{}, true};
        }
        m_typed.pop_back();
        m_typedKeys.pop_back();
        if (m_typed.empty())
            forgetWord();
        else
            rekey();
        return {};
    case Kind::Escape: {
        if (!composing())
            return {{}, true};
        std::string typed;
        appendUtf8(typed, m_typed);
        discard();
        return {std::move(typed), false};
    }
    case Kind::Caret:
    case Kind::Other:
    case Kind::Modifier:
        break;
    }
    return {commit(), true};
}

Composer::Outcome Composer::pressCharacter(char32_t c) {
    const char32_t key = keyOf(c);
    if (c >= U'1' && c <= U'9' && composing() && showsCandidates() &&
        std::size_t(c - U'0') <= m_candidates.size())
        return pick(std::size_t(c - U'1'));
    if (isWordChar(key)) {
        m_typed.push_back(c);
        m_typedKeys.push_back(static_cast<char>(key));
        rekey();
        Outcome outcome;
        writeHeadIfLong(outcome.commit);
        return outcome;
    }
    if (c >= 0x80 || c < 0x20 || c == 0x7F) {
        // Not a key of the romanisation: the program gets it as it is.
        return {commit(), true};
    }
    return endWordWith(m_converter->passing(static_cast<char>(c)), false, c);
}

// Writes the word and then what a character that ends it is written as. A Space, Tab or Enter
// (`forward`) goes on to the program as a key; any other character is written as the conversion
// writes it, in one piece with the word, unless it is written as itself with no word before it,
// when the program gets the key.
Composer::Outcome Composer::endWordWith(std::string_view passing, bool forward, char32_t typed) {
    Outcome outcome;
    const bool wordConverts = composing() && !m_failed;
    if (composing() && m_failed) {
        outcome.commit = written(std::string_view(m_glyphs), unconverted());
    } else if (wordConverts && !forward) {
        m_scratch.assign(m_glyphs).append(passing);
        outcome.commit = written(m_scratch, {});
        forgetWord();
        return outcome;
    } else if (wordConverts) {
        outcome.commit = written(std::string_view(m_glyphs), {});
    }
    forgetWord();
    if (forward) {
        remember(passing);
        outcome.forward = true;
        return outcome;
    }
    std::string alone = written(passing, {});
    std::string asTyped;
    sutonnymj::appendUtf8(asTyped, typed);
    if (outcome.commit.empty() && alone == asTyped) {
        outcome.forward = true;
        return outcome;
    }
    outcome.commit += alone;
    return outcome;
}

std::u32string Composer::unconverted() const {
    if (!m_failed)
        return {};
    // The keys typed from the first that did not convert; keys the word list gave another
    // length (a word chosen before) stand as they are.
    if (m_keys.size() == m_typed.size())
        return m_typed.substr(m_failedAt);
    return std::u32string(m_keys.begin() + std::ptrdiff_t(m_failedAt), m_keys.end());
}

std::string Composer::commit() {
    std::string out;
    if (composing())
        out = written(std::string_view(m_glyphs), unconverted());
    discard();
    return out;
}

void Composer::discard() {
    forgetWord();
    m_context.clear();
    m_contextText.clear();
}

void Composer::forgetWord() {
    m_keysAreTyped = true;
    m_typed.clear();
    m_typedKeys.clear();
    m_keys.clear();
    m_candidates.clear();
    m_units.clear();
    m_glyphs.clear();
    m_failed = false;
    m_failedAt = 0;
    m_continued = m_continuedReph = m_continuedFailed = false;
    m_preedit.clear();
    m_keysShown.clear();
    m_preeditWhole = true;
}

void Composer::rekey() {
    m_candidates.clear();
    if (m_lexicon && m_lexicon->index() && !m_continued &&
        m_typedKeys.size() <= Lexicon::kMaxResolved) {
        m_candidates = m_lexicon->candidates(m_typedKeys, kCandidates, m_options.anyCase);
        std::string keys =
            m_options.anyCase && !m_candidates.empty() ? m_candidates.front().keys : m_typedKeys;
        // What converts as it did: the keys before the first that changed.
        const std::size_t same = std::size_t(
            std::mismatch(m_keys.begin(), m_keys.end(), keys.begin(), keys.end()).first -
            m_keys.begin());
        m_keys = std::move(keys);
        m_keysAreTyped = false;
        reconvert(same);
        return;
    }
    // The keys as typed: they changed at the end only (a key more or less), unless the keys were
    // read through the word list before. Either way no copy of a long word's keys is made.
    std::size_t same = 0;
    if (m_keysAreTyped) {
        same = std::min(m_keys.size(), m_typedKeys.size());
    } else {
        same = std::size_t(
            std::mismatch(m_keys.begin(), m_keys.end(), m_typedKeys.begin(), m_typedKeys.end())
                .first -
            m_keys.begin());
    }
    m_keys.resize(same);
    m_keys.append(m_typedKeys, same, std::string::npos);
    m_keysAreTyped = true;
    reconvert(same);
}

Composer::Outcome Composer::pick(std::size_t index) {
    const Lexicon::Candidate chosen = m_candidates.at(index);
    m_lexicon->choose(m_typedKeys, chosen.keys);
    std::string glyphs;
    m_converter->convertWord(chosen.keys, glyphs); // a candidate converts to its end
    Outcome outcome{written(glyphs, {}), false};
    forgetWord();
    return outcome;
}

void Composer::reconvert(std::size_t stableUpTo) {
    const std::size_t length = m_keys.size();
    if (m_continuedFailed) {
        m_failed = true;
        m_failedAt = 0;
        updateShown();
        return;
    }
    // A unit whose window lies before the first key that changed converts as it did.
    const std::size_t limit = std::min(stableUpTo, length);
    while (!m_units.empty() && m_units.back().keyStart + Engine::kUnitWindow > limit)
        m_units.pop_back();
    m_glyphs.resize(m_units.empty() ? 0 : m_units.back().glyphEnd);
    std::size_t pos = m_units.empty() ? 0 : m_units.back().keyEnd;
    bool reph = m_units.empty() ? m_continuedReph : m_units.back().rephAfter;
    bool first = m_units.empty() && !m_continued;
    m_failed = false;
    Engine &engine = m_converter->engine();
    while (pos < length) {
        const Engine::UnitStep step = engine.convertUnit(m_keys, pos, first, reph, m_glyphs);
        if (step.length == 0) {
            m_failed = true;
            m_failedAt = pos;
            break;
        }
        const std::size_t end = pos + step.length;
        m_units.push_back({static_cast<std::uint32_t>(pos), static_cast<std::uint32_t>(end),
                           static_cast<std::uint32_t>(m_glyphs.size()), step.rephWaits});
        pos = end;
        reph = step.rephWaits;
        first = false;
    }
    updateShown();
}

void Composer::updateShown() {
    const std::size_t length = m_typed.size();
    const std::u32string_view typed(m_typed);
    m_preeditWhole = length <= kShownKeys;
    m_preedit.clear();
    m_text.clear();
    if (m_preeditWhole) {
        appendUnicodeAfterContext(m_glyphs, m_text);
        if (m_failed)
            m_text.append(unconverted());
        appendUtf8(m_preedit, m_text);
        m_keysShown = m_typedKeys;
        if (m_keys != m_typedKeys)
            m_keysShown.append(" \u2192 ").append(m_keys);
        return;
    }
    // The end of a long word: from the first unit that starts in its last kShownKeys keys.
    const std::size_t cut = length - kShownKeys;
    m_preedit = kEllipsis;
    if (m_failed && m_failedAt <= cut) {
        m_text.assign(typed.substr(cut));
    } else {
        const auto from =
            std::lower_bound(m_units.begin(), m_units.end(), cut,
                             [](const Unit &u, std::size_t c) { return u.keyStart < c; });
        const std::size_t glyphStart = from == m_units.begin() ? 0 : std::prev(from)->glyphEnd;
        m_converter->decode(std::string_view(m_glyphs).substr(glyphStart), m_text);
        if (m_failed)
            m_text.append(unconverted());
    }
    appendUtf8(m_preedit, m_text);
    m_keysShown.assign(kEllipsis).append(std::string_view(m_typedKeys).substr(cut));
}

void Composer::writeHeadIfLong(std::string &commit) {
    const std::size_t length = m_typed.size();
    if (length <= kMaxHeldKeys)
        return;
    // Half the word is written; the other half stays for Backspace.
    const std::size_t cut = length - kMaxHeldKeys / 2;
    std::size_t keys = 0;
    if (m_failed && m_failedAt <= cut) {
        commit += written(std::string_view(m_glyphs),
                          std::u32string_view(m_typed).substr(m_failedAt, cut - m_failedAt));
        keys = cut;
        m_continuedFailed = true;
        m_failed = true;
        m_failedAt = 0;
        m_units.clear();
        m_glyphs.clear();
    } else {
        const auto last =
            std::upper_bound(m_units.begin(), m_units.end(), cut,
                             [](std::size_t c, const Unit &u) { return c < u.keyEnd; });
        if (last == m_units.begin())
            return;
        const Unit &head = *std::prev(last);
        keys = head.keyEnd;
        const std::size_t glyphs = head.glyphEnd;
        commit += written(std::string_view(m_glyphs).substr(0, glyphs), {});
        m_continued = true;
        m_continuedReph = head.rephAfter;
        m_units.erase(m_units.begin(), last);
        for (Unit &unit : m_units) {
            unit.keyStart -= static_cast<std::uint32_t>(keys);
            unit.keyEnd -= static_cast<std::uint32_t>(keys);
            unit.glyphEnd -= static_cast<std::uint32_t>(glyphs);
        }
        m_glyphs.erase(0, glyphs);
        if (m_failed)
            m_failedAt -= keys;
    }
    m_typed.erase(0, keys);
    m_typedKeys.erase(0, keys);
    m_keys.erase(0, keys);
    updateShown();
}

std::string Composer::written(std::string_view glyphs, std::u32string_view rawKeys) {
    std::string out;
    if (m_options.output == Output::Unicode) {
        m_text.clear();
        appendUnicodeAfterContext(glyphs, m_text);
        appendUtf8(out, m_text);
    } else {
        for (const char g : glyphs)
            sutonnymj::appendUtf8(out, cp1252ToUnicode(static_cast<unsigned char>(g)));
    }
    remember(glyphs);
    if (!rawKeys.empty()) {
        appendUtf8(out, rawKeys);
        // Latin letters end what the glyphs before them can join.
        m_context.clear();
        m_contextText.clear();
    }
    return out;
}

void Composer::appendUnicodeAfterContext(std::string_view glyphs, std::u32string &out) {
    if (m_context.empty()) {
        m_converter->decode(glyphs, out);
        return;
    }
    // Read with the line's end before them, as the whole line would be read; a reading that
    // would change what was written already (nothing can take it back) is read alone.
    m_joined.assign(m_context).append(glyphs);
    m_whole.clear();
    m_converter->decode(m_joined, m_whole);
    if (m_whole.compare(0, m_contextText.size(), m_contextText) == 0)
        out.append(m_whole, m_contextText.size());
    else
        m_converter->decode(glyphs, out);
}

void Composer::remember(std::string_view glyphs) {
    m_context.append(glyphs);
    if (m_context.size() > kContextBytes) {
        // Cut after a space where there is one, so the kept end starts a word.
        std::size_t from = m_context.size() - kContextBytes;
        const std::size_t space = m_context.find(' ', from);
        if (space != std::string::npos && space + 1 < m_context.size())
            from = space + 1;
        m_context.erase(0, from);
    }
    m_contextText.clear();
    m_converter->decode(m_context, m_contextText);
}

} // namespace kestrum::ime
