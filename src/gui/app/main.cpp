#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QLocale>
#include <QTimer>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "PelmoVersion.h"
#include "document/DataFolder.h"
#include "document/Settings.h"
#include "gui/app/CommandLine.h"
#include "gui/app/HeadlessExport.h"
#include "gui/app/MainWindow.h"
#include "gui/app/SingleInstance.h"

namespace {

// Another program running on this data folder gets the design with its own
// working folder, so the path goes absolute.
std::string AbsolutePath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    const std::filesystem::path abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.lexically_normal().string();
}

// With PELMO_STARTUP_PROBE set (bench/startup.sh): once the main window has
// painted for the first time and the events that follow are handled, prints
// the milliseconds since the program started and its resident memory, then
// quits.
class TStartupProbe : public QObject {
public:
    explicit TStartupProbe(std::chrono::steady_clock::time_point start) : start_(start) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
            QTimer::singleShot(0, [ms] {
                long rssKb = 0;
                if (FILE* f = std::fopen("/proc/self/status", "r")) {
                    char line[256];
                    while (std::fgets(line, sizeof line, f))
                        if (std::sscanf(line, "VmRSS: %ld", &rssKb) == 1) break;
                    std::fclose(f);
                }
                std::printf("first paint %.1f ms, resident %.1f MB\n", ms, rssKb / 1024.0);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::chrono::steady_clock::time_point start_;
    bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
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
        case pelmo::TCommandLine::TAction::ExportSheet:
        case pelmo::TCommandLine::TAction::ExportGraph:
            break;
    }
    // Pictures are drawn off screen, with or without a display.
    if (pelmo::IsExport(line)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        pelmo::QuietQtMessages();
    }
    if (!pelmo::DisplayAvailable(line, [](const char* name) { return std::getenv(name); })) {
        std::fputs(pelmo::NoDisplayText, stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelmo");
    QApplication::setApplicationVersion(PELMO_VERSION);
    // Wayland compositors find the icon and name through the desktop entry.
    QGuiApplication::setDesktopFileName("pelmo");
    QApplication::setWindowIcon(QIcon(":/icons/pelmo.svg"));
    // Numbers are always written and read with "." whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");
    if (pelmo::IsExport(line)) return pelmo::RunHeadlessExport(line);

    // A program update is waiting and the user chose not to restart: this
    // start only clears the mark.
    const std::string folder = pelmo::DataFolderPath();
    if (pelmo::ReadSettings(folder).NoAppRestart) {
        pelmo::WriteNoAppRestart(folder, false);
        return 0;
    }

    // A Pelmo already running on this data folder opens the design itself.
    const std::string design = AbsolutePath(line.DesignPath);
    pelmo::TSingleInstance instance(pelmo::TSingleInstance::ServerNameFor(folder));
    if (instance.Start(design) == pelmo::TSingleInstance::TRole::Forwarded) return 0;

    pelmo::TMainWindow window;
    QObject::connect(&instance, &pelmo::TSingleInstance::OpenRequested, &window,
                     [&window](const QByteArray& path) { window.OpenFromOutside(path.toStdString()); });
    if (!design.empty()) window.SetStartupDesign(design);
    TStartupProbe probe(started);
    if (std::getenv("PELMO_STARTUP_PROBE")) window.installEventFilter(&probe);
    window.SetOfferRecoveryAtStart(true);
    window.show();
    return app.exec();
}
