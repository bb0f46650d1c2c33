#pragma once

#include <QString>
#include <functional>
#include <vector>

class QMenu;
class QObject;

// A submenu of exclusive choices, each a caption with a value: the chosen
// item carries the check mark, and choosing an item hands its value on.

namespace pelmo {

struct TRadioItem {
    QString Caption;
    double Value = 0;
    bool Checked = false;
};

// Adds the submenu `title` to `parent`; `choose` runs in `context` with the
// chosen item's value.
QMenu* AddRadioSubmenu(QMenu* parent, const QString& title, const std::vector<TRadioItem>& items,
                       const QObject* context, const std::function<void(double)>& choose);

}  // namespace pelmo
