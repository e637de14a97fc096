// The yardstick of the start-up benchmark: a bare Qt window with a menu bar and two text areas,
// about what Kestrum's main window holds, and nothing else. With --splash it first shows and
// paints a frameless dialog like Kestrum's splash window (a picture, two labels and a text box
// in the fonts Kestrum's splash window is designed with), as Kestrum does before its main window.
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVBoxLayout>

#include <cstring>

namespace {

void showSplash(QDialog &splash) {
    splash.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    splash.setFixedSize(461, 290);
    QImage image(205, 101, QImage::Format_RGB32);
    image.fill(Qt::blue);
    auto *picture = new QLabel(&splash);
    picture->setPixmap(QPixmap::fromImage(image));
    picture->setGeometry(248, 8, 205, 101);
    const auto font = [](const char *family, double points, bool bold) {
        QFont f(QString::fromLatin1(family));
        f.setPointSizeF(points);
        f.setBold(bold);
        return f;
    };
    auto *title = new QLabel(QStringLiteral("A converter of a special version"), &splash);
    title->setFont(font("MS Sans Serif", 8.25, true));
    title->setWordWrap(true);
    title->setGeometry(248, 116, 209, 33);
    auto *text = new QPlainTextEdit(QStringLiteral("Author:\nSomeone\nSomewhere\n\nmail"), &splash);
    text->setFont(font("MS Sans Serif", 8.25, false));
    text->setReadOnly(true);
    text->setGeometry(248, 150, 205, 105);
    auto *version = new QLabel(QStringLiteral("Version: 1.0"), &splash);
    version->setFont(font("Verdana", 9.75, true));
    version->setGeometry(248, 258, 209, 23);
    splash.show();
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QDialog splash;
    if (argc > 1 && std::strcmp(argv[1], "--splash") == 0)
        showSplash(splash);
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
    splash.hide();
    return app.exec();
}
