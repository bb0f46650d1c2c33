#include <gtest/gtest.h>

#include <functional>

#include "CircuitBuilder.h"
#include "engine/Netlist.h"

using namespace pelmo;
using pelmo::test::CircuitBuilder;

namespace {

using Nodes = std::pair<int, int>;
Nodes Of(const TElementNodes& e) { return {e.Node1, e.Node2}; }

// Source at its start-up place, R1 in series to a driver, the driver's return
// wired back to the source; optionally a ground symbol under the source.
void SeriesDesign(TDesign& d, bool ground) {
    const TPoint t1 = d.Source.Terminal1;  // (121, 62)
    const TPoint t2 = d.Source.Terminal2;  // (121, 66)
    if (ground) SetGroundPosition(d, AppendGround(d), t2);
    AddWire(d, t1, {t1.X + 9, t1.Y});
    TPart& r = AddPart(d, TPartType::Resistor, {t1.X + 12, t1.Y}, true);  // terminals (130,62), (136,62)
    TDriver& drv = AddDriver(d, {r.Terminal2.X + 1, r.Terminal2.Y + 1});  // terminals (136,62), (136,64)
    AddWire(d, drv.Terminal2, {drv.Terminal2.X, t2.Y});
    AddWire(d, {drv.Terminal2.X, t2.Y}, t2);
}

// Two wires from p to q: along X first, then along Y.
void Path(CircuitBuilder& c, TPoint p, TPoint q) {
    c.Wire(p, {q.X, p.Y});
    c.Wire({q.X, p.Y}, q);
}

}  // namespace

TEST(Netlist, SeriesCircuitWithAndWithoutGroundSymbol) {
    for (bool ground : {true, false}) {
        SCOPED_TRACE(ground ? "ground symbol" : "no ground symbol");
        TDesign d;
        SeriesDesign(d, ground);
        const TNetlist net = BuildNetlist(d);
        EXPECT_EQ(Of(net.Source), Nodes(1, 0));
        EXPECT_EQ(Of(net.Parts[0]), Nodes(1, 2));
        EXPECT_EQ(Of(net.Drivers[0]), Nodes(2, 0));
        EXPECT_EQ(net.NodeCount, 3);
        EXPECT_TRUE(net.Parts[0].Reached);
        EXPECT_TRUE(net.Drivers[0].Reached);
    }
}

