#pragma once

#include <functional>
#include <string>
#include <vector>

// The GUI program's own command line, read before any window exists so that
// --help and --version work without a display. Qt's options (-platform,
// -style, ...) are recognised and left for QApplication.

namespace pelmo {

struct TCommandLine {
    enum class TAction {
        Run,          // show the main window (with DesignPath opened when given)
        Help,         // print UsageText() and end
        Version,      // print the version and end
        UsageError,   // print Error and a hint to stderr and end with status 2
        ExportSheet,  // write the sheet's picture to ExportPath, without a window
        ExportGraph,  // write a graph of GraphKind to ExportPath, without a window
    };
    TAction Action = TAction::Run;
    std::string DesignPath;
    // --export-sheet OUT, --export-graph KIND OUT, --size SIZE.
    std::string ExportPath;
    std::string GraphKind;  // spl, impedance, ... as pelmo-cli curve names them
    // The sheet: "large", "shown" or "forum"; a graph: "large", "small" or
    // "shown". "shown" when not given.
    std::string ExportSize = "shown";
    std::string Error;
    // A Qt platform or X display was chosen on the command line.
    bool PlatformGiven = false;
};

// Reads the arguments after the program name.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();

// Where the window would go: a display named in the environment (DISPLAY,
// WAYLAND_DISPLAY), a platform chosen with QT_QPA_PLATFORM or on the command
// line. Without any, QApplication would abort.
bool DisplayAvailable(const TCommandLine& line, const std::function<const char*(const char*)>& getEnv);

// An export of pictures runs on Qt's offscreen platform, display or not.
inline bool IsExport(const TCommandLine& line) {
    return line.Action == TCommandLine::TAction::ExportSheet || line.Action == TCommandLine::TAction::ExportGraph;
}

// The one line printed when there is no display.
inline constexpr const char* NoDisplayText =
    "pelmo: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
    "pelmo-cli works without one\n";

}  // namespace pelmo
