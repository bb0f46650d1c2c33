#include "graphs/GraphCurves.h"

#include <algorithm>

#include "graphs/DirectionalCurves.h"
#include "graphs/GraphKinds.h"
#include "graphs/GraphRecord.h"
#include "model/Design.h"

namespace pelmo {

TCurveMenuLayout CurveMenuLayout(TGraphKind kind, const TDesign& d) {
    const TGraphKindDescriptor& k = GraphKindDescriptor(kind);
    TCurveMenuLayout m;
    m.Subjects = CurveMenuSubjects(kind, d);
    for (const TCurveSubject& s : m.Subjects) m.Items.push_back(CurveCaption(s));
    if (k.Curves.Parts) m.SeparatorBefore = static_cast<int>(d.Drivers.size());
    m.ExportSystemFrd = k.ExportSystemFrd;
    m.ExportSystemZma = k.ExportSystemZma;
    m.ExportFrd = k.ExportDriverFrd;
    if (m.ExportFrd) {
        for (const auto& drv : d.Drivers) {
            m.ExportSubjects.push_back(TCurveSubject::OfDriver(TSubjectKind::Driver, *drv));
            m.ExportItems.push_back(CurveCaption(m.ExportSubjects.back()));
        }
    }
    return m;
}

std::string CurveNameFromCaption(const std::string& caption) {
    std::string name = caption;
    std::erase(name, '&');
    return name;
}

TCurveChoice ChooseCurve(TGraphRecord& g, const TDesign& d, const TCurveSubject& subject, bool automatic) {
    const TGraphKindDescriptor& kind = GraphKindDescriptor(g.Kind);
    TCurveChoice c;
    if (kind.CurveSet) {
        // The window shows one subject at a time, as its set of curves.
        c.Index = FindCurve(g, subject);
        if (c.Index < 0) {
            SetCurveSet(g, d, subject);
            c.Index = 0;
            c.Added = true;
        }
        if (automatic) g.AutoSystemCurve = false;
        return c;
    }
    c.DriverOnlyItem =
        kind.Curves.SecondDriverItems == TSubjectKind::DriverOnly && subject.Kind == TSubjectKind::DriverOnly;
    c.Index = FindCurve(g, subject);
    if (c.Index < 0) {
        AddCurve(g, d, subject, automatic);
        c.Index = static_cast<int>(g.Curves.size()) - 1;
        c.Added = true;
    }
    if (c.DriverOnlyItem) {
        c.ShowDialog = true;
        c.DialogAtTopLeft = true;
    } else {
        c.ShowDialog = !c.Added || (!automatic && !kind.QuietCurves);
    }
    if (automatic) {
        c.ShowDialog = false;
        g.AutoSystemCurve = false;
    }
    return c;
}

TCurveChoice ChooseCurve(TGraphRecord& g, const TDesign& d, const std::string& caption, bool automatic) {
    const std::optional<TCurveSubject> subject = ParseCurveCaption(CurveNameFromCaption(caption));
    return subject ? ChooseCurve(g, d, *subject, automatic) : TCurveChoice{};
}

void ConfirmCurve(TGraphRecord& g, int index, bool driverOnlyItem) {
    if (index < 0 || static_cast<std::size_t>(index) >= g.Curves.size()) return;
    g.SelectedCurve = index;
    if (GraphKindDescriptor(g.Kind).SmoothedCurves && !driverOnlyItem)
        g.DefaultSmoothing = g.Curves[static_cast<std::size_t>(index)].Smoothing;
}

bool HoldAvailable(const TGraphRecord& g) {
    // A colour map has no curve of its own to hold (its lines follow it).
    return g.Kind != TGraphKind::PolarMap && FindCurve(g, TCurveSubject{}) >= 0;
}

int RebindCurveElements(TGraphList& graphs, const TDesign& d) {
    int removed = 0;
    for (TGraphRecord* g : graphs.Windows) {
        for (std::size_t i = 0; i < g->Curves.size();) {
            TSeriesDef& c = g->Curves[i];
            if (c.Subject.Kind == TSubjectKind::System) {
                ++i;
                continue;
            }
            // A curve whose element still stands at its index stays with it;
            // any other follows its designator.
            if (!SubjectElementAt(d, c.Subject, c.Element)) c.Element = FindSubjectElement(d, c.Subject);
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
    const TGraphKindDescriptor& k = GraphKindDescriptor(kind);
    TSeriesEditLayout l;
    const bool smoothedCurve = k.SmoothedCurves && !fileMode;
    l.Height = smoothedCurve ? 158 : 129;
    l.PhaseBox = !k.QuietCurves;
    l.Smoothing = smoothedCurve && !driverOnly;
    return l;
}

std::vector<std::pair<std::string, TPhaseView>> PhaseViewItems(TGraphKind kind) {
    switch (kind) {
        case TGraphKind::SPL:
            return {{"wrapped", TPhaseView::Wrapped},
                    {"unwrapped", TPhaseView::Unwrapped},
                    {"excess phase", TPhaseView::Excess}};
        case TGraphKind::GroupDelay:
            return {{"group delay", TPhaseView::Wrapped}, {"excess group delay", TPhaseView::Excess}};
        default:
            return {};
    }
}

std::string SeriesEditLabel(const std::string& curveName) { return "select curve color for \"" + curveName + "\""; }

}  // namespace pelmo
