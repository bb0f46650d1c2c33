#include "values/ValueStepping.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/Rounding.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

// n x 10^e, correctly rounded while the power of ten is exact (|e| <= 22), so
// that pattern steps land on clean decimals (1000, not 999.9999999999998).
double Scale10(double n, int e) {
    if (e >= 0) return n * std::pow(10.0, e);
    return n / std::pow(10.0, -e);
}

TDecomposition Decompose(double x, bool digitMode) {
    TDecomposition d;
    const double a = std::fabs(x);
    if (!std::isfinite(a)) return d;
    if (a < 1e-20) {
        d.Digit = x < 0 ? -1 : 1;
        d.Exp10 = -20;
        d.Tiny = true;
        return d;
    }
    int k = static_cast<int>(std::floor(std::log10(a)));
    double t = Scale10(a, -k);
    if (t < 1) {
        --k;
        t = Scale10(a, -k);
    } else if (t >= 10) {
        ++k;
        t = Scale10(a, -k);
    }
    if (t >= 9.999999999999) {
        ++k;
        t = 1;
    }
    int digit;
    if (digitMode)
        digit = std::min(9, static_cast<int>(std::floor(t + 0.5)));
    else
        digit = t < 1.5 ? 1 : t < 3.5 ? 2 : 5;
    d.Digit = x < 0 ? -digit : digit;
    d.Exp10 = k;
    return d;
}

// The next value of a pattern mode, as a number of tenths of the decade.
double PatternStep(TValueStepMode mode, double v, bool up) {
    const TDecomposition d = mode == sm125 ? Decompose125(v) : DecomposeDigit(v);
    int r = std::abs(d.Digit);
    int k = d.Exp10;
    if (k < -15) {  // the decade is below 1e-15
        r = 0;
        k = 0;
    }
    const bool positive = d.Digit >= 0;
    int tenths;
    if (mode == sm125) {
        auto pick = [r](int one, int two, int five, int other) {
            return r == 1 ? one : r == 2 ? two : r == 5 ? five : other;
        };
        if (up)
            tenths = positive ? pick(20, 50, 100, 10) : pick(-5, -10, -20, 10);
        else
            tenths = positive ? pick(5, 10, 20, -10) : pick(-20, -50, -100, -10);
    } else {
        if (up)
            tenths = positive ? (r + 1) * 10 : (r == 1 ? -9 : -(r - 1) * 10);
        else
            tenths = positive ? (r == 1 ? 9 : (r - 1) * 10) : -(r + 1) * 10;
    }
    return Scale10(tenths, k - 1);
}

// Stores g when it lies within the limits; a stored value outside them is
// then moved to the nearer limit.
void StoreWithinLimits(TEditRealState& field, double g, TValueResponse& r) {
    if (field.MaxValue < field.MinValue) std::swap(field.MinValue, field.MaxValue);
    if (g >= field.MinValue && g <= field.MaxValue) {
        field.SetRealValue(g);
        r.Events.push_back({TValueEventKind::ValChange, g});
    }
    const double v = field.RealValue();
    if (v < field.MinValue || v > field.MaxValue) {
        const double limit = v < field.MinValue ? field.MinValue : field.MaxValue;
        field.SetRealValue(limit);
        r.Events.push_back({TValueEventKind::ValChange, limit});
    }
}

// Fixed notation with exactly `decimals` decimals after rounding to at most
// `precision` significant digits: 0.5 -> "0.50000".
std::string FixedDecimals(double x, int decimals, int precision) {
    const DecimalDigits exact = ToDecimalDigits(x, 60);
    DecimalDigits d;
    if (!exact.Digits.empty()) {
        const int keep = std::min(precision, exact.Exponent + decimals);
        if (keep >= 1) {
            d = ToDecimalDigits(x, keep);
        } else if (keep == 0 && exact.Digits[0] >= '5') {
            d.Digits = "1";
            d.Exponent = exact.Exponent + 1;
            d.Negative = exact.Negative;
        }
    }
    std::string intPart = "0", frac;
    if (!d.Digits.empty()) {
        const int e = d.Exponent;
        const int n = static_cast<int>(d.Digits.size());
        if (e <= 0) {
            frac = std::string(-e, '0') + d.Digits;
        } else if (n <= e) {
            intPart = d.Digits + std::string(e - n, '0');
        } else {
            intPart = d.Digits.substr(0, e);
            frac = d.Digits.substr(e);
        }
    }
    frac.resize(decimals, '0');
    return (d.Negative ? "-" : "") + intPart + "." + frac;
}

