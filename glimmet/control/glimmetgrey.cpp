// Grey rendering of a picture: per-pixel arithmetic over QImage scan lines.
#include "glimmetgrey.h"

#include <QImage>

#include <array>
#include <cmath>

namespace kestrum {

namespace {

// The three terms r^2, g^2 / 1.5 and b^2 / 2 for every channel value, computed once with the
// same double operations the formula uses, so a table look-up gives bit-identical terms.
struct Terms {
    std::array<double, 256> red{}, green{}, blue{};
    constexpr Terms() {
        for (int i = 0; i < 256; ++i) {
            const double d = i;
            red[i] = d * d;
            green[i] = d * d / 1.5;
            blue[i] = d * d / 2;
        }
    }
};
constexpr Terms terms;

} // namespace

int greyValue(std::uint32_t oleColour) {
    const std::uint32_t r = oleColour & 0xFFu;
    const std::uint32_t g = (oleColour / 0x100u) & 0xFFu;
    const std::uint32_t b = (oleColour & 0xFF0000u) / 0x10000u;
    if (r == g && g == b)
        return int(r);
    // sqrt((r^2 + g^2 / 1.5 + b^2 / 2) / 3); nearbyint rounds under the current (default: to
    // nearest, ties to even) rounding mode.
    return int(std::nearbyint(std::sqrt((terms.red[r] + terms.green[g] + terms.blue[b]) / 3)));
}

void convertToGrey(QImage &image, const QRect &area) {
    const QRect r = area.intersected(image.rect());
    if (r.isEmpty())
        return;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = line[x];
            // QRgb is 0xAARRGGBB; the arithmetic is defined on 0x00BBGGRR.
            const std::uint32_t ole = std::uint32_t(qRed(p)) | (std::uint32_t(qGreen(p)) << 8) |
                                      (std::uint32_t(qBlue(p)) << 16);
            const int v = greyValue(ole);
            line[x] = qRgba(v, v, v, qAlpha(p));
        }
    }
}

} // namespace kestrum
