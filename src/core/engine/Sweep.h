#pragma once

#include "engine/SolveContext.h"

// The solve: netlist, block evaluation, plotted-curve list, the nodal
// equations at every grid frequency (with the second "lookback" solve when a
// curve asks for it), the acoustic sum and every curve's points.

namespace pelmo {

struct TDesign;
struct TPart;
struct TDriver;
struct TGraphList;
class MessageSink;

// Solves the design at all grid frequencies and refills every curve of every
// window in graphs. Does nothing for a design without parts and drivers or in
// circuit-block design mode. An error in a circuit block's member expression
// ends the solve with the evaluator's exception (before any curve changed).
void SolveItClick(TDesign& d, TGraphList& graphs, TSolveContext& ctx, MessageSink& messages);

// Admittance of a part at angular frequency omega: shorted 1e6 S, open 1e-4 S,
// otherwise 1/Z of its value and ESR. A part whose impedance is exactly zero
// counts as shorted; one whose impedance is infinite (a capacitor of 0 F) as
// open.
TComplex PartAdmittance(const TPart& p, double omega);
// Admittance of a driver at grid index k; zero where its data have no entry k.
TComplex DriverAdmittance(const TDriver& drv, int k);
// Sets every part's Admittance for grid frequency f.
void SetPartAdmittances(TDesign& d, double f);

// Rebuilds ctx.Stamps from the current node numbers (after BuildNetlist).
void PlanStamps(const TDesign& d, TSolveContext& ctx);

// Stamps the nodal equations of grid index k into the initialized solver,
// the drivers' admittances multiplied by driverScale. False at the first
// failing call.
bool StampEquations(const TDesign& d, TSolveContext& ctx, int k, double driverScale);

// Copies the solver's solution into ctx.V (NodeCount entries).
void ReadNodeVoltages(const TDesign& d, TSolveContext& ctx);

// Builds the plotted-curve list (d.Plotted) from the windows' curves.
void BuildPlottedList(TDesign& d, TGraphList& graphs);

}  // namespace pelmo
