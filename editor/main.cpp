// Kestrum: romanised Bengali in, SutonnyMJ Bengali out.
#include "fonts.h"
#include "program.h"
#include "terminationsignals.h"
#include "version.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[]) {
    int status = 0;
    int endingSignal = 0;
    {
        kestrum::FontConfigurationWarmUp fontConfiguration;
        QApplication app(argc, argv);
        fontConfiguration.wait();
        QApplication::setApplicationName(QStringLiteral("Kestrum"));
        QApplication::setApplicationVersion(QStringLiteral(KESTRUM_VERSION_STRING));
        // Lets the desktop match the windows to the installed entry and its icon.
        QGuiApplication::setDesktopFileName(QStringLiteral(KESTRUM_APP_ID));
        QApplication::setQuitOnLastWindowClosed(false);
        kestrum::registerBundledFonts(kestrum::bundledFontDir());
        kestrum::installFontSubstitutes();
        kestrum::Program program;
        // A logout, Ctrl+C in the terminal, the terminal closed: put Caps Lock back and end the
        // way Exit does, from the event loop.
        kestrum::TerminationSignals termination({SIGTERM, SIGINT, SIGHUP});
        QObject::connect(&termination, &kestrum::TerminationSignals::received, &program,
                         &kestrum::Program::endBySignal);
        // A signal during start-up has ended the program already: no event loop to run.
        status = program.start() ? app.exec() : program.exitCode();
        endingSignal = program.endingSignal();
    }
    // Whoever sent the signal learns that it ended the program.
    if (endingSignal != 0) {
        std::signal(endingSignal, SIG_DFL);
        std::raise(endingSignal);
    }
    return status;
}
