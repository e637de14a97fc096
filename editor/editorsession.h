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

#include <functional>
#include <string>

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

    // The text the output area shows: the last conversion's output, or the area's text after
    // the user or the table window edited it. The area is a view of it: outputReplaced puts a
    // conversion's output there, outputEdited brings every other change of the area back.
    const std::u32string &conversionOutput() const { return m_output; }
    void setConversionOutput(std::u32string text) { m_output = std::move(text); }
    // The output area's text changed outside a conversion: it becomes conversionOutput. While a
    // conversion runs the change is a step of its own replacement of the area and is ignored.
    void outputEdited(const QString &text);

    // Converts the input text into conversionOutput and emits outputReplaced with it; an
    // empty input changes nothing. Asked for while a conversion runs (from an event the
    // conversion let run), it runs once more after the running one, however often it was
    // asked for. Emits conversionFinished when done.
    void convert();
    bool isConverting() const { return m_converting; }

Q_SIGNALS:
    // A conversion has replaced conversionOutput with `text`: the output area must show it.
    void outputReplaced(const QString &text);
    // A conversion (and any that was asked for during it) has finished.
    void conversionFinished();

private:
    void yieldToUi();

    Engine &m_engine;
    ConversionLogModel m_log;
    std::function<QString()> m_input;
    bool m_inputChanged = false;
    std::u32string m_output;
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
