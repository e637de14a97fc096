// Keyboard and mouse input as controls and hosts receive it.
#include "input.h"

#include <utility>

namespace kestrum::runtime {

std::int16_t mouseButtonMask(Qt::MouseButtons buttons) {
    std::int16_t mask = 0;
    if (buttons & Qt::LeftButton)
        mask |= LeftButtonMask;
    if (buttons & Qt::RightButton)
        mask |= RightButtonMask;
    if (buttons & Qt::MiddleButton)
        mask |= MiddleButtonMask;
    return mask;
}

std::int16_t shiftStateMask(Qt::KeyboardModifiers modifiers) {
    std::int16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= ShiftMask;
    if (modifiers & Qt::ControlModifier)
        mask |= CtrlMask;
    if (modifiers & Qt::AltModifier)
        mask |= AltMask;
    return mask;
}

int virtualKey(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey; // the same codes as the virtual keys
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);

    // Keys whose Qt code depends on Shift (a US layout) map to the key that produces them.
    static constexpr std::pair<int, int> Table[] = {
        {Qt::Key_Space, 32},        {Qt::Key_Return, 13},       {Qt::Key_Enter, 13},
        {Qt::Key_Backspace, 8},     {Qt::Key_Tab, 9},           {Qt::Key_Backtab, 9},
        {Qt::Key_Escape, 27},       {Qt::Key_Delete, 46},       {Qt::Key_Insert, 45},
        {Qt::Key_PageUp, 33},       {Qt::Key_PageDown, 34},     {Qt::Key_End, 35},
        {Qt::Key_Home, 36},         {Qt::Key_Left, 37},         {Qt::Key_Up, 38},
        {Qt::Key_Right, 39},        {Qt::Key_Down, 40},         {Qt::Key_Shift, 16},
        {Qt::Key_Control, 17},      {Qt::Key_Alt, 18},          {Qt::Key_Pause, 19},
        {Qt::Key_CapsLock, 20},     {Qt::Key_Print, 44},        {Qt::Key_Clear, 12},
        {Qt::Key_Meta, 91},         {Qt::Key_Menu, 93},         {Qt::Key_NumLock, 144},
        {Qt::Key_ScrollLock, 145},  {Qt::Key_Exclam, '1'},      {Qt::Key_At, '2'},
        {Qt::Key_NumberSign, '3'},  {Qt::Key_Dollar, '4'},      {Qt::Key_Percent, '5'},
        {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},   {Qt::Key_Asterisk, '8'},
        {Qt::Key_ParenLeft, '9'},   {Qt::Key_ParenRight, '0'},  {Qt::Key_Semicolon, 186},
        {Qt::Key_Colon, 186},       {Qt::Key_Equal, 187},       {Qt::Key_Plus, 187},
        {Qt::Key_Comma, 188},       {Qt::Key_Less, 188},        {Qt::Key_Minus, 189},
        {Qt::Key_Underscore, 189},  {Qt::Key_Period, 190},      {Qt::Key_Greater, 190},
        {Qt::Key_Slash, 191},       {Qt::Key_Question, 191},    {Qt::Key_QuoteLeft, 192},
        {Qt::Key_AsciiTilde, 192},  {Qt::Key_BracketLeft, 219}, {Qt::Key_BraceLeft, 219},
        {Qt::Key_Backslash, 220},   {Qt::Key_Bar, 220},         {Qt::Key_BracketRight, 221},
        {Qt::Key_BraceRight, 221},  {Qt::Key_Apostrophe, 222},  {Qt::Key_QuoteDbl, 222},
    };
    for (const auto &[key, code] : Table) {
        if (key == qtKey)
            return code;
    }
    return 0;
}

} // namespace kestrum::runtime
