// Reading a text a piece at a time and converting each piece whole.
#include "streaming.h"

#include "decoder.h"
#include "romaniser.h"
#include "sutonnymj.h"
#include "unicodefile.h"
#include "unicodetext.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace kestrum::convert {

namespace {

using sutonnymj::LinePositions;

// Words of more letters than this and than a read are converted as they come (a word the
// input method's list reads another way is never that long).
constexpr std::size_t kLongWord = 64;

// A word longer than a read, converted unit by unit as its letters come, so that no more of
// it is held than the few letters a unit depends on: the same glyphs and log line as the
// engine's conversion of the whole word.
class LongWord {
public:
    explicit LongWord(Engine &engine) : m_engine(engine) {}
    bool active() const { return m_active; }
    void start() {
        m_active = m_first = true;
        m_rephWaits = false;
        m_length = m_failedAt = 0;
        m_shown.clear();
    }

    // Takes the next letters of the word (`ends`: the word ends after them) and appends their
    // glyphs to `out`; returns the letters taken (all of them when it ends). Those it leaves
    // go in front of the next letters.
    std::size_t take(std::string_view letters, bool ends, std::string &out) {
        std::size_t pos = 0;
        while (!m_failedAt && pos < letters.size() &&
               (ends || letters.size() - pos >= Engine::kUnitWindow)) {
            const Engine::UnitStep step =
                m_engine.convertUnit(letters, pos, m_first, m_rephWaits, out);
            if (step.length == 0) {
                m_failedAt = m_length + pos + 1;
                break;
            }
            pos += step.length;
            m_first = false;
            m_rephWaits = step.rephWaits;
        }
        if (m_failedAt) // the rest of a word the tables stop in converts to nothing
            pos = letters.size();
        m_shown.append(letters.substr(0, std::min(pos, Engine::kShownLetters - m_shown.size())));
        m_length += pos;
        if (ends) {
            if (m_failedAt && m_engine.conversionLog())
                m_engine.conversionLog()->append(
                    Engine::failureLine(m_failedAt, m_shown, m_length));
            m_active = false;
        }
        return pos;
    }

private:
    Engine &m_engine;
    bool m_active = false;
    bool m_first = true;
    bool m_rephWaits = false;
    std::size_t m_length = 0;   // letters taken
    std::size_t m_failedAt = 0; // where no key starts, from 1; 0 while every unit converts
    std::string m_shown;        // the first letters, for the log line
};

// The conversion through Unicode, fed one read at a time: the input's bytes become Unicode
// text (decoded UTF-8, decoded glyph codes, or roman text converted and decoded), and the text
// is converted into the target up to its last character outside a Bengali word.
class ThroughUnicode {
public:
    ThroughUnicode(Format from, Format to, sutonnymj::Generation g, Engine *engine,
                   const WriteAll &write, const WriteLine &message, const Resolve &resolve,
                   std::size_t chunk)
        : m_from(from), m_to(to), m_engine(engine), m_write(write), m_message(message),
          m_resolve(resolve), m_chunk(chunk), m_decoder(sutonnymj::GlyphTable::builtIn(), g),
          m_report(to, [this](std::string line) { m_message(line); }) {
        if (to == Format::Roman)
            m_romaniser.emplace(engine->tables(), g);
        if (from == Format::Roman) {
            m_longWord.emplace(*engine);
            m_lineBreaks = engine->lineBreaks();
            engine->setLineBreaks(Engine::LineBreaks::AsTheyCame);
        }
    }
    ~ThroughUnicode() {
        if (m_from == Format::Roman)
            m_engine->setLineBreaks(m_lineBreaks);
    }

    // Takes the next bytes of the input (`last`: the input ends after them). False when the
    // conversion stops: a write failed, or the input is not UTF-8.
    bool take(std::string_view bytes, bool last) {
        m_bytes.append(bytes);
        switch (m_from) {
        case Format::Unicode:
            if (!takeUtf8(last))
                return false;
            break;
        case Format::SutonnyMJ:
            m_bytes.erase(0, m_decoder.decodeSome(m_bytes, m_text, last));
            break;
        case Format::Roman:
            takeRoman(bytes, last);
            break;
        }
        if (!convertText(last))
            return false;
        if (last) {
            closePart();
            m_report.finish();
        }
        return true;
    }

    int status() const { return m_status; }
    bool writeFailed() const { return m_writeFailed; }

private:
    struct Part {
        std::size_t offset;
        std::size_t length;
        LinePositions::Position at;
        std::u32string shown;
    };

