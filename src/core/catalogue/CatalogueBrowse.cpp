#include "catalogue/CatalogueBrowse.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "base/MessageSink.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "catalogue/CatalogueFields.h"
#include "catalogue/CatalogueUrls.h"
#include "driverdata/DriverLoad.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

std::string Num(double x, int decimals) { return FormatListNumber(x, decimals); }

// x with `digits` significant digits in plain notation: 20000 stays 20000,
// 1234.5 becomes 1235, 0.01234 becomes 0.01234.
std::string Significant(double x, int digits) {
    if (x == 0 || !std::isfinite(x)) return "0";
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(x))));
    const int decimals = std::max(0, digits - 1 - magnitude);
    const double step = std::pow(10.0, magnitude + 1 - digits);
    return Num(std::round(x / step) * step, std::min(decimals, 12));
}

std::string ValueUnit(TPassiveKind kind) {
    switch (kind) {
        case TPassiveKind::Capacitor:
            return "uF";
        case TPassiveKind::Inductor:
            return "mH";
        default:
            return "ohm";
    }
}

std::string RatingUnit(TPassiveKind kind) { return kind == TPassiveKind::Capacitor ? "V" : "W"; }

std::string Letters(const std::string& letters, const std::array<const char*, 4>& keys,
                    const std::array<const char*, 4>& words, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        if (letters.find(keys[i]) != std::string::npos) out += (out.empty() ? "" : "/") + std::string(words[i]);
    return out;
}

std::string DriverTypeWords(const std::string& letters) {
    return Letters(UpperCase(letters), DriverTypeLetters, {"sub", "woofer", "mid", "tweeter"}, 4);
}

std::string DriverUseWords(const std::string& letters) {
    return Letters(UpperCase(letters), {"H", "P", "", ""}, {"home", "pro", "", ""}, 2);
}

// A number for sorting, or NaN when the column holds text.
double PassiveNumber(const TPassive& p, TPassiveColumn c) {
    switch (c) {
        case TPassiveColumn::Value:
            return p.Value;
        case TPassiveColumn::Tolerance:
            return p.Tolerance;
        case TPassiveColumn::Rating:
            return p.Rating;
        case TPassiveColumn::ESR:
            return p.ESR;
        case TPassiveColumn::AWG:
            return p.AWG;
        case TPassiveColumn::Cost:
            return p.Cost;
        default:
            return NAN;
    }
}

double DriverNumber(const TCatalogueDriver& d, TDriverColumn c) {
    switch (c) {
        case TDriverColumn::Impedance:
            return d.NominalImpedance;
        case TDriverColumn::Sensitivity:
            return d.Sensitivity;
        case TDriverColumn::MaxPower:
            return d.MaxPower;
        case TDriverColumn::NominalDia:
            return d.NominalDia;
        case TDriverColumn::FLow:
            return d.FLow;
        case TDriverColumn::FHigh:
            return d.FHigh;
        case TDriverColumn::Cost:
            return d.Cost;
        default:
            return NAN;
    }
}

// Sorts the rows by a column: numbers by value, texts ignoring case; equal
// keys keep the catalogue's order, whichever the direction.
template <class Item, class NumberFn, class TextFn>
void SortRows(std::vector<std::size_t>& rows, const std::vector<Item>& items, TBrowseSort sort, NumberFn number,
              TextFn text) {
    if (sort.Column < 0) return;
    std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
        const double x = number(items[a]), y = number(items[b]);
        int order;
        if (!std::isnan(x) || !std::isnan(y)) {
            order = x < y ? -1 : y < x ? 1 : 0;
        } else {
            const std::string s = UpperCase(text(items[a])), t = UpperCase(text(items[b]));
            order = s.compare(t) < 0 ? -1 : s.compare(t) > 0 ? 1 : 0;
        }
        return sort.Descending ? order > 0 : order < 0;
    });
}

int RowOf(const std::vector<std::size_t>& rows, std::size_t entry) {
    const auto it = std::find(rows.begin(), rows.end(), entry);
    return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
}

}  // namespace

// ----------------------------------------------------------------- columns

