#include "gui/tools/ModelDriverWindow.h"

#include <qcustomplot.h>

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "document/DataFolder.h"
#include "document/DocumentFlow.h"
#include "document/Session.h"
#include "driverdata/TspFile.h"
#include "files/DesignFile.h"
#include "gui/graphs/ChartStyle.h"
#include "gui/widgets/EditReal.h"
#include "model/Design.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

QString Num(double x, int digits = 3) { return QString::fromStdString(FormatGeneral(x, digits)); }

// An axis from `floor` (or, with a span, from `span` below the top) to the
// largest value rounded up to `step`.
void FitRange(QCPAxis* axis, const DataArray& values, double step, double floor, double span) {
    double hi = floor + step;
    for (double v : values)
        if (std::isfinite(v)) hi = std::max(hi, v);
    hi = std::ceil(hi / step) * step;
    axis->setRange(span > 0 ? hi - span : floor, span > 0 ? hi + step : hi);
}

// A linear axis labelled at multiples of `step`, about five labels whatever
// its range.
void LabelMultiples(QCPAxis* axis, double step) {
    if (auto fixed = qSharedPointerDynamicCast<QCPAxisTickerFixed>(axis->ticker())) {
        fixed->setTickStep(step);
        fixed->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
        fixed->setTickCount(5);
    }
}

}  // namespace

TModelDriverWindow::TModelDriverWindow(TSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session) {
    setObjectName("ModelDriverWindow");
    setWindowTitle("Model a Driver");
    SolveDesign = [this] { session_.Solve(); };
    ChooseParameterFile = [this](const QString& folder) {
        return QFileDialog::getOpenFileName(this, "Load parameters", folder,
                                            "Parameter files (*.tsp *.TSP *.txt);;All files (*)");
    };
    BuildControls();
    const TDesignSettings& settings = session_.Design().Settings;
    SetSetup(HasModelSetup(settings) ? ReadModelSetup(settings) : TModelSetup{});
    designName_ = session_.Design().FileName;
    DesignChanged();
}

TEditRealSpin* TModelDriverWindow::AddField(QFormLayout* form, const QString& caption, const char* key,
                                            const QString& units, double TModelSetup::*member, double low, double high,
                                            double step, bool multiply) {
    auto* f = new TEditRealSpin(this);
    f->setObjectName(QString("ers_") + key);
    f->setMinimumSize(120, 22);
    f->SetEngUnits(false);
    f->SetDefNumChars(7);
    f->SetUnits(units);
    f->SetShowUnits(!units.isEmpty());
    f->SetMinValue(low);
    f->SetMaxValue(high);
    if (multiply) {
        f->SetStepMode(smLog);
        f->SetRealMult(1 + step);
    } else {
        f->SetStepMode(smReal);
        f->SetRealInc(step);
    }
    form->addRow(caption, f);
    fields_[key] = {f, member};
    connect(f, &TEditRealSpin::ValChange, this, [this] { FieldChanged(); });
    return f;
}

void TModelDriverWindow::BuildControls() {
    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    left->addWidget(BuildDriverGroup());
    left->addWidget(BuildBoxGroup());
    left->addWidget(BuildBaffleGroup());
    auto* drive = new QGroupBox("Drive");
    auto* driveForm = new QFormLayout(drive);
    AddField(driveForm, "Power into Re", "power", "W", &TModelSetup::Watts, 1e-3, 1e4, 0.122, true);
    left->addWidget(drive);
    left->addWidget(BuildApplyGroup());
    left->addStretch(1);
    top->addLayout(left);

    auto* right = new QVBoxLayout;
    auto* host = new QWidget;
    BuildCharts(host);
    right->addWidget(host, 1);
    derived_ = new QLabel;
    derived_->setObjectName("derived");
    derived_->setWordWrap(true);
    right->addWidget(derived_);
    status_ = new QLabel;
    status_->setObjectName("status");
    status_->setWordWrap(true);
    right->addWidget(status_);
    top->addLayout(right, 1);
}

