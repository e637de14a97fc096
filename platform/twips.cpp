#include "twips.h"

#include <QMdiSubWindow>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace kestrum::twips {

namespace {

constexpr char RectProperty[] = "kestrumTwipsRect";

// The widget whose geometry a window's position means: its sub-window when it has one.
QWidget *placed(QWidget *widget) {
    if (auto *sub = qobject_cast<QMdiSubWindow *>(widget->parentWidget());
        sub && sub->widget() == widget)
        return sub;
    return widget;
}

const QWidget *placed(const QWidget *widget) {
    return placed(const_cast<QWidget *>(widget));
}

} // namespace

int toPixels(float twips) {
    return int(std::lround(twips / PerPixel));
}

float fromPixels(int pixels) {
    return float(pixels) * PerPixel;
}

Rect rect(const QWidget *widget) {
    const QWidget *target = placed(widget);
    const QVariant stored = target->property(RectProperty);
    if (stored.canConvert<Rect>()) {
        const Rect r = stored.value<Rect>();
        // A stored value is valid only while the widget still has the pixels it gave; a
        // resize by the window system or the user makes the pixels the truth again.
        if (target->geometry() ==
            QRect(toPixels(r.left), toPixels(r.top), toPixels(r.width), toPixels(r.height)))
            return r;
    }
    const QRect g = target->geometry();
    return {fromPixels(g.x()), fromPixels(g.y()), fromPixels(g.width()), fromPixels(g.height())};
}

void setRect(QWidget *widget, const Rect &r) {
    QWidget *target = placed(widget);
    target->setGeometry(toPixels(r.left), toPixels(r.top), toPixels(r.width), toPixels(r.height));
    // A widget may refuse a size (a minimum, or less than nothing): where its pixels differ
    // from the ones asked for, the pixels are what it has.
    const QRect g = target->geometry();
    const auto keep = [](float asked, int got) {
        return toPixels(asked) == got ? asked : fromPixels(got);
    };
    const Rect kept{keep(r.left, g.x()), keep(r.top, g.y()), keep(r.width, g.width()),
                    keep(r.height, g.height())};
    target->setProperty(RectProperty, QVariant::fromValue(kept));
}

float left(const QWidget *widget) {
    return rect(widget).left;
}
float top(const QWidget *widget) {
    return rect(widget).top;
}
float width(const QWidget *widget) {
    return rect(widget).width;
}
float height(const QWidget *widget) {
    return rect(widget).height;
}

namespace {
void setPart(QWidget *widget, float Rect::*part, float value) {
    Rect r = rect(widget);
    r.*part = value;
    setRect(widget, r);
}
} // namespace

void setLeft(QWidget *widget, float value) {
    setPart(widget, &Rect::left, value);
}
void setTop(QWidget *widget, float value) {
    setPart(widget, &Rect::top, value);
}
void setWidth(QWidget *widget, float value) {
    setPart(widget, &Rect::width, value);
}
void setHeight(QWidget *widget, float value) {
    setPart(widget, &Rect::height, value);
}

float outerWidth(const QWidget *window) {
    return fromPixels(window->frameGeometry().width());
}

float outerHeight(const QWidget *window) {
    return fromPixels(window->frameGeometry().height());
}

} // namespace kestrum::twips
