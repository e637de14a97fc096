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

private:
    QString longText() const;
    std::unique_ptr<Engine> m_engine;
};

void TestEditorSession::init() {
    m_engine = std::make_unique<Engine>();
    m_engine->loadTables(KESTRUM_BIN_DIR);
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
    QCOMPARE(QString::fromStdU32String(session.conversionOutput()), QStringLiteral("Avwg"));
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

QTEST_GUILESS_MAIN(TestEditorSession)
#include "tst_editorsession.moc"
