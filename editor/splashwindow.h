// Form2: the splash window while the tables load, afterwards the About window.
#pragma once

#include <QDialog>
#include <QLine>
#include <QImage>

#include <vector>

class QLabel;
class QPlainTextEdit;

namespace kestrum {

class SplashWindowHost;

// A picture box: shows a picture on white and reports clicks.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);
    void setPicture(const QImage &picture);

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
};

class SplashWindow : public QDialog {
    Q_OBJECT

public:
    explicit SplashWindow(SplashWindowHost &host, QWidget *parent = nullptr);

    // The Load handler: fills the contact block and the version line, shows the window and,
    // during start-up, runs the start-up steps.
    void load();

    // Click on the window's surface: hides the About window (it stays loaded).
    void surfaceClick();
    // Click on the picture: closes and unloads the About window.
    void pictureClick();

    // The contact block and the version line as the window shows them.
    static QString contactBlock();
    static QString versionLine();

    PictureBox *Picture1;
    QLabel *Label1;
    QPlainTextEdit *Text1;
    QLabel *Label2;
    // The 25 lines, in twips.
    std::vector<QLine> lines;

public Q_SLOTS:
    void reject() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    SplashWindowHost &m_host;
};

} // namespace kestrum
