// Grey rendering of a picture: per-pixel arithmetic over QImage scan lines.
#include "glimmetgrey.h"

#include <QImage>

#include <cmath>

namespace kestrum {

int greyValue(std::uint32_t oleColour)
{
    const std::uint32_t r = oleColour & 0xFFu;
    const std::uint32_t g = (oleColour / 0x100u) & 0xFFu;
    const std::uint32_t b = (oleColour & 0xFF0000u) / 0x10000u;
    if (r == g && g == b)
        return int(r);
    const double rd = r, gd = g, bd = b;
    // nearbyint rounds under the current (default: to nearest, ties to even) rounding mode.
    return int(std::nearbyint(std::sqrt((rd * rd + gd * gd / 1.5 + bd * bd / 2) / 3)));
}

void convertToGrey(QImage &image, const QRect &area)
{
    const QRect r = area.intersected(image.rect());
    if (r.isEmpty())
        return;
    Q_ASSERT(image.depth() == 32);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = line[x];
            // QRgb is 0xAARRGGBB; the arithmetic is defined on 0x00BBGGRR.
            const std::uint32_t ole = std::uint32_t(qRed(p)) | (std::uint32_t(qGreen(p)) << 8)
                | (std::uint32_t(qBlue(p)) << 16);
            const int v = greyValue(ole);
            line[x] = qRgba(v, v, v, qAlpha(p));
        }
    }
}

} // namespace kestrum
