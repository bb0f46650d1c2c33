#include "gui/graphs/SeriesEdit.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "graphs/GraphCurves.h"
#include "graphs/GraphKinds.h"
#include "graphs/GraphRecord.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/PlotOverlays.h"
#include "gui/widgets/WindowFit.h"

namespace pelmo {

namespace {
constexpr int Width = 260;
constexpr int SwatchPitch = 24;
constexpr int SwatchSize = 25;
}  // namespace

TSeriesEditForm::TSeriesEditForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 6);
    column->setSpacing(6);
    label_ = new QLabel(this);
    column->addWidget(label_);

    // The swatches share their borders: 25 pixels wide, 24 apart.
    auto* strip = new QWidget(this);
    strip->setFixedSize((PaletteSize - 1) * SwatchPitch + SwatchSize, SwatchSize);
    for (int i = 0; i < PaletteSize; ++i) {
        auto* s = new QLabel(strip);
        s->setGeometry(i * SwatchPitch, 0, SwatchSize, SwatchSize);
        s->setAutoFillBackground(true);
        const TRgb c = PaletteColour(i);
        QPalette p = s->palette();
        p.setColor(QPalette::Window, QColor(c.R, c.G, c.B));
        p.setColor(QPalette::WindowText, Qt::black);
        s->setPalette(p);
        s->setLineWidth(1);
        s->installEventFilter(this);
        s->setCursor(Qt::PointingHandCursor);
        swatches_[static_cast<std::size_t>(i)] = s;
    }
    column->addWidget(strip);

    cbPhase_ = new QCheckBox("show with phase curve", this);
    column->addWidget(cbPhase_);

    auto* buttons = new QHBoxLayout;
    btnOk_ = new QPushButton("Ok", this);
    btnOk_->setMinimumWidth(80);
    btnRemove_ = new QPushButton("Remove this Curve", this);
    btnRemove_->setMinimumWidth(140);
    btnOk_->setAutoDefault(false);
    btnRemove_->setAutoDefault(false);
    buttons->addWidget(btnOk_);
    buttons->addStretch(1);
    buttons->addWidget(btnRemove_);
    column->addLayout(buttons);

    // "Additional" over "Smoothing", beside the list.
    auto* smoothing = new QHBoxLayout;
    auto* caption = new QVBoxLayout;
    caption->setSpacing(0);
    lblAdditional_ = new QLabel("Additional", this);
    lblSmoothing_ = new QLabel("Smoothing", this);
    caption->addWidget(lblAdditional_);
    caption->addWidget(lblSmoothing_);
    cbSmoothing_ = new QComboBox(this);
    for (const char* item : SmoothingItems) cbSmoothing_->addItem(item);
    smoothing->addLayout(caption);
    smoothing->addWidget(cbSmoothing_, 1);
    column->addLayout(smoothing);
    auto* phaseView = new QHBoxLayout;
    lblPhaseView_ = new QLabel("Phase", this);
    cbPhaseView_ = new QComboBox(this);
    cbPhaseView_->setObjectName("PhaseView");
    phaseView->addWidget(lblPhaseView_);
    phaseView->addWidget(cbPhaseView_, 1);
    column->addLayout(phaseView);
    column->addStretch(1);

    connect(cbPhase_, &QCheckBox::clicked, this, [this] { Apply(); });
    connect(cbSmoothing_, &QComboBox::activated, this, [this] { Apply(); });
    connect(cbPhaseView_, &QComboBox::activated, this, [this] { Apply(); });
    connect(btnOk_, &QPushButton::clicked, this, &TSeriesEditForm::OkClick);
    connect(btnRemove_, &QPushButton::clicked, this, &TSeriesEditForm::btnRemoveClick);
}

TSeriesDef* TSeriesEditForm::Curve() const {
    if (FileMode || !Window) return nullptr;
    auto& curves = Window->Record().Curves;
    if (CurveIndex < 0 || static_cast<std::size_t>(CurveIndex) >= curves.size()) return nullptr;
    return &curves[static_cast<std::size_t>(CurveIndex)];
}

