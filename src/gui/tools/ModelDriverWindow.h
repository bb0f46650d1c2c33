#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "acoustics/ModelledDriver.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QCustomPlot;
class QCPGraph;
class QCPTextElement;

namespace pelmo {

class TSession;
class TEditRealSpin;

// The "Model a driver" window: a driver planned from its small-signal
// parameters (typed, or read from a parameter file), its box, the baffle it
// sits on and the power it gets, with preview charts of its response (with
// the baffle's diffraction), impedance and excursion that follow every
// change of a field. "Apply to" writes the model's files and gives them to a
// driver of the design as one undo step. The window's settings live in the
// design's settings, so a design reopens with them.
class TModelDriverWindow : public QWidget {
    Q_OBJECT
public:
    explicit TModelDriverWindow(TSession& session, QWidget* parent = nullptr);

    // Solves the design and redraws the graphs (the main window's solve).
    std::function<void()> SolveDesign;
    // Replaces the file dialog of "Load parameters…" (tests): "" cancels.
    std::function<QString(const QString& folder)> ChooseParameterFile;

    const TModelSetup& Setup() const { return setup_; }
    const TModelPreview& Preview() const { return previewer_.Preview(); }
    std::size_t BaffleSolves() const { return previewer_.BaffleSolves(); }
    // The field of a setup value by its settings key's tail ("vb", "re"); null
    // for none.
    TEditRealSpin* Field(const QString& key) const;
    QString StatusText() const;
    // The three charts: response, impedance, excursion.
    QCustomPlot* Chart(int i) const { return charts_[i]; }

    // Puts a setup into the fields and previews it.
    void SetSetup(const TModelSetup& s);
    // Reads a parameter file into the driver's fields; false (the fields
    // unchanged, the reason shown) when it cannot be read.
    bool LoadParameters(const QString& path);

public slots:
    void ShowAndRaise();
    // The design may have changed: its drivers are listed again, and a
    // design whose settings hold another setup (opened, undone) brings it.
    void DesignChanged();
    // Writes the files and gives them to the chosen driver; false when
    // nothing was changed.
    bool Apply();

signals:
    // A driver of the design took the model's data (one undo step).
    void Applied();

private:
    void BuildControls();
    QWidget* BuildDriverGroup();
    QWidget* BuildBoxGroup();
    QWidget* BuildBaffleGroup();
    QWidget* BuildApplyGroup();
    void BuildCharts(QWidget* host);
    TEditRealSpin* AddField(QFormLayout* form, const QString& caption, const char* key, const QString& units,
                            double TModelSetup::*member, double low, double high, double step, bool multiply);
    void DriverChosen(int index);
    void FieldChanged();
    void ReadFields();
    void ShowKinds();
    void Recompute();
    void Redraw();
    void KeepSettings();
    void ChooseParameters();
    QString ParameterFolder() const;
    std::string ModelFolder() const;
    void ShowStatus(const QString& text, bool problem = false);

    TSession& session_;
    TModelSetup setup_;
    TModelPreviewer previewer_;
    bool filling_ = false;
    std::string designName_;  // the file name of the design the fields belong to
    bool touched_ = false;    // the fields were changed for this design
    struct TBoundField {
        TEditRealSpin* Spin;
        double TModelSetup::*Member;
    };
    std::map<QString, TBoundField> fields_;
    QFormLayout* boxForm_ = nullptr;
    QFormLayout* baffleForm_ = nullptr;
    QComboBox* boxKind_ = nullptr;
    QComboBox* baffleKind_ = nullptr;
    QComboBox* driverChoice_ = nullptr;
    QLineEdit* fileName_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QPushButton* loadButton_ = nullptr;
    QLabel* derived_ = nullptr;
    QLabel* status_ = nullptr;
    QCustomPlot* charts_[3] = {};
    QCPGraph* curves_[6] = {};  // level, phase; ohms, phase; cone, vent
    QCPTextElement* excursionTitle_ = nullptr;
};

}  // namespace pelmo
