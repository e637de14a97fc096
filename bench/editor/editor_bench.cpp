// From the Space key press in the input area to the output area laid out, on inputs of 8 000,
// 64 000 and 256 000 characters of everyday words (the typed words of the engine's word list, drawn
// at random, with sentence ends and line breaks). Runs on the offscreen platform; the program is
// the real one (tables, control library), with an in-memory keyboard.
//
// Reported besides the time: the longest stretch inside a conversion during which no pending
// window events ran (how long the window would stop answering while typing).
#include "commondialog.h"
#include "editorwindow.h"
#include "keyboardstate.h"
#include "listbox.h"
#include "program.h"
#include "tablewindow.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

using namespace kestrum;

QStringList typedWords() {
    QFile file(QStringLiteral(KESTRUM_SOURCE_DIR "/tests/engine/words.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    QStringList words;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList columns = line.split(QLatin1Char('\t'));
        if (columns.size() >= 2)
            words += columns[1].split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    return words;
}

QString corpus(int length) {
    const QStringList words = typedWords();
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<qsizetype> pick(0, words.size() - 1);
    std::uniform_int_distribution<int> end(0, 11);
    QString text;
    int lineLength = 0;
    while (text.size() < length) {
        QString word = words[pick(rng)];
        word.remove(QLatin1Char('.'));
        text += word;
        lineLength += int(word.size());
        if (end(rng) == 0)
            text += QLatin1Char('.');
        if (lineLength > 70) {
            text += QStringLiteral("\r\n");
            lineLength = 0;
        } else {
            text += QLatin1Char(' ');
        }
    }
    text.truncate(length);
    return text.trimmed();
}

struct Fixture {
    Fixture() {
        qputenv("KESTRUM_COMPONENT_REGISTRY",
                registry.filePath(QStringLiteral("components.conf")).toLocal8Bit());
        ProgramOptions options;
        options.tablesDir = QStringLiteral(KESTRUM_BIN_DIR);
        options.controlLibrary = QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so");
        options.keyboard = std::make_unique<MemoryKeyboardState>();
        options.quit = [](int) {};
        program = std::make_unique<Program>(std::move(options));
        if (!program->start())
            qFatal("the program did not start");
        editor = program->editor();
    }

    QTemporaryDir registry;
    std::unique_ptr<Program> program;
    EditorWindow *editor = nullptr;
};

Fixture &fixture() {
    static Fixture f;
    return f;
}

void spaceToLaidOut(benchmark::State &state) {
    Fixture &f = fixture();
    const QString input = corpus(int(state.range(0)));
    RichTextBox *output = f.editor->findChild<RichTextBox *>(QStringLiteral("text2"));
    // The second argument: 1 edits only the changed part of the output area, 0 rebuilds its
    // whole document on every conversion (the way it was done before), for a side-by-side
    // figure.
    output->setPartialUpdate(state.range(1) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        // The state while typing: the output area shows the conversion of the input so far,
        // fully laid out, and the caret is at the end of the input.
        f.editor->findChild<RichTextBox *>(QStringLiteral("Text1"))->setText(input);
        f.program->session().convert();
        f.editor->findChild<RichTextBox *>(QStringLiteral("Text1"))
            ->setSelStart(std::numeric_limits<int>::max());
        f.editor->findChild<RichTextBox *>(QStringLiteral("Text1"))->setFocus();
        output->document()->documentLayout()->documentSize();
        QCoreApplication::processEvents();
        const QString before = output->text();
        f.program->session().setInputChanged(true);
        state.ResumeTiming();

        QTest::keyClick(f.editor->findChild<RichTextBox *>(QStringLiteral("Text1")), Qt::Key_Space);
        output->document()->documentLayout()->documentSize();
        output->viewport()->repaint();

        state.PauseTiming();
        const bool converted = output->text() == before + QLatin1Char(' ');
        state.ResumeTiming();
        if (!converted) {
            state.SkipWithError("the Space did not convert the input");
            break;
        }
    }
    output->setPartialUpdate(true);
    state.counters["chars"] = double(input.size());
    state.SetLabel(state.range(1) ? "changed part" : "whole document");
}
// Times the Space key press, the conversion it starts, the output area's update and its
// layout to the end (documentSize) and one paint of its visible part.
BENCHMARK(spaceToLaidOut)
    ->ArgNames({"chars", "partial"})
    ->ArgsProduct({{8000, 64000, 256000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The conversion alone (no key, no layout), and the longest time it keeps events from running.
void convertTextOnly(benchmark::State &state) {
    Fixture &f = fixture();
    const QString input = corpus(int(state.range(0)));
    f.editor->findChild<RichTextBox *>(QStringLiteral("Text1"))->setText(input);
    qint64 longestGapNs = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        qint64 last = 0;
        // A zero timer runs whenever pending events are processed.
        QTimer probe;
        probe.setInterval(0);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longestGapNs = std::max(longestGapNs, now - last);
            last = now;
        });
        clock.start();
        probe.start();
        f.program->session().convert();
        longestGapNs = std::max(longestGapNs, clock.nsecsElapsed() - last);
    }
    state.counters["longest_gap_ms"] = double(longestGapNs) / 1e6;
}
BENCHMARK(convertTextOnly)->Arg(64000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The engine's share: the same text through the program's engine (its yieldToUi hook
// installed) and through a bare engine without a hook, so the hook's cost shows.
void engineWithProgramHook(benchmark::State &state) {
    Fixture &f = fixture();
    const std::u32string input = corpus(64000).toStdU32String();
    Engine bare;
    bare.loadTables(KESTRUM_BIN_DIR);
    Engine &engine = state.range(0) ? f.program->engine() : bare;
    std::u32string output;
    for (auto _ : state) {
        engine.convertText(input, output);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(input.size()));
    state.SetLabel(state.range(0) ? "with the program's hook" : "no hook");
}
BENCHMARK(engineWithProgramHook)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The file commands on the largest file Load takes (64 000 bytes): Load (read, put into the
// input area, convert, output laid out), Save English File and Save Bangla File (encode, write,
// rename over the old file). The dialog answers at once with a file in a temporary folder.
void fileCommand(benchmark::State &state) {
    Fixture &f = fixture();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench"));
    CommonDialog::ScopedHook dialog(
        [&](const CommonDialog::Request &) { return std::optional<QString>(file); });
    const QString input = corpus(64000);
    {
        QFile english(file);
        if (!english.open(QIODevice::WriteOnly) || english.write(input.toLatin1()) != 64000)
            qFatal("cannot write %s", qPrintable(file));
    }
    f.editor->findChild<RichTextBox *>(QStringLiteral("Text1"))->setText(input);
    f.program->session().convert();
    const int command = int(state.range(0));
    for (auto _ : state) {
        if (command == 0) {
            state.PauseTiming();
            f.editor->findChild<RichTextBox *>(QStringLiteral("Text1"))->setText(QString());
            f.editor->findChild<RichTextBox *>(QStringLiteral("text2"))->setText(QString());
            state.ResumeTiming();
            f.editor->loadFile();
            f.editor->findChild<RichTextBox *>(QStringLiteral("text2"))
                ->document()
                ->documentLayout()
                ->documentSize();
        } else if (command == 1) {
            f.editor->saveEnglishFile();
        } else {
            f.editor->saveBanglaFile();
        }
    }
    if (f.editor->findChild<RichTextBox *>(QStringLiteral("Text1"))->text() != input ||
        f.editor->findChild<RichTextBox *>(QStringLiteral("text2"))->text().isEmpty() ||
        QFileInfo(file).size() < 64000)
        state.SkipWithError("the command did not do its work");
    const char *labels[] = {"Load, converted and laid out", "Save English File",
                            "Save Bangla File"};
    state.SetLabel(labels[command]);
}
BENCHMARK(fileCommand)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The substitution table window: choosing a category (the file read afresh, both lists
// filled and painted), for the largest category (Joints, 148 entries) and for Consonants.
void tableCategory(benchmark::State &state) {
    Fixture &f = fixture();
    f.program->openTableWindow();
    TableWindow *table = f.program->tableWindow();
    if (!table) {
        state.SkipWithError("no table window");
        return;
    }
    const int category = int(state.range(0));
    for (auto _ : state) {
        table->selectCategory(category);
        table->findChild<ListBox *>(QStringLiteral("List1"))->repaint();
        table->findChild<ListBox *>(QStringLiteral("List2"))->repaint();
    }
    state.counters["entries"] =
        double(table->findChild<ListBox *>(QStringLiteral("List1"))->count());
    table->closeTableWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
BENCHMARK(tableCategory)->Arg(2)->Arg(4)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The whole opening and closing: the window created with its seven buttons and its first
// category, slid in over 15 positions and out over 13, each painted, and unloaded.
void tableWindowOpenAndClose(benchmark::State &state) {
    Fixture &f = fixture();
    for (auto _ : state) {
        f.program->openTableWindow();
        TableWindow *table = f.program->tableWindow();
        if (!table) {
            state.SkipWithError("no table window");
            break;
        }
        table->closeTableWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
BENCHMARK(tableWindowOpenAndClose)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fixture().program.reset();
    return 0;
}
