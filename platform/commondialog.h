// The file dialogs of a window: a filter and a preset file name go in, an open or a save
// dialog is shown, and the chosen file name comes out. Tests answer the dialogs by a hook.
#pragma once

#include "hookoverride.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace kestrum {

class CommonDialog {
public:
    enum class Kind { Open, Save };

    struct Request {
        QWidget *parent = nullptr;
        Kind kind = Kind::Open;
        QString filter;
        QString fileName; // the preset name
    };

    // Answers a request instead of showing a dialog: the chosen file name, or nothing for a
    // cancelled dialog.
    using Hook = std::function<std::optional<QString>(const Request &)>;

    explicit CommonDialog(QWidget *parent = nullptr) : m_parent(parent) {}

    // Description and pattern pairs separated by "|", as in
    // "Text File|*.txt|All Files|*.*". The first pair is the one selected.
    QString filter() const { return m_filter; }
    void setFilter(const QString &filter) { m_filter = filter; }

    // Preset before a dialog; afterwards the chosen file's path, or "" when the dialog was
    // cancelled (so a name remembered from last time is never taken for a choice).
    QString fileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }

    // Show the dialog modally; true when the user chose a file. No default extension is
    // added: the file gets exactly the name the user typed.
    bool showOpen();
    bool showSave();

    // The filter as QFileDialog name filters ("Text File (*.txt)" ...). "*.*" means every
    // file, as it does in the filters' home convention, so it becomes "*".
    static QStringList nameFilters(const QString &filter);

    // Installs a hook for the life of the object, restoring the previous one afterwards.
    class ScopedHook : public HookOverride<Hook> {
    public:
        explicit ScopedHook(Hook hook);
    };

private:
    bool show(Kind kind);

    QWidget *m_parent;
    QString m_filter;
    QString m_fileName;
};

} // namespace kestrum