std::vector<TPassiveColumn> PassiveColumns(TPassiveKind kind) {
    using C = TPassiveColumn;
    switch (kind) {
        case TPassiveKind::Capacitor:
            return {C::Value,  C::Tolerance,    C::Rating, C::ESR,         C::Type, C::PartNumber,
                    C::Vendor, C::Manufacturer, C::Model,  C::Description, C::Cost};
        case TPassiveKind::Inductor:
            return {C::Value,      C::Tolerance, C::Rating,       C::ESR,   C::Type,        C::AWG,
                    C::PartNumber, C::Vendor,    C::Manufacturer, C::Model, C::Description, C::Cost};
        default:
            return {C::Value,  C::Tolerance,    C::Rating, C::Type,        C::PartNumber,
                    C::Vendor, C::Manufacturer, C::Model,  C::Description, C::Cost};
    }
}

std::string PassiveColumnTitle(TPassiveKind kind, TPassiveColumn column) {
    switch (column) {
        case TPassiveColumn::Value:
            return "Value";
        case TPassiveColumn::Tolerance:
            return "Tol.";
        case TPassiveColumn::Rating:
            return kind == TPassiveKind::Capacitor ? "Volts" : "Watts";
        case TPassiveColumn::ESR:
            return "ESR";
        case TPassiveColumn::Type:
            return "Type";
        case TPassiveColumn::AWG:
            return "AWG";
        case TPassiveColumn::PartNumber:
            return "Part#";
        case TPassiveColumn::Vendor:
            return "Vendor";
        case TPassiveColumn::Manufacturer:
            return "Manuf.";
        case TPassiveColumn::Model:
            return "Model";
        case TPassiveColumn::Description:
            return "Descr.";
        case TPassiveColumn::Cost:
            return "Approx. Cost(USD approx)";
    }
    return "";
}

std::string PassiveTypeWord(TPassiveKind kind, const std::string& code) {
    switch (kind) {
        case TPassiveKind::Capacitor:
            return code == "M" ? "Metal Film" : code == "F" ? "Foil+Film" : "NP Elect.";
        case TPassiveKind::Inductor:
            return code == "A" ? "Air Core" : code == "F" ? "Foil" : "Solid Core";
        default:
            return code == "S" ? "Standard" : code == "N" ? "Non-ind." : "Audio grade";
    }
}

std::string CostText(double usd) {
    if (!(usd > 0) || !std::isfinite(usd)) return "";
    char text[64];
    std::snprintf(text, sizeof text, "$%.2f", usd);
    return text;
}

std::string PassiveCell(TPassiveKind kind, const TPassive& p, TPassiveColumn column) {
    switch (column) {
        case TPassiveColumn::Value:
            return Num(p.Value, 2) + ValueUnit(kind);
        case TPassiveColumn::Tolerance:
            return p.Tolerance == 0 ? "" : Num(p.Tolerance, 1) + "%";
        case TPassiveColumn::Rating:
            return p.Rating == 0 ? "" : Num(p.Rating, 2) + RatingUnit(kind);
        case TPassiveColumn::ESR:
            return p.ESR == 0 ? "" : Num(p.ESR, 3) + "ohm";
        case TPassiveColumn::Type:
            return PassiveTypeWord(kind, p.TypeCode);
        case TPassiveColumn::AWG:
            return p.AWG == 0 ? "" : Num(p.AWG, 1);
        case TPassiveColumn::PartNumber:
            return p.PartNumber;
        case TPassiveColumn::Vendor:
            return p.Vendor;
        case TPassiveColumn::Manufacturer:
            return p.Manufacturer;
        case TPassiveColumn::Model:
            return p.Model;
        case TPassiveColumn::Description:
            return p.Description;
        case TPassiveColumn::Cost:
            return CostText(p.Cost);
    }
    return "";
}

const std::vector<TDriverColumn>& DriverColumns() {
    using C = TDriverColumn;
    static const std::vector<TDriverColumn> columns{
        C::Type,       C::Use,  C::Manufacturer, C::Model,  C::Impedance,  C::Sensitivity, C::MaxPower,
        C::NominalDia, C::FLow, C::FHigh,        C::Vendor, C::PartNumber, C::Description, C::Cost};
    return columns;
}

