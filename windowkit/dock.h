// Where the substitution table window stands beside the editor window. The main frame holds
// the one value; the table window moves it along as it slides.
#pragma once

namespace kestrum {

enum class Dock {
    Closed,     // no table window shown; the editor has the frame's whole width
    SlidingIn,  // shown and moving in from the frame's right edge; the editor not narrowed yet
    Docked,     // at the frame's right edge; the editor narrowed by its width
    SlidingOut, // moving out to the right; the editor has its width back
};

// The window is shown (tableWindowShown): from the start of its slide in to the end of its
// slide out.
constexpr bool isShown(Dock dock) {
    return dock != Dock::Closed;
}
constexpr bool isSliding(Dock dock) {
    return dock == Dock::SlidingIn || dock == Dock::SlidingOut;
}

} // namespace kestrum
