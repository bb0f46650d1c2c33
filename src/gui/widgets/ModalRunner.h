#pragma once

#include <QColor>
#include <QPoint>
#include <QString>
#include <functional>

class QAction;
class QDialog;
class QMenu;
class QWidget;

// Every modal dialog, pop-up menu, file chooser and colour chooser of the
// value controls, the element dialogs and the graph windows is shown through
// these functions, so that tests can answer them without an event loop of
// their own.

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

// The desktop's chooser of one existing file: its path, or "" when
// cancelled. The filter in Qt's form ("Name (*.ext)").
QString ChooseExistingFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter);
void SetFileChooser(std::function<QString(const QString& title, const QString& folder, const QString& filter)> chooser);
// The desktop's colour chooser: the chosen colour, or an invalid one when
// cancelled.
QColor ChooseColour(QWidget* parent, const QColor& initial);
void SetColourChooser(std::function<QColor(const QColor& initial)> chooser);

}  // namespace pelmo
