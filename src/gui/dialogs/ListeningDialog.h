#pragma once

#include <QDialog>

#include "model/ListeningSetup.h"

class QCheckBox;
class QDialogButtonBox;

// Where the design is listened to: the distance and the direction of the
// listening point from the design's origin, and whether each driver is heard
// from where it sits on the baffle (its place, tilt and diameter in the
// driver dialog). Kept with the design.

namespace pelmo {

class TEditRealSpin;
class TSession;

class TListeningDialog : public QDialog {
    Q_OBJECT
public:
    explicit TListeningDialog(QWidget* parent);

    void SetSetup(const TListeningSetup& setup);
    TListeningSetup Setup() const;

    TEditRealSpin* DistanceField() const { return distance_; }
    TEditRealSpin* HorizontalField() const { return horizontal_; }
    TEditRealSpin* VerticalField() const { return vertical_; }
    QCheckBox* DriverPositionsBox() const { return driverPositions_; }
    QDialogButtonBox* Buttons() const { return buttons_; }

private:
    TEditRealSpin* distance_ = nullptr;
    TEditRealSpin* horizontal_ = nullptr;
    TEditRealSpin* vertical_ = nullptr;
    QCheckBox* driverPositions_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

// Shows the dialog over `parent` with the design's setup; on OK a changed
// setup goes into the design (marked modified, one undo step) and the design
// is solved again. True when the setup changed.
bool RunListeningDialog(QWidget* parent, TSession& session);

}  // namespace pelmo