QWidget* TModelDriverWindow::BuildDriverGroup() {
    auto* group = new QGroupBox("Driver");
    auto* column = new QVBoxLayout(group);
    auto* form = new QFormLayout;
    const QString ohm = QString::fromUtf8("\xCE\xA9");
    AddField(form, "Re", "re", ohm, &TModelSetup::ReOhm, 0.01, 1000, 0.02, true);
    AddField(form, "Le", "le", "mH", &TModelSetup::LeMh, 0, 100, 0.05, true);
    AddField(form, "Le exponent", "le_exp", "", &TModelSetup::LeExponent, 0.01, 1, 0.01, false);
    AddField(form, "Fs", "fs", "Hz", &TModelSetup::FsHz, 1, 20000, 0.02, true);
    AddField(form, "Qms", "qms", "", &TModelSetup::Qms, 0.05, 100, 0.02, true);
    AddField(form, "Qes", "qes", "", &TModelSetup::Qes, 0.01, 100, 0.02, true);
    AddField(form, "Vas", "vas", "l", &TModelSetup::VasLitres, 1e-4, 1e4, 0.05, true);
    AddField(form, "Sd", "sd", QString::fromUtf8("cm\xC2\xB2"), &TModelSetup::SdCm2, 0.1, 1e4, 0.02, true);
    AddField(form, "Xmax", "xmax", "mm", &TModelSetup::XmaxMm, 0, 100, 0.5, false);
    column->addLayout(form);
    loadButton_ = new QPushButton("Load parameters…");
    loadButton_->setObjectName("loadParameters");
    loadButton_->setToolTip(
        "Reads Re, Le, Fs, Qms, Qes, Vas, Sd, Xmax (or Bl, Mms, Cms, Rms) from a .tsp or text file");
    connect(loadButton_, &QPushButton::clicked, this, [this] { ChooseParameters(); });
    column->addWidget(loadButton_, 0, Qt::AlignLeft);
    return group;
}

QWidget* TModelDriverWindow::BuildBoxGroup() {
    auto* group = new QGroupBox("Box");
    boxForm_ = new QFormLayout(group);
    boxKind_ = new QComboBox;
    boxKind_->setObjectName("boxKind");
    boxKind_->addItems({"none (infinite baffle)", "sealed", "vented", "passive radiator"});
    boxForm_->addRow("Kind", boxKind_);
    connect(boxKind_, &QComboBox::currentIndexChanged, this, [this] { FieldChanged(); });
    AddField(boxForm_, "Volume Vb", "vb", "l", &TModelSetup::VbLitres, 0.01, 1e4, 0.05, true);
    AddField(boxForm_, "Tuning Fb", "fb", "Hz", &TModelSetup::FbHz, 1, 1000, 0.02, true);
    AddField(boxForm_, QString::fromUtf8("Port \xE2\x8C\x80"), "port", "cm", &TModelSetup::PortDiameterCm, 0, 100, 0.5,
             false);
    AddField(boxForm_, "Radiator Mmp", "mmp", "g", &TModelSetup::MmpGrams, 0.1, 1e4, 0.05, true);
    AddField(boxForm_, "Radiator Cmp", "cmp", "mm/N", &TModelSetup::CmpMmPerN, 1e-3, 100, 0.05, true);
    AddField(boxForm_, "Radiator Sp", "sp", QString::fromUtf8("cm\xC2\xB2"), &TModelSetup::SpCm2, 1, 1e4, 0.05, true);
    AddField(boxForm_, "Radiator Qmp", "qmp", "", &TModelSetup::Qmp, 0, 100, 0.5, false);
    AddField(boxForm_, "Leakage Ql", "ql", "", &TModelSetup::Ql, 0, 1000, 0.5, false);
    AddField(boxForm_, "Absorption Qa", "qa", "", &TModelSetup::Qa, 0, 1000, 0.5, false);
    return group;
}

