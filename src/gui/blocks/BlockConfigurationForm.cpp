#include "blocks/BlockConfigurationForm.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "blocks/CircuitBlocks.h"
#include "dialogs/EditReal.h"
#include "document/Session.h"
#include "editor/Tuning.h"
#include "model/Design.h"

namespace pelmo {

namespace {

constexpr int FormWidth = 641;
constexpr int FormHeight = 254;  // every row, the intermediate variables too
constexpr int NameLength = 6;

// Rows and columns of the form, in pixels of its client area.
constexpr int NameX = 8, NameW = 70;
constexpr int ValueX = 86, ValueW = 150;
constexpr int DescX = 244, DescW = FormWidth - DescX - 8;
constexpr int UserRowY = 58, RowStep = 28;
constexpr int IntermediateRowY = 168;

QLabel* Caption(QWidget* parent, const QString& text, int x, int y, int w) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, w, 18);
    return l;
}

QLineEdit* Field(QWidget* parent, const QString& name, const QRect& r) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(r);
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
    setFixedSize(FormWidth, FormHeight);

    Caption(this, "Circuit Block Title", NameX, 10, 120);
    eTitle_ = Field(this, "eTitle", QRect(130, 8, FormWidth - 138, 22));
    connect(eTitle_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (loading_) return;
        Block().Title = text.toStdString();
        Edited();
    });

    Caption(this, "User Variables", NameX, UserRowY - 20, 100);
    Caption(this, "Values", ValueX + 30, UserRowY - 20, ValueW - 30);
    Caption(this, "Descriptions (user hints)", DescX, UserRowY - 20, DescW);
    Caption(this, "Intermediate Vars", NameX, IntermediateRowY - 20, 110);
    Caption(this, "Math Expressions using User Variables", ValueX + 40, IntermediateRowY - 20, 300);

    // Names: letters, digits and "_"; whether the first character is right
    // (and whether the name is taken) is told below the fields as it is typed.
    auto* nameChars = new QRegularExpressionValidator(QRegularExpression("[A-Za-z0-9_]*"), this);
    for (int slot = 0; slot < 5; ++slot) {
        const bool user = slot >= 2;
        const int y = user ? UserRowY + (slot - 2) * RowStep : IntermediateRowY + slot * RowStep;
        QLineEdit* name = Field(this, QString("meV%1").arg(slot), QRect(NameX, y, NameW, 22));
        name->setValidator(nameChars);
        name->setMaxLength(NameLength);
        name->installEventFilter(this);
        connect(name, &QLineEdit::textEdited, this, [this, slot] { NameEdited(slot); });
        meV_[static_cast<std::size_t>(slot)] = name;
        if (user) {
            auto* value = new TEditRealSpin(this);
            value->setObjectName(QString("ersV%1").arg(slot));
            value->setGeometry(ValueX, y, ValueW, 22);
            value->SetEngUnits(true);
            value->SetShowUnits(false);
            value->SetMinValue(-100000);
            value->SetMaxValue(100000);
            value->SetStepMode(smLog);
            connect(value, &TEditRealSpin::ValChange, this, [this, slot] { ValueChanged(slot); });
            connect(value, &TEditRealSpin::StepChange, this, [this, slot] { ValueChanged(slot); });
            ersV_[static_cast<std::size_t>(slot - 2)] = value;
            QLineEdit* desc = Field(this, QString("eDesc%1").arg(slot), QRect(DescX, y, DescW, 22));
            connect(desc, &QLineEdit::textEdited, this, [this, slot](const QString& text) {
                if (loading_) return;
                Block().VarDesc[static_cast<std::size_t>(slot)] = text.toStdString();
                Edited();
            });
            eDesc_[static_cast<std::size_t>(slot - 2)] = desc;
        } else {
            QLineEdit* exp = Field(this, QString("eExp%1").arg(slot), QRect(ValueX, y, FormWidth - ValueX - 8, 22));
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
    stCheck_->setGeometry(NameX, IntermediateRowY + 2 * RowStep + 4, FormWidth - 2 * NameX, 18);
    QPalette red = stCheck_->palette();
    red.setColor(QPalette::WindowText, QColor(176, 0, 0));
    stCheck_->setPalette(red);
}

TSubCkt& TBlockConfigurationForm::Block() { return session_.Design().SharedBlock; }

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
    TSubCkt& b = Block();
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
            const auto mode = static_cast<StepModeT>(b.VarStepMode[s]);
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
    TSubCkt& b = Block();
    const auto mode = static_cast<std::uint8_t>(value->StepMode());
    if (b.VarValue[s] == value->RealValue() && b.VarStepMode[s] == mode) return;
    b.VarValue[s] = value->RealValue();
    b.VarStepMode[s] = mode;
    Edited();
}

void TBlockConfigurationForm::CheckAll(const QLineEdit* focus) {
    const TSubCkt& b = Block();
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
