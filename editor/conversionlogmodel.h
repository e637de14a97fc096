// The conversion log of the editor: its lines and the signals that say how they changed. The
// editor session owns it and hands it to the engine as its ConversionLog, so each conversion
// clears it and appends one line for every word it could not convert; Open Unicode File
// appends the parts it found no spelling for. The log window Form5 shows it and the frame's
// status bar counts it; neither holds lines of its own.
#pragma once

#include "engine.h"

#include <QObject>
#include <QStringList>

namespace kestrum {

class ConversionLogModel : public QObject, public ConversionLog {
    Q_OBJECT

public:
    using QObject::QObject;

    const QStringList &lines() const { return m_lines; }
    int size() const { return int(m_lines.size()); }

    void clear() override;
    // A log line names a position and a word, and words are made of ASCII letters, "~" and
    // "&": the engine's lines are Latin-1.
    void append(std::string_view line) override;
    void append(const QStringList &lines);

Q_SIGNALS:
    // The log was emptied.
    void cleared();
    // lines()[first, first + count) were appended.
    void appended(int first, int count);

private:
    QStringList m_lines;
};

} // namespace kestrum
