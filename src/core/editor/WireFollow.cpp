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

using TSegment = TWireFollowPlan::TSegment;

// Wires are kept with End1 left of or above End2.
TSegment Ordered(TPoint a, TPoint b) {
    if (a.X > b.X || a.Y > b.Y) std::swap(a, b);
    return {a, b};
}

// From `from` to `to` in a row or a column, else in two legs meeting at a
// corner; the first leg leaves `from` along a row when `rowFirst`.
std::vector<TSegment> Path(TPoint from, TPoint to, bool rowFirst) {
    if (from == to) return {};
    if (from.X == to.X || from.Y == to.Y) return {Ordered(from, to)};
    const TPoint corner = rowFirst ? TPoint{to.X, from.Y} : TPoint{from.X, to.Y};
    return {Ordered(from, corner), Ordered(corner, to)};
}

bool OnSegment(TPoint p, const TSegment& s) {
    TWire w;
    w.End1 = s.first;
    w.End2 = s.second;
    return PointOnWire(p, w);
}

// A path from a to b that touches nothing but at a and b: no connection
// point lies on it, and no other wire has an end on it or it an end on them.
bool TouchesNothingElse(const std::vector<TSegment>& path, TPoint a, TPoint b, const std::vector<TPoint>& points,
                        const std::vector<TSegment>& others) {
    auto allowed = [&](TPoint p) { return p == a || p == b; };
    for (const TSegment& s : path) {
        for (TPoint p : points)
            if (!allowed(p) && OnSegment(p, s)) return false;
        for (const TSegment& o : others) {
            for (TPoint p : {o.first, o.second})
                if (!allowed(p) && OnSegment(p, s)) return false;
            for (TPoint p : {s.first, s.second})
                if (!allowed(p) && OnSegment(p, o)) return false;
        }
    }
    return true;
}

