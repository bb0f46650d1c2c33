#include <QApplication>
#include <QLocale>

#include "PelmoVersion.h"
#include "app/Schem.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelmo");
    QApplication::setApplicationVersion(PELMO_VERSION);
    // Numbers are always written and read with "." whatever the user's locale.
    QLocale::setDefault(QLocale::c());

    pelmo::TSchem window;
    window.show();
    return app.exec();
}
