#pragma once

#include <string>

// Readers of option values that several commands share.

namespace pelmo::cli {

// A listening direction "H30", "V-20" or "H30V-10" (either order, any case,
// decimals with "." or ","), in degrees; false for anything else.
bool ParseDirection(const std::string& text, double& hDeg, double& vDeg);

}  // namespace pelmo::cli
