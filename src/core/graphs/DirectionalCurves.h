#pragma once

#include <optional>
#include <string>
#include <vector>

#include "graphs/GraphRecord.h"

// The directional windows (spinorama, power and DI, off-axis curves, polar
// map) show one subject at a time, the system or one driver, as a set of
// curves: its Curves menu chooses the subject and the window's view (plane,
// angles) the set. The points come from the drivers' responses toward the
// directions, kept in the directivity cache, multiplied by each driver's
// drive of the solve: per notch only that multiply-and-sum runs.

namespace pelmo {

struct TDesign;
struct TPreferenceScore;

// One curve of a set: its legend name (empty: not listed), palette colour
// and axis.
struct TTrace {
    std::string Name;
    int Colour = 0;
    bool RightAxis = false;
};

// Whether windows of the kind show a set of curves of one subject.
bool ShowsCurveSet(TGraphKind kind);

// The set a window of its kind shows with its view, in trace order:
// spinorama On Axis, Listening Window, Early Reflections, Sound Power,
// Predicted In-Room, ERDI, SPDI; power: On Axis, Sound Power, DI; off-axis:
// one curve per angle ("V 30°"); polar map: its two -6 dB lines. Empty for
// the other kinds.
std::vector<TTrace> CurveTraces(const TGraphRecord& g);

// The window's curves replaced by the set of `subject`, without points.
void SetCurveSet(TGraphRecord& g, const TDesign& d, const TCurveSubject& subject);
// The set made again for the subject the window shows (the System when it
// shows none), after its view changed.
void RenewCurveSet(TGraphRecord& g, const TDesign& d);

// The angles of the off-axis curves: 0, step, ... up to the view's largest
// angle (a step that is not positive counts as 10 degrees; at most 180).
std::vector<double> OffAxisAngles(const TDirectionalView& v);
// The polar map's angles: -180 ... 180 in steps of PolarMapStepDeg.
inline constexpr double PolarMapStepDeg = 5.0;
std::vector<double> PolarMapAngles();
// How far below on axis the polar map's lines run.
inline constexpr double BeamEdgeDb = 6.0;

// The lines where a map's level first falls BeamEdgeDb below its level at
// 0 degrees, going from 0 toward +180 (upper) and toward -180 (lower),
// interpolated between the map's angles; +-180 where it never does. One
// point per map frequency whose on-axis level is finite.
void BeamEdges(const TLevelMap& m, TChartCurve& upper, TChartCurve& lower);

// The pointer readout of a polar map at a frequency and angle: the nearest
// cell's "1.5kHz, V 30°, -3.2 dB"; nullopt outside the map or without one.
std::optional<std::string> MapReadoutText(const TGraphRecord& g, double freq, double angleDeg);

// The spinorama window's line under the chart: "System: preference score
// 5.23 (Olive, LFX from the sound power)".
inline constexpr const char* PreferenceScoreVariant = "Olive, LFX from the sound power";
std::string PreferenceScoreNote(const std::string& subject, const TPreferenceScore& score);

// "H 30°", "V -10°".
std::string AngleCaption(TPlane plane, double angleDeg);

}  // namespace pelmo
