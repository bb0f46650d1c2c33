// pelmo-cli: the same core as the GUI, without a screen.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "PelmoVersion.h"

namespace {

const char* const Usage =
    "usage: pelmo-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  info DESIGN.bkt\n"
    "      list the source, parts and drivers with their nodes, then \"NodeCount N\"\n"
    "  curve DESIGN.bkt KIND NAME [--digits N] [--smoothing OCT]\n"
    "                  [--test-frequency HZ] [--scale S]\n"
    "      print the points a graph of KIND would plot for the curve NAME\n"
    "      KIND: spl impedance filter voltage current power groupdelay impulse step squarewave\n"
    "      NAME: System, S1, \"S1 (driver only)\", \"S1 (lookback)\", R1, C1, L1\n"
    "  curve DESIGN.bkt KIND NAME --at H30V-10 [--distance M]\n"
    "      the curve at that listening point, each driver heard from where it sits\n"
    "  curve DESIGN.bkt soundpower|di NAME [--weights sector|cta2034] [--step DEG]\n"
    "                  [--distance M]\n"
    "      sound power or directivity index (dB, referred to 1 m) of System or a driver\n"
    "  spinorama DESIGN.bkt [--distance M] [--driver S1]\n"
    "      the CTA-2034 curves: Hz ON LW ER SP PIR ERDI SPDI, then the preference score\n"
    "  roundtrip IN.bkt OUT.bkt\n"
    "      read a design and write it again\n"
    "  eval EXPR [NAME=VALUE ...]\n"
    "      evaluate an expression and print its value\n"
    "  minphase FILE.frd [--low HZ] [--high HZ] [--lowslope DB] [--highslope DB]\n"
    "                    [--invert] [--delay INCHES]\n"
    "      print the minimum-phase response on the analysis grid: Hz, dB, degrees\n"
    "  driver-model --re OHMS --le MH --fs HZ --qms Q --qes Q --vas LITRES --sd CM2 ... --out NAME\n"
    "      write NAME.frd and NAME.zma modelled from small-signal parameters, on an infinite\n"
    "      baffle or in a box (--box sealed:VB | vented:VB:FB | pr:VB:MMP:CMP:SP)\n"
    "      (pelmo-cli driver-model alone lists every option)\n"
    "  baffle (--width MM --height MM | --circle MM) [--x MM] [--y MM] [--at H30V-10] --out NAME.frd\n"
    "      write a driver's diffraction on a flat baffle as an acoustic-effect file\n"
    "      (pelmo-cli baffle alone lists every option)\n"
    "  parts update [--server URL] | parts list C|L|R|S|V\n"
    "      update the parts catalogue in the data folder, or print one of its lists\n"
    "  optimize DESIGN.bkt --vary C1,L1,... [--target flat|FILE.frd]\n"
    "           [--driver-target S1:lr4-lp:2500 ...] [--band 200:15000] [--snap]\n"
    "           [--max-evals N] --out OUT.bkt\n"
    "      search part values (and driver levels, delays, block variables) that meet\n"
    "      the targets; print the objective before and after and the new values\n"
    "      (pelmo-cli optimize alone lists every option)\n"
    "  tolerance DESIGN.bkt [--runs N] [--seed S] [--curve spl|impedance] [--driver NAME]\n"
    "            [--distribution uniform|normal] [--driver-db DB] [--smoothing OCT]\n"
    "      Monte Carlo runs with every part within its tolerance: per frequency\n"
    "      p5, p50, p95, min, max (pelmo-cli tolerance alone lists every option)\n"
    "  listen DESIGN.bkt IN OUT [--bypass] [--keep-delay]\n"
    "      play a recording through the design's summed response into OUT (.wav, .flac, .ogg)\n"
    "\n"
    "options:\n"
    "  --version   print the version\n"
    "  --help      print this text\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << Usage;
        return 2;
    }
    const std::string cmd = argv[1];
    if (cmd == "--version") {
        std::cout << "pelmo-cli " << PELMO_VERSION << "\n";
        return 0;
    }
    if (cmd == "--help" || cmd == "-h") {
        std::cout << Usage;
        return 0;
    }
    if (const auto fn = pelmo::cli::FindCommand(cmd)) return fn(std::vector<std::string>(argv + 2, argv + argc));
    std::cerr << "pelmo-cli: unknown command \"" << cmd << "\"\n" << Usage;
    return 2;
}
