// The in-memory keyboard-state table and the choice of backend.
#include "keyboardstate.h"

namespace kestrum {

bool MemoryKeyboardState::read(KeyStateTable &out) {
    if (failing)
        return false;
    out = table;
    return true;
}

bool MemoryKeyboardState::write(const KeyStateTable &in) {
    if (failing)
        return false;
    table = in;
    ++writes;
    return true;
}

std::unique_ptr<KeyboardState> KeyboardState::create() {
    if (auto x11 = createX11KeyboardState())
        return x11;
    return std::make_unique<MemoryKeyboardState>();
}

} // namespace kestrum