// Small topologies, each checked for the node pairs of its parts.
TEST(Netlist, TouchingRulesAndDroppedNodes) {
    struct Case {
        const char* what;
        std::function<void(CircuitBuilder&)> build;
        std::vector<Nodes> parts;
        int nodeCount;
    };
    const TPoint a{40, 40}, b{60, 40}, m{50, 40};
    const std::vector<Case> cases = {
        {"terminal in the middle of a horizontal wire takes its node",
         [&](CircuitBuilder& c) {
             c.Ground();
             Path(c, c.At(1), a);
             c.Wire(a, b);
             TPart& r = c.R(0, 0, 8);
             r.Terminal1 = m;
             r.Terminal2 = c.At(0);
         },
         {{1, 0}},
         2},
        {"crossing wires stay apart",
         [&](CircuitBuilder& c) {
             c.Ground();
             Path(c, c.At(1), a);
             c.Wire(a, b);                // horizontal through (50, 40)
             c.Wire({50, 30}, {50, 50});  // vertical, crossing it
             TPart& r1 = c.R(0, 0, 8);    // from the vertical wire to ground
             r1.Terminal1 = {50, 30};
             TPart& r2 = c.R(0, 0, 8);  // from the horizontal wire to the vertical one
             r2.Terminal1 = b;
             r2.Terminal2 = {50, 50};
         },
         {{2, 0}, {1, 2}},
         3},
        {"a wire ending on the middle of another joins it",
         [&](CircuitBuilder& c) {
             c.Ground();
             Path(c, c.At(1), a);
             c.Wire(a, b);
             c.Wire({50, 30}, m);  // T-junction
             TPart& r1 = c.R(0, 0, 8);
             r1.Terminal1 = {50, 30};
         },
         {{1, 0}},
         2},
        {"vertical wire ending on a horizontal one, and the other way round",
         [&](CircuitBuilder& c) {
             c.Ground();
             Path(c, c.At(1), {50, 30});
             c.Wire({50, 30}, {50, 40});  // its end lies on the next wire's middle
             c.Wire({45, 40}, {55, 40});
             TPart& r1 = c.R(0, 0, 8);
             r1.Terminal1 = {55, 40};
         },
         {{1, 0}},
         2},
        {"terminals at one point share a node without a wire",
         [](CircuitBuilder& c) {
             c.Ground();
             c.R(1, 2, 1);
             c.R(2, 0, 1);
             c.C(2, 0, 1e-6);
         },
         {{1, 2}, {2, 0}, {2, 0}},
         3},
        {"a capacitor alone on the sheet is dropped",
         [](CircuitBuilder& c) {
             c.Ground();
             c.C(5, 6, 1e-6);
             c.R(1, 0, 8);
         },
         {{-1, -1}, {1, 0}},
         2},
        {"ground carries no reachability",
         [](CircuitBuilder& c) {
             c.Ground();
             c.R(1, 0, 8);
             c.R(0, 7, 8);
         },
         {{1, 0}, {0, -1}},
         2},
        {"a dropped node takes the highest number",
         [](CircuitBuilder& c) {
             c.Ground();
             c.C(5, 6, 1e-6);  // nodes 2 and 4 in numbering, both unreachable
             c.R(1, 2, 6);     // its far end is node 3 until the renumbering
             c.R(2, 0, 8);
         },
         {{-1, -1}, {1, 2}, {2, 0}},
         3},
        {"without a ground symbol the source's second terminal is the reference",
         [](CircuitBuilder& c) {
             c.Source(1, 3);
             c.R(1, 2, 6);
             c.R(2, 3, 8);
         },
         {{1, 2}, {2, 0}},
         3},
        {"source terminal on a wire that leads to ground",
         [](CircuitBuilder& c) {
             c.Ground(4);
             c.Source(1, 3);
             c.Wire(c.At(3), {c.At(3).X, c.At(4).Y});
             c.Wire({c.At(3).X, c.At(4).Y}, c.At(4));
             c.R(1, 4, 8);
         },
         {{1, 0}},
         2},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.what);
        CircuitBuilder c;
        tc.build(c);
        const TNetlist net = BuildNetlist(c.d);
        ASSERT_EQ(c.d.Parts.size(), tc.parts.size());
        for (std::size_t i = 0; i < tc.parts.size(); ++i) EXPECT_EQ(Of(net.Parts[i]), tc.parts[i]) << "part " << i;
        EXPECT_EQ(net.NodeCount, tc.nodeCount);
    }
}

TEST(Netlist, DriversCountForConnectivityWhateverTheirState) {
    CircuitBuilder c;
    c.Ground();
    c.R(1, 2, 6).State = TPartState::Open;
    TDriver& drv = c.Driver(2, 3, 8);
    drv.Muted = true;
    c.R(3, 0, 1).State = TPartState::Shorted;
    c.Driver(8, 9, 8);  // alone: dropped
    const TNetlist net = BuildNetlist(c.d);
    EXPECT_EQ(Of(net.Drivers[0]), Nodes(3, 2));  // its first terminal is numbered with the drivers
    EXPECT_EQ(Of(net.Drivers[1]), Nodes(-1, -1));
    EXPECT_EQ(net.NodeCount, 4);
}

TEST(Netlist, PointMapKeepsTheFirstNode) {
    CircuitBuilder c;
    TNetlist net;
    TNetlistBuilder nb(c.d, net);
    int field = -1;
    EXPECT_EQ(nb.FindNode({3, 4}), -1);
    EXPECT_TRUE(nb.SetNodeAt(field, {3, 4}, 5));
    EXPECT_FALSE(nb.SetNodeAt(field, {3, 4}, 7));
    EXPECT_EQ(field, 7);  // the field is always written
    EXPECT_EQ(nb.FindNode({3, 4}), 5);
    EXPECT_EQ(nb.PointMap().size(), 1u);
}
