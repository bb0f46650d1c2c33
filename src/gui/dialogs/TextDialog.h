#pragma once

#include <QColor>
#include <QDialog>

class QLineEdit;
class QPushButton;
class QSpinBox;

// The text dialog ("Text Entry"): the words, font size and colour of a text
// on the sheet. Modal; however it is closed (ok, Enter, Escape, the title
// bar), the text takes what the dialog shows, so typing is never lost.

namespace pelmo {

struct TSheetText;

class TTextDialog : public QDialog {
    Q_OBJECT
public:
    explicit TTextDialog(QWidget* parent);

    // Shows the text's words, size and colour, runs the dialog modally and
    // writes them back into the text.
    void Edit(TSheetText& text);
    // Whether the dialog is showing a text now.
    bool Loaded() const { return loaded_; }

    QLineEdit* TextField() const { return textField_; }
    QSpinBox* SizeField() const { return seFontSize_; }
    QPushButton* ColourSwatch() const { return colourSwatch_; }
    QPushButton* OkButton() const { return btnOk_; }
    QColor WorkingColour() const { return colour_; }
    void ChooseColour();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowColour();

    bool loaded_ = false;
    QColor colour_{0, 0, 128};
    QLineEdit* textField_ = nullptr;
    QSpinBox* seFontSize_ = nullptr;
    QPushButton* colourSwatch_ = nullptr;
    QPushButton* btnOk_ = nullptr;
};

}  // namespace pelmo
