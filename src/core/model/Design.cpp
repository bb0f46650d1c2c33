#include "model/Design.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>

#include "base/Rounding.h"
#include "base/Text.h"
#include "model/AnalysisGrid.h"
#include "model/StepModes.h"

namespace pelmo {

namespace {

void InitDefaultPart(TPart& p, TPartType type, double value, double esr, double rating) {
    p.PartType = type;
    p.Value = value;
    p.ESR = esr;
    p.Rating = rating;
    p.StepMode = smmPC5;
    p.IsHorizontal = true;
    p.State = TPartState::Normal;
}

template <class T>
T& Append(Collection<T>& c) {
    c.push_back(std::make_unique<T>());
    return *c.back();
}

// At most n code points of a UTF-8 text.
std::string FirstCodePoints(const std::string& s, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (count == n) return s.substr(0, i);
            ++count;
        }
    }
    return s;
}

}  // namespace

TDesign::TDesign() {
    OctavesPerStep = MakeLogGrid(Grid);
    InitSource(Source);
    InitDefaultPart(DefaultPart(TPartType::Resistor), TPartType::Resistor, 10.0, -1.0, 10.0);
    InitDefaultPart(DefaultPart(TPartType::Capacitor), TPartType::Capacitor, 1e-5, 0.05, 250.0);
    InitDefaultPart(DefaultPart(TPartType::Inductor), TPartType::Inductor, 1e-3, 0.35, 300.0);
    SetNewDriverDefaults(*this, DefaultDriver);
    DefaultText.Size = 8;
    DefaultText.Color = 0x800000;
    DefaultText.Subckt = -1;
}

void InitSource(TSource& s) {
    s.Placed = true;
    s.Inverted = false;
    s.Power = 1.0;
    s.Ohms = 8.0;
    s.Vrms = std::sqrt(8.0);
    s.InternalResistance = 0.001;
    const TPoint pos{SheetWidth / 2 - 10, SheetHeight / 2};
    s.Position = pos;
    s.SavedPosition = pos;
    const TTerminals t = SourceTerminals(pos);
    s.Terminal1 = t.T1;
    s.Terminal2 = t.T2;
    s.BodyRect = SourceBodyRect(pos);
    s.PixelPosition = Scaled(pos, 10);
}

TTerminals PartTerminals(TPoint p, bool horizontal) {
    if (horizontal) return {{p.X - 3, p.Y}, {p.X + 3, p.Y}};
    return {{p.X, p.Y - 3}, {p.X, p.Y + 3}};
}

TRect PartBodyRect(TPoint p, bool horizontal) {
    if (horizontal) return {p.X - 2, p.Y - 1, p.X + 2, p.Y + 1};
    return {p.X - 1, p.Y - 2, p.X + 1, p.Y + 2};
}

TTerminals DriverTerminals(TPoint p) { return {{p.X - 1, p.Y - 1}, {p.X - 1, p.Y + 1}}; }
TRect DriverBodyRect(TPoint p) { return {p.X, p.Y - 2, p.X + 3, p.Y + 2}; }
TTerminals SourceTerminals(TPoint p) { return {{p.X + 3, p.Y - 2}, {p.X + 3, p.Y + 2}}; }
TRect SourceBodyRect(TPoint p) { return {p.X - 4, p.Y - 3, p.X + 2, p.Y + 3}; }
TRect GroundBodyRect(TPoint p) { return {p.X - 1, p.Y + 2, p.X + 1, p.Y + 3}; }

void SetPartPosition(const TDesign& d, TPart& p, TPoint pos) {
    p.Position = pos;
    p.PixelPosition = Scaled(pos, d.Scale);
    p.SavedPosition = pos;
    const TTerminals t = PartTerminals(pos, p.IsHorizontal);
    p.Terminal1 = t.T1;
    p.Terminal2 = t.T2;
    p.BodyRect = PartBodyRect(pos, p.IsHorizontal);
    p.Selected = false;
}

