#include "fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace kestrum {

void installFontSubstitutes() {
    const struct {
        const char *family;
        QStringList substitutes;
    } table[] = {
        {"Garamond",
         {QStringLiteral("EB Garamond"), QStringLiteral("URW Bookman"),
          QStringLiteral("Liberation Serif")}},
        {"Verdana", {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans")}},
        {"MS Sans Serif", {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
        {"Times New Roman", {QStringLiteral("Liberation Serif")}},
        {"Arial", {QStringLiteral("Liberation Sans")}},
    };
    const QStringList installed = QFontDatabase::families();
    for (const auto &entry : table) {
        const QString family = QString::fromLatin1(entry.family);
        if (installed.contains(family, Qt::CaseInsensitive))
            continue;
        QFont::insertSubstitutions(family, entry.substitutes);
    }
}

QFont designFont(const QString &family, double points, bool bold) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace kestrum
