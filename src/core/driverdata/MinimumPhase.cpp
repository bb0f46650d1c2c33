#include "driverdata/MinimumPhase.h"

#include "driverdata/DriverLoad.h"
#include "model/Elements.h"

namespace pelmo {

bool LoadMinimumPhaseResponse(TDesign& d, TDriver& drv, const std::string& path, MessageSink& messages) {
    const bool ok = LoadDriverResponse(d, drv, path, messages);
    drv.HilbertPhase = true;
    return ok;
}

}  // namespace pelmo