bool IsStepKey(TValueKey key, bool& up) {
    up = key == TValueKey::Up || key == TValueKey::PageUp;
    return up || key == TValueKey::Down || key == TValueKey::PageDown;
}

}  // namespace

TDecomposition Decompose125(double x) { return Decompose(x, false); }
TDecomposition DecomposeDigit(double x) { return Decompose(x, true); }

TScreenPoint StepDialogPosition(TScreenPoint p, int width, int height, int screenRight, int screenBottom) {
    if (p.X + width > screenRight) p.X -= 185;
    if (p.Y + height > screenBottom) p.Y -= 123;
    return p;
}

// ---------------------------------------------------------------------------
// TEditRealSpin

TEditRealSpinState::TEditRealSpinState() { Field.SetRealValue(1.0); }

void TEditRealSpinState::SetRealValue(double v) {
    prevValue_ = Field.RealValue();
    lastDir_ = 0;
    Field.SetRealValue(v);
}

void TEditRealSpinState::SetStepMode(TValueStepMode mode) {
    stepMode_ = mode;
    lastDir_ = 0;
    if (mode == smLog || mode == smReal) {
        Field.Format.IntOnly = false;
        Field.Reprint();
    }
}

void TEditRealSpinState::SetIntOnly(bool on) {
    Field.Format.IntOnly = on;
    if (on && (stepMode_ == smLog || stepMode_ == smReal)) SetStepMode(smIntRound);
    Field.Reprint();
}

TValueResponse TEditRealSpinState::Step(bool up, bool dotHandlerSet) {
    TValueResponse r;
    if (stepMode_ == smFine && dotHandlerSet) {
        r.Events.push_back({up ? TValueEventKind::DotSpinUp : TValueEventKind::DotSpinDn});
        return r;
    }
    const bool intOnly = IntOnly();
    TValueStepMode mode = stepMode_;
    if (intOnly && mode != sm125 && mode != sm12345) mode = smIntRound;
    const double s = mode == smReal ? RealInc : mode == smIntRound ? CardInc : std::max(MinMag, 1e-12);
    const double v = Field.RealValue();
    const double old = v;

    double g;
    if ((up && lastDir_ == -1) || (!up && lastDir_ == 1)) {
        g = prevValue_;  // a step against the last one undoes it exactly
    } else {
        switch (mode) {
            case smIntRound:
                g = std::nearbyint(up ? v + CardInc : v - CardInc);
                break;
            case sm125:
            case sm12345:
                g = PatternStep(mode, v, up);
                break;
            case smLog:
                if (up)
                    g = v > 0 ? v * RealMult : v < 0 ? v / RealMult : s;
                else
                    g = v > 0 ? v / RealMult : v < 0 ? v * RealMult : -s;
                break;
            case smReal:
                g = up ? v + RealInc : v - RealInc;
                break;
            default:
                g = v;
                break;
        }
        // Crossing zero: from zero the first step is the step base; a step
        // that ends within one step base of zero from the other side lands on it.
        if (!intOnly) {
            if (up) {
                if (v == 0)
                    g = s;
                else if (v < 0 && g > -s)
                    g = 0;
            } else {
                if (v == 0)
                    g = -s;
                else if (v > 0 && g < s)
                    g = 0;
            }
        } else if (std::nearbyint(v) == 0) {
            const double unit = mode == smIntRound ? CardInc : 1;
            g = up ? unit : -unit;
        }
    }

    if (intOnly) {
        if ((g > 0 && g < 0.91) || (g < 0 && g > -0.91)) g = 0;
        g = std::nearbyint(g);
    }
    StoreWithinLimits(Field, g, r);
    Field.SetBackgroundWhite();
    lastDir_ = up ? 1 : -1;
    if (Field.RealValue() != old) prevValue_ = old;
    r.FocusArrows = !AvoidSetFocus;
    return r;
}

