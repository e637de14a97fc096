#include "program.h"

#include "controlhost.h"
#include "conversionlogmodel.h"
#include "datafolders.h"
#include "editorwindow.h"
#include "fonts.h"
#include "logwindow.h"
#include "mainframe.h"
#include "messagebox.h"
#include "splashwindow.h"
#include "tablewindow.h"
#include "tablewindowhost.h"
#include "twips.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QWindow>
#ifndef QT_NO_SESSIONMANAGER
#include <QSessionManager>
#endif
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <optional>
#include <utility>

namespace kestrum {

// The table window's view of the program: the frame it docks in and the editor beside it.
class Program::TableHost : public TableWindowHost {
public:
    explicit TableHost(Program &program) : m_program(program) {}

    runtime::ComponentLoader &loader() override { return m_program.m_loader; }
    QString tablesDir() const override { return m_program.m_tablesDir; }
    QString glyphFontFamily() const override { return m_program.m_glyphFontFamily; }

    float frameWidth() const override {
        return m_program.m_frame ? twips::outerWidth(m_program.m_frame.get()) : 0;
    }
    void showInFrame(ChildWindow *window) override {
        if (m_program.m_frame)
            m_program.m_frame->showChild(window);
    }
    Dock dock() const override {
        return m_program.m_frame ? m_program.m_frame->dock() : Dock::Closed;
    }
    void setDock(Dock dock) override {
        if (m_program.m_frame)
            m_program.m_frame->setDock(dock);
    }
    void unloadTableWindow() override { m_program.unloadTableWindow(); }

    bool hasEditor() const override { return m_program.m_editor && m_program.m_frame; }
    float editorHeight() const override {
        return m_program.m_editor ? twips::height(m_program.m_editor.data()) : 0;
    }
    std::optional<float> editorButtonBottom() const override {
        const EditorWindow *editor = m_program.m_editor;
        return editor ? editor->buttonBottom() : std::nullopt;
    }
    void resizeEditorBy(float by) override {
        if (EditorWindow *editor = m_program.m_editor)
            editor->widenBy(by);
    }
    void centreEditorButton() override {
        if (EditorWindow *editor = m_program.m_editor)
            editor->centreButton();
    }
    void showOutputSelection(bool shown) override {
        if (EditorWindow *editor = m_program.m_editor)
            editor->setOutputSelectionShown(shown);
    }
    void insertGlyphs(const QString &glyphs) override {
        if (EditorWindow *editor = m_program.m_editor)
            editor->insertIntoOutput(glyphs);
    }

private:
    Program &m_program;
};

QString defaultTablesDir() {
    const std::filesystem::path dir =
        findTablesDir(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    return QFile::decodeName(QByteArray::fromStdString(dir.string()));
}

QString defaultControlLibrary() {
    return QDir::cleanPath(QDir(QCoreApplication::applicationDirPath())
                               .filePath(QStringLiteral(KESTRUM_BIN_TO_LIB "/libGlimmet3.so")));
}

Program::Program(Options options)
    : m_session(m_engine, options.yieldIntervalMs),
      m_tablesDir(options.tablesDir.isEmpty() ? defaultTablesDir() : options.tablesDir),
      m_controlLibrary(options.controlLibrary.isEmpty() ? defaultControlLibrary()
                                                        : options.controlLibrary),
      m_keyboard(options.keyboard ? std::move(options.keyboard) : KeyboardState::create()),
      m_quit(options.quit ? std::move(options.quit)
                          : [](int status) { QCoreApplication::exit(status); }),
      m_controlBoxes([](const MessageBox::Request &request) { return MessageBox::show(request); }),
      m_tableHost(std::make_unique<TableHost>(*this)), m_glyphFontFamily(SutonnyMJ) {
    connect(&m_session, &EditorSession::conversionFinished, this, &Program::conversionFinished);
    // Form5 is created when the log first changes (the first conversion clears it), and shows
    // the log from then on.
    connect(&m_session.log(), &ConversionLogModel::cleared, this, [this] { logWindow(); });
    connect(&m_session.log(), &ConversionLogModel::appended, this, [this] { logWindow(); });
    // Every keystroke converts the whole input: the engine takes over what did not change.
    m_engine.setReusePrevious(true);
    // Ways to end that do not pass through Exit: the event loop told to quit from elsewhere,
    // the session manager ending the session (it may end the process without a quit).
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            if (!m_exiting)
                restoreCapsLock();
        });
#ifndef QT_NO_SESSIONMANAGER
    if (qGuiApp)
        connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager &) { restoreCapsLock(); });
#endif
    // Judged once the change is complete: the widgets' active window follows the focus window.
    if (qGuiApp)
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &Program::followActiveWindow,
                Qt::QueuedConnection);
}

