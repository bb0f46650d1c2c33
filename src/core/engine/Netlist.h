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

// The nodes of an element's two terminals (-1: not connected) and whether a
// chain of parts and drivers connects it to the source.
struct TElementNodes {
    int Node1 = -1;
    int Node2 = -1;
    bool Reached = false;
};

// The node numbers of a design, by element index.
struct TNetlist {
    TElementNodes Source;
    std::vector<TElementNodes> Parts;
    std::vector<TElementNodes> Drivers;
    std::vector<int> Wires;  // the node of each wire
    int NodeCount = 0;       // one more than the highest node in use
};

// One grid point that has been given a node; the first node given stays.
struct TNodeAtPoint {
    int X = 0;
    int Y = 0;
    int Node = -1;
};
using TNSarray = std::vector<TNodeAtPoint>;

// Numbers the nodes of the design into net (its vectors keep their room).
void BuildNetlist(const TDesign& d, TNetlist& net);
TNetlist BuildNetlist(const TDesign& d);

// The pieces of BuildNetlist, for its own use and for tests.
class TNetlistBuilder {
public:
    TNetlistBuilder(const TDesign& d, TNetlist& net) : d_(d), net_(net) {}

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

    const TDesign& d_;
    TNetlist& net_;
    TNSarray map_;
    std::vector<int> reached_;
};

}  // namespace pelmo
