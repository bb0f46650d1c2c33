// Reading the design file.
#include <algorithm>
#include <cmath>

#include "base/Conversions.h"
#include "base/MessageSink.h"
#include "base/TextFile.h"
#include "driverdata/DriverLoad.h"
#include "driverdata/MeasurementFile.h"
#include "driverdata/MinimumPhase.h"
#include "files/DesignFile.h"
#include "files/ValueLines.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "model/StepModes.h"

namespace pelmo {

namespace {

// Lines every element of a section is read from, whatever its stated size.
constexpr int MinSourceLines = 5;
constexpr int MinBlockLines = 21;
constexpr int MinPassiveLines = 11;
constexpr int MinGroundLines = 2;
constexpr int MinWireLines = 4;
constexpr int MinTextLines = 5;
constexpr int MinDriverLines = 19;

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

double Finite(double x) {
    if (!std::isfinite(x)) throw EFileFormatError("number out of range");
    return x;
}

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
        ReadDrivers(pos);
        // The setup section and anything after the drivers are not used.
    }

private:
    int Coord(std::size_t index) const { return std::clamp(r_.Int(index), -FileCoordLimit, FileCoordLimit); }

    std::size_t ReadSource() {
        TSource& s = d_.Source;
        const int c = r_.Int(1);
        if (c < MinSourceLines) throw EFileFormatError("source lines");
        s.Vrms = r_.Real(2);
        s.Inverted = r_.Bool(3);
        const TPoint pos{Coord(4), Coord(5)};
        d_.OverallDelay = r_.Real(6);
        if (c > 5) {
            s.Power = r_.Real(7);
            s.Ohms = r_.Real(8);
            const double p = Finite(s.Power * s.Ohms);
            if (p < 0) throw EFileFormatError("negative power");
            s.Vrms = std::sqrt(p);
        } else {
            s.Power = Finite(s.Vrms * s.Vrms / 8.0);
            s.Ohms = 8.0;
        }
        SetSourcePosition(d_, s, pos);
        return 2 + static_cast<std::size_t>(c);
    }

    std::size_t ReadBlocks(std::size_t pos) {
        if (r_.Label(pos) != "Subckts") return pos;  // a file without blocks
        const TSectionHead h = r_.Section(pos, MinBlockLines);
        for (int i = 0; i < h.Count; ++i) {
            const std::size_t b = h.First + static_cast<std::size_t>(i) * h.LinesPerElement;
            TSubCkt& blk = AppendBlock(d_);
            blk.Title = r_.Value(b);
            blk.VarExpression[0] = r_.Raw(b + 1);
            blk.VarExpression[1] = r_.Raw(b + 2);
            for (int v = 0; v < BlockVarCount; ++v) {
                blk.VarName[v] = r_.Value(b + 3 + 3 * v);
                blk.VarValue[v] = r_.Real(b + 4 + 3 * v);
                blk.VarDesc[v] = r_.Raw(b + 5 + 3 * v);
            }
            if (h.LinesPerElement >= 22) {
                for (int v = 0; v < BlockVarCount; ++v) {
                    const int m = r_.Int(b + 21 + v);
                    blk.VarStepMode[v] = m == 0 ? smLog : m == 1 ? sm12345 : 0;
                }
            }
        }
        return h.First + static_cast<std::size_t>(h.Count) * h.LinesPerElement;
    }

    std::size_t ReadPassives(std::size_t pos) {
        const TSectionHead h = r_.Section(pos, MinPassiveLines);
        const int L = h.LinesPerElement;
        for (int i = 0; i < h.Count; ++i) {
            const std::size_t b = h.First + static_cast<std::size_t>(i) * L;
            const int type = r_.Int(b);
            if (type < ptResistor || type > ptInductor) throw EFileFormatError("part type");
            TPart& p = AppendPart(d_);
            p.Subckt = -1;
            p.PartType = static_cast<std::uint8_t>(type);
            p.RefDes = r_.Int(b + 1);
            p.PartNumber = r_.Value(b + 2);
            p.Value = p.BoundValue = r_.Real(b + 3);
            p.ESR = p.BoundESR = r_.Real(b + 4);
            p.Rating = p.BoundRating = r_.Real(b + 5);
            const TPoint at{Coord(b + 6), Coord(b + 7)};
            p.IsHorizontal = r_.Bool(b + 8);
            const int step = r_.Int(b + 9);
            p.StepMode = static_cast<std::uint8_t>(step >= smmPC2 && step <= smmCatalog ? step : smmPC5);
            p.State = r_.Int(b + 10);
            if (L >= 12) {
                p.Subckt = r_.Int(b + 11);
                p.Equation1 = EquationText(r_.Raw(b + 12));
                p.Equation2 = EquationText(r_.Raw(b + 13));
            }
            if (L < 15) {
                p.IsHighSpec = false;
                p.SpecTolerance = 0.05;
                p.SearchTolerance = 0.05;
                p.ESRSearchTolerance = 0.1;
            } else {
                p.IsHighSpec = r_.Bool(b + 14);
                p.SpecTolerance = r_.Real(b + 15);
                p.SearchTolerance = r_.Real(b + 16);
                p.ESRSearchTolerance = r_.Real(b + 17);
            }
            p.ChosenTolerance = L < 19 ? -1.0 : r_.Real(b + 18);
            p.Vendor = L < 20 ? std::string() : r_.Value(b + 19);
            SetPartPosition(d_, p, at);
        }
        return h.First + static_cast<std::size_t>(h.Count) * L;
    }

