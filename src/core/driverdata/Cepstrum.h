#pragma once

#include "base/DataTypes.h"

namespace pelmo {

// Minimum phase from an amplitude spectrum through the real cepstrum.
// amplitude holds bins 0 ... M of a spectrum whose transform length is twice
// the largest power of two h not above M + 1 (M = 131072 for the working grid
// of the reconstruction: 262144 points). On return phase holds the minimum
// phase in radians at bins 0 ... 2h-1 (callers use 0 ... h) and amplitude, at
// its own length, the natural logarithm of the amplitude. A roll-off toward
// high frequencies gives a lagging (negative) phase there, a low-frequency
// roll-off a leading one. Transform lengths other than 262144 and 16384 are
// not supported (the phase stays zero). Fewer than two amplitudes give a
// phase of zeros and leave amplitude as it is.
void CepstralMinimumPhase(DataArray& amplitude, DataArray& phase);

// The same from the natural logarithm of the amplitude at bins 0 ... M
// instead of the amplitude (bin 0 is not read: it takes the value of bin 1);
// on return lnAmplitude holds the logarithm as it comes back from the
// transforms. Spares the logarithms when the caller has levels in dB.
void CepstralMinimumPhaseOfLog(DataArray& lnAmplitude, DataArray& phase);

// In place, in order: a step between neighbours of more than pi in either
// direction is taken out by whole turns of 2 pi.
void UnwrapRadians(DataArray& phase);

}  // namespace pelmo
