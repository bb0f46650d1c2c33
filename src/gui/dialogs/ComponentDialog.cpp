#include "dialogs/ComponentDialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include "app/QtTextMetrics.h"
#include "catalogue/CatalogueBrowse.h"
#include "catalogue/PartBrowser.h"
#include "catalogue/PartsCatalogue.h"
#include "dialogs/EditReal.h"
#include "dialogs/Pcs.h"
#include "document/Session.h"
#include "model/Design.h"
#include "sheet/SheetPainter.h"

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

// A static text that covers the control beneath it while shown.
QLabel* CoverText(QWidget* parent, const QRect& r) {
    auto* l = new QLabel(parent);
    l->setGeometry(r);
    l->setAutoFillBackground(true);
    l->setFont(BoldFont(parent, 16));
    l->hide();
    return l;
}
}  // namespace

TComponentDialog::TComponentDialog(TTuningHost& host, QWidget* parent) : TElementDialog(host, parent) {
    setObjectName("EditForm");
    setWindowTitle("Tune and Select");
    setFixedSize(DialogWidth, ShortHeight);

    stRefDes_ = new QLabel(this);
    stRefDes_->setObjectName("stRefDes");
    stRefDes_->setGeometry(16, 0, 110, 24);
    stRefDes_->setFont(BoldFont(this, 16));

    pcsValue_ = new TPcs(this);
    pcsValue_->setObjectName("pcsValue");
    pcsValue_->setGeometry(2, 26, 113, 24);
    pcsValue_->SetEngUnits(false);
    pcsValue_->SetDefNumChars(4);
    pcsValue_->SetMinValue(1e-12);
    pcsValue_->SetMaxValue(1e9);
    pcsValue_->SetAvoidSetFocus(true);

    stESR_ = new QLabel(this);
    stESR_->setObjectName("stESR");
    stESR_->setGeometry(140, 5, 110, 18);

    ersESR_ = new TEditRealSpin(this);
    ersESR_->setObjectName("ersESR");
    ersESR_->setGeometry(137, 26, 113, 22);
    ersESR_->SetEngUnits(true);
    ersESR_->SetDefNumChars(8);
    // Ratings and ESRs as high as anyone types: a 100 W resistor stays 100 W.
    ersESR_->SetMaxValue(1e6);
    ersESR_->SetRealMult(1.05);
    ersESR_->SetRealInc(0.01);
    ersESR_->SetAvoidSetFocus(true);

    stValue_ = CoverText(this, QRect(2, 26, 113, 24));
    stValue_->setObjectName("stValue");
    stEsrPwr_ = CoverText(this, QRect(137, 26, 113, 22));
    stEsrPwr_->setObjectName("stEsrPwr");

    stPartNumber_ = new QLabel(this);
    stPartNumber_->setObjectName("stPartNumber");
    stPartNumber_->setGeometry(2, 54, 260, 22);
    stPartNumber_->setFont(BoldFont(this, 16));
    stPartNumber_->hide();

    pRG_ = new QWidget(this);
    pRG_->setObjectName("pRG");
    pRG_->setGeometry(2, 80, 250, 30);
    pRG_->setFocusPolicy(Qt::StrongFocus);
    auto* row = new QHBoxLayout(pRG_);
    row->setContentsMargins(4, 2, 4, 2);
    rbValue_ = new QRadioButton("value", pRG_);
    rbOpen_ = new QRadioButton("open", pRG_);
    rbShort_ = new QRadioButton("short", pRG_);
    for (QRadioButton* b : {rbValue_, rbOpen_, rbShort_}) row->addWidget(b);

    pbPix_ = new QLabel(this);
    pbPix_->setObjectName("pbPix");
    pbPix_->setGeometry(269, 2, 109, 109);
    pbPix_->setFrameShape(QFrame::Box);

    btnFind_ = new QPushButton("Find a\nPart#", this);
    btnFind_->setObjectName("BitBtn1");
    btnFind_->setGeometry(385, 2, 86, 40);
    btnFind_->setEnabled(false);  // until there is a catalogue
    btnValuesOnly_ = new QPushButton("deslect\npart#", this);
    btnValuesOnly_->setObjectName("btnValuesOnly");
    btnValuesOnly_->setGeometry(385, 46, 86, 40);
    btnValuesOnly_->hide();
    btnOK_ = new QPushButton("close", this);
    btnOK_->setObjectName("btnOK");
    btnOK_->setGeometry(385, 100, 86, 30);
    for (QPushButton* b : {btnFind_, btnValuesOnly_, btnOK_}) b->setAutoDefault(false);

    label1_ = new QLabel("Expression for Part Value:", this);
    label1_->setGeometry(4, 117, 300, 16);
    eValue_ = new QLineEdit(this);
    eValue_->setObjectName("eValue");
    eValue_->setGeometry(4, 133, 468, 20);
    label2_ = new QLabel("Expression for Part ESR or Rating:", this);
    label2_->setGeometry(4, 161, 300, 16);
    eESR_ = new QLineEdit(this);
    eESR_->setObjectName("eESR");
    eESR_->setGeometry(4, 177, 468, 20);

    pcsValue_->EditReal()->installEventFilter(this);
    ersESR_->EditReal()->installEventFilter(this);
    connect(pcsValue_, &TPcs::ValChange, this, [this] { ValueChanged(); });
    connect(ersESR_, &TEditRealSpin::ValChange, this, [this] { ValueChanged(); });
    connect(rbValue_, &QRadioButton::clicked, this, [this] { StateChosen(TPartState::Normal); });
    connect(rbOpen_, &QRadioButton::clicked, this, [this] { StateChosen(TPartState::Open); });
    connect(rbShort_, &QRadioButton::clicked, this, [this] { StateChosen(TPartState::Shorted); });
    connect(btnOK_, &QPushButton::clicked, this, [this] {
        host_.CancelToIdle();
        close();
    });
    connect(btnFind_, &QPushButton::clicked, this, [this] { FindPart(); });
    connect(btnValuesOnly_, &QPushButton::clicked, this, [this] {
        TPart* p = CurrentPart();
        if (!p) return;
        p->PartNumber.clear();
        Reload();
        ChangeWritten();
    });
    connect(eValue_, &QLineEdit::textEdited, this, [this] { ExpressionEdited(true); });
    connect(eESR_, &QLineEdit::textEdited, this, [this] { ExpressionEdited(false); });
    connect(eValue_, &QLineEdit::editingFinished, this, [this] { CheckExpression(eValue_); });
    connect(eESR_, &QLineEdit::editingFinished, this, [this] { CheckExpression(eESR_); });
}

