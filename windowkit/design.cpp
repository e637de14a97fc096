#include "design.h"

#include "runtime/font.h"

#include <QPalette>
#include <QWidget>

namespace kestrum {

using namespace runtime;

void fillBackground(QWidget *widget, const QColor &colour) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

void resizeToDesign(QWidget *window, const twips::Rect &design) {
    window->resize(twips::toPixels(design.width), twips::toPixels(design.height));
}

PropertyBag glimmetDesign(const GlimmetLook &look) {
    PropertyBag bag;
    bag.writeProperty(QStringLiteral("Caption"), look.caption);
    bag.writeProperty(QStringLiteral("HighCaption"), look.highCaption);
    bag.writeProperty(QStringLiteral("BackColor"), look.backColor);
    if (look.foreColor)
        bag.writeProperty(QStringLiteral("ForeColor"), *look.foreColor);
    bag.writeProperty(QStringLiteral("HighBackColor"), look.highBackColor);
    bag.writeProperty(QStringLiteral("HighForeColor"), look.highForeColor);
    bag.writeProperty(QStringLiteral("Font"), makeRef<Font>(look.font));
    bag.writeProperty(QStringLiteral("HighFont"), makeRef<Font>(look.highFont));
    return bag;
}

} // namespace kestrum
