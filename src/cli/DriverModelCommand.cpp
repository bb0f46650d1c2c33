// pelmo-cli driver-model --re OHMS --le MH --fs HZ --qms Q --qes Q --vas LITRES
//                        (--sd CM2 | --diameter CM) [--le-exp N] [--breakup HZ,Q]...
//                        [--rolloff HZ] [--baffle M] [--delay MM]
//                        [--box sealed:VB[:QA] | vented:VB:FB[:QL[:QA]] | pr:VB:MMP:CMP:SP[:QL[:QMP]]]
//                        [--port CM] [--xmax MM] [--power W]
//                        [--from HZ] [--to HZ] [--per-decade N] [--magnitude-only] --out NAME
// Models a driver from its small-signal parameters, on an infinite baffle or
// in a box, and writes NAME.frd (SPL at 2.83 V / 1 m with phase) and NAME.zma
// (impedance with phase), with --power also NAME-excursion.txt, then prints
// the derived quantities.
#include <algorithm>
#include <cmath>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "CliMessageSink.h"
#include "acoustics/Enclosure.h"
#include "acoustics/EnclosureFiles.h"
#include "base/TextFile.h"
#include "driverdata/DriverModel.h"
#include "values/NumberFormat.h"

namespace pelmo::cli {

namespace {

const char* const DriverModelUsage =
    "usage: pelmo-cli driver-model --re OHMS --le MH --fs HZ --qms Q --qes Q --vas LITRES\n"
    "                              (--sd CM2 | --diameter CM) [--le-exp N] [--breakup HZ,Q]...\n"
    "                              [--rolloff HZ] [--baffle M] [--delay MM]\n"
    "                              [--from HZ] [--to HZ] [--per-decade N] [--magnitude-only] --out NAME\n"
    "                              [--box sealed:VB[:QA] | vented:VB:FB[:QL[:QA]] | pr:VB:MMP:CMP:SP[:QL[:QMP]]]\n"
    "                              [--port CM] [--xmax MM] [--power W]\n"
    "  --le-exp N     0 < N < 1 makes Le a lossy semi-inductance (Le is then its value at 1 kHz)\n"
    "  --breakup HZ,Q a cone resonance (a peak of about Q, then 12 dB/octave down); up to two\n"
    "  --rolloff HZ   first-order high-frequency roll-off\n"
    "  --baffle M     baffle width: adds the baffle-step shelf (6 dB less at low frequencies)\n"
    "  --delay MM     acoustic-centre delay as a distance\n"
    "  --box          the driver in a box instead of an infinite baffle; VB net volume in litres:\n"
    "                   sealed:VB[:QA]             QA absorption loss (default none)\n"
    "                   vented:VB:FB[:QL[:QA]]     FB tuning in Hz, QL leakage (default 7, 0 for none)\n"
    "                   pr:VB:MMP:CMP:SP[:QL[:QMP]]  passive radiator: moving mass in g, compliance in\n"
    "                                              mm/N, area in cm2; QL (default 7), its own Q (default\n"
    "                                              none: no loss)\n"
    "  --port CM      vented: the inner diameter of a round port; prints its length, and the\n"
    "                 excursion file gets the port's air velocity\n"
    "  --xmax MM      the driver's linear excursion (one way), for --power\n"
    "  --power W      writes NAME-excursion.txt: peak cone excursion (mm) and port air velocity\n"
    "                 (m/s) or radiator excursion (mm) at W watts into Re\n"
    "  --magnitude-only  the FRD gets no phase column (for a phase derived from the level)\n"
    "  writes NAME.frd and NAME.zma from 10 Hz to 40 kHz with 250 points per decade by default\n";

int UsageError(const std::string& why) {
    std::cerr << "pelmo-cli driver-model: " << why << "\n" << DriverModelUsage;
    return ExitUsage;
}

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = s[s.size() - tail.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}

// "sealed:20", "vented:40:35:7", "pr:40:120:0.5:350" into a box in SI units.
// The text of a refusal names what is wrong.
bool ParseBox(const std::string& spec, TEnclosure& box, std::string& why) {
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
        const std::size_t colon = spec.find(':', start);
        fields.push_back(spec.substr(start, colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    const std::string& kind = fields[0];
    std::size_t least = 0, most = 0;
    if (kind == "sealed") {
        box.Kind = EnclosureKind::Sealed;
        least = 2, most = 3;
    } else if (kind == "vented") {
        box.Kind = EnclosureKind::Vented;
        least = 3, most = 5;
    } else if (kind == "pr") {
        box.Kind = EnclosureKind::PassiveRadiator;
        least = 5, most = 7;
    } else {
        why = "--box needs sealed:..., vented:... or pr:..., not " + spec;
        return false;
    }
    if (fields.size() < least || fields.size() > most) {
        why = "--box " + kind + " takes " + std::to_string(least - 1) + " to " + std::to_string(most - 1) +
              " fields, not " + spec;
        return false;
    }
    std::vector<double> v(most, 0.0);
    for (std::size_t i = 1; i < fields.size(); ++i)
        if (!TryParseUserReal(fields[i], v[i])) {
            why = "not a number in --box " + spec + ": " + fields[i];
            return false;
        }
    box.Vb = v[1] * 1e-3;
    if (box.Kind == EnclosureKind::Sealed) {
        box.Qa = v[2];
    } else if (box.Kind == EnclosureKind::Vented) {
        box.Fb = v[2];
        box.Ql = fields.size() > 3 ? v[3] : 7.0;
        box.Qa = v[4];
    } else {
        box.Radiator.Mmp = v[2] * 1e-3;
        box.Radiator.Cmp = v[3] * 1e-3;
        box.Radiator.Sp = v[4] * 1e-4;
        box.Ql = fields.size() > 5 ? v[5] : 7.0;
        box.Radiator.Qmp = v[6];
    }
    return true;
}

// The excursion curves next to the modelled files.
bool WriteExcursion(const TDriverModelParams& p, const TEnclosure& box, const DataArray& freqs, double watts,
                    const std::string& path, MessageSink& messages) {
    const TExcursion x = EnclosureExcursion(p, box, freqs, watts);
    if (!WriteTextLines(path, ExcursionLines(p, box, x, watts))) {
        messages.ShowMessage("Could not write " + path);
        return false;
    }
    const TPeakExcursion peak = PeakExcursion(x);
    std::cout << "wrote " << path << "\n"
              << "peak excursion\t" << FormatGeneral(peak.Cone * 1e3, 4) << " mm at " << FormatGeneral(peak.Freq, 4)
              << " Hz with " << FormatGeneral(watts, 6) << " W\n";
    if (p.Xmax > 0) std::cout << "within Xmax\tup to " << FormatGeneral(PowerWithinXmax(p, x, watts), 4) << " W\n";
    if (!x.Vent.empty()) {
        double most = 0;
        for (double u : x.Vent) most = std::max(most, u);
        if (box.Kind == EnclosureKind::Vented)
            std::cout << "peak port air velocity\t" << FormatGeneral(most, 4) << " m/s\n";
        else
            std::cout << "peak radiator excursion\t" << FormatGeneral(most * 1e3, 4) << " mm\n";
    }
    return true;
}

int DriverModel(const std::vector<std::string>& args) {
    // Values as the user gives them, in the units of the option names.
    double re = 0, leMh = 0, fs = 0, qms = 0, qes = 0, vasLitres = 0, sdCm2 = 0, diameterCm = 0;
    double leExp = 1, rolloff = 0, baffle = 0, delayMm = 0, from = 10, to = 40000, perDecade = 250;
    double portCm = 0, xmaxMm = 0, watts = 0;
    bool seenPort = false, seenPower = false;
    TEnclosure box;
    bool seen[8] = {};
    std::string out;
    bool magnitudeOnly = false;
    TDriverModelParams p;
    const struct {
        const char* name;
        double* value;
        int required;  // index into seen, or -1
    } realOptions[] = {{"--re", &re, 0},
                       {"--le", &leMh, 1},
                       {"--fs", &fs, 2},
                       {"--qms", &qms, 3},
                       {"--qes", &qes, 4},
                       {"--vas", &vasLitres, 5},
                       {"--sd", &sdCm2, 6},
                       {"--diameter", &diameterCm, 7},
                       {"--le-exp", &leExp, -1},
                       {"--rolloff", &rolloff, -1},
                       {"--baffle", &baffle, -1},
                       {"--delay", &delayMm, -1},
                       {"--from", &from, -1},
                       {"--to", &to, -1},
                       {"--per-decade", &perDecade, -1},
                       {"--port", &portCm, -1},
                       {"--xmax", &xmaxMm, -1},
                       {"--power", &watts, -1}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--magnitude-only") {
            magnitudeOnly = true;
            continue;
        }
        if (i + 1 >= args.size()) return UsageError(a.rfind("--", 0) == 0 ? a + " needs a value" : "stray " + a);
        const std::string& value = args[++i];
        if (a == "--out") {
            out = value;
            continue;
        }
        if (a == "--box") {
            std::string why;
            if (!ParseBox(value, box, why)) return UsageError(why);
            continue;
        }
        if (a == "--port") seenPort = true;
        if (a == "--power") seenPower = true;
        if (a == "--breakup") {
            const auto comma = value.find(',');
            TConeResonance r;
            if (comma == std::string::npos || !TryParseReal(value.substr(0, comma), r.Freq) ||
                !TryParseReal(value.substr(comma + 1), r.Q))
                return UsageError("--breakup needs HZ,Q, not " + value);
            if (p.Resonances.size() == 2) return UsageError("at most two --breakup resonances");
            p.Resonances.push_back(r);
            continue;
        }
        bool matched = false;
        for (const auto& o : realOptions) {
            if (a != o.name) continue;
            matched = true;
            if (!TryParseUserReal(value, *o.value)) return UsageError("not a number: " + a + " " + value);
            if (o.required >= 0) seen[o.required] = true;
        }
        if (!matched) return UsageError("unknown option " + a);
    }
    const char* const requiredNames[] = {"--re", "--le", "--fs", "--qms", "--qes", "--vas"};
    for (int k = 0; k < 6; ++k)
        if (!seen[k]) return UsageError(std::string("missing ") + requiredNames[k]);
    if (seen[6] == seen[7]) return UsageError("give either --sd or --diameter");
    if (out.empty()) return UsageError("missing --out");
    if (EndsWithNoCase(out, ".frd") || EndsWithNoCase(out, ".zma")) out.resize(out.size() - 4);
    if (!(perDecade >= 1 && perDecade <= 10000) || !(from > 0) || !(to > from) || !(to < 1e7))
        return UsageError("the frequencies need 0 < --from < --to and 1 to 10000 points per decade");

    p.Re = re;
    p.Le = leMh * 1e-3;
    p.LeExponent = leExp;
    p.Fs = fs;
    p.Qms = qms;
    p.Qes = qes;
    p.Vas = vasLitres * 1e-3;
    p.Sd = seen[6] ? sdCm2 * 1e-4 : PistonArea(diameterCm * 1e-2);
    p.RolloffHz = rolloff;
    p.BaffleWidth = baffle;
    p.Delay = delayMm * 1e-3 / ModelSpeedOfSound;
    if (seenPort && box.Kind != EnclosureKind::Vented) return UsageError("--port needs a vented --box");
    if (seenPort && !(portCm > 0 && portCm < 1e4)) return UsageError("--port needs a diameter greater than 0");
    if (seenPower && !(watts > 0 && watts <= 1e6)) return UsageError("--power needs watts greater than 0");
    if (!(xmaxMm >= 0)) return UsageError("--xmax must not be negative");
    box.PortArea = PistonArea(portCm * 1e-2);
    p.Xmax = xmaxMm * 1e-3;

    StderrMessageSink messages;
    if (seen[7] && !(diameterCm > 0 && diameterCm < 1e6)) {
        // The area of a negative diameter would come out positive.
        messages.ShowMessage("The diameter must be a number greater than 0 (it is " + FormatGeneral(diameterCm, 6) +
                             ").");
        return ExitFailure;
    }
    const DataArray freqs = ModelFrequencies(from, to, static_cast<int>(perDecade));
    if (!WriteEnclosureModelFiles(p, box, freqs, out, messages, magnitudeOnly)) return ExitFailure;
    const TDriverModelDerived m = DeriveDriverModel(p);
    std::cout << "wrote " << out << ".frd and " << out << ".zma\n"
              << "Qts\t" << FormatGeneral(m.Qts, 4) << "\n"
              << "Bl\t" << FormatGeneral(m.Bl, 4) << " T m\n"
              << "Mms\t" << FormatGeneral(m.Mms * 1e3, 4) << " g\n"
              << "Cms\t" << FormatGeneral(m.Cms * 1e3, 4) << " mm/N\n"
              << "Rms\t" << FormatGeneral(m.Rms, 4) << " kg/s\n"
              << "efficiency\t" << FormatGeneral(m.Efficiency * 100, 4) << " %\n"
              << "sensitivity\t" << FormatFixed(m.Sensitivity, 2) << " dB SPL at 2.83 V / 1 m\n";
    if (p.BaffleWidth > 0) std::cout << "baffle step\t" << FormatGeneral(m.BaffleStepHz, 4) << " Hz\n";
    const TEnclosureDerived d = DeriveEnclosure(p, box);
    if (box.Kind == EnclosureKind::Sealed)
        std::cout << "fc\t" << FormatGeneral(d.Fb, 4) << " Hz\n"
                  << "Qtc\t" << FormatGeneral(d.Qtc, 4) << "\n";
    if (box.Kind == EnclosureKind::Vented) {
        std::cout << "fb\t" << FormatGeneral(d.Fb, 4) << " Hz\n";
        if (d.PortLength > 0)
            std::cout << "port length\t" << FormatGeneral(d.PortLength * 1e2, 4) << " cm (diameter "
                      << FormatGeneral(portCm, 4) << " cm)\n";
    }
    if (box.Kind == EnclosureKind::PassiveRadiator)
        std::cout << "fb\t" << FormatGeneral(d.Fb, 4) << " Hz\n"
                  << "radiator notch\t"
                  << FormatGeneral(1 / (2 * std::numbers::pi * std::sqrt(box.Radiator.Mmp * box.Radiator.Cmp)), 4)
                  << " Hz\n";
    if (seenPower && !WriteExcursion(p, box, freqs, watts, out + "-excursion.txt", messages)) return ExitFailure;
    return ExitOk;
}

CommandRegistration reg("driver-model", &DriverModel);

}  // namespace

}  // namespace pelmo::cli
