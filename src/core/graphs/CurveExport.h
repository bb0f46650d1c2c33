#pragma once

#include <optional>
#include <string>
#include <vector>

// A shown curve written as an FRD or ZMA file: a five-line header whose
// lines start with a double quote (comments to the measurement reader), then
// one line per point with frequency, magnitude and, when the curve has phase
// points, phase, separated by tabs.

namespace pelmo {

struct TSeriesDef;

inline constexpr const char* ExportNeedsSystemCurve = "cannot export unless System curve is displayed";
inline constexpr const char* ExportNeedsSelectedCurve = "cannot export unless selected curve is displayed";

// Fewer points than this are not worth a file.
inline constexpr std::size_t MinExportPoints = 100;

struct TExportDialogText {
    const char* Title;
    const char* Filter;  // as the dialog shows it
    const char* DefaultExtension;
};
TExportDialogText ExportDialogText(bool impedance);

std::vector<std::string> ExportHeader(bool impedance, bool withPhase);

// Header and data lines, or nullopt when the curve has fewer than 100
// points or its phase curve has points but not as many as the magnitude.
std::optional<std::vector<std::string>> ExportLines(const TSeriesDef& curve, bool impedance);

// Writes the lines as a Windows-1252 text file with CR LF line ends.
bool WriteExportFile(const std::string& path, const std::vector<std::string>& lines);

}  // namespace pelmo
