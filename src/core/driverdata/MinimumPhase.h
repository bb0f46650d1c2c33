#pragma once

#include <string>

namespace pelmo {

class MessageSink;
struct TDesign;
struct TDriver;

// Loads an FRD into a driver whose phase is derived from its magnitude
// (HilbertPhase set), using the driver's response-tail settings. Same contract
// as LoadDriverResponse; HilbertPhase stays set.
//
// For now the measured phase is taken (LoadDriverResponse); the derivation
// from the magnitude replaces this body.
bool LoadMinimumPhaseResponse(TDesign& d, TDriver& drv, const std::string& path, MessageSink& messages);

}  // namespace pelmo
