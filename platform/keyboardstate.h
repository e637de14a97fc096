// The keyboard-state table: 256 key-state bytes indexed by virtual-key code, read and written
// as a whole. A byte has the toggle state in its lowest bit (1 = on, for Caps Lock, Num Lock
// and Scroll Lock) and the pressed state in its highest bit (0x80).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace kestrum {

using KeyStateTable = std::array<std::uint8_t, 256>;

inline constexpr int VkCapital = 0x14; // Caps Lock
inline constexpr int VkNumLock = 0x90;
inline constexpr int VkScroll = 0x91;

class KeyboardState {
public:
    virtual ~KeyboardState() = default;
    // Fills `table` with the current state; false (table untouched) when it cannot be read.
    virtual bool read(KeyStateTable &table) = 0;
    // Makes the toggle keys' states those of `table` (the lowest bit of each toggle key's
    // byte); false when it cannot be written, the state then stays as it was.
    virtual bool write(const KeyStateTable &table) = 0;

    // The backend for this application: the X server's keyboard (XKB) when the application
    // runs on an X display, an in-memory table otherwise.
    static std::unique_ptr<KeyboardState> create();
};

// A table in memory, for platforms without a reachable keyboard state and for tests.
class MemoryKeyboardState : public KeyboardState {
public:
    bool read(KeyStateTable &table) override;
    bool write(const KeyStateTable &table) override;

    KeyStateTable table{};
    bool failing = false; // reads and writes fail while set
    int writes = 0;       // successful writes so far
};

// The X11 backend on the application's X display; null when the application has none (for
// example on the offscreen platform) or XKB is missing.
std::unique_ptr<KeyboardState> createX11KeyboardState();

} // namespace kestrum
