// The editor session on its own: conversions from its input source into conversionOutput,
// inputChanged, the output area's edits, the conversion log, and conversions asked for while
// one runs.
#include "editorsession.h"
#include "engine.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace kestrum;

class TestEditorSession : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void convertsTheInputIntoConversionOutput();
    void emptyInputOrNoSourceChangesNothing();
    void outputEditsAreKeptOutsideAConversionOnly();
    void requestsDuringAConversionRunOnceAfterIt();
    void aSourceGoneDuringAConversionStopsTheReRun();
    void theLogHoldsTheConversionsLinesAndWhatIsAppended();
    void aConversionChangesOnlyTheWordsWhoseKeysChanged_data();
    void aConversionChangesOnlyTheWordsWhoseKeysChanged();
    void theSpellingCheckersWordsAndTheirKeys();

private:
    QString longText() const;
    // `pattern` with each {keys} as the engine converts keys (as a text of their own).
    QString glyphs(const QString &pattern) const;
    std::unique_ptr<Engine> m_engine;
};

void TestEditorSession::init() {
    m_engine = std::make_unique<Engine>();
    m_engine->loadTables(KESTRUM_BIN_DIR);
}

QString TestEditorSession::glyphs(const QString &pattern) const {
    Engine engine;
    engine.loadTables(KESTRUM_BIN_DIR);
    QString out;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != QLatin1Char('{')) {
            out += pattern[i];
            continue;
        }
        const qsizetype end = pattern.indexOf(QLatin1Char('}'), i);
        std::u32string converted;
        engine.convertText(pattern.mid(i + 1, end - i - 1).toStdU32String(), converted);
        out += QString::fromStdU32String(converted);
        i = end;
    }
    return out;
}

QString TestEditorSession::longText() const {
    // Long enough that the conversion lets events run.
    return QStringLiteral("kAmAl bhAt ").repeated(3000);
}

void TestEditorSession::convertsTheInputIntoConversionOutput() {
    EditorSession session(*m_engine);
    QSignalSpy replaced(&session, &EditorSession::outputReplaced);
    QSignalSpy finished(&session, &EditorSession::conversionFinished);
    session.setInputSource([] { return QStringLiteral("AmI"); });
    session.setInputChanged(true);
    session.convert();
    QCOMPARE(QString::fromStdU32String(session.conversionOutput()), QStringLiteral("Avwg"));
    QCOMPARE(replaced.count(), 1);
    QCOMPARE(replaced.at(0).at(0).toString(), QStringLiteral("Avwg"));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!session.inputChanged());
    QVERIFY(!session.isConverting());
}

void TestEditorSession::emptyInputOrNoSourceChangesNothing() {
    EditorSession session(*m_engine);
    QSignalSpy replaced(&session, &EditorSession::outputReplaced);
    QSignalSpy finished(&session, &EditorSession::conversionFinished);
    session.setConversionOutput(U"kept");
    session.setInputChanged(true);
    session.convert(); // no source: no conversion at all
    QCOMPARE(finished.count(), 0);
    session.setInputSource([] { return QString(); });
    session.convert(); // an empty input converts nothing, but the request has ended
    QCOMPARE(finished.count(), 1);
    QCOMPARE(replaced.count(), 0);
    QCOMPARE(QString::fromStdU32String(session.conversionOutput()), QStringLiteral("kept"));
    QVERIFY(session.inputChanged());
}

void TestEditorSession::outputEditsAreKeptOutsideAConversionOnly() {
    EditorSession session(*m_engine);
    session.outputEdited(QStringLiteral("typed\r\nhere"));
    QCOMPARE(QString::fromStdU32String(session.conversionOutput()),
             QStringLiteral("typed\r\nhere"));
    // The output area's changes while a conversion puts its output there are that conversion's
    // own: a half-way state of the area must not replace the output.
    session.setInputSource([] { return QStringLiteral("AmI"); });
    connect(&session, &EditorSession::outputReplaced, &session,
            [&] { session.outputEdited(QStringLiteral("half-way")); });
    session.convert();
    // What the user typed there stays; the converted words go beside it.
    QCOMPARE(QString::fromStdU32String(session.conversionOutput()),
             QStringLiteral("typed\r\nhereAvwg"));
}

