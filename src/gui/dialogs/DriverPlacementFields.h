#pragma once

#include <QGroupBox>
#include <array>
#include <functional>

class QComboBox;
class QLabel;

// Where a driver sits on the baffle, in the driver dialog: its centre (x
// right, y up, z toward the listener), its tilts (toward +x, and up) and its
// effective diameter. Distances are kept in inches, as the design file keeps
// them, and shown and entered in inches or millimetres by the user's choice,
// with the other unit shown beneath; angles in degrees.

namespace pelmo {

class TEditRealSpin;
struct TDriverAcoustics;

class TDriverPlacementFields : public QGroupBox {
    Q_OBJECT
public:
    enum TField { X, Y, Z, HTilt, VTilt, Diameter, FieldCount };

    explicit TDriverPlacementFields(QWidget* parent);

    // The driver's values into the fields (raises nothing).
    void Show(const TDriverAcoustics& a);
    // The fields' values into the driver; false when nothing changed.
    bool WriteTo(TDriverAcoustics& a) const;

    // Distances in millimetres (else inches).
    bool Millimetres() const { return millimetres_; }
    void SetMillimetres(bool on);

    TEditRealSpin* Field(TField f) const { return fields_[f]; }
    QComboBox* UnitChoice() const { return unitChoice_; }
    QLabel* OtherUnitText() const { return otherUnit_; }

    // A field raised a new value (wheel, arrows, Enter).
    std::function<void()> Changed;

private:
    // A field's value in inches or degrees, whatever it shows.
    double Stored(TField f) const;
    void SetStored(TField f, double v);
    void ShowOtherUnit();

    std::array<TEditRealSpin*, FieldCount> fields_{};
    QComboBox* unitChoice_ = nullptr;
    QLabel* otherUnit_ = nullptr;
    bool millimetres_ = false;
    bool showing_ = false;
};

}  // namespace pelmo
