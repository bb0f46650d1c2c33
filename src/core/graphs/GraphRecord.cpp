#include "graphs/GraphRecord.h"

#include <algorithm>

#include "graphs/GraphKinds.h"
#include "model/Design.h"

namespace pelmo {

TGraphRecord::TGraphRecord(TGraphKind kind) : Kind(kind) {
    const TGraphKindDescriptor& descriptor = GraphKindDescriptor(kind);
    VerticalCenter = descriptor.VerticalCenter;
    AutoSystemCurve = descriptor.Curves.System;
}

void TGraphList::Remove(const TGraphRecord* r) { std::erase(Windows, r); }

int FindCurve(const TGraphRecord& g, const TCurveSubject& subject) {
    for (std::size_t i = 0; i < g.Curves.size(); ++i)
        if (g.Curves[i].Subject == subject) return static_cast<int>(i);
    return -1;
}

int FindCurve(const TGraphRecord& g, const std::string& caption) {
    const std::optional<TCurveSubject> subject = ParseCurveCaption(caption);
    return subject ? FindCurve(g, *subject) : -1;
}

TSeriesDef& AddCurve(TGraphRecord& g, const TDesign& d, const TCurveSubject& subject, bool automatic) {
    const TGraphKindDescriptor& kind = GraphKindDescriptor(g.Kind);
    TSeriesDef c;
    c.Subject = subject;
    c.Name = CurveCaption(subject);
    c.Element = FindSubjectElement(d, subject);
    c.Smoothing = g.DefaultSmoothing;
    // A driver's own data beside its curve in the network shows no phase.
    const bool driverOnlyItem =
        kind.Curves.SecondDriverItems == TSubjectKind::DriverOnly && subject.Kind == TSubjectKind::DriverOnly;
    c.ShowPhase = automatic && kind.PhaseLimit > 0 && !driverOnlyItem;
    g.ColourCounter = (g.ColourCounter + 1) % 7;
    c.ColourIndex = g.ColourCounter;
    g.AutoScalePending = automatic;
    g.Curves.push_back(std::move(c));
    return g.Curves.back();
}

TSeriesDef& AddCurve(TGraphRecord& g, const TDesign& d, const std::string& caption, bool automatic) {
    const std::optional<TCurveSubject> subject = ParseCurveCaption(caption);
    if (subject) return AddCurve(g, d, *subject, automatic);
    TSeriesDef& c = AddCurve(g, d, TCurveSubject{TSubjectKind::Part, TPartType::Resistor, -1}, automatic);
    c.Name = caption;
    c.Element = -1;
    return c;
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
    if (c.Subject.Kind == TSubjectKind::System || IsDriverSubject(c.Subject) != driver) return false;
    return SubjectDesignator(c.Subject) == designator;
}

int RemoveCurvesOf(TGraphList& graphs, const std::string& designator, bool driver) {
    return RemoveWhere(graphs, [&](const TSeriesDef& c) { return CurveShows(c, designator, driver); });
}

}  // namespace pelmo