void SetPartOrientation(const TDesign& d, TPart& p, bool horizontal) {
    p.IsHorizontal = horizontal;
    SetPartPosition(d, p, p.Position);
}

void SetDriverPosition(const TDesign& d, TDriver& drv, TPoint pos) {
    drv.Position = pos;
    drv.PixelPosition = Scaled(pos, d.Scale);
    drv.SavedPosition = pos;
    const TTerminals t = DriverTerminals(pos);
    drv.Terminal1 = t.T1;
    drv.Terminal2 = t.T2;
    drv.BodyRect = DriverBodyRect(pos);
    drv.Selected = false;
}

void SetSourcePosition(const TDesign& d, TSource& s, TPoint pos) {
    s.Position = pos;
    s.PixelPosition = Scaled(pos, d.Scale);
    s.SavedPosition = pos;
    const TTerminals t = SourceTerminals(pos);
    s.Terminal1 = t.T1;
    s.Terminal2 = t.T2;
    s.BodyRect = SourceBodyRect(pos);
    s.Selected = false;
}

void SetGroundPosition(const TDesign& d, TGround& g, TPoint pos) {
    g.Position = pos;
    g.PixelPosition = Scaled(pos, d.Scale);
    g.BodyRect = GroundBodyRect(pos);
    g.Selected = false;
}

void SetTextPosition(const TDesign& d, TSheetText& t, TPoint pos) {
    t.Position = pos;
    t.Selected = false;
    UpdateTextRect(d, t);
}

void SetWireEnds(const TDesign& d, TWire& w, TPoint end1, TPoint end2) {
    w.End1 = end1;
    w.End2 = end2;
    w.PixelEnd1 = Scaled(end1, d.Scale);
    w.PixelEnd2 = Scaled(end2, d.Scale);
}

void SetDesignScale(TDesign& d, int scale) {
    d.Scale = scale;
    for (auto& p : d.Parts) p->PixelPosition = Scaled(p->Position, scale);
    for (auto& drv : d.Drivers) drv->PixelPosition = Scaled(drv->Position, scale);
    for (auto& g : d.Grounds) g->PixelPosition = Scaled(g->Position, scale);
    for (auto& w : d.Wires) {
        w->PixelEnd1 = Scaled(w->End1, scale);
        w->PixelEnd2 = Scaled(w->End2, scale);
    }
    d.Source.PixelPosition = Scaled(d.Source.Position, scale);
}

namespace {
template <class Range, class Pred>
int SmallestFree(const Range& items, Pred inGroup) {
    std::set<int> used;
    for (const auto& item : items)
        if (inGroup(*item)) used.insert(item->RefDes);
    int n = 1;
    while (used.count(n)) ++n;
    return n;
}
}  // namespace

int NextPartRefDes(const TDesign& d, TPartType partType) {
    return SmallestFree(d.Parts, [partType](const TPart& p) { return p.PartType == partType; });
}

int NextDriverRefDes(const TDesign& d) {
    return SmallestFree(d.Drivers, [](const TDriver&) { return true; });
}

std::string PartDesignator(const TPart& p) {
    static const char* const prefix[] = {"R", "C", "L"};
    const char* pre = p.PartType <= TPartType::Inductor ? prefix[ToInt(p.PartType)] : "?";
    return pre + std::to_string(p.RefDes);
}

std::string DriverDesignator(const TDriver& drv) { return "S" + std::to_string(drv.RefDes); }

int FindDriverByDesignator(const TDesign& d, const std::string& name) {
    for (std::size_t i = 0; i < d.Drivers.size(); ++i)
        if (SameTextIgnoringCase(DriverDesignator(*d.Drivers[i]), name)) return static_cast<int>(i);
    return -1;
}

std::string DriverDesignatorList(const TDesign& d) {
    std::string list;
    for (const auto& drv : d.Drivers) list += (list.empty() ? "" : " ") + DriverDesignator(*drv);
    return list;
}

