#include "engine/GraphRecord.h"

#include <algorithm>
#include <cctype>

#include "model/Design.h"

namespace pelmo {

namespace {
bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

constexpr const char* DriverOnlySuffix = " (driver only)";
constexpr const char* LookbackSuffix = " (lookback)";
}  // namespace

TGraphRecord::TGraphRecord(TGraphKind kind) : Kind(kind) {
    if (kind == gkSPL) VerticalCenter = 90.0;
    if (kind == gkFilter) VerticalCenter = 0.0;
    AutoSystemCurve = KindHasSystemCurve(kind);
}

void TGraphList::Remove(const TGraphRecord* r) { std::erase(Windows, r); }

bool KindHasPhase(TGraphKind kind) {
    switch (kind) {
        case gkSPL:
        case gkImpedance:
        case gkFilter:
        case gkVoltage:
        case gkCurrent:
            return true;
        default:
            return false;
    }
}

bool KindHasSystemCurve(TGraphKind kind) {
    switch (kind) {
        case gkSPL:
        case gkImpedance:
        case gkGroupDelay:
        case gkImpulse:
        case gkStep:
        case gkSquareWave:
            return true;
        default:
            return false;
    }
}

std::vector<std::string> CurveMenuNames(TGraphKind kind, const TDesign& d) {
    std::vector<std::string> names;
    if (KindHasSystemCurve(kind)) names.push_back("System");
    for (const auto& drv : d.Drivers)
        names.push_back(DriverDesignator(*drv) + (kind == gkImpedance ? DriverOnlySuffix : ""));
    if (kind == gkSPL || kind == gkImpedance)
        for (const auto& drv : d.Drivers)
            names.push_back(DriverDesignator(*drv) + (kind == gkSPL ? DriverOnlySuffix : LookbackSuffix));
    if (kind == gkVoltage || kind == gkCurrent || kind == gkPower) {
        for (std::uint8_t type : {ptCapacitor, ptInductor, ptResistor})
            for (const auto& p : d.Parts)
                if (p->PartType == type) names.push_back(PartDesignator(*p));
    }
    return names;
}

int FindCurve(const TGraphRecord& g, const std::string& name) {
    for (std::size_t i = 0; i < g.Curves.size(); ++i)
        if (SameIgnoringCase(g.Curves[i].Name, name)) return static_cast<int>(i);
    return -1;
}

void FindCurveElement(const TDesign& d, const std::string& name, TDriver*& driver, TPart*& part) {
    driver = nullptr;
    part = nullptr;
    if (name.empty()) return;
    if (name[0] == 'S') {
        const std::string head = name.substr(0, name.find(' '));
        for (const auto& drv : d.Drivers)
            if (DriverDesignator(*drv) == head) {
                driver = drv.get();
                return;
            }
        return;
    }
    for (const auto& p : d.Parts)
        if (PartDesignator(*p) == name) {
            part = p.get();
            return;
        }
}

TSeriesDef& AddCurve(TGraphRecord& g, const TDesign& d, const std::string& name, bool automatic) {
    TSeriesDef c;
    c.Name = name;
    c.Smoothing = g.DefaultSmoothing;
    c.DriverOnly = g.Kind == gkSPL && EndsWith(name, DriverOnlySuffix);
    const bool phaseAxis = KindHasPhase(g.Kind);
    c.ShowPhase = automatic && phaseAxis && !c.DriverOnly;
    g.ColourCounter = (g.ColourCounter + 1) % 7;
    c.ColourIndex = g.ColourCounter;
    FindCurveElement(d, name, c.Driver, c.Part);
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

int RemoveCurvesOf(TGraphList& graphs, const TPart* part) {
    if (!part) return 0;
    return RemoveWhere(graphs, [part](const TSeriesDef& c) { return c.Part == part; });
}

int RemoveCurvesOf(TGraphList& graphs, const TDriver* driver) {
    if (!driver) return 0;
    return RemoveWhere(graphs, [driver](const TSeriesDef& c) { return c.Driver == driver; });
}

}  // namespace pelmo
