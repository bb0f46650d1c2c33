#include "model/ListeningSetup.h"

#include <cmath>

namespace pelmo {

bool IsListeningDistance(double metres) {
    return std::isfinite(metres) && metres >= MinListeningDistanceM && metres <= MaxListeningDistanceM;
}

double WrapListeningAngle(double degrees) {
    if (!std::isfinite(degrees)) return 0.0;
    double a = std::fmod(degrees, 360.0);
    if (a > 180.0) a -= 360.0;
    if (a <= -180.0) a += 360.0;
    return a == 0.0 ? 0.0 : a;  // no negative zero
}

TListeningSetup ReadListeningSetup(const TDesignSettings& settings) {
    TListeningSetup s;
    if (settings.empty()) return s;
    const double distance = settings.Real(ListeningDistanceKey, s.DistanceM);
    if (IsListeningDistance(distance)) s.DistanceM = distance;
    s.HDeg = WrapListeningAngle(settings.Real(ListeningHKey, 0.0));
    s.VDeg = WrapListeningAngle(settings.Real(ListeningVKey, 0.0));
    s.UseDriverPositions = settings.Bool(ListeningUseDriverPositionsKey, false);
    return s;
}

void WriteListeningSetup(const TListeningSetup& setup, TDesignSettings& settings) {
    TListeningSetup s = setup;
    if (!IsListeningDistance(s.DistanceM)) s.DistanceM = TListeningSetup{}.DistanceM;
    s.HDeg = WrapListeningAngle(s.HDeg);
    s.VDeg = WrapListeningAngle(s.VDeg);
    if (s.IsDefault()) {
        for (const char* key : {ListeningDistanceKey, ListeningHKey, ListeningVKey, ListeningUseDriverPositionsKey})
            settings.Remove(key);
        return;
    }
    settings.SetReal(ListeningDistanceKey, s.DistanceM);
    settings.SetReal(ListeningHKey, s.HDeg);
    settings.SetReal(ListeningVKey, s.VDeg);
    settings.SetBool(ListeningUseDriverPositionsKey, s.UseDriverPositions);
}

}  // namespace pelmo
