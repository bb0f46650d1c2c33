#include "gui/widgets/ModalRunner.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>

namespace pelmo {

namespace {
std::function<int(QDialog&)>& ModalRunner() {
    static std::function<int(QDialog&)> runner;
    return runner;
}
std::function<QAction*(QMenu&, QPoint)>& MenuRunner() {
    static std::function<QAction*(QMenu&, QPoint)> runner;
    return runner;
}
using FileChooser = std::function<QString(const QString&, const QString&, const QString&)>;
FileChooser& TheFileChooser() {
    static FileChooser chooser;
    return chooser;
}
std::function<QColor(const QColor&)>& TheColourChooser() {
    static std::function<QColor(const QColor&)> chooser;
    return chooser;
}
}  // namespace

int ExecModal(QDialog& dialog) {
    if (ModalRunner()) return ModalRunner()(dialog);
    return dialog.exec();
}

QAction* ExecMenu(QMenu& menu, QPoint globalPos) {
    if (MenuRunner()) return MenuRunner()(menu, globalPos);
    return menu.exec(globalPos);
}

void SetModalRunner(std::function<int(QDialog&)> runner) { ModalRunner() = std::move(runner); }
void SetMenuRunner(std::function<QAction*(QMenu&, QPoint)> runner) { MenuRunner() = std::move(runner); }

QString ChooseExistingFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter) {
    if (TheFileChooser()) return TheFileChooser()(title, folder, filter);
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

void SetFileChooser(FileChooser chooser) { TheFileChooser() = std::move(chooser); }

QColor ChooseColour(QWidget* parent, const QColor& initial) {
    if (TheColourChooser()) return TheColourChooser()(initial);
    return QColorDialog::getColor(initial, parent);
}

void SetColourChooser(std::function<QColor(const QColor&)> chooser) { TheColourChooser() = std::move(chooser); }

}  // namespace pelmo