// Something that stays where it is touches p: a terminal or ground of an
// element that does not move, or a wire that neither moves nor follows.
bool StaysConnectedAt(const TDesign& d, TPoint p, const TMovingElement& moving, const std::vector<bool>& movingWires,
                      const std::vector<bool>& following) {
    auto stays = [&](TElementKind kind, int i) { return !moving || !moving({kind, i}); };
    if (stays(TElementKind::Source, 0) && (d.Source.Terminal1 == p || d.Source.Terminal2 == p)) return true;
    for (int i = 0; i < static_cast<int>(d.Parts.size()); ++i) {
        const TPart& part = *d.Parts[i];
        if ((part.Terminal1 == p || part.Terminal2 == p) && stays(KindOf(part.PartType), i)) return true;
    }
    for (int i = 0; i < static_cast<int>(d.Drivers.size()); ++i) {
        const TDriver& drv = *d.Drivers[i];
        if ((drv.Terminal1 == p || drv.Terminal2 == p) && stays(TElementKind::Driver, i)) return true;
    }
    for (int i = 0; i < static_cast<int>(d.Grounds.size()); ++i)
        if (d.Grounds[i]->Position == p && stays(TElementKind::Ground, i)) return true;
    for (int i = 0; i < static_cast<int>(d.Wires.size()); ++i) {
        const auto at = static_cast<std::size_t>(i);
        if ((at < movingWires.size() && movingWires[at]) || (at < following.size() && following[at])) continue;
        if (PointOnWire(p, *d.Wires[i])) return true;
    }
    return false;
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

std::vector<TPoint> ConnectionPointsAt(const TDesign& d, TElementRef e, TPoint pos, bool horizontal) {
    if (!ElementExists(d, e)) return {};
    TTerminals t;
    switch (e.Kind) {
        case TElementKind::Source:
            t = SourceTerminals(pos);
            break;
        case TElementKind::Driver:
            t = DriverTerminals(pos);
            break;
        case TElementKind::Ground:
            return {pos};
        default:
            if (!IsPartKind(e.Kind)) return {};
            t = PartTerminals(pos, horizontal);
            break;
    }
    return {t.T1, t.T2};
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
                               const TMovingElement& movingElement, const std::vector<bool>& movingWires) {
    TWireFollowPlan plan;
    if (moves.empty()) return plan;
    std::vector<bool> following(d.Wires.size(), false);
    struct TBend {
        std::size_t Planned;
        TPoint From, To;
        bool RowFirst;
    };
    std::vector<TBend> bends;
    for (int i = 0; i < static_cast<int>(d.Wires.size()); ++i) {
        const TWire& w = *d.Wires[i];
        if (w.Subckt >= 0) continue;  // a block places its own wires
        if (i < static_cast<int>(movingWires.size()) && movingWires[i]) continue;
        const auto to1 = MovedTo(moves, w.End1), to2 = MovedTo(moves, w.End2);
        if (!to1 && !to2) continue;
        const TPoint a = to1.value_or(w.End1), b = to2.value_or(w.End2);
        // The leg from the end that stayed keeps the wire's direction, the
        // second leg turns to the moved end.
        const bool firstMovedAlone = to1 && !to2;
        const TPoint from = firstMovedAlone ? b : a, to = firstMovedAlone ? a : b;
        plan.Wires.push_back({i, Path(from, to, IsHorizontal(w))});
        following[static_cast<std::size_t>(i)] = true;
        if (plan.Wires.back().Segments.size() == 2) bends.push_back({plan.Wires.size() - 1, from, to, IsHorizontal(w)});
    }
    if (!bends.empty()) {
        // A corner that would touch something else (another bent wire's
        // corner, a terminal, a wire) would join what was apart: the other
        // corner is taken when it touches nothing.
        const auto moved = [&](TElementKind kind, int i, TPoint p) {
            return movingElement && movingElement({kind, i}) ? MovedTo(moves, p).value_or(p) : p;
        };
        std::vector<TPoint> points = {moved(TElementKind::Source, 0, d.Source.Terminal1),
                                      moved(TElementKind::Source, 0, d.Source.Terminal2)};
        for (int i = 0; i < static_cast<int>(d.Parts.size()); ++i) {
            const TPart& part = *d.Parts[i];
            points.push_back(moved(KindOf(part.PartType), i, part.Terminal1));
            points.push_back(moved(KindOf(part.PartType), i, part.Terminal2));
        }
        for (int i = 0; i < static_cast<int>(d.Drivers.size()); ++i) {
            points.push_back(moved(TElementKind::Driver, i, d.Drivers[i]->Terminal1));
            points.push_back(moved(TElementKind::Driver, i, d.Drivers[i]->Terminal2));
        }
        for (int i = 0; i < static_cast<int>(d.Grounds.size()); ++i)
            points.push_back(moved(TElementKind::Ground, i, d.Grounds[i]->Position));
        std::vector<TSegment> staying;
        for (std::size_t i = 0; i < d.Wires.size(); ++i) {
            if (following[i]) continue;
            const TWire& w = *d.Wires[i];
            if (i < movingWires.size() && movingWires[i])
                staying.push_back({MovedTo(moves, w.End1).value_or(w.End1), MovedTo(moves, w.End2).value_or(w.End2)});
            else
                staying.push_back({w.End1, w.End2});
        }
        for (const TBend& bend : bends) {
            std::vector<TSegment> others = staying;
            for (std::size_t j = 0; j < plan.Wires.size(); ++j)
                if (j != bend.Planned)
                    others.insert(others.end(), plan.Wires[j].Segments.begin(), plan.Wires[j].Segments.end());
            std::vector<TSegment>& path = plan.Wires[bend.Planned].Segments;
            if (TouchesNothingElse(path, bend.From, bend.To, points, others)) continue;
            std::vector<TSegment> other = Path(bend.From, bend.To, !bend.RowFirst);
            if (TouchesNothingElse(other, bend.From, bend.To, points, others)) path = std::move(other);
        }
    }
    // What stays at a moved point is joined to the point's new place, unless
    // a wire that followed from there still passes through it.
    std::vector<TPoint> done;
    for (const TPointMove& m : moves) {
        if (m.From == m.To || std::find(done.begin(), done.end(), m.From) != done.end()) continue;
        done.push_back(m.From);
        if (!StaysConnectedAt(d, m.From, movingElement, movingWires, following)) continue;
        bool joined = false;
        for (const auto& f : plan.Wires) {
            const TWire& w = *d.Wires[f.Wire];
            if (!(w.End1 == m.From || w.End2 == m.From)) continue;
            for (const TSegment& s : f.Segments) joined = joined || OnSegment(m.From, s);
        }
        if (joined) continue;
        for (const TSegment& s : Path(m.From, m.To, true)) plan.NewWires.push_back(s);
    }
    return plan;
}

TWireFollowPlan PlanElementWireFollow(const TDesign& d, TElementRef e, const std::vector<TPoint>& pointsAfter) {
    if (e.Kind == TElementKind::Wire || e.Kind == TElementKind::Text || e.Kind == TElementKind::Block) return {};
    const std::vector<TPointMove> moves = PointMoves(ConnectionPointsOf(d, e), pointsAfter);
    return PlanWireFollow(d, moves, [e](TElementRef other) { return other == e; });
}

TWireFollowPlan PlanGroupWireFollow(const TDesign& d, TPoint by) {
    std::vector<bool> movingWires;
    for (const auto& w : d.Wires) movingWires.push_back(w->Selected);
    const auto moving = [&d](TElementRef e) {
        switch (e.Kind) {
            case TElementKind::Source:
                return d.Source.Selected;
            case TElementKind::Driver:
                return d.Drivers[e.Index]->Selected;
            case TElementKind::Ground:
                return d.Grounds[e.Index]->Selected;
            default:
                return IsPartKind(e.Kind) && d.Parts[e.Index]->Selected;
        }
    };
    return PlanWireFollow(d, SelectionPointMoves(d, by), moving, movingWires);
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
    for (const auto& [a, b] : plan.NewWires) AddWire(d, a, b);
    // From the last index to the first: the ones still to go keep their place.
    std::sort(gone.rbegin(), gone.rend());
    for (int i : gone) DeleteElement(d, {TElementKind::Wire, i});
}

}  // namespace pelmo
