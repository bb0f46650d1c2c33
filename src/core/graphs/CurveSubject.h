#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/Elements.h"

// What a graph curve shows, as a typed value: the whole system, or one driver
// or part named by its designator (its type and number), so that the curve
// finds its element again when the design's elements are replaced (undo, a
// file read again). A curve's caption is made from its subject; text that
// names a curve ("S1 (driver only)" on a command line) is read into a subject
// once, where it comes in.

namespace pelmo {

struct TDesign;

enum class TSubjectKind : std::uint8_t {
    System,      // the whole system (the sum, the input impedance)
    Driver,      // a driver in the network
    DriverOnly,  // a driver's own data, without the network
    Lookback,    // the impedance the network shows a driver
    Part,        // a resistor, capacitor or inductor
};

inline bool IsDriverSubject(TSubjectKind k) {
    return k == TSubjectKind::Driver || k == TSubjectKind::DriverOnly || k == TSubjectKind::Lookback;
}

struct TCurveSubject {
    TSubjectKind Kind = TSubjectKind::System;
    TPartType PartType = TPartType::Resistor;  // of a part
    int RefDes = 0;                            // the driver's or part's number

    static TCurveSubject OfDriver(TSubjectKind kind, const TDriver& drv) {
        return {kind, TPartType::Resistor, drv.RefDes};
    }
    static TCurveSubject OfPart(const TPart& p) { return {TSubjectKind::Part, p.PartType, p.RefDes}; }
    // Equal when they show the same: the system, or the same element the
    // same way.
    friend bool operator==(const TCurveSubject& a, const TCurveSubject& b) {
        if (a.Kind != b.Kind) return false;
        if (a.Kind == TSubjectKind::System) return true;
        return a.RefDes == b.RefDes && (a.Kind != TSubjectKind::Part || a.PartType == b.PartType);
    }
};

inline bool IsDriverSubject(const TCurveSubject& s) { return IsDriverSubject(s.Kind); }

inline constexpr const char* SystemCurveName = "System";

// The designator of the subject's element: "S1", "C2"; empty for the system.
std::string SubjectDesignator(const TCurveSubject& s);
// "System", "S1", "S1 (driver only)", "S1 (lookback)", "C1", "L1", "R1".
std::string CurveCaption(const TCurveSubject& s);
// The subject whose caption this is, letter case aside; nullopt for any
// other text.
std::optional<TCurveSubject> ParseCurveCaption(const std::string& caption);

// Index of the driver or part the subject names, or -1 (and for the system).
int FindSubjectElement(const TDesign& d, const TCurveSubject& s);
// Whether the design's driver or part at this index is the subject's.
bool SubjectElementAt(const TDesign& d, const TCurveSubject& s, int index);

}  // namespace pelmo
