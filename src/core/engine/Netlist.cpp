#include "engine/Netlist.h"

#include <algorithm>

#include "model/Design.h"

namespace pelmo {

namespace {
bool WiresJoined(const TWire& a, const TWire& b) {
    return PointOnWire(a.End1, b) || PointOnWire(a.End2, b) || PointOnWire(b.End1, a) || PointOnWire(b.End2, a);
}
}  // namespace

void BuildNetlist(TDesign& d) { TNetlistBuilder(d).Build(); }

int TNetlistBuilder::FindNode(TPoint p) const {
    for (const auto& m : map_)
        if (m.X == p.X && m.Y == p.Y) return m.Node;
    return -1;
}

bool TNetlistBuilder::SetNodeAt(int& field, TPoint p, int n) {
    field = n;
    for (const auto& m : map_)
        if (m.X == p.X && m.Y == p.Y) return false;
    map_.push_back({p.X, p.Y, n});
    return true;
}

void TNetlistBuilder::NumberWiresAt(TPoint p, int n) {
    for (std::size_t i = 0; i < d_.Wires.size(); ++i) {
        if (!PointOnWire(p, *d_.Wires[i])) continue;
        d_.Wires[i]->Node = n;
        SpreadWireNode(i);
    }
}

// Terminals touching the wire take its node.
void TNetlistBuilder::SpreadOne(std::size_t wire) {
    const TWire& w = *d_.Wires[wire];
    const int n = w.Node;
    TSource& s = d_.Source;
    if (PointOnWire(s.Terminal1, w)) SetNodeAt(s.Node1, s.Terminal1, n);
    if (PointOnWire(s.Terminal2, w)) SetNodeAt(s.Node2, s.Terminal2, n);
    for (auto& p : d_.Parts) {
        if (PointOnWire(p->Terminal1, w)) SetNodeAt(p->Node1, p->Terminal1, n);
        if (PointOnWire(p->Terminal2, w)) SetNodeAt(p->Node2, p->Terminal2, n);
    }
    for (auto& drv : d_.Drivers) {
        if (PointOnWire(drv->Terminal1, w)) SetNodeAt(drv->Node1, drv->Terminal1, n);
        if (PointOnWire(drv->Terminal2, w)) SetNodeAt(drv->Node2, drv->Terminal2, n);
    }
}

void TNetlistBuilder::SpreadWireNode(std::size_t wire) {
    // Depth first in wire order, as a recursion would go, but on an explicit
    // stack so that a long chain of wires cannot exhaust the call stack.
    struct Frame {
        std::size_t Wire;
        std::size_t NextOther;
    };
    std::vector<Frame> stack;
    SpreadOne(wire);
    stack.push_back({wire, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        const TWire& w = *d_.Wires[top.Wire];
        bool descended = false;
        while (top.NextOther < d_.Wires.size()) {
            const std::size_t k = top.NextOther++;
            if (k == top.Wire) continue;
            TWire& other = *d_.Wires[k];
            if (other.Node != -1 || !WiresJoined(w, other)) continue;
            other.Node = w.Node;
            SetNodeAt(other.Node, other.End1, w.Node);
            SetNodeAt(other.Node, other.End2, w.Node);
            SpreadOne(k);
            stack.push_back({k, 0});
            descended = true;
            break;
        }
        if (!descended) stack.pop_back();
    }
}

bool TNetlistBuilder::InReached(int n) const {
    return std::find(reached_.begin(), reached_.end(), n) != reached_.end();
}

void TNetlistBuilder::AddReached(int n) {
    if (n != 0 && !InReached(n)) reached_.push_back(n);
}

// Every part and driver terminal on node `from` moves to `to`.
void TNetlistBuilder::Renumber(int from, int to) {
    for (auto& p : d_.Parts) {
        if (p->Node1 == from) p->Node1 = to;
        if (p->Node2 == from) p->Node2 = to;
    }
    for (auto& drv : d_.Drivers) {
        if (drv->Node1 == from) drv->Node1 = to;
        if (drv->Node2 == from) drv->Node2 = to;
    }
}

void TNetlistBuilder::Build() {
    map_.clear();
    reached_.clear();
    TSource& s = d_.Source;
    s.Node1 = s.Node2 = -1;
    for (auto& p : d_.Parts) {
        p->Node1 = p->Node2 = -1;
        p->Reached = false;
    }
    for (auto& drv : d_.Drivers) {
        drv->Node1 = drv->Node2 = -1;
        drv->Reached = false;
    }
    for (auto& w : d_.Wires) w->Node = -1;

    // Ground symbols are node 0; without any, the first node handed out is.
    int counter = 0;
    if (!d_.Grounds.empty()) {
        for (const auto& g : d_.Grounds) {
            const TPoint at = g->Position;
            if (s.Terminal1 == at) SetNodeAt(s.Node1, at, 0);
            if (s.Terminal2 == at) SetNodeAt(s.Node2, at, 0);
            for (auto& p : d_.Parts) {
                if (p->Terminal1 == at) SetNodeAt(p->Node1, at, 0);
                if (p->Terminal2 == at) SetNodeAt(p->Node2, at, 0);
            }
            for (auto& drv : d_.Drivers) {
                if (drv->Terminal1 == at) SetNodeAt(drv->Node1, at, 0);
                if (drv->Terminal2 == at) SetNodeAt(drv->Node2, at, 0);
            }
            for (std::size_t i = 0; i < d_.Wires.size(); ++i) {
                if (!PointOnWire(at, *d_.Wires[i])) continue;
                SetNodeAt(d_.Wires[i]->Node, at, 0);
                SpreadWireNode(i);
            }
        }
        counter = 1;
    }

    // Number the terminals; a point reached before shares its node.
    auto number = [&](int& field, TPoint at) {
        const int known = FindNode(at);
        if (known >= 0) {
            field = known;
            return;
        }
        if (SetNodeAt(field, at, counter)) {
            NumberWiresAt(at, counter);
            ++counter;
        }
    };
    number(s.Node2, s.Terminal2);
    number(s.Node1, s.Terminal1);
    for (auto& p : d_.Parts) number(p->Node1, p->Terminal1);
    for (auto& p : d_.Parts) number(p->Node2, p->Terminal2);
    for (auto& drv : d_.Drivers) number(drv->Node1, drv->Terminal1);
    for (auto& drv : d_.Drivers) number(drv->Node2, drv->Terminal2);

    // Reachability from the source through parts and drivers; ground passes
    // nothing on.
    AddReached(s.Node1);
    AddReached(s.Node2);
    for (bool added = true; added;) {
        added = false;
        auto pass = [&](auto& collection) {
            for (auto& e : collection) {
                if (!e->Reached && InReached(e->Node1)) {
                    AddReached(e->Node2);
                    e->Reached = true;
                    added = true;
                }
            }
            for (auto& e : collection) {
                if (!e->Reached && InReached(e->Node2)) {
                    AddReached(e->Node1);
                    e->Reached = true;
                    added = true;
                }
            }
        };
        pass(d_.Parts);
        pass(d_.Drivers);
    }

    // Drop the nodes nothing reaches; the highest node takes the freed number.
    auto drop = [&](int r) {
        if (r <= 0 || InReached(r)) return;
        const int top = counter - 1;
        Renumber(r, -1);
        Renumber(top, r);
        counter = top;
    };
    for (auto& p : d_.Parts) {
        if (p->Reached) continue;
        drop(p->Node1);
        drop(p->Node2);
    }
    for (auto& drv : d_.Drivers) {
        if (drv->Reached) continue;
        drop(drv->Node1);
        drop(drv->Node2);
    }
    d_.NodeCount = counter;
}

}  // namespace pelmo
