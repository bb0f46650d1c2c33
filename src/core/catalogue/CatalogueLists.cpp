#include "catalogue/CatalogueLists.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "base/Text.h"
#include "base/TextFile.h"

namespace pelmo {

namespace {

// More response files than any archive may hold (see the unpacking limits):
// a count beyond it is a damaged line, not a reason to reserve memory.
constexpr int MaxResponseNames = 100000;

// A local date field: a date that does not parse reads as 0.
TCatalogueDate LocalDate(TFieldReader& r) {
    const std::string f = r.Field();
    TCatalogueDate d = 0;
    return ParseCatalogueDate(f, d) ? d : 0;
}

std::string Join(const std::vector<std::string>& fields, bool trailingComma) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        line += fields[i];
    }
    if (trailingComma) line += ',';
    return line;
}

// The list date of a first line; nullopt when it is not a date.
std::optional<TCatalogueDate> ListDate(const std::vector<std::string>& lines) {
    if (lines.empty()) return std::nullopt;
    TFieldReader r(lines[0]);
    TCatalogueDate d = 0;
    if (!ParseCatalogueDate(r.Field(), d)) return std::nullopt;
    return d;
}

}  // namespace

TPassives& TCatalogue::Passives(TPassiveKind kind) {
    return kind == TPassiveKind::Capacitor ? Capacitors : kind == TPassiveKind::Inductor ? Inductors : Resistors;
}

const TPassives& TCatalogue::Passives(TPassiveKind kind) const {
    return kind == TPassiveKind::Capacitor ? Capacitors : kind == TPassiveKind::Inductor ? Inductors : Resistors;
}

const char* PassiveListFileName(TPassiveKind kind) {
    return kind == TPassiveKind::Capacitor ? "C.pmd" : kind == TPassiveKind::Inductor ? "L.pmd" : "R.pmd";
}

const char* PassiveTypeCodes(TPassiveKind kind) {
    return kind == TPassiveKind::Capacitor ? "MFN" : kind == TPassiveKind::Inductor ? "ASF" : "SNA";
}

std::string PassiveLine(const TPassive& p) {
    return Join({EncodeTextField(p.PartNumber), FormatCatalogueDate(p.Date), FormatListNumber(p.Value, 3),
                 FormatListNumber(p.Rating, 3), p.Tolerance <= 0.1 ? "" : FormatListNumber(p.Tolerance, 3),
                 FormatListNumber(p.ESR, 3), p.AWG <= 1 ? "" : FormatListNumber(p.AWG, 0), EncodeTextField(p.Vendor),
                 EncodeTextField(p.Model), EncodeTextField(p.Description), EncodeTextField(p.Manufacturer),
                 EncodeTextField(p.Picture), EncodeTextField(p.TypeCode), EncodeTextField(p.WebLink),
                 p.Cost <= 0.01 ? "" : FormatListNumber(p.Cost, 2)},
                true);
}

std::optional<TPassive> ParsePassiveLine(const std::string& line) {
    TFieldReader r(line);
    TPassive p;
    p.PartNumber = r.Text();
    p.Date = LocalDate(r);
    p.Value = r.Number();
    p.Rating = r.Number();
    p.Tolerance = r.Number();
    p.ESR = r.Number();
    p.AWG = r.Number();
    p.Vendor = r.Text();
    p.Model = r.Text();
    p.Description = r.Text();
    p.Manufacturer = r.Text();
    p.Picture = r.Text();
    p.TypeCode = r.Text();
    p.WebLink = r.Text();
    p.Cost = r.Number();
    if (!r.Ok() || p.PartNumber.empty() || p.Vendor.empty()) return std::nullopt;
    return p;
}

