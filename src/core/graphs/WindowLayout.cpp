#include "graphs/WindowLayout.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "graphs/CurveSubject.h"
#include "graphs/DirectionalCurves.h"
#include "graphs/GraphKinds.h"

namespace pelmo {

namespace {

// Windows smaller than this, or larger, are not what a user left behind.
constexpr int MinWindowSide = 100;
constexpr int MaxWindowSide = 20000;
constexpr int MaxWindowPosition = 100000;

std::string Key(int n, const char* field) { return WindowKeyPrefix + std::to_string(n) + "." + field; }
std::string CurveKey(int n, int m, const char* field) {
    return WindowKeyPrefix + std::to_string(n) + ".curve." + std::to_string(m) + "." + field;
}

std::string RealText(double v) {
    std::array<char, 32> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    return std::string(buf.data(), r.ptr);
}

// The numbers of a value such as "100 20000", all of them finite; nullopt
// when any word is not one.
std::optional<std::vector<double>> Numbers(const std::string& text) {
    std::vector<double> out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t') {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < text.size() && text[j] != ' ' && text[j] != '\t') ++j;
        double v = 0;
        const auto r = std::from_chars(text.data() + i, text.data() + j, v);
        if (r.ec != std::errc() || r.ptr != text.data() + j || !std::isfinite(v)) return std::nullopt;
        out.push_back(v);
        i = j;
    }
    return out;
}

// A per-division or scale field: kept when it lies within [lo, hi].
void ReadScale(const TDesignSettings& s, int n, const char* field, double lo, double hi, double& value) {
    const double v = s.Real(Key(n, field), value);
    if (v >= lo && v <= hi) value = v;
}

// The record's scale fields a layout keeps: their key, where each stands in
// the layout and in the record, and the values a file may bring.
struct TScaleField {
    const char* Key;
    double TWindowLayout::*Layout;
    double TGraphRecord::*Record;
    double Lo, Hi;
};
constexpr TScaleField ScaleFields[] = {
    {"vertical_center", &TWindowLayout::VerticalCenter, &TGraphRecord::VerticalCenter, -30.0, 200.0},
    {"db_per_div", &TWindowLayout::DbPerDiv, &TGraphRecord::DbPerDiv, 0.01, 1000.0},
    {"ohms_per_div", &TWindowLayout::OhmsPerDiv, &TGraphRecord::OhmsPerDiv, 1e-6, 1e9},
    {"volts_per_div", &TWindowLayout::VoltsPerDiv, &TGraphRecord::VoltsPerDiv, 1e-6, 1e9},
    {"amps_per_div", &TWindowLayout::AmpsPerDiv, &TGraphRecord::AmpsPerDiv, 1e-6, 1e9},
    {"watts_per_div", &TWindowLayout::WattsPerDiv, &TGraphRecord::WattsPerDiv, 1e-6, 1e9},
    {"usec_per_div", &TWindowLayout::UsecPerDiv, &TGraphRecord::UsecPerDiv, 1.0, 5000.0},
    {"response_scale", &TWindowLayout::ResponseScale, &TGraphRecord::ResponseScale, 0.001, 100000.0},
    {"test_frequency", &TWindowLayout::TestFrequency, &TGraphRecord::TestFrequency, 5.0, 20000.0 / 3.0},
    {"default_smoothing", &TWindowLayout::DefaultSmoothing, &TGraphRecord::DefaultSmoothing, 0.0, AuditorySmoothing},
    {"degrees_per_div", &TWindowLayout::DegreesPerDiv, &TGraphRecord::DegreesPerDiv, 1.0, 180.0},
};

std::optional<TAxisSpan> ReadSpan(const TDesignSettings& s, int n, const char* field, bool log) {
    const auto text = s.Text(Key(n, field));
    if (!text) return std::nullopt;
    const auto v = Numbers(*text);
    if (!v || v->size() != 2) return std::nullopt;
    const TAxisSpan span{(*v)[0], (*v)[1]};
    if (!(span.Min < span.Max) || (log && span.Min <= 0.0) || std::abs(span.Min) > 1e12 || std::abs(span.Max) > 1e12)
        return std::nullopt;
    return span;
}

std::string SpanText(const TAxisSpan& a) { return RealText(a.Min) + " " + RealText(a.Max); }

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        std::string item = text.substr(start, end - start);
        const auto first = item.find_first_not_of(" \t");
        const auto last = item.find_last_not_of(" \t");
        item = first == std::string::npos ? std::string() : item.substr(first, last - first + 1);
        if (!item.empty()) out.push_back(item);
        start = end + 1;
    }
    return out;
}

bool IsSmoothing(double v) { return v >= 0.0 && v <= AuditorySmoothing; }

