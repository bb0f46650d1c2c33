#pragma once

#include <QComboBox>
#include <string>

#include "base/Units.h"

namespace pelmo {

class TEditRealSpin;

// The unit choice beside a delay field: "µs", "mm" or "in". The choice is the
// user's: one for every delay field of the run, kept in the settings file.
// Switching converts the figure the field shows; the delay itself is not
// written (the field's own change event is not raised).
class TDelayUnitChoice : public QComboBox {
    Q_OBJECT
public:
    // `dataFolder` holds the settings file ("" keeps the choice for the run only).
    TDelayUnitChoice(TEditRealSpin& field, std::string dataFolder, QWidget* parent);

    TDelayUnit Unit() const { return unit_; }
    // Shows a delay (seconds) in the field, in the chosen unit.
    void ShowDelay(double seconds);
    // What the field's figure stands for, in seconds.
    double FieldSeconds() const;

private:
    void Use(TDelayUnit unit);
    void SetUpField();

    TEditRealSpin& field_;
    std::string dataFolder_;
    TDelayUnit unit_ = TDelayUnit::Inches;
};

}  // namespace pelmo
