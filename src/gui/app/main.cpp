#include <QApplication>
#include <QLocale>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "PelmoVersion.h"
#include "app/CommandLine.h"
#include "app/Schem.h"
#include "document/DataFolder.h"
#include "document/Settings.h"

int main(int argc, char** argv) {
    // Everything that needs no window is done before Qt looks for a display.
    const pelmo::TCommandLine line = pelmo::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.Action) {
        case pelmo::TCommandLine::TAction::Help:
            std::fputs(pelmo::UsageText().c_str(), stdout);
            return 0;
        case pelmo::TCommandLine::TAction::Version:
            std::printf("pelmo %s\n", PELMO_VERSION);
            return 0;
        case pelmo::TCommandLine::TAction::UsageError:
            std::fprintf(stderr, "pelmo: %s\nTry 'pelmo --help'.\n", line.Error.c_str());
            return 2;
        case pelmo::TCommandLine::TAction::Run:
            break;
    }
    if (!pelmo::DisplayAvailable(line, [](const char* name) { return std::getenv(name); })) {
        std::fputs(pelmo::NoDisplayText, stderr);
        return 1;
    }

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
    if (!line.DesignPath.empty()) window.SetStartupDesign(line.DesignPath);
    window.show();
    return app.exec();
}
