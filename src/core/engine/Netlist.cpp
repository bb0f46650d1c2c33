#include "engine/Netlist.h"

#include <algorithm>

#include "model/Design.h"

namespace pelmo {

namespace {
bool WiresJoined(const TWire& a, const TWire& b) {
    return PointOnWire(a.End1, b) || PointOnWire(a.End2, b) || PointOnWire(b.End1, a) || PointOnWire(b.End2, a);
}
}  // namespace

void BuildNetlist(const TDesign& d, TNetlist& net) { TNetlistBuilder(d, net).Build(); }

TNetlist BuildNetlist(const TDesign& d) {
    TNetlist net;
    BuildNetlist(d, net);
    return net;
}

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
        net_.Wires[i] = n;
        SpreadWireNode(i);
    }
}

// Terminals touching the wire take its node.
void TNetlistBuilder::SpreadOne(std::size_t wire) {
    const TWire& w = *d_.Wires[wire];
    const int n = net_.Wires[wire];
    const TSource& s = d_.Source;
    if (PointOnWire(s.Terminal1, w)) SetNodeAt(net_.Source.Node1, s.Terminal1, n);
    if (PointOnWire(s.Terminal2, w)) SetNodeAt(net_.Source.Node2, s.Terminal2, n);
    for (std::size_t i = 0; i < d_.Parts.size(); ++i) {
        const TPart& p = *d_.Parts[i];
        if (PointOnWire(p.Terminal1, w)) SetNodeAt(net_.Parts[i].Node1, p.Terminal1, n);
        if (PointOnWire(p.Terminal2, w)) SetNodeAt(net_.Parts[i].Node2, p.Terminal2, n);
    }
    for (std::size_t i = 0; i < d_.Drivers.size(); ++i) {
        const TDriver& drv = *d_.Drivers[i];
        if (PointOnWire(drv.Terminal1, w)) SetNodeAt(net_.Drivers[i].Node1, drv.Terminal1, n);
        if (PointOnWire(drv.Terminal2, w)) SetNodeAt(net_.Drivers[i].Node2, drv.Terminal2, n);
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
        const int node = net_.Wires[top.Wire];
        bool descended = false;
        while (top.NextOther < d_.Wires.size()) {
            const std::size_t k = top.NextOther++;
            if (k == top.Wire) continue;
            const TWire& other = *d_.Wires[k];
            int& otherNode = net_.Wires[k];
            if (otherNode != -1 || !WiresJoined(w, other)) continue;
            otherNode = node;
            SetNodeAt(otherNode, other.End1, node);
            SetNodeAt(otherNode, other.End2, node);
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
    for (auto* list : {&net_.Parts, &net_.Drivers}) {
        for (TElementNodes& e : *list) {
            if (e.Node1 == from) e.Node1 = to;
            if (e.Node2 == from) e.Node2 = to;
        }
    }
}

void TNetlistBuilder::Build() {
    map_.clear();
    reached_.clear();
    net_.Source = {};
    net_.Parts.assign(d_.Parts.size(), {});
    net_.Drivers.assign(d_.Drivers.size(), {});
    net_.Wires.assign(d_.Wires.size(), -1);
    const TSource& s = d_.Source;
    TElementNodes& sn = net_.Source;

    // Ground symbols are node 0; without any, the first node handed out is.
    int counter = 0;
    if (!d_.Grounds.empty()) {
        for (const auto& g : d_.Grounds) {
            const TPoint at = g->Position;
            if (s.Terminal1 == at) SetNodeAt(sn.Node1, at, 0);
            if (s.Terminal2 == at) SetNodeAt(sn.Node2, at, 0);
            for (std::size_t i = 0; i < d_.Parts.size(); ++i) {
                if (d_.Parts[i]->Terminal1 == at) SetNodeAt(net_.Parts[i].Node1, at, 0);
                if (d_.Parts[i]->Terminal2 == at) SetNodeAt(net_.Parts[i].Node2, at, 0);
            }
            for (std::size_t i = 0; i < d_.Drivers.size(); ++i) {
                if (d_.Drivers[i]->Terminal1 == at) SetNodeAt(net_.Drivers[i].Node1, at, 0);
                if (d_.Drivers[i]->Terminal2 == at) SetNodeAt(net_.Drivers[i].Node2, at, 0);
            }
            for (std::size_t i = 0; i < d_.Wires.size(); ++i) {
                if (!PointOnWire(at, *d_.Wires[i])) continue;
                SetNodeAt(net_.Wires[i], at, 0);
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
    number(sn.Node2, s.Terminal2);
    number(sn.Node1, s.Terminal1);
    for (std::size_t i = 0; i < d_.Parts.size(); ++i) number(net_.Parts[i].Node1, d_.Parts[i]->Terminal1);
    for (std::size_t i = 0; i < d_.Parts.size(); ++i) number(net_.Parts[i].Node2, d_.Parts[i]->Terminal2);
    for (std::size_t i = 0; i < d_.Drivers.size(); ++i) number(net_.Drivers[i].Node1, d_.Drivers[i]->Terminal1);
    for (std::size_t i = 0; i < d_.Drivers.size(); ++i) number(net_.Drivers[i].Node2, d_.Drivers[i]->Terminal2);

    // Reachability from the source through parts and drivers; ground passes
    // nothing on.
    AddReached(sn.Node1);
    AddReached(sn.Node2);
    for (bool added = true; added;) {
        added = false;
        auto pass = [&](std::vector<TElementNodes>& list) {
            for (TElementNodes& e : list) {
                if (!e.Reached && InReached(e.Node1)) {
                    AddReached(e.Node2);
                    e.Reached = true;
                    added = true;
                }
            }
            for (TElementNodes& e : list) {
                if (!e.Reached && InReached(e.Node2)) {
                    AddReached(e.Node1);
                    e.Reached = true;
                    added = true;
                }
            }
        };
        pass(net_.Parts);
        pass(net_.Drivers);
    }

    // Drop the nodes nothing reaches; the highest node takes the freed number.
    auto drop = [&](int r) {
        if (r <= 0 || InReached(r)) return;
        const int top = counter - 1;
        Renumber(r, -1);
        Renumber(top, r);
        counter = top;
    };
    for (auto* list : {&net_.Parts, &net_.Drivers}) {
        for (std::size_t i = 0; i < list->size(); ++i) {
            if ((*list)[i].Reached) continue;
            // Read afresh: dropping Node1 may have renumbered Node2.
            drop((*list)[i].Node1);
            drop((*list)[i].Node2);
        }
    }
    net_.NodeCount = counter;
}

}  // namespace pelmo
