#pragma once

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;

// The circuit block configuration form ("Circuit Block Configuration Form"),
// shown while the block designer is on: the title of the block under design,
// its three user variables (name, value, description shown as the tuning
// hint) and its two intermediate variables with the expressions that compute
// them. Every edit goes straight into the block under design and marks the
// design modified; the member parts' own expressions are set in the
// component dialog.

namespace pelmo {

class TEditRealSpin;
class TSession;
struct TCircuitBlock;

class TBlockConfigurationForm : public QWidget {
    Q_OBJECT
public:
    TBlockConfigurationForm(TSession& session, QWidget* parent);

    // Fills every field from the block under design; writes nothing.
    void Load();

    QLineEdit* TitleField() const { return eTitle_; }
    // Slots 0 and 1 (intermediate variables) and 2, 3, 4 (user variables).
    QLineEdit* NameField(int slot) const;
    TEditRealSpin* ValueField(int slot) const;    // slots 2, 3, 4
    QLineEdit* DescriptionField(int slot) const;  // slots 2, 3, 4
    QLineEdit* ExpressionField(int slot) const;   // slots 0, 1
    // What is wrong with a name or an intermediate expression, or empty.
    QLabel* CheckText() const { return stCheck_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TCircuitBlock& Block();
    void Edited();
    void NameEdited(int slot);
    void ValueChanged(int slot);
    // Names and intermediate expressions checked as the evaluation will;
    // `focus` is the field just edited, whose message comes first.
    void CheckAll(const QLineEdit* focus);

    TSession& session_;
    bool loading_ = false;
    QLineEdit* eTitle_ = nullptr;
    std::array<QLineEdit*, 5> meV_{};       // by slot 0..4
    std::array<TEditRealSpin*, 3> ersV_{};  // slots 2..4
    std::array<QLineEdit*, 3> eDesc_{};     // slots 2..4
    std::array<QLineEdit*, 2> eExp_{};      // slots 0, 1
    QLabel* stCheck_ = nullptr;
};

}  // namespace pelmo
