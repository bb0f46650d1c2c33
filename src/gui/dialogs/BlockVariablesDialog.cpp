#include "gui/dialogs/BlockVariablesDialog.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>

#include "blocks/CircuitBlocks.h"
#include "document/Session.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/WindowFit.h"
#include "model/Design.h"

namespace pelmo {

namespace {
constexpr int Width = 420;
constexpr int RowHeight = 30;
constexpr int TopRow = 30;
}  // namespace

TBlockVariablesDialog::TBlockVariablesDialog(TTuningHost& host, QWidget* parent) : TElementDialog(host, parent) {
    setObjectName("BlockVariablesDialog");
    setWindowTitle("Tune Circuit Block");
    // The block's title over one row per variable: its spinner and its hint.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    title_ = new QLabel(this);
    title_->setObjectName("stTitle");
    title_->setMinimumHeight(20);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    grid->addWidget(title_, 0, 0, 1, 2);
    for (int i = 0; i < 3; ++i) {
        auto* ers = new TEditRealSpin(this);
        ers->setObjectName(QString("ersV%1").arg(i + 2));
        ers->setMinimumSize(150, 22);
        ers->SetEngUnits(true);
        ers->SetShowUnits(false);
        ers->SetMinValue(-100000);
        ers->SetMaxValue(100000);
        ers->SetAvoidSetFocus(true);
        connect(ers, &TEditRealSpin::ValChange, this, [this] { ValuesChanged(); });
        ers->EditReal()->installEventFilter(this);
        spinners_[static_cast<std::size_t>(i)] = ers;
        auto* desc = new QLabel(this);
        desc->setObjectName(QString("stV%1").arg(i + 2));
        desc->setMinimumHeight(22);
        descriptions_[static_cast<std::size_t>(i)] = desc;
        grid->addWidget(ers, i + 1, 0);
        grid->addWidget(desc, i + 1, 1);
    }
    grid->setColumnStretch(1, 1);
}

TEditRealSpin* TBlockVariablesDialog::Spinner(int slot) const {
    return slot >= 2 && slot <= 4 ? spinners_[static_cast<std::size_t>(slot - 2)] : nullptr;
}

bool TBlockVariablesDialog::LoadBlock(int index) {
    loaded_ = false;
    index_ = index;
    TDesign& d = host_.Session().Design();
    if (index < 0 || index >= static_cast<int>(d.Blocks.size())) return false;
    const TCircuitBlock& b = *d.Blocks[static_cast<std::size_t>(index)];
    loading_ = true;
    title_->setText(QString::fromStdString(b.Title));
    int rows = 0;
    for (int slot = 2; slot <= 4; ++slot) {
        const auto i = static_cast<std::size_t>(slot - 2);
        const bool shown = !b.VarDesc[static_cast<std::size_t>(slot)].empty();
        spinners_[i]->setVisible(shown);
        descriptions_[i]->setVisible(shown);
        spinners_[i]->SetStepMode(static_cast<TValueStepMode>(b.VarStepMode[static_cast<std::size_t>(slot)]));
        spinners_[i]->SetRealValue(b.VarValue[static_cast<std::size_t>(slot)]);
        descriptions_[i]->setText(QString::fromStdString(b.VarDesc[static_cast<std::size_t>(slot)]));
        if (shown) ++rows;
    }
    loading_ = false;
    if (rows == 0) return false;
    // The rows of the shown variables; wider where a hint needs it.
    SetSizeAtLeast(*this, QSize(Width, TopRow + rows * RowHeight + 6), true);
    loaded_ = true;
    d.Modified = true;
    return true;
}

void TBlockVariablesDialog::FocusField() {
    if (!loaded_ || !isVisible()) return;
    for (TEditRealSpin* s : spinners_) {
        if (!s->isVisible()) continue;
        activateWindow();
        s->EditReal()->setFocus(Qt::OtherFocusReason);
        return;
    }
}

void TBlockVariablesDialog::ValuesChanged() {
    if (loading_ || !loaded_) return;
    TDesign& d = host_.Session().Design();
    if (index_ < 0 || index_ >= static_cast<int>(d.Blocks.size())) return;
    TCircuitBlock& b = *d.Blocks[static_cast<std::size_t>(index_)];
    std::array<double, 3> values{};
    std::array<unsigned char, 3> modes{};
    bool changed = false;
    for (std::size_t i = 0; i < 3; ++i) {
        values[i] = spinners_[i]->RealValue();
        modes[i] = static_cast<unsigned char>(spinners_[i]->StepMode());
        changed = changed || values[i] != b.VarValue[2 + i] || modes[i] != b.VarStepMode[2 + i];
    }
    if (!changed) return;
    StoreTunedBlockVariables(b, values, modes);
    ChangeWritten();
    host_.RepaintSheet();
}

bool TBlockVariablesDialog::eventFilter(QObject* watched, QEvent* event) {
    // The spinners' fields act on released keys and keep Escape from the
    // dialog: its release there closes the dialog.
    if (event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat()) {
            close();
            return true;
        }
    }
    return TElementDialog::eventFilter(watched, event);
}

void TBlockVariablesDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Accepts what was typed into the focused spinner.
            for (TEditRealSpin* s : spinners_)
                if (focusWidget() == s->EditReal()) s->EditReal()->DblClick();
            event->accept();
            return;
        case Qt::Key_Escape:
            close();
            event->accept();
            return;
        default:
            TElementDialog::keyPressEvent(event);
    }
}

}  // namespace pelmo
