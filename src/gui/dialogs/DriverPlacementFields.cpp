#include "gui/dialogs/DriverPlacementFields.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "base/Units.h"
#include "gui/widgets/EditReal.h"
#include "model/DriverAcoustics.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

constexpr double MillimetresPerInch = MetresPerInch * 1000.0;

struct TFieldLook {
    const char* Caption;
    const char* Name;
    bool Distance;
    double Low, High;  // inches or degrees
};

// Half a metre of offset either way covers any baffle; the tilts turn a
// driver anywhere in front.
constexpr std::array<TFieldLook, TDriverPlacementFields::FieldCount> Looks{{
    {"x", "ersXOffset", true, -200, 200},
    {"y", "ersYOffset", true, -200, 200},
    {"z", "ersZOffset", true, -200, 200},
    {"h tilt", "ersHTilt", false, -180, 180},
    {"v tilt", "ersVTilt", false, -90, 90},
    {"diameter", "ersDiameter", true, 0, 40},
}};

QString Number(double v) { return QString::fromStdString(FormatGeneral(v, 5)); }

}  // namespace

TDriverPlacementFields::TDriverPlacementFields(QWidget* parent) : QGroupBox("Place on the baffle", parent) {
    setObjectName("gbPlacement");
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    for (int i = 0; i < FieldCount; ++i) {
        const TFieldLook& look = Looks[static_cast<std::size_t>(i)];
        auto* caption = new QLabel(look.Caption, this);
        auto* field = new TEditRealSpin(this);
        field->setObjectName(look.Name);
        field->setMinimumSize(100, 22);
        field->SetEngUnits(false);
        field->SetDefNumChars(7);
        field->SetShowUnits(true);
        field->SetStepMode(smReal);
        field->SetRealMult(1.0594630943593);
        if (!look.Distance) {
            field->SetUnits(QString::fromUtf8("\xC2\xB0"));
            field->SetMinValue(look.Low);
            field->SetMaxValue(look.High);
            field->SetRealInc(1);
        }
        caption->setBuddy(field->EditReal());
        const int row = i / 3, col = (i % 3) * 2;
        grid->addWidget(caption, row, col, Qt::AlignRight);
        grid->addWidget(field, row, col + 1);
        fields_[static_cast<std::size_t>(i)] = field;
        connect(field, &TEditRealSpin::ValChange, this, [this] {
            if (showing_) return;
            ShowOtherUnit();
            if (Changed) Changed();
        });
    }
    unitChoice_ = new QComboBox(this);
    unitChoice_->setObjectName("cbDistanceUnit");
    unitChoice_->addItems({"in", "mm"});
    unitChoice_->setToolTip("The unit of the distances");
    otherUnit_ = new QLabel(this);
    otherUnit_->setObjectName("stOtherUnit");
    otherUnit_->setEnabled(false);  // greyed: a reading, not a field
    grid->addWidget(unitChoice_, 0, 6);
    grid->addWidget(otherUnit_, 2, 0, 1, 7);
    grid->setColumnStretch(7, 1);
    connect(unitChoice_, &QComboBox::currentIndexChanged, this, [this](int i) { SetMillimetres(i == 1); });
    SetMillimetres(false);
}

double TDriverPlacementFields::Stored(TField f) const {
    const double v = fields_[f]->RealValue();
    return Looks[f].Distance && millimetres_ ? v / MillimetresPerInch : v;
}

void TDriverPlacementFields::SetStored(TField f, double v) {
    fields_[f]->SetRealValue(Looks[f].Distance && millimetres_ ? v * MillimetresPerInch : v);
}

void TDriverPlacementFields::SetMillimetres(bool on) {
    std::array<double, FieldCount> kept{};
    for (int i = 0; i < FieldCount; ++i) kept[static_cast<std::size_t>(i)] = Stored(static_cast<TField>(i));
    millimetres_ = on;
    showing_ = true;
    {
        const QSignalBlocker quiet(unitChoice_);
        unitChoice_->setCurrentIndex(on ? 1 : 0);
    }
    const double scale = on ? MillimetresPerInch : 1.0;
    for (int i = 0; i < FieldCount; ++i) {
        const TFieldLook& look = Looks[static_cast<std::size_t>(i)];
        if (!look.Distance) continue;
        TEditRealSpin* field = fields_[static_cast<std::size_t>(i)];
        field->SetUnits(on ? "mm" : "in");
        field->SetMinValue(look.Low * scale);
        field->SetMaxValue(look.High * scale);
        field->SetRealInc(on ? 1.0 : 0.1);
        SetStored(static_cast<TField>(i), kept[static_cast<std::size_t>(i)]);
    }
    showing_ = false;
    ShowOtherUnit();
}

void TDriverPlacementFields::ShowOtherUnit() {
    // The distances in the unit not chosen, so that both are in sight.
    const bool mm = !millimetres_;
    const double scale = mm ? MillimetresPerInch : 1.0;
    const QString unit = mm ? " mm" : " in";
    otherUnit_->setText(QString("= x %1, y %2, z %3%4; diameter %5%4")
                            .arg(Number(Stored(X) * scale), Number(Stored(Y) * scale), Number(Stored(Z) * scale), unit,
                                 Number(Stored(Diameter) * scale)));
}

void TDriverPlacementFields::Show(const TDriverAcoustics& a) {
    showing_ = true;
    SetStored(X, a.XOffsetInches);
    SetStored(Y, a.YOffsetInches);
    SetStored(Z, a.ZOffsetInches);
    SetStored(HTilt, a.HTiltDegrees);
    SetStored(VTilt, a.VTiltDegrees);
    SetStored(Diameter, a.DiameterInches);
    showing_ = false;
    ShowOtherUnit();
}

bool TDriverPlacementFields::WriteTo(TDriverAcoustics& a) const {
    const std::array<double*, FieldCount> stored{&a.XOffsetInches, &a.YOffsetInches, &a.ZOffsetInches,
                                                 &a.HTiltDegrees,  &a.VTiltDegrees,  &a.DiameterInches};
    bool changed = false;
    for (int i = 0; i < FieldCount; ++i) {
        const double v = Stored(static_cast<TField>(i));
        // A value shown in millimetres that stands for the stored one keeps it
        // (the round trip through 25.4 is not exact).
        const double shown = Looks[static_cast<std::size_t>(i)].Distance && millimetres_
                                 ? *stored[static_cast<std::size_t>(i)] * MillimetresPerInch
                                 : *stored[static_cast<std::size_t>(i)];
        if (shown == fields_[static_cast<std::size_t>(i)]->RealValue()) continue;
        *stored[static_cast<std::size_t>(i)] = v;
        changed = true;
    }
    return changed;
}

}  // namespace pelmo
