#pragma once

#include "base/DataTypes.h"

// Olive's preference rating of a loudspeaker from its spinorama, in the
// variant the CTA-2034 annex and its usual open descriptions give (with
// LFX from the sound power, not the one for a speaker with an ideal
// subwoofer):
//   Pref = 12.69 - 2.49 NBD_ON - 2.99 NBD_PIR - 4.31 LFX + 2.32 SM_PIR
// Each part is computed on the points of the analysis grid, levels in dB:
// * NBD (narrow-band deviation): half-octave bands starting at 100 Hz,
//   band i from 100 * 2^(i/2) Hz up to (not including) 100 * 2^((i+1)/2) Hz,
//   for i = 0 ... 13; the last band, from 9051 Hz, ends at 12 kHz and
//   includes it. In each band the mean of the absolute deviations of the
//   points' levels from the band's mean level (plain means of dB values);
//   NBD is the mean over the bands that hold points.
// * LFX: log10 of the first frequency, going down from the highest grid
//   point below 300 Hz, where the sound power lies 6 dB or more below the
//   mean level of the listening window over the points from 300 Hz to
//   10 kHz. Taken at that grid point, without interpolation; when no point
//   down to the lowest qualifies, the lowest grid frequency.
// * SM_PIR: r^2 of the least-squares line of the predicted in-room level
//   against log10(f) over the points from 100 Hz to 16 kHz; 0 when the level
//   does not vary at all (the line then explains nothing).

namespace pelmo {

struct TPreferenceScore {
    double NbdOn = 0.0;
    double NbdPir = 0.0;
    double LfxHz = 0.0;
    double Lfx = 0.0;  // log10(LfxHz)
    double SmPir = 0.0;
    double Score = 0.0;
};

double NarrowBandDeviation(const DataArray& freq, const DataArray& levelDb);
double LowFrequencyExtensionHz(const DataArray& freq, const DataArray& listeningWindowDb,
                               const DataArray& soundPowerDb);
double SmoothnessR2(const DataArray& freq, const DataArray& levelDb);

TPreferenceScore PreferenceScore(const DataArray& freq, const DataArray& onDb, const DataArray& listeningWindowDb,
                                 const DataArray& soundPowerDb, const DataArray& predictedInRoomDb);

}  // namespace pelmo