QWidget* TModelDriverWindow::BuildBaffleGroup() {
    auto* group = new QGroupBox("Baffle");
    baffleForm_ = new QFormLayout(group);
    baffleKind_ = new QComboBox;
    baffleKind_->setObjectName("baffleKind");
    baffleKind_->addItems({"none (infinite)", "rectangular", "circular"});
    baffleForm_->addRow("Shape", baffleKind_);
    connect(baffleKind_, &QComboBox::currentIndexChanged, this, [this] { FieldChanged(); });
    AddField(baffleForm_, "Width", "width", "mm", &TModelSetup::WidthMm, 10, 1e4, 5, false);
    AddField(baffleForm_, "Height", "height", "mm", &TModelSetup::HeightMm, 10, 1e4, 5, false);
    AddField(baffleForm_, "Diameter", "diameter", "mm", &TModelSetup::DiameterMm, 10, 1e4, 5, false);
    AddField(baffleForm_, "Roundover", "roundover", "mm", &TModelSetup::RoundoverMm, 0, 500, 1, false);
    AddField(baffleForm_, "Driver right of centre", "x", "mm", &TModelSetup::XMm, -5000, 5000, 5, false);
    AddField(baffleForm_, "Driver above centre", "y", "mm", &TModelSetup::YMm, -5000, 5000, 5, false);
    return group;
}

QWidget* TModelDriverWindow::BuildApplyGroup() {
    auto* group = new QGroupBox("Apply");
    auto* form = new QFormLayout(group);
    driverChoice_ = new QComboBox;
    driverChoice_->setObjectName("driverChoice");
    form->addRow("Driver", driverChoice_);
    fileName_ = new QLineEdit;
    fileName_->setObjectName("fileName");
    fileName_->setToolTip("The files are NAME.frd, NAME.zma, NAME-baffle.frd and NAME@h10.frd … NAME@v90.frd");
    form->addRow("File name", fileName_);
    applyButton_ = new QPushButton("Apply");
    applyButton_->setObjectName("apply");
    applyButton_->setToolTip("Writes the modelled files and gives them to the driver (one undo step)");
    form->addRow(applyButton_);
    connect(applyButton_, &QPushButton::clicked, this, [this] { Apply(); });
    connect(driverChoice_, &QComboBox::currentIndexChanged, this, &TModelDriverWindow::DriverChosen);
    return group;
}

void TModelDriverWindow::DriverChosen(int i) {
    const TDesign& d = session_.Design();
    if (i < 0 || i >= static_cast<int>(d.Drivers.size())) {
        applyButton_->setText("Apply");
        applyButton_->setEnabled(false);
        return;
    }
    const std::string designator = DriverDesignator(*d.Drivers[static_cast<std::size_t>(i)]);
    applyButton_->setText(QString::fromStdString("Apply to " + designator));
    applyButton_->setEnabled(true);
    fileName_->setText(QString::fromStdString(designator + "-model"));
}

void TModelDriverWindow::BuildCharts(QWidget* host) {
    auto* column = new QVBoxLayout(host);
    column->setContentsMargins(0, 0, 0, 0);
    const char* titles[] = {"SPL at 2.83 V, 1 m (with the baffle)", "Impedance", "Cone excursion"};
    const char* leftTitles[] = {"dB SPL", "ohm", "mm"};
    const char* rightTitles[] = {"deg", "deg", "m/s"};
    const QColor colours[] = {QColor(0, 0, 200), QColor(200, 0, 0), QColor(0, 128, 0)};
    for (int i = 0; i < 3; ++i) {
        auto* plot = new QCustomPlot(host);
        plot->setObjectName(QString("chart%1").arg(i));
        plot->setBackground(Qt::white);
        plot->setInteractions(QCP::iNone);
        plot->setMinimumSize(360, 150);
        auto* title = new QCPTextElement(plot, titles[i], ArialPixels(13, true));
        if (i == 2) excursionTitle_ = title;
        plot->plotLayout()->insertRow(0);
        plot->plotLayout()->addElement(0, 0, title);
        TAxisSetup bottom;
        bottom.Min = 10;
        bottom.Max = 20000;
        bottom.Log = true;
        bottom.Title = "Hz";
        SetupAxis(plot->xAxis, bottom);
        TAxisSetup left;
        left.Min = 0;
        left.Max = 1;
        left.Title = leftTitles[i];
        SetupAxis(plot->yAxis, left);
        TAxisSetup right;
        right.Min = -180;
        right.Max = 180;
        right.Grid = false;
        right.Title = rightTitles[i];
        SetupAxis(plot->yAxis2, right);
        const double leftSteps[] = {5, 1, 0.5};
        LabelMultiples(plot->yAxis, leftSteps[i]);
        LabelMultiples(plot->yAxis2, i < 2 ? 45 : 0.5);
        plot->yAxis2->setVisible(true);
        // Phases and the port's air velocity dotted, on the right axis.
        curves_[2 * i] = plot->addGraph(plot->xAxis, plot->yAxis);
        curves_[2 * i]->setPen(QPen(colours[i], 2));
        curves_[2 * i + 1] = plot->addGraph(plot->xAxis, plot->yAxis2);
        curves_[2 * i + 1]->setPen(QPen(colours[i].lighter(130), 1, Qt::DotLine));
        charts_[i] = plot;
        column->addWidget(plot, 1);
    }
}

