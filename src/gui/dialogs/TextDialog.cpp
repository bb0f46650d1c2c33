#include "gui/dialogs/TextDialog.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include "gui/sheet/SheetPainter.h"
#include "gui/widgets/ModalRunner.h"
#include "gui/widgets/WindowFit.h"
#include "model/Elements.h"

namespace pelmo {

namespace {

int RgbValueOf(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

}  // namespace

TTextDialog::TTextDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("EditTextForm");
    setWindowTitle("Text Entry");

    auto* label = new QLabel("Text", this);
    textField_ = new QLineEdit(this);
    textField_->setObjectName("Edit1");
    textField_->setMaxLength(127);
    QFont f = textField_->font();
    f.setPixelSize(15);
    textField_->setFont(f);

    auto* sizeLabel = new QLabel("Font Size", this);
    seFontSize_ = new QSpinBox(this);
    seFontSize_->setObjectName("seFontSize");
    seFontSize_->setRange(6, 36);
    seFontSize_->setValue(8);

    auto* colourLabel = new QLabel("Color", this);
    colourSwatch_ = new QPushButton(this);
    colourSwatch_->setObjectName("Panel1");
    colourSwatch_->setToolTip("Choose the colour");
    colourSwatch_->setAutoDefault(false);

    btnOk_ = new QPushButton("ok", this);
    btnOk_->setObjectName("btnOk");
    btnOk_->setDefault(true);

    // The text's field under its caption, then the size and the colour,
    // "ok" under those two.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 3);
    grid->setHorizontalSpacing(7);
    grid->setVerticalSpacing(2);
    textField_->setMinimumSize(417, 26);
    seFontSize_->setMinimumSize(58, 26);
    colourSwatch_->setFixedSize(38, 25);
    btnOk_->setMinimumSize(106, 24);
    grid->addWidget(label, 0, 0);
    grid->addWidget(textField_, 1, 0);
    grid->addWidget(sizeLabel, 0, 1);
    grid->addWidget(seFontSize_, 1, 1);
    grid->addWidget(colourLabel, 0, 2);
    grid->addWidget(colourSwatch_, 1, 2, Qt::AlignLeft);
    grid->addWidget(btnOk_, 2, 1, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(0, 1);
    grid->setColumnMinimumWidth(2, 50);
    SetSizeAtLeast(*this, QSize(563, 85), true);

    connect(colourSwatch_, &QPushButton::clicked, this, &TTextDialog::ChooseColour);
    connect(btnOk_, &QPushButton::clicked, this, &QDialog::accept);
    connect(textField_, &QLineEdit::returnPressed, this, &QDialog::accept);
    ShowColour();
}

void TTextDialog::ShowColour() {
    colourSwatch_->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; border: 3px outset #c0c0c0; }").arg(colour_.name()));
    QPalette p = textField_->palette();
    p.setColor(QPalette::Text, colour_);
    textField_->setPalette(p);
}

void TTextDialog::ChooseColour() {
    const QColor chosen = pelmo::ChooseColour(this, colour_);
    if (chosen.isValid()) colour_ = chosen;
    ShowColour();
}

void TTextDialog::Edit(TSheetText& text) {
    colour_ = ColourFromRgbValue(text.Color);
    textField_->setText(QString::fromStdString(text.Text));
    seFontSize_->setValue(text.Size > 0 ? text.Size : 8);
    ShowColour();
    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    loaded_ = true;
    ExecModal(*this);
    loaded_ = false;
    // Every way of closing keeps what was typed.
    text.Text = textField_->text().toStdString();
    text.Size = seFontSize_->value();
    text.Color = RgbValueOf(colour_);
}

void TTextDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    textField_->setFocus(Qt::OtherFocusReason);
    textField_->selectAll();
}

void TTextDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        // Escape closes like "ok": the typing is kept.
        accept();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace pelmo
