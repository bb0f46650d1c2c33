#include "gui/blocks/BlockConfigurationForm.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "blocks/CircuitBlocks.h"
#include "document/Session.h"
#include "editor/Tuning.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/WindowFit.h"
#include "model/Design.h"

namespace pelmo {

namespace {

constexpr int FormWidth = 641;
constexpr int FormHeight = 254;  // every row, the intermediate variables too
constexpr int NameLength = 6;

// Rows of the form's grid.
constexpr int TitleRow = 0, UserCaptionRow = 1, UserRow = 2, IntermediateCaptionRow = 5, IntermediateRow = 6,
              CheckRow = 8;

QLabel* Caption(QGridLayout* grid, const QString& text, int row, int column, int indent = 0, int span = 1) {
    auto* l = new QLabel(text, grid->parentWidget());
    l->setIndent(indent);
    grid->addWidget(l, row, column, 1, span, Qt::AlignBottom);
    return l;
}

QLineEdit* Field(QWidget* parent, const QString& name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

// A field whose text the checks refuse shows a pale red background.
void MarkBad(QLineEdit* field, bool bad) {
    QPalette p = field->palette();
    p.setColor(QPalette::Base, bad ? QColor(255, 200, 200) : field->style()->standardPalette().color(QPalette::Base));
    field->setPalette(p);
}

}  // namespace

TBlockConfigurationForm::TBlockConfigurationForm(TSession& session, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      session_(session) {
    setObjectName("BlockConfigurationForm");
    setWindowTitle("Circuit Block Configuration Form");
    // Names, values and hints of the user variables in columns, the
    // intermediate variables' expressions across the value and hint columns.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->setColumnMinimumWidth(0, 70);
    grid->setColumnMinimumWidth(1, 150);
    grid->setColumnStretch(2, 1);
    Caption(grid, "Circuit Block Title", TitleRow, 0);
    eTitle_ = Field(this, "eTitle");
    grid->addWidget(eTitle_, TitleRow, 1, 1, 2);
    connect(eTitle_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (loading_) return;
        Block().Title = text.toStdString();
        Edited();
    });

    grid->setRowMinimumHeight(UserCaptionRow, 28);
    Caption(grid, "User Variables", UserCaptionRow, 0);
    Caption(grid, "Values", UserCaptionRow, 1, 30);
    Caption(grid, "Descriptions (user hints)", UserCaptionRow, 2);
    grid->setRowMinimumHeight(IntermediateCaptionRow, 26);
    Caption(grid, "Intermediate Vars", IntermediateCaptionRow, 0);
    Caption(grid, "Math Expressions using User Variables", IntermediateCaptionRow, 1, 40, 2);

    // Names: letters, digits and "_"; whether the first character is right
    // (and whether the name is taken) is told below the fields as it is typed.
    auto* nameChars = new QRegularExpressionValidator(QRegularExpression("[A-Za-z0-9_]*"), this);
    for (int slot = 0; slot < 5; ++slot) {
        const bool user = slot >= 2;
        const int row = user ? UserRow + slot - 2 : IntermediateRow + slot;
        QLineEdit* name = Field(this, QString("meV%1").arg(slot));
        name->setMinimumWidth(70);
        grid->addWidget(name, row, 0);
        name->setValidator(nameChars);
        name->setMaxLength(NameLength);
        name->installEventFilter(this);
        connect(name, &QLineEdit::textEdited, this, [this, slot] { NameEdited(slot); });
        meV_[static_cast<std::size_t>(slot)] = name;
        if (user) {
            auto* value = new TEditRealSpin(this);
            value->setObjectName(QString("ersV%1").arg(slot));
            value->setMinimumSize(150, 22);
            grid->addWidget(value, row, 1);
            value->SetEngUnits(true);
            value->SetShowUnits(false);
            value->SetMinValue(-100000);
            value->SetMaxValue(100000);
            value->SetStepMode(smLog);
            connect(value, &TEditRealSpin::ValChange, this, [this, slot] { ValueChanged(slot); });
            connect(value, &TEditRealSpin::StepChange, this, [this, slot] { ValueChanged(slot); });
            ersV_[static_cast<std::size_t>(slot - 2)] = value;
            QLineEdit* desc = Field(this, QString("eDesc%1").arg(slot));
            grid->addWidget(desc, row, 2);
            connect(desc, &QLineEdit::textEdited, this, [this, slot](const QString& text) {
                if (loading_) return;
                Block().VarDesc[static_cast<std::size_t>(slot)] = text.toStdString();
                Edited();
            });
            eDesc_[static_cast<std::size_t>(slot - 2)] = desc;
        } else {
            QLineEdit* exp = Field(this, QString("eExp%1").arg(slot));
            grid->addWidget(exp, row, 1, 1, 2);
            connect(exp, &QLineEdit::textEdited, this, [this, slot](const QString& text) {
                if (loading_) return;
                Block().VarExpression[static_cast<std::size_t>(slot)] = text.toStdString();
                Edited();
            });
            connect(exp, &QLineEdit::editingFinished, this, [this, exp] { CheckAll(exp); });
            eExp_[static_cast<std::size_t>(slot)] = exp;
        }
    }

    stCheck_ = new QLabel(this);
    stCheck_->setObjectName("stCheck");
    stCheck_->setMinimumHeight(18);
    QPalette red = stCheck_->palette();
    red.setColor(QPalette::WindowText, QColor(176, 0, 0));
    stCheck_->setPalette(red);
    grid->addWidget(stCheck_, CheckRow, 0, 1, 3, Qt::AlignTop);
    grid->setRowStretch(CheckRow, 1);
    // Every row, the intermediate variables too; larger where a larger font
    // needs it.
    SetSizeAtLeast(*this, QSize(FormWidth, FormHeight), true);
}

TCircuitBlock& TBlockConfigurationForm::Block() { return session_.Design().SharedBlock; }

QLineEdit* TBlockConfigurationForm::NameField(int slot) const {
    return slot >= 0 && slot < 5 ? meV_[static_cast<std::size_t>(slot)] : nullptr;
}

TEditRealSpin* TBlockConfigurationForm::ValueField(int slot) const {
    return slot >= 2 && slot <= 4 ? ersV_[static_cast<std::size_t>(slot - 2)] : nullptr;
}

QLineEdit* TBlockConfigurationForm::DescriptionField(int slot) const {
    return slot >= 2 && slot <= 4 ? eDesc_[static_cast<std::size_t>(slot - 2)] : nullptr;
}

QLineEdit* TBlockConfigurationForm::ExpressionField(int slot) const {
    return slot >= 0 && slot <= 1 ? eExp_[static_cast<std::size_t>(slot)] : nullptr;
}

void TBlockConfigurationForm::Load() {
    loading_ = true;
    TCircuitBlock& b = Block();
    eTitle_->setText(QString::fromStdString(b.Title));
    for (int slot = 0; slot < 5; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        QLineEdit* name = meV_[s];
        // A longer name from a file is shown whole.
        name->setMaxLength(std::max<int>(NameLength, static_cast<int>(b.VarName[s].size())));
        name->setText(QString::fromStdString(b.VarName[s]));
        if (slot >= 2) {
            TEditRealSpin* value = ersV_[s - 2];
            // The block file keeps logarithmic steps or 1-2-3-4-5 steps.
            const auto mode = static_cast<TValueStepMode>(b.VarStepMode[s]);
            value->SetStepMode(mode == sm12345 ? sm12345 : smLog);
            value->SetRealValue(b.VarValue[s]);
            eDesc_[s - 2]->setText(QString::fromStdString(b.VarDesc[s]));
        } else {
            eExp_[s]->setText(QString::fromStdString(b.VarExpression[s]));
        }
    }
    loading_ = false;
    CheckAll(nullptr);
}

void TBlockConfigurationForm::Edited() { session_.Design().Modified = true; }

void TBlockConfigurationForm::NameEdited(int slot) {
    if (loading_) return;
    QLineEdit* field = meV_[static_cast<std::size_t>(slot)];
    Block().VarName[static_cast<std::size_t>(slot)] = field->text().toStdString();
    Edited();
    CheckAll(field);
}

void TBlockConfigurationForm::ValueChanged(int slot) {
    if (loading_) return;
    const auto s = static_cast<std::size_t>(slot);
    const TEditRealSpin* value = ersV_[s - 2];
    TCircuitBlock& b = Block();
    const auto mode = static_cast<std::uint8_t>(value->StepMode());
    if (b.VarValue[s] == value->RealValue() && b.VarStepMode[s] == mode) return;
    b.VarValue[s] = value->RealValue();
    b.VarStepMode[s] = mode;
    Edited();
}

void TBlockConfigurationForm::CheckAll(const QLineEdit* focus) {
    const TCircuitBlock& b = Block();
    QString first, other;
    auto note = [&](const QLineEdit* field, const std::optional<std::string>& message) {
        if (!message) return;
        QString& into = field == focus ? first : other;
        if (into.isEmpty()) into = QString::fromStdString(*message);
    };
    for (int slot = 0; slot < 5; ++slot) {
        QLineEdit* field = meV_[static_cast<std::size_t>(slot)];
        const auto message = CheckBlockVariableName(b, slot, b.VarName[static_cast<std::size_t>(slot)]);
        MarkBad(field, message.has_value());
        note(field, message);
    }
    for (int slot = 0; slot < 2; ++slot) {
        QLineEdit* field = eExp_[static_cast<std::size_t>(slot)];
        const auto message = CheckMemberExpression(b, b.VarExpression[static_cast<std::size_t>(slot)]);
        MarkBad(field, message.has_value());
        note(field, message);
    }
    stCheck_->setText(first.isEmpty() ? other : first);
}

bool TBlockConfigurationForm::eventFilter(QObject* watched, QEvent* event) {
    // Clicking a name field puts the caret after the name, ready to type on.
    if (event->type() == QEvent::MouseButtonRelease)
        if (auto* name = qobject_cast<QLineEdit*>(watched); name && name->objectName().startsWith("meV"))
            QTimer::singleShot(0, name, [name] { name->end(false); });
    return QWidget::eventFilter(watched, event);
}

}  // namespace pelmo