TPart& AppendPart(TDesign& d) { return Append(d.Parts); }
TDriver& AppendDriver(TDesign& d) { return Append(d.Drivers); }
TWire& AppendWire(TDesign& d) { return Append(d.Wires); }
TGround& AppendGround(TDesign& d) { return Append(d.Grounds); }
TSheetText& AppendText(TDesign& d) { return Append(d.Texts); }
TCircuitBlock& AppendBlock(TDesign& d) { return Append(d.Blocks); }

TPart& AddPart(TDesign& d, TPartType partType, TPoint pos, bool horizontal) {
    const TPart& def = d.DefaultPart(partType);
    const int refDes = NextPartRefDes(d, partType);
    TPart& p = AppendPart(d);
    p.PartType = partType;
    p.StepMode = def.StepMode;
    p.Value = def.Value;
    p.ESR = def.ESR;
    p.Rating = def.Rating;
    p.PartNumber.clear();
    p.IsHighSpec = false;
    p.SpecTolerance = def.SpecTolerance;
    p.SearchTolerance = def.SearchTolerance;
    p.ESRSearchTolerance = def.ESRSearchTolerance;
    p.RefDes = refDes;
    p.State = TPartState::Normal;
    p.Subckt = -1;
    p.IsHorizontal = horizontal;
    SetPartPosition(d, p, pos);
    return p;
}

void SetNewDriverDefaults(TDesign& d, TDriver& drv) {
    drv.Acoustic.FRDFile.clear();
    drv.ZMAFile.clear();
    drv.Name.clear();
    drv.PartNumber.clear();
    drv.Vendor.clear();
    drv.Description.clear();
    drv.Acoustic.AcousticFile.clear();
    drv.Inverted = false;
    drv.Muted = false;
    drv.Acoustic.UseAcousticModel = false;
    drv.Acoustic.HilbertPhase = false;
    drv.Acoustic.Tails.Invert = false;
    drv.Rating = 10.0;
    drv.Gain = 1.0;
    drv.DelaySeconds = 0.0;
    drv.Acoustic.Tails.LowFreq = 100.0;
    drv.Acoustic.Tails.HighFreq = 20000.0;
    drv.Acoustic.Tails.LowSlope = 12.0;
    drv.Acoustic.Tails.HighSlope = 12.0;
    drv.Acoustic.Tails.DelayInches = 0.0;
    drv.NominalDia = 6.5;
    drv.RectHeight = 0.0;
    drv.RectWidth = 0.0;
    drv.Acoustic.AcousticEffect.clear();
    EnsureAnalysisGrid(d);
    SetDefaultImpedance(drv);
    SetDefaultResponse(drv);
}

TDriver& AddDriver(TDesign& d, TPoint pos) {
    const int refDes = NextDriverRefDes(d);
    TDriver& drv = AppendDriver(d);
    SetNewDriverDefaults(d, drv);
    drv.RefDes = refDes;
    SetDriverPosition(d, drv, pos);
    return drv;
}

TGround& AddGround(TDesign& d, TPoint pos) {
    TGround& g = AppendGround(d);
    SetGroundPosition(d, g, pos);
    return g;
}

TWire& AddWire(TDesign& d, TPoint end1, TPoint end2) {
    TWire& w = AppendWire(d);
    SetWireEnds(d, w, end1, end2);
    return w;
}

TSheetText& AddText(TDesign& d, TPoint pos, const std::string& text) {
    TSheetText& t = AppendText(d);
    t.Text = text;
    t.Size = d.DefaultText.Size;
    t.Color = d.DefaultText.Color;
    SetTextPosition(d, t, pos);
    return t;
}

