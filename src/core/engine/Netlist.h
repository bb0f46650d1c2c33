#pragma once

#include <vector>

#include "model/Geometry.h"

// Netlist extraction: node numbers for every terminal from the sheet geometry.
// Terminals are joined when their points are equal or when they touch the same
// wires; wires are joined at T-junctions (an end of one lying on the other),
// never at mere crossings. Ground symbols are node 0 (without any, the first
// node handed out, normally the source's second terminal, is). Nodes that no
// chain of parts and drivers connects to the source are dropped (-1) and the
// rest renumbered without gaps.

namespace pelmo {

struct TDesign;
struct TWire;

// One grid point that has been given a node; the first node given stays.
struct TNodeAtPoint {
    int X = 0;
    int Y = 0;
    int Node = -1;
};
using TNSarray = std::vector<TNodeAtPoint>;

// Rebuilds the Node1/Node2 of the source, parts and drivers, each wire's Node,
// the parts' and drivers' Reached flags and the design's NodeCount.
void BuildNetlist(TDesign& d);

// The pieces of BuildNetlist, for its own use and for tests.
class TNetlistBuilder {
public:
    explicit TNetlistBuilder(TDesign& d) : d_(d) {}

    void Build();

    // The node recorded for p, or -1.
    int FindNode(TPoint p) const;
    // Writes n into field; appends p with n when p is new (then true).
    bool SetNodeAt(int& field, TPoint p, int n);
    // Every wire that p lies on gets node n and is spread.
    void NumberWiresAt(TPoint p, int n);
    // Passes the wire's node to every terminal and unnumbered wire touching it.
    void SpreadWireNode(std::size_t wire);

    const TNSarray& PointMap() const { return map_; }
    const std::vector<int>& ReachedList() const { return reached_; }

private:
    void SpreadOne(std::size_t wire);
    bool InReached(int n) const;
    void AddReached(int n);
    void Renumber(int from, int to);

    TDesign& d_;
    TNSarray map_;
    std::vector<int> reached_;
};

}  // namespace pelmo
