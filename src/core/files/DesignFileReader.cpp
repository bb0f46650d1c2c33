// Reading the design file.
#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "base/FileProblem.h"
#include "base/MessageSink.h"
#include "base/TextFile.h"
#include "driverdata/DriverLoad.h"
#include "driverdata/MeasurementFile.h"
#include "driverdata/MinimumPhase.h"
#include "files/DesignFile.h"
#include "files/ElementLayouts.h"
#include "files/SetupSection.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "model/StepModes.h"

namespace pelmo {

namespace {

constexpr TFileKind File = TFileKind::Design;

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// A file of the support folder could not be written: the design is fine,
// the place is not.
class ESupportFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TDesignReader {
public:
    TDesignReader(TDesign& d, TLineReader& r, std::string support, MessageSink& messages)
        : d_(d), r_(r), support_(std::move(support)), messages_(messages) {}

    void Read() {
        std::size_t pos = ReadSource();
        pos = ReadBlocks(pos);
        pos = ReadPassives(pos);
        pos = ReadGrounds(pos);
        pos = ReadWires(pos);
        pos = ReadTexts(pos);
        pos = ReadDrivers(pos);
        // Anything after the setup section is not used.
        d_.Settings = ReadSetupSection(r_, pos);
    }

private:
    // The source's lines follow its count lines; a layout of more than five
    // states the level as power into a load, which then sets Vrms.
    std::size_t ReadSource() {
        const TLayout<TDesign>& layout = SourceLayout();
        const int c = r_.Int(1);
        if (c < layout.Required) throw EFileFormatError("too few source lines");
        ReadElement(r_, layout, d_, 2, c, {});
        TSource& s = d_.Source;
        if (c > 5) {
            const double p = FiniteFileNumber(s.Power * s.Ohms);
            if (p < 0) throw EFileFormatError("negative source power");
            s.Vrms = std::sqrt(p);
        }
        SetSourcePosition(d_, s, s.Position);
        return 2 + static_cast<std::size_t>(c);
    }

    // An optional section: read only when the line at `pos` is its count line.
    template <class E>
    bool Present(const TLayout<E>& layout, std::size_t pos) const {
        return r_.Label(pos) == layout.CountLabel;
    }

    std::size_t ReadBlocks(std::size_t pos) {
        if (!Present(DesignBlockLayout(), pos)) return pos;
        return ReadSection(
            r_, DesignBlockLayout(), pos, {}, [&]() -> TCircuitBlock& { return AppendBlock(d_); },
            [](TCircuitBlock&) {});
    }

    std::size_t ReadPassives(std::size_t pos) {
        return ReadSection(
            r_, PartLayout(File), pos, {},
            [&]() -> TPart& {
                TPart& p = AppendPart(d_);
                p.StepMode = smmPC5;  // for a step mode the program does not know
                return p;
            },
            [&](TPart& p) { SetPartPosition(d_, p, p.Position); });
    }

    std::size_t ReadGrounds(std::size_t pos) {
        return ReadSection(
            r_, GroundLayout(File), pos, {}, [&]() -> TGround& { return AppendGround(d_); },
            [&](TGround& g) { SetGroundPosition(d_, g, g.Position); });
    }

    std::size_t ReadWires(std::size_t pos) {
        return ReadSection(
            r_, WireLayout(File), pos, {}, [&]() -> TWire& { return AppendWire(d_); },
            [&](TWire& w) { SetWireEnds(d_, w, w.End1, w.End2); });
    }

    std::size_t ReadTexts(std::size_t pos) {
        if (!Present(TextLayout(File), pos)) return pos;
        return ReadSection(
            r_, TextLayout(File), pos, {}, [&]() -> TSheetText& { return AppendText(d_); },
            [&](TSheetText& t) { SetTextPosition(d_, t, t.Position); });
    }

    // The lines of an embedded block from `first` up to the line that starts
    // with `end`; returns the index of that end line. A block without its end
    // line is a cut-off file.
    std::size_t BlockEnd(std::size_t first, const char* end) const {
        std::size_t k = first;
        while (!StartsWith(r_.Raw(k), end)) ++k;  // Raw throws at the end of the file
        return k;
    }

    void WriteBlock(const std::string& path, std::size_t first, std::size_t end) const {
        if (path.empty()) return;  // nowhere safe to put it: skipped
        std::vector<std::string> lines;
        lines.reserve(end - first);
        for (std::size_t k = first; k < end; ++k) lines.push_back(r_.Raw(k));
        std::string why;
        if (!WriteTextLines(path, lines, false, &why)) throw ESupportFileError("cannot write " + path + ": " + why);
    }

    // Drivers cannot be read as a plain section: each one's embedded files
    // follow its lines. Returns the line after the last driver's files.
    std::size_t ReadDrivers(std::size_t pos) {
        const TLayout<TDriver>& layout = DriverLayout();
        const TSectionHead h = r_.Section(pos, layout.Required);
        const int L = h.LinesPerElement;
        TLineContext c;
        c.SupportFolder = support_;
        pos = h.First;
        for (int i = 0; i < h.Count; ++i) {
            TDriver& drv = AppendDriver(d_);
            if (HasEarlierDriverTail(L)) {
                ReadElement(r_, layout, drv, pos, std::min(L, EarlierDriverTailFirstLine + 2), c);
                ReadElement(r_, EarlierDriverTail(), drv, pos + EarlierDriverTailFirstLine,
                            L - EarlierDriverTailFirstLine, c);
            } else {
                ReadElement(r_, layout, drv, pos, L, c);
            }
            SetDriverPosition(d_, drv, drv.Position);
            pos = ReadEmbedded(drv, pos + static_cast<std::size_t>(L));
        }
        return pos;
    }

