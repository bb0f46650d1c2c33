#pragma once

#include <optional>
#include <string>
#include <vector>

#include "driverdata/DriverModel.h"

// A driver's small-signal parameters as vendors publish them in a text file
// (".tsp" in the catalogue): one parameter a line, its name, its value and
// usually a unit, written "Fs 38 Hz", "Vas = 24 l", "Sd: 133 cm^2" or
// "Re=5.6". Names and units are read without regard to case; lines with
// other names (the maker, the model, Znom, SPL, ...) and comment lines are
// passed over. A parameter without a unit is taken in its usual unit (ohm,
// mH, Hz, litres, cm2, T m, g, mm/N, kg/s, mm).

namespace pelmo {

// What a file gives, in SI units (ohm, H, Hz, m^3, m^2, T m, kg, m/N, kg/s,
// m); a parameter the file does not give stays empty.
struct TTspValues {
    std::optional<double> Re, Le, Fs, Qms, Qes, Qts, Vas, Sd, Bl, Mms, Cms, Rms, Xmax;

    bool Empty() const;
};

// Reads the lines of a parameter file. `fileName` names the file in the
// message. A line that names a parameter but whose value or unit cannot be
// read refuses the whole file ("woofer.tsp, line 4: the unit "qt" of Vas is
// not known"), and so does a file without any parameter; the message is put
// in `why`.
std::optional<TTspValues> ParseTspLines(const std::vector<std::string>& lines, const std::string& fileName,
                                        std::string& why);

// The same for a file on disk (read as Windows-1252 text); a file that
// cannot be read is refused with its path and the cause.
std::optional<TTspValues> ReadTspFile(const std::string& path, std::string& why);

// The model's parameters from a file's values, over `base` (what the file
// does not give stays as in base). Where a file gives the mechanical
// parameters instead of the usual ones, fs, Qms, Qes and Vas are worked out
// from Mms, Cms, Rms, Bl, Re and Sd; Qes also from Qts and Qms, and Qms from
// Qts and Qes.
TDriverModelParams ModelParamsFromTsp(const TTspValues& v, TDriverModelParams base);

}  // namespace pelmo
