// make_catalogue FOLDER
// Writes the generic parts catalogue that ships with the program into FOLDER
// (the source tree's catalogue/), laid out as a catalogue server serves it:
// PmParts/DeCoderRing.pmd names one vendor, GENERIC, whose dates file names
// its capacitor, inductor, resistor and driver files. Every part is made
// from physics and from the E12 series; no vendor's data are copied. The
// drivers are modelled from invented small-signal parameters, so their FRD
// and ZMA files are model curves, and one of them comes as a zip archive of
// off-axis responses. PmParts/PelmoVersion.txt names the program version the
// catalogue ships with, which the program's update check reads. The output
// is the same, byte for byte, on every run of one version.
#include <zip.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "PelmoVersion.h"
#include "base/Paths.h"
#include "base/TextFile.h"
#include "catalogue/CatalogueFields.h"
#include "driverdata/DriverModel.h"
#include "values/NumberFormat.h"

namespace pelmo::catalogue_tool {

namespace {

// The date of this edition of the catalogue. A later edition needs a later
// date: an update merges a vendor's file only when it is not older than the
// last merge of that category.
const TCatalogueDate Edition = CatalogueDateOf(2025, 6, 1);
const char* const Vendor = "GENERIC";
const char* const Manufacturer = "Generic";

const double E12[] = {1.0, 1.2, 1.5, 1.8, 2.2, 2.7, 3.3, 3.9, 4.7, 5.6, 6.8, 8.2};

// E12 values from low to high, both included.
std::vector<double> E12Range(double low, double high) {
    std::vector<double> out;
    for (double decade = low; decade < high * 1.001; decade *= 10)
        for (double m : E12) {
            const double v = std::round(m * decade * 1e6) / 1e6;
            if (v >= low * 0.999 && v <= high * 1.001) out.push_back(v);
        }
    return out;
}

// A value as a part-number code: 0.1 -> "0M10", 4.7 -> "4U7", 10 -> "10U".
std::string ValueCode(double v, char letter) {
    char buf[32];
    if (v < 1)
        std::snprintf(buf, sizeof buf, "0%c%02d", letter, static_cast<int>(std::lround(v * 100)));
    else if (v < 10)
        std::snprintf(buf, sizeof buf, "%d%c%d", static_cast<int>(v), letter,
                      static_cast<int>(std::lround(v * 10)) % 10);
    else
        std::snprintf(buf, sizeof buf, "%d%c", static_cast<int>(std::lround(v)), letter);
    return buf;
}

std::string Num(double x, int decimals) { return FormatListNumber(x, decimals); }

std::string Join(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + EncodeTextField(fields[i]);
    return line;
}

void Write(const std::string& path, const std::vector<std::string>& lines) {
    if (!CreateFolderWithParents(ExtractFilePath(path)) || !WriteTextLines(path, lines, false))
        throw std::runtime_error("cannot write " + path);
}

// ------------------------------------------------------------- capacitors

// The resistance a capacitor of no stated ESR gets from the catalogue's rule.
double CapacitorEsr(const std::string& type, double uF) {
    const double k = type == "N" ? 10.0 : type == "M" ? 0.3 : 0.1;
    return k * 1.59 / uF;
}

std::vector<std::string> Capacitors() {
    std::vector<std::string> lines = {FormatCatalogueDate(Edition)};
    for (double uF : E12Range(1, 100)) {
        const double volts = uF <= 4.7 ? 400 : uF <= 22 ? 250 : 160;
        lines.push_back(Join({"GCM-" + ValueCode(uF, 'U'), FormatCatalogueDate(Edition), "M", Num(uF, 3), "5",
                              Num(volts, 0), Num(CapacitorEsr("M", uF), 3), Manufacturer, "MKP " + Num(volts, 0) + " V",
                              "", "", "Metallized polypropylene film capacitor, axial", "", "", ""}) +
                        ",");
    }
    for (double uF : E12Range(1, 100)) {
        const double volts = uF <= 22 ? 100 : 63;
        lines.push_back(Join({"GCN-" + ValueCode(uF, 'U'), FormatCatalogueDate(Edition), "N", Num(uF, 3), "10",
                              Num(volts, 0), Num(CapacitorEsr("N", uF), 3), Manufacturer, "NPE " + Num(volts, 0) + " V",
                              "", "", "Non-polar electrolytic capacitor, bipolar", "", "", ""}) +
                        ",");
    }
    return lines;
}

// -------------------------------------------------------------- inductors

// Copper wire of an American Wire Gauge: bare diameter (m), and the
// diameter with grade-2 enamel.
double BareDiameter(int awg) { return 0.127e-3 * std::pow(92.0, (36.0 - awg) / 39.0); }
double EnamelledDiameter(int awg) { return BareDiameter(awg) * 1.07; }

struct Coil {
    double Turns = 0;
    double WireLength = 0;  // m
    double Resistance = 0;  // ohm at 20 C
    double Side = 0;        // winding cross-section side, m
};

// A coil of Brooks proportions: a square winding section of side c on a
// bobbin of radius c, so the mean radius is 1.5c and the length c. Wheeler's
// multilayer formula (inches, microhenries) L = 0.8 a^2 N^2 / (6a + 9b + 10c)
// becomes L = (1.8 / 28) c N^2; with the turns packed square, N = c^2 / d^2.
// A core of effective permeability mu multiplies the inductance.
Coil WindCoil(double mH, int awg, double mu) {
    const double d = EnamelledDiameter(awg) / 0.0254;  // inches
    const double microhenries = mH * 1000;
    const double k = 1.8 / 28 * mu;
    const double c = std::pow(microhenries * std::pow(d, 4) / k, 0.2);  // inches
    Coil coil;
    coil.Turns = c * c / (d * d);
    coil.WireLength = coil.Turns * 2 * std::numbers::pi * 1.5 * c * 0.0254;
    const double area = std::numbers::pi * std::pow(BareDiameter(awg), 2) / 4;
    coil.Resistance = 1.72e-8 * coil.WireLength / area;
    coil.Side = c * 0.0254;
    return coil;
}

// Power into 8 ohms at a wire current density of 3.5 A/mm2, to 5 W.
double CoilWatts(int awg, double limit) {
    const double amps = 3.5e6 * std::numbers::pi * std::pow(BareDiameter(awg), 2) / 4;
    return std::min(limit, std::floor(amps * amps * 8 / 5) * 5);
}

std::vector<std::string> Inductors() {
    std::vector<std::string> lines = {FormatCatalogueDate(Edition)};
    const struct {
        const char* code;
        const char* prefix;
        double mu;
        double wattLimit;
        const char* description;
    } series[] = {
        {"A", "GLA-", 1.0, 1000, "Air-core coil, Brooks winding, enamelled copper wire"},
        {"S", "GLS-", 6.0, 150, "Ferrite-core coil (drum core, effective permeability 6)"},
    };
    for (const auto& s : series)
        for (double mH : E12Range(0.1, 10)) {
            const int awg = s.code[0] == 'A' ? (mH <= 1 ? 15 : mH <= 3.3 ? 16 : 18) : (mH <= 1 ? 16 : 18);
            const Coil coil = WindCoil(mH, awg, s.mu);
            char model[64];
            std::snprintf(model, sizeof model, "%d AWG, %d turns, %.0f mm winding", awg,
                          static_cast<int>(std::lround(coil.Turns)), coil.Side * 1000);
            lines.push_back(
                Join({s.prefix + ValueCode(mH, 'M'), FormatCatalogueDate(Edition), s.code, Num(mH, 3),
                      s.code[0] == 'A' ? "3" : "5", std::to_string(awg), Num(CoilWatts(awg, s.wattLimit), 0),
                      Num(coil.Resistance, 3), Manufacturer, model, "", "", s.description, "", "", ""}) +
                ",");
        }
    return lines;
}

// -------------------------------------------------------------- resistors

std::vector<std::string> Resistors() {
    std::vector<std::string> lines = {FormatCatalogueDate(Edition)};
    const struct {
        int watts;
        const char* code;
        const char* description;
    } series[] = {
        {5, "S", "Wirewound resistor in a ceramic (cement) case"},
        {10, "S", "Wirewound resistor in a ceramic (cement) case"},
        {20, "N", "Non-inductive wirewound resistor in an aluminium case (on a heat sink)"},
    };
    for (const auto& s : series)
        for (double ohms : E12Range(1, 100))
            lines.push_back(Join({"GR" + std::to_string(s.watts) + "-" + ValueCode(ohms, 'R'),
                                  FormatCatalogueDate(Edition), s.code, Num(ohms, 3), "5", std::to_string(s.watts),
                                  Manufacturer, std::to_string(s.watts) + " W", "", "", s.description, "", "", ""}) +
                            ",");
    return lines;
}

// ---------------------------------------------------------------- drivers

struct CatalogueDriver {
    const char* PartNumber;
    const char* Model;
    const char* Type;  // S W M T
    const char* Use;   // H P
    double NominalOhms;
    double NominalInches;
    double FLow, FHigh, MaxWatts;
    const char* Description;
    TDriverModelParams P;
    std::vector<double> OffAxisDegrees;  // non-empty: the responses come as an archive
};

TDriverModelParams Params(double re, double leMh, double leExp, double fs, double qms, double qes, double vasLitres,
                          double sdCm2, std::vector<TConeResonance> cone) {
    TDriverModelParams p;
    p.Re = re;
    p.Le = leMh * 1e-3;
    p.LeExponent = leExp;
    p.Fs = fs;
    p.Qms = qms;
    p.Qes = qes;
    p.Vas = vasLitres * 1e-3;
    p.Sd = sdCm2 * 1e-4;
    p.Resonances = std::move(cone);
    return p;
}

// Invented parameter sets of plausible drivers; none describes a real one.
std::vector<CatalogueDriver> Drivers() {
    return {
        {"GT-19",
         "GT-19 dome",
         "T",
         "H",
         4,
         0.75,
         2500,
         20000,
         40,
         "0.75 in soft-dome tweeter, ferrofluid damped (modelled)",
         Params(3.4, 0.03, 1, 1100, 1.5, 1.5, 0.003, 4.0, {{28000, 3}}),
         {}},
        {"GT-25",
         "GT-25 dome",
         "T",
         "H",
         6,
         1,
         1800,
         20000,
         50,
         "1 in soft-dome tweeter (modelled)",
         Params(4.7, 0.05, 1, 800, 1.8, 1.3, 0.01, 7, {{26000, 3}}),
         {}},
        {"GM-100",
         "GM-100",
         "M",
         "H",
         8,
         4,
         250,
         8000,
         60,
         "4 in paper-cone midrange (modelled)",
         Params(6.0, 0.25, 0.75, 80, 2.6, 0.55, 2.8, 53, {{7500, 2.2}}),
         {}},
        {"GW-165",
         "GW-165",
         "WM",
         "H",
         8,
         6.5,
         40,
         3000,
         80,
         "6.5 in paper-cone woofer (modelled)",
         Params(5.6, 0.55, 0.72, 38, 3.4, 0.42, 24, 133, {{5200, 2.5}}),
         {}},
        {"GW-200",
         "GW-200",
         "W",
         "H",
         8,
         8,
         32,
         2000,
         100,
         "8 in woofer, responses on axis and 15 to 60 degrees off axis (modelled)",
         Params(5.8, 0.9, 0.7, 30, 4.0, 0.38, 55, 220, {{3200, 2}}),
         {0, 15, 30, 45, 60}},
        {"GW-250P",
         "GW-250P",
         "W",
         "P",
         8,
         10,
         45,
         2000,
         300,
         "10 in pro woofer, light cone, strong motor (modelled)",
         Params(5.4, 1.2, 0.7, 42, 6.0, 0.30, 60, 330, {{2500, 2}}),
         {}},
        {"GS-300",
         "GS-300",
         "S",
         "HP",
         4,
         12,
         22,
         500,
         250,
         "12 in subwoofer, long throw (modelled)",
         Params(3.3, 1.8, 0.7, 24, 5.0, 0.45, 110, 480, {{1500, 1.5}}),
         {}},
    };
}

// The far-field pressure of a rigid piston in an infinite baffle, relative
// to its on-axis pressure: 2 J1(x) / x with x = k a sin(angle).
double PistonDirectivity(double freq, double sd, double degrees) {
    const double a = std::sqrt(sd / std::numbers::pi);
    const double x = 2 * std::numbers::pi * freq / ModelSpeedOfSound * a * std::sin(degrees * std::numbers::pi / 180);
    return std::abs(x) < 1e-9 ? 1.0 : 2 * std::cyl_bessel_j(1.0, x) / x;
}

std::vector<std::string> OffAxisFrdLines(const TDriverModelParams& p, TDriverModelData data, double degrees) {
    for (std::size_t k = 0; k < data.Freq.size(); ++k) {
        const double d = PistonDirectivity(data.Freq[k], p.Sd, degrees);
        data.SplDb[k] += 20 * std::log10(std::max(std::abs(d), 1e-6));
        if (d < 0) data.SplDeg[k] += data.SplDeg[k] > 0 ? -180 : 180;
    }
    std::vector<std::string> lines = ModelFrdLines(p, data);
    for (std::string& line : lines)
        if (line == "* on axis at 2.83 V / 1 m in half space" && degrees != 0)
            line = "* " + FormatGeneral(degrees, 3) +
                   " degrees off axis (a rigid piston in an infinite baffle) at 2.83 V / 1 m in half space";
    return lines;
}

// A zip archive of text files, stored uncompressed with a fixed time, so
// that it is the same on every run and with any zlib.
void WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& files) {
    std::remove(path.c_str());
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) throw std::runtime_error("cannot create " + path);
    std::tm t{};
    t.tm_year = 2025 - 1900;
    t.tm_mon = 5;
    t.tm_mday = 1;
    const std::time_t when = std::mktime(&t);  // local time, which main() fixes to UTC
    for (const auto& [name, content] : files) {
        zip_source_t* src = zip_source_buffer(z, content.data(), content.size(), 0);
        const zip_int64_t i = zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8);
        if (i < 0) throw std::runtime_error("cannot add " + name);
        const auto index = static_cast<zip_uint64_t>(i);
        zip_set_file_compression(z, index, ZIP_CM_STORE, 0);
        zip_file_set_mtime(z, index, when, 0);
        zip_file_set_external_attributes(z, index, 0, ZIP_OPSYS_UNIX, 0100644u << 16);
    }
    if (zip_close(z) != 0) throw std::runtime_error("cannot write " + path);
}

