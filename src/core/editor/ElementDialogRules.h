#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/Units.h"
#include "model/Elements.h"

// What the driver, source and text dialogs show of an element and what a
// user change writes, without any window: delays shown as a distance, the
// designator colour code, the source's level as power into a load, and the
// impedance file that accompanies a response file.

namespace pelmo {

// Delays are shown as the distance sound travels in that time (344 m/s, in
// inches: one inch is 73.84 us), DelayInInches and DelayInSeconds, or in the
// unit the user chose (DelayInUnit).

// A delay figure typed in a unit: false when it is the figure shown for the
// delay already (showing and reading back need not give the same double),
// else the delay in seconds is written.
bool ApplyDelay(double& seconds, double value, TDelayUnit unit);
// The unit's name in the unit choice ("µs", "mm", "in"; UTF-8).
const char* DelayUnitName(TDelayUnit unit);
// The field's limits in a unit: +-39 inches of sound travel.
double DelayLimitInUnit(TDelayUnit unit);

// The colour of a driver's designator number in the resistor colour code
// (the last digit; a negative remainder gives white).
struct TColourCode {
    std::uint8_t R = 0, G = 0, B = 0;
    friend bool operator==(const TColourCode&, const TColourCode&) = default;
};
TColourCode DesignatorColour(int refDes);

// A driver's level: the dB figure the level field shows, and the change a
// typed dB figure writes (the figure is kept as given, so that the design
// file shows it back exactly). False when nothing changed.
double DriverLevelDb(const TDriver& drv);
bool ApplyDriverLevelDb(TDriver& drv, double db);
bool ApplyDriverDelayInches(TDriver& drv, double inches);

// The source as its dialog shows it: power into a load. A source read with a
// negative power (only its voltage known) shows 8 ohms and the power the
// voltage drives into them.
struct TSourceLevel {
    double Watts = 1;
    double Ohms = 8;
};
TSourceLevel SourceLevelOf(const TSource& src);
// The open-circuit voltage of a level: sqrt(watts x ohms).
double SourceVrms(const TSourceLevel& level);
// A level change from the dialog: voltage, power and (whole) ohms written.
// False when the source already had them.
bool ApplySourceLevel(TSource& src, const TSourceLevel& level);
// "Std": 1 W into 8 ohms.
inline constexpr TSourceLevel StandardSourceLevel{1, 8};

// The impedance file that accompanies a chosen response file: the same name
// up to its ".frd" (in any letter case) with ".zma" (any letter case), in the
// same folder. Only the file's own name is looked at, never its folder. The
// full path of the existing file, or "" when there is none.
std::string CompanionImpedanceFile(const std::string& responsePath);

// A file-chooser pattern that matches the extension in any letter case
// ("frd" gives "*.[fF][rR][dD]"): Linux file names keep their case, so
// WOOFER.FRD is as much a response file as woofer.frd.
std::string AnyCasePattern(const std::string& extension);

// Where an element dialog shows, in screen pixels. It stays where it is (the
// user may have put it there) while it lies on the screen and clear of the
// element being tuned. Otherwise, or when it has no place yet, it goes beside
// the main window (right of it, below, left, above), else into the main
// window's corner farthest from the element, else into a corner of the
// screen; always on the screen.
struct TScreenRect {
    int X = 0, Y = 0, W = 0, H = 0;
    int Right() const { return X + W; }   // one past the last column
    int Bottom() const { return Y + H; }  // one past the last row
};
bool Overlap(const TScreenRect& a, const TScreenRect& b);
TScreenRect PlaceElementDialog(const std::optional<TScreenRect>& current, int width, int height,
                               const TScreenRect& mainWindow, const TScreenRect& element, const TScreenRect& screen);

}  // namespace pelmo
