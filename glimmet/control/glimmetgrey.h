// Grey rendering of a picture for the Glimmet control's normal appearance.
#pragma once

#include <QRect>
#include <cstdint>

class QImage;

namespace kestrum {

// The grey value of one 0x00BBGGRR colour. A grey pixel (r == g == b) keeps its value; any other
// becomes round(sqrt((r^2 + g^2 / 1.5 + b^2 / 2) / 3)), computed in double and rounded half to
// even, so coloured pixels come out darker than a plain average (at most 217, for 255/255/254).
int greyValue(std::uint32_t oleColour);

// Replaces every pixel of `area` (clipped to the image) by RGB(v, v, v), v = greyValue(pixel).
// An image in another format is first converted to Format_RGB32 (Format_ARGB32 when it has
// alpha, which is kept).
void convertToGrey(QImage &image, const QRect &area);

} // namespace kestrum
