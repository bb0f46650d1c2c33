#include "editor/WireFollow.h"

#include <algorithm>
#include <optional>

namespace pelmo {

namespace {

std::optional<TPoint> MovedTo(const std::vector<TPointMove>& moves, TPoint p) {
    for (const TPointMove& m : moves)
        if (m.From == p) return m.To;
    return std::nullopt;
}

// Wires are kept with End1 left of or above End2.
std::pair<TPoint, TPoint> Ordered(TPoint a, TPoint b) {
    if (a.X > b.X || a.Y > b.Y) std::swap(a, b);
    return {a, b};
}

}  // namespace

std::vector<TPoint> ConnectionPointsOf(const TDesign& d, TElementRef e) {
    if (!ElementExists(d, e)) return {};
    switch (e.Kind) {
        case TElementKind::Source:
            return {d.Source.Terminal1, d.Source.Terminal2};
        case TElementKind::Driver:
            return {d.Drivers[e.Index]->Terminal1, d.Drivers[e.Index]->Terminal2};
        case TElementKind::Ground:
            return {d.Grounds[e.Index]->Position};
        case TElementKind::Wire:
            return {d.Wires[e.Index]->End1, d.Wires[e.Index]->End2};
        default:
            if (IsPartKind(e.Kind)) return {d.Parts[e.Index]->Terminal1, d.Parts[e.Index]->Terminal2};
            return {};
    }
}

std::vector<TPointMove> PointMoves(const std::vector<TPoint>& before, const std::vector<TPoint>& after) {
    std::vector<TPointMove> moves;
    for (std::size_t i = 0; i < std::min(before.size(), after.size()); ++i)
        if (!(before[i] == after[i])) moves.push_back({before[i], after[i]});
    return moves;
}

std::vector<TPointMove> SelectionPointMoves(const TDesign& d, TPoint by) {
    std::vector<TPointMove> moves;
    if (by.X == 0 && by.Y == 0) return moves;
    auto add = [&](TPoint p) { moves.push_back({p, {p.X + by.X, p.Y + by.Y}}); };
    for (const auto& p : d.Parts)
        if (p->Selected) {
            add(p->Terminal1);
            add(p->Terminal2);
        }
    for (const auto& drv : d.Drivers)
        if (drv->Selected) {
            add(drv->Terminal1);
            add(drv->Terminal2);
        }
    for (const auto& g : d.Grounds)
        if (g->Selected) add(g->Position);
    for (const auto& w : d.Wires)
        if (w->Selected) {
            add(w->End1);
            add(w->End2);
        }
    if (d.Source.Selected) {
        add(d.Source.Terminal1);
        add(d.Source.Terminal2);
    }
    return moves;
}

TWireFollowPlan PlanWireFollow(const TDesign& d, const std::vector<TPointMove>& moves,
                               const std::vector<bool>& moving) {
    TWireFollowPlan plan;
    if (moves.empty()) return plan;
    for (int i = 0; i < static_cast<int>(d.Wires.size()); ++i) {
        const TWire& w = *d.Wires[i];
        if (w.Subckt >= 0) continue;  // a block places its own wires
        if (i < static_cast<int>(moving.size()) && moving[i]) continue;
        const auto to1 = MovedTo(moves, w.End1), to2 = MovedTo(moves, w.End2);
        if (!to1 && !to2) continue;
        const TPoint a = to1.value_or(w.End1), b = to2.value_or(w.End2);
        TWireFollowPlan::TFollowed f{i, {}};
        if (a == b) {
            // Shrunk to nothing: it goes.
        } else if (a.X == b.X || a.Y == b.Y) {
            f.Segments.push_back(Ordered(a, b));
        } else {
            // The leg from the end that stayed keeps the wire's direction,
            // the second leg turns to the moved end.
            const TPoint fixed = to1 && !to2 ? b : a;
            const TPoint moved = to1 && !to2 ? a : b;
            const TPoint corner = IsHorizontal(w) ? TPoint{moved.X, fixed.Y} : TPoint{fixed.X, moved.Y};
            f.Segments.push_back(Ordered(fixed, corner));
            f.Segments.push_back(Ordered(corner, moved));
        }
        plan.Wires.push_back(std::move(f));
    }
    return plan;
}

void ApplyWireFollow(TDesign& d, const TWireFollowPlan& plan) {
    std::vector<int> gone;
    for (const auto& f : plan.Wires) {
        if (f.Wire < 0 || f.Wire >= static_cast<int>(d.Wires.size())) continue;
        if (f.Segments.empty()) {
            gone.push_back(f.Wire);
            continue;
        }
        SetWireEnds(d, *d.Wires[f.Wire], f.Segments[0].first, f.Segments[0].second);
        for (std::size_t s = 1; s < f.Segments.size(); ++s) AddWire(d, f.Segments[s].first, f.Segments[s].second);
    }
    // From the last index to the first: the ones still to go keep their place.
    std::sort(gone.rbegin(), gone.rend());
    for (int i : gone) DeleteElement(d, {TElementKind::Wire, i});
}

}  // namespace pelmo
