#pragma once

#include <QWidget>
#include <array>

#include "model/Elements.h"

class QButtonGroup;
class QToolButton;

namespace pelmo {

class TextMetrics;

// The tool bar at the left of the main window: one button per element kind
// that can be placed (the source and wire buttons are hidden), and a hidden
// "select" button that is down while no tool is armed.
class TToolBar : public QWidget {
    Q_OBJECT
public:
    TToolBar(const TextMetrics& metrics, QWidget* parent);

    // The button of an element kind; the select button for any other kind.
    QToolButton* Button(TElementKind kind) const;
    QToolButton* SelectButton() const { return btnSelect_; }
    // Shows the kind's button down (the select button for TElementKind::None).
    void ShowArmed(TElementKind kind);

signals:
    // A tool was chosen: the resistor, inductor, capacitor, driver and ground
    // tools act as soon as they are pressed, the text and wire tools on a click.
    void ToolChosen(TElementKind kind);
    // The select button was clicked.
    void SelectChosen();

private:
    QButtonGroup* group_ = nullptr;
    std::array<QToolButton*, 8> buttons_{};  // by element kind 0..7 (source and wire hidden)
    QToolButton* btnSelect_ = nullptr;
};

}  // namespace pelmo
