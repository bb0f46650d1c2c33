#include "app/ToolBar.h"

#include <QApplication>
#include <QButtonGroup>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/QtTextMetrics.h"
#include "model/Elements.h"
#include "sheet/SheetPainter.h"

namespace pelmo {

namespace {

// A 40 x 40 picture of a tool, drawn with the sheet's own symbols.
QIcon ToolIcon(int kind, const TextMetrics& metrics) {
    // With the screen's device pixels, sharp on high-DPI screens.
    const qreal ratio = qApp->devicePixelRatio();
    QPixmap pm(QSize(40, 40) * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    TSheetPainter sp(p, 6, metrics);
    const QColor black = SheetColour::Black;
    switch (kind) {
        case ekResistor:
        case ekCapacitor:
        case ekInductor:
            sp.DrawPartSymbol({20, 22}, black, kind, true);
            break;
        case ekDriver:
            sp.DrawDriverSymbol({13, 20}, black);
            break;
        case ekGround:
            sp.DrawGroundSymbol({20, 8}, black);
            break;
        default: {
            QFont f = SheetFont(22);
            f.setBold(true);
            p.setFont(f);
            p.setPen(SheetColour::Navy);
            p.drawText(QRect(0, 0, 40, 40), Qt::AlignCenter, QStringLiteral("Abc"));
            break;
        }
    }
    return QIcon(pm);
}

}  // namespace

TToolBar::TToolBar(const TextMetrics& metrics, QWidget* parent) : QWidget(parent) {
    setObjectName("ToolBar1");
    setFixedWidth(52);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    group_ = new QButtonGroup(this);
    group_->setExclusive(true);

    auto make = [&](const char* name, const QString& caption, int kind, bool visible) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(caption);
        b->setCheckable(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setIconSize(QSize(40, 40));
        b->setFixedSize(51, 60);
        // The narrow buttons need a small caption font, or Qt elides "capacitor".
        QFont captionFont = b->font();
        captionFont.setPixelSize(10);
        b->setFont(captionFont);
        if (kind >= 0 && kind != ekWire && kind != ekSource) b->setIcon(ToolIcon(kind, metrics));
        b->setVisible(visible);
        group_->addButton(b);
        layout->addWidget(b);
        return b;
    };
    buttons_[ekResistor] = make("btnResistor", "resistor", ekResistor, true);
    buttons_[ekInductor] = make("btnInductor", "inductor", ekInductor, true);
    buttons_[ekCapacitor] = make("btnCapacitor", "capacitor", ekCapacitor, true);
    buttons_[ekDriver] = make("btnDriver", "driver", ekDriver, true);
    buttons_[ekGround] = make("btnGround", "ground", ekGround, true);
    buttons_[ekText] = make("btnText", "Text", ekText, true);
    btnSelect_ = make("btnSelect", "  select  ", -1, false);
    buttons_[ekWire] = make("btnWire", "wire", ekWire, false);
    buttons_[ekSource] = make("btnSource", "source", ekSource, false);
    layout->addStretch(1);
    btnSelect_->setChecked(true);

    for (int kind : {ekResistor, ekInductor, ekCapacitor, ekDriver, ekGround})
        connect(buttons_[kind], &QToolButton::pressed, this, [this, kind] { emit ToolChosen(kind); });
    connect(buttons_[ekText], &QToolButton::clicked, this, [this] { emit ToolChosen(ekText); });
    connect(buttons_[ekWire], &QToolButton::clicked, this, [this] { emit ToolChosen(ekWire); });
    connect(btnSelect_, &QToolButton::clicked, this, [this] { emit SelectChosen(); });
}

QToolButton* TToolBar::Button(int kind) const {
    if (kind >= 0 && kind < static_cast<int>(buttons_.size())) return buttons_[kind];
    return btnSelect_;
}

void TToolBar::ShowArmed(int kind) {
    if (QToolButton* b = Button(kind)) b->setChecked(true);
}

void TToolBar::ShowIdle() { btnSelect_->setChecked(true); }

}  // namespace pelmo