std::string DriverLine(const TCatalogueDriver& d) {
    std::vector<std::string> f = {EncodeTextField(d.PartNumber),
                                  FormatCatalogueDate(d.Date),
                                  EncodeTextField(d.TypeLetters),
                                  EncodeTextField(d.UseLetters),
                                  EncodeTextField(d.Vendor),
                                  EncodeTextField(d.Model),
                                  EncodeTextField(d.Description),
                                  EncodeTextField(d.Manufacturer),
                                  FormatListNumber(d.MaxPower, 3),
                                  FormatListNumber(d.Sensitivity, 1),
                                  FormatListNumber(d.FLow, 1),
                                  FormatListNumber(d.FHigh, 1),
                                  FormatListNumber(d.NominalDia, 3),
                                  FormatListNumber(d.EffectiveDia, 3),
                                  FormatListNumber(d.RectWidth, 3),
                                  FormatListNumber(d.RectHeight, 3),
                                  FormatListNumber(d.NominalImpedance, 3),
                                  EncodeTextField(d.Picture),
                                  EncodeTextField(d.WebLink),
                                  EncodeTextField(d.ResponseFile),
                                  std::to_string(d.ResponseNames.size())};
    for (const std::string& name : d.ResponseNames) f.push_back(EncodeTextField(name));
    f.push_back(EncodeTextField(d.ImpedanceFile));
    f.push_back(EncodeTextField(d.ParameterFile));
    f.push_back(FormatListNumber(d.Cost, 2));
    return Join(f, false);
}

std::optional<TCatalogueDriver> ParseDriverLine(const std::string& line) {
    TFieldReader r(line);
    TCatalogueDriver d;
    d.PartNumber = r.Text();
    d.Date = LocalDate(r);
    d.TypeLetters = r.Text();
    d.UseLetters = r.Text();
    d.Vendor = r.Text();
    d.Model = r.Text();
    d.Description = r.Text();
    d.Manufacturer = r.Text();
    d.MaxPower = r.Number();
    d.Sensitivity = r.Number();
    d.FLow = r.Number();
    d.FHigh = r.Number();
    d.NominalDia = r.Number();
    d.EffectiveDia = r.Number();
    d.RectWidth = r.Number();
    d.RectHeight = r.Number();
    d.NominalImpedance = r.Number();
    d.Picture = r.Text();
    d.WebLink = r.Text();
    d.ResponseFile = r.Text();
    const double count = r.Number();
    if (!r.Ok() || count < 0 || count > MaxResponseNames || count != std::floor(count)) return std::nullopt;
    d.ResponseCount = static_cast<int>(count);
    for (int i = 0; i < d.ResponseCount && r.Ok(); ++i) d.ResponseNames.push_back(r.Text());
    d.ImpedanceFile = r.Text();
    d.ParameterFile = r.Text();
    d.Cost = r.Number();
    if (!r.Ok() || d.PartNumber.empty() || d.Vendor.empty()) return std::nullopt;
    return d;
}

std::string VendorLine(const TVendorInfo& v) {
    std::vector<std::string> f = {EncodeTextField(v.Name), EncodeTextField(v.Text2), EncodeTextField(v.Text3),
                                  v.Active ? "Y" : "N"};
    for (TCatalogueDate d : v.Dates) f.push_back(FormatCatalogueDate(d));
    return Join(f, false);
}

std::optional<TVendorInfo> ParseVendorLine(const std::string& line) {
    TFieldReader r(line);
    TVendorInfo v;
    v.Name = r.Text();
    v.Text2 = r.Text();
    v.Text3 = r.Text();
    v.Active = TrimBlanks(r.Text()) == "Y";
    for (TCatalogueDate& d : v.Dates) d = LocalDate(r);
    if (!r.Ok() || v.Name.empty()) return std::nullopt;
    return v;
}

namespace {

// A stable sort by one number that moves each entry once: the entries are
// large, and a list is often in order already.
template <class Item, class Key>
void StableSortBy(std::vector<Item>& items, Key key) {
    const auto less = [&](const Item& a, const Item& b) { return key(a) < key(b); };
    if (std::is_sorted(items.begin(), items.end(), less)) return;
    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return less(items[a], items[b]); });
    std::vector<Item> sorted;
    sorted.reserve(items.size());
    for (std::size_t i : order) sorted.push_back(std::move(items[i]));
    items.swap(sorted);
}

}  // namespace

void SortPassives(TPassives& list) {
    StableSortBy(list.Items, [](const TPassive& p) { return p.Value; });
}

void SortDrivers(TCatalogueDrivers& list) {
    StableSortBy(list.Items, [](const TCatalogueDriver& d) { return d.NominalDia; });
}