TWindowLayout ReadWindow(const TDesignSettings& s, int n, TGraphKind kind) {
    TWindowLayout l;
    l.Kind = kind;
    // The record's defaults for the kind are the fallbacks.
    {
        const TGraphRecord fresh(kind);
        const TWindowLayout defaults = WindowLayoutOf(fresh);
        l = defaults;
    }
    const int number = s.Int(Key(n, "number"), 0);
    if (number >= 1 && number <= 10000) l.WindowNumber = number;

    // A window showing a set of curves keeps only their subject.
    const bool subjectOnly = GraphKindDescriptor(kind).CurveSet;
    if (const auto names = s.Text(Key(n, "curves"))) {
        int m = 0;
        for (const std::string& name : SplitList(*names)) {
            if (m >= MaxLaidOutCurves) break;
            ++m;
            TCurveLayout c;
            c.Name = name;
            const int colour = s.Int(CurveKey(n, m, "colour"), 0);
            c.ColourIndex = std::clamp(colour, -1, 1000);
            c.ShowPhase = s.Bool(CurveKey(n, m, "phase"), false);
            const double smoothing = s.Real(CurveKey(n, m, "smoothing"), l.DefaultSmoothing);
            c.Smoothing = IsSmoothing(smoothing) ? smoothing : l.DefaultSmoothing;
            const auto view = s.Text(CurveKey(n, m, "phase_view"));
            if (view && *view == "unwrapped") c.PhaseView = TPhaseView::Unwrapped;
            if (view && *view == "excess") c.PhaseView = TPhaseView::Excess;
            if (subjectOnly) c = {name, 0, false, 0.0};
            l.Curves.push_back(std::move(c));
        }
    }

    for (const TScaleField& f : ScaleFields) ReadScale(s, n, f.Key, f.Lo, f.Hi, l.*f.Layout);

    if (GraphKindDescriptor(kind).CurveSet) {
        TDirectionalView& v = l.Directional;
        const std::string plane = s.Text(Key(n, "plane"), "");
        if (plane == "horizontal") v.Plane = TPlane::Horizontal;
        if (plane == "vertical") v.Plane = TPlane::Vertical;
        ReadScale(s, n, "angle_step", 1.0, 90.0, v.AngleStepDeg);
        ReadScale(s, n, "max_angle", 0.0, 180.0, v.MaxAngleDeg);
        ReadScale(s, n, "sector_step", 1.0, 90.0, v.SectorStepDeg);
        v.Normalised = s.Bool(Key(n, "normalised"), v.Normalised);
    }

    l.Bottom = ReadSpan(s, n, "xaxis", BottomAxisSetup(kind).Log);
    l.Left = ReadSpan(s, n, "yaxis", false);

    if (const auto legend = s.Text(Key(n, "legend"))) {
        const std::string& t = *legend;
        const std::size_t blank = t.find(' ');
        const std::string where = t.substr(0, blank);
        if (where == "outside") l.Legend.Outside = true;
        if (where == "inside" && blank != std::string::npos) {
            const auto v = Numbers(t.substr(blank + 1));
            if (v && v->size() == 2) {
                l.Legend.Moved = true;
                l.Legend.Left = std::clamp((*v)[0], 0.0, 1.0);
                l.Legend.Top = std::clamp((*v)[1], 0.0, 1.0);
            }
        }
    }

    if (const auto geometry = s.Text(Key(n, "geometry"))) {
        const auto v = Numbers(*geometry);
        if (v && v->size() == 4) {
            const auto inRange = [](double x, double lo, double hi) { return x >= lo && x <= hi; };
            const double x = (*v)[0], y = (*v)[1], w = (*v)[2], h = (*v)[3];
            if (inRange(x, -MaxWindowPosition, MaxWindowPosition) &&
                inRange(y, -MaxWindowPosition, MaxWindowPosition) && inRange(w, 1, MaxWindowSide) &&
                inRange(h, 1, MaxWindowSide))
                l.Geometry =
                    TWindowRect{static_cast<int>(x), static_cast<int>(y), std::max(MinWindowSide, static_cast<int>(w)),
                                std::max(MinWindowSide, static_cast<int>(h))};
        }
    }
    return l;
}

}  // namespace

TWindowLayout WindowLayoutOf(const TGraphRecord& g) {
    TWindowLayout l;
    l.Kind = g.Kind;
    l.WindowNumber = g.WindowNumber;
    if (GraphKindDescriptor(g.Kind).CurveSet) {
        if (!g.Curves.empty()) l.Curves.push_back({CurveCaption(g.Curves.front().Subject), 0, false, 0.0});
    } else {
        for (const TSeriesDef& c : g.Curves)
            l.Curves.push_back({c.Name, c.ColourIndex, c.ShowPhase, c.Smoothing, c.PhaseView});
    }
    for (const TScaleField& f : ScaleFields) l.*f.Layout = g.*f.Record;
    l.Directional = g.Directional;
    l.Legend = g.Legend;
    return l;
}

