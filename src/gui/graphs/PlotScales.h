#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "graphs/GraphKinds.h"
#include "model/StepModes.h"

class QMenu;

// The Scale menu of a graph window: the frequency range, the vertical centre
// and step, the per-division choices of the impedance, voltage, power and
// current windows, the response scale, the group delay's microseconds and the
// square wave's test frequency. Each value dialog follows the value live.

namespace pelmo {

class TEditRealSpin;
class TPlotForm;

class TPlotScales {
public:
    explicit TPlotScales(TPlotForm& form);

    // The menu of the form's kind, in its menu bar (or, where choosing
    // "Scale" opens the response scale dialog, that item).
    void BuildMenu();
    QMenu* Menu() const { return menu_; }

    void MinFrequencyClick();
    void MaxFrequencyClick();
    void VerticalCenterClick();
    void ResponseScaleClick();
    void MicrosecondsClick();
    void TestFrequencyClick();
    void PerDivisionClick(TVerticalScaleMenu menu, double value);
    void DbPerDivClick(double value);

private:
    QMenu* AddRadioSubmenu(const QString& title, const std::vector<TScaleMenuItem>& items, const std::string& checked,
                           const std::function<void(double)>& choose);
    // Runs TValueDialog at the window; `live` receives every value; returns
    // the final value.
    double RunValueDialog(const QString& caption, double minValue, double maxValue, const QString& units,
                          bool showUnits, bool engUnits, TValueStepMode mode, double value,
                          const std::function<void(double)>& live,
                          const std::function<void(TEditRealSpin&)>& extra = {});
    void ShowTestFrequency();

    TPlotForm& form_;
    QMenu* menu_ = nullptr;
};

}  // namespace pelmo
