// File dialogs over QFileDialog, answerable by a hook in tests.
#include "commondialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace kestrum {

namespace {

CommonDialog::Hook &installedHook() {
    static CommonDialog::Hook hook;
    return hook;
}

} // namespace

QStringList CommonDialog::nameFilters(const QString &filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        }
        filters.append(parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return filters;
}

bool CommonDialog::showOpen() {
    return show(Kind::Open);
}

bool CommonDialog::showSave() {
    return show(Kind::Save);
}

QString CommonDialog::startDirectory() const {
    if (!m_fileName.isEmpty()) {
        const QFileInfo preset(m_fileName);
        // A bare name has the working folder for its folder: the last folder is the better
        // guess then.
        if (m_fileName.contains(QLatin1Char('/')) && preset.dir().exists())
            return preset.absolutePath();
    }
    return m_lastDirectory;
}

bool CommonDialog::show(Kind kind) {
    std::optional<QString> chosen;
    const QString directory = startDirectory();
    if (const Hook &hook = installedHook()) {
        chosen = hook(Request{m_parent, kind, m_filter, m_fileName, m_title, directory});
    } else {
        QFileDialog dialog(m_parent);
        dialog.setAcceptMode(kind == Kind::Save ? QFileDialog::AcceptSave
                                                : QFileDialog::AcceptOpen);
        dialog.setFileMode(kind == Kind::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!m_title.isEmpty())
            dialog.setWindowTitle(m_title);
        const QStringList filters = nameFilters(m_filter);
        if (!filters.isEmpty())
            dialog.setNameFilters(filters);
        if (!directory.isEmpty())
            dialog.setDirectory(directory);
        if (!m_fileName.isEmpty())
            dialog.selectFile(QFileInfo(m_fileName).fileName());
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    m_fileName = chosen.value_or(QString());
    if (!m_fileName.isEmpty())
        m_lastDirectory = QFileInfo(m_fileName).absolutePath();
    return !m_fileName.isEmpty();
}

CommonDialog::ScopedHook::ScopedHook(Hook hook)
    : HookOverride<Hook>(installedHook(), std::move(hook)) {}

} // namespace kestrum
