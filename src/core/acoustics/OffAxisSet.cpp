#include "acoustics/OffAxisSet.h"

#include <algorithm>
#include <filesystem>

#include "base/MessageSink.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "driverdata/DriverLoad.h"
#include "driverdata/MeasurementFile.h"

namespace pelmo {

namespace {

bool HasFrdExtension(const std::string& upperName) {
    return upperName.size() > 4 && upperName.compare(upperName.size() - 4, 4, ".FRD") == 0;
}

}  // namespace

TOffAxisListing ListOffAxisFiles(const std::string& frdPath) {
    TOffAxisListing listing;
    const std::string folder = ExtractFilePath(frdPath);
    const std::string mainName = ExtractFileName(frdPath);
    if (mainName.empty()) return listing;
    const std::string mainUpper = UpperCase(mainName);

    std::string atStem = mainName;
    if (const auto dot = atStem.rfind('.'); dot != std::string::npos && dot > 0) atStem.resize(dot);
    atStem = UpperCase(atStem.substr(0, atStem.find('@')) + "@");

    const TOffAxisName main = ParseOffAxisName(mainName);
    const bool otherConvention = main.Recognised() && main.Convention != TOffAxisConvention::At && main.AngleDeg == 0.0;
    const std::string otherStem = UpperCase(main.Stem);

    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder.empty() ? std::string(".") : folder, ec);
    if (ec) return listing;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::error_code fileError;
        if (!it->is_regular_file(fileError)) continue;
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());

    for (const std::string& name : names) {
        const std::string upper = UpperCase(name);
        if (upper == mainUpper || !HasFrdExtension(upper)) continue;
        const TOffAxisName parsed = ParseOffAxisName(name);
        bool member = false;
        if (upper.rfind(atStem, 0) == 0) {
            if (parsed.status == TOffAxisName::Status::Unreadable) {
                listing.Unreadable.push_back(name);
                continue;
            }
            member = parsed.Recognised() && parsed.Convention == TOffAxisConvention::At;
        }
        if (!member && otherConvention)
            member = parsed.Recognised() && parsed.Convention == main.Convention && UpperCase(parsed.Stem) == otherStem;
        if (member && parsed.AngleDeg != 0.0) listing.Files.push_back({folder + name, parsed});
    }
    return listing;
}

std::vector<TMeasuredAngle> LoadOffAxisSet(const std::string& frdPath, const DataArray& grid, MessageSink& messages) {
    const TOffAxisListing listing = ListOffAxisFiles(frdPath);
    if (!listing.Unreadable.empty()) {
        std::string text = ExtractFileName(frdPath) + ": off-axis files ignored, their angle cannot be read: ";
        for (std::size_t i = 0; i < listing.Unreadable.size(); ++i) text += (i ? ", " : "") + listing.Unreadable[i];
        messages.ShowMessage(text);
    }
    std::vector<TMeasuredAngle> set;
    for (const TOffAxisFile& file : listing.Files) {
        DataArray freq, level, phase;
        TMeasuredAngle m;
        m.Plane = file.Name.Plane;
        m.AngleDeg = file.Name.AngleDeg;
        if (!ReadMeasurementFile(file.Path, freq, level, phase, messages)) {
            messages.ShowMessage(FileLoadErrorPrefix + file.Path);
            continue;
        }
        if (!FitResponseOnGrid(std::move(freq), std::move(level), std::move(phase), grid, m.Response.Re, m.Response.Im,
                               messages)) {
            messages.ShowMessage(FileLoadErrorPrefix + file.Path);
            continue;
        }
        set.push_back(std::move(m));
    }
    return set;
}

}  // namespace pelmo
