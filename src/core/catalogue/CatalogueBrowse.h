#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "catalogue/CatalogueLists.h"
#include "model/Elements.h"

// What the parts browser and the driver browser show of the catalogue and
// what they do to the design: the grid's columns and cell texts, the type,
// use and size filters with a free-text filter, the rows and the row that
// matches the element being edited, and copying a chosen entry into a part
// or a driver.

namespace pelmo {

class MessageSink;
struct TDesign;

// ----------------------------------------------------------------- columns

enum class TPassiveColumn {
    Value,
    Tolerance,
    Rating,
    ESR,
    Type,
    AWG,
    PartNumber,
    Vendor,
    Manufacturer,
    Model,
    Description,
    Cost
};

enum class TDriverColumn {
    Type,
    Use,
    Manufacturer,
    Model,
    Impedance,
    Sensitivity,
    MaxPower,
    NominalDia,
    FLow,
    FHigh,
    Vendor,
    PartNumber,
    Description,
    Cost
};

// Capacitors show 11 columns, inductors 12 (ESR and AWG), resistors 10 (no ESR).
std::vector<TPassiveColumn> PassiveColumns(TPassiveKind kind);
std::string PassiveColumnTitle(TPassiveKind kind, TPassiveColumn column);
std::string PassiveCell(TPassiveKind kind, const TPassive& p, TPassiveColumn column);

const std::vector<TDriverColumn>& DriverColumns();
std::string DriverColumnTitle(TDriverColumn column);
std::string DriverCell(const TCatalogueDriver& d, TDriverColumn column);

// The word a type code stands for in the grid ("Air Core", "Metal Film", ...).
std::string PassiveTypeWord(TPassiveKind kind, const std::string& code);
// A cost in US dollars, "$12.50"; "" when there is none.
std::string CostText(double usd);

// ----------------------------------------------------------------- filters

// True when every word of `filter` occurs (ignoring case) in one of the texts.
bool TextFilterMatches(const std::string& filter, const std::vector<const std::string*>& texts);

// The three type boxes of a kind, in the order of PassiveTypeCodes.
std::array<std::string, 3> PassiveFilterCaptions(TPassiveKind kind);

struct TPassiveFilter {
    std::array<bool, 3> Types{true, true, true};  // by PassiveTypeCodes
    std::string Text;                             // over part number, model and description
};
// An entry whose code belongs to an unchecked box is hidden; other codes are
// always shown.
bool PassiveShown(TPassiveKind kind, const TPassive& p, const TPassiveFilter& filter);

inline constexpr std::array<const char*, 4> DriverTypeLetters{"S", "W", "M", "T"};
inline constexpr std::array<const char*, 4> DriverTypeCaptions{"sub", "woofer", "midrange", "tweeter"};
inline constexpr std::array<const char*, 2> DriverUseLetters{"H", "P"};
inline constexpr std::array<const char*, 2> DriverUseCaptions{"home", "pro"};
// Nominal diameter d in inches: d < 2, 2 <= d <= 4, 4 < d <= 8, 8 < d <= 12, d > 12.
inline constexpr std::array<const char*, 5> DriverSizeCaptions{"below 2\"", "2 to 4\"", "4+ to 8\"", "8+ to 12\"",
                                                               "above 12\""};
int DriverSizeRange(double nominalDia);

struct TDriverFilter {
    std::array<bool, 4> Types{true, true, true, true};
    std::array<bool, 2> Uses{true, true};
    std::array<bool, 5> Sizes{true, true, true, true, true};
    std::string Text;
};
// Shown when a checked type letter and a checked use letter occur in the
// entry's letters and its diameter lies in a checked range.
bool DriverShown(const TCatalogueDriver& d, const TDriverFilter& filter);

// -------------------------------------------------------------------- rows

// Column -1 keeps the catalogue's order (ascending value or diameter).
struct TBrowseSort {
    int Column = -1;  // index into PassiveColumns / DriverColumns
    bool Descending = false;
};

struct TBrowseRows {
    std::vector<std::size_t> Entries;  // list indexes, in row order (row 0 is the first entry)
    int Current = -1;                  // the row to make current, -1 for none
    bool Select = false;               // and to select: the element's part number, or the nearest value
    bool Matched = false;              // the row is the element's own part number
};

// The shown entries of a passive list and the row for the element's value
// (in ohms, farads or henries) or part number. Walking the entries in
// catalogue order, the first entry of the element's part number is the
// match. Without one, the row is the last entry within 1 % below the value
// when there is none between -1 % and +1 % of it (selected, not applied when
// the element has no part number), else the middle of the entries within
// that band (current, not selected).
TBrowseRows PassiveRows(const TPassives& list, const TPassiveFilter& filter, double targetValue,
                        const std::string& targetPartNumber, TBrowseSort sort = {});
TBrowseRows DriverRows(const TCatalogueDrivers& list, const TDriverFilter& filter, const std::string& targetPartNumber,
                       TBrowseSort sort = {});

// --------------------------------------------------------- details, apply

// The texts beside the grid for a chosen passive.
struct TPassiveDetails {
    std::string VendorAndPartNumber;  // "GENERIC  GLA-5M6"
    std::string Value;                // "5.6mH"
    std::string Tolerance;            // "3%", "" when 0.01 or less
    std::string Rating;               // "65W", "" when 0.01 or less; no unit below 0.26
    std::string Description;          // manufacturer and description
};
TPassiveDetails PassiveDetailsOf(TPassiveKind kind, const TPassive& p);

// The catalogue kind of a part type, and back.
TPassiveKind PassiveKindOf(TPartType type);

// Binds a part to a catalogue entry: part number, vendor, and the bound value
// (in farads, henries or ohms), ESR and rating the solve then uses.
void ApplyPassive(TPart& part, const TPassive& p);

// Gives a driver a catalogue driver: its on-axis response (for a set of
// responses, the folder goes to FRDFolder), its impedance, rating, sizes,
// vendor and description; the derived phase is switched off. Every file keeps
// its full path, so that saving embeds it. A response or impedance that
// cannot be read leaves the default data and a message.
void ApplyCatalogueDriver(TDesign& d, TDriver& drv, const TCatalogueDriver& e, const std::string& partsFolder,
                          MessageSink& messages);

// The entry of a part number (ignoring case) in a list, or null. With a
// vendor, an entry of that vendor is preferred.
const TPassive* FindPassive(const TPassives& list, const std::string& partNumber, const std::string& vendor = {});
const TCatalogueDriver* FindDriver(const TCatalogueDrivers& list, const std::string& partNumber,
                                   const std::string& vendor = {});

// The picture file of a catalogue entry ("" when it has none). The name
// comes from the lists, so it is taken only as a plain file name.
std::string CataloguePicturePath(const std::string& partsFolder, const std::string& picture);

}  // namespace pelmo
