// The fonts of the windows: substitutes for the fonts they are designed in, where those are
// not installed, and the fonts that draw the glyph codes.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <thread>

namespace kestrum {

// The font the glyph codes are written for (an outside font, not part of Debian) and the
// program's own font that draws them, built from Noto Sans Bengali and shipped beside the
// program.
inline const QString SutonnyMJ = QStringLiteral("SutonnyMJ");
inline const QString KestrumBangla = QStringLiteral("Kestrum Bangla");

// Fontconfig reads its configuration and its font caches (about 4 ms, before the first font can
// be had) on a thread of its own while the application connects to the display; the font
// database that Qt fills at the first font then finds it ready. Make it before the
// QGuiApplication, call wait() after it and before any font is used.
class FontConfigurationWarmUp {
public:
    FontConfigurationWarmUp();
    ~FontConfigurationWarmUp() { wait(); }
    FontConfigurationWarmUp(const FontConfigurationWarmUp &) = delete;
    FontConfigurationWarmUp &operator=(const FontConfigurationWarmUp &) = delete;
    void wait();

private:
    std::thread m_thread;
};

// Where the program's own fonts lie: <program folder>/../share/kestrum/fonts, in the build
// tree and installed alike.
QString bundledFontDir();

// Makes every font file (*.ttf) in `dir` available to this run of the program. Returns the
// families added; a file that cannot be loaded is reported with qWarning and left out, and a
// missing folder adds nothing (the glyph codes then show in a substitute Latin font).
QStringList registerBundledFonts(const QString &dir);

// Maps Garamond, Verdana and MS Sans Serif to the closest fonts the program's packages
// install (Times New Roman and Arial resolve through fontconfig to their metric twins), and
// SutonnyMJ to Kestrum Bangla. Each substitute applies only where the font it stands in for
// is not installed; call after registerBundledFonts.
void installFontSubstitutes();

// Whether both glyph-code fonts can be had, so that the user may choose between them.
bool bothGlyphFontsInstalled();

// A font as the windows are designed with it: family, points (may be fractional), bold.
QFont designFont(const QString &family, double points, bool bold = false);

} // namespace kestrum
