// The editor's text session: the one owner of what a conversion reads and writes.
//
// The session reads the input text (from the input area, through its input source), keeps
// inputChanged (the input changed since the last conversion), conversionOutput (the text the
// output area shows: the session owns it, the area is its view) and the conversion log (a
// ConversionLogModel the engine writes into), and runs the conversions on the engine. A
// conversion lets pending window events run; a conversion asked for from such an event does
// not run inside the running one but right after it, on the input as it is then. The windows
// learn what changed through signals: outputReplaced when a conversion has a new output for
// the output area, conversionFinished when the last of them has ended.
#pragma once

#include "conversionlogmodel.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrum {

class Engine;

class EditorSession : public QObject {
    Q_OBJECT

public:
    // Installs a yieldToUi hook on `engine` that lets pending events run at most every
    // `yieldIntervalMs` milliseconds of a conversion, and the session's log as its conversion
    // log; the destructor takes both away again.
    static constexpr int DefaultYieldIntervalMs = 15;
    explicit EditorSession(Engine &engine, int yieldIntervalMs = DefaultYieldIntervalMs,
                           QObject *parent = nullptr);
    ~EditorSession() override;

    // The engine the session converts with (its tables serve the romaniser too).
    Engine &engine() { return m_engine; }
    // The conversion log: cleared by each conversion, one line for each word it could not
    // convert, and whatever else the editor appends to it.
    ConversionLogModel &log() { return m_log; }

    // Where a conversion reads the input text (line breaks as CR LF, LF, or the document's
    // U+2028 and U+2029); none (the default) makes convert() do nothing. The window that holds
    // the input sets it and clears it before it goes.
    void setInputSource(std::function<QString()> source);
    bool hasInputSource() const { return bool(m_input); }

    // The input changed since the last conversion that converted it.
    bool inputChanged() const { return m_inputChanged; }
    void setInputChanged(bool changed) { m_inputChanged = changed; }

    // The text the output area shows: the converted words and what the user put there. The
    // area is a view of it: outputReplaced puts a conversion's output there, outputEdited brings
    // every other change of the area back. A character the area shows in its Latin font is held
    // as RichTextBox::LatinMark + its code (see RichTextBox::markedText).
    const std::u32string &conversionOutput() const { return m_output; }
    // Replaces the output with text of the user's (no converted words in it).
    void setConversionOutput(std::u32string text);
    // The output area's text changed outside a conversion: it becomes conversionOutput, and the
    // change is the user's edit of the spans it touches. While a conversion runs the change is
    // a step of its own replacement of the area and is ignored.
    void outputEdited(const QString &text);

    // Converts the input text into conversionOutput and emits outputReplaced with it; an
    // empty input changes nothing. Asked for while a conversion runs (from an event the
    // conversion let run), it runs once more after the running one, however often it was
    // asked for. Emits conversionFinished when done.
    void convert();
    bool isConverting() const { return m_converting; }
    // Converts when the input is not what the last conversion converted (inputChanged, or a
    // change that an activation of the window marked as seen): what leaves the program (a copy,
    // a save) is what the input says.
    void convertPending();

    // For a spelling checker. Positions are indexes of code points: in conversionOutput for the
    // output, in the input text as the last conversion read it (line breaks as one character
    // each) for the keys.
    struct ConvertedWord {
        std::size_t outputStart = 0;  // the word's glyphs in conversionOutput
        std::size_t outputLength = 0; // (the characters after the word are not part of it)
        std::size_t inputStart = 0;   // the word's keys in the input text
        std::size_t inputLength = 0;
        bool operator==(const ConvertedWord &) const = default;
    };
    // The converted word whose glyphs hold `outputPosition` (outputStart <= position <
    // outputStart + outputLength); nothing when the position is in text the user put into the
    // output or edited, between words, or past the end.
    std::optional<ConvertedWord> convertedWordAt(std::size_t outputPosition) const;
    // Replaces the keys of `word` (as convertedWordAt gave it) with `keys` through the input
    // editor and converts: only that word's output changes. Converts pending input first; false,
    // with nothing changed, when there is no input editor or `word` is no longer a converted
    // word of the output (ask convertedWordAt again).
    bool replaceWordKeys(const ConvertedWord &word, const QString &keys);
    // How replaceWordKeys changes the input: the window that holds the input replaces its
    // characters [start, start + length) (code points, as above) with `keys`.
    using InputEditor = std::function<void(std::size_t start, std::size_t length, const QString &)>;
    void setInputEditor(InputEditor editor) { m_inputEditor = std::move(editor); }

Q_SIGNALS:
    // A conversion has replaced conversionOutput with `text`: the output area must show it.
    void outputReplaced(const QString &text);
    // A conversion (and any that was asked for during it) has finished.
    void conversionFinished();

private:
    // One span of the output. A span with keys holds a word of the input (possibly empty, at
    // the start of the text) and the characters after it up to the next word; the spans with
    // keys tile m_lastInput in order. A span without keys is text the user put there.
    struct Span {
        std::uint32_t inputLength = 0;      // its keys; 0: the user's text
        std::uint32_t wordLength = 0;       // of them, the word's
        std::uint32_t outputLength = 0;     // its text in m_output now
        std::uint32_t wordOutputLength = 0; // the word's glyphs as converted
        bool edited = false;                // the user changed its text since
    };
    void yieldToUi();
    // The spans of the converted input, the user's text kept, and the new output, from the
    // last conversion's spans and the input `input`.
    void updateSpans(const std::u32string &input);
    // Appends the conversion of `keys` (a word of `wordLength` and the characters after it) to
    // `out`; returns the length of the word's glyphs.
    std::size_t appendConverted(std::u32string_view keys, std::size_t wordLength,
                                std::u32string &out);
    // The spans of `keys`, appended to `spans` with their converted text appended to `out`.
    void convertSpans(std::u32string_view keys, std::vector<Span> &spans, std::u32string &out);
    void resetSpans();

    Engine &m_engine;
    ConversionLogModel m_log;
    std::function<QString()> m_input;
    InputEditor m_inputEditor;
    bool m_inputChanged = false;
    std::u32string m_output;
    std::vector<Span> m_spans;
    // The input of the last conversion that converted; the spans with keys tile it unless the
    // correspondence started afresh since (m_tiled false).
    std::u32string m_lastInput;
    bool m_tiled = false;
    std::string m_word;
    // What the running conversion writes into; it becomes m_output when the conversion ends.
    std::u32string m_converted;
    // The input of the last conversion and its output as a QString, kept so that their room
    // serves the next one.
    std::u32string m_inputText;
    QString m_outputText;
    bool m_converting = false;
    bool m_pending = false;
    int m_yieldIntervalMs;
    unsigned m_yieldCalls = 0;
    QElapsedTimer m_sinceYield;
};

} // namespace kestrum
