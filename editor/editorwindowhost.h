// What the editor window Form1 needs of the program around it, so the window builds without
// Program: the session it converts through, where its button comes from, the glyph-code font,
// and the commands that reach beyond the window.
#pragma once

#include <QString>

namespace kestrum {

namespace runtime {
class ComponentLoader;
}
class EditorSession;

class EditorWindowHost {
public:
    virtual ~EditorWindowHost() = default;

    // The session that reads the input area, runs the conversions, owns conversionOutput (the
    // output area shows it) and the conversion log.
    virtual EditorSession &session() = 0;
    // The loader the conversion button is created through.
    virtual runtime::ComponentLoader &loader() = 0;
    // The family the glyph codes are drawn in, and the user's choice of it (View > Bangla Font).
    // The host calls the window's applyGlyphFont when it changes.
    virtual QString glyphFontFamily() const = 0;
    virtual void setGlyphFontFamily(const QString &family) = 0;
    // The folder the tables were read from.
    virtual QString tablesDir() const = 0;
    // Whether the substitution table window is open.
    virtual bool tableWindowShown() const = 0;
    // The window has loaded: mainWindowShown becomes true and Caps Lock is forced on.
    virtual void editorLoaded() = 0;

    // Help > Substitution Table, About Kestrum, View Log, File > Exit.
    virtual void openTableWindow() = 0;
    virtual void showAbout() = 0;
    virtual void showLog() = 0;
    virtual void exitProgram() = 0;
    // The program is ending (Exit, a termination signal): long work in the window stops.
    virtual bool isExiting() const = 0;
};

} // namespace kestrum