TValueResponse TEditRealSpinState::KeyUp(TValueKey key, std::string_view fieldText, int caret, bool dotHandlerSet) {
    bool up = false;
    if (!IsStepKey(key, up)) return Field.KeyUp(key, fieldText, caret);
    TValueResponse r = Step(up, dotHandlerSet);
    // The key then reaches the field as a plain key: it filters, nothing more.
    const std::string shown = Field.Text();
    Field.Filter(shown, caret);
    return r;
}

std::vector<TStepMenuItem> TEditRealSpinState::StepMenu() const {
    std::vector<TStepMenuItem> items;
    items.push_back(
        {"&Integer round [+,-]: " + std::to_string(CardInc), TStepMenuAction::IntegerRound, stepMode_ == smIntRound});
    items.push_back({"1-2-5 &Pattern", TStepMenuAction::Pattern125, stepMode_ == sm125});
    items.push_back({"highdigit[+,-]", TStepMenuAction::HighDigit, stepMode_ == sm12345});
    if (!IntOnly()) {
        items.push_back(
            {"&Float [+,-]: " + FixedDecimals(RealInc, 5, 6), TStepMenuAction::FloatIncrement, stepMode_ == smReal});
        items.push_back(
            {" f&Loat [*,/]: " + FixedDecimals(RealMult, 5, 6), TStepMenuAction::FloatMultiply, stepMode_ == smLog});
        if (ShowDotSpin) items.push_back({"fine resolution", TStepMenuAction::FineResolution, stepMode_ == smFine});
    }
    items.push_back({"-", TStepMenuAction::Separator});
    items.push_back({"To Lowest value", TStepMenuAction::ToLowest});
    items.push_back({"To Highest value", TStepMenuAction::ToHighest});
    items.push_back({"-", TStepMenuAction::Separator});
    items.push_back({"cancel", TStepMenuAction::Cancel});
    return items;
}

TValueResponse TEditRealSpinState::ChooseStep(TStepMenuAction action) {
    TValueResponse r;
    auto mode = [&](TValueStepMode m) {
        SetStepMode(m);
        r.Events.push_back({TValueEventKind::StepChange});
    };
    switch (action) {
        case TStepMenuAction::Pattern125:
            mode(sm125);
            break;
        case TStepMenuAction::HighDigit:
            mode(sm12345);
            break;
        case TStepMenuAction::FineResolution:
            mode(smFine);
            break;
        case TStepMenuAction::ToLowest:
        case TStepMenuAction::ToHighest: {
            const bool low = action == TStepMenuAction::ToLowest;
            const double v = low ? Field.MinValue : Field.MaxValue;
            Field.SetRealValue(v);
            r.Events.push_back({TValueEventKind::ValChange, v});
            // The first step back leaves the value at the limit.
            lastDir_ = low ? -1 : 1;
            prevValue_ = v;
            break;
        }
        default:
            break;  // the dialog entries, separators and "cancel"
    }
    return r;
}

TStepDialogRequest TEditRealSpinState::StepDialogFor(TStepMenuAction action) const {
    switch (action) {
        case TStepMenuAction::IntegerRound:
            return {StepDialogIncrementLabel, true, static_cast<double>(CardInc), 1, 100000};
        case TStepMenuAction::FloatMultiply:
            return {StepDialogMultiplyLabel, false, RealMult, 1.000001, 1000.1};
        default:
            return {StepDialogIncrementLabel, false, RealInc, 1e-6, 100000};
    }
}

TValueResponse TEditRealSpinState::FinishStepDialog(TStepMenuAction action, bool ok, double value) {
    TValueResponse r;
    switch (action) {
        case TStepMenuAction::IntegerRound:
            if (ok) {
                CardInc = RoundToInt(value);
                SetStepMode(smIntRound);
            }
            break;
        case TStepMenuAction::FloatIncrement:
            if (ok) {
                RealInc = value;
                SetStepMode(smReal);
            }
            r.Events.push_back({TValueEventKind::StepChange});
            break;
        case TStepMenuAction::FloatMultiply:
            if (ok) {
                RealMult = value;
                SetStepMode(smLog);
            }
            r.Events.push_back({TValueEventKind::StepChange});
            break;
        default:
            break;
    }
    return r;
}

