// A drawn shape without behaviour of its own: the outline of a (rounded) rectangle.
#pragma once

#include <QColor>
#include <QWidget>

namespace kestrum {

// An outline drawn inside the widget's rectangle (transparent inside).
class Shape : public QWidget {
    Q_OBJECT

public:
    enum class Kind { Rectangle, RoundedRectangle };

    explicit Shape(Kind kind = Kind::Rectangle, QWidget *parent = nullptr);

    Kind kind() const { return m_kind; }
    QColor borderColor() const { return m_border; }
    void setBorderColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Kind m_kind;
    QColor m_border = Qt::black;
};

} // namespace kestrum
