// The keyboard-state table over the X server's keyboard (XKB). The only file that includes Xlib:
// its macros (Bool, None, Status, KeyPress) clash with Qt, so Qt's headers come first and no Qt
// header may follow the X ones.
#include "keyboardstate.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace kestrum {

namespace {

// The X display of the running application, or null (no application, not on xcb). Asked for at
// every call rather than kept, so a backend that outlives the application fails instead of
// touching a closed display.
Display *applicationDisplay() {
    if (!qGuiApp)
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

// The keys whose pressed bit (0x80) the table reports, by virtual-key code. A code listed twice
// (Shift, Ctrl, Alt) is pressed when either of its keys is.
struct PressedKey {
    int vk;
    KeySym keysym;
};
constexpr PressedKey pressedKeys[] = {
    {0x10, XK_Shift_L},        {0x10, XK_Shift_R},       {0x11, XK_Control_L},
    {0x11, XK_Control_R},      {0x12, XK_Alt_L},         {0x12, XK_Alt_R},
    {VkCapital, XK_Caps_Lock}, {VkNumLock, XK_Num_Lock}, {VkScroll, XK_Scroll_Lock},
    {0xA0, XK_Shift_L},        {0xA1, XK_Shift_R},       {0xA2, XK_Control_L},
    {0xA3, XK_Control_R},      {0xA4, XK_Alt_L},         {0xA5, XK_Alt_R},
};

// The real modifier masks behind the three lock keys. Caps Lock is always the core Lock
// modifier; Num Lock and Scroll Lock are whatever real modifier the keymap binds their keysym
// to, 0 when it binds none (their toggle is then neither reported nor written).
struct LockMasks {
    unsigned caps = LockMask;
    unsigned num = 0;
    unsigned scroll = 0;
};

LockMasks lockMasks(Display *display) {
    LockMasks masks;
    masks.num = XkbKeysymToModifiers(display, XK_Num_Lock) & ~unsigned(LockMask);
    masks.scroll = XkbKeysymToModifiers(display, XK_Scroll_Lock) & ~unsigned(LockMask);
    if (masks.scroll == masks.num) // a keymap binding both to one modifier: Num Lock wins
        masks.scroll = 0;
    return masks;
}

bool lockedModifiers(Display *display, unsigned &locked) {
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return false;
    locked = state.locked_mods;
    return true;
}

class X11KeyboardState : public KeyboardState {
public:
    bool read(KeyStateTable &table) override {
        Display *display = applicationDisplay();
        if (!display)
            return false;
        unsigned locked = 0;
        if (!lockedModifiers(display, locked))
            return false;
        char keys[32] = {};
        XQueryKeymap(display, keys);

        KeyStateTable result{};
        for (const PressedKey &key : pressedKeys) {
            const KeyCode code = XKeysymToKeycode(display, key.keysym);
            if (code != 0 && (keys[code / 8] & (1 << (code % 8))))
                result[key.vk] |= 0x80;
        }
        const LockMasks masks = lockMasks(display);
        if (locked & masks.caps)
            result[VkCapital] |= 1;
        if (masks.num && (locked & masks.num))
            result[VkNumLock] |= 1;
        if (masks.scroll && (locked & masks.scroll))
            result[VkScroll] |= 1;
        table = result;
        return true;
    }

    bool write(const KeyStateTable &table) override {
        Display *display = applicationDisplay();
        if (!display)
            return false;
        const LockMasks masks = lockMasks(display);
        unsigned affect = masks.caps;
        unsigned values = (table[VkCapital] & 1) ? masks.caps : 0;
        if (masks.num) {
            affect |= masks.num;
            values |= (table[VkNumLock] & 1) ? masks.num : 0;
        }
        if (masks.scroll) {
            affect |= masks.scroll;
            values |= (table[VkScroll] & 1) ? masks.scroll : 0;
        }
        if (!XkbLockModifiers(display, XkbUseCoreKbd, affect, values))
            return false;
        XSync(display, False);
        // The request has no reply of its own: read the state back to know it took effect.
        unsigned locked = 0;
        return lockedModifiers(display, locked) && (locked & affect) == values;
    }
};

} // namespace

std::unique_ptr<KeyboardState> createX11KeyboardState() {
    Display *display = applicationDisplay();
    if (!display)
        return nullptr;
    int opcode = 0, event = 0, error = 0;
    int major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor))
        return nullptr;
    return std::make_unique<X11KeyboardState>();
}

} // namespace kestrum
