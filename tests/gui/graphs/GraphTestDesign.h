#pragma once

// Small designs for the graph window tests, built in code: every abstract
// node sits on its own grid point, and element terminals are put straight
// onto those points.

#include <QAction>
#include <QMenu>
#include <string>
#include <vector>

#include "base/MessageSink.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

namespace pelmo::test {

inline TPoint At(int node) { return {4 + 5 * node, 3 + 2 * node}; }

// Source on node 1, ground on node 0; per driver a resistor from node 1 to
// the driver's own node and the driver from there to ground.
struct DriversDesign {
    TDesign d;
    explicit DriversDesign(int drivers) {
        EnsureAnalysisGrid(d);
        AppendGround(d).Position = At(0);
        d.Source.Terminal1 = At(1);
        d.Source.Terminal2 = At(0);
        for (int i = 0; i < drivers; ++i) {
            const int node = 2 + i;
            TPart& r = AppendPart(d);
            r.PartType = TPartType::Resistor;
            r.RefDes = NextPartRefDes(d, TPartType::Resistor);
            r.Value = 2.0 + i;
            r.State = TPartState::Normal;
            r.Terminal1 = At(1);
            r.Terminal2 = At(node);
            const int refDes = NextDriverRefDes(d);
            TDriver& drv = AppendDriver(d);
            SetNewDriverDefaults(d, drv);
            drv.RefDes = refDes;
            drv.Terminal1 = At(node);
            drv.Terminal2 = At(0);
        }
    }
};

class RecordingSink : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { Messages.push_back(text); }
    Answer Ask(const std::string&, bool) override { return Answer::No; }
    std::vector<std::string> Messages;
};

// The visible item of a menu with this caption, or null.
inline QAction* FindItem(QMenu* menu, const QString& caption) {
    if (!menu) return nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == caption && a->isVisible()) return a;
    return nullptr;
}

// Visible captions of a menu, separators as "-".
inline QStringList Captions(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        if (a->isVisible()) out << (a->isSeparator() ? QString("-") : a->text());
    return out;
}

}  // namespace pelmo::test
