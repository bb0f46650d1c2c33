#pragma once

#include <QPoint>
#include <functional>

class QAction;
class QDialog;
class QMenu;

// Every modal dialog and pop-up menu of the value controls and the graph
// windows is shown through these two functions, so that tests can answer
// them without an event loop of their own.

namespace pelmo {

// Shows the dialog modally and returns its result code.
int ExecModal(QDialog& dialog);
// Shows the menu at a screen position and returns the chosen action (null
// when the menu was closed without a choice).
QAction* ExecMenu(QMenu& menu, QPoint globalPos);

// Replace the way dialogs and menus are shown (tests); an empty function
// restores the real one.
void SetModalRunner(std::function<int(QDialog&)> runner);
void SetMenuRunner(std::function<QAction*(QMenu&, QPoint)> runner);

}  // namespace pelmo
