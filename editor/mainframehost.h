// What the main frame p needs of the program around it: the windows it holds and lays out, the
// session whose conversions its status bar reports, and the exit question.
#pragma once

namespace kestrum {

class EditorSession;
class EditorWindow;
class TableWindow;

class MainFrameHost {
public:
    virtual ~MainFrameHost() = default;

    // The session: conversionFinished, and the conversion log the status bar counts.
    virtual EditorSession &session() = 0;
    // Form1, null until first loaded; Form1 loaded on first use; Form3 while it is loaded.
    virtual EditorWindow *editor() const = 0;
    virtual EditorWindow *loadEditor() = 0;
    virtual TableWindow *tableWindow() const = 0;
    // True once the editor window has loaded; until then Form2 is the splash window.
    virtual bool mainWindowShown() const = 0;
    // Hides Form2 when it is loaded.
    virtual void hideSplash() = 0;
    // The log window Form5, shown and raised.
    virtual void showLog() = 0;
    // The close question; true when the program is ending and the close may go through.
    virtual bool queryUnload() = 0;
    virtual bool isExiting() const = 0;
};

} // namespace kestrum
