// A host of its own: registers the installed Glimmet3, creates a Glimmet by its programmatic
// identifier through the control runtime, and prints its Caption, read by name, before and after
// writing it by dispatch identifier. Exit status 0 when every step worked.
#include "glimmetlib.h"
#include "runtime/loader.h"

#include <QApplication>
#include <QTextStream>

using namespace kestrum::runtime;

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString library =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(GLIMMET3_LIBRARY);
    ComponentLoader loader;
    if (failed(loader.registerLibrary(library))) {
        err << "cannot register " << library << ": " << loader.lastError() << "\n";
        return 1;
    }
    HostSite site(QStringLiteral("Glimmet1"));
    Ref<Control> control;
    if (failed(loader.createControl(QString::fromLatin1(Glimmet3::progId), &site, &control))) {
        err << "cannot create " << Glimmet3::progId << ": " << loader.lastError() << "\n";
        return 1;
    }
    const auto captionByName = [&](QString *caption) {
        DispId id = DispIdUnknown;
        Variant value;
        return !failed(control->getIdOfName(QStringLiteral("Caption"), &id)) &&
               !failed(control->getProperty(id, &value)) && !failed(value.toString(caption));
    };
    QString caption;
    if (!captionByName(&caption)) {
        err << "cannot read the Caption\n";
        return 1;
    }
    out << "Caption: " << caption << "\n";
    if (failed(control->putProperty(Glimmet3::DispIds::Caption,
                                    Variant(QStringLiteral("Written by the host")))) ||
        !captionByName(&caption)) {
        err << "cannot write the Caption\n";
        return 1;
    }
    out << "Caption: " << caption << "\n";
    return 0;
}
