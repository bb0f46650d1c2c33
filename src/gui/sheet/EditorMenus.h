#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

#include "editor/SheetEdit.h"

class QAction;
class QMenu;
class QWidget;

namespace pelmo {

class TEditorController;
class TSheetView;
struct TEditorState;

// The sheet's pop-up menus: the element menu, the sheet menu and the box
// menu. They belong to the main window; their items run the editor's
// commands after the menu has closed.
class TEditorMenus {
public:
    TEditorMenus(TEditorController& editor, TEditorState& state, TSheetView& view, QWidget* window);

    // Chooses an item of a pop-up menu instead of showing it (tests).
    std::function<QAction*(QMenu*)> MenuChooser;
    // The texts the last pop-up menu offered (visible items, in order), for tests.
    QStringList LastMenuItems() const { return lastMenuItems_; }
    QString LastMenuDefaultItem() const { return lastMenuDefault_; }

    // The menu of the current element, asked for at a sheet position.
    void PartMenuPopup(QPoint pos);
    // The menu of the sheet where no element is.
    void SpaceMenuPopup(QPoint pos);
    // The menu of a box selection; dismissing it drops the selection.
    void BoxMenuPopup(QPoint pos);

private:
    void Build();
    QAction* Exec(QMenu* menu, QPoint globalPos);

    TEditorController& editor_;
    TEditorState& state_;
    TSheetView& view_;
    QWidget* window_;
    QMenu* partMenu_ = nullptr;
    QMenu* spaceMenu_ = nullptr;
    QMenu* boxMenu_ = nullptr;
    // Which items of the element menu an element kind offers.
    std::vector<std::pair<QAction*, std::function<bool(TElementKind kind)>>> partItemRules_;
    // The element menu's "Tune" comes twice: first or last, whichever lands under the pointer.
    QAction* tuneFirst_ = nullptr;
    QAction* tuneLast_ = nullptr;
    QStringList lastMenuItems_;
    QString lastMenuDefault_;
};

}  // namespace pelmo
