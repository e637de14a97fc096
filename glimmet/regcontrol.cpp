// regcontrol: registers (or with -u unregisters) a control library by calling its exports.
#include "runtime/library.h"
#include "runtime/loader.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

using namespace kestrum::runtime;

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool unregister = args.removeAll(QStringLiteral("-u")) > 0;
    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: regcontrol [-u] LIBRARY\n");
        return 2;
    }
    const QString path = QFileInfo(args[0]).absoluteFilePath();
    Library library(path);
    if (!library.load()) {
        std::fprintf(stderr, "regcontrol: %s\n", qPrintable(library.errorString()));
        return 1;
    }
    const char *entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const auto function = library.resolve<DllRegisterServerFn>(entry);
    if (!function) {
        std::fprintf(stderr, "regcontrol: %s is not a self-registering library: %s\n",
                     qPrintable(path), qPrintable(library.errorString()));
        return 1;
    }
    const Status s = function();
    if (failed(s)) {
        std::fprintf(stderr, "regcontrol: %s in %s failed: %s\n", entry, qPrintable(path),
                     qPrintable(registrationFailure(s)));
        return 1;
    }
    std::printf("%s in %s succeeded (registry %s)\n", entry, qPrintable(path),
                qPrintable(ComponentRegistry::defaultPath()));
    return 0;
}