    std::size_t ReadGrounds(std::size_t pos) {
        const TSectionHead h = r_.Section(pos, MinGroundLines);
        for (int i = 0; i < h.Count; ++i) {
            const std::size_t b = h.First + static_cast<std::size_t>(i) * h.LinesPerElement;
            TGround& g = AppendGround(d_);
            const TPoint at{Coord(b), Coord(b + 1)};
            g.Subckt = h.LinesPerElement >= 3 ? r_.Int(b + 2) : -1;
            SetGroundPosition(d_, g, at);
        }
        return h.First + static_cast<std::size_t>(h.Count) * h.LinesPerElement;
    }

    std::size_t ReadWires(std::size_t pos) {
        const TSectionHead h = r_.Section(pos, MinWireLines);
        for (int i = 0; i < h.Count; ++i) {
            const std::size_t b = h.First + static_cast<std::size_t>(i) * h.LinesPerElement;
            TWire& w = AppendWire(d_);
            const TPoint e1{Coord(b), Coord(b + 1)}, e2{Coord(b + 2), Coord(b + 3)};
            w.Subckt = h.LinesPerElement >= 5 ? r_.Int(b + 4) : -1;
            SetWireEnds(d_, w, e1, e2);
        }
        return h.First + static_cast<std::size_t>(h.Count) * h.LinesPerElement;
    }

    std::size_t ReadTexts(std::size_t pos) {
        if (r_.Label(pos) != "Texts") return pos;  // a file without texts
        const TSectionHead h = r_.Section(pos, MinTextLines);
        for (int i = 0; i < h.Count; ++i) {
            const std::size_t b = h.First + static_cast<std::size_t>(i) * h.LinesPerElement;
            TStext& t = AppendText(d_);
            t.Text = r_.Raw(b);
            const TPoint at{Coord(b + 1), Coord(b + 2)};
            t.Size = std::clamp(r_.Int(b + 3), 0, FileTextSizeLimit);
            t.Color = r_.Int(b + 4);
            t.Subckt = h.LinesPerElement >= 6 ? r_.Int(b + 5) : -1;
            SetTextPosition(d_, t, at);
        }
        return h.First + static_cast<std::size_t>(h.Count) * h.LinesPerElement;
    }

    // The path of a file named in the design: inside the support folder, or ""
    // when the name is empty or cannot be a plain file name.
    std::string SupportPath(const std::string& name) const {
        const std::string safe = SafeEmbeddedName(name);
        return safe.empty() ? std::string() : support_ + safe;
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
        if (!WriteTextLines(path, lines, false)) throw EFileFormatError("cannot write " + path);
    }

    void ReadDrivers(std::size_t pos) {
        const TSectionHead h = r_.Section(pos, MinDriverLines);
        const int L = h.LinesPerElement;
        pos = h.First;
        for (int i = 0; i < h.Count; ++i) {
            const std::size_t b = pos;
            r_.Raw(b + L - 1);  // the driver's lines are all there
            TDriver& drv = AppendDriver(d_);
            drv.RefDes = r_.Int(b + 1);
            drv.Name = r_.Value(b + 2);
            drv.PartNumber = r_.Value(b + 3);
            const TPoint at{Coord(b + 4), Coord(b + 5)};
            drv.Inverted = r_.Bool(b + 6);
            drv.Muted = r_.Bool(b + 7);
            drv.Rating = r_.Real(b + 8);
            drv.Gain = DbToLin(r_.Real(b + 9));
            drv.Delay = r_.Real(b + 10);
            drv.Xoffs = r_.Real(b + 11);
            drv.Yoffs = r_.Real(b + 12);
            drv.Zoffs = r_.Real(b + 13);
            drv.Htilt = r_.Real(b + 14);
            drv.Vtilt = r_.Real(b + 15);
            drv.dia = r_.Real(b + 16);
            drv.FRDFile = SupportPath(r_.Value(b + 17));
            drv.ZMAFile = SupportPath(r_.Value(b + 18));
            if (L >= 20) {
                drv.HilbertPhase = r_.Bool(b + 19);
                drv.HilbertLowFreq = r_.Real(b + 20);
                drv.HilbertHighFreq = r_.Real(b + 21);
                drv.HilbertLowSlope = r_.Real(b + 22);
                drv.HilbertHighSlope = r_.Real(b + 23);
            } else {
                drv.HilbertPhase = false;
                drv.HilbertLowFreq = 100.0;
                drv.HilbertHighFreq = 16000.0;
                drv.HilbertLowSlope = 24.0;
                drv.HilbertHighSlope = 36.0;
            }
            if (L >= 25) {
                drv.HilbertInvert = r_.Bool(b + 24);
                drv.HilbertDelay = r_.Real(b + 25);
            }
            if (L >= 27) {
                drv.UseAcousticModel = r_.Bool(b + 26);
                drv.AcousticFile = SupportPath(r_.Value(b + 27));
            }
            if (L >= 33) {
                drv.Vendor = r_.Value(b + 28);
                drv.NominalDia = r_.Real(b + 29);
                drv.RectHeight = r_.Real(b + 30);
                drv.RectWidth = r_.Real(b + 31);
                drv.Description = r_.Value(b + 32);
            } else if (L >= 27) {
                // The earlier layout kept these from line 26 on.
                drv.Vendor = r_.Value(b + 26);
                if (L >= 28) {
                    drv.NominalDia = r_.Real(b + 27);
                    drv.RectHeight = r_.Real(b + 28);
                    drv.RectWidth = r_.Real(b + 29);
                    drv.Description = r_.Value(b + 30);
                }
            }
            SetDriverPosition(d_, drv, at);
            pos = ReadEmbedded(drv, b + static_cast<std::size_t>(L));
        }
    }