std::string DriverColumnTitle(TDriverColumn column) {
    switch (column) {
        case TDriverColumn::Type:
            return "Type";
        case TDriverColumn::Use:
            return "Pro/Home";
        case TDriverColumn::Manufacturer:
            return "Manuf.";
        case TDriverColumn::Model:
            return "Model";
        case TDriverColumn::Impedance:
            return "Z";
        case TDriverColumn::Sensitivity:
            return "dBSPL@2.83V/m";
        case TDriverColumn::MaxPower:
            return "Pwr Max";
        case TDriverColumn::NominalDia:
            return "Nom Dia";
        case TDriverColumn::FLow:
            return "F(min)";
        case TDriverColumn::FHigh:
            return "F(max)";
        case TDriverColumn::Vendor:
            return "Vendor";
        case TDriverColumn::PartNumber:
            return "Part#";
        case TDriverColumn::Description:
            return "Descr.";
        case TDriverColumn::Cost:
            return "Approx. Cost(USD approx)";
    }
    return "";
}

std::string DriverCell(const TCatalogueDriver& d, TDriverColumn column) {
    switch (column) {
        case TDriverColumn::Type:
            return DriverTypeWords(d.TypeLetters);
        case TDriverColumn::Use:
            return DriverUseWords(d.UseLetters);
        case TDriverColumn::Manufacturer:
            return d.Manufacturer;
        case TDriverColumn::Model:
            return d.Model;
        case TDriverColumn::Impedance:
            return Num(d.NominalImpedance, 1) + "ohm";
        case TDriverColumn::Sensitivity:
            return Num(d.Sensitivity, 1);
        case TDriverColumn::MaxPower:
            return Num(d.MaxPower, 1);
        case TDriverColumn::NominalDia:
            return Num(d.NominalDia, 1);
        case TDriverColumn::FLow:
            return Significant(d.FLow, 4);
        case TDriverColumn::FHigh:
            return Significant(d.FHigh, 4);
        case TDriverColumn::Vendor:
            return d.Vendor;
        case TDriverColumn::PartNumber:
            return d.PartNumber;
        case TDriverColumn::Description:
            return d.Description;
        case TDriverColumn::Cost:
            return CostText(d.Cost);
    }
    return "";
}

// ----------------------------------------------------------------- filters

bool TextFilterMatches(const std::string& filter, const std::vector<const std::string*>& texts) {
    std::string all;
    for (const std::string* t : texts) all += UpperCase(*t) + "\n";
    const std::string words = UpperCase(filter);
    std::size_t i = 0;
    while (i < words.size()) {
        while (i < words.size() && (words[i] == ' ' || words[i] == '\t')) ++i;
        std::size_t j = i;
        while (j < words.size() && words[j] != ' ' && words[j] != '\t') ++j;
        if (j > i && all.find(words.substr(i, j - i)) == std::string::npos) return false;
        i = j;
    }
    return true;
}

std::array<std::string, 3> PassiveFilterCaptions(TPassiveKind kind) {
    switch (kind) {
        case TPassiveKind::Capacitor:
            return {"Metal Film", "Foil and film", "Np electro."};
        case TPassiveKind::Inductor:
            return {"Air core", "Solid core", "Foil"};
        default:
            return {"Standard", "Non-induct.", "Audio grade"};
    }
}

bool PassiveShown(TPassiveKind kind, const TPassive& p, const TPassiveFilter& filter) {
    const std::string codes = PassiveTypeCodes(kind);
    if (p.TypeCode.size() == 1) {
        const std::size_t box = codes.find(p.TypeCode[0]);
        if (box != std::string::npos && !filter.Types[box]) return false;
    }
    return TextFilterMatches(filter.Text, {&p.PartNumber, &p.Model, &p.Description});
}

int DriverSizeRange(double d) {
    if (d < 2) return 0;
    if (d <= 4) return 1;
    if (d <= 8) return 2;
    if (d <= 12) return 3;
    return 4;
}

bool DriverShown(const TCatalogueDriver& d, const TDriverFilter& filter) {
    const std::string types = UpperCase(d.TypeLetters), uses = UpperCase(d.UseLetters);
    bool type = false, use = false;
    for (std::size_t i = 0; i < DriverTypeLetters.size(); ++i)
        type = type || (filter.Types[i] && types.find(DriverTypeLetters[i]) != std::string::npos);
    for (std::size_t i = 0; i < DriverUseLetters.size(); ++i)
        use = use || (filter.Uses[i] && uses.find(DriverUseLetters[i]) != std::string::npos);
    if (!type || !use || !filter.Sizes[static_cast<std::size_t>(DriverSizeRange(d.NominalDia))]) return false;
    return TextFilterMatches(filter.Text, {&d.PartNumber, &d.Model, &d.Description});
}

