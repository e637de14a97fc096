// The yardstick of the start-up benchmark: a bare Qt window with a menu bar and two text areas,
// about what Kestrum's main window holds, and nothing else.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTextEdit>
#include <QVBoxLayout>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    QMenu *file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&New"));
    file->addAction(QStringLiteral("&Save"));
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"), &app, &QApplication::quit);
    window.menuBar()->addMenu(QStringLiteral("&Edit"))->addAction(QStringLiteral("Copy"));
    auto *central = new QWidget(&window);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(new QTextEdit(central));
    layout->addWidget(new QTextEdit(central));
    window.setCentralWidget(central);
    window.resize(800, 600);
    window.show();
    return app.exec();
}
