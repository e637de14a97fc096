// What the end-to-end tests ask of the X server directly (Xlib kept out of the QtTest file).
#pragma once

namespace xclient {

// Sends `window` the close request a window manager sends when the user closes a window
// (a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW). False when it could not be sent.
bool sendCloseRequest(unsigned long window);

// Whether `window` declares itself a dialog (_NET_WM_WINDOW_TYPE_DIALOG), as message boxes and
// the splash window do; a main window declares itself normal.
bool isDialog(unsigned long window);

} // namespace xclient
