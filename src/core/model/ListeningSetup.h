#pragma once

#include "model/DesignSettings.h"

// Where the design is listened to: a distance and a direction from the
// design's origin, and whether the drivers are heard from where they sit on
// the baffle. Kept in the design's settings:
//
//     listening.distance_m = 2
//     listening.h_deg = 30
//     listening.v_deg = -10
//     listening.use_driver_positions = T
//
// A design listened to as by default (1 m on axis, driver positions not
// used) keeps none of these lines, so it saves exactly as it did before.

namespace pelmo {

inline constexpr const char* ListeningDistanceKey = "listening.distance_m";
inline constexpr const char* ListeningHKey = "listening.h_deg";
inline constexpr const char* ListeningVKey = "listening.v_deg";
inline constexpr const char* ListeningUseDriverPositionsKey = "listening.use_driver_positions";

// The distances a listening point may lie at, in metres.
inline constexpr double MinListeningDistanceM = 0.1;
inline constexpr double MaxListeningDistanceM = 100.0;

struct TListeningSetup {
    double DistanceM = 1.0;
    double HDeg = 0.0;  // toward the listener's right
    double VDeg = 0.0;  // upward; beyond 90 over the top, behind
    bool UseDriverPositions = false;

    bool IsDefault() const { return *this == TListeningSetup{}; }
    friend bool operator==(const TListeningSetup&, const TListeningSetup&) = default;
};

// A distance the setup takes: finite and within the limits above.
bool IsListeningDistance(double metres);
// An angle brought into (-180, 180]; 0 for one that is not finite.
double WrapListeningAngle(double degrees);

// The setup a design's settings hold. Each value that is missing, cannot be
// read or lies outside its range is taken at its default (the distance
// outside 0.1 ... 100 m); the angles are wrapped into (-180, 180].
TListeningSetup ReadListeningSetup(const TDesignSettings& settings);

// Puts the setup into the settings, the four lines in the order above, or
// removes them when the setup is the default. The values are brought into
// their ranges as ReadListeningSetup would.
void WriteListeningSetup(const TListeningSetup& setup, TDesignSettings& settings);

}  // namespace pelmo