Program::~Program() {
    delete m_splash.data();
    // The frame owns the editor and log windows.
    m_frame.reset();
}

EditorWindow *Program::editor() const {
    return m_editor;
}

SplashWindow *Program::splash() const {
    return m_splash;
}

LogWindow *Program::existingLogWindow() const {
    return m_logWindow;
}

bool Program::start() {
    m_state = GlobalState{};
    // A message box at start-up runs events: a termination signal may end the program there.
    if (!ensureControlLibrary() || m_exiting)
        return false;
    m_tablesRead = std::async(std::launch::async,
                              [dir = m_tablesDir.toStdString()] { return readTables(dir); });
    m_frame = std::make_unique<MainFrame>(static_cast<MainFrameHost &>(*this));
    m_state.dock = [this] { return m_frame ? m_frame->dock() : Dock::Closed; };
    loadSplash();
    return m_exitCode == 0 && !m_exiting;
}

bool Program::ensureControlLibrary() {
    const QString progId = glimmetProgId();
    const QString path = QFileInfo(m_controlLibrary).absoluteFilePath();
    const bool shipped = QFileInfo::exists(path);
    // Whether the registry names the library that ships with the program (by any of its
    // names: the soname links lead to one file).
    const auto registeredHere = [&] {
        runtime::ComponentRegistry registry;
        registry.load();
        const auto clsid = registry.classIdOf(progId);
        const auto record = clsid ? registry.classRecord(*clsid) : std::nullopt;
        if (!record)
            return false;
        const QString registered = QFileInfo(record->libraryPath).canonicalFilePath();
        return !registered.isEmpty() && registered == QFileInfo(path).canonicalFilePath();
    };
    const auto loads = [&] {
        runtime::ComponentRegistry registry;
        registry.load();
        const auto clsid = registry.classIdOf(progId);
        runtime::Ref<runtime::ClassFactory> factory;
        return clsid && !runtime::failed(m_loader.getClassObject(*clsid, &factory));
    };
    // The library that ships with the program is as trusted as the program itself.
    m_loader.trustLibrary(path);
    // A record of another library (another build tree, an older install) is replaced by the
    // program's own, whose version its windows are made for, without loading the other one;
    // without a library of its own the program makes do with whatever is registered.
    QString refused;
    if (shipped && !registeredHere()) {
        runtime::ComponentRegistry registry;
        registry.load();
        const auto clsid = registry.classIdOf(progId);
        if (clsid && m_loader.checkClass(*clsid) == runtime::StatusAccessDenied)
            refused = m_loader.lastError();
    } else if (loads()) {
        return true;
    } else if (m_loader.lastStatus() == runtime::StatusAccessDenied) {
        refused = m_loader.lastError();
    }
    // Not registered yet (a fresh machine), registered at a place that no longer holds it,
    // registered from elsewhere or by a record that is refused: register the library that ships
    // with the program.
    QString reason;
    if (!shipped) {
        reason = QStringLiteral("the file does not exist.");
    } else if (runtime::failed(m_loader.registerLibrary(path))) {
        reason = m_loader.lastError();
    } else if (!loads()) {
        reason = m_loader.lastError();
    } else {
        if (!refused.isEmpty())
            MessageBox::show(nullptr,
                             QStringLiteral("Kestrum %1.\n\nIt registered and uses its own button "
                                            "control library %2 instead.")
                                 .arg(refused, QDir::toNativeSeparators(path)),
                             QStringLiteral("Kestrum"), MessageBox::Buttons::Ok,
                             MessageBox::Icon::Exclamation);
        return true;
    }
    fail(QStringLiteral("Kestrum cannot load its button control library %1: %2")
             .arg(QDir::toNativeSeparators(path), reason));
    return false;
}

void Program::fail(const QString &message) {
    MessageBox::show(nullptr, message, QStringLiteral("Kestrum"), MessageBox::Buttons::Ok,
                     MessageBox::Icon::Critical);
    m_exitCode = 1;
    m_exiting = true;
    m_quit(m_exitCode);
}

SplashWindow *Program::loadSplash() {
    if (!m_splash) {
        m_splash = new SplashWindow(static_cast<SplashWindowHost &>(*this));
        m_splash->load();
    }
    return m_splash;
}

bool Program::startUp() {
    // Let the splash window paint before the tables load.
    QCoreApplication::processEvents();
    // A termination signal among those events: the program ends without opening its window.
    if (m_exiting) {
        if (m_splash)
            m_splash->hide();
        return false;
    }
    try {
        m_engine.setTables(m_tablesRead.valid() ? m_tablesRead.get()
                                                : readTables(m_tablesDir.toStdString()));
    } catch (const TableLoadError &error) {
        if (m_splash)
            m_splash->hide();
        fail(QStringLiteral("Kestrum cannot read its substitution tables in %1:\n%2")
                 .arg(QDir::toNativeSeparators(m_tablesDir), QString::fromStdString(error.what())));
        return false;
    }
    m_frame->show();
    m_frame->activateWindow();
    // The first activation loads the editor window; run it now rather than wait for the
    // window system, which may not activate a new window on its own.
    m_frame->activate();
    if (m_splash)
        m_splash->hide();
    return true;
}

