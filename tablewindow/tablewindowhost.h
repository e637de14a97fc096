// What the substitution table window needs of the program around it, so the window builds
// without the editor: where its buttons and tables come from, the glyph-code font, and the
// editor window beside which it docks. All lengths are in twips.
#pragma once

#include "dock.h"

#include <QString>

#include <optional>

namespace kestrum {

namespace runtime {
class ComponentLoader;
}
class ChildWindow;

class TableWindowHost {
public:
    virtual ~TableWindowHost() = default;

    // The loader the window's Glimmet buttons are created through.
    virtual runtime::ComponentLoader &loader() = 0;
    // The folder of the four table files.
    virtual QString tablesDir() const = 0;
    // The family the glyph codes are drawn in.
    virtual QString glyphFontFamily() const = 0;

    // The frame's outer width, the right edge the window slides from and back to.
    virtual float frameWidth() const = 0;
    // Shows `window`, placed in the frame already, and makes it the active child.
    virtual void showInFrame(ChildWindow *window) = 0;
    // The frame's dock: where the window stands; the window moves it along as it slides.
    virtual Dock dock() const = 0;
    virtual void setDock(Dock dock) = 0;
    // Takes the window out of the frame once it has slid out.
    virtual void unloadTableWindow() = 0;

    // Whether the editor window is there to dock beside.
    virtual bool hasEditor() const = 0;
    // The editor window's height, and the bottom of its conversion button (none without one).
    virtual float editorHeight() const = 0;
    virtual std::optional<float> editorButtonBottom() const = 0;
    // Widens the editor window and its two areas by `by` (narrows them for a negative `by`).
    virtual void resizeEditorBy(float by) = 0;
    // Centres the editor's conversion button in the editor's width.
    virtual void centreEditorButton() = 0;
    // Whether the output area shows its selection while another control has the focus.
    virtual void showOutputSelection(bool shown) = 0;
    // Glyphs the user chose from the list: they replace the output area's selection, which
    // then has the focus, and conversionOutput follows the area.
    virtual void insertGlyphs(const QString &glyphs) = 0;
};

} // namespace kestrum