// -------------------------------------------------------------------- rows

TBrowseRows PassiveRows(const TPassives& list, const TPassiveFilter& filter, double targetValue,
                        const std::string& targetPartNumber, TBrowseSort sort) {
    TBrowseRows out;
    const TPassiveKind kind = list.Kind;
    const double scale = kind == TPassiveKind::Capacitor ? 1e6 : kind == TPassiveKind::Inductor ? 1e3 : 1;
    const double target = targetValue * scale;
    // Rows counted from 1 here, in catalogue order; 0 is "none".
    int low = 0, high = 0, row = 0;
    bool matched = false;
    for (std::size_t i = 0; i < list.Items.size(); ++i) {
        const TPassive& p = list.Items[i];
        if (!PassiveShown(kind, p, filter)) continue;
        out.Entries.push_back(i);
        ++row;
        if (matched) continue;
        if (!targetPartNumber.empty() && SameTextIgnoringCase(p.PartNumber, targetPartNumber)) {
            low = high = row;
            matched = true;
            continue;
        }
        if (p.Value <= 0.99 * target) low = row;
        if (p.Value <= 1.01 * target) high = row;
    }
    long current = -1;  // an entry of the list
    if (low == high && low > 0) {
        current = static_cast<long>(out.Entries[static_cast<std::size_t>(low - 1)]);
        out.Select = true;
        out.Matched = matched;
    } else if (low < high) {
        const int middle = std::max(1, static_cast<int>(std::lround((low + high) / 2.0)));
        current = static_cast<long>(out.Entries[static_cast<std::size_t>(middle - 1)]);
    }
    const auto columns = PassiveColumns(kind);
    if (sort.Column >= 0 && sort.Column < static_cast<int>(columns.size())) {
        const TPassiveColumn c = columns[static_cast<std::size_t>(sort.Column)];
        SortRows(
            out.Entries, list.Items, sort, [c](const TPassive& p) { return PassiveNumber(p, c); },
            [c, kind](const TPassive& p) { return PassiveCell(kind, p, c); });
    }
    if (current >= 0) out.Current = RowOf(out.Entries, static_cast<std::size_t>(current));
    return out;
}

TBrowseRows DriverRows(const TCatalogueDrivers& list, const TDriverFilter& filter, const std::string& targetPartNumber,
                       TBrowseSort sort) {
    TBrowseRows out;
    long match = -1;
    for (std::size_t i = 0; i < list.Items.size(); ++i) {
        const TCatalogueDriver& d = list.Items[i];
        if (!DriverShown(d, filter)) continue;
        out.Entries.push_back(i);
        if (match < 0 && !targetPartNumber.empty() && SameTextIgnoringCase(d.PartNumber, targetPartNumber))
            match = static_cast<long>(i);
    }
    const auto& columns = DriverColumns();
    if (sort.Column >= 0 && sort.Column < static_cast<int>(columns.size())) {
        const TDriverColumn c = columns[static_cast<std::size_t>(sort.Column)];
        SortRows(
            out.Entries, list.Items, sort, [c](const TCatalogueDriver& d) { return DriverNumber(d, c); },
            [c](const TCatalogueDriver& d) { return DriverCell(d, c); });
    }
    if (match >= 0) {
        out.Current = RowOf(out.Entries, static_cast<std::size_t>(match));
        out.Select = out.Matched = true;
    }
    return out;
}

// --------------------------------------------------------- details, apply

TPassiveDetails PassiveDetailsOf(TPassiveKind kind, const TPassive& p) {
    TPassiveDetails d;
    d.VendorAndPartNumber = p.Vendor + "  " + p.PartNumber;
    d.Value = Num(p.Value, 2) + ValueUnit(kind);
    if (p.Tolerance > 0.01) d.Tolerance = Num(p.Tolerance, 1) + "%";
    if (p.Rating > 0.01) d.Rating = Num(std::round(p.Rating), 0) + (p.Rating < 0.26 ? "" : RatingUnit(kind));
    d.Description = p.Manufacturer.empty() ? p.Description : p.Manufacturer + " " + p.Description;
    return d;
}

