// pelmo-cli driver-model --re OHMS --le MH --fs HZ --qms Q --qes Q --vas LITRES
//                        (--sd CM2 | --diameter CM) [--le-exp N] [--breakup HZ,Q]...
//                        [--rolloff HZ] [--baffle M] [--delay MM]
//                        [--from HZ] [--to HZ] [--per-decade N] [--magnitude-only] --out NAME
// Models a driver from its small-signal parameters and writes NAME.frd (SPL at
// 2.83 V / 1 m with phase) and NAME.zma (impedance with phase), then prints
// the derived quantities.
#include <iostream>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "CliMessageSink.h"
#include "driverdata/DriverModel.h"
#include "values/NumberFormat.h"

namespace pelmo::cli {

namespace {

const char* const DriverModelUsage =
    "usage: pelmo-cli driver-model --re OHMS --le MH --fs HZ --qms Q --qes Q --vas LITRES\n"
    "                              (--sd CM2 | --diameter CM) [--le-exp N] [--breakup HZ,Q]...\n"
    "                              [--rolloff HZ] [--baffle M] [--delay MM]\n"
    "                              [--from HZ] [--to HZ] [--per-decade N] [--magnitude-only] --out NAME\n"
    "  --le-exp N     0 < N < 1 makes Le a lossy semi-inductance (Le is then its value at 1 kHz)\n"
    "  --breakup HZ,Q a cone resonance (a peak of about Q, then 12 dB/octave down); up to two\n"
    "  --rolloff HZ   first-order high-frequency roll-off\n"
    "  --baffle M     baffle width: adds the baffle-step shelf (6 dB less at low frequencies)\n"
    "  --delay MM     acoustic-centre delay as a distance\n"
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

int DriverModel(const std::vector<std::string>& args) {
    // Values as the user gives them, in the units of the option names.
    double re = 0, leMh = 0, fs = 0, qms = 0, qes = 0, vasLitres = 0, sdCm2 = 0, diameterCm = 0;
    double leExp = 1, rolloff = 0, baffle = 0, delayMm = 0, from = 10, to = 40000, perDecade = 250;
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
                       {"--per-decade", &perDecade, -1}};
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

    StderrMessageSink messages;
    if (seen[7] && !(diameterCm > 0 && diameterCm < 1e6)) {
        // The area of a negative diameter would come out positive.
        messages.ShowMessage("The diameter must be a number greater than 0 (it is " + FormatGeneral(diameterCm, 6) +
                             ").");
        return ExitFailure;
    }
    if (!WriteDriverModelFiles(p, ModelFrequencies(from, to, static_cast<int>(perDecade)), out, messages,
                               magnitudeOnly))
        return ExitFailure;
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
    return ExitOk;
}

CommandRegistration reg("driver-model", &DriverModel);

}  // namespace

}  // namespace pelmo::cli
