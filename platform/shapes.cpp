#include "shapes.h"

#include <QPainter>

namespace kestrum {

Shape::Shape(Kind kind, QWidget *parent) : QWidget(parent), m_kind(kind) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::setBorderColor(const QColor &color) {
    m_border = color;
    update();
}

void Shape::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, m_kind == Kind::RoundedRectangle);
    painter.setPen(QPen(m_border, 1));
    painter.setBrush(Qt::NoBrush);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_kind == Kind::RoundedRectangle) {
        // Corners of a sixth of the shorter side, as a rounded-rectangle shape draws them.
        const qreal radius = std::min(r.width(), r.height()) / 6.0;
        painter.drawRoundedRect(r, radius, radius);
    } else {
        painter.drawRect(r);
    }
}

} // namespace kestrum