void CopyPart(const TPart& from, TPart& to) {
    to.PartType = from.PartType;
    to.Value = from.Value;
    to.PartNumber = from.PartNumber;
    to.Equation1 = from.Equation1;
    to.Equation2 = from.Equation2;
    to.Subckt = from.Subckt;
    to.IsHorizontal = from.IsHorizontal;
    to.Position = from.Position;
    to.State = from.State;
    to.PixelPosition = from.PixelPosition;
    to.BodyRect = from.BodyRect;
    to.ESR = from.ESR;
    to.Rating = from.Rating;
    to.IsHighSpec = from.IsHighSpec;
    to.SpecTolerance = from.SpecTolerance;
    to.SearchTolerance = from.SearchTolerance;
    to.ESRSearchTolerance = from.ESRSearchTolerance;
    to.Vendor = from.Vendor;
    to.BoundValue = from.BoundValue;
    to.BoundESR = from.BoundESR;
    to.BoundRating = from.BoundRating;
    to.ChosenTolerance = from.ChosenTolerance;
    to.StepMode = from.StepMode;
    to.Terminal1 = from.Terminal1;
    to.Terminal2 = from.Terminal2;
}

void CopyDriver(const TDriver& from, TDriver& to) {
    // Everything but the designator, the selection state and the folder of
    // response files. The arrays are value members, so the copy never shares
    // storage with the original.
    TDriver keep;
    keep.Acoustic.FRDFolder = std::move(to.Acoustic.FRDFolder);
    keep.RefDes = to.RefDes;
    keep.Selected = to.Selected;
    keep.SavedPosition = to.SavedPosition;

    to = from;

    to.Acoustic.FRDFolder = std::move(keep.Acoustic.FRDFolder);
    to.RefDes = keep.RefDes;
    to.Selected = keep.Selected;
    to.SavedPosition = keep.SavedPosition;
}

void CopyText(const TDesign& d, const TSheetText& from, TSheetText& to) {
    to.Position = from.Position;
    to.Size = from.Size;
    to.Color = from.Color;
    to.Text = FirstCodePoints(from.Text, 128);
    UpdateTextRect(d, to);
}

bool IsBound(const TPart& p) { return p.Subckt >= 0 || !p.PartNumber.empty(); }
double PartValue(const TPart& p) { return IsBound(p) ? p.BoundValue : p.Value; }
double PartESR(const TPart& p) { return IsBound(p) ? p.BoundESR : p.ESR; }
double PartRating(const TPart& p) { return IsBound(p) ? p.BoundRating : p.Rating; }

TRect ComputeTextRect(const TSheetText& t, int scale, const TextMetrics& metrics) {
    const int points = RoundToInt(t.Size * static_cast<double>(scale) / 10.0);
    const TextExtent e = metrics.Measure(t.Text, PointsToPixels(points));
    const double s = scale;
    const double x = t.Position.X * s;
    const double y = t.Position.Y * s;
    TRect r;
    // The left and top edges go to the grid point at or before them, on
    // either side of the sheet's origin (block members sit at negative
    // coordinates until they are placed).
    r.Left = FloorToInt((x - e.Width / 2.0) / s);
    r.Right = RoundToInt((x + e.Width / 2.0) / s);
    r.Top = FloorToInt((y - e.Height / 2.0) / s);
    r.Bottom = std::max(r.Top + 1, RoundToInt((y + e.Height / 2.0) / s));
    return r;
}

void UpdateTextRect(const TDesign& d, TSheetText& t) { t.TextRect = ComputeTextRect(t, d.Scale, *d.Metrics); }

