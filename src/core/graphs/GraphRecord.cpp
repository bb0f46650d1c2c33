#include "graphs/GraphRecord.h"

#include <algorithm>

#include "base/Text.h"
#include "model/Design.h"

namespace pelmo {

namespace {
bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

constexpr const char* DriverOnlySuffix = " (driver only)";
constexpr const char* LookbackSuffix = " (lookback)";
}  // namespace

TGraphRecord::TGraphRecord(TGraphKind kind) : Kind(kind) {
    if (kind == TGraphKind::SPL) VerticalCenter = 90.0;
    if (kind == TGraphKind::Filter) VerticalCenter = 0.0;
    AutoSystemCurve = KindHasSystemCurve(kind);
}

void TGraphList::Remove(const TGraphRecord* r) { std::erase(Windows, r); }

bool KindHasPhase(TGraphKind kind) {
    switch (kind) {
        case TGraphKind::SPL:
        case TGraphKind::Impedance:
        case TGraphKind::Filter:
        case TGraphKind::Voltage:
        case TGraphKind::Current:
            return true;
        default:
            return false;
    }
}

bool KindHasSystemCurve(TGraphKind kind) {
    switch (kind) {
        case TGraphKind::SPL:
        case TGraphKind::Impedance:
        case TGraphKind::GroupDelay:
        case TGraphKind::Impulse:
        case TGraphKind::Step:
        case TGraphKind::SquareWave:
            return true;
        default:
            return false;
    }
}

std::vector<std::string> CurveMenuNames(TGraphKind kind, const TDesign& d) {
    std::vector<std::string> names;
    if (KindHasSystemCurve(kind)) names.push_back(SystemCurveName);
    for (const auto& drv : d.Drivers)
        names.push_back(DriverDesignator(*drv) + (kind == TGraphKind::Impedance ? DriverOnlySuffix : ""));
    if (kind == TGraphKind::SPL || kind == TGraphKind::Impedance)
        for (const auto& drv : d.Drivers)
            names.push_back(DriverDesignator(*drv) + (kind == TGraphKind::SPL ? DriverOnlySuffix : LookbackSuffix));
    if (kind == TGraphKind::Voltage || kind == TGraphKind::Current || kind == TGraphKind::Power) {
        for (TPartType type : {TPartType::Capacitor, TPartType::Inductor, TPartType::Resistor})
            for (const auto& p : d.Parts)
                if (p->PartType == type) names.push_back(PartDesignator(*p));
    }
    return names;
}

int FindCurve(const TGraphRecord& g, const std::string& name) {
    for (std::size_t i = 0; i < g.Curves.size(); ++i)
        if (SameTextIgnoringCase(g.Curves[i].Name, name)) return static_cast<int>(i);
    return -1;
}

TCurveSubject CurveSubjectOf(const std::string& name) {
    if (name == SystemCurveName) return TCurveSubject::System;
    if (name.empty() || name[0] != 'S') return TCurveSubject::Part;
    if (EndsWith(name, LookbackSuffix)) return TCurveSubject::Lookback;
    if (EndsWith(name, DriverOnlySuffix)) return TCurveSubject::DriverOnly;
    return TCurveSubject::Driver;
}

int FindCurveElement(const TDesign& d, const std::string& name, TCurveSubject subject) {
    if (subject == TCurveSubject::System) return -1;
    if (IsDriverSubject(subject)) {
        const std::string head = name.substr(0, name.find(' '));
        for (std::size_t i = 0; i < d.Drivers.size(); ++i)
            if (DriverDesignator(*d.Drivers[i]) == head) return static_cast<int>(i);
        return -1;
    }
    for (std::size_t i = 0; i < d.Parts.size(); ++i)
        if (PartDesignator(*d.Parts[i]) == name) return static_cast<int>(i);
    return -1;
}

TSeriesDef& AddCurve(TGraphRecord& g, const TDesign& d, const std::string& name, bool automatic) {
    TSeriesDef c;
    c.Name = name;
    c.Subject = CurveSubjectOf(name);
    c.Element = FindCurveElement(d, name, c.Subject);
    c.Smoothing = g.DefaultSmoothing;
    const bool phaseAxis = KindHasPhase(g.Kind);
    c.ShowPhase = automatic && phaseAxis && !(g.Kind == TGraphKind::SPL && c.DriverOnly());
    g.ColourCounter = (g.ColourCounter + 1) % 7;
    c.ColourIndex = g.ColourCounter;
    g.AutoScalePending = automatic;
    g.Curves.push_back(std::move(c));
    return g.Curves.back();
}

void RemoveCurve(TGraphRecord& g, std::size_t i) {
    if (i >= g.Curves.size()) return;
    g.ColourCounter = g.Curves[i].ColourIndex;
    g.Curves.erase(g.Curves.begin() + static_cast<std::ptrdiff_t>(i));
    g.SelectedCurve = std::max(0, g.SelectedCurve - 1);
}

namespace {
template <class Pred>
int RemoveWhere(TGraphList& graphs, Pred of) {
    int removed = 0;
    for (TGraphRecord* g : graphs.Windows) {
        // Front to back without skipping the curve that moves into the place
        // of a removed one.
        for (std::size_t i = 0; i < g->Curves.size();) {
            if (!of(g->Curves[i])) {
                ++i;
                continue;
            }
            RemoveCurve(*g, i);
            ++removed;
        }
    }
    return removed;
}
}  // namespace

bool CurveShows(const TSeriesDef& c, const std::string& designator, bool driver) {
    if (c.Subject == TCurveSubject::System || IsDriverSubject(c.Subject) != driver) return false;
    return c.Name.substr(0, c.Name.find(' ')) == designator;
}

int RemoveCurvesOf(TGraphList& graphs, const std::string& designator, bool driver) {
    return RemoveWhere(graphs, [&](const TSeriesDef& c) { return CurveShows(c, designator, driver); });
}

}  // namespace pelmo
