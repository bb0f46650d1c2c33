#pragma once

#include <array>

#include "gui/dialogs/ElementDialog.h"

class QLabel;

// The block variables dialog ("Tune Circuit Block"): a placed circuit
// block's title and a spinner for each of its user variables that has a
// description (the description beside it). Every change stores the
// variables into the block, which is evaluated again by the solve.

namespace pelmo {

class TEditRealSpin;

class TBlockVariablesDialog : public TElementDialog {
    Q_OBJECT
public:
    TBlockVariablesDialog(TTuningHost& host, QWidget* parent);

    // Fills the dialog from the block; closes it again when the block has no
    // variable to tune. False then.
    bool LoadBlock(int index);
    int BlockIndex() const { return loaded_ ? index_ : -1; }
    // The first visible spinner takes the keyboard focus.
    void FocusField();

    TEditRealSpin* Spinner(int slot) const;  // slot 2, 3 or 4
    QLabel* Title() const { return title_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ValuesChanged();

    int index_ = -1;
    bool loading_ = false;
    QLabel* title_ = nullptr;
    std::array<TEditRealSpin*, 3> spinners_{};
    std::array<QLabel*, 3> descriptions_{};
};

}  // namespace pelmo
