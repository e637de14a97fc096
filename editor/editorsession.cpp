#include "editorsession.h"

#include "engine.h"
#include "ucs4.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>
#include <utility>

namespace kestrum {

namespace {

// The lengths of the common beginning of a and b, and of their common end within the rest,
// compared a block at a time (they run over the whole text on every conversion).
std::pair<std::size_t, std::size_t> commonEnds(std::u32string_view a, std::u32string_view b) {
    constexpr std::size_t Block = 64;
    const std::size_t shorter = std::min(a.size(), b.size());
    std::size_t prefix = 0;
    while (prefix + Block <= shorter &&
           std::memcmp(a.data() + prefix, b.data() + prefix, Block * sizeof(char32_t)) == 0)
        prefix += Block;
    while (prefix < shorter && a[prefix] == b[prefix])
        ++prefix;
    const std::size_t rest = shorter - prefix;
    std::size_t suffix = 0;
    while (suffix + Block <= rest &&
           std::memcmp(a.data() + a.size() - suffix - Block, b.data() + b.size() - suffix - Block,
                       Block * sizeof(char32_t)) == 0)
        suffix += Block;
    while (suffix < rest && a[a.size() - suffix - 1] == b[b.size() - suffix - 1])
        ++suffix;
    return {prefix, suffix};
}

} // namespace

EditorSession::EditorSession(Engine &engine, int yieldIntervalMs, QObject *parent)
    : QObject(parent), m_engine(engine), m_yieldIntervalMs(yieldIntervalMs) {
    m_engine.setYieldToUi([this] { yieldToUi(); });
    m_engine.setConversionLog(&m_log);
    // The output area takes CR LF line breaks (RichTextBox::setText).
    m_engine.setLineBreaks(Engine::LineBreaks::CrLf);
}

EditorSession::~EditorSession() {
    m_engine.setYieldToUi({});
    m_engine.setConversionLog(nullptr);
}

void EditorSession::setInputSource(std::function<QString()> source) {
    m_input = std::move(source);
}

void EditorSession::resetSpans() {
    m_spans.clear();
    m_tiled = false;
}

void EditorSession::setConversionOutput(std::u32string text) {
    m_output = std::move(text);
    resetSpans();
    if (!m_output.empty())
        m_spans.push_back({0, 0, std::uint32_t(m_output.size()), 0, true});
}

void EditorSession::outputEdited(const QString &text) {
    if (m_converting)
        return;
    std::u32string edited = toUcs4(text);
    // An emptied area (Clear, New) keeps nothing: the next conversion converts every word.
    if (edited.empty()) {
        m_output.clear();
        resetSpans();
        return;
    }
    const auto [prefix, suffix] = commonEnds(m_output, edited);
    const std::size_t oldEnd = m_output.size() - suffix;
    const std::size_t inserted = edited.size() - suffix - prefix;
    m_output = std::move(edited);
    if (oldEnd == prefix && inserted == 0)
        return;
    const auto userSpan = [](std::size_t length) {
        return Span{0, 0, std::uint32_t(length), 0, true};
    };
    std::size_t start = 0;
    if (oldEnd == prefix) {
        // An insertion: inside a span it is an edit of that span; between spans it is text of
        // the user's own, joined to a neighbour that is the user's too.
        std::size_t i = 0;
        for (; i < m_spans.size(); ++i) {
            Span &span = m_spans[i];
            const std::size_t end = start + span.outputLength;
            if (start < prefix && prefix < end) {
                span.outputLength += std::uint32_t(inserted);
                span.edited = true;
                return;
            }
            if (start >= prefix)
                break;
            start = end;
        }
        if (i > 0 && m_spans[i - 1].inputLength == 0)
            m_spans[i - 1].outputLength += std::uint32_t(inserted);
        else if (i < m_spans.size() && m_spans[i].inputLength == 0)
            m_spans[i].outputLength += std::uint32_t(inserted);
        else
            m_spans.insert(m_spans.begin() + std::ptrdiff_t(i), userSpan(inserted));
        return;
    }
    // A deletion or replacement: every span it touches is edited; the new text joins the first.
    bool first = true;
    for (Span &span : m_spans) {
        const std::size_t end = start + span.outputLength;
        if (end > prefix && start < oldEnd) {
            span.outputLength -= std::uint32_t(std::min(end, oldEnd) - std::max(start, prefix));
            if (std::exchange(first, false))
                span.outputLength += std::uint32_t(inserted);
            span.edited = true;
        }
        start = end;
    }
    if (first) // past the last span (none yet)
        m_spans.push_back(userSpan(inserted));
    std::erase_if(m_spans, [](const Span &s) { return s.inputLength == 0 && s.outputLength == 0; });
}

void EditorSession::convert() {
    if (!m_input)
        return;
    if (m_converting) {
        m_pending = true;
        return;
    }
    struct Running {
        bool &flag;
        ~Running() { flag = false; }
    } running{m_converting};
    m_converting = true;
    do {
        m_pending = false;
        m_yieldCalls = 0;
        m_sinceYield.start();
        toUcs4Lines(m_input(), m_inputText);
        // The engine's conversion of the whole text writes the log (and lets events run); the
        // output is built from the spans, so only changed words get new glyphs.
        if (m_engine.convertText(m_inputText, m_converted) == Engine::Result::Converted) {
            updateSpans(m_inputText);
            std::swap(m_lastInput, m_inputText);
            fromUcs4(m_output, m_outputText);
            Q_EMIT outputReplaced(m_outputText);
            m_inputChanged = false;
        }
        // The window that held the input may have gone while events ran.
    } while (m_pending && m_input);
    m_converting = false;
    Q_EMIT conversionFinished();
}

void EditorSession::convertPending() {
    if (!m_input)
        return;
    if (!m_inputChanged) {
        toUcs4Lines(m_input(), m_inputText);
        if (m_inputText == m_lastInput)
            return;
    }
    convert();
}

std::size_t EditorSession::appendConverted(std::u32string_view keys, std::size_t wordLength,
                                           std::u32string &out) {
    const std::size_t before = out.size();
    if (wordLength > 0) {
        m_word.assign(keys.begin(), keys.begin() + std::ptrdiff_t(wordLength));
        m_engine.convertWord(m_word, out);
    }
    const std::size_t word = out.size() - before;
    // The characters between words, as the engine's conversion writes them.
    for (const char32_t c : keys.substr(wordLength)) {
        if (c == U'\n')
            out += U"\r\n";
        else if (c == U'.')
            out += U'|';
        else if (c != U'\r')
            out += c;
    }
    return word;
}

void EditorSession::convertSpans(std::u32string_view keys, std::vector<Span> &spans,
                                 std::u32string &out) {
    std::size_t i = 0;
    while (i < keys.size()) {
        const std::size_t start = i;
        while (i < keys.size() && isWordChar(keys[i]))
            ++i;
        const std::size_t word = i - start;
        while (i < keys.size() && !isWordChar(keys[i]))
            ++i;
        const std::size_t before = out.size();
        const std::size_t glyphs = appendConverted(keys.substr(start, i - start), word, out);
        spans.push_back({std::uint32_t(i - start), std::uint32_t(word),
                         std::uint32_t(out.size() - before), std::uint32_t(glyphs), false});
    }
}

void EditorSession::updateSpans(const std::u32string &input) {
    // The words converted here are the engine's once more: their log lines are written already.
    struct Unlogged {
        Engine &engine;
        ConversionLog *log;
        ~Unlogged() { engine.setConversionLog(log); }
    } unlogged{m_engine, &m_log};
    m_engine.setConversionLog(nullptr);

    const std::u32string_view oldInput = m_tiled ? std::u32string_view(m_lastInput) : U"";
    const std::u32string_view newInput = input;
    const auto keysAt = [](std::u32string_view text, std::size_t at, std::size_t length) {
        return text.substr(at, length);
    };
    // Within the text's common beginning and end the keys stand as they were: only the spans
    // that reach into the rest are compared.
    const auto [same, sameEnd] = commonEnds(oldInput, newInput);
    // The spans at the beginning whose keys stand unchanged, and the text of the user's
    // between and right after them.
    std::size_t front = 0, frontOutput = 0, at = 0;
    for (; front < m_spans.size(); ++front) {
        const Span &span = m_spans[front];
        if (span.inputLength > 0 && at + span.inputLength < same) {
            at += span.inputLength; // the next word's first character is the same too
        } else if (span.inputLength > 0) {
            const std::size_t end = at + span.inputLength;
            // The next word must start where the span ends; a span without characters after
            // its word must still end the text.
            const bool boundary = span.inputLength == span.wordLength
                                      ? end == newInput.size()
                                      : end == newInput.size() ||
                                            (end < newInput.size() && isWordChar(newInput[end]));
            if (end > newInput.size() || !boundary ||
                keysAt(oldInput, at, span.inputLength) != keysAt(newInput, at, span.inputLength))
                break;
            at = end;
        }
        frontOutput += span.outputLength;
    }
    // The same from the end, not reaching into the beginning.
    std::size_t back = m_spans.size(), backOutput = 0;
    std::size_t oldEnd = oldInput.size(), newEnd = newInput.size();
    for (; back > front; --back) {
        const Span &span = m_spans[back - 1];
        if (span.inputLength > 0) {
            const std::size_t length = span.inputLength;
            if (oldEnd < at + length || newEnd < at + length)
                break;
            const std::size_t start = newEnd - length;
            if (start > newInput.size() - sameEnd) {
                // Its keys and the character before them stand as they were.
                oldEnd -= length;
                newEnd = start;
                backOutput += span.outputLength;
                continue;
            }
            const bool boundary =
                span.wordLength == 0 ? start == 0 : start == 0 || !isWordChar(newInput[start - 1]);
            if (!boundary ||
                keysAt(oldInput, oldEnd - length, length) != keysAt(newInput, start, length))
                break;
            oldEnd -= length;
            newEnd = start;
        }
        backOutput += span.outputLength;
    }
    // The changed words get new spans; what the user added to the output of the old ones (and
    // text of the user's among them) is kept in a span after them.
    std::vector<Span> spans;
    std::u32string middle, kept, original;
    convertSpans(newInput.substr(at, newEnd - at), spans, middle);
    std::size_t output = frontOutput, keys = at;
    for (std::size_t i = front; i < back; ++i) {
        const Span &span = m_spans[i];
        const std::u32string_view text =
            std::u32string_view(m_output).substr(output, span.outputLength);
        if (span.inputLength == 0) {
            kept += text;
        } else if (span.edited) {
            original.clear();
            appendConverted(oldInput.substr(keys, span.inputLength), span.wordLength, original);
            const auto [prefix, suffix] = commonEnds(original, text);
            kept += text.substr(prefix, text.size() - prefix - suffix);
        }
        output += span.outputLength;
        keys += span.inputLength;
    }
    if (!kept.empty()) {
        spans.push_back({0, 0, std::uint32_t(kept.size()), 0, true});
        middle += kept;
    }
    // In place: the output and the spans keep their room.
    m_output.replace(frontOutput, m_output.size() - backOutput - frontOutput, middle);
    if (back - front == spans.size()) {
        std::copy(spans.begin(), spans.end(), m_spans.begin() + std::ptrdiff_t(front));
    } else {
        m_spans.erase(m_spans.begin() + std::ptrdiff_t(front),
                      m_spans.begin() + std::ptrdiff_t(back));
        m_spans.insert(m_spans.begin() + std::ptrdiff_t(front), spans.begin(), spans.end());
    }
    m_tiled = true;
}

std::optional<EditorSession::ConvertedWord>
EditorSession::convertedWordAt(std::size_t outputPosition) const {
    if (!m_tiled)
        return std::nullopt;
    std::size_t output = 0, input = 0;
    for (const Span &span : m_spans) {
        if (outputPosition < output + span.outputLength) {
            if (span.inputLength == 0 || span.edited ||
                outputPosition >= output + span.wordOutputLength)
                return std::nullopt;
            return ConvertedWord{output, span.wordOutputLength, input, span.wordLength};
        }
        output += span.outputLength;
        input += span.inputLength;
    }
    return std::nullopt;
}

bool EditorSession::replaceWordKeys(const ConvertedWord &word, const QString &keys) {
    if (!m_inputEditor)
        return false;
    convertPending();
    if (convertedWordAt(word.outputStart) != word)
        return false;
    m_inputEditor(word.inputStart, word.inputLength, keys);
    m_inputChanged = true;
    convert();
    return true;
}

void EditorSession::yieldToUi() {
    // A clock read costs more than a converted unit: look at the clock every 256th call only.
    if (++m_yieldCalls % 256 != 0 || m_sinceYield.elapsed() < m_yieldIntervalMs)
        return;
    QCoreApplication::processEvents();
    m_sinceYield.start();
}

} // namespace kestrum
