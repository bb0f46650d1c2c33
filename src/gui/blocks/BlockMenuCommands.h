#pragma once

#include <QList>
#include <QObject>
#include <functional>
#include <string>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// The circuit block commands of the main window's menus: the File menu's
// "-- change mode" submenu ("Circuit Block Editor" / "Schematic Editor"),
// "Open Circuit Block" and "Save Circuit Block" (designer only), and the main
// menu's "CircuitBlocks" (schematic only), which reads a block file and
// hands the block to the editor to be placed with the mouse. The block
// configuration form belongs here too: it is shown exactly while the
// designer is on.

namespace pelmo {

class TBlockConfigurationForm;
class TEditorController;
class TSession;
class TSheetView;

class TBlockMenuCommands : public QObject {
    Q_OBJECT
public:
    TBlockMenuCommands(TSession& session, TSheetView& view, TEditorController& editor, QWidget* window);
    ~TBlockMenuCommands() override;

    // "-- change mode", "Open Circuit Block" and "Save Circuit Block" go into
    // the File menu before `before`; "CircuitBlocks" onto the menu bar.
    void AddMenuItems(QMenu* file, QAction* before, QMenuBar* bar);
    // The items only the schematic shows (New, Open, Save, ...): hidden, and
    // their shortcuts off, in the designer.
    void SetSchematicOnlyActions(QList<QAction*> actions);

    // The commands. Each is false when it did not happen (cancelled, or the
    // file could not be read or written).
    bool ChangeMode();
    bool OpenBlock();
    bool SaveBlock();
    bool AddBlockFromFile();

    bool Designing() const;
    TBlockConfigurationForm& Form() { return *form_; }
    QAction* ChangeModeAction() const { return changeMode_; }
    QAction* OpenBlockAction() const { return openBlock_; }
    QAction* SaveBlockAction() const { return saveBlock_; }
    QAction* CircuitBlocksAction() const { return circuitBlocks_; }
    // The folder block files are opened from at first: the data folder's "CircuitBlocks".
    std::string BlocksFolder() const;

    // The open dialog ("Load subcircuit macro") and the save dialog ("Save
    // subcircuit file"); they return the chosen path, "" when cancelled.
    // Tests replace them.
    std::function<std::string(const std::string& folder)> ChooseBlockToOpen;
    std::function<std::string(const std::string& folder, const std::string& name)> ChooseBlockToSave;

signals:
    // The mode changed, or the drawing was replaced or saved: the caption
    // and the undo actions follow.
    void DesignReplaced();

private:
    void ShowMode();
    void AfterDrawingReplaced();

    TSession& session_;
    TSheetView& view_;
    TEditorController& editor_;
    QWidget* window_;
    TBlockConfigurationForm* form_ = nullptr;
    QMenu* modeMenu_ = nullptr;
    QAction* changeMode_ = nullptr;
    QAction* openBlock_ = nullptr;
    QAction* saveBlock_ = nullptr;
    QAction* circuitBlocks_ = nullptr;
    QList<QAction*> schematicOnly_;
    bool formPlaced_ = false;
    std::string lastSaved_;  // where the block was last saved, the save dialog's start
};

}  // namespace pelmo
