#pragma once

#include <optional>
#include <string>
#include <vector>

// What the optimizer may change: free part values, a driver's level and
// delay, and the tunable variables of circuit blocks. Each variable has
// bounds and is searched on a log scale (part values, positive block
// variables) or a linear one (levels, delays, other block variables).

namespace pelmo {

struct TDesign;

enum class TVariableKind { PartValue, DriverLevel, DriverDelay, BlockVariable };

struct TOptimizeVariable {
    TVariableKind Kind = TVariableKind::PartValue;
    int Element = -1;  // index of the part, driver or block
    int Slot = -1;     // a block variable's slot
    // "C1", "S1:level", "S1:delay", "B1:F" (B and the block's number).
    std::string Name;
    // In the variable's unit: farads, henries, ohms; dB; seconds; the block
    // variable's own.
    double Lower = 0.0;
    double Upper = 0.0;
    bool Log = true;
};

// Default bounds around a value: one octave each way on a log scale; a
// level +/- 6 dB; a delay +/- 100 microseconds; a block variable that is not
// positive +/- max(1, |value|).
void SetDefaultBounds(TOptimizeVariable& v, double value);

// Every variable the design offers, in a fixed order (parts as in the
// design, then per driver its level and delay, then the blocks' tunable
// variables), each with default bounds around its value. Parts that are
// shorted, open, bound to a block or a catalogue part, or without a positive
// value are not offered; a block member changes through its block.
std::vector<TOptimizeVariable> OfferedVariables(const TDesign& d);

// The offered variable of this name (letter case ignored).
std::optional<TOptimizeVariable> FindOfferedVariable(const TDesign& d, const std::string& name);

// The variable's element still exists and has the kind the variable needs.
bool VariableValid(const TDesign& d, const TOptimizeVariable& v);
double VariableValue(const TDesign& d, const TOptimizeVariable& v);
// Writes the value into the design (a block is marked for evaluation).
void SetVariableValue(TDesign& d, const TOptimizeVariable& v, double value);

// The unit a variable is shown in ("uF", "mH", "ohm", "dB", "us", "" for a
// block variable) and the factor from its own unit to it.
struct TDisplayUnit {
    const char* Unit = "";
    double Scale = 1.0;
};
TDisplayUnit DisplayUnitOf(const TOptimizeVariable& v);

// The value in the variable's display unit with its unit: "4.7 uF",
// "0.35 mH", "5.6 ohm", "-1.5 dB", "25 us", "2500" (digits significant).
std::string FormatVariableValue(const TOptimizeVariable& v, double value, int digits = 4);

// The stored fields behind some variables, to put a design back exactly as
// it was (a level is stored as a factor and as the dB it was given in).
struct TVariableSnapshot {
    std::vector<TOptimizeVariable> Variables;
    std::vector<double> First;
    std::vector<double> Second;
};
TVariableSnapshot TakeSnapshot(const TDesign& d, const std::vector<TOptimizeVariable>& variables);
void RestoreSnapshot(TDesign& d, const TVariableSnapshot& s);

// Position in [0, 1] between the bounds on the variable's scale, and back.
double ToUnit(const TOptimizeVariable& v, double value);
double FromUnit(const TOptimizeVariable& v, double u);

// How far a value lies outside the bounds on the variable's scale, in
// octaves for log scales and in bound widths for linear ones; 0 inside.
double OutsideBounds(const TOptimizeVariable& v, double value);

}  // namespace pelmo