TEditRealSpin* TModelDriverWindow::Field(const QString& key) const {
    const auto it = fields_.find(key);
    return it == fields_.end() ? nullptr : it->second.Spin;
}

QString TModelDriverWindow::StatusText() const { return status_->text(); }

void TModelDriverWindow::ShowStatus(const QString& text, bool problem) {
    status_->setText(text);
    status_->setStyleSheet(problem ? "color: #b00000" : "");
}

void TModelDriverWindow::SetSetup(const TModelSetup& s) {
    filling_ = true;
    setup_ = s;
    for (auto& [key, f] : fields_) f.Spin->SetRealValue(s.*f.Member);
    boxKind_->setCurrentIndex(static_cast<int>(s.Box));
    baffleKind_->setCurrentIndex(static_cast<int>(s.Baffle));
    filling_ = false;
    // A field keeps its value within its limits: the setup is what they show.
    ReadFields();
    ShowKinds();
    Recompute();
}

void TModelDriverWindow::ReadFields() {
    for (auto& [key, f] : fields_) setup_.*f.Member = f.Spin->RealValue();
    setup_.Box = static_cast<EnclosureKind>(std::max(0, boxKind_->currentIndex()));
    setup_.Baffle = static_cast<ModelBaffleKind>(std::max(0, baffleKind_->currentIndex()));
}

void TModelDriverWindow::FieldChanged() {
    if (filling_) return;
    const TModelSetup before = setup_;
    ReadFields();
    if (setup_.Box != before.Box || setup_.Baffle != before.Baffle) ShowKinds();
    Recompute();
    KeepSettings();
}

void TModelDriverWindow::ShowKinds() {
    const EnclosureKind box = setup_.Box;
    const bool any = box != EnclosureKind::InfiniteBaffle, vented = box == EnclosureKind::Vented,
               radiator = box == EnclosureKind::PassiveRadiator;
    const std::pair<const char*, bool> boxRows[] = {
        {"vb", any},      {"fb", vented},    {"port", vented},           {"mmp", radiator}, {"cmp", radiator},
        {"sp", radiator}, {"qmp", radiator}, {"ql", vented || radiator}, {"qa", any}};
    for (const auto& [key, on] : boxRows) boxForm_->setRowVisible(Field(key), on);
    const ModelBaffleKind baffle = setup_.Baffle;
    const bool some = baffle != ModelBaffleKind::None, rect = baffle == ModelBaffleKind::Rectangle;
    const std::pair<const char*, bool> baffleRows[] = {
        {"width", rect}, {"height", rect}, {"diameter", some && !rect}, {"roundover", some}, {"x", some}, {"y", some}};
    for (const auto& [key, on] : baffleRows) baffleForm_->setRowVisible(Field(key), on);
    charts_[2]->yAxis2->setVisible(vented || radiator);
    excursionTitle_->setText(vented     ? "Cone excursion (dotted: port air velocity)"
                             : radiator ? "Cone excursion (dotted: radiator excursion)"
                                        : "Cone excursion");
    charts_[2]->yAxis2->setLabel(radiator ? "radiator mm" : "port m/s");
}

