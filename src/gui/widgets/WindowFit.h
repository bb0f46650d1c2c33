#pragma once

#include <QSize>

class QWidget;

// Window sizes that follow their texts. A window's layout sizes it by its
// widgets' minimum sizes, which count one line of each word-wrapped text; a
// window whose wrapped texts grow later, or that the user makes narrower,
// would squeeze its rows and cut them. And a dialog drawn at a fixed size
// must still grow where a larger font needs it.

namespace pelmo {

// From now on the window is kept at least as tall as its layout needs at
// the window's width, whenever the layout is redone or the window resized.
void KeepTallEnoughForTexts(QWidget& window);

// The window at `size`, or larger where its layout needs more; fixed (the
// user cannot resize it) or only its smallest size.
void SetSizeAtLeast(QWidget& window, QSize size, bool fixed);

}  // namespace pelmo
