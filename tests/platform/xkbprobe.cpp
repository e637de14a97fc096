// The test's own X connection for checking lock states (Xlib kept out of the QtTest file).
#include "xkbprobe.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace xkbprobe {

namespace {

// One connection for the whole test program, opened on first use and closed at exit.
class Connection {
public:
    Connection() {
        int opcode = 0, event = 0, error = 0;
        int major = XkbMajorVersion, minor = XkbMinorVersion;
        m_display = XkbOpenDisplay(nullptr, &event, &error, &major, &minor, &opcode);
    }
    ~Connection() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    Display *display() const { return m_display; }

private:
    Display *m_display = nullptr;
};

Display *display() {
    static Connection connection;
    return connection.display();
}

unsigned maskOf(Display *d, Lock lock) {
    return lock == Lock::Caps ? unsigned(LockMask) : XkbKeysymToModifiers(d, XK_Num_Lock);
}

} // namespace

bool available() {
    return display() != nullptr;
}

bool isLocked(Lock lock) {
    Display *d = display();
    if (!d)
        return false;
    XkbStateRec state{};
    if (XkbGetState(d, XkbUseCoreKbd, &state) != Success)
        return false;
    const unsigned mask = maskOf(d, lock);
    return mask != 0 && (state.locked_mods & mask) == mask;
}

bool setLocked(Lock lock, bool on) {
    Display *d = display();
    if (!d)
        return false;
    const unsigned mask = maskOf(d, lock);
    if (mask == 0 || !XkbLockModifiers(d, XkbUseCoreKbd, mask, on ? mask : 0))
        return false;
    XSync(d, False);
    return isLocked(lock) == on;
}

bool hasNumLockModifier() {
    Display *d = display();
    return d && XkbKeysymToModifiers(d, XK_Num_Lock) != 0;
}

} // namespace xkbprobe
