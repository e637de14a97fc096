// What drawing the glyph codes in Kestrum Bangla costs: a 64 000-character output (the engine's
// conversion of the project's words, in lines of about 70 characters) laid out in an output
// area's document at 18 points and its first screenful painted, in Kestrum Bangla, whose
// substitutions turn every run of codes into Noto's Bengali glyphs, against the same codes in
// the Latin font that showed them before (Noto Sans, what fontconfig gives for a missing
// SutonnyMJ); and registering the font file, which the program does once at start-up.
// Offscreen.
#include "cp1252.h"
#include "engine.h"
#include "fonts.h"
#include "support.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

using namespace kestrum;

QString output(qsizetype length) {
    Engine engine;
    engine.loadTables(KESTRUM_DATA_DIR);
    const std::vector<test::Word> words = test::projectWords();
    QString text;
    qsizetype line = 0;
    for (std::size_t i = 0; text.size() < length; ++i) {
        for (unsigned char b : engine.convertBytes(words[i % words.size()].typed))
            text += QChar(char16_t(cp1252ToUnicode(b)));
        const bool lineEnd = text.size() - line > 70;
        text += lineEnd ? QLatin1Char('\n') : QLatin1Char(' ');
        if (lineEnd)
            line = text.size();
    }
    text.truncate(length);
    return text;
}

void layOutOutput(benchmark::State &state) {
    static const QString text = output(64000);
    const QString family = state.range(0) ? QStringLiteral("Noto Sans") : KestrumBangla;
    QFont font(family);
    font.setPointSizeF(18);
    QImage screen(780, 210, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QTextDocument document;
        document.setDefaultFont(font);
        document.setTextWidth(screen.width());
        document.setPlainText(text);
        benchmark::DoNotOptimize(document.documentLayout()->documentSize());
        QPainter painter(&screen);
        document.drawContents(&painter, QRectF(screen.rect()));
    }
    state.counters["chars"] = double(text.size());
    state.SetLabel(family.toStdString());
}
BENCHMARK(layOutOutput)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void registerFont(benchmark::State &state) {
    const QString file = QStringLiteral(KESTRUM_FONT_DIR "/KestrumBangla-Regular.ttf");
    for (auto _ : state) {
        const int id = QFontDatabase::addApplicationFont(file);
        if (id < 0) {
            state.SkipWithError("the font did not load");
            break;
        }
        benchmark::DoNotOptimize(QFontDatabase::hasFamily(KestrumBangla));
        state.PauseTiming();
        QFontDatabase::removeApplicationFont(id);
        state.ResumeTiming();
    }
}
BENCHMARK(registerFont)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (registerBundledFonts(QStringLiteral(KESTRUM_FONT_DIR)) != QStringList{KestrumBangla})
        qFatal("Kestrum Bangla is not in %s", KESTRUM_FONT_DIR);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
