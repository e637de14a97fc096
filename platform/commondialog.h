// The file dialogs of a window: a filter and a preset file name go in, an open or a save
// dialog is shown, and the chosen file name comes out. Tests answer the dialogs by a hook.
#pragma once

#include "runtime/hookoverride.h"

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
        QString fileName;  // the preset name
        QString title;     // "" for the platform's own
        QString directory; // the folder the dialog starts in ("" for the working folder)
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

    // The dialog's title; "" (the default) leaves the platform's own ("Open", "Save As").
    QString title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }

    // The folder a dialog starts in: the preset name's folder when it has one that exists,
    // otherwise the folder of the file last chosen through this object, otherwise ("" before
    // any choice) the working folder. Nothing of it is stored beyond the object's life.
    QString startDirectory() const;

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
    QString m_title;
    // The folder of the last file chosen.
    QString m_lastDirectory;
};

} // namespace kestrum