    // A driver whose phase is derived from its level. When nothing could be
    // derived the driver still needs a response: the default one. Its FRD
    // file is given up only when the file itself is unusable (as an ordinary
    // load would); a file whose tails found no band stays, so that saving
    // keeps it.
    void LoadDerivedResponse(TDriver& drv) {
        if (LoadMinimumPhaseResponse(d_, drv, drv.Acoustic.FRDFile, messages_)) return;
        if (drv.Acoustic.Response.Re.size() != d_.Grid.size() || drv.Acoustic.Response.Im.size() != d_.Grid.size())
            SetDefaultResponse(drv);
        DataArray f, v, p;
        if (!ReadMeasurementData(drv.Acoustic.FRDFile, f, v, p) || f.empty()) drv.Acoustic.FRDFile.clear();
    }

    // The blocks that follow a driver's lines; returns the line after them.
    std::size_t ReadEmbedded(TDriver& drv, std::size_t pos) {
        if (r_.Has(pos) && StartsWith(r_.Raw(pos), "**ACOU ")) {
            const std::size_t end = BlockEnd(pos + 1, "**END ACOU");
            WriteBlock(drv.Acoustic.AcousticFile, pos + 1, end);
            if (!drv.Acoustic.AcousticFile.empty()) {
                if (LoadAcousticEffect(drv, drv.Acoustic.AcousticFile, messages_))
                    drv.Acoustic.UseAcousticModel = false;
                else
                    drv.Acoustic.AcousticFile.clear();
            }
            pos = end + 1;
        } else {
            drv.Acoustic.AcousticFile.clear();
        }

        // Every response file is written out before the driver's own is
        // loaded, whatever order the blocks come in.
        while (r_.Has(pos) && StartsWith(r_.Raw(pos), "**FRD ")) {
            const std::string name = r_.Value(pos + 1);
            const std::size_t end = BlockEnd(pos + 2, "**END ");
            WriteBlock(SupportFilePath(support_, name), pos + 2, end);
            pos = end + 1;
        }
        if (drv.Acoustic.FRDFile.empty()) {
            SetDefaultResponse(drv);
        } else if (drv.Acoustic.HilbertPhase) {
            LoadDerivedResponse(drv);
        } else {
            LoadDriverResponse(d_, drv, drv.Acoustic.FRDFile, messages_);
        }
        drv.Acoustic.FRDFolder.clear();

        if (r_.Has(pos) && StartsWith(r_.Raw(pos), "**ZMA ")) {
            const std::size_t end = BlockEnd(pos + 1, "**END ");
            WriteBlock(drv.ZMAFile, pos + 1, end);
            pos = end + 1;
        }
        if (drv.ZMAFile.empty())
            SetDefaultImpedance(drv);
        else
            LoadDriverImpedance(d_, drv, drv.ZMAFile, messages_);
        return pos;
    }

    TDesign& d_;
    TLineReader& r_;
    std::string support_;
    MessageSink& messages_;
};

}  // namespace

bool ReadDesignLinesWithSupportFolder(TDesign& target, std::vector<std::string> lines, const std::string& supportFolder,
                                      MessageSink& messages, std::string* why) {
    // Read into a design of its own: a file that fails half-way leaves the
    // open design as it was.
    TDesign d;
    d.Scale = target.Scale;
    d.Metrics = target.Metrics;
    EnsureAnalysisGrid(target);
    d.Grid = target.Grid;
    d.OctavesPerStep = target.OctavesPerStep;
    d.Source = target.Source;

    TLineReader r(std::move(lines));
    try {
        TDesignReader reader(d, r, supportFolder, messages);
        reader.Read();
    } catch (const EFileFormatError& e) {
        // A line missing, a count that cannot be right.
        SetWhy(why, std::string("damaged or not a design file: ") + e.what());
        return false;
    } catch (const std::bad_alloc&) {
        SetWhy(why, "not enough memory");  // an absurd file
        return false;
    } catch (const std::exception& e) {
        SetWhy(why, e.what());  // a support file that cannot be written
        return false;
    }
    RebuildBlockMembers(d);

    auto take = [&](auto... fields) { ((target.*fields = std::move(d.*fields)), ...); };
    take(&TDesign::Blocks, &TDesign::Parts, &TDesign::Drivers, &TDesign::Wires, &TDesign::Grounds, &TDesign::Texts,
         &TDesign::Source, &TDesign::OverallDelay, &TDesign::Settings);
    return true;
}

bool ReadDesignLines(TDesign& d, std::vector<std::string> lines, const std::string& path, MessageSink& messages,
                     std::string* why) {
    return ReadDesignLinesWithSupportFolder(d, std::move(lines), SupportFolderFor(path), messages, why);
}

bool ReadDesignWithSupportFolder(TDesign& d, const std::string& path, const std::string& supportFolder,
                                 MessageSink& messages, std::string* why) {
    auto lines = ReadTextLines(path, why);
    if (!lines) return false;
    return ReadDesignLinesWithSupportFolder(d, std::move(*lines), supportFolder, messages, why);
}

bool ReadDesign(TDesign& d, const std::string& path, MessageSink& messages, std::string* why) {
    return ReadDesignWithSupportFolder(d, path, SupportFolderFor(path), messages, why);
}

}  // namespace pelmo