QRadioButton* TComponentDialog::StateButton(TPartState state) const {
    switch (state) {
        case TPartState::Open:
            return rbOpen_;
        case TPartState::Shorted:
            return rbShort_;
        default:
            return rbValue_;
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
    setFixedSize(DialogWidth, designer ? TallHeight : ShortHeight);
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
    pcsValue_->show();
    ersESR_->show();
    pcsValue_->SetStepMode(static_cast<StepModeTm>(p->StepMode));
    pcsValue_->SetUnits(QString::fromStdString(show.ValueUnit));
    pcsValue_->SetValu(ShownPartValue(*p));
    StateButton(p->State)->setChecked(true);
    pRG_->setFocus();
    eValue_->setText(QString::fromStdString(p->Equation1));
    eESR_->setText(QString::fromStdString(p->Equation2));
    for (QWidget* w : {static_cast<QWidget*>(label1_), static_cast<QWidget*>(eValue_), static_cast<QWidget*>(label2_),
                       static_cast<QWidget*>(eESR_)})
        w->setVisible(designer);

    ersESR_->SetIntOnly(show.EsrIntOnly);
    ersESR_->SetStepMode(show.EsrIntOnly ? smIntRound : sm12345);
    ersESR_->SetMinValue(show.EsrMin);
    ersESR_->SetUnits(QString::fromStdString(show.EsrUnit));
    ersESR_->SetRealValue(show.Esr);
    stESR_->setText(QString::fromStdString(show.EsrCaption));
    stRefDes_->setText(QString::fromStdString(show.Title));

    stValue_->setText(QString::fromStdString(show.ValueText));
    stEsrPwr_->setText(QString::fromStdString(show.EsrText));
    stValue_->setVisible(show.ShowStaticTexts);
    stEsrPwr_->setVisible(show.ShowStaticTexts);
    if (show.ShowStaticTexts) {
        stValue_->raise();
        stEsrPwr_->raise();
    }
    stPartNumber_->setVisible(show.Bound);
    stPartNumber_->setText(QString::fromStdString(show.PartNumberText));
    btnValuesOnly_->setVisible(show.Bound);

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
        pcsValue_->SetValu(ShownPartValue(*p));
        lastUsed_ = TComponentControl::RefDes;
        return;
    }
    lastUsed_ = TComponentControl::Value;
    const bool value = ApplyPartValue(*p, pcsValue_->Valu());
    const bool esr = ApplyPartEsr(*p, ersESR_->RealValue());
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
        p->Equation1 = eValue_->text().toStdString();
        p->StepMode = static_cast<std::uint8_t>(pcsValue_->StepMode());
    } else {
        p->Equation2 = eESR_->text().toStdString();
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
            if (pcsValue_->isVisible() && pcsValue_->isEnabled()) {
                activateWindow();
                pcsValue_->EditReal()->setFocus(Qt::OtherFocusReason);
            }
            break;
        case TFocusTarget::PartBoundValue:
            stValue_->hide();
            stValue_->show();
            break;
        case TFocusTarget::PartRefDes:
            stRefDes_->hide();
            stRefDes_->show();
            break;
        default:
            break;
    }
}

bool TComponentDialog::eventFilter(QObject* watched, QEvent* event) {
    if (CloseOnReleasedKey(watched, event, [this](QObject* field) {
            return field == pcsValue_->EditReal() ? pcsValue_->DblClick() : ersESR_->EditReal()->DblClick();
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
    const auto mode = static_cast<std::uint8_t>(pcsValue_->StepMode());
    if (p->StepMode != mode) p->StepMode = mode;
}

void TComponentDialog::SetCatalogue(const TPartsCatalogue* catalogue, TPartBrowser* browser) {
    catalogue_ = catalogue;
    partBrowser_ = browser;
    btnFind_->setEnabled(browser != nullptr);
}

void TComponentDialog::EnableControls(bool enabled) {
    for (QWidget* w :
         {static_cast<QWidget*>(btnFind_), static_cast<QWidget*>(btnOK_), static_cast<QWidget*>(rbValue_),
          static_cast<QWidget*>(rbOpen_), static_cast<QWidget*>(rbShort_), static_cast<QWidget*>(btnValuesOnly_),
          static_cast<QWidget*>(ersESR_), static_cast<QWidget*>(pcsValue_)})
        w->setEnabled(enabled);
    btnFind_->setEnabled(enabled && partBrowser_);
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
    QPixmap pm(pbPix_->size());
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
    pbPix_->setPixmap(pm);
}

}  // namespace pelmo
