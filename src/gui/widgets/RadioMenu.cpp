#include "gui/widgets/RadioMenu.h"

#include <QActionGroup>
#include <QMenu>

namespace pelmo {

QMenu* AddRadioSubmenu(QMenu* parent, const QString& title, const std::vector<TRadioItem>& items,
                       const QObject* context, const std::function<void(double)>& choose) {
    QMenu* m = parent->addMenu(title);
    auto* group = new QActionGroup(m);
    group->setExclusive(true);
    for (const TRadioItem& item : items) {
        QAction* a = m->addAction(item.Caption);
        a->setCheckable(true);
        a->setChecked(item.Checked);
        group->addAction(a);
        const double value = item.Value;
        QObject::connect(a, &QAction::triggered, context, [choose, value, a] {
            a->setChecked(true);
            choose(value);
        });
    }
    return m;
}

}  // namespace pelmo
