#include "fonts.h"

#include "datafolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

#include <filesystem>

namespace kestrum {

QString bundledFontDir() {
    const std::filesystem::path dir =
        fontsDir(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    return QFile::decodeName(QByteArray::fromStdString(dir.string()));
}

QStringList registerBundledFonts(const QString &dir) {
    QStringList families;
    const QDir folder(dir);
    for (const QString &name : folder.entryList({QStringLiteral("*.ttf")}, QDir::Files)) {
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
