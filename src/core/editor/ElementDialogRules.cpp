#include "editor/ElementDialogRules.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "base/Conversions.h"
#include "base/Paths.h"

namespace pelmo {

TColourCode DesignatorColour(int refDes) {
    switch (refDes % 10) {
        case 0:
            return {0, 0, 0};
        case 1:
            return {128, 0, 0};
        case 2:
            return {255, 0, 0};
        case 3:
            return {255, 128, 0};
        case 4:
            return {255, 255, 0};
        case 5:
            return {0, 128, 0};
        case 6:
            return {0, 0, 255};
        case 7:
            return {234, 0, 234};
        case 8:
            return {128, 128, 128};
        default:
            return {255, 255, 255};  // 9, and a negative designator
    }
}

double DriverLevelDb(const TDriver& drv) {
    // The figure the design file was read with, while the gain still is the
    // one it stands for.
    if (DbToLin(drv.GainDbAsGiven) == drv.Gain) return drv.GainDbAsGiven;
    return LinToDb(drv.Gain);
}

bool ApplyDriverLevelDb(TDriver& drv, double db) {
    const double gain = DbToLin(db);
    if (gain == drv.Gain && drv.GainDbAsGiven == db) return false;
    drv.Gain = gain;
    drv.GainDbAsGiven = db;
    return true;
}

bool ApplyDriverDelayInches(TDriver& drv, double inches) {
    // Showing a delay and reading it back need not give the same double:
    // only a figure other than the one shown is a change.
    if (inches == DelayInInches(drv.DelaySeconds)) return false;
    drv.DelaySeconds = DelayInSeconds(inches);
    return true;
}

bool ApplyDelay(double& seconds, double value, TDelayUnit unit) {
    if (value == DelayInUnit(seconds, unit)) return false;
    seconds = DelaySecondsFrom(value, unit);
    return true;
}

const char* DelayUnitName(TDelayUnit unit) {
    switch (unit) {
        case TDelayUnit::Microseconds:
            return "\u00b5s";
        case TDelayUnit::Millimetres:
            return "mm";
        default:
            return "in";
    }
}

double DelayLimitInUnit(TDelayUnit unit) {
    return unit == TDelayUnit::Inches ? 39.0 : DelayInUnit(DelayInSeconds(39.0), unit);
}

TSourceLevel SourceLevelOf(const TSource& src) {
    if (src.Power >= 0) return {src.Power, src.Ohms};
    return {src.Vrms * src.Vrms / 8.0, 8.0};
}

double SourceVrms(const TSourceLevel& level) { return std::sqrt(level.Ohms * level.Watts); }

bool ApplySourceLevel(TSource& src, const TSourceLevel& level) {
    const double vrms = SourceVrms(level);
    const double ohms = std::round(level.Ohms);
    if (src.Vrms == vrms && src.Power == level.Watts && src.Ohms == ohms) return false;
    src.Vrms = vrms;
    src.Power = level.Watts;
    src.Ohms = ohms;
    return true;
}

namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::string CompanionImpedanceFile(const std::string& responsePath) {
    const std::string folder = ExtractFilePath(responsePath);
    const std::string name = Upper(ExtractFileName(responsePath));
    if (name.empty()) return "";
    const std::size_t dot = name.find(".FRD");
    const std::string wanted = (dot == std::string::npos ? name : name.substr(0, dot)) + ".ZMA";
    std::error_code ec;
    const std::filesystem::path dir(folder.empty() ? std::string(".") : folder);
    std::filesystem::directory_iterator it(dir, ec);
    if (ec) return "";
    // The exact name first, so that of woofer.zma and WOOFER.ZMA side by side
    // the one spelt like the response file is taken.
    std::string found;
    const std::string exact =
        (dot == std::string::npos ? ExtractFileName(responsePath) : ExtractFileName(responsePath).substr(0, dot)) +
        ".zma";
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const std::string entry = it->path().filename().string();
        if (Upper(entry) != wanted) continue;
        std::error_code fileError;
        if (!it->is_regular_file(fileError)) continue;
        if (found.empty() || entry == exact) found = entry;
    }
    return found.empty() ? "" : folder + found;
}

std::string AnyCasePattern(const std::string& extension) {
    std::string pattern = "*.";
    for (const char c : extension) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalpha(u)) {
            pattern += '[';
            pattern += static_cast<char>(std::tolower(u));
            pattern += static_cast<char>(std::toupper(u));
            pattern += ']';
        } else {
            pattern += c;
        }
    }
    return pattern;
}

bool Overlap(const TScreenRect& a, const TScreenRect& b) {
    return a.X < b.Right() && b.X < a.Right() && a.Y < b.Bottom() && b.Y < a.Bottom();
}

TScreenRect PlaceElementDialog(const std::optional<TScreenRect>& current, int width, int height,
                               const TScreenRect& mainWindow, const TScreenRect& element, const TScreenRect& screen) {
    const auto onScreen = [&](const TScreenRect& r) {
        return r.X >= screen.X && r.Y >= screen.Y && r.Right() <= screen.Right() && r.Bottom() <= screen.Bottom();
    };
    const auto fits = [&](const TScreenRect& r) { return onScreen(r) && !Overlap(r, element); };
    if (current) {
        const TScreenRect here{current->X, current->Y, width, height};
        if (fits(here)) return here;
    }
    const TScreenRect& m = mainWindow;
    // Inside the main window: the corner across from the element first, then
    // the two beside it.
    const bool elementLeft = element.X + element.W / 2 < m.X + m.W / 2;
    const bool elementHigh = element.Y + element.H / 2 < m.Y + m.H / 2;
    const int farX = elementLeft ? m.Right() - width : m.X, nearX = elementLeft ? m.X : m.Right() - width;
    const int farY = elementHigh ? m.Bottom() - height : m.Y, nearY = elementHigh ? m.Y : m.Bottom() - height;
    const TScreenRect candidates[] = {
        {m.Right(), m.Y, width, height},     // right of the main window
        {m.X, m.Bottom(), width, height},    // below it
        {m.X - width, m.Y, width, height},   // left of it
        {m.X, m.Y - height, width, height},  // above it
        {farX, farY, width, height},
        {farX, nearY, width, height},
        {nearX, farY, width, height},
        // A small screen: its corners.
        {screen.Right() - width, screen.Y, width, height},
        {screen.Right() - width, screen.Bottom() - height, width, height},
        {screen.X, screen.Bottom() - height, width, height},
        {screen.X, screen.Y, width, height},
    };
    for (const TScreenRect& c : candidates)
        if (fits(c)) return c;
    // Nowhere clear of the element: on the screen at least, beside the window.
    TScreenRect r = candidates[0];
    r.X = std::clamp(r.X, screen.X, std::max(screen.X, screen.Right() - width));
    r.Y = std::clamp(r.Y, screen.Y, std::max(screen.Y, screen.Bottom() - height));
    return r;
}

}  // namespace pelmo