    bool takeUtf8(bool last) {
        if (!m_bomChecked) {
            const std::string_view mark = sutonnymj::kUtf8Bom;
            if (!last && m_bytes.size() < mark.size() &&
                mark.starts_with(std::string_view(m_bytes)))
                return true; // not known yet whether it starts with the mark
            m_bomChecked = true;
            if (std::string_view(m_bytes).starts_with(mark)) {
                // Copied as it came; it is no character of the text.
                if (m_to == Format::Unicode && !put(mark))
                    return false;
                m_bytes.erase(0, mark.size());
                m_offset += mark.size();
            }
        }
        // A character that the read ended in waits for its other bytes.
        std::size_t whole = m_bytes.size();
        if (!last) {
            for (std::size_t back = 1; back <= std::min<std::size_t>(3, whole); ++back) {
                const unsigned char b = static_cast<unsigned char>(m_bytes[whole - back]);
                if (b < 0x80)
                    break;
                if (b >= 0xC0) {
                    const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
                    if (length > back)
                        whole -= back;
                    break;
                }
            }
        }
        sutonnymj::Utf8Text decoded = sutonnymj::decodeUtf8(
            std::string_view(m_bytes).substr(0, whole), sutonnymj::Utf8Mode::Strict);
        if (decoded.badOffset) {
            m_message("the input is not valid UTF-8 (at byte offset " +
                      std::to_string(m_offset + *decoded.badOffset) + ")");
            m_status = 1;
            return false;
        }
        m_text += decoded.text;
        m_bytes.erase(0, whole);
        m_offset += whole;
        return true;
    }

    void takeRoman(std::string_view read, bool last) {
        // UTF-8 Bengali in the keys passes through the engine as bytes: each line that holds it
        // is named as it is read.
        for (const auto &place : m_bengali.find(read)) {
            m_message(place.report());
            m_status = 3;
        }
        // A word longer than a read and than kLongWord letters is converted as it comes.
        std::size_t wordEnd = 0;
        while (wordEnd < m_bytes.size() && isWordChar(static_cast<unsigned char>(m_bytes[wordEnd])))
            ++wordEnd;
        if (m_longWord && !m_longWord->active() && !last && wordEnd == m_bytes.size() &&
            wordEnd > std::max(m_chunk, kLongWord))
            m_longWord->start();
        if (m_longWord && m_longWord->active()) {
            const bool ends = wordEnd < m_bytes.size() || last;
            m_bytes.erase(
                0, m_longWord->take(std::string_view(m_bytes).substr(0, wordEnd), ends, m_glyphs));
            if (!ends) {
                m_glyphs.erase(0, m_decoder.decodeSome(m_glyphs, m_text, false));
                return;
            }
        }
        std::size_t cut = m_bytes.size();
        if (!last)
            while (cut > 0 && isWordChar(static_cast<unsigned char>(m_bytes[cut - 1])))
                --cut;
        if (cut > 0) {
            const std::string_view piece = std::string_view(m_bytes).substr(0, cut);
            m_glyphs += m_engine->convertBytes(m_resolve ? m_resolve(piece) : std::string(piece));
            m_bytes.erase(0, cut);
        }
        m_glyphs.erase(0, m_decoder.decodeSome(m_glyphs, m_text, last));
    }

    // Converts m_text up to its last character outside a Bengali word (all of it when `last`).
    bool convertText(bool last) {
        while (!m_text.empty()) {
            if (m_romaniser && (m_longRun || startsLongRun())) {
                std::size_t run = 0;
                while (run < m_text.size() && sutonnymj::isBengaliWordChar(m_text[run]))
                    ++run;
                m_longRun = run == m_text.size() && !last;
                const std::u32string_view piece(m_text.data(), run);
                addPart(m_done, run, piece, LinePositions(piece, m_at));
                if (!put(sutonnymj::toUtf8(piece)))
                    return false;
                advance(run, LinePositions(piece, m_at));
                continue;
            }
            std::size_t cut = m_text.size();
            if (!last) {
                // A CR waits for the LF that may follow: a piece ends after a whole line break.
                // Unicode is written character by character; the other targets read whole words.
                // m_text[0, m_uncut) was looked at before: it holds no place to cut.
                const bool words = m_to != Format::Unicode;
                while (cut > m_uncut && ((words && sutonnymj::isBengaliWordChar(m_text[cut - 1])) ||
                                         m_text[cut - 1] == U'\r'))
                    --cut;
                // Glyph codes of a run of Bengali letters too long to be a word go out a
                // syllable at a time, so memory stays flat however long the run.
                if (cut == m_uncut && m_to == Format::SutonnyMJ && m_text.size() > kLongWord)
                    cut = syllableCut();
                if (cut == m_uncut) {
                    m_uncut = m_text.size();
                    return true;
                }
            }
            const std::u32string_view piece(m_text.data(), cut);
            const LinePositions positions(piece, m_at);
            std::string out;
            if (m_to == Format::Roman) {
                sutonnymj::Romaniser::Text roman = m_romaniser->romaniseText(piece);
                out = sutonnymj::toUtf8(roman.text);
                for (const auto &u : roman.unspelled)
                    addPart(m_done + u.offset, u.length, piece.substr(u.offset), positions);
            } else if (m_to == Format::SutonnyMJ) {
                sutonnymj::Encoded encoded = sutonnymj::encode(piece);
                std::sort(encoded.unencodable.begin(), encoded.unencodable.end(),
                          [](const auto &a, const auto &b) { return a.offset < b.offset; });
                for (const auto &u : encoded.unencodable)
                    addPart(m_done + u.offset, 1, piece.substr(u.offset), positions);
                out = std::move(encoded.bytes);
            } else {
                out = sutonnymj::toUtf8(piece);
            }
            if (!put(out))
                return false;
            advance(cut, positions);
        }
        return true;
    }

