// The units geometry and type sizes are kept in: twips, HIMETRIC and points, per inch, at 96
// pixels an inch (the screen every size is designed for).
#pragma once

namespace kestrum::runtime::units {

inline constexpr int PixelsPerInch = 96;
inline constexpr int TwipsPerInch = 1440;
inline constexpr int HimetricPerInch = 2540;
inline constexpr int PointsPerInch = 72;

inline constexpr float TwipsPerPixel = float(TwipsPerInch) / PixelsPerInch; // 15
inline constexpr double HimetricPerPixel = double(HimetricPerInch) / PixelsPerInch;
// 96 dots per inch in the dots per metre an image records, rounded: 3780.
inline constexpr int DotsPerMeter = int(PixelsPerInch / 0.0254 + 0.5);

inline constexpr double pixelsToPoints(int pixels) {
    return double(pixels) * PointsPerInch / PixelsPerInch;
}

inline constexpr float himetricToTwips(float himetric) {
    return himetric * float(TwipsPerInch) / float(HimetricPerInch);
}

} // namespace kestrum::runtime::units
