// Glimmet benchmarks: grey conversion throughput and the cost of a DrawState repaint.
#include "glimmet.h"
#include "glimmetgrey.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

using namespace kestrum;
using kestrum::runtime::Picture;

namespace {

// A 512 x 512 picture with every pixel a different, mostly non-grey colour.
QImage colourfulImage() {
    QImage image(512, 512, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb(x & 0xFF, y & 0xFF, (x * 7 + y * 13) & 0xFF);
    }
    return image;
}

bool convertedCorrectly(const QImage &source, const QImage &grey) {
    for (int y = 0; y < source.height(); y += 37) {
        for (int x = 0; x < source.width(); x += 41) {
            const QRgb p = source.pixel(x, y);
            const int v = greyValue(std::uint32_t(qRed(p)) | (std::uint32_t(qGreen(p)) << 8) |
                                    (std::uint32_t(qBlue(p)) << 16));
            if (grey.pixel(x, y) != qRgb(v, v, v))
                return false;
        }
    }
    return true;
}

void BM_GreyConversion(benchmark::State &state) {
    const QImage source = colourfulImage();
    QImage work;
    for (auto _ : state) {
        state.PauseTiming();
        work = source.copy();
        state.ResumeTiming();
        convertToGrey(work, work.rect());
        benchmark::DoNotOptimize(work.constBits());
    }
    if (!convertedCorrectly(source, work))
        state.SkipWithError("grey conversion gave a wrong pixel");
    state.SetItemsProcessed(state.iterations() * source.width() * source.height());
    state.counters["pixels"] = double(source.width()) * source.height();
}
BENCHMARK(BM_GreyConversion)->Unit(benchmark::kMicrosecond);

// The whole HighPicture write with GrayScale on: show the picture, copy, convert, copy back,
// take the surface as the new Picture, repaint.
void BM_GreyPictureWrite(benchmark::State &state) {
    Glimmet g;
    g.resize(512, 512);
    g.setGrayScale(true);
    const QImage source = colourfulImage();
    const auto high = Picture::fromImage(source);
    for (auto _ : state) {
        g.setHighPicture(high);
        benchmark::DoNotOptimize(g.getPicture().get());
    }
    if (!g.getPicture() ||
        !convertedCorrectly(
            source,
            g.getPicture()->toImage().copy(0, 0, 512, 512).convertToFormat(QImage::Format_RGB32)))
        state.SkipWithError("generated grey Picture is wrong");
    state.SetItemsProcessed(state.iterations() * source.width() * source.height());
}
BENCHMARK(BM_GreyPictureWrite)->Unit(benchmark::kMicrosecond);

// DrawState at the design size (321 x 242 px) with a caption and a 64 x 48 picture.
void BM_DrawState(benchmark::State &state) {
    const auto s = std::int16_t(state.range(0));
    Glimmet g;
    g.setBackColor(runtime::OleColor(0xFFFFFF));
    g.setHighBackColor(runtime::OleColor(0xFFCC99));
    g.setCaption(QStringLiteral("Convert"));
    g.setHighCaption(QStringLiteral("Convert!"));
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    g.setPicture(Picture::fromImage(picture));
    g.setDownPicture(Picture::fromImage(picture.mirrored()));
    for (auto _ : state) {
        g.DrawState(s);
        benchmark::ClobberMemory();
    }
    const QRgb corner = g.surface().image().pixel(1, 1) & 0xFFFFFF;
    const QRgb expected = s == 0 ? 0xFFFFFF : 0x99CCFF;
    if (s <= 2 && corner != expected)
        state.SkipWithError("DrawState painted the wrong back colour");
}
BENCHMARK(BM_DrawState)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
