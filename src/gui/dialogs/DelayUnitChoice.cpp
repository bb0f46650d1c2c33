#include "gui/dialogs/DelayUnitChoice.h"

#include <QSignalBlocker>

#include "document/Settings.h"
#include "editor/ElementDialogRules.h"
#include "gui/widgets/EditReal.h"

namespace pelmo {

namespace {

constexpr TDelayUnit Units[] = {TDelayUnit::Microseconds, TDelayUnit::Millimetres, TDelayUnit::Inches};

// Tells every unit choice of the run when one of them changed.
class TDelayUnitNews : public QObject {
    Q_OBJECT
public:
    static TDelayUnitNews& Instance() {
        static TDelayUnitNews news;
        return news;
    }
    bool known = false;
    TDelayUnit unit = TDelayUnit::Inches;
signals:
    void Changed(TDelayUnit unit);
};

int IndexOf(TDelayUnit unit) { return static_cast<int>(std::find(std::begin(Units), std::end(Units), unit) - Units); }

}  // namespace

TDelayUnitChoice::TDelayUnitChoice(TEditRealSpin& field, std::string dataFolder, QWidget* parent)
    : QComboBox(parent), field_(field), dataFolder_(std::move(dataFolder)) {
    setObjectName("cbDelayUnit");
    setToolTip("Unit of the delay: time, or the distance sound travels in it (344 m/s)");
    for (TDelayUnit u : Units) addItem(QString::fromUtf8(DelayUnitName(u)));
    TDelayUnitNews& news = TDelayUnitNews::Instance();
    if (!news.known) {
        news.unit = dataFolder_.empty() ? TDelayUnit::Inches : ReadDelayUnit(dataFolder_);
        news.known = true;
    }
    unit_ = news.unit;
    setCurrentIndex(IndexOf(unit_));
    SetUpField();
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index >= static_cast<int>(std::size(Units))) return;
        const TDelayUnit u = Units[index];
        TDelayUnitNews& n = TDelayUnitNews::Instance();
        if (u == n.unit) return;
        n.unit = u;
        if (!dataFolder_.empty()) WriteDelayUnit(dataFolder_, u);
        emit n.Changed(u);
    });
    connect(&news, &TDelayUnitNews::Changed, this, &TDelayUnitChoice::Use);
}

double TDelayUnitChoice::FieldSeconds() const { return DelaySecondsFrom(field_.RealValue(), unit_); }

void TDelayUnitChoice::ShowDelay(double seconds) { field_.SetRealValue(DelayInUnit(seconds, unit_)); }

void TDelayUnitChoice::Use(TDelayUnit unit) {
    if (unit == unit_) return;
    const double seconds = FieldSeconds();
    unit_ = unit;
    {
        const QSignalBlocker quiet(this);
        setCurrentIndex(IndexOf(unit));
    }
    SetUpField();
    ShowDelay(seconds);
}

void TDelayUnitChoice::SetUpField() {
    // Inches keep the field's long figure; the other units show four digits.
    const bool inches = unit_ == TDelayUnit::Inches;
    const double limit = DelayLimitInUnit(unit_);
    field_.SetUnits(inches ? "in" : QString::fromUtf8(DelayUnitName(unit_)));
    field_.SetMinValue(-limit);
    field_.SetMaxValue(limit);
    field_.SetDefNumChars(inches ? 8 : 4);
    field_.SetRealInc(inches ? 0.01 : unit_ == TDelayUnit::Millimetres ? 0.1 : 1.0);
}

}  // namespace pelmo

#include "DelayUnitChoice.moc"