// ---------------------------------------------------------------------------
// TPcs

std::optional<TESeries> SeriesOfStepMode(TPartStepMode mode) {
    switch (mode) {
        case smmPC2:
            return esE48;
        case smmPC5:
            return esE24;
        case smmPC10:
            return esE12;
        case smmPC20:
            return esE6;
        default:
            return std::nullopt;
    }
}

double StepPartValue(double v, TPartStepMode mode, bool up) {
    // The factor is a little more than the series' own step, so that the
    // rounding lands on the neighbour.
    double k = 1.0;
    switch (mode) {
        case smmPC2:
            k = 1.04;
            break;
        case smmPC5:
            k = 1.1;
            break;
        case smmPC10:
            k = 1.2;
            break;
        case smmPC20:
            k = 1.4;
            break;
        default:
            return v;  // catalogue values do not step
    }
    return RoundToESeries(up ? v * k : v / k, *SeriesOfStepMode(mode));
}

TPcsState::TPcsState() : Field(TEditRealVariant::EditReal2) {
    Field.MinValue = 1e-12;
    Field.MaxValue = 1e9;
    Field.SetRealValue(1.0);
}

TValueResponse TPcsState::Step(bool up) {
    TValueResponse r;
    if (StepMode == smmPCshort || StepMode == smmPCopen) {
        r.ShowMenu = true;
        return r;
    }
    StoreWithinLimits(Field, StepPartValue(Value(), StepMode, up), r);
    Field.SetBackgroundWhite();
    r.FocusArrows = !AvoidSetFocus;
    return r;
}

TValueResponse TPcsState::KeyUp(TValueKey key, std::string_view fieldText, int caret) {
    bool up = false;
    if (!IsStepKey(key, up)) return Field.KeyUp(key, fieldText, caret);
    TValueResponse r = Step(up);
    if (!r.ShowMenu) {  // "(short)" and "*open*" stay as they are
        const std::string shown = Field.Text();
        Field.Filter(shown, caret);
    }
    return r;
}

std::vector<TToleranceMenuItem> TPcsState::ToleranceMenu() const {
    return {
        {"2%", TToleranceAction::PC2, StepMode == smmPC2},
        {"5%", TToleranceAction::PC5, StepMode == smmPC5},
        {"10%", TToleranceAction::PC10, StepMode == smmPC10},
        {"20%", TToleranceAction::PC20, StepMode == smmPC20},
        {"short", TToleranceAction::Short, StepMode == smmPCshort},
        {"open", TToleranceAction::Open, StepMode == smmPCopen},
        {"-", TToleranceAction::Separator},
        {"cancel", TToleranceAction::Cancel},
    };
}

TValueResponse TPcsState::ChooseTolerance(TToleranceAction action) {
    TValueResponse r;
    auto percent = [&](TPartStepMode mode, TESeries series) {
        StepMode = mode;
        open_ = shorted_ = false;
        Field.SetRealValue(RoundToESeries(Value(), series));
        r.Events.push_back({TValueEventKind::StepChange});
        r.Events.push_back({TValueEventKind::ValChange, Value()});
    };
    switch (action) {
        case TToleranceAction::PC2:
            percent(smmPC2, esE48);
            break;
        case TToleranceAction::PC5:
            percent(smmPC5, esE24);
            break;
        case TToleranceAction::PC10:
            percent(smmPC10, esE12);
            break;
        case TToleranceAction::PC20:
            percent(smmPC20, esE6);
            break;
        case TToleranceAction::Short:
            StepMode = smmPCshort;
            shorted_ = true;
            open_ = false;
            Field.ShowText("(short)");
            break;
        case TToleranceAction::Open:
            StepMode = smmPCopen;
            open_ = true;
            shorted_ = false;
            Field.ShowText("*open*");
            break;
        default:
            break;
    }
    return r;
}

}  // namespace pelmo
