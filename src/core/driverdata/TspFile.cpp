#include "driverdata/TspFile.h"

#include <cctype>
#include <cmath>
#include <numbers>
#include <string_view>

#include "base/TextFile.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

enum class Quantity {
    Resistance,
    Inductance,
    Frequency,
    Ratio,
    Volume,
    Area,
    ForceFactor,
    Mass,
    Compliance,
    Damping,
    Length
};

struct TUnit {
    const char* Name;  // as normalised by NormaliseUnit
    double Factor;     // to SI
};

// The units of each quantity; the first is the one taken when none is given.
std::vector<TUnit> UnitsOf(Quantity q) {
    constexpr double Litre = 1e-3, CubicFoot = 0.028316846592, SquareInch = 6.4516e-4;
    switch (q) {
        case Quantity::Resistance:
            return {{"ohm", 1}, {"ohms", 1}, {"r", 1}};
        case Quantity::Inductance:
            return {{"mh", 1e-3}, {"uh", 1e-6}, {"h", 1}};
        case Quantity::Frequency:
            return {{"hz", 1}, {"khz", 1e3}};
        case Quantity::Ratio:
            return {{"", 1}};
        case Quantity::Volume:
            return {{"l", Litre},      {"litre", Litre},   {"litres", Litre},   {"liter", Litre},
                    {"liters", Litre}, {"ltr", Litre},     {"dm3", Litre},      {"m3", 1},
                    {"cm3", 1e-6},     {"ft3", CubicFoot}, {"cuft", CubicFoot}, {"cf", CubicFoot}};
        case Quantity::Area:
            return {{"cm2", 1e-4}, {"sqcm", 1e-4}, {"m2", 1}, {"mm2", 1e-6}, {"in2", SquareInch}, {"sqin", SquareInch}};
        case Quantity::ForceFactor:
            return {{"tm", 1}, {"n/a", 1}, {"wb/m", 1}};
        case Quantity::Mass:
            return {{"g", 1e-3}, {"gr", 1e-3}, {"gram", 1e-3}, {"grams", 1e-3}, {"kg", 1}, {"mg", 1e-6}};
        case Quantity::Compliance:
            return {{"mm/n", 1e-3}, {"m/n", 1}, {"um/n", 1e-6}, {"mm/kn", 1e-6}};
        case Quantity::Damping:
            return {{"kg/s", 1}, {"ns/m", 1}, {"mohm", 1}, {"mechohm", 1}, {"mechohms", 1}};
        case Quantity::Length:
            return {{"mm", 1e-3}, {"cm", 1e-2}, {"m", 1}, {"in", 0.0254}};
    }
    return {};
}

struct TParameter {
    const char* Name;  // lower case
    Quantity Kind;
    std::optional<double> TTspValues::*Field;
};

const TParameter Parameters[] = {
    {"re", Quantity::Resistance, &TTspValues::Re},  {"revc", Quantity::Resistance, &TTspValues::Re},
    {"rdc", Quantity::Resistance, &TTspValues::Re}, {"le", Quantity::Inductance, &TTspValues::Le},
    {"lvc", Quantity::Inductance, &TTspValues::Le}, {"fs", Quantity::Frequency, &TTspValues::Fs},
    {"f0", Quantity::Frequency, &TTspValues::Fs},   {"fo", Quantity::Frequency, &TTspValues::Fs},
    {"qms", Quantity::Ratio, &TTspValues::Qms},     {"qes", Quantity::Ratio, &TTspValues::Qes},
    {"qts", Quantity::Ratio, &TTspValues::Qts},     {"vas", Quantity::Volume, &TTspValues::Vas},
    {"sd", Quantity::Area, &TTspValues::Sd},        {"bl", Quantity::ForceFactor, &TTspValues::Bl},
    {"mms", Quantity::Mass, &TTspValues::Mms},      {"cms", Quantity::Compliance, &TTspValues::Cms},
    {"rms", Quantity::Damping, &TTspValues::Rms},   {"xmax", Quantity::Length, &TTspValues::Xmax},
};

