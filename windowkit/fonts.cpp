#include "fonts.h"

#include "datafolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

#include <fontconfig/fontconfig.h>

#include <filesystem>
#include <utility>

namespace kestrum {

FontConfigurationWarmUp::FontConfigurationWarmUp() : m_thread([] { FcInit(); }) {}

void FontConfigurationWarmUp::wait() {
    if (m_thread.joinable())
        m_thread.join();
}

QString bundledFontDir() {
    const std::filesystem::path dir =
        fontsDir(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    return QFile::decodeName(QByteArray::fromStdString(dir.string()));
}

QStringList registerBundledFonts(const QString &dir) {
    QStringList families;
    const QDir folder(dir);
    // Listed without a name filter: Qt matches those with a regular expression, whose engine
    // would cost the start its set-up and half a megabyte.
    QStringList names = folder.entryList(QDir::Files);
    names.removeIf([](const QString &name) {
        return !name.endsWith(QLatin1String(".ttf"), Qt::CaseInsensitive);
    });
    for (const QString &name : std::as_const(names)) {
        const QString file = folder.filePath(name);
        const int id = QFontDatabase::addApplicationFont(file);
        if (id < 0) {
            qWarning("Cannot load the font %s", qPrintable(QDir::toNativeSeparators(file)));
            continue;
        }
        families += QFontDatabase::applicationFontFamilies(id);
    }
    return families;
}

void installFontSubstitutes() {
    const struct {
        QString family;
        QStringList substitutes;
    } table[] = {
        {QStringLiteral("Garamond"),
         {QStringLiteral("EB Garamond"), QStringLiteral("URW Bookman"),
          QStringLiteral("Liberation Serif")}},
        {QStringLiteral("Verdana"), {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans")}},
        {QStringLiteral("MS Sans Serif"),
         {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
        {QStringLiteral("Times New Roman"), {QStringLiteral("Liberation Serif")}},
        {QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")}},
        {SutonnyMJ, {KestrumBangla}},
    };
    const QStringList installed = QFontDatabase::families();
    for (const auto &entry : table) {
        const QString &family = entry.family;
        if (installed.contains(family, Qt::CaseInsensitive))
            continue;
        QFont::insertSubstitutions(family, entry.substitutes);
    }
}

bool bothGlyphFontsInstalled() {
    return QFontDatabase::hasFamily(SutonnyMJ) && QFontDatabase::hasFamily(KestrumBangla);
}

QFont designFont(const QString &family, double points, bool bold) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace kestrum
