// Fuzz target for the property-bag reader: any bytes as a bag file, or (starting "QPIC") as a
// recorded picture.
//
// A bag is read, every picture in it drawn as a control would draw it, and what was read is
// saved and read again, which must give the same keys without a complaint. A recording that
// checkRecording accepts is replayed. The sanitizers and libFuzzer's memory limit catch what
// a check lets through. Built for libFuzzer when KESTRUM_LIBFUZZER is defined; otherwise a
// small driver feeds it damaged copies of the seed files, so the ordinary test run exercises
// it too.
#include "runtime/propertybag.h"
#include "runtime/recording.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPicture>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>

using namespace kestrum::runtime;

namespace {

[[noreturn]] void fault(const char *what, const QString &detail = {}) {
    std::fprintf(stderr, "%s %s\n", what, qPrintable(detail));
    std::abort();
}

void replay(const QByteArray &data) {
    if (!checkRecording(data, nullptr))
        return;
    QPicture recording;
    recording.setData(data.constData(), uint(data.size()));
    QImage canvas(64, 64, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.drawPicture(0, 0, recording);
}

} // namespace

#ifdef KESTRUM_LIBFUZZER
// fontconfig, which Qt reads the fonts through, keeps a cache it never frees: the leak checker
// reports it when the process ends. Only that library is let off; a leak anywhere else, ours
// or Qt's, still ends the run as a failure.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static int argc = 1;
    static char name[] = "propertybag_fuzz";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Qt's warnings about what it refuses (a recording cut short) would only fill the log.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.startsWith("QPIC")) {
        replay(bytes);
        return 0;
    }
    PropertyBag bag;
    bag.fromBytes(bytes);
    for (const QString &key : bag.keys()) {
        const Variant value = bag.readProperty(key);
        if (value.type() == VariantType::Picture && value.picture()) {
            const QImage image = value.picture()->toImage();
            if (image.sizeInBytes() > PropertyBag::MaxDecodedBytes)
                fault("a picture over the limits was built");
        }
    }
    PropertyBag again;
    QString error;
    if (failed(again.fromBytes(bag.toBytes(), &error)))
        fault("a bag read back from its own bytes complains:", error);
    if (again.keys() != bag.keys())
        fault("a bag read back from its own bytes has other keys");
    return 0;
}

#ifndef KESTRUM_LIBFUZZER
// Puts the check sums of damaged data right again, so that the damage reaches the readers
// behind them instead of stopping at the check sum.
QByteArray resealed(QByteArray data) {
    if (data.startsWith("QPIC") && data.size() >= 6) {
        const quint16 sum = qChecksum(QByteArrayView(data).sliced(6));
        data[4] = char(sum >> 8);
        data[5] = char(sum & 0xFF);
        return data;
    }
    QList<QByteArray> lines = data.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype space = lines[i].indexOf(' ');
        if (space < 0)
            continue;
        const QByteArray body = lines[i].mid(space + 1);
        lines[i] = QByteArray::number(qChecksum(body), 16).rightJustified(4, '0') + ' ' + body;
    }
    return lines.join('\n');
}

int main(int argc, char **argv) {
    // Damaged copies of the seeds: bytes flipped, cut, repeated.
    const int runs = argc > 1 ? std::atoi(argv[1]) : 300;
    std::mt19937 rng(11);
    for (int a = 2; a < argc; ++a) {
        QFile file(QString::fromLocal8Bit(argv[a]));
        if (!file.open(QIODevice::ReadOnly))
            fault("cannot read the seed", file.fileName());
        const QByteArray seed = file.readAll();
        for (int i = 0; i < runs; ++i) {
            QByteArray damaged = seed;
            const int changes = std::uniform_int_distribution<int>(1, 4)(rng);
            for (int c = 0; c < changes && !damaged.isEmpty(); ++c) {
                const auto at =
                    std::uniform_int_distribution<qsizetype>(0, damaged.size() - 1)(rng);
                switch (std::uniform_int_distribution<int>(0, 2)(rng)) {
                case 0:
                    damaged[at] = char(std::uniform_int_distribution<int>(0, 255)(rng));
                    break;
                case 1:
                    damaged.truncate(at);
                    break;
                default:
                    damaged.insert(at, damaged.mid(at, 16));
                    break;
                }
            }
            if (i % 2)
                damaged = resealed(damaged);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(damaged.constData()),
                                   std::size_t(damaged.size()));
        }
    }
    std::printf("%d damaged copies of %d seeds read\n", runs, argc - 2);
    return 0;
}
#endif