const char* const DisplayNames[] = {"Re",  "Re",  "Re",  "Le", "Le", "Fs",  "Fs",  "Fs",  "Qms",
                                    "Qes", "Qts", "Vas", "Sd", "Bl", "Mms", "Cms", "Rms", "Xmax"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }
char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Lower case without blanks and the decorations units are written with:
// "cm^2" and "cm²" read as "cm2", "T·m" and "T*m" as "tm", "µH" as "uh",
// "Ω" as "ohm".
std::string NormaliseUnit(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == 0xC2 && i + 1 < s.size()) {  // UTF-8 of the Latin-1 block
            const unsigned char n = static_cast<unsigned char>(s[i + 1]);
            ++i;
            if (n == 0xB2)
                out += '2';
            else if (n == 0xB3)
                out += '3';
            else if (n == 0xB5)
                out += 'u';
            else if (n == 0xB7)
                continue;  // middle dot
            else
                out += '?';
            continue;
        }
        if (c == 0xCE && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xA9) {  // omega
            out += "ohm";
            ++i;
            continue;
        }
        if (c == 0xCE && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xBC) {  // mu
            out += 'u';
            ++i;
            continue;
        }
        if (IsBlank(s[i]) || s[i] == '^' || s[i] == '*' || s[i] == '.') continue;
        out += Lower(s[i]);
    }
    return out;
}

// The factor of the unit that `rest` begins with (the longest that fits,
// followed by the end or by something that is no letter or digit), or
// nothing.
std::optional<double> UnitFactor(Quantity q, const std::string& rest) {
    const std::vector<TUnit> units = UnitsOf(q);
    std::size_t best = 0;
    std::optional<double> factor;
    for (const TUnit& u : units) {
        const std::string_view name(u.Name);
        if (rest.compare(0, name.size(), name) != 0) continue;
        if (rest.size() > name.size() && (IsAlnum(rest[name.size()]) || rest[name.size()] == '/')) continue;
        if (!factor || name.size() > best) {
            best = name.size();
            factor = u.Factor;
        }
    }
    return factor;
}

// The number at the start of s ("5.6", "-1e-3", "5,6"); its length, 0 when
// there is none.
std::size_t NumberLength(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i + 1 < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (s[j] == '+' || s[j] == '-') ++j;
        if (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
            while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
            i = j;
        }
    }
    return i;
}

std::string LineRef(const std::string& fileName, std::size_t line) {
    return fileName + ", line " + std::to_string(line) + ": ";
}

}  // namespace

bool TTspValues::Empty() const {
    for (const TParameter& p : Parameters)
        if ((this->*p.Field).has_value()) return false;
    return true;
}

std::optional<TTspValues> ParseTspLines(const std::vector<std::string>& lines, const std::string& fileName,
                                        std::string& why) {
    TTspValues values;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::string_view s = Trim(lines[n]);
        if (n == 0 && s.substr(0, 3) == "\xEF\xBB\xBF") s = Trim(s.substr(3));  // a byte-order mark
        if (s.empty() || !std::isalpha(static_cast<unsigned char>(s.front()))) continue;
        std::size_t end = 0;
        while (end < s.size() && (IsAlnum(s[end]) || s[end] == '_')) ++end;
        std::string name;
        for (char c : s.substr(0, end)) name += Lower(c);
        std::size_t which = 0;
        while (which < std::size(Parameters) && name != Parameters[which].Name) ++which;
        if (which == std::size(Parameters)) continue;  // not a parameter of the model: passed over
        const TParameter& param = Parameters[which];
        const std::string shown = DisplayNames[which];

        // "Vas (l) = 24" and "Vas [l]: 24" name the unit before the value.
        std::string_view rest = Trim(s.substr(end));
        std::string bracketUnit;
        if (!rest.empty() && (rest.front() == '(' || rest.front() == '[')) {
            const char close = rest.front() == '(' ? ')' : ']';
            const std::size_t at = rest.find(close);
            if (at == std::string_view::npos) {
                why = LineRef(fileName, n + 1) + "the unit of " + shown + " is not closed with \"" + close + "\".";
                return std::nullopt;
            }
            bracketUnit = NormaliseUnit(rest.substr(1, at - 1));
            rest = Trim(rest.substr(at + 1));
        }
        const bool separated = !rest.empty() && (rest.front() == '=' || rest.front() == ':');
        if (separated) rest = Trim(rest.substr(1));
        const std::size_t len = NumberLength(rest);
        // Words after the name ("RMS power 100 W", "Re-cone paper") make a
        // line of prose, not a parameter.
        if (len == 0 && !separated && bracketUnit.empty()) continue;
        double value = 0;
        if (len == 0 || !TryParseUserReal(rest.substr(0, len), value)) {
            why =
                LineRef(fileName, n + 1) + shown + " has no value that can be read (\"" + std::string(Trim(s)) + "\").";
            return std::nullopt;
        }
        std::string unit = NormaliseUnit(rest.substr(len));
        if (!unit.empty() && (unit.front() == '(' || unit.front() == '[')) unit.erase(0, 1);
        if (unit.empty() || !(std::isalpha(static_cast<unsigned char>(unit.front())) || unit.front() == '?'))
            unit = bracketUnit;
        std::optional<double> factor = UnitFactor(param.Kind, unit);
        if (unit.empty()) factor = UnitsOf(param.Kind).front().Factor;
        if (!factor) {
            why = LineRef(fileName, n + 1) + "the unit \"" + std::string(Trim(rest.substr(len))) + "\" of " + shown +
                  " is not known.";
            return std::nullopt;
        }
        values.*param.Field = value * *factor;
    }
    if (values.Empty()) {
        why = fileName + ": no small-signal parameters found (lines such as \"Fs 38 Hz\" or \"Vas = 24 l\").";
        return std::nullopt;
    }
    return values;
}

