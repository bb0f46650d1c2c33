#include "dialogs/ModalRunner.h"

#include <QDialog>
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

}  // namespace pelmo
