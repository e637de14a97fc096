// The program's own pictures: its window icon (the desktop icon, rendered by the build), the
// product picture of the About window (rendered by the build, productpicture.cpp) and, drawn in
// code, the drag pointer.
#pragma once

#include <QIcon>
#include <QImage>

namespace kestrum {

QIcon programIcon();
// A pencil pointing to the lower left, 32 x 32 and 16 x 16 in 16 colours: the pointer shown
// while a glyph string is dragged out of the substitution table.
QIcon pencilIcon();
// The product picture for a box of `size` pixels on a screen of `devicePixelRatio` device
// pixels per pixel: the build's rendering for one or two device pixels per pixel, scaled to any
// other size. Null if the program was built without it.
QImage productPicture(QSize size, qreal devicePixelRatio);

} // namespace kestrum