void TSeriesEditForm::Prepare() {
    const TSeriesDef* c = Curve();
    SelectedColour = FileMode ? (Window ? Window->Overlays().FileColour() : 2) : c ? c->ColourIndex : 0;
    SmoothingValue = c ? c->Smoothing : 0.0;
    label_->setText(QString::fromStdString(SeriesEditLabel(CurveName.toStdString())));
    setWindowTitle(CurveName);
    ShowBorders();

    const TSeriesEditLayout l = SeriesEditLayout(GraphKind, FileMode, c && c->DriverOnly());
    cbPhase_->setVisible(l.PhaseBox);
    {
        const QSignalBlocker b1(cbPhase_), b2(cbSmoothing_);
        cbPhase_->setChecked(FileMode ? FilePhaseShown : c && c->ShowPhase);
        // The list keeps the curve's own smoothing also where it is hidden,
        // so that applying leaves that smoothing as it was.
        if (c) cbSmoothing_->setCurrentIndex(SmoothingItemFor(c->Smoothing));
    }
    // The phase drawn wrapped, unwrapped or as excess phase (SPL), the
    // group delay or the excess group delay: beyond the specified dialog.
    const auto views = PhaseViewItems(GraphKind);
    const bool phaseView = !FileMode && c && !views.empty();
    {
        const QSignalBlocker b(cbPhaseView_);
        cbPhaseView_->clear();
        for (const auto& [caption, view] : views) {
            cbPhaseView_->addItem(QString::fromStdString(caption), static_cast<int>(view));
            if (c && view == c->PhaseView) cbPhaseView_->setCurrentIndex(cbPhaseView_->count() - 1);
        }
    }
    lblPhaseView_->setVisible(phaseView);
    cbPhaseView_->setVisible(phaseView);
    lblAdditional_->setVisible(l.Smoothing);
    lblSmoothing_->setVisible(l.Smoothing);
    cbSmoothing_->setVisible(l.Smoothing);
    // The size of its kind, larger where a larger font needs it.
    SetSizeAtLeast(*this, QSize(Width, l.Height + (phaseView ? cbPhaseView_->sizeHint().height() + 6 : 0)), true);
}

void TSeriesEditForm::ShowBorders() {
    for (int i = 0; i < PaletteSize; ++i)
        swatches_[static_cast<std::size_t>(i)]->setFrameStyle(i == SelectedColour ? QFrame::Box | QFrame::Plain
                                                                                  : QFrame::NoFrame);
}

void TSeriesEditForm::SwatchClick(int index) {
    SelectedColour = index;
    ShowBorders();
    Apply();
}

void TSeriesEditForm::Apply() {
    if (!Window) return;
    if (FileMode) {
        Window->Overlays().SetFileStyle(SelectedColour, cbPhase_->isChecked());
    } else if (TSeriesDef* c = Curve()) {
        c->ColourIndex = SelectedColour;
        c->ShowPhase = cbPhase_->isChecked();
        SmoothingValue = SmoothingValueOf(cbSmoothing_->currentIndex());
        c->Smoothing = SmoothingValue;
        if (!cbPhaseView_->isHidden() && cbPhaseView_->currentIndex() >= 0)
            c->PhaseView = static_cast<TPhaseView>(cbPhaseView_->currentData().toInt());
        Window->RefreshCurveStyles();
    }
    Window->RequestSolve();
}

void TSeriesEditForm::closeEvent(QCloseEvent* event) {
    // Closing the window keeps the curve, as "Ok" does.
    event->ignore();
    done(ResultOk);
}

bool TSeriesEditForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (int i = 0; i < PaletteSize; ++i)
            if (watched == swatches_[static_cast<std::size_t>(i)]) {
                SwatchClick(i);
                return true;
            }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace pelmo