TPassiveKind PassiveKindOf(TPartType type) {
    switch (type) {
        case TPartType::Capacitor:
            return TPassiveKind::Capacitor;
        case TPartType::Inductor:
            return TPassiveKind::Inductor;
        default:
            return TPassiveKind::Resistor;
    }
}

void ApplyPassive(TPart& part, const TPassive& p) {
    part.PartNumber = p.PartNumber;
    part.Vendor = p.Vendor;
    switch (part.PartType) {
        case TPartType::Capacitor:
            part.BoundValue = p.Value * 1e-6;
            break;
        case TPartType::Inductor:
            part.BoundValue = p.Value * 1e-3;
            break;
        default:
            part.BoundValue = p.Value;
            break;
    }
    part.BoundESR = p.ESR;
    part.BoundRating = p.Rating;
}

void ApplyCatalogueDriver(TDesign& d, TDriver& drv, const TCatalogueDriver& e, const std::string& partsFolder,
                          MessageSink& messages) {
    std::string folder = partsFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    drv.PartNumber = e.PartNumber;
    drv.Vendor = e.Vendor;
    drv.Rating = e.MaxPower;
    drv.Acoustic.DiameterInches = e.EffectiveDia;
    drv.NominalDia = e.NominalDia;
    drv.RectHeight = e.RectHeight;
    drv.RectWidth = e.RectWidth;
    drv.Description = e.Manufacturer.empty() ? e.Model : e.Manufacturer + " " + e.Model;
    drv.Acoustic.HilbertPhase = false;

    // The names come from the lists: only plain names inside the folder count.
    const bool safeResponse = !e.ResponseFile.empty() && SafeFileName(e.ResponseFile) == e.ResponseFile;
    std::string response = safeResponse ? DriverResponsePath(folder, e) : "";
    if (response.find("/../") != std::string::npos || response.find("/./") != std::string::npos) response.clear();
    drv.Acoustic.FRDFolder = response.empty() ? "" : ExtractFilePath(response);
    if (response.empty()) {
        SetDefaultResponse(drv);
        drv.Acoustic.FRDFile.clear();
        messages.ShowMessage("The catalogue driver " + e.Vendor + " #" + e.PartNumber +
                             " comes without a response file; it has the default response (flat 70 dB).");
    } else if (LoadDriverResponse(d, drv, response, messages)) {
        drv.Acoustic.FRDFile = response;
    } else {
        drv.Acoustic.FRDFolder.clear();  // LoadDriverResponse left the default response and said why
    }
    drv.Acoustic.HilbertPhase = false;

    const bool safeImpedance = !e.ImpedanceFile.empty() && SafeFileName(e.ImpedanceFile) == e.ImpedanceFile;
    if (!safeImpedance) {
        SetDefaultImpedance(drv);
        drv.ZMAFile.clear();
        messages.ShowMessage("The catalogue driver " + e.Vendor + " #" + e.PartNumber +
                             " comes without an impedance file; it has the default impedance (8 ohm).");
    } else if (LoadDriverImpedance(d, drv, folder + e.ImpedanceFile, messages)) {
        drv.ZMAFile = folder + e.ImpedanceFile;
    }
}

const TPassive* FindPassive(const TPassives& list, const std::string& partNumber, const std::string& vendor) {
    const TPassive* first = nullptr;
    if (partNumber.empty()) return nullptr;
    for (const TPassive& p : list.Items) {
        if (!SameTextIgnoringCase(p.PartNumber, partNumber)) continue;
        if (vendor.empty() || SameTextIgnoringCase(p.Vendor, vendor)) return &p;
        if (!first) first = &p;
    }
    return first;
}

const TCatalogueDriver* FindDriver(const TCatalogueDrivers& list, const std::string& partNumber,
                                   const std::string& vendor) {
    const TCatalogueDriver* first = nullptr;
    if (partNumber.empty()) return nullptr;
    for (const TCatalogueDriver& d : list.Items) {
        if (!SameTextIgnoringCase(d.PartNumber, partNumber)) continue;
        if (vendor.empty() || SameTextIgnoringCase(d.Vendor, vendor)) return &d;
        if (!first) first = &d;
    }
    return first;
}

std::string CataloguePicturePath(const std::string& partsFolder, const std::string& picture) {
    if (picture.empty() || SafeFileName(picture) != picture) return "";
    std::string folder = partsFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + picture;
}

}  // namespace pelmo
