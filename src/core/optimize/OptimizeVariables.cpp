#include "optimize/OptimizeVariables.h"

#include <algorithm>
#include <cmath>

#include "base/Conversions.h"
#include "base/Text.h"
#include "blocks/CircuitBlocks.h"
#include "model/Design.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

constexpr double DefaultLevelRange = 6.0;     // dB
constexpr double DefaultDelayRange = 100e-6;  // seconds

bool ValidIndex(int i, std::size_t n) { return i >= 0 && static_cast<std::size_t>(i) < n; }

bool PartOffered(const TPart& p) {
    return p.State == TPartState::Normal && !IsBound(p) && p.Value > 0 && std::isfinite(p.Value);
}

double DriverLevelDb(const TDriver& drv) {
    if (DbToLin(drv.GainDbAsGiven) == drv.Gain) return drv.GainDbAsGiven;
    return LinToDb(std::fabs(drv.Gain));
}

bool SlotOffered(const TCircuitBlock& b, int slot) {
    const auto tuned = TunedBlockSlots(b);
    return std::find(tuned.begin(), tuned.end(), slot) != tuned.end() && !b.VarName[slot].empty();
}

std::string BlockPrefix(int block) { return "B" + std::to_string(block + 1) + ":"; }

}  // namespace

void SetDefaultBounds(TOptimizeVariable& v, double value) {
    switch (v.Kind) {
        case TVariableKind::PartValue:
            v.Log = true;
            v.Lower = value / 2;
            v.Upper = value * 2;
            break;
        case TVariableKind::DriverLevel:
            v.Log = false;
            v.Lower = value - DefaultLevelRange;
            v.Upper = value + DefaultLevelRange;
            break;
        case TVariableKind::DriverDelay:
            v.Log = false;
            v.Lower = value - DefaultDelayRange;
            v.Upper = value + DefaultDelayRange;
            break;
        case TVariableKind::BlockVariable:
            if (value > 0) {
                v.Log = true;
                v.Lower = value / 2;
                v.Upper = value * 2;
            } else {
                const double r = std::max(1.0, std::fabs(value));
                v.Log = false;
                v.Lower = value - r;
                v.Upper = value + r;
            }
            break;
    }
}

std::vector<TOptimizeVariable> OfferedVariables(const TDesign& d) {
    std::vector<TOptimizeVariable> out;
    auto add = [&](TOptimizeVariable v) {
        SetDefaultBounds(v, VariableValue(d, v));
        out.push_back(std::move(v));
    };
    for (std::size_t i = 0; i < d.Parts.size(); ++i)
        if (PartOffered(*d.Parts[i]))
            add({TVariableKind::PartValue, static_cast<int>(i), -1, PartDesignator(*d.Parts[i])});
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        const std::string s = DriverDesignator(*d.Drivers[i]);
        if (d.Drivers[i]->Gain > 0) add({TVariableKind::DriverLevel, static_cast<int>(i), -1, s + ":level"});
        add({TVariableKind::DriverDelay, static_cast<int>(i), -1, s + ":delay"});
    }
    for (std::size_t b = 0; b < d.Blocks.size(); ++b)
        for (int slot : TunedBlockSlots(*d.Blocks[b]))
            if (SlotOffered(*d.Blocks[b], slot))
                add({TVariableKind::BlockVariable, static_cast<int>(b), slot,
                     BlockPrefix(static_cast<int>(b)) + d.Blocks[b]->VarName[static_cast<std::size_t>(slot)]});
    return out;
}

std::optional<TOptimizeVariable> FindOfferedVariable(const TDesign& d, const std::string& name) {
    for (TOptimizeVariable& v : OfferedVariables(d))
        if (SameTextIgnoringCase(v.Name, name)) return v;
    return std::nullopt;
}

bool VariableValid(const TDesign& d, const TOptimizeVariable& v) {
    switch (v.Kind) {
        case TVariableKind::PartValue:
            return ValidIndex(v.Element, d.Parts.size()) && PartOffered(*d.Parts[static_cast<std::size_t>(v.Element)]);
        case TVariableKind::DriverLevel:
            return ValidIndex(v.Element, d.Drivers.size()) && d.Drivers[static_cast<std::size_t>(v.Element)]->Gain > 0;
        case TVariableKind::DriverDelay:
            return ValidIndex(v.Element, d.Drivers.size());
        case TVariableKind::BlockVariable:
            return ValidIndex(v.Element, d.Blocks.size()) && v.Slot >= 0 && v.Slot < BlockVarCount &&
                   SlotOffered(*d.Blocks[static_cast<std::size_t>(v.Element)], v.Slot);
    }
    return false;
}

double VariableValue(const TDesign& d, const TOptimizeVariable& v) {
    if (!VariableValid(d, v)) return 0.0;
    const auto i = static_cast<std::size_t>(v.Element);
    switch (v.Kind) {
        case TVariableKind::PartValue:
            return d.Parts[i]->Value;
        case TVariableKind::DriverLevel:
            return DriverLevelDb(*d.Drivers[i]);
        case TVariableKind::DriverDelay:
            return d.Drivers[i]->DelaySeconds;
        case TVariableKind::BlockVariable:
            return d.Blocks[i]->VarValue[static_cast<std::size_t>(v.Slot)];
    }
    return 0.0;
}

