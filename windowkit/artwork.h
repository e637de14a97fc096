// The program's own pictures: its window icon (the desktop icon, rendered by the build) and,
// drawn in code, the product picture of the About window (a recorded vector picture, so it stays
// sharp at any size) and the drag pointer.
#pragma once

#include <QIcon>
#include <QPicture>

namespace kestrum {

QIcon programIcon();
// A pencil pointing to the lower left, 32 x 32 and 16 x 16 in 16 colours: the pointer shown
// while a glyph string is dragged out of the substitution table.
QIcon pencilIcon();
// Recorded for a box of `size` pixels.
QPicture productPicture(QSize size);

} // namespace kestrum
