// Window geometry in twips (1440 per inch, 15 per pixel at 96 dpi), kept in single precision.
//
// Layout code works in twips and stores the exact values it computed; Qt only sees the
// rounded pixels. Reading a position back gives the stored twips value, not one recomputed
// from pixels, so arithmetic on geometry (a width shrunk by w and widened by w again) comes
// back exactly. A widget placed in a QMdiSubWindow is positioned through that sub-window.
#pragma once

#include "runtime/units.h"

#include <QMetaType>

class QWidget;

namespace kestrum::twips {

inline constexpr float PerPixel = runtime::units::TwipsPerPixel;

struct Rect {
    float left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const Rect &, const Rect &) = default;
};

int toPixels(float twips);
float fromPixels(int pixels);

// The stored geometry, or (for a widget never placed through these functions) its pixel
// geometry in twips. For a widget inside a QMdiSubWindow, the sub-window's geometry.
Rect rect(const QWidget *widget);
// Stores `r` and moves and resizes the widget (or its sub-window) to the rounded pixels.
void setRect(QWidget *widget, const Rect &r);

float left(const QWidget *widget);
float top(const QWidget *widget);
float width(const QWidget *widget);
float height(const QWidget *widget);
void setLeft(QWidget *widget, float value);
void setTop(QWidget *widget, float value);
void setWidth(QWidget *widget, float value);
void setHeight(QWidget *widget, float value);

// The outer (frame) size of a top-level window in twips, as the window system reports it.
float outerWidth(const QWidget *window);
float outerHeight(const QWidget *window);

} // namespace kestrum::twips

Q_DECLARE_METATYPE(kestrum::twips::Rect)
