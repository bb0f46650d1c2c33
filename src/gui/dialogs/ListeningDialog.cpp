#include "gui/dialogs/ListeningDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "document/Session.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/ModalRunner.h"

namespace pelmo {

namespace {

TEditRealSpin* AngleField(QWidget* parent, const char* name, double low, double high) {
    auto* field = new TEditRealSpin(parent);
    field->setObjectName(name);
    field->setMinimumSize(130, 22);
    field->SetEngUnits(false);
    field->SetDefNumChars(7);
    field->SetUnits(QString::fromUtf8("\xC2\xB0"));
    field->SetShowUnits(true);
    field->SetMinValue(low);
    field->SetMaxValue(high);
    field->SetStepMode(smReal);
    field->SetRealInc(5);
    field->SetRealValue(0);
    return field;
}

}  // namespace

TListeningDialog::TListeningDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("ListeningDialog");
    setWindowTitle("Listening position");
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    distance_ = new TEditRealSpin(this);
    distance_->setObjectName("ersDistance");
    distance_->setMinimumSize(130, 22);
    distance_->SetEngUnits(false);
    distance_->SetDefNumChars(7);
    distance_->SetUnits("m");
    distance_->SetShowUnits(true);
    distance_->SetMinValue(MinListeningDistanceM);
    distance_->SetMaxValue(MaxListeningDistanceM);
    distance_->SetStepMode(sm125);
    distance_->SetRealValue(1);
    horizontal_ = AngleField(this, "ersHorizontal", -180, 180);
    vertical_ = AngleField(this, "ersVertical", -180, 180);
    form->addRow("Distance from the origin", distance_);
    form->addRow("Horizontal angle (right +)", horizontal_);
    form->addRow("Vertical angle (up +)", vertical_);
    column->addLayout(form);
    driverPositions_ = new QCheckBox("Use driver positions", this);
    driverPositions_->setObjectName("cbUseDriverPositions");
    driverPositions_->setToolTip(
        "Each driver is heard from where it sits on the baffle, at its angle and distance to the listening point. "
        "Off: every driver is heard on its axis at 1 m.");
    column->addWidget(driverPositions_);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    column->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, [this] {
        // A refused entry keeps the dialog open with the field saying why.
        for (TEditRealSpin* f : {distance_, horizontal_, vertical_})
            if (f->EditReal()->ShowsRefusal()) return;
        accept();
    });
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TListeningDialog::SetSetup(const TListeningSetup& setup) {
    distance_->SetRealValue(setup.DistanceM);
    horizontal_->SetRealValue(setup.HDeg);
    vertical_->SetRealValue(setup.VDeg);
    driverPositions_->setChecked(setup.UseDriverPositions);
}

TListeningSetup TListeningDialog::Setup() const {
    TListeningSetup s;
    s.DistanceM = distance_->RealValue();
    s.HDeg = WrapListeningAngle(horizontal_->RealValue());
    s.VDeg = WrapListeningAngle(vertical_->RealValue());
    s.UseDriverPositions = driverPositions_->isChecked();
    return s;
}

bool RunListeningDialog(QWidget* parent, TSession& session) {
    TDesign& design = session.Design();
    const TListeningSetup before = ReadListeningSetup(design.Settings);
    TListeningDialog dialog(parent);
    dialog.SetSetup(before);
    if (ExecModal(dialog) != QDialog::Accepted) return false;
    const TListeningSetup after = dialog.Setup();
    if (after == before) return false;
    WriteListeningSetup(after, design.Settings);
    design.Modified = true;
    session.CommitEdit();  // one undo step, as any edit of the design
    session.Solve();
    return true;
}

}  // namespace pelmo
