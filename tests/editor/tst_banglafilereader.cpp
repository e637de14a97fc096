// A Bangla file saved by the program opens in a real RTF reader: LibreOffice, headless, turns
// it into plain text, which must hold the output area's characters (the SutonnyMJ glyph codes
// as Windows-1252 characters), line by line.
#include "editortestsupport.h"

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

using namespace kestrum;
using namespace kestrum::test;

class TestBanglaFileReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void libreOfficeReadsTheSameCharacters();
};

void TestBanglaFileReader::libreOfficeReadsTheSameCharacters() {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        QSKIP("LibreOffice is not installed (Debian package libreoffice-writer-nogui, which "
              "./test.sh installs): the saved RTF is not checked in a real reader");

    ScriptedBoxes boxes;
    ScriptedDialogs dialogs;
    TestProgram test;
    QVERIFY(test.program->start());
    EditorWindow *editor = test.editor();
    QVERIFY(editor);

    // A converted text, then every code from 0x21 to 0xFF that Windows-1252 defines (the
    // output area takes them as they are, as it does from the table window). The five codes
    // it leaves undefined are no glyphs of the font, and readers map them each their own way.
    text1(editor)->setText(QStringLiteral("AmI bhAt khAI.\r\nkSh pRem bRISh sUrJo"));
    action(editor, "lac")->trigger();
    QByteArray codes;
    for (int byte = 0x21; byte <= 0xFF; ++byte)
        if (!QByteArrayView("\x81\x8D\x8F\x90\x9D").contains(char(byte)))
            codes.append(char(byte));
    text2(editor)->setText(text2(editor)->text() + QStringLiteral("\r\n") + glyphText(codes));
    const QString output = text2(editor)->text();

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bangla.rft"));
    dialogs.answers = {file};
    action(editor, "savb")->trigger();
    QVERIFY(QFile::exists(file));
    QVERIFY(boxes.requests.empty());

    QProcess reader;
    reader.setProcessChannelMode(QProcess::MergedChannels);
    reader.start(soffice,
                 {QStringLiteral("-env:UserInstallation=") +
                      QUrl::fromLocalFile(dir.filePath(QStringLiteral("profile"))).toString(),
                  QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                  QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("--outdir"), dir.path(),
                  file});
    QVERIFY2(reader.waitForFinished(180000), "LibreOffice did not finish in 3 minutes");
    const QByteArray log = reader.readAll();
    QVERIFY2(reader.exitStatus() == QProcess::NormalExit && reader.exitCode() == 0,
             log.constData());

    QFile converted(dir.filePath(QStringLiteral("bangla.txt")));
    QVERIFY2(converted.open(QIODevice::ReadOnly), log.constData());
    QString text = QString::fromUtf8(converted.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    const QStringList read = text.split(QLatin1Char('\n'));
    const QStringList expected = QString(output).replace(QStringLiteral("\r\n"), "\n").split('\n');
    QCOMPARE(read.size(), expected.size());
    for (qsizetype line = 0; line < read.size(); ++line) {
        for (qsizetype i = 0; i < qMin(read[line].size(), expected[line].size()); ++i)
            QVERIFY2(read[line][i] == expected[line][i],
                     qPrintable(QStringLiteral("line %1, character %2: read U+%3, saved U+%4")
                                    .arg(line + 1)
                                    .arg(i + 1)
                                    .arg(read[line][i].unicode(), 4, 16, QLatin1Char('0'))
                                    .arg(expected[line][i].unicode(), 4, 16, QLatin1Char('0'))));
        QCOMPARE(read[line].size(), expected[line].size());
    }
}

QTEST_MAIN(TestBanglaFileReader)
#include "tst_banglafilereader.moc"
