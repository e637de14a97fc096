// Substitutes for the fonts the windows are designed in, where they are not installed.
#pragma once

#include <QFont>

namespace kestrum {

// Maps Garamond, Verdana and MS Sans Serif to the closest fonts the program's packages
// install (Times New Roman and Arial resolve through fontconfig to their metric twins).
void installFontSubstitutes();

// A font as the windows are designed with it: family, points (may be fractional), bold.
QFont designFont(const QString &family, double points, bool bold = false);

} // namespace kestrum
