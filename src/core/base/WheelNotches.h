#pragma once

namespace pelmo {

// A mouse wheel reports eighths of a degree, 120 to the notch; high-resolution
// wheels report less at a time. Adds a turn to what was collected and takes
// out the whole notches in it (negative: towards the user); the rest waits
// for the next turn.
inline int TakeWheelNotches(int& collected, int delta) {
    collected += delta;
    const int notches = collected / 120;  // toward zero: the rest keeps its sign
    collected -= notches * 120;
    return notches;
}

}  // namespace pelmo