void ApplyLayoutScales(const TWindowLayout& l, TGraphRecord& g) {
    for (const TScaleField& f : ScaleFields) g.*f.Record = l.*f.Layout;
    g.Directional = l.Directional;
    g.Legend = l.Legend;
}

void ApplyLayoutCurves(const TWindowLayout& l, TGraphRecord& g, const TDesign& d) {
    g.AutoSystemCurve = false;
    g.AutoScalePending = false;
    if (GraphKindDescriptor(g.Kind).CurveSet) {
        const auto subject = l.Curves.empty() ? std::nullopt : ParseCurveCaption(l.Curves.front().Name);
        SetCurveSet(g, d, subject.value_or(TCurveSubject{}));
        return;
    }
    g.Curves.clear();
    const std::vector<std::string> offered = CurveMenuNames(g.Kind, d);
    for (const TCurveLayout& c : l.Curves) {
        const auto subject = ParseCurveCaption(c.Name);
        if (!subject) continue;
        const std::string caption = CurveCaption(*subject);
        if (std::find(offered.begin(), offered.end(), caption) == offered.end()) continue;
        if (FindCurve(g, *subject) >= 0) continue;  // listed twice
        TSeriesDef& curve = AddCurve(g, d, *subject, false);
        curve.ColourIndex = c.ColourIndex;
        curve.ShowPhase = c.ShowPhase && KindHasPhase(g.Kind);
        curve.Smoothing = c.Smoothing;
        curve.PhaseView = c.PhaseView;
        g.ColourCounter = c.ColourIndex;
    }
}

std::vector<TWindowLayout> ReadWindowLayouts(const TDesignSettings& settings) {
    std::vector<TWindowLayout> out;
    for (int n = 1; n <= MaxLaidOutWindows; ++n) {
        const auto kind = settings.Text(Key(n, "kind"));
        if (!kind) break;
        if (const TGraphKindName* name = FindGraphKindName(*kind)) out.push_back(ReadWindow(settings, n, name->Kind));
    }
    return out;
}

void RemoveWindowLayouts(TDesignSettings& settings) {
    std::vector<std::string> keys;
    for (const TDesignSettings::TEntry& e : settings.Entries())
        if (e.Key.rfind(WindowKeyPrefix, 0) == 0) keys.push_back(e.Key);
    for (const std::string& k : keys) settings.Remove(k);
}

void WriteWindowLayouts(const std::vector<TWindowLayout>& windows, TDesignSettings& settings) {
    RemoveWindowLayouts(settings);
    int n = 0;
    for (const TWindowLayout& l : windows) {
        if (++n > MaxLaidOutWindows) break;
        settings.Set(Key(n, "kind"), GraphKindDescriptor(l.Kind).Name);
        settings.SetInt(Key(n, "number"), l.WindowNumber);
        std::string names;
        for (const TCurveLayout& c : l.Curves) names += (names.empty() ? "" : ", ") + c.Name;
        settings.Set(Key(n, "curves"), names);
        if (!GraphKindDescriptor(l.Kind).CurveSet) {
            int m = 0;
            for (const TCurveLayout& c : l.Curves) {
                ++m;
                settings.SetInt(CurveKey(n, m, "colour"), c.ColourIndex);
                settings.SetBool(CurveKey(n, m, "phase"), c.ShowPhase);
                settings.SetReal(CurveKey(n, m, "smoothing"), c.Smoothing);
                if (c.PhaseView != TPhaseView::Wrapped)
                    settings.Set(CurveKey(n, m, "phase_view"),
                                 c.PhaseView == TPhaseView::Excess ? "excess" : "unwrapped");
            }
        }
        // Only the scales that the window's kind uses.
        const TGraphRecord defaults(l.Kind);
        for (const TScaleField& f : ScaleFields)
            if (l.*f.Layout != defaults.*f.Record) settings.SetReal(Key(n, f.Key), l.*f.Layout);
        if (GraphKindDescriptor(l.Kind).CurveSet) {
            const TDirectionalView& v = l.Directional;
            settings.Set(Key(n, "plane"), v.Plane == TPlane::Horizontal ? "horizontal" : "vertical");
            settings.SetReal(Key(n, "angle_step"), v.AngleStepDeg);
            settings.SetReal(Key(n, "max_angle"), v.MaxAngleDeg);
            settings.SetReal(Key(n, "sector_step"), v.SectorStepDeg);
            settings.SetBool(Key(n, "normalised"), v.Normalised);
        }
        if (l.Bottom) settings.Set(Key(n, "xaxis"), SpanText(*l.Bottom));
        if (l.Left) settings.Set(Key(n, "yaxis"), SpanText(*l.Left));
        if (l.Legend.Outside)
            settings.Set(Key(n, "legend"), "outside");
        else if (l.Legend.Moved)
            settings.Set(Key(n, "legend"), "inside " + RealText(l.Legend.Left) + " " + RealText(l.Legend.Top));
        if (l.Geometry)
            settings.Set(Key(n, "geometry"), std::to_string(l.Geometry->X) + " " + std::to_string(l.Geometry->Y) + " " +
                                                 std::to_string(l.Geometry->W) + " " + std::to_string(l.Geometry->H));
    }
}

