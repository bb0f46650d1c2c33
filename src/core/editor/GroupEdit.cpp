#include "editor/GroupEdit.h"

#include <algorithm>
#include <map>

namespace pelmo {

namespace {

TPoint Shifted(TPoint p, TPoint by) { return {p.X + by.X, p.Y + by.Y}; }

template <class T>
T& AppendTo(Collection<T>& c) {
    c.push_back(std::make_unique<T>());
    return *c.back();
}

}  // namespace

void TCopyBuffer::Clear() {
    Parts.clear();
    Wires.clear();
    Grounds.clear();
    Texts.clear();
    Drivers.clear();
}

bool TCopyBuffer::HasPasteableElements() const {
    return !Parts.empty() || !Wires.empty() || !Grounds.empty() || !Drivers.empty();
}

TRect GridBoxFromPixels(TPoint a, TPoint b, int scale) {
    const TPoint ga = PixelToGrid(a, scale), gb = PixelToGrid(b, scale);
    return {std::min(ga.X, gb.X), std::min(ga.Y, gb.Y), std::max(ga.X, gb.X), std::max(ga.Y, gb.Y)};
}

TBoxSelection SelectInBox(TDesign& d, const TRect& box) {
    int count = 0;
    std::optional<TElementRef> single;
    auto take = [&](bool selected, TElementRef e) {
        if (!selected) return;
        ++count;
        single = e;
    };
    for (int i = 0; i < static_cast<int>(d.Grounds.size()); ++i) {
        TGround& g = *d.Grounds[i];
        g.Selected = g.Subckt < 0 && PointInRect(g.Position, box);
        take(g.Selected, {TElementKind::Ground, i});
    }
    for (int i = 0; i < static_cast<int>(d.Wires.size()); ++i) {
        TWire& w = *d.Wires[i];
        w.Selected = w.Subckt < 0 && PointInRect(w.End1, box) && PointInRect(w.End2, box);
        take(w.Selected, {TElementKind::Wire, i});
    }
    for (int i = 0; i < static_cast<int>(d.Drivers.size()); ++i) {
        TDriver& drv = *d.Drivers[i];
        drv.Selected = PointInRect(drv.Terminal1, box) && PointInRect(drv.Terminal2, box);
        take(drv.Selected, {TElementKind::Driver, i});
    }
    for (int i = 0; i < static_cast<int>(d.Parts.size()); ++i) {
        TPart& p = *d.Parts[i];
        p.Selected = p.Subckt < 0 && PointInRect(p.Terminal1, box) && PointInRect(p.Terminal2, box);
        take(p.Selected, {KindOf(p.PartType), i});
    }
    for (auto& t : d.Texts) t->Selected = t->Subckt < 0 && PointInRect(t->Position, box);
    TSource& s = d.Source;
    s.Selected = s.Placed && PointInRect(s.Terminal1, box) && PointInRect(s.Terminal2, box);
    take(s.Selected, {TElementKind::Source, 0});

    TBoxSelection result;
    result.Count = count;
    result.SingleElement = count == 1;
    if (count == 1) {
        if (IsPartKind(single->Kind)) {
            result.SinglePart = single;
        } else {
            // A single ground, wire, driver or source offers nothing.
            UnselectAll(d);
            result.Count = 0;
        }
    }
    return result;
}

void CopySelectionToBuffer(TDesign& d, TCopyBuffer& buffer, bool renumber) {
    buffer.Clear();
    std::map<TPartType, int> partNumbers;
    for (const auto& p : d.Parts) {
        if (!p->Selected) continue;
        TPart& copy = AppendTo(buffer.Parts);
        CopyPart(*p, copy);
        copy.Subckt = -1;
        copy.RefDes = renumber ? ++partNumbers[p->PartType] : p->RefDes;
    }
    for (const auto& w : d.Wires) {
        if (!w->Selected) continue;
        TWire& copy = AppendTo(buffer.Wires);
        copy.End1 = w->End1;
        copy.End2 = w->End2;
        copy.PixelEnd1 = w->PixelEnd1;
        copy.PixelEnd2 = w->PixelEnd2;
        copy.Subckt = -1;
    }
    for (const auto& t : d.Texts) {
        if (!t->Selected) continue;
        TSheetText& copy = AppendTo(buffer.Texts);
        CopyText(d, *t, copy);
        copy.Subckt = -1;
    }
    for (const auto& g : d.Grounds) {
        if (!g->Selected) continue;
        TGround& copy = AppendTo(buffer.Grounds);
        copy.Position = g->Position;
        copy.PixelPosition = g->PixelPosition;
        copy.BodyRect = g->BodyRect;
        copy.Subckt = -1;
    }
    int driverNumber = 0;
    for (const auto& drv : d.Drivers) {
        if (!drv->Selected) continue;
        TDriver& copy = AppendTo(buffer.Drivers);
        CopyDriver(*drv, copy);
        copy.RefDes = renumber ? ++driverNumber : drv->RefDes;
    }
    UnselectAll(d);
}

std::optional<TPoint> CopyElementToBuffer(const TDesign& d, TCopyBuffer& buffer, TElementRef e) {
    buffer.Clear();
    if (!ElementExists(d, e)) return std::nullopt;
    if (IsPartKind(e.Kind)) {
        const TPart& p = *d.Parts[e.Index];
        TPart& copy = AppendTo(buffer.Parts);
        CopyPart(p, copy);
        copy.Subckt = -1;
        copy.RefDes = p.RefDes;
        return p.Position;
    }
    if (e.Kind == TElementKind::Driver) {
        const TDriver& drv = *d.Drivers[e.Index];
        TDriver& copy = AppendTo(buffer.Drivers);
        CopyDriver(drv, copy);
        copy.RefDes = drv.RefDes;
        return drv.Position;
    }
    return std::nullopt;
}

void CommitGroupMove(TDesign& d, TPoint by) {
    for (auto& p : d.Parts)
        if (p->Selected) SetPartPosition(d, *p, Shifted(p->Position, by));
    for (auto& drv : d.Drivers)
        if (drv->Selected) SetDriverPosition(d, *drv, Shifted(drv->Position, by));
    for (auto& g : d.Grounds)
        if (g->Selected) SetGroundPosition(d, *g, Shifted(g->Position, by));
    for (auto& t : d.Texts)
        if (t->Selected) SetTextPosition(d, *t, Shifted(t->Position, by));
    for (auto& w : d.Wires)
        if (w->Selected) SetWireEnds(d, *w, Shifted(w->End1, by), Shifted(w->End2, by));
    if (d.Source.Selected) SetSourcePosition(d, d.Source, Shifted(d.Source.Position, by));
    UnselectAll(d);
}

void CommitPaste(TDesign& d, TCopyBuffer& buffer, TPoint by) {
    for (const auto& from : buffer.Parts) {
        const int refDes = NextPartRefDes(d, from->PartType);
        TPart& p = AppendPart(d);
        CopyPart(*from, p);
        p.Subckt = -1;
        p.RefDes = refDes;
        SetPartPosition(d, p, Shifted(from->Position, by));
    }
    for (const auto& from : buffer.Wires) {
        TWire& w = AppendWire(d);
        w.Subckt = -1;
        SetWireEnds(d, w, Shifted(from->End1, by), Shifted(from->End2, by));
    }
    for (const auto& from : buffer.Texts) {
        TSheetText& t = AppendText(d);
        t.Subckt = -1;
        t.Size = from->Size;
        t.Color = from->Color;
        t.Text = from->Text;
        SetTextPosition(d, t, Shifted(from->Position, by));
    }
    for (const auto& from : buffer.Grounds) {
        TGround& g = AppendGround(d);
        g.Subckt = -1;
        SetGroundPosition(d, g, Shifted(from->Position, by));
    }
    for (const auto& from : buffer.Drivers) {
        const int refDes = NextDriverRefDes(d);
        TDriver& drv = AppendDriver(d);
        CopyDriver(*from, drv);
        drv.RefDes = refDes;
        SetDriverPosition(d, drv, Shifted(from->Position, by));
    }
    buffer.Clear();
}

int DeleteGroup(TDesign& d, const TDeleteHooks& hooks) {
    int deleted = 0;
    auto sweep = [&](const auto& collection, TElementKind kind) {
        for (int i = static_cast<int>(collection.size()) - 1; i >= 0; --i)
            if (collection[i]->Selected && DeleteElement(d, {kind, i}, hooks)) ++deleted;
    };
    sweep(d.Grounds, TElementKind::Ground);
    sweep(d.Wires, TElementKind::Wire);
    sweep(d.Drivers, TElementKind::Driver);
    sweep(d.Parts, TElementKind::Resistor);
    sweep(d.Texts, TElementKind::Text);
    return deleted;
}

}  // namespace pelmo
