// The file dialogs: the filter as the dialog shows it, the preset name, and what the file name
// holds after a choice or a cancel, with the real QFileDialog driven from inside its loop.
#include "commondialog.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace kestrum;

class TestCommonDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nameFilters_data();
    void nameFilters();
    void realDialog_data();
    void realDialog();
    void hookAnswersInsteadOfTheDialog();
};

void TestCommonDialog::nameFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("text files") << "Text File|*.txt|Bangla File|.b|All Files|*.*"
                                << QStringList{"Text File (*.txt)", "Bangla File (.b)",
                                               "All Files (*)"};
    QTest::newRow("rich text files") << "Rich Text File|*.rft|All Files|*.*"
                                     << QStringList{"Rich Text File (*.rft)", "All Files (*)"};
    QTest::newRow("several patterns")
        << "Pictures|*.png; *.jpg" << QStringList{"Pictures (*.png *.jpg)"};
    QTest::newRow("a description without a pattern is dropped")
        << "A|*.a|B" << QStringList{"A (*.a)"};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestCommonDialog::nameFilters() {
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(CommonDialog::nameFilters(filter), expected);
}

void TestCommonDialog::realDialog_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("typed"); // "" cancels
    QTest::addColumn<bool>("chosen");
    QTest::newRow("save: the typed name, no extension added") << true << ""
                                                              << "plain" << true;
    QTest::newRow("save: the preset name is offered") << true << "offered.txt"
                                                      << "" << false;
    QTest::newRow("save cancelled with a preset name: nothing chosen") << true << "existing.txt"
                                                                       << "" << false;
    QTest::newRow("open: an existing file") << false << ""
                                            << "existing.txt" << true;
    QTest::newRow("open cancelled") << false << ""
                                    << "" << false;
}

void TestCommonDialog::realDialog() {
    QFETCH(bool, save);
    QFETCH(QString, preset);
    QFETCH(QString, typed);
    QFETCH(bool, chosen);
    QTemporaryDir dir;
    QFile existing(dir.filePath(QStringLiteral("existing.txt")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();

    CommonDialog dialog;
    dialog.setFilter(QStringLiteral("Text File|*.txt|All Files|*.*"));
    dialog.setFileName(preset.isEmpty() ? dir.path() + QLatin1Char('/') : dir.filePath(preset));
    QStringList shownFilters;
    QString shownSelection;
    QFileDialog::AcceptMode shownMode{};
    QTimer::singleShot(0, this, [&] {
        auto *shown = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!shown)
            return;
        shownFilters = shown->nameFilters();
        shownMode = shown->acceptMode();
        shownSelection = shown->selectedFiles().value(0);
        if (typed.isEmpty()) {
            shown->reject();
        } else {
            shown->selectFile(typed);
            static_cast<QDialog *>(shown)->accept();
        }
    });
    const bool result = save ? dialog.showSave() : dialog.showOpen();

    QCOMPARE(shownFilters, (QStringList{"Text File (*.txt)", "All Files (*)"}));
    QCOMPARE(shownMode, save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!preset.isEmpty())
        QCOMPARE(shownSelection, dir.filePath(preset));
    QCOMPARE(result, chosen);
    QCOMPARE(dialog.fileName(), chosen ? dir.filePath(typed) : QString());
}

void TestCommonDialog::hookAnswersInsteadOfTheDialog() {
    std::vector<CommonDialog::Request> requests;
    {
        CommonDialog::ScopedHook hook([&](const CommonDialog::Request &request) {
            requests.push_back(request);
            return request.kind == CommonDialog::Kind::Save ? std::optional<QString>("/tmp/x")
                                                            : std::nullopt;
        });
        CommonDialog dialog;
        dialog.setFilter(QStringLiteral("A|*.a"));
        dialog.setFileName(QStringLiteral("preset"));
        QVERIFY(dialog.showSave());
        QCOMPARE(dialog.fileName(), QStringLiteral("/tmp/x"));
        QVERIFY(!dialog.showOpen());
        QCOMPARE(dialog.fileName(), QString());
    }
    QCOMPARE(requests.size(), std::size_t(2));
    QCOMPARE(requests[0].filter, QStringLiteral("A|*.a"));
    QCOMPARE(requests[0].fileName, QStringLiteral("preset"));
    QCOMPARE(requests[1].fileName, QStringLiteral("/tmp/x"));
    QCOMPARE(requests[1].kind, CommonDialog::Kind::Open);
}

QTEST_MAIN(TestCommonDialog)
#include "tst_commondialog.moc"
