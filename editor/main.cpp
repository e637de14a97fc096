// Kestrum: romanised Bengali in, SutonnyMJ Bengali out.
#include "fonts.h"
#include "program.h"
#include "version.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrum"));
    QApplication::setApplicationVersion(QStringLiteral(KESTRUM_VERSION_STRING));
    QApplication::setQuitOnLastWindowClosed(false);
    kestrum::installFontSubstitutes();
    kestrum::Program program;
    if (!program.start())
        return program.exitCode();
    return app.exec();
}