std::string TspText(const CatalogueDriver& d) {
    const TDriverModelParams& p = d.P;
    const TDriverModelDerived m = DeriveDriverModel(p);
    std::vector<std::string> lines = {
        "* Modelled driver parameters, not a measurement: " + std::string(d.Description),
        "Re\t" + FormatGeneral(p.Re, 4) + "\tohm",
        "Le\t" + FormatGeneral(p.Le * 1e3, 4) + "\tmH" +
            (p.LeExponent < 1 ? "\t(semi-inductance, exponent " + FormatGeneral(p.LeExponent, 3) + ", at 1 kHz)" : ""),
        "Fs\t" + FormatGeneral(p.Fs, 4) + "\tHz",
        "Qms\t" + FormatGeneral(p.Qms, 4),
        "Qes\t" + FormatGeneral(p.Qes, 4),
        "Qts\t" + FormatGeneral(m.Qts, 4),
        "Vas\t" + FormatGeneral(p.Vas * 1e3, 4) + "\tl",
        "Sd\t" + FormatGeneral(p.Sd * 1e4, 4) + "\tcm2",
        "Bl\t" + FormatGeneral(m.Bl, 4) + "\tT m",
        "Mms\t" + FormatGeneral(m.Mms * 1e3, 4) + "\tg",
        "Cms\t" + FormatGeneral(m.Cms * 1e3, 4) + "\tmm/N",
        "Rms\t" + FormatGeneral(m.Rms, 4) + "\tkg/s",
        "efficiency\t" + FormatGeneral(m.Efficiency * 100, 4) + "\t%",
        "SPL\t" + FormatFixed(m.Sensitivity, 1) + "\tdB at 2.83 V / 1 m",
    };
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

std::vector<std::string> WriteDrivers(const std::string& folder) {
    std::vector<std::string> lines = {FormatCatalogueDate(Edition)};
    const DataArray freqs = ModelFrequencies(5, 40000, 100);
    for (const CatalogueDriver& d : Drivers()) {
        if (auto problem = DriverModelProblem(d.P)) throw std::runtime_error(d.PartNumber + (": " + *problem));
        const TDriverModelData data = EvaluateDriverModel(d.P, freqs);
        const TDriverModelDerived m = DeriveDriverModel(d.P);
        const std::string base = d.PartNumber;
        std::string response;
        if (d.OffAxisDegrees.empty()) {
            response = base + ".frd";
            Write(folder + response, ModelFrdLines(d.P, data));
        } else {
            std::vector<std::pair<std::string, std::string>> files;
            for (double deg : d.OffAxisDegrees)
                files.emplace_back(base + "@" + FormatGeneral(deg, 3) + ".frd",
                                   EncodeTextLines(OffAxisFrdLines(d.P, data, deg)));
            response = base + ".zip";
            WriteZip(folder + response, files);
        }
        Write(folder + base + ".zma", ModelZmaLines(d.P, data));
        const std::string tsp = TspText(d);
        if (!WriteFileAtomically(folder + base + ".tsp", tsp, false))
            throw std::runtime_error("cannot write " + base + ".tsp");
        const double effectiveInches = 2 * std::sqrt(d.P.Sd / std::numbers::pi) / 0.0254;
        lines.push_back(Join({d.PartNumber,
                              FormatCatalogueDate(Edition),
                              Manufacturer,
                              d.Model,
                              d.Type,
                              d.Use,
                              Num(d.NominalOhms, 1),
                              Num(d.FLow, 0),
                              Num(d.FHigh, 0),
                              Num(d.MaxWatts, 0),
                              Num(m.Sensitivity, 1),
                              Num(d.NominalInches, 2),
                              Num(effectiveInches, 2),
                              "",
                              "",
                              response,
                              base + ".zma",
                              base + ".tsp",
                              "",
                              "",
                              d.Description,
                              "",
                              "",
                              ""}));
    }
    return lines;
}

void MakeCatalogue(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    const std::string parts = folder + "PmParts/";
    const std::string vendor = parts + Vendor + "/";
    Write(parts + "DeCoderRing.pmd",
          {"\"Pelmo generic parts catalogue: parts made from physics and the E12 series, drivers from models\"", "1,",
           std::string(Vendor) + ",GENERIC PARTS,Y,Generic parts that ship with Pelmo,./" + Vendor + "/Dates.pmd"});
    Write(parts + "PelmoVersion.txt", {PELMO_VERSION});
    Write(vendor + "Dates.pmd", {FormatCatalogueDate(Edition), "./Capacitors.pmd,,", "./Inductors.pmd,,",
                                 "./Resistors.pmd,,", "./Drivers.pmd,,,./Drivers/,./Drivers/,./Drivers/", ",,"});
    Write(vendor + "Capacitors.pmd", Capacitors());
    Write(vendor + "Inductors.pmd", Inductors());
    Write(vendor + "Resistors.pmd", Resistors());
    Write(vendor + "Drivers.pmd", WriteDrivers(vendor + "Drivers/"));
}

}  // namespace

}  // namespace pelmo::catalogue_tool

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_catalogue FOLDER\n");
        return 2;
    }
    setenv("TZ", "UTC", 1);  // the archive's entry times do not depend on where it is made
    tzset();
    try {
        pelmo::catalogue_tool::MakeCatalogue(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_catalogue: %s\n", e.what());
        return 1;
    }
    return 0;
}
