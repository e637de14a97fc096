// A program with one text field, for the input method's end-to-end test: it writes the field's
// text to FILE (UTF-8) whenever it changes, and the preedit to FILE.preedit.
// Usage: ime_probe FILE
#include <QApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>

namespace {

void save(const QString &path, const QString &text) {
    QFile file(path + ".part");
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
        file.close();
        QFile::remove(path);
        file.rename(path);
    }
}

class Field : public QLineEdit {
public:
    explicit Field(QString path) : m_path(std::move(path)) {
        connect(this, &QLineEdit::textChanged, this,
                [this](const QString &text) { save(m_path, text); });
    }

protected:
    void inputMethodEvent(QInputMethodEvent *event) override {
        save(m_path + ".preedit", event->preeditString());
        QLineEdit::inputMethodEvent(event);
    }

private:
    QString m_path;
};

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    Field field(QString::fromLocal8Bit(argv[1]));
    field.setWindowTitle("kestrum-ime-probe");
    field.resize(600, 40);
    field.show();
    field.activateWindow();
    field.setFocus();
    return app.exec();
}
