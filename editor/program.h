// The program Kestrum: how the engine, the windows and the control library meet.
//
// One Program object lives for the whole run. It owns the state that outlives every window
// (GlobalState), the transliteration Engine (its tables), the editor session (the input text's
// conversions, inputChanged and conversionOutput), the keyboard
// state behind Caps Lock, the component loader that creates Glimmet buttons from the control
// library by programmatic identifier, and the windows: the splash/About window Form2, the main
// frame p with its MDI area, the editor window Form1 (an MDI child, created on the frame's
// first activation) and the log window Form5 (created when the first conversion clears it).
// The windows know Program only through their host interfaces (EditorWindowHost, MainFrameHost,
// SplashWindowHost, TableWindowHost), which it implements; no window includes this header.
//
// Everything runs on the one window thread. A conversion lets pending window events run
// (through the engine's yieldToUi hook, throttled so it costs little); a conversion asked for
// from such an event is not run inside the running one but right after it (EditorSession), and
// keys typed into the input area meanwhile are held back and delivered afterwards in their
// order.
#pragma once

#include "dock.h"
#include "editorsession.h"
#include "editorwindowhost.h"
#include "engine.h"
#include "keyboardstate.h"
#include "mainframehost.h"
#include "runtime/loader.h"
#include "runtime/messagebox.h"
#include "splashwindowhost.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <future>
#include <memory>