    // A driver whose phase is derived from its level. When nothing could be
    // derived the driver still needs a response: the default one. Its FRD
    // file is given up only when the file itself is unusable (as an ordinary
    // load would); a file whose tails found no band stays, so that saving
    // keeps it.
    void LoadDerivedResponse(TDriver& drv) {
        if (LoadMinimumPhaseResponse(d_, drv, drv.FRDFile, messages_)) return;
        if (drv.Response.Re.size() != d_.Grid.size() || drv.Response.Im.size() != d_.Grid.size())
            SetDefaultResponse(drv);
        DataArray f, v, p;
        const auto bytes = ReadFileBytes(drv.FRDFile);
        if (!bytes || !ParseMeasurementLines(SplitLines(*bytes), f, v, p) || f.empty()) drv.FRDFile.clear();
    }

    // The blocks that follow a driver's lines; returns the line after them.
    std::size_t ReadEmbedded(TDriver& drv, std::size_t pos) {
        if (r_.Has(pos) && StartsWith(r_.Raw(pos), "**ACOU ")) {
            const std::size_t end = BlockEnd(pos + 1, "**END ACOU");
            WriteBlock(drv.AcousticFile, pos + 1, end);
            if (!drv.AcousticFile.empty()) {
                if (LoadAcousticEffect(drv, drv.AcousticFile, messages_))
                    drv.UseAcousticModel = false;
                else
                    drv.AcousticFile.clear();
            }
            pos = end + 1;
        } else {
            drv.AcousticFile.clear();
        }

        // Every response file is written out before the driver's own is
        // loaded, whatever order the blocks come in.
        while (r_.Has(pos) && StartsWith(r_.Raw(pos), "**FRD ")) {
            const std::string name = r_.Value(pos + 1);
            const std::size_t end = BlockEnd(pos + 2, "**END ");
            WriteBlock(SupportPath(name), pos + 2, end);
            pos = end + 1;
        }
        if (drv.FRDFile.empty()) {
            SetDefaultResponse(drv);
        } else if (drv.HilbertPhase) {
            LoadDerivedResponse(drv);
        } else {
            LoadDriverResponse(d_, drv, drv.FRDFile, messages_);
        }
        drv.FRDFolder.clear();

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

bool ReadDesignLines(TDesign& target, std::vector<std::string> lines, const std::string& path, MessageSink& messages) {
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
        TDesignReader reader(d, r, SupportFolderFor(path), messages);
        reader.Read();
    } catch (const std::exception&) {
        // A line missing, a count that cannot be right, a support file that
        // cannot be written, or memory running out on an absurd file.
        return false;
    }
    RebuildBlockMembers(d);

    target.Blocks = std::move(d.Blocks);
    target.Parts = std::move(d.Parts);
    target.Drivers = std::move(d.Drivers);
    target.Wires = std::move(d.Wires);
    target.Grounds = std::move(d.Grounds);
    target.Texts = std::move(d.Texts);
    target.Source = d.Source;
    target.OverallDelay = d.OverallDelay;
    return true;
}

bool ReadDesign(TDesign& d, const std::string& path, MessageSink& messages) {
    auto lines = ReadTextLines(path);
    if (!lines) return false;
    return ReadDesignLines(d, std::move(*lines), path, messages);
}

}  // namespace pelmo