void SetVariableValue(TDesign& d, const TOptimizeVariable& v, double value) {
    if (!VariableValid(d, v)) return;
    const auto i = static_cast<std::size_t>(v.Element);
    switch (v.Kind) {
        case TVariableKind::PartValue:
            d.Parts[i]->Value = value;
            break;
        case TVariableKind::DriverLevel:
            d.Drivers[i]->Gain = DbToLin(value);
            d.Drivers[i]->GainDbAsGiven = value;
            break;
        case TVariableKind::DriverDelay:
            d.Drivers[i]->DelaySeconds = value;
            break;
        case TVariableKind::BlockVariable:
            d.Blocks[i]->VarValue[static_cast<std::size_t>(v.Slot)] = value;
            d.Blocks[i]->NeedsEval = true;
            break;
    }
}

TDisplayUnit DisplayUnitOf(const TOptimizeVariable& v) {
    switch (v.Kind) {
        case TVariableKind::DriverLevel:
            return {"dB", 1.0};
        case TVariableKind::DriverDelay:
            return {"us", 1e6};
        case TVariableKind::BlockVariable:
            return {"", 1.0};
        case TVariableKind::PartValue:
            break;
    }
    // Parts in the units of the component dialog.
    const char letter = v.Name.empty() ? 'R' : v.Name[0];
    if (letter == 'C') return {"uF", 1e6};
    if (letter == 'L') return {"mH", 1e3};
    return {"ohm", 1.0};
}

std::string FormatVariableValue(const TOptimizeVariable& v, double value, int digits) {
    const TDisplayUnit u = DisplayUnitOf(v);
    std::string text = FormatGeneral(value * u.Scale, digits);
    if (*u.Unit) text += std::string(" ") + u.Unit;
    return text;
}

TVariableSnapshot TakeSnapshot(const TDesign& d, const std::vector<TOptimizeVariable>& variables) {
    TVariableSnapshot s;
    for (const TOptimizeVariable& v : variables) {
        if (!VariableValid(d, v)) continue;
        const auto i = static_cast<std::size_t>(v.Element);
        double first = 0.0, second = 0.0;
        switch (v.Kind) {
            case TVariableKind::PartValue:
                first = d.Parts[i]->Value;
                break;
            case TVariableKind::DriverLevel:
                first = d.Drivers[i]->Gain;
                second = d.Drivers[i]->GainDbAsGiven;
                break;
            case TVariableKind::DriverDelay:
                first = d.Drivers[i]->DelaySeconds;
                break;
            case TVariableKind::BlockVariable:
                first = d.Blocks[i]->VarValue[static_cast<std::size_t>(v.Slot)];
                break;
        }
        s.Variables.push_back(v);
        s.First.push_back(first);
        s.Second.push_back(second);
    }
    return s;
}

void RestoreSnapshot(TDesign& d, const TVariableSnapshot& s) {
    for (std::size_t n = 0; n < s.Variables.size(); ++n) {
        const TOptimizeVariable& v = s.Variables[n];
        if (!VariableValid(d, v)) continue;
        const auto i = static_cast<std::size_t>(v.Element);
        switch (v.Kind) {
            case TVariableKind::PartValue:
                d.Parts[i]->Value = s.First[n];
                break;
            case TVariableKind::DriverLevel:
                d.Drivers[i]->Gain = s.First[n];
                d.Drivers[i]->GainDbAsGiven = s.Second[n];
                break;
            case TVariableKind::DriverDelay:
                d.Drivers[i]->DelaySeconds = s.First[n];
                break;
            case TVariableKind::BlockVariable:
                d.Blocks[i]->VarValue[static_cast<std::size_t>(v.Slot)] = s.First[n];
                d.Blocks[i]->NeedsEval = true;
                break;
        }
    }
}

double ToUnit(const TOptimizeVariable& v, double value) {
    if (!(v.Upper > v.Lower)) return 0.0;
    double u;
    if (v.Log && v.Lower > 0 && value > 0)
        u = std::log(value / v.Lower) / std::log(v.Upper / v.Lower);
    else
        u = (value - v.Lower) / (v.Upper - v.Lower);
    return std::isfinite(u) ? std::clamp(u, 0.0, 1.0) : 0.0;
}

double FromUnit(const TOptimizeVariable& v, double u) {
    u = std::clamp(u, 0.0, 1.0);
    if (v.Log && v.Lower > 0) return v.Lower * std::pow(v.Upper / v.Lower, u);
    return v.Lower + u * (v.Upper - v.Lower);
}

double OutsideBounds(const TOptimizeVariable& v, double value) {
    if (v.Log && v.Lower > 0) {
        if (!(value > 0)) return 1.0;
        if (value < v.Lower) return std::log2(v.Lower / value);
        if (value > v.Upper) return std::log2(value / v.Upper);
        return 0.0;
    }
    const double width = std::max(v.Upper - v.Lower, 1e-12);
    if (value < v.Lower) return (v.Lower - value) / width;
    if (value > v.Upper) return (value - v.Upper) / width;
    return 0.0;
}

}  // namespace pelmo
