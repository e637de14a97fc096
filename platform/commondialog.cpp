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

bool CommonDialog::show(Kind kind) {
    std::optional<QString> chosen;
    if (const Hook &hook = installedHook()) {
        chosen = hook(Request{m_parent, kind, m_filter, m_fileName});
    } else {
        QFileDialog dialog(m_parent);
        dialog.setAcceptMode(kind == Kind::Save ? QFileDialog::AcceptSave
                                                : QFileDialog::AcceptOpen);
        dialog.setFileMode(kind == Kind::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        const QStringList filters = nameFilters(m_filter);
        if (!filters.isEmpty())
            dialog.setNameFilters(filters);
        if (!m_fileName.isEmpty()) {
            const QFileInfo preset(m_fileName);
            if (preset.dir().exists())
                dialog.setDirectory(preset.absolutePath());
            dialog.selectFile(preset.fileName());
        }
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    m_fileName = chosen.value_or(QString());
    return !m_fileName.isEmpty();
}

CommonDialog::ScopedHook::ScopedHook(Hook hook)
    : HookOverride<Hook>(installedHook(), std::move(hook)) {}

} // namespace kestrum
