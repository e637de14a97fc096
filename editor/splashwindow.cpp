#include "splashwindow.h"

#include "artwork.h"
#include "design.h"
#include "fonts.h"
#include "splashwindowhost.h"
#include "twips.h"
#include "version.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextDocument>

namespace kestrum {

namespace {

// The window's design size and its controls' design rectangles, in twips.
struct Design {
    twips::Rect window, picture1, label1, text1, label2;
};
constexpr Design Designed{{0, 0, 6915, 4350},
                          {3720, 120, 3075, 1515},
                          {3720, 1740, 3135, 495},
                          {3720, 2250, 3075, 1575},
                          {3720, 3870, 3135, 345}};

// A frame along the window's edges, and string-art curves in the left part: two families of
// straight lines whose envelopes are parabolas.
std::vector<QLine> designLines() {
    std::vector<QLine> lines = {
        {0, 0, 6900, 0}, {6900, 0, 6900, 4320}, {6900, 4320, 0, 4320}, {0, 4320, 0, 0}};
    for (int i = 0; i <= 10; ++i)
        lines.emplace_back(360, 360 + i * 360, 360 + i * 300, 3960);
    for (int i = 1; i <= 10; ++i)
        lines.emplace_back(360 + i * 300, 360, 3360, 360 + i * 360);
    return lines;
}

void colour(QWidget *widget, const QColor &text, const QColor &background) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::Base, background);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

PictureBox::PictureBox(QWidget *parent) : QWidget(parent) {
    fillBackground(this, Qt::white);
}

void PictureBox::setPicture(const QImage &picture) {
    m_picture = picture;
    update();
}

void PictureBox::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

SplashWindow::SplashWindow(SplashWindowHost &host, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_host(host) {
    setObjectName(QStringLiteral("Form2"));
    // Modal in both roles, also when shown before the modal loop starts.
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QStringLiteral("Kestrum"));
    fillBackground(this, palette().color(QPalette::Base));
    setFixedSize(twips::toPixels(Designed.window.width), twips::toPixels(Designed.window.height));

    Picture1 = new PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    twips::setRect(Picture1, Designed.picture1);
    Picture1->setPicture(productPicture(Picture1->size(), devicePixelRatioF()));
    connect(Picture1, &PictureBox::clicked, this, &SplashWindow::pictureClick);

    Label1 = new QLabel(
        QStringLiteral("Pronounciation based English to Bengali Converter.(Special Version)"),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25, true));
    colour(Label1, Qt::white, Qt::black);
    twips::setRect(Label1, Designed.label1);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));
    Text1->setFrameShape(QFrame::Box);
    Text1->setLineWidth(1);
    Text1->document()->setDocumentMargin(1);
    colour(Text1, Qt::black, Qt::white);
    twips::setRect(Text1, Designed.text1);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(designFont(QStringLiteral("Verdana"), 9.75, true));
    colour(Label2, QColor(224, 224, 224), Qt::black);
    twips::setRect(Label2, Designed.label2);

    lines = designLines();
}

QString SplashWindow::contactBlock() {
    return QStringLiteral("Author:\r\n"
                          "The Kestrum developers\r\n"
                          "14 Ramna Park Road\r\n"
                          "Dhaka 1000\r\n"
                          "\r\n"
                          "kestrum@example.org\r\n"
                          "+880 2 5555 0140\r\n"
                          "https://kestrum.example.org");
}

QString SplashWindow::versionLine() {
    return QStringLiteral("Version: %1.%2").arg(KESTRUM_VERSION_MAJOR).arg(KESTRUM_VERSION_MINOR);
}

void SplashWindow::load() {
    Text1->setPlainText(contactBlock());
    Label2->setText(versionLine());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    if (!m_host.mainWindowShown())
        m_host.startUp();
}

void SplashWindow::surfaceClick() {
    if (m_host.mainWindowShown())
        hide();
}

void SplashWindow::pictureClick() {
    if (!m_host.mainWindowShown())
        return;
    hide();
    deleteLater();
}

void SplashWindow::reject() {
    // Escape closes the About window; the splash window stays until the tables are loaded.
    if (m_host.mainWindowShown())
        surfaceClick();
}

void SplashWindow::paintEvent(QPaintEvent *event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QPen(QColor(0, 0, 128), 1));
    for (const QLine &line : lines)
        painter.drawLine(twips::toPixels(line.x1()), twips::toPixels(line.y1()),
                         twips::toPixels(line.x2()), twips::toPixels(line.y2()));
}

void SplashWindow::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && !childAt(event->position().toPoint()))
        surfaceClick();
    QDialog::mouseReleaseEvent(event);
}

} // namespace kestrum
