#include "graphs/CurveSubject.h"

#include "base/Text.h"
#include "model/Design.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

constexpr const char* DriverOnlySuffix = " (driver only)";
constexpr const char* LookbackSuffix = " (lookback)";

bool SameDriver(const TCurveSubject& s, const TDriver& drv) { return drv.RefDes == s.RefDes; }
bool SamePart(const TCurveSubject& s, const TPart& p) { return p.PartType == s.PartType && p.RefDes == s.RefDes; }

}  // namespace

std::string SubjectDesignator(const TCurveSubject& s) {
    switch (s.Kind) {
        case TSubjectKind::System:
            return {};
        case TSubjectKind::Part: {
            TPart p;
            p.PartType = s.PartType;
            p.RefDes = s.RefDes;
            return PartDesignator(p);
        }
        default: {
            TDriver drv;
            drv.RefDes = s.RefDes;
            return DriverDesignator(drv);
        }
    }
}

std::string CurveCaption(const TCurveSubject& s) {
    switch (s.Kind) {
        case TSubjectKind::System:
            return SystemCurveName;
        case TSubjectKind::DriverOnly:
            return SubjectDesignator(s) + DriverOnlySuffix;
        case TSubjectKind::Lookback:
            return SubjectDesignator(s) + LookbackSuffix;
        default:
            return SubjectDesignator(s);
    }
}

std::optional<TCurveSubject> ParseCurveCaption(const std::string& caption) {
    if (SameTextIgnoringCase(caption, SystemCurveName)) return TCurveSubject{};
    const std::size_t blank = caption.find(' ');
    const std::string head = caption.substr(0, blank);
    if (head.size() < 2) return std::nullopt;
    TCurveSubject s;
    switch (head[0]) {
        case 'S':
        case 's': {
            const std::string tail = blank == std::string::npos ? std::string() : caption.substr(blank);
            s.Kind = tail.empty()                                   ? TSubjectKind::Driver
                     : SameTextIgnoringCase(tail, DriverOnlySuffix) ? TSubjectKind::DriverOnly
                     : SameTextIgnoringCase(tail, LookbackSuffix)   ? TSubjectKind::Lookback
                                                                    : TSubjectKind::System;
            if (s.Kind == TSubjectKind::System) return std::nullopt;
            break;
        }
        case 'R':
        case 'r':
            s = {TSubjectKind::Part, TPartType::Resistor, 0};
            break;
        case 'C':
        case 'c':
            s = {TSubjectKind::Part, TPartType::Capacitor, 0};
            break;
        case 'L':
        case 'l':
            s = {TSubjectKind::Part, TPartType::Inductor, 0};
            break;
        default:
            return std::nullopt;
    }
    if (!TryParseInt(head.substr(1), s.RefDes)) return std::nullopt;
    // Only the subject's own spelling: "S01" names nothing.
    if (!SameTextIgnoringCase(CurveCaption(s), caption)) return std::nullopt;
    return s;
}

int FindSubjectElement(const TDesign& d, const TCurveSubject& s) {
    if (s.Kind == TSubjectKind::System) return -1;
    if (IsDriverSubject(s)) {
        for (std::size_t i = 0; i < d.Drivers.size(); ++i)
            if (SameDriver(s, *d.Drivers[i])) return static_cast<int>(i);
        return -1;
    }
    for (std::size_t i = 0; i < d.Parts.size(); ++i)
        if (SamePart(s, *d.Parts[i])) return static_cast<int>(i);
    return -1;
}

bool SubjectElementAt(const TDesign& d, const TCurveSubject& s, int index) {
    if (index < 0 || s.Kind == TSubjectKind::System) return false;
    const auto i = static_cast<std::size_t>(index);
    if (IsDriverSubject(s)) return i < d.Drivers.size() && SameDriver(s, *d.Drivers[i]);
    return i < d.Parts.size() && SamePart(s, *d.Parts[i]);
}

}  // namespace pelmo