namespace {

// Reads a list file: its date and the entries of the lines that parse.
template <class Item, class Parse>
TCatalogueDate ReadEntries(const std::string& path, Parse parse, std::vector<Item>& items, TListReadReport* report) {
    items.clear();
    const auto lines = ReadTextLines(path);
    if (!lines) return 0;
    const auto date = ListDate(*lines);
    if (!date) return 0;
    for (std::size_t i = 1; i < lines->size(); ++i) {
        if (report && report->Stop && i % 4096 == 0 && (report->Stopped || report->Stop())) {
            report->Stopped = true;
            break;
        }
        const std::string& line = (*lines)[i];
        if (TrimBlanks(line).empty()) continue;
        if (auto item = parse(line))
            items.push_back(std::move(*item));
        else if (report)
            ++report->BadLines;
    }
    return *date;
}

}  // namespace

TPassives ReadPassiveList(const std::string& path, TPassiveKind kind, TListReadReport* report) {
    TPassives list;
    list.Kind = kind;
    list.Date = ReadEntries(path, ParsePassiveLine, list.Items, report);
    SortPassives(list);
    return list;
}

TCatalogueDrivers ReadDriverList(const std::string& path, TListReadReport* report) {
    TCatalogueDrivers list;
    list.Date = ReadEntries(path, ParseDriverLine, list.Items, report);
    SortDrivers(list);
    return list;
}

TVendors ReadVendorList(const std::string& path, TListReadReport* report) {
    TVendors list;
    list.Date = ReadEntries(path, ParseVendorLine, list.Items, report);
    return list;
}

TCatalogue ReadCatalogue(const std::string& partsFolder, TListReadReport* report) {
    TCatalogue c;
    for (TPassiveKind kind : {TPassiveKind::Capacitor, TPassiveKind::Inductor, TPassiveKind::Resistor})
        c.Passives(kind) = ReadPassiveList(partsFolder + PassiveListFileName(kind), kind, report);
    c.Drivers = ReadDriverList(partsFolder + DriverListFileName, report);
    c.Vendors = ReadVendorList(partsFolder + VendorListFileName, report);
    return c;
}

std::vector<std::string> PassiveListLines(const TPassives& list) {
    std::vector<std::string> lines = {FormatCatalogueDate(list.Date)};
    for (const TPassive& p : list.Items) lines.push_back(PassiveLine(p));
    return lines;
}

std::vector<std::string> DriverListLines(const TCatalogueDrivers& list) {
    std::vector<std::string> lines = {FormatCatalogueDate(list.Date)};
    for (const TCatalogueDriver& d : list.Items) lines.push_back(DriverLine(d));
    return lines;
}

std::vector<std::string> VendorListLines(const TVendors& list) {
    std::vector<std::string> lines = {FormatCatalogueDate(list.Date) + ","};
    for (const TVendorInfo& v : list.Items) lines.push_back(VendorLine(v));
    return lines;
}

bool WriteCatalogue(const std::string& partsFolder, const TCatalogue& c) {
    bool ok = true;
    for (TPassiveKind kind : {TPassiveKind::Capacitor, TPassiveKind::Inductor, TPassiveKind::Resistor})
        ok &= WriteTextLines(partsFolder + PassiveListFileName(kind), PassiveListLines(c.Passives(kind)));
    ok &= WriteTextLines(partsFolder + DriverListFileName, DriverListLines(c.Drivers));
    ok &= WriteTextLines(partsFolder + VendorListFileName, VendorListLines(c.Vendors));
    return ok;
}

std::string DriverResponsePath(const std::string& partsFolder, const TCatalogueDriver& drv) {
    if (drv.ResponseFile.empty()) return "";
    if (drv.ResponseNames.empty()) return partsFolder + drv.ResponseFile;
    const std::string folder = partsFolder + drv.ResponseFile + "/";
    for (const std::string& name : drv.ResponseNames) {
        const std::string lower = UpperCase(name);
        if (lower.size() >= 6 && lower.compare(lower.size() - 6, 6, "@0.FRD") == 0) return folder + name;
    }
    return folder + drv.ResponseNames.front();
}

}  // namespace pelmo