EditorWindow *Program::loadEditor() {
    if (!m_editor) {
        auto *editor = new EditorWindow(static_cast<EditorWindowHost &>(*this));
        connect(this, &Program::glyphFontChanged, editor, &EditorWindow::applyGlyphFont);
        m_frame->addChild(editor);
        m_editor = editor;
        editor->load();
    }
    return m_editor;
}

TableWindow *Program::tableWindow() const {
    return m_tableWindow;
}

TableWindow *Program::loadTableWindow() {
    if (!m_tableWindow && m_frame) {
        auto *table = new TableWindow(*m_tableHost);
        connect(this, &Program::glyphFontChanged, table, &TableWindow::applyGlyphFont);
        m_frame->addChild(table);
        m_tableWindow = table;
        table->load();
    }
    return m_tableWindow;
}

void Program::unloadTableWindow() {
    if (TableWindow *table = std::exchange(m_tableWindow, nullptr))
        m_frame->removeChild(table);
}

void Program::openTableWindow() {
    if (m_state.tableWindowShown() || !m_editor)
        return;
    if (TableWindow *table = loadTableWindow())
        table->slideIn();
}

void Program::setGlyphFontFamily(const QString &family) {
    if (family == m_glyphFontFamily)
        return;
    m_glyphFontFamily = family;
    Q_EMIT glyphFontChanged();
}

LogWindow *Program::logWindow() {
    if (!m_logWindow)
        m_logWindow = new LogWindow(m_session.log(), m_frame.get());
    return m_logWindow;
}

void Program::showLog() {
    LogWindow *log = logWindow();
    log->show();
    log->raise();
}

void Program::editorLoaded() {
    m_state.mainWindowShown = true;
    if (!m_exiting)
        setCapsLock(true);
}

void Program::hideSplash() {
    if (m_splash)
        m_splash->hide();
}

void Program::setCapsLock(bool force) {
    if (force == m_capsForced)
        return;
    KeyStateTable table{};
    if (!m_keyboard->read(table))
        return;
    if (force)
        m_state.savedCapsState = table[VkCapital];
    table[VkCapital] = force ? std::uint8_t(table[VkCapital] | 1) : m_state.savedCapsState;
    if (m_keyboard->write(table))
        m_capsForced = force;
}

void Program::followActiveWindow() {
    if (!m_state.mainWindowShown || m_exiting)
        return;
    // No focus window: another program has the keyboard. (The window's widget is looked up
    // rather than taken from activeWindow(), which is empty for a window that is hidden while
    // it still has the focus.)
    QWindow *focus = QGuiApplication::focusWindow();
    QWidget *window = nullptr;
    for (QWidget *topLevel : QApplication::topLevelWidgets())
        if (focus && topLevel->windowHandle() == focus)
            window = topLevel;
    // A menu or a completer's list (a file name typed into a file dialog opens one) belongs to
    // the window it opened from, which has set the state already.
    if (window && window->windowType() == Qt::Popup)
        return;
    setCapsLock(focus && !qobject_cast<QFileDialog *>(window));
}

bool Program::queryUnload() {
    if (m_exiting)
        return true;
    const auto answer = MessageBox::show(m_frame.get(), QStringLiteral("Do you want to Exit?"),
                                         QStringLiteral("Kestrum"), MessageBox::Buttons::YesNo);
    if (answer != MessageBox::Answer::Yes)
        return false;
    exitProgram();
    return true;
}

void Program::exitProgram() {
    if (m_exiting)
        return;
    m_exiting = true;
    setCapsLock(false);
    m_quit(0);
}

void Program::endBySignal(int signalNumber) {
    if (m_exiting)
        return;
    m_endingSignal = signalNumber;
    exitProgram();
}

void Program::restoreCapsLock() {
    // Nothing forced (start-up still running, or another program is active): the user's state
    // is the keyboard's already.
    setCapsLock(false);
}

void Program::showAbout() {
    if (m_state.tableWindowShown() && m_tableWindow)
        m_tableWindow->closeTableWindow();
    SplashWindow *about = loadSplash();
    // A window that was shown before keeps its old place in the stacking order when it is
    // shown again; without a window manager that is below the frame.
    about->show();
    about->raise();
    about->activateWindow();
    about->exec();
}

} // namespace kestrum
