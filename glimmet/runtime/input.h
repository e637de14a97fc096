// Keyboard and mouse input as controls and hosts receive it: the button and shift masks of
// mouse and key events and the virtual-key code of a key, one mapping for every widget.
#pragma once

#include <Qt>

#include <cstdint>

namespace kestrum::runtime {

// The buttons of a mouse event, combined: left 1, right 2, middle 4.
enum MouseButtonMask : std::int16_t {
    LeftButtonMask = 1,
    RightButtonMask = 2,
    MiddleButtonMask = 4
};
// The shift state of a mouse or key event, combined: Shift 1, Ctrl 2, Alt 4.
enum ShiftStateMask : std::int16_t { ShiftMask = 1, CtrlMask = 2, AltMask = 4 };

std::int16_t mouseButtonMask(Qt::MouseButtons buttons);
std::int16_t shiftStateMask(Qt::KeyboardModifiers modifiers);

// The virtual-key code of a Qt key: A-Z 65-90 and 0-9 48-57 (their upper-case character
// codes), F1-F24 112-135, Space 32, Enter 13, End 35, Home 36, Left 37, Up 38, Right 39,
// Down 40, Backspace 8, Tab 9, Delete 46 ...; a character that Shift gives on a US layout has
// the code of its key ("!" is the 1 key, 49; ":" the ";" key, 186). 0 for a key without one.
int virtualKey(int qtKey);

} // namespace kestrum::runtime