    // The last place in m_text where a syllable begins whose glyph codes do not depend on the
    // syllable before it: a consonant after anything but a hasanta or a joiner, with no vowel
    // sign written before its consonant (ি ে ৈ ো ৌ, whose form follows the glyph before) up to
    // the next such consonant. 0 where there is none.
    std::size_t syllableCut() const {
        const auto isConsonant = [](char32_t c) {
            return (c >= 0x0995 && c <= 0x09B9) || c == 0x09DC || c == 0x09DD || c == 0x09DF;
        };
        const auto startsSyllable = [&](std::size_t p) {
            const char32_t before = m_text[p - 1];
            return isConsonant(m_text[p]) && before != 0x09CD && before != 0x200C &&
                   before != 0x200D;
        };
        std::size_t next = 0; // the start of the syllable after p, once one is known
        for (std::size_t p = m_text.size() - 1; p > 0; --p) {
            const char32_t c = m_text[p];
            if (c == 0x09BF || c == 0x09C7 || c == 0x09C8 || c == 0x09CB || c == 0x09CC)
                next = 0; // this syllable has a sign before its consonant
            if (!startsSyllable(p))
                continue;
            if (next != 0)
                return p;
            next = p;
        }
        return 0;
    }

    // Whether m_text starts with a Bengali word too long to spell.
    bool startsLongRun() const {
        std::size_t run = 0;
        while (run < m_text.size() && run <= sutonnymj::Romaniser::kMaxWordLength &&
               sutonnymj::isBengaliWordChar(m_text[run]))
            ++run;
        return run > sutonnymj::Romaniser::kMaxWordLength;
    }

    void advance(std::size_t length, const LinePositions &positions) {
        m_at = positions.at(length);
        m_done += length;
        m_text.erase(0, length);
        m_uncut = 0;
    }

    // A part of the whole text with no spelling, `from` its characters; touching the part
    // before, it joins it.
    void addPart(std::size_t offset, std::size_t length, std::u32string_view from,
                 const LinePositions &positions) {
        m_status = 3;
        const auto keep = [&](Part &part, std::u32string_view chars) {
            const std::size_t room = UnspelledReport::kShownCharacters - part.shown.size();
            part.shown.append(chars.substr(0, std::min(room, chars.size())));
        };
        if (m_part && m_part->offset + m_part->length >= offset) {
            const std::size_t end = std::max(m_part->offset + m_part->length, offset + length);
            const std::size_t added = end - (m_part->offset + m_part->length);
            keep(*m_part, from.substr(length - std::min(length, added), added));
            m_part->length = end - m_part->offset;
            return;
        }
        closePart();
        m_part = Part{offset, length, positions.at(offset - m_done), {}};
        keep(*m_part, from.substr(0, length));
    }

    void closePart() {
        if (!m_part)
            return;
        m_report.part(m_part->at.line, m_part->at.column, m_part->shown, m_part->length);
        m_part.reset();
    }

    bool put(std::string_view bytes) {
        if (bytes.empty() || m_write(bytes))
            return true;
        m_writeFailed = true;
        return false;
    }

    Format m_from, m_to;
    Engine *m_engine;
    const WriteAll &m_write;
    const WriteLine &m_message;
    const Resolve &m_resolve;
    std::size_t m_chunk;
    std::optional<LongWord> m_longWord; // roman input
    Engine::LineBreaks m_lineBreaks = Engine::LineBreaks::CrLf;
    sutonnymj::Decoder m_decoder;
    std::optional<sutonnymj::Romaniser> m_romaniser;
    sutonnymj::BengaliInRoman m_bengali;
    UnspelledReport m_report;