void TModelDriverWindow::Recompute() {
    const TModelPreview& v = previewer_.Update(setup_);
    if (!v.Problem.empty()) {
        ShowStatus(QString::fromStdString(v.Problem), true);
        derived_->clear();
    } else if (status_->styleSheet().contains("b00000")) {
        ShowStatus(QString());
    }
    if (v.Problem.empty()) {
        QString text = "Qts " + Num(v.Driver.Qts) + ", sensitivity " + Num(v.Driver.Sensitivity, 3) +
                       " dB (2.83 V, 1 m, half space), Bl " + Num(v.Driver.Bl) + " Tm, Mms " + Num(v.Driver.Mms * 1e3) +
                       " g.";
        if (setup_.Box == EnclosureKind::Sealed)
            text += " Sealed: fc " + Num(v.Enclosure.Fb) + " Hz, Qtc " + Num(v.Enclosure.Qtc) + ".";
        if (setup_.Box == EnclosureKind::Vented) {
            text += " Vented: Fb " + Num(v.Enclosure.Fb) + " Hz";
            if (v.Enclosure.PortLength > 0) text += ", port " + Num(v.Enclosure.PortLength * 100) + " cm long";
            text += ".";
        }
        if (setup_.Box == EnclosureKind::PassiveRadiator)
            text += " Passive radiator: Fb " + Num(v.Enclosure.Fb) + " Hz.";
        text += " Peak excursion " + Num(v.Peak.Cone * 1e3) + " mm at " + Num(v.Peak.Freq) + " Hz with " +
                Num(setup_.Watts) + " W";
        if (v.WattsWithinXmax > 0) text += " (within Xmax up to " + Num(v.WattsWithinXmax) + " W)";
        text += ".";
        derived_->setText(text);
    }
    Redraw();
}

void TModelDriverWindow::Redraw() {
    const TModelPreview& v = previewer_.Preview();
    const QVector<double> f(v.Freq.begin(), v.Freq.end());
    const DataArray* series[6] = {&v.SplDb, &v.SplDeg, &v.Ohms, &v.OhmsDeg, &v.ConeMm, &v.Vent};
    for (int i = 0; i < 6; ++i) {
        const DataArray& y = *series[i];
        if (y.size() == v.Freq.size())
            curves_[i]->setData(f, QVector<double>(y.begin(), y.end()), true);
        else
            curves_[i]->data()->clear();
    }
    if (v.Problem.empty()) {
        FitRange(charts_[0]->yAxis, v.SplDb, 5, 0, 40);
        FitRange(charts_[1]->yAxis, v.Ohms, 5, 0, 0);
        charts_[1]->yAxis2->setRange(-90, 90);
        FitRange(charts_[2]->yAxis, v.ConeMm, 1, 0, 0);
        if (!v.Vent.empty()) FitRange(charts_[2]->yAxis2, v.Vent, 1, 0, 0);
    }
    for (QCustomPlot* c : charts_) c->replot();
}

void TModelDriverWindow::KeepSettings() {
    TDesign& d = session_.Design();
    touched_ = true;
    const TDesignSettings before = d.Settings;
    WriteModelSetup(setup_, d.Settings);
    if (!(d.Settings == before)) d.Modified = true;
}

QString TModelDriverWindow::ParameterFolder() const {
    const std::string& data = session_.DataFolder();
    if (!data.empty()) {
        const QString parts = QString::fromStdString(data) + PartsListsFolderName;
        if (QFileInfo(parts).isDir()) return parts;
    }
    const std::string& design = session_.Design().FileName;
    return design.empty() ? QString() : QFileInfo(QString::fromStdString(design)).absolutePath();
}

void TModelDriverWindow::ChooseParameters() {
    const QString file = ChooseParameterFile ? ChooseParameterFile(ParameterFolder()) : QString();
    if (file.isEmpty()) return;
    LoadParameters(file);
}

bool TModelDriverWindow::LoadParameters(const QString& path) {
    std::string why;
    const std::optional<TTspValues> values = ReadTspFile(path.toStdString(), why);
    if (!values) {
        ShowStatus(QString::fromStdString(why), true);
        session_.Messages().ShowMessage(why);
        return false;
    }
    SetSetup(WithDriverParams(setup_, ModelParamsFromTsp(*values, ModelDriverParams(setup_))));
    KeepSettings();
    ShowStatus("Parameters read from " + QFileInfo(path).fileName() + ".");
    return true;
}

