// The units geometry is kept in: twips and HIMETRIC, both per inch, at 96 pixels an inch.
#pragma once

namespace kestrum::runtime::units {

inline constexpr int PixelsPerInch = 96;
inline constexpr int TwipsPerInch = 1440;
inline constexpr int HimetricPerInch = 2540;

inline constexpr float TwipsPerPixel = float(TwipsPerInch) / PixelsPerInch; // 15
inline constexpr double HimetricPerPixel = double(HimetricPerInch) / PixelsPerInch;

inline constexpr float himetricToTwips(float himetric) {
    return himetric * float(TwipsPerInch) / float(HimetricPerInch);
}

} // namespace kestrum::runtime::units
