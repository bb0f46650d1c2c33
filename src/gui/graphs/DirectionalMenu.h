#pragma once

class QMenu;

// The view items of the directional windows in their Curves menu: the
// plane, angle step and range of the off-axis curves, the plane of the polar
// map and whether it is relative to on axis, the sector step of the sound
// power. Each choice makes the window's curves again and solves.

namespace pelmo {

class TPlotForm;

// Adds the items of the form's kind, a separator after them (nothing for
// the other kinds).
void AddDirectionalViewMenu(TPlotForm& form, QMenu* curves);

}  // namespace pelmo