std::string TModelDriverWindow::ModelFolder() const {
    const std::string& design = session_.Design().FileName;
    if (!design.empty()) {
        const std::string support = SupportFolderFor(design);
        return CanWriteFolder(support) ? support : CachedSupportFolderFor(design);
    }
    const std::string& data = session_.DataFolder();
    return (data.empty() ? CacheFolderPath() : data) + "Models/";
}

bool TModelDriverWindow::Apply() {
    TDesign& d = session_.Design();
    if (d.BlockDesignMode) {
        ShowStatus("A circuit block is being designed: its drivers take no model.", true);
        return false;
    }
    const int index = driverChoice_->currentIndex();
    if (index < 0 || index >= static_cast<int>(d.Drivers.size())) {
        ShowStatus("The design has no driver to give the model to.", true);
        return false;
    }
    const auto driver = static_cast<std::size_t>(index);
    const std::string name = fileName_->text().trimmed().toStdString();
    const std::string folder = ModelFolder();
    TModelFiles files;
    if (!WriteModelFiles(setup_, folder, name, files, session_.Messages())) {
        ShowStatus("Nothing was applied: the model's files could not be written.", true);
        return false;
    }
    KeepSettings();
    if (!LoadModelFiles(d, driver, files, EffectiveDiameterInches(setup_), session_.Messages())) {
        ShowStatus("Nothing was applied: the model's files could not be read back.", true);
        return false;
    }
    // The off-axis files may have the names of the last ones: read them again.
    session_.GraphSolve().Context.Directivity.ReloadFiles();
    d.Modified = true;
    session_.CommitEdit();
    if (SolveDesign) SolveDesign();
    const TDriver& drv = *d.Drivers[driver];
    QString text =
        QString::fromStdString("Applied to " + DriverDesignator(drv) + (drv.Name.empty() ? "" : " " + drv.Name) + ": " +
                               name + ".frd, " + name + ".zma");
    if (!files.Baffle.empty())
        text += QString::fromStdString(", " + name + "-baffle.frd (acoustic effect) and " +
                                       std::to_string(files.OffAxis.size()) + " off-axis files");
    text += " in " + QString::fromStdString(folder) + ". Undo in the main window takes it back.";
    ShowStatus(text);
    emit Applied();
    return true;
}

void TModelDriverWindow::DesignChanged() {
    const TDesign& d = session_.Design();
    const int keep = driverChoice_->currentIndex();
    QStringList names;
    for (const auto& drv : d.Drivers)
        names << QString::fromStdString(DriverDesignator(*drv) + (drv->Name.empty() ? "" : "  " + drv->Name));
    QStringList shown;
    for (int i = 0; i < driverChoice_->count(); ++i) shown << driverChoice_->itemText(i);
    if (names != shown) {
        const QSignalBlocker quiet(driverChoice_);
        driverChoice_->clear();
        driverChoice_->addItems(names);
        driverChoice_->setCurrentIndex(keep >= 0 && keep < names.size() ? keep : (names.isEmpty() ? -1 : 0));
    }
    // The label, the button and the file name follow the choice.
    if (names != shown || keep < 0) DriverChosen(driverChoice_->currentIndex());
    if (d.FileName != designName_) {
        // Another design (opened, new, recovered): its own setup, if it has one.
        designName_ = d.FileName;
        touched_ = false;
        if (HasModelSetup(d.Settings)) {
            const TModelSetup kept = ReadModelSetup(d.Settings, setup_);
            if (!(kept == setup_)) SetSetup(kept);
        }
    } else if (touched_ && (!HasModelSetup(d.Settings) || !(ReadModelSetup(d.Settings, setup_) == setup_))) {
        // The same design brought back to an earlier state (undo, redo): the
        // window's fields are not part of its edits and stay as they are.
        KeepSettings();
    }
}

void TModelDriverWindow::ShowAndRaise() {
    DesignChanged();
    show();
    raise();
    activateWindow();
}

}  // namespace pelmo
