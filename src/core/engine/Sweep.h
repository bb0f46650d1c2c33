#pragma once

#include "engine/SolveContext.h"
#include "engine/SolveResult.h"

// The solve: netlist, block evaluation, the nodal equations at every grid
// frequency (with the second "lookback" solve when a curve asks for it), the
// acoustic sum and the points of every curve asked for.

namespace pelmo {

struct TDesign;
struct TPart;
struct TDriver;
class MessageSink;

// Solves the design at all grid frequencies into result: netlist, driver
// shares, system response and the points of the request's curves. A design
// without parts and drivers gives empty curves. Does nothing
// (result.Solved false, the rest as before) in circuit-block design mode. The circuit blocks'
// expressions are evaluated first, which writes their members' bound values;
// an error in one ends the solve with the evaluator's exception before any
// curve changed.
void SolveCircuit(TDesign& d, const TSolveRequest& request, TSolveContext& ctx, TSolveResult& result,
                  MessageSink& messages);

// A result window per request window and an empty point list per curve (with
// room for a sweep), the response scales as requested.
void ResetCurvePoints(const TSolveRequest& request, TSolveResult& result);

// Admittance of a part at angular frequency omega: shorted 1e6 S, open 1e-4 S,
// otherwise 1/Z of its value and ESR. A part whose impedance is exactly zero
// counts as shorted; one whose impedance is infinite (a capacitor of 0 F) as
// open.
TComplex PartAdmittance(const TPart& p, double omega);
// Admittance of a driver at grid index k; zero where its data have no entry k.
TComplex DriverAdmittance(const TDriver& drv, int k);

// The steps of one frequency, for the solve and for tests that check the
// equations against another simulator:
// the stamps of the netlist's nodal matrix (after BuildNetlist);
void PlanStamps(const TDesign& d, const TNetlist& net, TSolveContext& ctx);
// every part's admittance at grid frequency f into ctx.ElementY;
void SetPartAdmittances(const TDesign& d, TSolveContext& ctx, double f);
// the equations of grid index k into the initialized solver, the drivers'
// admittances multiplied by driverScale (false at the first failing call);
bool StampEquations(const TDesign& d, TSolveContext& ctx, int k, double driverScale);
// the solution into ctx.V (nodeCount entries).
void ReadNodeVoltages(TSolveContext& ctx, int nodeCount);

}  // namespace pelmo