namespace kestrum {

class EditorWindow;
class LogWindow;
class MainFrame;
class SplashWindow;
class TableWindow;

// State that lives for the whole run.
struct GlobalState {
    // True once the editor window has loaded; until then Form2 is the splash window.
    bool mainWindowShown = false;
    // The substitution table window is open: read from the main frame's dock, not kept here.
    bool tableWindowShown() const { return dock && isShown(dock()); }
    // Where the dock is read from; set while the main frame exists.
    std::function<Dock()> dock;
    // The user's Caps Lock key-state byte, saved each time Kestrum forces Caps Lock on; 3 while
    // nothing has been saved.
    std::uint8_t savedCapsState = 3;
};

// The folder the program reads its tables from: the first of the user's own copy
// ($XDG_DATA_HOME/kestrum), the program's own folder (a build tree) and ../share/kestrum beside
// the program (an installed tree) that holds all four table files (findTablesDir).
QString defaultTablesDir();
// The control library that ships with the program: <program folder>/../lib/libGlimmet3.so.
QString defaultControlLibrary();

// How a Program is set up; the defaults are those of the installed program.
struct ProgramOptions {
    // Where the four table files lie; default: defaultTablesDir().
    QString tablesDir;
    // The control library that ships with the program; default: defaultControlLibrary().
    QString controlLibrary;
    // Default: KeyboardState::create().
    std::unique_ptr<KeyboardState> keyboard;
    // Ends the program with a status; default: QCoreApplication::exit.
    std::function<void(int)> quit;
    // The least time between two runs of pending events during a conversion.
    int yieldIntervalMs = EditorSession::DefaultYieldIntervalMs;
};

class Program : public QObject,
                public EditorWindowHost,
                public MainFrameHost,
                public SplashWindowHost {
    Q_OBJECT

public:
    using Options = ProgramOptions;

    explicit Program(Options options = {});
    ~Program() override;

    // Program entry: makes sure the control library can be loaded, then loads the splash
    // window, which loads the tables and opens the main frame. False when start-up failed (the
    // user has been told why and exitCode() is non-zero) or the program is ending already (a
    // termination signal came during start-up: endingSignal() names it).
    bool start();
    int exitCode() const { return m_exitCode; }

    GlobalState &state() { return m_state; }
    Engine &engine() { return m_engine; }
    EditorSession &session() override { return m_session; }
    runtime::ComponentLoader &loader() override { return m_loader; }
    QString tablesDir() const override { return m_tablesDir; }

    MainFrame *frame() const { return m_frame.get(); }
    // Form1; null until the frame first shows it.
    EditorWindow *editor() const override;
    // Form1, loading it on first use.
    EditorWindow *loadEditor() override;
    // Form2 while it is loaded.
    SplashWindow *splash() const;
    // Form2, loading it (texts filled, shown) when it is not loaded.
    SplashWindow *loadSplash();
    // Form3 while it is loaded.
    TableWindow *tableWindow() const override;
    // Form3, loaded (created in the frame, not shown yet) when it is not loaded.
    TableWindow *loadTableWindow();
    // Removes Form3 from the frame; the next loadTableWindow creates it anew.
    void unloadTableWindow();
    // Form5 while it exists, and Form5 created on first use.
    LogWindow *existingLogWindow() const;
    LogWindow *logWindow();
    // View Log: Form5 shown and raised.
    void showLog() override;

    // The start-up steps of the splash window's load: let pending events run once, load the
    // tables, show the main frame, hide the splash window. False when the tables cannot be
    // read (the user is told which file and why, and the program ends).
    bool startUp() override;

    // Forces Caps Lock on (force), saving the user's state first, or writes the saved state
    // back. Either only when it changes whether Caps Lock is forced: a user who turns Caps Lock
    // off in the editor keeps it off until Kestrum next gives the state back.
    void setCapsLock(bool force);
    // Whether Caps Lock is forced on now (the user's state is saved in savedCapsState).
    bool capsLockForced() const { return m_capsForced; }

    // The close question: "Do you want to Exit?". Yes runs exitProgram(); returns whether the
    // program is ending (the caller then lets the close go through).
    bool queryUnload() override;
    // Restores the saved Caps Lock state and ends the program at once, without questions.
    void exitProgram() override;
    bool isExiting() const override { return m_exiting; }
    // A termination signal (a logout's SIGTERM, Ctrl+C's SIGINT, a closed terminal's SIGHUP)
    // ends the program the way Exit does; endingSignal() then names it (0 otherwise), so that
    // main can end by it once everything is torn down.
    void endBySignal(int signalNumber);
    int endingSignal() const { return m_endingSignal; }
    // The application or the session ends some other way (the session manager asks for the
    // work to be saved, the event loop is told to quit): puts the saved Caps Lock state back.
    // A later Exit writes it again.
    void restoreCapsLock();

    // Help > Substitution Table: loads Form3 and slides it in, unless it is open.
    void openTableWindow() override;
    // Closes Form3 first when it is open, then shows Form2 modally as the About window.
    void showAbout() override;

    // The window hosts' view of GlobalState.
    bool mainWindowShown() const override { return m_state.mainWindowShown; }
    bool tableWindowShown() const override { return m_state.tableWindowShown(); }
    // The editor window's Load: mainWindowShown, Caps Lock forced on.
    void editorLoaded() override;
    void hideSplash() override;

    // The family the glyph codes are drawn in (the output area, its label and the conversion
    // button, the table window's glyph list): SutonnyMJ, for which Kestrum Bangla stands in
    // where SutonnyMJ is not installed, or Kestrum Bangla when the user chose it. Setting
    // another family emits glyphFontChanged(); the RTF files name SutonnyMJ either way.
    QString glyphFontFamily() const override { return m_glyphFontFamily; }
    void setGlyphFontFamily(const QString &family) override;

Q_SIGNALS:
    // A conversion (and any that was asked for during it) has finished (forwarded from the
    // session).
    void conversionFinished();
    // glyphFontFamily() has changed.
    void glyphFontChanged();

private:
    class TableHost;

    bool ensureControlLibrary();
    // Caps Lock follows the active window: forced on while a window of Kestrum's own other than
    // a file dialog is active, the user's state while another program or a file dialog is.
    void followActiveWindow();
    void fail(const QString &message);

    GlobalState m_state;
    Engine m_engine;
    // The tables, read on a thread of their own while the splash window is built and painted;
    // the engine takes them (or the reason they cannot be read) once it has painted.
    std::future<Tables> m_tablesRead;
    EditorSession m_session;
    QString m_tablesDir;
    QString m_controlLibrary;
    std::unique_ptr<KeyboardState> m_keyboard;
    std::function<void(int)> m_quit;
    runtime::ComponentLoader m_loader;
    // The message boxes of the controls the program hosts, shown as its own.
    runtime::HostMessageBox::ScopedHook m_controlBoxes;
    std::unique_ptr<TableHost> m_tableHost;

    std::unique_ptr<MainFrame> m_frame;
    QPointer<EditorWindow> m_editor;
    QPointer<SplashWindow> m_splash;
    QPointer<LogWindow> m_logWindow;
    QPointer<TableWindow> m_tableWindow;

    QString m_glyphFontFamily;
    bool m_exiting = false;
    bool m_capsForced = false;
    int m_exitCode = 0;
    int m_endingSignal = 0;
};

} // namespace kestrum
