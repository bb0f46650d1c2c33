#include "graphs/GraphCurves.h"

#include <algorithm>

#include "graphs/GraphRecord.h"
#include "model/Design.h"

namespace pelmo {

namespace {
// Windows whose curves are added without the settings dialog and never show phase.
bool QuietKind(TGraphKind kind) {
    return kind == TGraphKind::Power || kind == TGraphKind::Impulse || kind == TGraphKind::Step ||
           kind == TGraphKind::GroupDelay || kind == TGraphKind::SquareWave;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

TCurveMenuLayout CurveMenuLayout(TGraphKind kind, const TDesign& d) {
    TCurveMenuLayout m;
    m.Items = CurveMenuNames(kind, d);
    if (kind == TGraphKind::Voltage || kind == TGraphKind::Current || kind == TGraphKind::Power)
        m.SeparatorBefore = static_cast<int>(d.Drivers.size());
    m.ExportSystemFrd = kind == TGraphKind::SPL;
    m.ExportSystemZma = kind == TGraphKind::Impedance;
    m.ExportFrd = kind == TGraphKind::Filter;
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
    c.DriverOnlyItem = g.Kind == TGraphKind::SPL && EndsWith(name, " (driver only)");
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
    if (g.Kind == TGraphKind::SPL && !driverOnlyItem)
        g.DefaultSmoothing = g.Curves[static_cast<std::size_t>(index)].Smoothing;
}

bool HoldAvailable(const TGraphRecord& g) { return FindCurve(g, SystemCurveName) >= 0; }

int RebindCurveElements(TGraphList& graphs, const TDesign& d) {
    int removed = 0;
    for (TGraphRecord* g : graphs.Windows) {
        for (std::size_t i = 0; i < g->Curves.size();) {
            TSeriesDef& c = g->Curves[i];
            if (c.Subject == TCurveSubject::System) {
                ++i;
                continue;
            }
            // A curve whose element still stands at its index under its name
            // stays with it; any other follows its name.
            const auto at = static_cast<std::size_t>(c.Element);
            bool same = false;
            if (IsDriverSubject(c.Subject))
                same = c.Element >= 0 && at < d.Drivers.size() &&
                       c.Name.substr(0, c.Name.find(' ')) == DriverDesignator(*d.Drivers[at]);
            else
                same = c.Element >= 0 && at < d.Parts.size() && c.Name == PartDesignator(*d.Parts[at]);
            if (!same) c.Element = FindCurveElement(d, c.Name, c.Subject);
            if (c.Element < 0) {
                RemoveCurve(*g, i);
                ++removed;
                continue;
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
    const bool splCurve = kind == TGraphKind::SPL && !fileMode;
    l.Height = splCurve ? 158 : 129;
    l.PhaseBox = !QuietKind(kind);
    l.Smoothing = splCurve && !driverOnly;
    return l;
}

std::string SeriesEditLabel(const std::string& curveName) { return "select curve color for \"" + curveName + "\""; }

}  // namespace pelmo
