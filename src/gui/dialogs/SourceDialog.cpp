#include "gui/dialogs/SourceDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "document/Session.h"
#include "editor/ElementDialogRules.h"
#include "gui/dialogs/DelayUnitChoice.h"
#include "gui/widgets/ClickableText.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/WindowFit.h"
#include "model/Design.h"
#include "values/NumberFormat.h"

namespace pelmo {

TSourceDialog::TSourceDialog(TTuningHost& host, QWidget* parent) : TElementDialog(host, parent) {
    setObjectName("EditSrcForm");
    setWindowTitle("Adjust the Audio Power Source");

    stVrms_ = new QLabel(this);
    stVrms_->setObjectName("stVrms");
    stVrms_->setAlignment(Qt::AlignCenter);
    QFont bold = stVrms_->font();
    bold.setBold(true);
    stVrms_->setFont(bold);

    ersWatts_ = new TEditRealSpin(this);
    ersWatts_->setObjectName("ersWatts");
    ersWatts_->SetUnits("W");
    ersWatts_->SetShowUnits(true);
    ersWatts_->SetMinValue(0.05);
    ersWatts_->SetMaxValue(10000);
    ersWatts_->SetEngUnits(true);
    ersWatts_->SetDefNumChars(8);
    ersWatts_->SetStepMode(sm12345);
    ersWatts_->SetRealMult(2);
    ersWatts_->SetRealInc(0.05);
    auto* at = new QLabel("at", this);
    ersOhms_ = new TEditRealSpin(this);
    ersOhms_->setObjectName("ersOhms");
    ersOhms_->SetUnits("Ohms");
    ersOhms_->SetShowUnits(true);
    ersOhms_->SetMinValue(1);
    ersOhms_->SetMaxValue(1000);
    ersOhms_->SetIntOnly(true);
    ersOhms_->SetEngUnits(true);
    ersOhms_->SetDefNumChars(8);
    ersOhms_->SetStepMode(smIntRound);
    ersOhms_->SetCardInc(1);

    delayText_ = new TClickableText("overall delay added", this);
    delayText_->setObjectName("StaticText2");
    delayText_->setToolTip("Click: no delay");
    ersDelay_ = new TEditRealSpin(this);
    ersDelay_->setObjectName("ersDelay");
    ersDelay_->SetUnits("in");
    ersDelay_->SetShowUnits(true);
    ersDelay_->SetMinValue(-39);
    ersDelay_->SetMaxValue(39);
    ersDelay_->SetEngUnits(false);
    ersDelay_->SetDefNumChars(8);
    ersDelay_->SetStepMode(smReal);
    ersDelay_->SetRealInc(0.01);
    ersDelay_->setToolTip("Positive delay moves every driver away from the mic");
    for (TEditRealSpin* f : {ersWatts_, ersOhms_, ersDelay_}) {
        f->SetAvoidSetFocus(true);
        f->EditReal()->installEventFilter(this);
    }

    btnStd_ = new QPushButton("Std", this);
    btnStd_->setObjectName("BitBtn1");
    QFont underlined = btnStd_->font();
    underlined.setUnderline(true);
    btnStd_->setFont(underlined);
    btnStd_->setToolTip("1 W into 8 Ohms");
    cbInvert_ = new QCheckBox("invert polarity", this);
    cbInvert_->setObjectName("cbInvert");
    btnOK_ = new QPushButton("close", this);
    btnOK_->setObjectName("btnOK");
    for (QPushButton* b : {btnStd_, btnOK_}) b->setAutoDefault(false);

    // The level over its two fields, the delay beside them, the buttons
    // below.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 8, 10, 8);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    ersWatts_->setMinimumSize(89, 22);
    ersOhms_->setMinimumSize(105, 22);
    ersDelay_->setMinimumSize(130, 22);
    btnStd_->setMinimumSize(50, 25);
    btnOK_->setMinimumSize(89, 28);
    grid->addWidget(stVrms_, 0, 0, 1, 3, Qt::AlignBottom);
    grid->addWidget(delayText_, 0, 4, Qt::AlignBottom);
    grid->addWidget(ersWatts_, 1, 0);
    grid->addWidget(at, 1, 1);
    grid->addWidget(ersOhms_, 1, 2);
    delayUnit_ = new TDelayUnitChoice(*ersDelay_, host_.Session().DataFolder(), this);
    auto* delayRow = new QHBoxLayout;
    delayRow->setSpacing(2);
    delayRow->addWidget(ersDelay_, 1);
    delayRow->addWidget(delayUnit_);
    grid->addLayout(delayRow, 1, 4);
    grid->addWidget(btnStd_, 2, 0, Qt::AlignRight);
    grid->addWidget(cbInvert_, 2, 1, 1, 2);
    grid->addWidget(btnOK_, 2, 4, Qt::AlignRight);
    grid->setColumnMinimumWidth(3, 8);
    grid->setColumnStretch(3, 1);
    SetSizeAtLeast(*this, QSize(397, 103), true);

    connect(ersWatts_, &TEditRealSpin::ValChange, this, [this] { LevelChanged(); });
    connect(ersOhms_, &TEditRealSpin::ValChange, this, [this] { LevelChanged(); });
    connect(ersDelay_, &TEditRealSpin::ValChange, this, [this](double value) {
        if (loading_ || !loaded_) return;
        TDesign& d = host_.Session().Design();
        const double before = d.OverallDelay;
        if (!ApplyDelay(d.OverallDelay, value, delayUnit_->Unit())) return;
        // A figure that reads back as the same time is no change either.
        if (d.OverallDelay == before) return;
        ChangeWritten();
    });
    connect(delayText_, &TClickableText::clicked, this, [this] {
        ersDelay_->SetRealValue(0);
        ersDelay_->DoValChange();
    });
    connect(btnStd_, &QPushButton::clicked, this, &TSourceDialog::StandardLevel);
    connect(cbInvert_, &QCheckBox::clicked, this, [this](bool on) {
        TSource& src = host_.Session().Design().Source;
        if (!loaded_ || src.Inverted == on) return;
        src.Inverted = on;
        ChangeWritten();
    });
    connect(btnOK_, &QPushButton::clicked, this, [this] {
        host_.CancelToIdle();
        close();
    });
}

void TSourceDialog::LoadSource() {
    loaded_ = false;
    loading_ = true;
    const TDesign& d = host_.Session().Design();
    delayUnit_->ShowDelay(d.OverallDelay);
    const TSourceLevel level = SourceLevelOf(d.Source);
    ersOhms_->SetRealValue(level.Ohms);
    ersWatts_->SetRealValue(level.Watts);
    // The voltage the solve uses, which is what the design holds.
    ShowVolts(d.Source.Vrms);
    cbInvert_->setChecked(d.Source.Inverted);
    loading_ = false;
    loaded_ = true;
    host_.Session().Design().Modified = true;
}

void TSourceDialog::ShowVolts(double vrms) {
    stVrms_->setText(QString::fromStdString(FormatFixed(vrms, 5)) + " Volts RMS");
}

void TSourceDialog::LevelChanged() {
    if (loading_ || !loaded_) return;
    const TSourceLevel level{ersWatts_->RealValue(), ersOhms_->RealValue()};
    TSource& src = host_.Session().Design().Source;
    const bool changed = ApplySourceLevel(src, level);
    ShowVolts(src.Vrms);
    if (changed) ChangeWritten();
}

void TSourceDialog::StandardLevel() {
    if (!loaded_) return;
    ersWatts_->SetRealValue(StandardSourceLevel.Watts);
    ersOhms_->SetRealValue(StandardSourceLevel.Ohms);
    LevelChanged();
}

void TSourceDialog::FocusField() {
    if (!loaded_ || !isVisible()) return;
    activateWindow();
    ersDelay_->EditReal()->setFocus(Qt::OtherFocusReason);
}

bool TSourceDialog::eventFilter(QObject* watched, QEvent* event) {
    return CloseOnReleasedKey(watched, event, CommitNumberField) || TElementDialog::eventFilter(watched, event);
}

void TSourceDialog::keyPressEvent(QKeyEvent* event) {
    if (!CloseOnKeyPress(event)) TElementDialog::keyPressEvent(event);
}

void TSourceDialog::hideEvent(QHideEvent* event) {
    loaded_ = false;
    TElementDialog::hideEvent(event);
}

}  // namespace pelmo
