// Checking a recorded drawing (QPicture data) before Qt replays it.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace kestrum::runtime {

// Qt replays a recording by reading each record with its stream operators, which take the
// counts in the data on trust: a polygon that claims 0xFFFFFFF0 points reserves room for all of
// them before reading one, a path with 2^31 elements appends that many, nested records recurse
// without end. checkRecording walks the records the way the replay does and accepts the data
// only if every count fits inside its own record, every record is one this check knows to the
// byte (or one the replay skips by its length), and nothing asks for more than the limits:
// - the header is Qt's: the tag, a correct checksum, and the format version of this Qt;
// - a polygon, path, dash pattern, gradient, string or clip region holds no more items than its
//   bytes can hold, a clip region at most MaxRegionRects rectangles;
// - images and pixmaps inside are PNG whose header gives at most MaxSide pixels a side and
//   MaxPixels pixels in all; their pixels (4 bytes each) are added to *imageBytes;
// - fonts ask for finite sizes of at most MaxFontSize; no texture brushes; no nested
//   recordings; saves nested at most MaxSaveDepth deep.
// True when the recording may be replayed; false with *why set otherwise.
bool checkRecording(QByteArrayView data, QString *why, std::int64_t *imageBytes = nullptr);

// The largest pictures read from a property bag or a picture file, and the parts of a
// recording, that we build.
struct PictureLimits {
    static constexpr int MaxSide = 4096;
    static constexpr std::int64_t MaxPixels = std::int64_t(MaxSide) * MaxSide;
    static constexpr std::uint32_t MaxRegionRects = 4096;
    static constexpr double MaxFontSize = 4096;
    static constexpr int MaxSaveDepth = 64;
};

} // namespace kestrum::runtime