void TestEditorSession::requestsDuringAConversionRunOnceAfterIt() {
    EditorSession session(*m_engine, 0);
    QString input = longText();
    session.setInputSource([&] { return input; });
    QSignalSpy replaced(&session, &EditorSession::outputReplaced);
    QSignalSpy finished(&session, &EditorSession::conversionFinished);
    bool ranInside = false;
    QTimer::singleShot(0, &session, [&] {
        ranInside = session.isConverting();
        input = QStringLiteral("AmI");
        for (int i = 0; i < 3; ++i)
            session.convert();
        QCOMPARE(finished.count(), 0);
    });
    session.convert();
    QVERIFY(ranInside);
    // The running conversion ended first, then one more on the input as it was then.
    QCOMPARE(replaced.count(), 2);
    QCOMPARE(replaced.at(0).at(0).toString().size(), 3000 * 10);
    QCOMPARE(replaced.at(1).at(0).toString(), QStringLiteral("Avwg"));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(QString::fromStdU32String(session.conversionOutput()), QStringLiteral("Avwg"));
}

void TestEditorSession::aSourceGoneDuringAConversionStopsTheReRun() {
    EditorSession session(*m_engine, 0);
    const QString input = longText();
    session.setInputSource([&] { return input; });
    QSignalSpy replaced(&session, &EditorSession::outputReplaced);
    QSignalSpy finished(&session, &EditorSession::conversionFinished);
    QTimer::singleShot(0, &session, [&] {
        session.convert();
        session.setInputSource({});
    });
    session.convert();
    QCOMPARE(replaced.count(), 1);
    QCOMPARE(finished.count(), 1);
    QVERIFY(!session.hasInputSource());
}

void TestEditorSession::theLogHoldsTheConversionsLinesAndWhatIsAppended() {
    EditorSession session(*m_engine);
    ConversionLogModel &log = session.log();
    QSignalSpy cleared(&log, &ConversionLogModel::cleared);
    QSignalSpy appended(&log, &ConversionLogModel::appended);
    QString input = QStringLiteral("AmI xyz AmI qqq");
    session.setInputSource([&] { return input; });
    session.convert();
    QCOMPARE(cleared.count(), 1);
    QCOMPARE(log.size(), 2);
    QVERIFY(log.lines()[0].contains(QStringLiteral("xyz")));
    QVERIFY(log.lines()[1].contains(QStringLiteral("qqq")));
    QCOMPARE(appended.count(), 2);
    QCOMPARE(appended[1], (QVariantList{1, 1}));
    // What the editor appends after a conversion goes in after the engine's lines, in one step.
    log.append(QStringList{QStringLiteral("a"), QStringLiteral("b")});
    QCOMPARE(appended.last(), (QVariantList{2, 2}));
    QCOMPARE(log.lines().mid(2), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    log.append(QStringList{});
    QCOMPARE(appended.count(), 3);
    // The next conversion starts the log afresh.
    input = QStringLiteral("AmI");
    session.convert();
    QCOMPARE(cleared.count(), 2);
    QCOMPARE(log.size(), 0);
}

// Rows: the input converted first; an edit of the output area (at `at`, a glyph pattern's
// length into the output, `removed` characters replaced by `typed`); the input converted next;
// the output then ({keys} as converted).
void TestEditorSession::aConversionChangesOnlyTheWordsWhoseKeysChanged_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("at");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("output");
    QTest::newRow("a glyph between words stays when a word is added") << "AmI tUmI"
                                                                      << "{AmI }" << 0 << "X"
                                                                      << "AmI tUmI kI"
                                                                      << "{AmI }X{tUmI kI}";
    QTest::newRow("text after the last word stays when a word goes in front") << "AmI"
                                                                              << "{AmI}" << 0 << "Y"
                                                                              << "tUmI AmI"
                                                                              << "{tUmI AmI}Y";
    QTest::newRow("text before the first word stays when the input is the same") << "AmI tUmI"
                                                                                 << "" << 0 << "Q"
                                                                                 << "AmI tUmI"
                                                                                 << "Q{AmI tUmI}";
    QTest::newRow("an edit inside a word whose keys change is kept beside the new word")
        << "AmI tUmI"
        << "{AmI }v" << 0 << "Z"
        << "AmI kI"
        << "{AmI }{kI}Z";
    // "Avwg" are the glyphs of AmI.
    QTest::newRow("an edit inside a word whose keys stand stays") << "AmI tUmI"
                                                                  << "A" << 1 << "Z"
                                                                  << "AmI tUmI kI"
                                                                  << "AZwg {tUmI kI}";
    QTest::newRow("glyphs the user deleted stay deleted while their keys stand") << "AmI tUmI"
                                                                                 << "" << 4 << ""
                                                                                 << "AmI tUmI kI"
                                                                                 << " {tUmI kI}";
    QTest::newRow("an emptied output converts every word again") << "AmI tUmI"
                                                                 << "" << 100 << ""
                                                                 << "AmI tUmI"
                                                                 << "{AmI tUmI}";
    QTest::newRow("a word deleted from the input leaves the output") << "AmI tUmI kI"
                                                                     << "{AmI }" << 0 << "X"
                                                                     << "AmI kI"
                                                                     << "{AmI }X{kI}";
    QTest::newRow("line breaks and full stops between words") << "AmI.\r\ntUmI"
                                                              << "{AmI.\r\n}" << 0 << "X"
                                                              << "AmI.\r\nkI"
                                                              << "{AmI.\r\n}X{kI}";
}