// ---------------------------------------------------------------------------
// Placement

TWindowRect ClampOntoArea(TWindowRect r, const TWindowRect& area) {
    if (area.W <= 0 || area.H <= 0) return r;
    r.W = std::clamp(r.W, 1, std::max(1, area.W));
    r.H = std::clamp(r.H, 1, std::max(1, area.H));
    r.X = std::clamp(r.X, area.X, area.Right() - r.W);
    r.Y = std::clamp(r.Y, area.Y, area.Bottom() - r.H);
    return r;
}

TWindowRect PlaceNewWindow(int w, int h, const TWindowRect& mainWindow, const TWindowRect& area,
                           const std::vector<TWindowRect>& taken) {
    w = std::clamp(w, 1, std::max(1, area.W));
    h = std::clamp(h, 1, std::max(1, area.H));
    const auto isFree = [&](const TWindowRect& r) {
        if (!area.Contains(r)) return false;
        return std::none_of(taken.begin(), taken.end(), [&](const TWindowRect& t) { return t.Intersects(r); });
    };
    // The two free regions: right of the main window (its full height of
    // the screen), then below it.
    const TWindowRect right{mainWindow.Right(), area.Y, area.Right() - mainWindow.Right(), area.H};
    const TWindowRect below{area.X, mainWindow.Bottom(), area.W, area.Bottom() - mainWindow.Bottom()};
    // A region at least half as wide and high as the window takes it,
    // narrowed to the region where it must be.
    const auto fitsIn = [&](const TWindowRect& region) { return 2 * region.W >= w && 2 * region.H >= h; };
    for (const TWindowRect& region : {right, below}) {
        if (!fitsIn(region)) continue;
        const int cw = std::min(w, region.W), ch = std::min(h, region.H);
        for (int y = region.Y; y + ch <= region.Bottom(); y += ch)
            for (int x = region.X; x + cw <= region.Right(); x += cw)
                if (const TWindowRect r{x, y, cw, ch}; isFree(r)) return r;
    }
    // Nothing free: overlap, stepping down and right from the top-left of
    // the free area, round again when the steps reach its edge.
    TWindowRect from = fitsIn(right) ? right : fitsIn(below) ? below : area;
    from = ClampOntoArea(from, area);
    w = std::min(w, from.W);
    h = std::min(h, from.H);
    constexpr int Step = 30;
    const int roomX = std::max(0, from.W - w) / Step + 1, roomY = std::max(0, from.H - h) / Step + 1;
    const int k = static_cast<int>(taken.size()) % std::max(roomX, roomY);
    return ClampOntoArea({from.X + (k % roomX) * Step, from.Y + (k % roomY) * Step, w, h}, area);
}

std::vector<TWindowRect> TileWindows(int count, const TWindowRect& mainWindow, const TWindowRect& area) {
    std::vector<TWindowRect> out;
    if (count <= 0) return out;
    constexpr int MinSide = 200;
    const TWindowRect right{mainWindow.Right(), area.Y, area.Right() - mainWindow.Right(), area.H};
    const TWindowRect below{area.X, mainWindow.Bottom(), area.W, area.Bottom() - mainWindow.Bottom()};
    TWindowRect region = area;
    if (right.W >= MinSide && right.H >= MinSide)
        region = right;
    else if (below.W >= MinSide && below.H >= MinSide)
        region = below;
    region = ClampOntoArea(region, area);
    // The grid whose cells come nearest to a graph window's usual shape.
    constexpr double Shape = 604.0 / 416.0;
    int bestCols = 1;
    double bestScore = 1e300;
    for (int cols = 1; cols <= count; ++cols) {
        const int rows = (count + cols - 1) / cols;
        const double cw = static_cast<double>(region.W) / cols, ch = static_cast<double>(region.H) / rows;
        const double score = std::abs(std::log((cw / ch) / Shape));
        if (score < bestScore) {
            bestScore = score;
            bestCols = cols;
        }
    }
    const int rows = (count + bestCols - 1) / bestCols;
    for (int i = 0; i < count; ++i) {
        const int c = i % bestCols, r = i / bestCols;
        const int x0 = region.X + region.W * c / bestCols, x1 = region.X + region.W * (c + 1) / bestCols;
        const int y0 = region.Y + region.H * r / rows, y1 = region.Y + region.H * (r + 1) / rows;
        out.push_back({x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0)});
    }
    return out;
}

}  // namespace pelmo
