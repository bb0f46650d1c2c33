#include "gui/graphs/DirectionalMenu.h"

#include <QMenu>
#include <functional>

#include "gui/graphs/Plot.h"
#include "gui/widgets/RadioMenu.h"

namespace pelmo {

namespace {

const QString Degree = QString::fromUtf8("\xC2\xB0");

struct TChoice {
    QString Caption;
    double Value;
};

// A submenu of exclusive choices; `choose` stores the value in the view.
void AddChoices(TPlotForm& form, QMenu* parent, const QString& title, const std::vector<TChoice>& choices,
                double current, const std::function<void(TDirectionalView&, double)>& choose) {
    std::vector<TRadioItem> items;
    for (const TChoice& c : choices) items.push_back({c.Caption, c.Value, c.Value == current});
    AddRadioSubmenu(parent, title, items, &form, [&form, choose](double value) {
        choose(form.Record().Directional, value);
        form.DirectionalViewChanged();
    });
}

void AddPlane(TPlotForm& form, QMenu* curves) {
    AddChoices(form, curves, "Plane", {{"Horizontal", 0}, {"Vertical", 1}},
               form.Record().Directional.Plane == TPlane::Horizontal ? 0 : 1,
               [](TDirectionalView& v, double x) { v.Plane = x == 0 ? TPlane::Horizontal : TPlane::Vertical; });
}

std::vector<TChoice> Degrees(std::initializer_list<double> values) {
    std::vector<TChoice> c;
    for (double v : values) c.push_back({QString::number(v) + Degree, v});
    return c;
}

}  // namespace

void AddDirectionalViewMenu(TPlotForm& form, QMenu* curves) {
    const TDirectionalView& v = form.Record().Directional;
    switch (form.Kind()) {
        case TGraphKind::OffAxis:
            AddPlane(form, curves);
            AddChoices(form, curves, "Angle step", Degrees({5, 10, 15, 30}), v.AngleStepDeg,
                       [](TDirectionalView& view, double x) { view.AngleStepDeg = x; });
            AddChoices(form, curves, "Angles up to", Degrees({60, 90, 180}), v.MaxAngleDeg,
                       [](TDirectionalView& view, double x) { view.MaxAngleDeg = x; });
            break;
        case TGraphKind::PolarMap: {
            AddPlane(form, curves);
            QAction* a = curves->addAction("Relative to on axis");
            a->setCheckable(true);
            a->setChecked(v.Normalised);
            QObject::connect(a, &QAction::toggled, &form, [&form](bool on) {
                form.Record().Directional.Normalised = on;
                form.DirectionalViewChanged();
            });
            break;
        }
        case TGraphKind::PowerAndDi:
            AddChoices(form, curves, "Sector step", Degrees({5, 10, 15, 30}), v.SectorStepDeg,
                       [](TDirectionalView& view, double x) { view.SectorStepDeg = x; });
            break;
        default:
            return;
    }
    // The curve items (the subject) follow.
    curves->addSeparator();
}

}  // namespace pelmo
