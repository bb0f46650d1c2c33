#include "editor/SheetEdit.h"

#include <algorithm>
#include <cmath>

#include "blocks/CircuitBlocks.h"

namespace pelmo {

namespace {

int Count(const auto& collection) { return static_cast<int>(collection.size()); }

bool InRange(const auto& collection, int index) { return index >= 0 && index < Count(collection); }

}  // namespace

bool ElementExists(const TDesign& d, TElementRef e) {
    switch (e.Kind) {
        case TElementKind::Resistor:
        case TElementKind::Capacitor:
        case TElementKind::Inductor:
            return InRange(d.Parts, e.Index);
        case TElementKind::Source:
            return e.Index == 0;
        case TElementKind::Driver:
            return InRange(d.Drivers, e.Index);
        case TElementKind::Ground:
            return InRange(d.Grounds, e.Index);
        case TElementKind::Wire:
            return InRange(d.Wires, e.Index);
        case TElementKind::Text:
            return InRange(d.Texts, e.Index);
        case TElementKind::Block:
            return InRange(d.Blocks, e.Index);
        default:
            return false;
    }
}

std::optional<TElementRef> HitTest(const TDesign& d, TPoint p) {
    for (int i = Count(d.Wires) - 1; i >= 0; --i) {
        const TWire& w = *d.Wires[i];
        if (w.Subckt < 0 && PointOnWire(p, w)) return TElementRef{TElementKind::Wire, i};
    }
    for (int i = Count(d.Grounds) - 1; i >= 0; --i)
        if (PointInRect(p, d.Grounds[i]->BodyRect)) return TElementRef{TElementKind::Ground, i};
    for (int i = Count(d.Parts) - 1; i >= 0; --i) {
        const TPart& part = *d.Parts[i];
        if (part.Subckt < 0 && PointInRect(p, part.BodyRect)) return TElementRef{KindOf(part.PartType), i};
    }
    for (int i = Count(d.Drivers) - 1; i >= 0; --i)
        if (PointInRect(p, d.Drivers[i]->BodyRect)) return TElementRef{TElementKind::Driver, i};
    if (d.Source.Placed && PointInRect(p, d.Source.BodyRect)) return TElementRef{TElementKind::Source, 0};
    for (int i = Count(d.Texts) - 1; i >= 0; --i) {
        const TSheetText& t = *d.Texts[i];
        if (t.Subckt < 0 && PointInRect(p, t.TextRect)) return TElementRef{TElementKind::Text, i};
    }
    for (int i = Count(d.Blocks) - 1; i >= 0; --i)
        if (PointInRect(p, d.Blocks[i]->BoundsRect)) return TElementRef{TElementKind::Block, i};
    return std::nullopt;
}

bool IsConnectionGridPoint(const TDesign& d, TPoint p) {
    for (const auto& g : d.Grounds)
        if (g->Position == p) return true;
    for (const auto& part : d.Parts)
        if (part->Terminal1 == p || part->Terminal2 == p) return true;
    for (const auto& drv : d.Drivers)
        if (drv->Terminal1 == p || drv->Terminal2 == p) return true;
    if (d.Source.Placed && (d.Source.Terminal1 == p || d.Source.Terminal2 == p)) return true;
    for (const auto& w : d.Wires)
        if (w->End1 == p || w->End2 == p) return true;
    return false;
}

bool ConnectionPointAt(const TDesign& d, TPoint pixel, int scale) {
    const TPoint g = PixelToGrid(pixel, scale);
    const double reach = 0.31 * scale;
    if (std::abs(pixel.X - g.X * scale) > reach || std::abs(pixel.Y - g.Y * scale) > reach) return false;
    return IsConnectionGridPoint(d, g);
}

bool PlacementRefused(const TDesign& d, const std::vector<TPoint>& terminals, const TRect& body, TElementRef self) {
    auto isSelf = [&](TElementKind kind, int index) {
        if (IsPartKind(kind)) return IsPartKind(self.Kind) && self.Index == index;
        return self.Kind == kind && self.Index == index;
    };
    auto terminalInside = [&](const TRect& r) {
        return std::any_of(terminals.begin(), terminals.end(), [&](TPoint t) { return PointInRect(t, r); });
    };
    for (int i = 0; i < Count(d.Parts); ++i) {
        if (isSelf(TElementKind::Resistor, i)) continue;
        const TPart& p = *d.Parts[i];
        if (terminalInside(p.BodyRect) || PointInRect(p.Terminal1, body) || PointInRect(p.Terminal2, body)) return true;
    }
    for (int i = 0; i < Count(d.Drivers); ++i) {
        if (isSelf(TElementKind::Driver, i)) continue;
        const TDriver& drv = *d.Drivers[i];
        if (terminalInside(drv.BodyRect) || PointInRect(drv.Terminal1, body) || PointInRect(drv.Terminal2, body))
            return true;
    }
    for (int i = 0; i < Count(d.Grounds); ++i) {
        if (isSelf(TElementKind::Ground, i)) continue;
        const TGround& g = *d.Grounds[i];
        if (terminalInside(g.BodyRect) || PointInRect(g.Position, body)) return true;
    }
    if (d.Source.Placed && !isSelf(TElementKind::Source, 0)) {
        const TSource& s = d.Source;
        if (terminalInside(s.BodyRect) || PointInRect(s.Terminal1, body) || PointInRect(s.Terminal2, body)) return true;
    }
    return false;
}

bool PartPlacementRefused(const TDesign& d, TPoint pos, bool horizontal, int selfIndex) {
    const TTerminals t = PartTerminals(pos, horizontal);
    return PlacementRefused(d, {t.T1, t.T2}, PartBodyRect(pos, horizontal), {TElementKind::Resistor, selfIndex});
}

bool DriverPlacementRefused(const TDesign& d, TPoint pos, int selfIndex) {
    const TTerminals t = DriverTerminals(pos);
    return PlacementRefused(d, {t.T1, t.T2}, DriverBodyRect(pos), {TElementKind::Driver, selfIndex});
}

bool GroundPlacementRefused(const TDesign& d, TPoint pos, int selfIndex) {
    return PlacementRefused(d, {pos}, GroundBodyRect(pos), {TElementKind::Ground, selfIndex});
}

bool SourcePlacementRefused(const TDesign& d, TPoint pos) {
    const TTerminals t = SourceTerminals(pos);
    return PlacementRefused(d, {t.T1, t.T2}, SourceBodyRect(pos), {TElementKind::Source, 0});
}

bool WireEndRefused(const TDesign& d, TPoint p) {
    for (const auto& part : d.Parts) {
        const TPoint a = part->Terminal1, b = part->Terminal2;
        if (a.Y == b.Y && p.Y == a.Y && p.X > std::min(a.X, b.X) && p.X < std::max(a.X, b.X)) return true;
        if (a.X == b.X && p.X == a.X && p.Y > std::min(a.Y, b.Y) && p.Y < std::max(a.Y, b.Y)) return true;
    }
    for (const auto& drv : d.Drivers)
        for (TPoint t : {drv->Terminal1, drv->Terminal2})
            if (p == TPoint{t.X + 1, t.Y}) return true;
    if (d.Source.Placed)
        for (TPoint t : {d.Source.Terminal1, d.Source.Terminal2})
            if (p == TPoint{t.X - 1, t.Y}) return true;
    return false;
}

namespace {

template <class T>
void EraseAt(Collection<T>& c, int index) {
    c.erase(c.begin() + index);
}

// Takes a member out of its block's member list so that the block never points
// at a destroyed element.
template <class T>
void Unlink(TDesign& d, std::vector<T*> TCircuitBlock::*members, T* element, int subckt) {
    if (!InRange(d.Blocks, subckt)) return;
    auto& list = (*d.Blocks[subckt]).*members;
    list.erase(std::remove(list.begin(), list.end(), element), list.end());
    UpdateBlockExtent(*d.Blocks[subckt]);
}

}  // namespace

bool DeleteElement(TDesign& d, TElementRef e, const TDeleteHooks& hooks) {
    if (!ElementExists(d, e)) return false;
    switch (e.Kind) {
        case TElementKind::Resistor:
        case TElementKind::Capacitor:
        case TElementKind::Inductor: {
            TPart* p = d.Parts[e.Index].get();
            if (hooks.PartRemoving) hooks.PartRemoving(*p);
            Unlink(d, &TCircuitBlock::Parts, p, p->Subckt);
            EraseAt(d.Parts, e.Index);
            return true;
        }
        case TElementKind::Driver:
            if (hooks.DriverRemoving) hooks.DriverRemoving(*d.Drivers[e.Index]);
            EraseAt(d.Drivers, e.Index);
            return true;
        case TElementKind::Ground: {
            TGround* g = d.Grounds[e.Index].get();
            Unlink(d, &TCircuitBlock::Grounds, g, g->Subckt);
            EraseAt(d.Grounds, e.Index);
            return true;
        }
        case TElementKind::Wire: {
            TWire* w = d.Wires[e.Index].get();
            Unlink(d, &TCircuitBlock::Wires, w, w->Subckt);
            EraseAt(d.Wires, e.Index);
            return true;
        }
        case TElementKind::Text: {
            TSheetText* t = d.Texts[e.Index].get();
            Unlink(d, &TCircuitBlock::Texts, t, t->Subckt);
            EraseAt(d.Texts, e.Index);
            return true;
        }
        case TElementKind::Block:
            if (hooks.PartRemoving)
                for (const TPart* p : d.Blocks[e.Index]->Parts) hooks.PartRemoving(*p);
            DeleteBlock(d, e.Index);
            return true;
        default:
            return false;  // the source stays
    }
}

namespace {

// A wire's extent along its axis, lower end first.
struct TSpan {
    int Lo = 0, Hi = 0;
};

}  // namespace

int MergeWires(TDesign& d, int w, const TDeleteHooks& hooks) {
    if (!InRange(d.Wires, w)) return -1;
    for (auto& wire : d.Wires) wire->MergeDelete = false;

    const bool horizontal = IsHorizontal(*d.Wires[w]);
    auto along = [horizontal](TPoint p) { return horizontal ? p.X : p.Y; };
    auto across = [horizontal](TPoint p) { return horizontal ? p.Y : p.X; };
    auto span = [&](const TWire& x) {
        const int a = along(x.End1), b = along(x.End2);
        return TSpan{std::min(a, b), std::max(a, b)};
    };
    auto setSpan = [&](TWire& x, TSpan s) {
        const int fixed = across(x.End1);
        const TPoint e1 = horizontal ? TPoint{s.Lo, fixed} : TPoint{fixed, s.Lo};
        const TPoint e2 = horizontal ? TPoint{s.Hi, fixed} : TPoint{fixed, s.Hi};
        SetWireEnds(d, x, e1, e2);
    };

    // `current` is the wire that carries the merged span; when the new wire is
    // swallowed by a partner, that partner carries on, so that a later partner
    // still extends a wire that survives.
    int current = w;
    const int line = across(d.Wires[w]->End1);
    for (int v = 0; v < Count(d.Wires); ++v) {
        TWire& other = *d.Wires[v];
        if (v == current || other.MergeDelete || other.Subckt >= 0) continue;
        if (IsHorizontal(other) != horizontal || across(other.End1) != line) continue;

        const TSpan sc = span(*d.Wires[current]), sv = span(other);
        const bool currentFirst = sc.Lo <= sv.Lo;
        const int l = currentFirst ? current : v;
        const int r = currentFirst ? v : current;
        const TSpan sl = currentFirst ? sc : sv;
        const TSpan sr = currentFirst ? sv : sc;

        if (sl.Hi == sr.Lo) {
            int ends = 0;
            for (int k = 0; k < Count(d.Wires); ++k) {
                if (k == l || k == r) continue;
                const TWire& x = *d.Wires[k];
                if (along(x.End1) == sl.Hi) ++ends;
                if (along(x.End2) == sl.Hi) ++ends;
            }
            if (ends >= 2) continue;
        }
        if (sr.Lo >= sl.Lo && sr.Lo <= sl.Hi) {
            setSpan(*d.Wires[l], TSpan{sl.Lo, std::max(sl.Hi, sr.Hi)});
            d.Wires[r]->MergeDelete = true;
            current = l;
        }
    }

    const TWire* survivor = d.Wires[current].get();
    for (int i = Count(d.Wires) - 1; i >= 0; --i)
        if (d.Wires[i]->MergeDelete) DeleteElement(d, {TElementKind::Wire, i}, hooks);
    for (int i = 0; i < Count(d.Wires); ++i)
        if (d.Wires[i].get() == survivor) return i;
    return -1;
}

void UnselectAll(TDesign& d) {
    d.Source.Selected = false;
    for (auto& p : d.Parts) p->Selected = false;
    for (auto& drv : d.Drivers) drv->Selected = false;
    for (auto& g : d.Grounds) g->Selected = false;
    for (auto& w : d.Wires) w->Selected = false;
    for (auto& t : d.Texts) t->Selected = false;
    for (auto& b : d.Blocks) b->Selected = false;
}

void RotatePart(TDesign& d, TPart& p) { SetPartOrientation(d, p, !p.IsHorizontal); }

bool SetPartState(TDesign& d, int partIndex, TPartState state) {
    if (!InRange(d.Parts, partIndex) || state < TPartState::Shorted || state > TPartState::Open) return false;
    TPart& p = *d.Parts[partIndex];
    p.State = state;
    return true;
}

bool ToggleMute(TDesign& d, TElementRef e) {
    if (e.Kind != TElementKind::Driver || !ElementExists(d, e)) return false;
    d.Drivers[e.Index]->Muted = !d.Drivers[e.Index]->Muted;
    return true;
}

bool ToggleInvert(TDesign& d, TElementRef e) {
    if (!ElementExists(d, e)) return false;
    if (e.Kind == TElementKind::Driver) {
        d.Drivers[e.Index]->Inverted = !d.Drivers[e.Index]->Inverted;
        return true;
    }
    if (e.Kind == TElementKind::Source) {
        d.Source.Inverted = !d.Source.Inverted;
        return true;
    }
    return false;
}

std::optional<bool> IsInverted(const TDesign& d, TElementRef e) {
    if (!ElementExists(d, e)) return std::nullopt;
    if (e.Kind == TElementKind::Driver) return d.Drivers[e.Index]->Inverted;
    if (e.Kind == TElementKind::Source) return d.Source.Inverted;
    return std::nullopt;
}

TPoint ElementPosition(const TDesign& d, TElementRef e) {
    if (!ElementExists(d, e)) return {};
    switch (e.Kind) {
        case TElementKind::Source:
            return d.Source.Position;
        case TElementKind::Driver:
            return d.Drivers[e.Index]->Position;
        case TElementKind::Ground:
            return d.Grounds[e.Index]->Position;
        case TElementKind::Wire:
            return d.Wires[e.Index]->End1;
        case TElementKind::Text:
            return d.Texts[e.Index]->Position;
        case TElementKind::Block:
            return d.Blocks[e.Index]->Center;
        default:
            return d.Parts[e.Index]->Position;
    }
}

}  // namespace pelmo
