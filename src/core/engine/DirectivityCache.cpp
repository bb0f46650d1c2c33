#include "engine/DirectivityCache.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "acoustics/ListeningPoint.h"
#include "acoustics/OffAxisSet.h"
#include "model/Design.h"

namespace pelmo {

namespace {

// How many lists of directions are kept at once.
constexpr std::size_t KeptDirectionSets = 8;

double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

// Equal to the last bit (a NaN equals itself), so that nothing is made again
// for data that did not change.
bool SameBits(const DataArray& a, const DataArray& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

bool SameDirections(const std::vector<TVec3>& a, const std::vector<TVec3>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(TVec3)) == 0);
}

}  // namespace

TDriverGeometry DriverGeometryOf(const TDriver& drv) {
    const TDriverAcoustics& a = drv.Acoustic;
    TDriverGeometry g;
    g.XoffsIn = Finite(a.XOffsetInches);
    g.YoffsIn = Finite(a.YOffsetInches);
    g.ZoffsIn = Finite(a.ZOffsetInches);
    g.HtiltDeg = Finite(a.HTiltDegrees);
    g.VtiltDeg = Finite(a.VTiltDegrees);
    g.DiaIn = std::max(0.0, Finite(a.DiameterInches));
    g.Round = !(drv.RectHeight > 0.0 && drv.RectWidth > 0.0);
    return g;
}

// One driver: its directivity and what it was made from, and what its
// response toward the listening point was made from.
struct TDirectivityCache::TDriverEntry {
    bool FilesRead = false;
    std::string FrdFile;
    std::vector<TMeasuredAngle> Measured;

    std::unique_ptr<TDriverDirectivity> Directivity;
    TComplexArray OnAxis;
    double DiaIn = 0.0;
    bool Round = true;
    unsigned long Version = 0;  // unique for every directivity made

    bool PointValid = false;
    unsigned long PointVersion = 0;
    TDriverGeometry PointGeometry;
    TListeningSetup PointSetup;
};

struct TDirectivityCache::TDirectionSet {
    TDirectionalResponses Responses;
    // Per driver: the directivity version and geometry its responses were
    // made from (version 0: none yet).
    std::vector<unsigned long> Versions;
    std::vector<TDriverGeometry> Geometries;
};

TDirectivityCache::TDirectivityCache() = default;
TDirectivityCache::~TDirectivityCache() = default;

const TDriverDirectivity* TDirectivityCache::Directivity(std::size_t driver) const {
    return driver < drivers_.size() ? drivers_[driver].Directivity.get() : nullptr;
}

void TDirectivityCache::ReloadFiles() {
    for (TDriverEntry& e : drivers_) e.FilesRead = false;
}

void TDirectivityCache::UpdateDrivers(const TDesign& d, const DataArray& grid, MessageSink& messages) {
    if (!SameBits(grid, grid_)) {
        grid_ = grid;
        drivers_.clear();
    }
    drivers_.resize(d.Drivers.size());
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        const TDriver& drv = *d.Drivers[i];
        TDriverEntry& e = drivers_[i];
        const bool files = !e.FilesRead || e.FrdFile != drv.Acoustic.FRDFile;
        if (files) {
            e.FrdFile = drv.Acoustic.FRDFile;
            e.Measured.clear();
            if (!e.FrdFile.empty()) {
                e.Measured = LoadOffAxisSet(e.FrdFile, grid_, messages);
                ++counts_.SetsRead;
            }
            e.FilesRead = true;
        }
        const TDriverGeometry g = DriverGeometryOf(drv);
        const TComplexArray& onAxis = drv.Acoustic.Response;
        if (files || !e.Directivity || !SameBits(e.OnAxis.Re, onAxis.Re) || !SameBits(e.OnAxis.Im, onAxis.Im) ||
            e.DiaIn != g.DiaIn || e.Round != g.Round) {
            e.OnAxis = onAxis;
            e.DiaIn = g.DiaIn;
            e.Round = g.Round;
            e.Directivity = std::make_unique<TDriverDirectivity>(grid_, onAxis, g.DiaIn, g.Round, e.Measured);
            e.Version = ++nextVersion_;
            e.PointValid = false;
            ++counts_.Directivities;
        }
    }
}

const std::vector<TComplexArray>& TDirectivityCache::AtListeningPoint(const TDesign& d, const DataArray& grid,
                                                                      const TListeningSetup& setup,
                                                                      MessageSink& messages) {
    UpdateDrivers(d, grid, messages);
    atPoint_.resize(drivers_.size());
    const TListeningPoint point{setup.DistanceM, setup.HDeg, setup.VDeg};
    for (std::size_t i = 0; i < drivers_.size(); ++i) {
        TDriverEntry& e = drivers_[i];
        const TDriverGeometry g = DriverGeometryOf(*d.Drivers[i]);
        if (e.PointValid && e.PointVersion == e.Version && e.PointGeometry == g &&
            e.PointSetup.DistanceM == setup.DistanceM && e.PointSetup.HDeg == setup.HDeg &&
            e.PointSetup.VDeg == setup.VDeg)
            continue;
        ResponseAtPoint(*e.Directivity, g, point, atPoint_[i]);
        e.PointValid = true;
        e.PointVersion = e.Version;
        e.PointGeometry = g;
        e.PointSetup = setup;
        ++counts_.Responses;
    }
    return atPoint_;
}

const TDirectionalResponses& TDirectivityCache::AtDirections(const TDesign& d, const DataArray& grid,
                                                             const std::vector<TVec3>& directions, double distanceM,
                                                             MessageSink& messages) {
    UpdateDrivers(d, grid, messages);
    auto it = std::find_if(sets_.begin(), sets_.end(), [&](const std::unique_ptr<TDirectionSet>& s) {
        return s->Responses.DistanceM == distanceM && SameDirections(s->Responses.Directions, directions);
    });
    if (it == sets_.end()) {
        auto set = std::make_unique<TDirectionSet>();
        set->Responses.Directions = directions;
        set->Responses.DistanceM = distanceM;
        if (sets_.size() >= KeptDirectionSets) sets_.pop_back();
        sets_.insert(sets_.begin(), std::move(set));
        it = sets_.begin();
    } else if (it != sets_.begin()) {
        std::rotate(sets_.begin(), it, it + 1);
        it = sets_.begin();
    }
    TDirectionSet& set = **it;
    TDirectionalResponses& r = set.Responses;
    const std::size_t nf = grid_.size();
    const std::size_t count = r.Directions.size();
    const std::size_t drivers = drivers_.size();
    r.Nf = nf;
    r.Re.resize(drivers);
    r.Im.resize(drivers);
    set.Versions.resize(drivers, 0);
    set.Geometries.resize(drivers);
    for (std::size_t i = 0; i < drivers; ++i) {
        const TDriverEntry& e = drivers_[i];
        const TDriverGeometry g = DriverGeometryOf(*d.Drivers[i]);
        if (set.Versions[i] == e.Version && set.Geometries[i] == g && r.Re[i].size() == count * nf) continue;
        r.Re[i].resize(count * nf);
        r.Im[i].resize(count * nf);
        ResponsesAtDirections(*e.Directivity, g, r.Directions.data(), count, distanceM, r.Re[i].data(), r.Im[i].data());
        set.Versions[i] = e.Version;
        set.Geometries[i] = g;
        ++counts_.Responses;
    }
    return r;
}

}  // namespace pelmo
