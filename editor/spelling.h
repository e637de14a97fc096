// The output area's spelling check, behind the installed Bengali word list: words of the output
// that are not in the list (nor a word of it with a common ending) get a wavy underline, and the
// list's words one key away from a marked word are offered in the area's context menu.
//
// The list's index is read from the user's cache (built there the first time) on a thread of
// its own, and only once there is output to check, so the program starts as fast without it.
// Until the index is ready, and where there is no list, nothing is marked.
#pragma once

#include <QObject>
#include <QString>
#include <QSyntaxHighlighter>
#include <QTimer>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

namespace ime {
class Converter;
class Lexicon;
} // namespace ime

class SpellingChecker : public QObject {
    Q_OBJECT

public:
    // Converts the suggestions with the tables in `tablesDir`.
    explicit SpellingChecker(QString tablesDir, QObject *parent = nullptr);
    ~SpellingChecker() override;

    // Whether the word list the check reads is there (View > Check Spelling is on by default
    // then).
    static bool listInstalled();

    // Starts reading the index, once; ready() follows when it can answer. Does nothing where
    // the tables cannot be read.
    void start();
    bool isReady() const { return m_ready; }

    // Whether the Unicode word is a word of the list, or one with a common ending; true until
    // the index is ready.
    bool known(std::u32string_view word);

    struct Suggestion {
        std::string keys; // the romanised keys that write it
        QString glyphs;   // what they convert to (glyph codes as Windows-1252 characters)
    };
    // The words of the list whose keys differ from `keys` by one key, at most `limit`.
    std::vector<Suggestion> suggestions(std::string_view keys, std::size_t limit);

Q_SIGNALS:
    void ready();

private:
    void poll();

    QString m_tablesDir;
    std::unique_ptr<ime::Converter> m_converter;
    std::unique_ptr<ime::Lexicon> m_lexicon;
    QTimer m_poll;
    bool m_started = false;
    bool m_ready = false;
    std::string m_utf8;
};

// A word of a line of glyph text: where it stands in the line and what it reads as.
struct GlyphWord {
    int start = 0;
    int length = 0;
    std::u32string unicode; // its Bengali letters and signs, in Unicode
};
// The words of `line` (glyph codes as Windows-1252 characters): runs between white space, with
// the glyphs at their ends that stand for no Bengali letter or sign (the dari, digits, commas,
// quotes) left out; runs with no Bengali letter are none.
std::vector<GlyphWord> glyphWords(const QString &line);

// The wavy underline under the output area's words that the checker does not know. Text in a
// Latin run of the output area is not checked.
class SpellingMarks : public QSyntaxHighlighter {
    Q_OBJECT

public:
    SpellingMarks(SpellingChecker &checker, QTextDocument *document);

    bool isOn() const { return m_on; }
    void setOn(bool on);
    // The marked word at `position` of the document, if any: its start in the document, its
    // length, and its Unicode letters.
    bool misspeltAt(int position, GlyphWord *word);

protected:
    void highlightBlock(const QString &text) override;

private:
    bool checked(const QTextBlock &block, int offset) const;

    SpellingChecker &m_checker;
    bool m_on = false;
};

} // namespace kestrum
