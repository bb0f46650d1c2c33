#pragma once

#include "engine/SolveContext.h"
#include "engine/SolveResult.h"

// The solve: netlist, circuit block values, the nodal equations at every grid
// frequency (with the second "lookback" solve when asked for), the input
// impedance, every driver's contribution and the acoustic sum.

namespace pelmo {

struct TDesign;
struct TPart;
struct TDriver;
class MessageSink;

// Solves the design at all grid frequencies into result. The design is only
// read: the circuit blocks' expressions are evaluated into the result
// (Blocks), whose values the solve uses for the members. An error in a
// member expression ends the solve with the evaluator's exception; the
// result then holds, in Blocks, the blocks evaluated up to it (the last one
// incomplete) and is otherwise as before. Does nothing (result.Solved false,
// the rest as before) in circuit-block design mode. A design without parts
// and drivers gives a result without any solved frequency.
void SolveCircuit(const TDesign& d, const TSolveOptions& options, TSolveContext& ctx, TSolveResult& result,
                  MessageSink& messages);

// Admittance of a part at angular frequency omega, from its own value and ESR
// (its bound ones when it is bound): PartAdmittanceAt of its terms.
TComplex PartAdmittance(const TPart& p, double omega);
// Admittance of a driver at grid index k; zero where its data have no entry k.
TComplex DriverAdmittance(const TDriver& drv, int k);

// The steps of one frequency, for tests that check the equations against
// another simulator and for the benchmarks:
// the stamps of the netlist's nodal matrix (after BuildNetlist), with every
// part's terms taken from the design;
void PlanStamps(const TDesign& d, const TNetlist& net, TSolveContext& ctx);
// every part's admittance at grid frequency f into ctx.ElementY;
void SetPartAdmittances(const TDesign& d, TSolveContext& ctx, double f);
// the equations of grid index k into the initialized solver, the drivers'
// admittances multiplied by driverScale (false at the first failing call);
bool StampEquations(const TDesign& d, TSolveContext& ctx, int k, double driverScale);
// the solution into ctx.V (nodeCount entries).
void ReadNodeVoltages(TSolveContext& ctx, int nodeCount);

// The nodal equations of every grid frequency as the solve solves them
// (spread over the worker pool, several frequencies at a time), and nothing
// else: result.FrequencySolved[k] tells whether grid index k solved,
// result.VoltagesAt(k) gives its node voltages.
void SolveNodeVoltages(const TDesign& d, const TNetlist& net, TSolveContext& ctx, TSolveResult& result);

}  // namespace pelmo