    std::string m_bytes;      // read and not yet taken
    std::size_t m_offset = 0; // of m_bytes[0] in the input (UTF-8 input)
    bool m_bomChecked = false;
    std::string m_glyphs;               // roman input converted and not yet decoded
    std::u32string m_text;              // Unicode text not yet converted
    std::size_t m_done = 0;             // characters of the text converted before m_text
    std::size_t m_uncut = 0;            // m_text[0, m_uncut) holds no place to cut it
    LinePositions::Position m_at{1, 1}; // where m_text starts
    bool m_longRun = false;             // m_text goes on with a Bengali word too long to spell
    std::optional<Part> m_part;         // the last part with no spelling, not reported yet
    int m_status = 0;
    bool m_writeFailed = false;
};

} // namespace

UnicodeStreamOutcome convertThroughUnicode(Format from, Format to, sutonnymj::Generation g,
                                           Engine *engine, const ReadSome &read,
                                           const WriteAll &write, const WriteLine &message,
                                           std::size_t chunk, const Resolve &resolve) {
    ThroughUnicode conversion(from, to, g, engine, write, message, resolve, chunk);
    std::string buffer(std::max<std::size_t>(chunk, 1), '\0');
    for (;;) {
        const std::ptrdiff_t got = read(buffer.data(), buffer.size());
        if (got < 0)
            return {StreamResult::ReadFailed, conversion.status()};
        const bool last = got == 0;
        if (!conversion.take(std::string_view(buffer.data(), std::size_t(got)), last))
            return {conversion.writeFailed() ? StreamResult::WriteFailed : StreamResult::Done,
                    conversion.status()};
        if (last)
            return {StreamResult::Done, conversion.status()};
    }
}

StreamResult convertStream(Engine &engine, const ReadSome &read, const WriteAll &write,
                           std::size_t chunk, const Resolve &resolve) {
    chunk = std::max<std::size_t>(chunk, 1);
    // buffer[0, carried) is the start of a word that the last read ended inside of: only word
    // characters, so the boundary of the next piece can only lie in what is read after it.
    std::string buffer;
    std::size_t carried = 0;
    std::string output;
    LongWord longWord(engine);
    const auto isWord = [&](std::size_t i) {
        return isWordChar(static_cast<unsigned char>(buffer[i]));
    };
    for (;;) {
        if (buffer.size() < carried + chunk)
            buffer.resize(carried + chunk);
        const std::ptrdiff_t got = read(buffer.data() + carried, chunk);
        if (got < 0)
            return StreamResult::ReadFailed;
        std::size_t end = carried + static_cast<std::size_t>(got);
        if (!longWord.active() && got > 0 && end > std::max(chunk, kLongWord) && carried > 0 &&
            isWord(end - 1)) {
            // A word longer than a read goes on: it is converted as it comes.
            std::size_t wordEnd = carried;
            while (wordEnd < end && isWord(wordEnd))
                ++wordEnd;
            if (wordEnd == end)
                longWord.start();
        }
        if (longWord.active()) {
            std::size_t wordEnd = 0;
            while (wordEnd < end && isWord(wordEnd))
                ++wordEnd;
            const bool ends = wordEnd < end || got == 0;
            output.clear();
            const std::size_t taken =
                longWord.take(std::string_view(buffer.data(), wordEnd), ends, output);
            if (!output.empty() && !write(output))
                return StreamResult::WriteFailed;
            end -= taken;
            std::memmove(buffer.data(), buffer.data() + taken, end);
            carried = ends ? 0 : end;
            if (!ends)
                continue;
        }
        std::size_t cut = end;
        if (got > 0) {
            // Just past the last byte that ends a word; every byte before it converts as it
            // would in the whole text, since a word's glyphs and log line depend on the word
            // alone.
            while (cut > carried && isWord(cut - 1))
                --cut;
            if (cut == carried) {
                carried = end;
                continue;
            }
        }
        if (cut > 0) {
            output.clear();
            const std::string_view piece(buffer.data(), cut);
            if (resolve)
                engine.convertBytes(resolve(piece), output);
            else
                engine.convertBytes(piece, output);
            // A piece of lone CRs converts to nothing.
            if (!output.empty() && !write(output))
                return StreamResult::WriteFailed;
        }
        if (got == 0)
            return StreamResult::Done;
        carried = end - cut;
        std::memmove(buffer.data(), buffer.data() + cut, carried);
    }
}

StreamResult copyStream(const ReadSome &read, const WriteAll &write, std::size_t chunk) {
    std::string buffer(std::max<std::size_t>(chunk, 1), '\0');
    for (;;) {
        const std::ptrdiff_t got = read(buffer.data(), buffer.size());
        if (got < 0)
            return StreamResult::ReadFailed;
        if (got == 0)
            return StreamResult::Done;
        if (!write(std::string_view(buffer.data(), static_cast<std::size_t>(got))))
            return StreamResult::WriteFailed;
    }
}

} // namespace kestrum::convert