void UpdateBlockExtent(TCircuitBlock& b) {
    int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
    auto take = [&](int x0, int y0, int x1, int y1) {
        minX = std::min({minX, x0, x1});
        maxX = std::max({maxX, x0, x1});
        minY = std::min({minY, y0, y1});
        maxY = std::max({maxY, y0, y1});
    };
    for (const TPart* p : b.Parts) {
        if (p->IsHorizontal)
            take(p->Terminal1.X, p->Position.Y - 1, p->Terminal2.X, p->Position.Y + 1);
        else
            take(p->Position.X - 1, p->Terminal1.Y, p->Position.X + 1, p->Terminal2.Y);
    }
    for (const TWire* w : b.Wires) take(w->End1.X, w->End1.Y, w->End2.X, w->End2.Y);
    for (const TGround* g : b.Grounds) take(g->BodyRect.Left, g->BodyRect.Top, g->BodyRect.Right, g->BodyRect.Bottom);
    for (const TSheetText* t : b.Texts) take(t->TextRect.Left, t->TextRect.Top, t->TextRect.Right, t->TextRect.Bottom);
    if (minX > maxX) return;  // no members: nothing to measure
    b.Center = {(minX + maxX) / 2, (minY + maxY) / 2};
    b.BoundsRect = {minX - 1, minY - 1, maxX + 1, maxY + 1};
}

TRect DrawingExtent(const TDesign& d) {
    TRect e{99999, 99999, 0, 0};
    auto take = [&](const TRect& r) {
        e.Left = std::min(e.Left, r.Left);
        e.Top = std::min(e.Top, r.Top);
        e.Right = std::max(e.Right, r.Right);
        e.Bottom = std::max(e.Bottom, r.Bottom);
    };
    auto point = [&](TPoint p) { take({p.X, p.Y, p.X, p.Y}); };
    auto label = [&](const TRect& r) {
        if (!(r == TRect{})) take(r);
    };
    for (const auto& p : d.Parts) {
        take(p->BodyRect);
        point(p->Terminal1);
        point(p->Terminal2);
        label(p->LabelRect);
    }
    for (const auto& b : d.Blocks) take(b->BoundsRect);
    for (const auto& drv : d.Drivers) {
        TRect body = drv->BodyRect;
        body.Left = drv->Terminal1.X;
        take(body);
        label(drv->LabelRect);
    }
    for (const auto& w : d.Wires) {
        point(w->End1);
        point(w->End2);
    }
    for (const auto& g : d.Grounds) {
        take(g->BodyRect);
        point(g->Position);
    }
    for (const auto& t : d.Texts) take(t->TextRect);
    if (d.Source.Placed) {
        TRect body = d.Source.BodyRect;
        body.Right = d.Source.Terminal1.X;
        take(body);
        label(d.Source.LabelRect);
    }
    return e;
}

void RebuildBlockMembers(TDesign& d) {
    for (auto& b : d.Blocks) {
        b->Parts.clear();
        b->Wires.clear();
        b->Grounds.clear();
        b->Texts.clear();
    }
    const int n = static_cast<int>(d.Blocks.size());
    auto block = [&](int index) -> TCircuitBlock* { return index >= 0 && index < n ? d.Blocks[index].get() : nullptr; };
    for (auto& p : d.Parts)
        if (TCircuitBlock* b = block(p->Subckt)) b->Parts.push_back(p.get());
    for (auto& w : d.Wires)
        if (TCircuitBlock* b = block(w->Subckt)) b->Wires.push_back(w.get());
    for (auto& g : d.Grounds)
        if (TCircuitBlock* b = block(g->Subckt)) b->Grounds.push_back(g.get());
    for (auto& t : d.Texts)
        if (TCircuitBlock* b = block(t->Subckt)) b->Texts.push_back(t.get());
    for (auto& b : d.Blocks) UpdateBlockExtent(*b);
}

void ClearElements(TDesign& d) {
    d.Blocks.clear();
    d.Parts.clear();
    d.Drivers.clear();
    d.Wires.clear();
    d.Grounds.clear();
    d.Texts.clear();
}

void NewDesign(TDesign& d) {
    ClearElements(d);
    d.Settings.clear();
    d.Source.Inverted = false;
    d.OverallDelay = 0.0;
    d.Source.Vrms = std::sqrt(8.0);
}

}  // namespace pelmo
