#include "editor/Tuning.h"

#include <exception>

#include "base/Text.h"
#include "blocks/bcParser.h"
#include "model/Design.h"
#include "values/NumberFormat.h"

namespace pelmo {

TFocusTarget FocusTargetFor(TElementKind kind, TPartState state, bool bound, TComponentControl lastUsed) {
    switch (kind) {
        case TElementKind::Resistor:
        case TElementKind::Capacitor:
        case TElementKind::Inductor:
            if (lastUsed == TComponentControl::StatePanel) return TFocusTarget::None;
            if (state != TPartState::Normal) return TFocusTarget::PartRefDes;
            return bound ? TFocusTarget::PartBoundValue : TFocusTarget::PartValue;
        case TElementKind::Source:
            return TFocusTarget::SourceDelay;
        case TElementKind::Driver:
            return TFocusTarget::DriverName;
        case TElementKind::Block:
            return TFocusTarget::BlockVariable;
        default:
            return TFocusTarget::None;
    }
}

TRecheck RecheckPointer(bool pointerOverDialog, std::optional<TElementRef> under, TElementRef current,
                        std::optional<TElementRef> tunedPart) {
    TRecheck r;
    r.NewCurrent = current;
    if (pointerOverDialog || !under || *under == current) return r;
    r.NewCurrent = *under;
    // The component dialog names parts by their kind, which the sheet's
    // hit test gives as the part type's kind.
    r.Action = tunedPart && *tunedPart == *under ? TRecheckAction::SwitchAndRepaint : TRecheckAction::EndTuning;
    return r;
}

TPartDisplay DisplayOfPart(const TPart& p) {
    TPartDisplay s;
    s.Title = PartDesignator(p);
    s.Bound = !p.PartNumber.empty();
    switch (p.PartType) {
        case TPartType::Capacitor:
            s.ValueUnit = "uF";
            s.ValueScale = 1e6;
            break;
        case TPartType::Inductor:
            s.ValueUnit = "mH";
            s.ValueScale = 1e3;
            break;
        default:
            s.ValueUnit = "R";
            s.ValueScale = 1;
            break;
    }
    if (p.PartType == TPartType::Resistor) {
        s.EsrCaption = "Power";
        s.EsrUnit = "W";
        s.EsrIntOnly = true;
        s.EsrMin = 1;
        s.Esr = p.Rating;
        s.ValueText = FormatFixed(p.BoundValue, 3) + "ohm";
        s.EsrText = FormatFixed(p.BoundRating, 1) + "W";
    } else {
        s.EsrCaption = "ESR";
        s.EsrUnit = "R";
        s.EsrMin = 1e-9;
        s.Esr = p.ESR;
        s.ValueText = FormatFixed(p.BoundValue * s.ValueScale, 3) + s.ValueUnit;
        s.EsrText = FormatFixed(p.BoundESR, 3) + "ohm";
    }
    s.ShowStaticTexts = s.Bound || p.State != TPartState::Normal;
    if (p.State == TPartState::Shorted) s.ValueText = s.EsrText = "--SHORTED--";
    if (p.State == TPartState::Open) s.ValueText = s.EsrText = "| open |";
    if (s.Bound) s.PartNumberText = p.Vendor + " #" + p.PartNumber;
    return s;
}

double ShownPartValue(const TPart& p) {
    switch (p.PartType) {
        case TPartType::Capacitor:
            return p.Value * 1e6;
        case TPartType::Inductor:
            return p.Value * 1e3;
        default:
            return p.Value;
    }
}

double StoredPartValue(TPartType type, double shown) {
    switch (type) {
        case TPartType::Capacitor:
            return shown / 1e6;
        case TPartType::Inductor:
            return shown / 1e3;
        default:
            return shown;
    }
}

bool ApplyPartValue(TPart& p, double shownValue) {
    if (p.State != TPartState::Normal) return false;
    // A shown value that only prints the stored one again changes nothing,
    // so opening the dialog or stepping back and forth leaves no trace.
    if (shownValue == ShownPartValue(p)) return false;
    p.Value = StoredPartValue(p.PartType, shownValue);
    return true;
}

bool ApplyPartEsr(TPart& p, double esrOrRating) {
    if (p.State != TPartState::Normal) return false;
    double& field = p.PartType == TPartType::Resistor ? p.Rating : p.ESR;
    if (field == esrOrRating) return false;
    field = esrOrRating;
    return true;
}

std::optional<std::string> CheckMemberExpression(const TCircuitBlock& header, const std::string& expression) {
    if (TrimBlanks(expression).empty()) return std::nullopt;
    TbcParser p;
    p.ClearVariables();
    p.DefineVariable("pi", 3.141592653589793238462643383279502884L);
    for (int v = 0; v < BlockVarCount; ++v) {
        if (header.VarName[v].empty()) continue;
        try {
            p.DefineVariable(header.VarName[v], header.VarValue[v]);
        } catch (const std::exception&) {
            // A bad slot name is reported where it is typed.
        }
    }
    // The intermediate variables as the evaluation will compute them: in the
    // designer they are never evaluated, and their stored values may be stale.
    for (int v = 0; v < 2; ++v) {
        const std::string& name = header.VarName[v];
        if (name.empty() || TrimBlanks(header.VarExpression[v]).empty()) continue;
        try {
            p.SetExpression(header.VarExpression[v]);
            if (p.UsesVariable(name) || (v == 0 && !header.VarName[1].empty() && p.UsesVariable(header.VarName[1])))
                continue;
            p.DefineVariable(name, p.GetValue());
        } catch (const std::exception&) {
            // Its own field reports it.
        }
    }
    try {
        p.SetExpression(expression);
        (void)p.GetValue();
    } catch (const std::exception& e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

}  // namespace pelmo
