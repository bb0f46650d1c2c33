// Reading a design with three drivers and their embedded measurement files:
// the file is parsed, the embedded files are written into the support folder
// and every driver's FRD and ZMA are read and fitted onto the grid.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/MessageSink.h"
#include "files/DesignFile.h"
#include "model/Design.h"

namespace {

namespace fs = std::filesystem;

// A measurement file of n log-spaced points from 10 Hz to 40 kHz.
void WriteMeasurement(const std::string& path, int n, double level, bool impedance) {
    std::ofstream out(path, std::ios::binary);
    out << "* synthetic measurement\r\n";
    for (int i = 0; i < n; ++i) {
        const double f = 10.0 * std::pow(4000.0, i / (n - 1.0));
        const double v =
            impedance ? 6.0 + 30.0 / (1.0 + std::pow(std::log(f / 40.0), 2)) : level - 12.0 / (1.0 + f / 50.0);
        char line[64];
        std::snprintf(line, sizeof line, "%.4f\t%.4f\t%.3f\r\n", f, v, -90.0 * std::atan(std::log10(f / 300.0)));
        out << line;
    }
}

class DesignFolder {
public:
    DesignFolder() {
        std::string tmpl = (fs::temp_directory_path() / "pelmo-bench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        root_ = tmpl + "/";
        const char* names[] = {"woofer", "mid", "tweeter"};
        pelmo::TDesign d;
        pelmo::SilentMessageSink quiet;
        for (int k = 0; k < 3; ++k) {
            const std::string base = root_ + names[k];
            WriteMeasurement(base + ".frd", 500, 85 + k, false);
            WriteMeasurement(base + "@30.frd", 500, 83 + k, false);
            WriteMeasurement(base + ".zma", 300, 0, true);
            pelmo::TDriver& drv = pelmo::AddDriver(d, {100, 20 + 20 * k});
            drv.Acoustic.FRDFile = base + ".frd";
            drv.ZMAFile = base + ".zma";
            pelmo::AddPart(d, pelmo::TPartType::Capacitor, {60, 20 + 20 * k}, true);
            pelmo::AddPart(d, pelmo::TPartType::Inductor, {70, 20 + 20 * k}, true);
            pelmo::AddWire(d, {20, 20 + 20 * k}, {57, 20 + 20 * k});
        }
        path_ = root_ + "ThreeWay.bkt";
        if (!pelmo::WriteDesign(d, path_, quiet)) std::abort();
        fs::create_directories(pelmo::SupportFolderFor(path_));
    }
    ~DesignFolder() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    const std::string& Path() const { return path_; }

private:
    std::string root_, path_;
};

void BM_ReadThreeDriverDesign(benchmark::State& state) {
    DesignFolder folder;
    pelmo::SilentMessageSink quiet;
    pelmo::TDesign d;
    for (auto _ : state) {
        if (!pelmo::ReadDesign(d, folder.Path(), quiet)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(d.Drivers.front()->Acoustic.Response.Re.data());
    }
    state.SetLabel(std::to_string(fs::file_size(folder.Path()) / 1024) + " KiB design file");
}
BENCHMARK(BM_ReadThreeDriverDesign)->Unit(benchmark::kMillisecond);

}  // namespace
