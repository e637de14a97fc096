// The close request of a window manager, sent over a connection of the test's own.
#include "xclient.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace xclient {

namespace {

bool failed = false;

int recordError(Display *, XErrorEvent *) {
    failed = true;
    return 0;
}

} // namespace

bool sendCloseRequest(unsigned long window) {
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    // A window that is gone gives BadWindow: reported as a failure, not by Xlib's default
    // handler, which would end the test program.
    failed = false;
    const auto previous = XSetErrorHandler(recordError);
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return sent != 0 && !failed;
}

bool isDialog(unsigned long window) {
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    failed = false;
    const auto previous = XSetErrorHandler(recordError);
    const Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    bool result = false;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), 0,
                           16, False, XA_ATOM, &type, &format, &count, &after, &data) == Success &&
        data) {
        const auto *atoms = reinterpret_cast<const Atom *>(data);
        for (unsigned long i = 0; i < count; ++i)
            result = result || atoms[i] == dialog;
        XFree(data);
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return result && !failed;
}

} // namespace xclient
