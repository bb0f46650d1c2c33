#include "gui/app/ToolBar.h"

#include <QApplication>
#include <QButtonGroup>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/sheet/SheetPainter.h"
#include "gui/widgets/QtTextMetrics.h"
#include "model/Elements.h"

namespace pelmo {

namespace {

// A 40 x 40 picture of a tool, drawn with the sheet's own symbols.
QIcon ToolIcon(TElementKind kind, const TextMetrics& metrics) {
    // With the screen's device pixels, sharp on high-DPI screens.
    const qreal ratio = qApp->devicePixelRatio();
    QPixmap pm(QSize(40, 40) * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    TSheetPainter sp(p, 6, metrics);
    const QColor black = SheetColour::Black;
    switch (kind) {
        case TElementKind::Resistor:
        case TElementKind::Capacitor:
        case TElementKind::Inductor:
            sp.DrawPartSymbol({20, 22}, black, PartTypeOf(kind), true);
            break;
        case TElementKind::Driver:
            sp.DrawDriverSymbol({13, 20}, black);
            break;
        case TElementKind::Ground:
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

    auto make = [&](const char* name, const QString& caption, TElementKind kind, bool visible) {
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
        if (kind != TElementKind::None && kind != TElementKind::Wire && kind != TElementKind::Source)
            b->setIcon(ToolIcon(kind, metrics));
        b->setVisible(visible);
        group_->addButton(b);
        layout->addWidget(b);
        return b;
    };
    buttons_[static_cast<std::size_t>(TElementKind::Resistor)] =
        make("btnResistor", "resistor", TElementKind::Resistor, true);
    buttons_[static_cast<std::size_t>(TElementKind::Inductor)] =
        make("btnInductor", "inductor", TElementKind::Inductor, true);
    buttons_[static_cast<std::size_t>(TElementKind::Capacitor)] =
        make("btnCapacitor", "capacitor", TElementKind::Capacitor, true);
    buttons_[static_cast<std::size_t>(TElementKind::Driver)] = make("btnDriver", "driver", TElementKind::Driver, true);
    buttons_[static_cast<std::size_t>(TElementKind::Ground)] = make("btnGround", "ground", TElementKind::Ground, true);
    buttons_[static_cast<std::size_t>(TElementKind::Text)] = make("btnText", "Text", TElementKind::Text, true);
    btnSelect_ = make("btnSelect", "  select  ", TElementKind::None, false);
    buttons_[static_cast<std::size_t>(TElementKind::Wire)] = make("btnWire", "wire", TElementKind::Wire, false);
    buttons_[static_cast<std::size_t>(TElementKind::Source)] = make("btnSource", "source", TElementKind::Source, false);
    layout->addStretch(1);
    btnSelect_->setChecked(true);

    for (TElementKind kind : {TElementKind::Resistor, TElementKind::Inductor, TElementKind::Capacitor,
                              TElementKind::Driver, TElementKind::Ground})
        connect(Button(kind), &QToolButton::pressed, this, [this, kind] { emit ToolChosen(kind); });
    connect(buttons_[static_cast<std::size_t>(TElementKind::Text)], &QToolButton::clicked, this,
            [this] { emit ToolChosen(TElementKind::Text); });
    connect(buttons_[static_cast<std::size_t>(TElementKind::Wire)], &QToolButton::clicked, this,
            [this] { emit ToolChosen(TElementKind::Wire); });
    connect(btnSelect_, &QToolButton::clicked, this, [this] { emit SelectChosen(); });
}

QToolButton* TToolBar::Button(TElementKind kind) const {
    const int i = ToInt(kind);
    if (i >= 0 && i < static_cast<int>(buttons_.size())) return buttons_[static_cast<std::size_t>(i)];
    return btnSelect_;
}

void TToolBar::ShowArmed(TElementKind kind) {
    if (QToolButton* b = Button(kind)) b->setChecked(true);
}

}  // namespace pelmo
