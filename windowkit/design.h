// The windows' designs: a window or control at its design size and colour, and the design of a
// Glimmet button as the property bag it is created from.
#pragma once

#include "runtime/propertybag.h"
#include "runtime/variant.h"
#include "twips.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <optional>

class QWidget;

namespace kestrum {

// Paints `widget`'s background (its Window colour) in `colour`.
void fillBackground(QWidget *widget, const QColor &colour);
// Gives a window its design size (`design` in twips; its place is the frame's business).
void resizeToDesign(QWidget *window, const twips::Rect &design);

// How a Glimmet button looks, normal and under the pointer ("high").
struct GlimmetLook {
    QString caption;
    QString highCaption;
    runtime::OleColor backColor;
    // Left out: the control's default.
    std::optional<runtime::OleColor> foreColor;
    runtime::OleColor highBackColor;
    runtime::OleColor highForeColor;
    QFont font;
    QFont highFont;
};
// The property bag a button with `look` is created from.
runtime::PropertyBag glimmetDesign(const GlimmetLook &look);

} // namespace kestrum
