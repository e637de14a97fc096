// An independent look at the X server's lock state, over a connection of the test's own (not
// the application's), so the keyboard-state backend is checked against the server itself.
#pragma once

namespace xkbprobe {

enum class Lock { Caps, Num };

// True when a connection to $DISPLAY with XKB could be opened.
bool available();
// Whether the server has `lock` locked; false also when it cannot be asked.
bool isLocked(Lock lock);
// Locks or unlocks `lock` on the server; false when the keymap has no modifier for it or the
// server could not be reached.
bool setLocked(Lock lock, bool on);
// Whether the keymap binds Num Lock to a real modifier (the backend reports it only then).
bool hasNumLockModifier();

} // namespace xkbprobe
