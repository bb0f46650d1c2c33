#include "gui/dialogs/DriverDialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <vector>

#include "base/Paths.h"
#include "document/Session.h"
#include "driverdata/DriverLoad.h"
#include "driverdata/MinimumPhase.h"
#include "editor/ElementDialogRules.h"
#include "gui/catalogue/DriverBrowser.h"
#include "gui/catalogue/PartsCatalogue.h"
#include "gui/dialogs/DelayUnitChoice.h"
#include "gui/dialogs/DriverPlacementFields.h"
#include "gui/dialogs/TailsDialog.h"
#include "gui/sheet/SheetPainter.h"
#include "gui/widgets/ClickableText.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/ModalRunner.h"
#include "gui/widgets/WindowFit.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

namespace pelmo {

namespace {

constexpr int DialogWidth = 735;
constexpr int DialogHeight = 208;
const QColor FileBoxColour(238, 254, 214);
const QString NoResponseText = QStringLiteral("(default flat 70dB sens)");
const QString NoImpedanceText = QStringLiteral("(default 8ohm resistive)");
const QString ResponseChooserTitle = QStringLiteral("Select FRD file for this driver");
const QString ImpedanceChooserTitle = QStringLiteral("Select ZMA file for this driver");

QString ChooserFilter(const char* caption, const char* extension) {
    return QStringLiteral("%1 (%2);;All files (*)")
        .arg(QString::fromLatin1(caption), QString::fromStdString(AnyCasePattern(extension)));
}

QFont PixelFont(const QWidget* w, int pixels, bool bold) {
    QFont f = w->font();
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// A file-name box: centred, light green, the name in red or the default
// text in grey.
QLabel* FileBox(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setMinimumSize(275, 25);
    l->setAlignment(Qt::AlignCenter);
    l->setFrameStyle(QFrame::Box | QFrame::Plain);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, FileBoxColour);
    l->setPalette(p);
    QFont f("Arial");
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(13);
    l->setFont(f);
    return l;
}

void ShowFileName(QLabel* box, const std::string& path, const QString& none) {
    const bool has = !path.empty();
    box->setText(has ? QString::fromStdString(ExtractFileName(path)) : none);
    box->setToolTip(has ? QString::fromStdString(path) : QString());
    QPalette p = box->palette();
    p.setColor(QPalette::WindowText, has ? QColor(255, 0, 0) : QColor(128, 128, 128));
    box->setPalette(p);
}

QToolButton* DefaultButton(QWidget* parent, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setText(QStringLiteral("x"));
    b->setToolTip(tip);
    b->setMinimumSize(22, 25);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace

TDriverDialog::TDriverDialog(TTuningHost& host, QWidget* parent) : TElementDialog(host, parent) {
    setObjectName("EditDrvForm");
    setWindowTitle("Select Driver");

    // Three columns: the driver's own settings and files; the catalogue
    // buttons; its picture over "close".
    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(1, 1, 8, 6);
    columns->setSpacing(10);
    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    columns->addLayout(left, 1);

    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    stRefDes_ = new QLabel(this);
    stRefDes_->setObjectName("stRefDes");
    stRefDes_->setMinimumSize(112, 22);
    stRefDes_->setFont(PixelFont(this, 16, true));
    stRefDes_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stRefDes_->setAutoFillBackground(true);
    QPalette white = stRefDes_->palette();
    white.setColor(QPalette::Window, Qt::white);
    stRefDes_->setPalette(white);
    pnRefDesColor_ = new QLabel(this);
    pnRefDesColor_->setObjectName("pnRefDesColor");
    pnRefDesColor_->setFixedSize(30, 21);
    pnRefDesColor_->setAutoFillBackground(true);
    pnRefDesColor_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* stName = new QLabel("Name", this);
    nameField_ = new QLineEdit(this);
    nameField_->setObjectName("Edit1");
    nameField_->setMinimumWidth(204);
    top->addWidget(stRefDes_);
    top->addWidget(pnRefDesColor_, 0, Qt::AlignTop);
    top->addSpacing(23);
    top->addWidget(stName);
    top->addSpacing(4);
    top->addWidget(nameField_, 1);
    left->addLayout(top);

    // The two boxes beside the level and the delay, each under its caption.
    auto* settings = new QHBoxLayout;
    settings->setContentsMargins(8, 0, 0, 0);
    cbInvert_ = new QCheckBox("invert polarity", this);
    cbInvert_->setObjectName("cbInvert");
    cbMute_ = new QCheckBox("mute", this);
    cbMute_->setObjectName("cbMute");
    settings->addWidget(cbInvert_, 0, Qt::AlignBottom);
    settings->addWidget(cbMute_, 0, Qt::AlignBottom);
    auto* sensitivity = new QVBoxLayout;
    sensitivity->setSpacing(0);
    modSensitivity_ = new TClickableText("mod sensitivity", this);
    modSensitivity_->setObjectName("StaticText1");
    modSensitivity_->setToolTip("Click: back to 0 dB");
    ersDB_ = new TEditRealSpin(this);
    ersDB_->setObjectName("ersDB");
    ersDB_->setMinimumSize(116, 22);
    sensitivity->addWidget(modSensitivity_);
    sensitivity->addWidget(ersDB_);
    settings->addLayout(sensitivity);
    ersDB_->SetMinValue(-110);
    ersDB_->SetMaxValue(110);
    ersDB_->SetEngUnits(false);
    ersDB_->SetDefNumChars(8);
    ersDB_->SetUnits("dB");
    ersDB_->SetShowUnits(true);
    ersDB_->SetStepMode(smReal);
    ersDB_->SetRealInc(0.25);
    ersDB_->SetRealMult(1.0594630943593);
    ersDB_->SetRealValue(0);

    const QString delayHint = "Positive delay moves the driver away from the mic";
    auto* delay = new QVBoxLayout;
    delay->setSpacing(0);
    modDelay_ = new TClickableText("mod delay", this);
    modDelay_->setObjectName("StaticText2");
    modDelay_->setToolTip(delayHint);
    ersDelay_ = new TEditRealSpin(this);
    ersDelay_->setObjectName("ersDelay");
    ersDelay_->setMinimumSize(130, 22);
    ersDelay_->setToolTip(delayHint);
    delay->addWidget(modDelay_);
    auto* delayRow = new QHBoxLayout;
    delayRow->setSpacing(2);
    delayRow->addWidget(ersDelay_);
    delay->addLayout(delayRow);
    settings->addLayout(delay);
    settings->addStretch(1);
    left->addLayout(settings);
    ersDelay_->SetUnits("in");
    ersDelay_->SetShowUnits(true);
    ersDelay_->SetMinValue(-39);
    ersDelay_->SetMaxValue(39);
    ersDelay_->SetEngUnits(false);
    ersDelay_->SetDefNumChars(8);
    ersDelay_->SetStepMode(smReal);
    ersDelay_->SetRealInc(0.01);
    ersDelay_->SetRealMult(1.0594630943593);
    ersDelay_->SetRealValue(0);
    delayUnit_ = new TDelayUnitChoice(*ersDelay_, host_.Session().DataFolder(), this);
    delayRow->addWidget(delayUnit_);

    // The two measurement files, or in their place the catalogue identity.
    auto* files = new QGridLayout;
    files->setContentsMargins(0, 0, 0, 0);
    pFileData_ = new QWidget(this);
    pFileData_->setObjectName("pFileData");
    auto* data = new QGridLayout(pFileData_);
    data->setContentsMargins(8, 2, 0, 0);
    data->setHorizontalSpacing(2);
    data->setVerticalSpacing(1);
    auto* st1 = new QLabel("FRD Response File", pFileData_);
    stFRD_ = FileBox(pFileData_, "stFRD");
    btnFRDLoad_ = new QPushButton("...", pFileData_);
    btnFRDLoad_->setObjectName("btnFRDLoad");
    btnFRDLoad_->setFixedWidth(30);
    btnFRDLoad_->setToolTip(ResponseChooserTitle);
    btnFRDDefault_ = DefaultButton(pFileData_, "No file: the default flat response");
    auto* rgFRD = new QGroupBox("FRD phase source", pFileData_);
    rgFRD->setObjectName("rgFRD");
    rgFRD->setMinimumWidth(148);
    auto* phaseRow = new QVBoxLayout(rgFRD);
    phaseRow->setContentsMargins(6, 0, 2, 2);
    phaseRow->setSpacing(0);
    rbMeasured_ = new QRadioButton("as measured", rgFRD);
    rbDerived_ = new QRadioButton("derived", rgFRD);
    phaseRow->addWidget(rbMeasured_);
    phaseRow->addWidget(rbDerived_);
    auto* st2 = new QLabel("ZMA Impedance File", pFileData_);
    stZMA_ = FileBox(pFileData_, "stZMA");
    btnZMALoad_ = new QPushButton("...", pFileData_);
    btnZMALoad_->setObjectName("btnZMALoad");
    btnZMALoad_->setFixedWidth(30);
    btnZMALoad_->setToolTip(ImpedanceChooserTitle);
    btnZMADefault_ = DefaultButton(pFileData_, "No file: the default 8 ohm resistance");
    data->addWidget(st1, 0, 0, 1, 3);
    data->addWidget(stFRD_, 1, 0);
    data->addWidget(btnFRDLoad_, 1, 1);
    data->addWidget(btnFRDDefault_, 1, 2);
    data->addWidget(st2, 2, 0, 1, 3);
    data->addWidget(stZMA_, 3, 0);
    data->addWidget(btnZMALoad_, 3, 1);
    data->addWidget(btnZMADefault_, 3, 2);
    data->addWidget(rgFRD, 0, 3, 3, 1, Qt::AlignTop);
    data->setColumnMinimumWidth(2, 22);
    data->setColumnStretch(0, 1);
    data->addItem(new QSpacerItem(6, 0), 0, 4);

    pPartNumber_ = new QWidget(this);
    pPartNumber_->setObjectName("pPartNumber");
    auto* identity = new QVBoxLayout(pPartNumber_);
    identity->setContentsMargins(24, 8, 16, 0);
    identity->setSpacing(2);
    stPartNumber_ = new QLabel(pPartNumber_);
    stPartNumber_->setObjectName("StaticText4");
    stPartNumber_->setAlignment(Qt::AlignCenter);
    stPartNumber_->setFont(PixelFont(this, 24, true));
    descriptionText_ = new QPlainTextEdit(pPartNumber_);
    descriptionText_->setObjectName("Memo1");
    descriptionText_->setMinimumSize(457, 46);
    descriptionText_->setReadOnly(true);
    descriptionText_->setFrameStyle(QFrame::NoFrame);
    descriptionText_->setFont(PixelFont(this, 13, false));
    descriptionText_->viewport()->setAutoFillBackground(false);
    descriptionText_->setStyleSheet("background: transparent;");
    identity->addWidget(stPartNumber_);
    identity->addWidget(descriptionText_);
    pPartNumber_->hide();
    // Both in one place; one of them shows.
    files->addWidget(pFileData_, 0, 0);
    files->addWidget(pPartNumber_, 0, 0);
    left->addLayout(files);

    auto* acoustic = new QGridLayout;
    acoustic->setContentsMargins(8, 2, 0, 0);
    acoustic->setHorizontalSpacing(2);
    acoustic->setVerticalSpacing(1);
    auto* st3 = new QLabel("ACOUSTIC EFFECT (0dB nominal FRD) file", this);
    st3->setObjectName("StaticText3");
    stAcous_ = FileBox(this, "stAcous");
    btnAcousLoad_ = new QPushButton("...", this);
    btnAcousLoad_->setObjectName("btnAcousLoad");
    btnAcousLoad_->setFixedWidth(30);
    btnAcousClear_ = DefaultButton(this, "No acoustic effect file");
    acoustic->addWidget(st3, 0, 0, 1, 4);
    acoustic->addWidget(stAcous_, 1, 0);
    acoustic->addWidget(btnAcousLoad_, 1, 1);
    acoustic->addWidget(btnAcousClear_, 1, 2);
    acoustic->setColumnStretch(3, 1);
    left->addLayout(acoustic);
    placement_ = new TDriverPlacementFields(this);
    left->addWidget(placement_);
    left->addStretch(1);

    auto* middle = new QVBoxLayout;
    middle->setContentsMargins(0, 10, 0, 0);
    middle->setSpacing(26);
    btnFindPN_ = new QPushButton("Find a\nPart#", this);
    btnFindPN_->setObjectName("btnFindPN");
    btnFindPN_->setMinimumSize(66, 44);
    btnFindPN_->setEnabled(false);  // until there is a catalogue
    btnValuesOnly_ = new QPushButton("deslect\npart#", this);
    btnValuesOnly_->setObjectName("btnValuesOnly");
    btnValuesOnly_->setMinimumSize(68, 44);
    btnValuesOnly_->hide();
    middle->addWidget(btnFindPN_);
    middle->addWidget(btnValuesOnly_);
    middle->addStretch(1);
    columns->addLayout(middle);

    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 1, 0, 0);
    pbPix_ = new QLabel(this);
    pbPix_->setObjectName("pbPix");
    pbPix_->setFixedSize(140, 140);
    pbPix_->setFrameShape(QFrame::Box);
    btnOK_ = new QPushButton("close", this);
    btnOK_->setObjectName("btnOK");
    btnOK_->setMinimumSize(100, 32);
    right->addWidget(pbPix_);
    right->addStretch(1);
    right->addWidget(btnOK_, 0, Qt::AlignHCenter);
    columns->addLayout(right);
    SetSizeAtLeast(*this, QSize(DialogWidth, DialogHeight), true);
    for (QPushButton* b : {btnFRDLoad_, btnZMALoad_, btnAcousLoad_, btnFindPN_, btnValuesOnly_, btnOK_})
        b->setAutoDefault(false);

    ersDB_->EditReal()->installEventFilter(this);
    ersDelay_->EditReal()->installEventFilter(this);
    for (int i = 0; i < TDriverPlacementFields::FieldCount; ++i)
        placement_->Field(static_cast<TDriverPlacementFields::TField>(i))->EditReal()->installEventFilter(this);
    placement_->Changed = [this] {
        TDriver* drv = CurrentDriver();
        if (!drv || loading_ || !loaded_ || !placement_->WriteTo(drv->Acoustic)) return;
        ChangeWritten();
    };

    connect(nameField_, &QLineEdit::textEdited, this, [this](const QString& text) {
        TDriver* drv = CurrentDriver();
        if (!drv || loading_ || !loaded_) return;
        drv->Name = text.toStdString();
        host_.Session().Design().Modified = true;
        host_.RecheckPointer();
        host_.RepaintSheet();
        RefreshPicture();
    });
    connect(cbInvert_, &QCheckBox::clicked, this, [this](bool on) {
        TDriver* drv = CurrentDriver();
        if (!drv || !loaded_ || drv->Inverted == on) return;
        drv->Inverted = on;
        RefreshPicture();
        ChangeWritten();
    });
    connect(cbMute_, &QCheckBox::clicked, this, [this](bool on) {
        TDriver* drv = CurrentDriver();
        if (!drv || !loaded_ || drv->Muted == on) return;
        drv->Muted = on;
        RefreshPicture();
        ChangeWritten();
    });
    connect(ersDB_, &TEditRealSpin::ValChange, this, [this](double db) {
        TDriver* drv = CurrentDriver();
        if (!drv || loading_ || !loaded_ || !ApplyDriverLevelDb(*drv, db)) return;
        RefreshPicture();
        ChangeWritten();
    });
    connect(ersDelay_, &TEditRealSpin::ValChange, this, [this](double value) {
        TDriver* drv = CurrentDriver();
        if (!drv || loading_ || !loaded_ || !ApplyDelay(drv->DelaySeconds, value, delayUnit_->Unit())) return;
        RefreshPicture();
        ChangeWritten();
    });
    connect(modSensitivity_, &TClickableText::clicked, this, [this] {
        ersDB_->SetRealValue(0);
        ersDB_->DoValChange();
    });
    connect(modDelay_, &TClickableText::clicked, this, [this] {
        ersDelay_->SetRealValue(0);
        ersDelay_->DoValChange();
    });
    connect(btnFRDLoad_, &QPushButton::clicked, this, &TDriverDialog::ChooseResponseFile);
    connect(btnZMALoad_, &QPushButton::clicked, this, &TDriverDialog::ChooseImpedanceFile);
    connect(btnAcousLoad_, &QPushButton::clicked, this, &TDriverDialog::ChooseAcousticFile);
    connect(btnFRDDefault_, &QToolButton::clicked, this, &TDriverDialog::UseDefaultResponse);
    connect(btnZMADefault_, &QToolButton::clicked, this, &TDriverDialog::UseDefaultImpedance);
    connect(btnAcousClear_, &QToolButton::clicked, this, &TDriverDialog::ClearAcousticFile);
    connect(rbMeasured_, &QRadioButton::clicked, this, [this] { ChoosePhaseSource(false); });
    connect(rbDerived_, &QRadioButton::clicked, this, [this] { ChoosePhaseSource(true); });
    connect(btnValuesOnly_, &QPushButton::clicked, this, &TDriverDialog::DeselectPart);
    connect(btnOK_, &QPushButton::clicked, this, [this] { close(); });
    connect(btnFindPN_, &QPushButton::clicked, this, &TDriverDialog::FindPart);
}

TDriver* TDriverDialog::CurrentDriver() {
    TDesign& d = host_.Session().Design();
    if (index_ < 0 || index_ >= static_cast<int>(d.Drivers.size())) return nullptr;
    return d.Drivers[static_cast<std::size_t>(index_)].get();
}

void TDriverDialog::LoadDriver(int index) {
    index_ = index;
    Reload();
}

void TDriverDialog::Reload() {
    loaded_ = false;
    TDriver* drv = CurrentDriver();
    if (!drv) {
        close();
        return;
    }
    loading_ = true;
    const TColourCode c = DesignatorColour(drv->RefDes);
    QPalette p = pnRefDesColor_->palette();
    p.setColor(QPalette::Window, QColor(c.R, c.G, c.B));
    pnRefDesColor_->setPalette(p);
    stRefDes_->setText("S" + QString::number(drv->RefDes));
    ShowFileBoxes();
    nameField_->setText(QString::fromStdString(drv->Name));
    cbInvert_->setChecked(drv->Inverted);
    cbMute_->setChecked(drv->Muted);
    ersDB_->SetRealValue(DriverLevelDb(*drv));
    (drv->Acoustic.HilbertPhase ? rbDerived_ : rbMeasured_)->setChecked(true);
    delayUnit_->ShowDelay(drv->DelaySeconds);
    placement_->Show(drv->Acoustic);

    const bool bound = !drv->PartNumber.empty();
    btnValuesOnly_->setVisible(bound);
    pPartNumber_->setVisible(bound);
    pFileData_->setVisible(!bound);
    if (bound) {
        stPartNumber_->setText(QString::fromStdString(drv->Vendor + " #" + drv->PartNumber));
        descriptionText_->setPlainText(QString::fromStdString(drv->Description));
        descriptionText_->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    }
    loading_ = false;
    loaded_ = true;
    host_.Session().Design().Modified = true;
    RefreshPicture();
    host_.RepaintSheet();
}

void TDriverDialog::ShowFileBoxes() {
    const TDriver* drv = CurrentDriver();
    if (!drv) return;
    ShowFileName(stFRD_, drv->Acoustic.FRDFile, NoResponseText);
    ShowFileName(stZMA_, drv->ZMAFile, NoImpedanceText);
    ShowFileName(stAcous_, drv->Acoustic.AcousticFile, QString());
}

QString TDriverDialog::ChooserFolder() const {
    if (!lastChosen_.isEmpty()) return QString::fromStdString(ExtractFilePath(lastChosen_.toStdString()));
    const TDesign& d = host_.Session().Design();
    return QString::fromStdString(ExtractFilePath(d.FileName));
}

bool TDriverDialog::ReadResponse(const std::string& path) {
    TDriver* drv = CurrentDriver();
    if (!drv) return false;
    TSession& s = host_.Session();
    // Into a copy, so that a file that cannot be read leaves the driver as it was.
    TDriver scratch = *drv;
    const bool derived = rbDerived_->isChecked();
    const bool read = derived ? LoadMinimumPhaseResponse(s.Design(), scratch, path, s.Messages())
                              : LoadDriverResponse(s.Design(), scratch, path, s.Messages());
    if (!read) return false;
    scratch.Acoustic.FRDFile = path;
    scratch.Acoustic.HilbertPhase = derived;
    *drv = std::move(scratch);
    return true;
}

bool TDriverDialog::ReadImpedance(const std::string& path) {
    TDriver* drv = CurrentDriver();
    if (!drv) return false;
    TSession& s = host_.Session();
    TDriver scratch = *drv;
    if (!LoadDriverImpedance(s.Design(), scratch, path, s.Messages())) return false;
    scratch.ZMAFile = path;
    *drv = std::move(scratch);
    return true;
}

void TDriverDialog::ChooseResponseFile() {
    if (!CurrentDriver()) return;
    const QString file =
        ChooseExistingFile(this, ResponseChooserTitle, ChooserFolder(), ChooserFilter("FRD response files", "frd"));
    if (file.isEmpty()) return;  // a cancelled chooser changes nothing
    lastChosen_ = file;
    // A newly chosen response is used with its measured phase.
    rbMeasured_->setChecked(true);
    if (ReadResponse(file.toStdString())) {
        const std::string companion = CompanionImpedanceFile(file.toStdString());
        if (!companion.empty()) ReadImpedance(companion);
    }
    Reload();
    ChangeWritten();
}

void TDriverDialog::ChooseImpedanceFile() {
    if (!CurrentDriver()) return;
    const QString file =
        ChooseExistingFile(this, ImpedanceChooserTitle, ChooserFolder(), ChooserFilter("ZMA impedance files", "zma"));
    if (file.isEmpty()) return;
    lastChosen_ = file;
    ReadImpedance(file.toStdString());
    Reload();
    ChangeWritten();
}

void TDriverDialog::ChooseAcousticFile() {
    TDriver* drv = CurrentDriver();
    if (!drv) return;
    const QString file =
        ChooseExistingFile(this, ResponseChooserTitle, ChooserFolder(), ChooserFilter("FRD response files", "frd"));
    if (file.isEmpty()) return;
    lastChosen_ = file;
    TSession& s = host_.Session();
    TDriver scratch = *drv;
    if (LoadAcousticEffect(scratch, file.toStdString(), s.Messages())) {
        drv->Acoustic.AcousticEffect = std::move(scratch.Acoustic.AcousticEffect);
        drv->Acoustic.AcousticFile = file.toStdString();
    }
    Reload();
    ChangeWritten();
}

void TDriverDialog::UseDefaultResponse() {
    TDriver* drv = CurrentDriver();
    if (!drv || !loaded_) return;
    SetDefaultResponse(*drv);
    drv->Acoustic.FRDFile.clear();
    drv->Acoustic.HilbertPhase = false;
    Reload();
    ChangeWritten();
}

void TDriverDialog::UseDefaultImpedance() {
    TDriver* drv = CurrentDriver();
    if (!drv || !loaded_) return;
    SetDefaultImpedance(*drv);
    drv->ZMAFile.clear();
    Reload();
    ChangeWritten();
}

void TDriverDialog::ClearAcousticFile() {
    TDriver* drv = CurrentDriver();
    if (!drv || !loaded_) return;
    drv->Acoustic.AcousticFile.clear();
    drv->Acoustic.AcousticEffect.Re.clear();
    drv->Acoustic.AcousticEffect.Im.clear();
    Reload();
    ChangeWritten();
}

void TDriverDialog::ChoosePhaseSource(bool derived) {
    TDriver* drv = CurrentDriver();
    if (!drv || loading_ || !loaded_) return;
    // Without a response file there is no phase to choose: only the mark moves.
    if (drv->Acoustic.FRDFile.empty()) return;
    if (derived) {
        RunTailsDialog();
        return;
    }
    if (!drv->Acoustic.HilbertPhase) return;
    if (!ReadResponse(drv->Acoustic.FRDFile)) {
        // Still the derived response: the mark goes back to it.
        rbDerived_->setChecked(true);
        return;
    }
    Reload();
    ChangeWritten();
}

void TDriverDialog::RunTailsDialog() {
    TDriver* drv = CurrentDriver();
    if (!drv) return;
    const TResponseTails tailsBefore = drv->Acoustic.Tails;
    const bool derivedBefore = drv->Acoustic.HilbertPhase;
    const std::string path = drv->Acoustic.FRDFile;
    // The dialog steps aside while the tails are set; tuning goes on.
    hide();
    int result = QDialog::Rejected;
    {
        TResponseTailsDialog tails(host_.Session(), index_, QString::fromStdString(path), parentWidget());
        tails.SetShowOriginalPhase(true);
        if (tails.ReadMeasurement()) result = ExecModal(tails);
    }
    drv = CurrentDriver();
    if (!drv) return;
    bool applied = false;
    if (result == QDialog::Accepted) {
        rbDerived_->setChecked(true);
        applied = ReadResponse(path);
    }
    if (!applied) {
        // Cancelled, or the derivation failed (its message has been shown):
        // the driver keeps the response it had, with its settings.
        drv->Acoustic.Tails = tailsBefore;
        drv->Acoustic.HilbertPhase = derivedBefore;
    }
    show();
    raise();
    Reload();
    if (applied) ChangeWritten();
}

void TDriverDialog::DeselectPart() {
    TDriver* drv = CurrentDriver();
    if (!drv || !loaded_) return;
    drv->PartNumber.clear();
    // The driver's own files again, so that graphs, file names and the saved
    // design agree; the default data where a file is missing or unreadable.
    (drv->Acoustic.HilbertPhase ? rbDerived_ : rbMeasured_)->setChecked(true);
    if (drv->Acoustic.FRDFile.empty() || !ReadResponse(drv->Acoustic.FRDFile)) {
        drv = CurrentDriver();
        SetDefaultResponse(*drv);
        drv->Acoustic.FRDFile.clear();
        drv->Acoustic.HilbertPhase = false;
    }
    drv = CurrentDriver();
    if (drv->ZMAFile.empty() || !ReadImpedance(drv->ZMAFile)) {
        drv = CurrentDriver();
        SetDefaultImpedance(*drv);
        drv->ZMAFile.clear();
    }
    Reload();
    ChangeWritten();
}

void TDriverDialog::SetCatalogue(const TPartsCatalogue* catalogue, TDriverBrowser* browser) {
    catalogue_ = catalogue;
    driverBrowser_ = browser;
    btnFindPN_->setEnabled(browser != nullptr);
}

void TDriverDialog::FindPart() {
    if (!driverBrowser_ || browsing_ || !loaded_ || !CurrentDriver()) return;
    browsing_ = true;
    // The dialog follows every driver the user passes over, and takes no
    // input meanwhile.
    std::vector<QWidget*> disabled;
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isEnabled() && !w->isWindow()) {  // the browser is a window of its own
            w->setEnabled(false);
            disabled.push_back(w);
        }
    driverBrowser_->Applied = [this] { Reload(); };
    const TCatalogueBrowser::TOutcome outcome = driverBrowser_->Browse(index_);
    driverBrowser_->Applied = nullptr;
    browsing_ = false;
    for (QWidget* w : disabled) w->setEnabled(true);
    if (!CurrentDriver()) return;
    switch (outcome) {
        case TCatalogueBrowser::TOutcome::Chosen:
            Reload();
            ChangeWritten();
            close();
            break;
        case TCatalogueBrowser::TOutcome::Deselected:
            // The driver as it was before browsing, without its catalogue part.
            DeselectPart();
            close();
            break;
        case TCatalogueBrowser::TOutcome::Cancelled:
            Reload();
            break;
    }
}

void TDriverDialog::FocusField() {
    if (!loaded_ || !isVisible()) return;
    activateWindow();
    nameField_->setFocus(Qt::OtherFocusReason);
}

void TDriverDialog::RefreshPicture() {
    QPixmap pm(pbPix_->size());
    pm.fill(Qt::white);
    TDriver* drv = CurrentDriver();
    // A catalogue driver's picture, stretched over the box.
    QImage picture;
    if (drv && !drv->PartNumber.empty() && catalogue_) {
        const std::string path = catalogue_->DriverPicture(drv->PartNumber, drv->Vendor);
        if (!path.empty() && picture.load(QString::fromStdString(path)))
            pm = QPixmap::fromImage(picture.scaled(pm.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    if (drv && picture.isNull()) {
        // The driver's own symbol, at 14 pixels per grid unit.
        QPainter painter(&pm);
        TSheetPainter sp(painter, 14, *host_.Session().Design().Metrics);
        const TRect keep = drv->LabelRect;
        sp.DrawDriverSymbol(QPoint(pm.width() / 2 - 8, pm.height() / 2 + 5), SheetColour::Black, drv);
        drv->LabelRect = keep;
    }
    pbPix_->setPixmap(pm);
}

bool TDriverDialog::eventFilter(QObject* watched, QEvent* event) {
    return CloseOnReleasedKey(watched, event, CommitNumberField) || TElementDialog::eventFilter(watched, event);
}

void TDriverDialog::keyPressEvent(QKeyEvent* event) {
    if (CloseOnKeyPress(event)) return;
    RefreshPicture();
    TElementDialog::keyPressEvent(event);
}

void TDriverDialog::hideEvent(QHideEvent* event) {
    loaded_ = false;
    TElementDialog::hideEvent(event);
}

}  // namespace pelmo
