#include "graphs/GraphCurves.h"

#include <algorithm>

#include "engine/GraphRecord.h"
#include "model/Design.h"

namespace pelmo {

namespace {
// Windows whose curves are added without the settings dialog and never show phase.
bool QuietKind(TGraphKind kind) {
    return kind == gkPower || kind == gkImpulse || kind == gkStep || kind == gkGroupDelay || kind == gkSquareWave;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

template <class T>
bool Holds(const Collection<T>& items, const T* p) {
    return std::any_of(items.begin(), items.end(), [p](const std::unique_ptr<T>& q) { return q.get() == p; });
}
}  // namespace

TCurveMenuLayout CurveMenuLayout(TGraphKind kind, const TDesign& d) {
    TCurveMenuLayout m;
    m.Items = CurveMenuNames(kind, d);
    if (kind == gkVoltage || kind == gkCurrent || kind == gkPower)
        m.SeparatorBefore = static_cast<int>(d.Drivers.size());
    m.ExportSystemFrd = kind == gkSPL;
    m.ExportSystemZma = kind == gkImpedance;
    m.ExportFrd = kind == gkFilter;
    if (m.ExportFrd)
        for (const auto& drv : d.Drivers) m.ExportItems.push_back(DriverDesignator(*drv));
    return m;
}

std::string CurveNameFromCaption(const std::string& caption) {
    std::string name = caption;
    std::erase(name, '&');
    return name;
}

TCurveChoice ChooseCurve(TGraphRecord& g, const TDesign& d, const std::string& name, bool automatic) {
    TCurveChoice c;
    c.DriverOnlyItem = g.Kind == gkSPL && EndsWith(name, " (driver only)");
    c.Index = FindCurve(g, name);
    if (c.Index < 0) {
        AddCurve(g, d, name, automatic);
        c.Index = static_cast<int>(g.Curves.size()) - 1;
        c.Added = true;
    }
    if (c.DriverOnlyItem) {
        c.ShowDialog = true;
        c.DialogAtTopLeft = true;
    } else {
        c.ShowDialog = !c.Added || (!automatic && !QuietKind(g.Kind));
    }
    if (automatic) {
        c.ShowDialog = false;
        g.AutoSystemCurve = false;
    }
    return c;
}

void ConfirmCurve(TGraphRecord& g, int index, bool driverOnlyItem) {
    if (index < 0 || static_cast<std::size_t>(index) >= g.Curves.size()) return;
    g.SelectedCurve = index;
    if (g.Kind == gkSPL && !driverOnlyItem) g.DefaultSmoothing = g.Curves[static_cast<std::size_t>(index)].Smoothing;
}

bool HoldAvailable(const TGraphRecord& g) { return FindCurve(g, SystemCurveName) >= 0; }

int RebindCurveElements(TGraphList& graphs, const TDesign& d) {
    int removed = 0;
    for (TGraphRecord* g : graphs.Windows) {
        for (std::size_t i = 0; i < g->Curves.size();) {
            TSeriesDef& c = g->Curves[i];
            if (!c.Driver && !c.Part) {
                ++i;
                continue;
            }
            // Only pointers known to be alive are followed.
            bool alive = false;
            if (c.Driver && Holds(d.Drivers, c.Driver))
                alive = c.Name.substr(0, c.Name.find(' ')) == DriverDesignator(*c.Driver);
            else if (c.Part && Holds(d.Parts, c.Part))
                alive = c.Name == PartDesignator(*c.Part);
            if (!alive) {
                TDriver* drv = nullptr;
                TPart* part = nullptr;
                FindCurveElement(d, c.Name, drv, part);
                if (!drv && !part) {
                    RemoveCurve(*g, i);
                    ++removed;
                    continue;
                }
                c.Driver = drv;
                c.Part = part;
            }
            ++i;
        }
    }
    return removed;
}

int SmoothingItemFor(double s) {
    if (s < 1.0 / 128.0) return 0;
    if (s < 1.0 / 23.0) return 1;
    if (s < 1.0 / 11.0) return 2;
    if (s < 0.2) return 3;
    if (s < 0.4) return 4;
    // Each bound lies just above its item's value; 1/1.9 keeps 1/2 octave
    // itself on "1/2 octave".
    if (s < 1.0 / 1.9) return 5;
    if (s < 1.1) return 6;
    return 7;
}

double SmoothingValueOf(int item) {
    if (item < 0 || static_cast<std::size_t>(item) >= SmoothingValues.size()) return 0.0;
    return SmoothingValues[static_cast<std::size_t>(item)];
}

TSeriesEditLayout SeriesEditLayout(TGraphKind kind, bool fileMode, bool driverOnly) {
    TSeriesEditLayout l;
    const bool splCurve = kind == gkSPL && !fileMode;
    l.Height = splCurve ? 158 : 129;
    l.PhaseBox = !QuietKind(kind);
    l.Smoothing = splCurve && !driverOnly;
    return l;
}

std::string SeriesEditLabel(const std::string& curveName) { return "select curve color for \"" + curveName + "\""; }

}  // namespace pelmo
