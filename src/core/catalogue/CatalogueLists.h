#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/CatalogueFields.h"

// The local catalogue: capacitors, inductors, resistors, drivers and the
// vendors that supply them, each list in its own text file in the data
// folder's "PartsLists".

namespace pelmo {

enum class TPassiveKind { Capacitor, Inductor, Resistor };

// A capacitor, inductor or resistor of the catalogue.
struct TPassive {
    std::string PartNumber;  // compared ignoring case
    bool Seen = false;       // used during an update only
    TCatalogueDate Date = 0;
    double Value = 0;      // uF, mH or ohms
    double Rating = 0;     // volts for capacitors, watts otherwise
    double Tolerance = 0;  // percent
    double ESR = 0;        // ohms (DC resistance of an inductor)
    double AWG = 0;        // wire gauge of an inductor
    std::string Vendor;    // upper case, never empty
    std::string Model, Description, Manufacturer;
    std::string Picture;   // file name in "PartsLists"
    std::string TypeCode;  // one letter, see PassiveTypeCodes
    std::string WebLink;
    double Cost = 0;  // USD
};

// A loudspeaker driver of the catalogue.
struct TCatalogueDriver {
    std::string PartNumber;
    bool Seen = false;
    TCatalogueDate Date = 0;
    std::string TypeLetters;  // any of S (sub), W (woofer), M (midrange), T (tweeter)
    std::string UseLetters;   // H (home), P (pro)
    std::string Vendor, Model, Description, Manufacturer;
    double MaxPower = 0;         // W
    double FLow = 0, FHigh = 0;  // usable range, Hz
    double Sensitivity = 0;      // dB SPL at 2.83 V, 1 m
    double NominalDia = 0;       // inches
    double EffectiveDia = 0;
    double RectWidth = 0, RectHeight = 0;  // drivers that are not round
    double NominalImpedance = 0;           // ohms
    std::string Picture, WebLink;
    // A single FRD file name, or the folder an archive of several FRD files
    // was unpacked into; then ResponseNames lists those files (relative to
    // the folder) and ResponseCount is their number.
    std::string ResponseFile;
    int ResponseCount = 0;
    std::vector<std::string> ResponseNames;
    std::string ImpedanceFile;  // ZMA file name in "PartsLists"
    std::string ParameterFile;  // TSP file name in "PartsLists"
    double Cost = 0;
};

// The categories a vendor publishes, in the order of its dates.
enum class TCategory { Capacitors, Inductors, Resistors, Drivers, Fifth };
inline constexpr int CategoryCount = 5;

struct TVendorInfo {
    std::string Name;          // upper case
    std::string Text2, Text3;  // kept as the index gives them
    bool Active = false;
    bool Delete = false;  // used during an update only
    std::array<TCatalogueDate, CategoryCount> Dates{};
};

struct TPassives {
    TPassiveKind Kind = TPassiveKind::Capacitor;
    std::vector<TPassive> Items;  // ascending value
    TCatalogueDate Date = 0;
};

struct TCatalogueDrivers {
    std::vector<TCatalogueDriver> Items;  // ascending nominal diameter
    TCatalogueDate Date = 0;
};

struct TVendors {
    std::vector<TVendorInfo> Items;
    TCatalogueDate Date = 0;  // of the last successful index download
};

// The five lists in memory.
struct TCatalogue {
    TPassives Capacitors{TPassiveKind::Capacitor, {}, 0};
    TPassives Inductors{TPassiveKind::Inductor, {}, 0};
    TPassives Resistors{TPassiveKind::Resistor, {}, 0};
    TCatalogueDrivers Drivers;
    TVendors Vendors;

    TPassives& Passives(TPassiveKind kind);
    const TPassives& Passives(TPassiveKind kind) const;
};

// File names in "PartsLists".
const char* PassiveListFileName(TPassiveKind kind);  // "C.pmd", "L.pmd", "R.pmd"
inline constexpr const char* DriverListFileName = "S.pmd";
inline constexpr const char* VendorListFileName = "V.pmd";

// The three type codes of a kind: capacitors "MFN", inductors "ASF",
// resistors "SNA".
const char* PassiveTypeCodes(TPassiveKind kind);

// One entry as a line of its list file, and back. A line that does not parse
// (or lacks a part number or vendor) gives nullopt; a date that does not
// parse reads as 0.
std::string PassiveLine(const TPassive& p);
std::optional<TPassive> ParsePassiveLine(const std::string& line);
std::string DriverLine(const TCatalogueDriver& d);
std::optional<TCatalogueDriver> ParseDriverLine(const std::string& line);
std::string VendorLine(const TVendorInfo& v);
std::optional<TVendorInfo> ParseVendorLine(const std::string& line);

// Sorting as the lists are kept: passives by ascending value, drivers by
// ascending nominal diameter (stable, so equal values keep their order).
void SortPassives(TPassives& list);
void SortDrivers(TCatalogueDrivers& list);

// How reading a folder's lists went: the lines that did not parse were left
// out (and are lost when the lists are written again). A reader that may be
// called off gives Stop: it is asked every few thousand lines, and once it
// says so the reading ends there, leaving the lists incomplete (Stopped).
struct TListReadReport {
    int BadLines = 0;
    std::function<bool()> Stop;
    bool Stopped = false;
};

// Reading one list: a missing file, or one whose first line is not a date,
// gives an empty list with date 0. Lines that do not parse are skipped.
TPassives ReadPassiveList(const std::string& path, TPassiveKind kind, TListReadReport* report = nullptr);
TCatalogueDrivers ReadDriverList(const std::string& path, TListReadReport* report = nullptr);
TVendors ReadVendorList(const std::string& path, TListReadReport* report = nullptr);

// The five lists of a "PartsLists" folder (path ends with "/"): what the
// browsers show in a run that has not updated, and where every update starts.
TCatalogue ReadCatalogue(const std::string& partsFolder, TListReadReport* report = nullptr);

// The lines of each list file.
std::vector<std::string> PassiveListLines(const TPassives& list);
std::vector<std::string> DriverListLines(const TCatalogueDrivers& list);
std::vector<std::string> VendorListLines(const TVendors& list);

// Writes the five files, each atomically (a failed write leaves that file as
// it was). False when any file could not be written.
bool WriteCatalogue(const std::string& partsFolder, const TCatalogue& catalogue);

// Where a catalogue driver's on-axis response is: PartsLists + the response
// file for a single file; for an archive folder the file of the folder whose
// name ends with "@0.frd" (any case), else its first file. "" when none.
std::string DriverResponsePath(const std::string& partsFolder, const TCatalogueDriver& drv);

}  // namespace pelmo