void TestEditorSession::aConversionChangesOnlyTheWordsWhoseKeysChanged() {
    QFETCH(QString, first);
    QFETCH(QString, at);
    QFETCH(int, removed);
    QFETCH(QString, typed);
    QFETCH(QString, next);
    QFETCH(QString, output);
    EditorSession session(*m_engine);
    QString input = first;
    session.setInputSource([&] { return input; });
    session.convert();
    QString area = QString::fromStdU32String(session.conversionOutput());
    area.replace(glyphs(at).size(), removed, typed);
    session.outputEdited(area);
    input = next;
    QSignalSpy replaced(&session, &EditorSession::outputReplaced);
    session.convert();
    QCOMPARE(QString::fromStdU32String(session.conversionOutput()), glyphs(output));
    QCOMPARE(replaced.count(), 1);
    QCOMPARE(replaced.at(0).at(0).toString(), glyphs(output));
}

void TestEditorSession::theSpellingCheckersWordsAndTheirKeys() {
    EditorSession session(*m_engine);
    QString input = QStringLiteral("AmI tUmI kI");
    session.setInputSource([&] { return input; });
    session.convert();
    const auto length = [this](const char *keys) {
        return std::size_t(
            glyphs(QLatin1Char('{') + QLatin1String(keys) + QLatin1Char('}')).size());
    };
    using Word = EditorSession::ConvertedWord;
    const std::size_t tUmI = length("AmI ");
    QCOMPARE(session.convertedWordAt(tUmI), (Word{tUmI, length("tUmI"), 4, 4}));
    QCOMPARE(session.convertedWordAt(tUmI + 1), (Word{tUmI, length("tUmI"), 4, 4}));
    QCOMPARE(session.convertedWordAt(tUmI - 1), std::nullopt); // the space
    QCOMPARE(session.convertedWordAt(length("AmI tUmI kI")), std::nullopt);
    // Text of the user's, and a word the user edited, are no converted words.
    QString area = QString::fromStdU32String(session.conversionOutput());
    session.outputEdited(area.insert(1, QLatin1Char('Z')));
    QCOMPARE(session.convertedWordAt(0), std::nullopt);
    const Word word{tUmI + 1, length("tUmI"), 4, 4};
    QCOMPARE(session.convertedWordAt(tUmI + 1), word);
    // Without an input editor nothing changes; with one only that word's output does.
    QVERIFY(!session.replaceWordKeys(word, QStringLiteral("kOlOm")));
    session.setInputEditor([&](std::size_t start, std::size_t count, const QString &keys) {
        input.replace(qsizetype(start), qsizetype(count), keys);
    });
    QVERIFY(session.replaceWordKeys(word, QStringLiteral("kOlOm")));
    QCOMPARE(input, QStringLiteral("AmI kOlOm kI"));
    QCOMPARE(QString::fromStdU32String(session.conversionOutput()),
             glyphs(QStringLiteral("{AmI }{kOlOm kI}")).insert(1, QLatin1Char('Z')));
    // The word is no longer there: the caller asks again.
    QVERIFY(!session.replaceWordKeys(word, QStringLiteral("bhAt")));
    QCOMPARE(input, QStringLiteral("AmI kOlOm kI"));
}

QTEST_GUILESS_MAIN(TestEditorSession)
#include "tst_editorsession.moc"
