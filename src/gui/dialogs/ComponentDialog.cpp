#include "gui/dialogs/ComponentDialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "catalogue/CatalogueBrowse.h"
#include "document/Session.h"
#include "gui/catalogue/PartBrowser.h"
#include "gui/catalogue/PartsCatalogue.h"
#include "gui/sheet/SheetPainter.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/Pcs.h"
#include "gui/widgets/QtTextMetrics.h"
#include "gui/widgets/WindowFit.h"
#include "model/Design.h"

namespace pelmo {

namespace {
constexpr int DialogWidth = 476;
constexpr int ShortHeight = 145;
constexpr int TallHeight = 245;  // the block designer's two expression fields

QFont BoldFont(const QWidget* w, int pixels, bool bold = true) {
    QFont f = w->font();
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// A static text that covers the control in its place while shown.
QLabel* CoverText(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setAutoFillBackground(true);
    l->setFont(BoldFont(parent, 16));
    l->hide();
    return l;
}

// A widget shown only at times keeps its place: the others do not move.
void KeepPlaceWhenHidden(QWidget* w) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}
}  // namespace

TComponentDialog::TComponentDialog(TTuningHost& host, QWidget* parent) : TElementDialog(host, parent) {
    setObjectName("EditForm");
    setWindowTitle("Tune and Select");

    titleText_ = new QLabel(this);
    titleText_->setObjectName("stRefDes");
    titleText_->setFont(BoldFont(this, 16));
    titleText_->setIndent(14);
    titleText_->setMinimumSize(110, 24);

    valueField_ = new TPcs(this);
    valueField_->setObjectName("pcsValue");
    valueField_->setMinimumSize(113, 24);
    valueField_->SetEngUnits(false);
    valueField_->SetDefNumChars(4);
    valueField_->SetMinValue(1e-12);
    valueField_->SetMaxValue(1e9);
    valueField_->SetAvoidSetFocus(true);

    esrCaption_ = new QLabel(this);
    esrCaption_->setObjectName("stESR");
    esrCaption_->setIndent(3);
    esrCaption_->setMinimumSize(110, 18);

    esrField_ = new TEditRealSpin(this);
    esrField_->setObjectName("ersESR");
    esrField_->setMinimumSize(113, 22);
    esrField_->SetEngUnits(true);
    esrField_->SetDefNumChars(8);
    // Ratings and ESRs as high as anyone types: a 100 W resistor stays 100 W.
    esrField_->SetMaxValue(1e6);
    esrField_->SetRealMult(1.05);
    esrField_->SetRealInc(0.01);
    esrField_->SetAvoidSetFocus(true);

    valueText_ = CoverText(this);
    valueText_->setObjectName("stValue");
    esrText_ = CoverText(this);
    esrText_->setObjectName("stEsrPwr");

    partNumberText_ = new QLabel(this);
    partNumberText_->setObjectName("stPartNumber");
    partNumberText_->setMinimumSize(260, 22);
    partNumberText_->setFont(BoldFont(this, 16));
    KeepPlaceWhenHidden(partNumberText_);
    partNumberText_->hide();

    stateRow_ = new QWidget(this);
    stateRow_->setObjectName("pRG");
    stateRow_->setMinimumSize(250, 30);
    stateRow_->setFocusPolicy(Qt::StrongFocus);
    auto* row = new QHBoxLayout(stateRow_);
    row->setContentsMargins(4, 2, 4, 2);
    normalButton_ = new QRadioButton("value", stateRow_);
    openButton_ = new QRadioButton("open", stateRow_);
    shortButton_ = new QRadioButton("short", stateRow_);
    for (QRadioButton* b : {normalButton_, openButton_, shortButton_}) row->addWidget(b);

    picture_ = new QLabel(this);
    picture_->setObjectName("pbPix");
    picture_->setFixedSize(109, 109);
    picture_->setFrameShape(QFrame::Box);

    findButton_ = new QPushButton("Find a\nPart#", this);
    findButton_->setObjectName("BitBtn1");
    findButton_->setMinimumSize(86, 40);
    findButton_->setEnabled(false);  // until there is a catalogue
    deselectButton_ = new QPushButton("deslect\npart#", this);
    deselectButton_->setObjectName("btnValuesOnly");
    deselectButton_->setMinimumSize(86, 40);
    KeepPlaceWhenHidden(deselectButton_);
    deselectButton_->hide();
    closeButton_ = new QPushButton("close", this);
    closeButton_->setObjectName("btnOK");
    closeButton_->setMinimumSize(86, 30);
    for (QPushButton* b : {findButton_, deselectButton_, closeButton_}) b->setAutoDefault(false);

    valueExpressionCaption_ = new QLabel("Expression for Part Value:", this);
    valueExpression_ = new QLineEdit(this);
    valueExpression_->setObjectName("eValue");
    esrExpressionCaption_ = new QLabel("Expression for Part ESR or Rating:", this);
    esrExpression_ = new QLineEdit(this);
    esrExpression_->setObjectName("eESR");

    // The title and the ESR caption over the two fields (a text covering
    // each while shown), the part number and the state buttons under them;
    // beside them the picture, then the buttons with "close" at the bottom.
    // The block designer's two expressions run below, the whole width.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 5, 4);
    outer->setSpacing(4);
    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    auto* fields = new QGridLayout;
    fields->setContentsMargins(0, 0, 0, 0);
    fields->setHorizontalSpacing(22);
    fields->setVerticalSpacing(2);
    fields->addWidget(titleText_, 0, 0, Qt::AlignBottom);
    fields->addWidget(esrCaption_, 0, 1, Qt::AlignBottom);
    fields->addWidget(valueField_, 1, 0);
    fields->addWidget(valueText_, 1, 0);
    fields->addWidget(esrField_, 1, 1);
    fields->addWidget(esrText_, 1, 1);
    fields->addWidget(partNumberText_, 2, 0, 1, 2);
    fields->addWidget(stateRow_, 3, 0, 1, 2);
    fields->setRowStretch(4, 1);
    top->addLayout(fields);
    top->addSpacing(7);
    top->addWidget(picture_, 0, Qt::AlignTop);
    top->addSpacing(7);
    top->addStretch(1);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(findButton_);
    buttons->addWidget(deselectButton_);
    buttons->addStretch(1);
    buttons->addWidget(closeButton_);
    top->addLayout(buttons);
    outer->addLayout(top);
    outer->addWidget(valueExpressionCaption_);
    outer->addWidget(valueExpression_);
    outer->addSpacing(4);
    outer->addWidget(esrExpressionCaption_);
    outer->addWidget(esrExpression_);
    outer->addStretch(1);
    for (QWidget* w : {static_cast<QWidget*>(valueExpressionCaption_), static_cast<QWidget*>(valueExpression_),
                       static_cast<QWidget*>(esrExpressionCaption_), static_cast<QWidget*>(esrExpression_)})
        w->hide();
    SetSizeAtLeast(*this, QSize(DialogWidth, ShortHeight), true);

    valueField_->EditReal()->installEventFilter(this);
    esrField_->EditReal()->installEventFilter(this);
    connect(valueField_, &TPcs::ValChange, this, [this] { ValueChanged(); });
    connect(esrField_, &TEditRealSpin::ValChange, this, [this] { ValueChanged(); });
    connect(normalButton_, &QRadioButton::clicked, this, [this] { StateChosen(TPartState::Normal); });
    connect(openButton_, &QRadioButton::clicked, this, [this] { StateChosen(TPartState::Open); });
    connect(shortButton_, &QRadioButton::clicked, this, [this] { StateChosen(TPartState::Shorted); });
    connect(closeButton_, &QPushButton::clicked, this, [this] {
        host_.CancelToIdle();
        close();
    });
    connect(findButton_, &QPushButton::clicked, this, [this] { FindPart(); });
    connect(deselectButton_, &QPushButton::clicked, this, [this] {
        TPart* p = CurrentPart();
        if (!p) return;
        p->PartNumber.clear();
        Reload();
        ChangeWritten();
    });
    connect(valueExpression_, &QLineEdit::textEdited, this, [this] { ExpressionEdited(true); });
    connect(esrExpression_, &QLineEdit::textEdited, this, [this] { ExpressionEdited(false); });
    connect(valueExpression_, &QLineEdit::editingFinished, this, [this] { CheckExpression(valueExpression_); });
    connect(esrExpression_, &QLineEdit::editingFinished, this, [this] { CheckExpression(esrExpression_); });
}

QRadioButton* TComponentDialog::StateButton(TPartState state) const {
    switch (state) {
        case TPartState::Open:
            return openButton_;
        case TPartState::Shorted:
            return shortButton_;
        default:
            return normalButton_;
    }
}

TPart* TComponentDialog::CurrentPart() {
    TDesign& d = host_.Session().Design();
    if (!IsPartKind(kind_) || index_ < 0 || index_ >= static_cast<int>(d.Parts.size())) return nullptr;
    TPart* p = d.Parts[static_cast<std::size_t>(index_)].get();
    return KindOf(p->PartType) == kind_ ? p : nullptr;
}

std::optional<TElementRef> TComponentDialog::Part() const {
    if (!loaded_) return std::nullopt;
    return TElementRef{kind_, index_};
}

void TComponentDialog::LoadPart(TElementKind kind, int index) {
    kind_ = kind;
    index_ = index;
    if (index < 0) return;
    Reload();
}

void TComponentDialog::Reload() {
    loaded_ = false;
    TDesign& d = host_.Session().Design();
    const bool designer = d.BlockDesignMode;
    TPart* p = CurrentPart();
    if (!p) {
        close();
        return;
    }
    loading_ = true;
    // A part out of the circuit: the pointer rests on it, so that a wheel
    // turn over the sheet keeps tuning it.
    if (p->State != TPartState::Normal && !browsing_) host_.MovePointerToGrid(p->Position);

    const TPartDisplay show = DisplayOfPart(*p);
    valueField_->show();
    esrField_->show();
    valueField_->SetStepMode(static_cast<TPartStepMode>(p->StepMode));
    valueField_->SetUnits(QString::fromStdString(show.ValueUnit));
    valueField_->SetValue(ShownPartValue(*p));
    StateButton(p->State)->setChecked(true);
    stateRow_->setFocus();
    valueExpression_->setText(QString::fromStdString(p->Equation1));
    esrExpression_->setText(QString::fromStdString(p->Equation2));
    for (QWidget* w : {static_cast<QWidget*>(valueExpressionCaption_), static_cast<QWidget*>(valueExpression_),
                       static_cast<QWidget*>(esrExpressionCaption_), static_cast<QWidget*>(esrExpression_)})
        w->setVisible(designer);
    SetSizeAtLeast(*this, QSize(DialogWidth, designer ? TallHeight : ShortHeight), true);

    esrField_->SetIntOnly(show.EsrIntOnly);
    esrField_->SetStepMode(show.EsrIntOnly ? smIntRound : sm12345);
    esrField_->SetMinValue(show.EsrMin);
    esrField_->SetUnits(QString::fromStdString(show.EsrUnit));
    esrField_->SetRealValue(show.Esr);
    esrCaption_->setText(QString::fromStdString(show.EsrCaption));
    titleText_->setText(QString::fromStdString(show.Title));

    valueText_->setText(QString::fromStdString(show.ValueText));
    esrText_->setText(QString::fromStdString(show.EsrText));
    valueText_->setVisible(show.ShowStaticTexts);
    esrText_->setVisible(show.ShowStaticTexts);
    if (show.ShowStaticTexts) {
        valueText_->raise();
        esrText_->raise();
    }
    partNumberText_->setVisible(show.Bound);
    partNumberText_->setText(QString::fromStdString(show.PartNumberText));
    deselectButton_->setVisible(show.Bound);

    host_.RepaintSheet();
    RefreshPicture();
    loading_ = false;
    loaded_ = true;
    d.Modified = true;
}

void TComponentDialog::ValueChanged() {
    if (loading_ || !loaded_) return;
    TPart* p = CurrentPart();
    if (!p) return;
    if (p->State != TPartState::Normal) {
        // A part out of the circuit keeps its value.
        valueField_->SetValue(ShownPartValue(*p));
        lastUsed_ = TComponentControl::RefDes;
        return;
    }
    lastUsed_ = TComponentControl::Value;
    const bool value = ApplyPartValue(*p, valueField_->Value());
    const bool esr = ApplyPartEsr(*p, esrField_->RealValue());
    if (!value && !esr) return;
    RefreshPicture();
    PartValueWritten(*p);
}

void TComponentDialog::StateChosen(TPartState state) {
    TPart* p = CurrentPart();
    if (!p || !loaded_) return;
    lastUsed_ = TComponentControl::StatePanel;
    if (p->State == state) return;
    p->State = state;
    Reload();
    ChangeWritten();
}

void TComponentDialog::ExpressionEdited(bool value) {
    TPart* p = CurrentPart();
    if (!p || !loaded_) return;
    if (value) {
        p->Equation1 = valueExpression_->text().toStdString();
        p->StepMode = static_cast<std::uint8_t>(valueField_->StepMode());
    } else {
        p->Equation2 = esrExpression_->text().toStdString();
        RefreshPicture();
    }
    host_.Session().Design().Modified = true;
}

void TComponentDialog::CheckExpression(QLineEdit* field) {
    if (!loaded_ || !field->isVisible()) return;
    const TDesign& d = host_.Session().Design();
    if (const auto error = CheckMemberExpression(d.SharedBlock, field->text().toStdString()))
        host_.Session().Messages().ShowMessage(*error);
}

void TComponentDialog::FocusField() {
    if (!loaded_ || !isVisible()) return;
    TPart* p = CurrentPart();
    if (!p) return;
    switch (FocusTargetFor(kind_, p->State, !p->PartNumber.empty(), lastUsed_)) {
        case TFocusTarget::PartValue:
            if (valueField_->isVisible() && valueField_->isEnabled()) {
                activateWindow();
                valueField_->EditReal()->setFocus(Qt::OtherFocusReason);
            }
            break;
        case TFocusTarget::PartBoundValue:
            valueText_->hide();
            valueText_->show();
            break;
        case TFocusTarget::PartRefDes:
            titleText_->hide();
            titleText_->show();
            break;
        default:
            break;
    }
}

bool TComponentDialog::eventFilter(QObject* watched, QEvent* event) {
    if (CloseOnReleasedKey(watched, event, [this](QObject* field) {
            return field == valueField_->EditReal() ? valueField_->DblClick() : esrField_->EditReal()->DblClick();
        }))
        return true;
    return TElementDialog::eventFilter(watched, event);
}

void TComponentDialog::keyPressEvent(QKeyEvent* event) {
    if (!CloseOnKeyPress(event)) TElementDialog::keyPressEvent(event);
}

void TComponentDialog::Closing() {
    TPart* p = CurrentPart();
    if (!p) return;
    const auto mode = static_cast<std::uint8_t>(valueField_->StepMode());
    if (p->StepMode != mode) p->StepMode = mode;
}

void TComponentDialog::SetCatalogue(const TPartsCatalogue* catalogue, TPartBrowser* browser) {
    catalogue_ = catalogue;
    partBrowser_ = browser;
    findButton_->setEnabled(browser != nullptr);
}

void TComponentDialog::EnableControls(bool enabled) {
    for (QWidget* w :
         {static_cast<QWidget*>(findButton_), static_cast<QWidget*>(closeButton_), static_cast<QWidget*>(normalButton_),
          static_cast<QWidget*>(openButton_), static_cast<QWidget*>(shortButton_),
          static_cast<QWidget*>(deselectButton_), static_cast<QWidget*>(esrField_), static_cast<QWidget*>(valueField_)})
        w->setEnabled(enabled);
    findButton_->setEnabled(enabled && partBrowser_);
}

void TComponentDialog::FindPart() {
    if (!partBrowser_ || browsing_ || !loaded_ || !CurrentPart()) return;
    browsing_ = true;
    EnableControls(false);
    // Every entry the user passes over shows here at once.
    partBrowser_->Applied = [this] { Reload(); };
    const TCatalogueBrowser::TOutcome outcome = partBrowser_->Browse(index_);
    partBrowser_->Applied = nullptr;
    browsing_ = false;
    EnableControls(true);
    TPart* p = CurrentPart();
    if (!p) return;
    switch (outcome) {
        case TCatalogueBrowser::TOutcome::Chosen:
            Reload();
            close();
            break;
        case TCatalogueBrowser::TOutcome::Deselected:
            p->PartNumber.clear();
            Reload();
            ChangeWritten();
            close();
            break;
        case TCatalogueBrowser::TOutcome::Cancelled:
            Reload();
            break;
    }
}

void TComponentDialog::RefreshPicture() {
    const TPart* p = CurrentPart();
    QPixmap pm(picture_->size());
    pm.fill(Qt::white);
    // A catalogue part's picture, stretched over the box.
    QImage picture;
    if (p && !p->PartNumber.empty() && catalogue_) {
        const std::string path = catalogue_->PassivePicture(PassiveKindOf(p->PartType), p->PartNumber, p->Vendor);
        if (!path.empty() && picture.load(QString::fromStdString(path)))
            pm = QPixmap::fromImage(picture.scaled(pm.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    if (p && picture.isNull()) {
        // The part's own symbol, at 16 pixels per grid unit, in the middle.
        QPainter painter(&pm);
        painter.setRenderHint(QPainter::Antialiasing, false);
        TSheetPainter sp(painter, 16, *host_.Session().Design().Metrics);
        QPoint c(pm.width() / 2, pm.height() / 2);
        if (p->PartType == TPartType::Inductor && p->IsHorizontal) c.ry() += pm.height() / 6;
        if (p->PartType == TPartType::Capacitor && !p->IsHorizontal) c.rx() += pm.width() / 6;
        sp.DrawPartSymbol(c, SheetColour::Black, p->PartType, p->IsHorizontal);
    }
    picture_->setPixmap(pm);
}

}  // namespace pelmo
