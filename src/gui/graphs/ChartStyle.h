#pragma once

#include <QFont>

#include "graphs/GraphKinds.h"

class QCPAxis;

// The look the charts share: Arial by pixel size, and an axis set up from
// its description (range, step, grid, log scale with dotted minor lines).

namespace pelmo {

QFont ArialPixels(int pixels, bool bold = false, bool italic = false);
void SetupAxis(QCPAxis* axis, const TAxisSetup& a);

}  // namespace pelmo
