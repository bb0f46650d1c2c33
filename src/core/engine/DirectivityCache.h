#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "acoustics/Directivity.h"
#include "acoustics/DriverGeometry.h"
#include "base/DataTypes.h"
#include "model/ListeningSetup.h"

// What the drivers radiate toward the listening point and toward the
// directions the directional curves look from. None of it depends on the
// circuit: a driver's response in a direction follows from its response
// files, where it sits and the listening setup alone. So it is worked out
// once and kept, and a solve (a notch of the wheel) only multiplies it by
// each driver's drive. What a driver's entries were made from is compared at
// every use, and they are made again when it changed:
// * its directivity, when its response file, its on-axis response (a file
//   loaded again, phase derived otherwise), its diameter or its shape, or the
//   grid changed; its off-axis files are read again when the response file's
//   name or the grid changed, or after ReloadFiles;
// * its responses toward the listening point or a list of directions, when
//   its directivity, its position or tilts, the setup (distance, angles) or
//   the directions changed.
// Not for use from two threads at once.

namespace pelmo {

struct TDesign;
struct TDriver;
class MessageSink;

// A driver's place and size as the design gives it (values that are not
// finite count as 0); round unless both sides of its rectangle are given.
TDriverGeometry DriverGeometryOf(const TDriver& drv);

// The drivers' responses toward a list of unit directions, heard at
// DistanceM from the design's origin: per driver i, Re[i]/Im[i][n * Nf + k]
// for direction n and grid index k.
struct TDirectionalResponses {
    std::vector<TVec3> Directions;
    double DistanceM = 1.0;
    std::size_t Nf = 0;
    std::vector<DataArray> Re, Im;
};

class TDirectivityCache {
public:
    TDirectivityCache();
    ~TDirectivityCache();
    TDirectivityCache(const TDirectivityCache&) = delete;
    TDirectivityCache& operator=(const TDirectivityCache&) = delete;

    // Each driver's response toward the listening point of `setup` on
    // `grid`, heard from where it sits: entry i for driver i. For a driver at
    // the origin, untilted, heard at 1 m on axis it is the driver's own
    // response, bit for bit. Off-axis files that cannot be read show their
    // messages here (once, when they are read). Valid until the next call.
    const std::vector<TComplexArray>& AtListeningPoint(const TDesign& d, const DataArray& grid,
                                                       const TListeningSetup& setup, MessageSink& messages);

    // The drivers' responses toward `directions` (unit vectors in the
    // design's frame) at `distanceM` from the origin. A few lists are kept at
    // once (a window each); the reference is valid until the next call.
    const TDirectionalResponses& AtDirections(const TDesign& d, const DataArray& grid,
                                              const std::vector<TVec3>& directions, double distanceM,
                                              MessageSink& messages);

    // Driver i's directivity as last made; nullptr before any use.
    const TDriverDirectivity* Directivity(std::size_t driver) const;

    // The off-axis files are read again at the next use: files of the same
    // names were replaced or added.
    void ReloadFiles();

    // The work done so far, for tests and benchmarks: off-axis sets read,
    // directivities made, one driver's responses worked out toward the
    // listening point or a list of directions.
    struct TCounts {
        long SetsRead = 0;
        long Directivities = 0;
        long Responses = 0;
    };
    const TCounts& Counts() const { return counts_; }

private:
    struct TDriverEntry;
    struct TDirectionSet;

    void UpdateDrivers(const TDesign& d, const DataArray& grid, MessageSink& messages);

    DataArray grid_;
    std::vector<TDriverEntry> drivers_;
    std::vector<TComplexArray> atPoint_;
    std::vector<std::unique_ptr<TDirectionSet>> sets_;  // most recently used first
    unsigned long nextVersion_ = 0;
    TCounts counts_;
};

}  // namespace pelmo
