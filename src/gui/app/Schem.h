#pragma once

#include <QMainWindow>
#include <memory>

#include "model/Design.h"

namespace pelmo {

// The main window: owns the design for the whole run.
class TSchem : public QMainWindow {
    Q_OBJECT
public:
    explicit TSchem(QWidget* parent = nullptr);
    ~TSchem() override;

    TDesign& Design() { return *design_; }

    // Sets the window caption from the current file name.
    void UpdateCaption();

private:
    std::unique_ptr<TDesign> design_;
};

}  // namespace pelmo
