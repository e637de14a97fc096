// The program's own pictures, drawn in code: its icon and the product picture of the About
// window (a recorded vector picture, so it stays sharp at any size).
#pragma once

#include <QIcon>
#include <QPicture>

namespace kestrum {

QIcon programIcon();
// Recorded for a box of `size` pixels.
QPicture productPicture(QSize size);

} // namespace kestrum
