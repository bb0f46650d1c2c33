#include <QApplication>
#include <QLocale>
#include <clocale>

#include "PelmoVersion.h"
#include "app/Schem.h"
#include "document/DataFolder.h"
#include "document/Settings.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelmo");
    QApplication::setApplicationVersion(PELMO_VERSION);
    // Numbers are always written and read with "." whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");

    // A program update is waiting and the user chose not to restart: this
    // start only clears the mark.
    const std::string folder = pelmo::DataFolderPath();
    if (pelmo::ReadSettings(folder).NoAppRestart) {
        pelmo::WriteNoAppRestart(folder, false);
        return 0;
    }

    pelmo::TSchem window;
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) window.SetStartupDesign(args.at(1).toStdString());
    window.show();
    return app.exec();
}