std::optional<TTspValues> ReadTspFile(const std::string& path, std::string& why) {
    std::string cause;
    const std::optional<std::vector<std::string>> lines = ReadTextLines(path, &cause);
    if (!lines) {
        why = path + ": " + (cause.empty() ? std::string("the file cannot be read.") : cause);
        return std::nullopt;
    }
    return ParseTspLines(*lines, path, why);
}

TDriverModelParams ModelParamsFromTsp(const TTspValues& v, TDriverModelParams p) {
    constexpr double TwoPi = 2 * std::numbers::pi;
    if (v.Re) p.Re = *v.Re;
    if (v.Le) p.Le = *v.Le;
    if (v.Fs) p.Fs = *v.Fs;
    if (v.Qms) p.Qms = *v.Qms;
    if (v.Qes) p.Qes = *v.Qes;
    if (v.Vas) p.Vas = *v.Vas;
    if (v.Sd) p.Sd = *v.Sd;
    if (v.Xmax) p.Xmax = *v.Xmax;
    auto positive = [](const std::optional<double>& x) { return x && *x > 0; };
    if (!v.Fs && positive(v.Mms) && positive(v.Cms)) p.Fs = 1 / (TwoPi * std::sqrt(*v.Mms * *v.Cms));
    if (!v.Vas && positive(v.Cms) && p.Sd > 0)
        p.Vas = ModelAirDensity * ModelSpeedOfSound * ModelSpeedOfSound * p.Sd * p.Sd * *v.Cms;
    if (!v.Qms && positive(v.Rms) && positive(v.Mms) && p.Fs > 0) p.Qms = TwoPi * p.Fs * *v.Mms / *v.Rms;
    if (!v.Qes && positive(v.Bl) && positive(v.Mms) && p.Fs > 0 && p.Re > 0)
        p.Qes = TwoPi * p.Fs * *v.Mms * p.Re / (*v.Bl * *v.Bl);
    const bool qesGiven = v.Qes || (positive(v.Bl) && positive(v.Mms));
    const bool qmsGiven = v.Qms || (positive(v.Rms) && positive(v.Mms));
    if (positive(v.Qts)) {
        const double invQts = 1 / *v.Qts;
        if (!qesGiven && qmsGiven && p.Qms > 0 && invQts > 1 / p.Qms) p.Qes = 1 / (invQts - 1 / p.Qms);
        if (!qmsGiven && qesGiven && p.Qes > 0 && invQts > 1 / p.Qes) p.Qms = 1 / (invQts - 1 / p.Qes);
    }
    return p;
}

}  // namespace pelmo
