#include "files/BlockFile.h"

#include <algorithm>

#include "base/MessageSink.h"
#include "base/TextFile.h"
#include "files/ValueLines.h"
#include "model/Design.h"
#include "model/StepModes.h"

namespace pelmo {

namespace {

constexpr const char* RevisionLine = "rev 1";
constexpr int HeaderLines = 21;  // title, two expressions, six slots of three lines
constexpr int PassiveLines = 12;
constexpr int GroundLines = 2;
constexpr int WireLines = 4;
constexpr int TextLines = 5;

// Only two step modes survive the file: "1" is sm12345, anything else reads
// as smLog, so only sm12345 is written as "1".
std::string StepModeLine(std::uint8_t mode) {
    return mode == sm12345 ? "  1    //step mpde (0=Log)" : "  0    //step mpde (0=Log)";
}

std::string Indexed(const char* label, int v) { return label + std::to_string(v); }

// A block read into its own record first, so that a failed read leaves the
// target's header alone.
class TBlockReader {
public:
    TBlockReader(const TDesign& d, TLineReader& r, TSubCkt& b, int index) : d_(d), r_(r), b_(b), index_(index) {}

    void Read() {
        b_.Title = r_.Raw(0);
        b_.VarExpression[0] = r_.Raw(1);
        b_.VarExpression[1] = r_.Raw(2);
        for (int v = 0; v < BlockVarCount; ++v) {
            b_.VarName[v] = r_.Value(3 + 3 * v);
            b_.VarDesc[v] = r_.Raw(4 + 3 * v);
            b_.VarValue[v] = r_.Real(5 + 3 * v);
        }
        std::size_t pos = HeaderLines;
        if (r_.Raw(HeaderLines) == RevisionLine) {
            for (int v = 0; v < BlockVarCount; ++v)
                b_.VarStepMode[v] = r_.Int(HeaderLines + 1 + v) != 0 ? sm12345 : smLog;
            pos = HeaderLines + 1 + BlockVarCount;
        } else {
            b_.VarStepMode.fill(smLog);  // written before step modes were stored
        }
        pos = ReadPassives(pos);
        pos = ReadGrounds(pos);
        pos = ReadWires(pos);
        ReadTexts(pos);
    }

private:
    const TDesign& d_;
    TLineReader& r_;
    TSubCkt& b_;
    int index_;

    int Coord(std::size_t line) const { return std::clamp(r_.Int(line), -FileCoordLimit, FileCoordLimit); }
    TPoint At(std::size_t line) const { return {Coord(line), Coord(line + 1)}; }

    static std::size_t Next(const TSectionHead& h) {
        return h.First + static_cast<std::size_t>(h.Count) * static_cast<std::size_t>(h.LinesPerElement);
    }
    static std::size_t Element(const TSectionHead& h, int i) {
        return h.First + static_cast<std::size_t>(i) * static_cast<std::size_t>(h.LinesPerElement);
    }

    std::size_t ReadPassives(std::size_t pos) {
        const TSectionHead h = r_.Section(pos, PassiveLines);
        const TPart& def = d_.DefaultParts[ptResistor];
        for (int i = 0; i < h.Count; ++i) {
            const std::size_t e = Element(h, i);
            const int type = r_.Int(e);
            if (type < ptResistor || type > ptInductor) throw EFileFormatError("part type");
            auto p = std::make_unique<TPart>();
            // A new resistor's defaults; the file gives the rest.
            p->StepMode = def.StepMode;
            p->SpecTolerance = def.SpecTolerance;
            p->SearchTolerance = def.SearchTolerance;
            p->ESRSearchTolerance = def.ESRSearchTolerance;
            p->State = psNormal;
            p->Subckt = index_;
            p->PartType = static_cast<std::uint8_t>(type);
            p->PartNumber = r_.Value(e + 1);
            p->Value = p->BoundValue = r_.Real(e + 2);
            p->ESR = p->BoundESR = r_.Real(e + 3);
            p->Rating = p->BoundRating = r_.Real(e + 4);
            const TPoint at = At(e + 5);
            p->IsHorizontal = r_.Bool(e + 7);
            const int step = r_.Int(e + 8);
            p->StepMode = static_cast<std::uint8_t>(step >= smmPC2 && step <= smmCatalog ? step : def.StepMode);
            p->State = r_.Int(e + 9);
            p->Equation1 = EquationText(r_.Raw(e + 10));
            p->Equation2 = EquationText(r_.Raw(e + 11));
            SetPartPosition(d_, *p, at);
            b_.Parts.push_back(p.get());
            b_.Loose.Parts.push_back(std::move(p));
        }
        return Next(h);
    }

    std::size_t ReadGrounds(std::size_t pos) {
        const TSectionHead h = r_.Section(pos, GroundLines);
        for (int i = 0; i < h.Count; ++i) {
            auto g = std::make_unique<TGround>();
            g->Subckt = index_;
            SetGroundPosition(d_, *g, At(Element(h, i)));
            b_.Grounds.push_back(g.get());
            b_.Loose.Grounds.push_back(std::move(g));
        }
        return Next(h);
    }

    std::size_t ReadWires(std::size_t pos) {
        const TSectionHead h = r_.Section(pos, WireLines);
        for (int i = 0; i < h.Count; ++i) {
            const std::size_t e = Element(h, i);
            auto w = std::make_unique<TWire>();
            w->Subckt = index_;
            SetWireEnds(d_, *w, At(e), At(e + 2));
            b_.Wires.push_back(w.get());
            b_.Loose.Wires.push_back(std::move(w));
        }
        return Next(h);
    }

    void ReadTexts(std::size_t pos) {
        const TSectionHead h = r_.Section(pos, TextLines);
        for (int i = 0; i < h.Count; ++i) {
            const std::size_t e = Element(h, i);
            auto t = std::make_unique<TStext>();
            t->Subckt = index_;
            t->Text = r_.Raw(e);
            t->Size = std::clamp(r_.Int(e + 3), 0, FileTextSizeLimit);
            t->Color = r_.Int(e + 4);
            SetTextPosition(d_, *t, At(e + 1));
            b_.Texts.push_back(t.get());
            b_.Loose.Texts.push_back(std::move(t));
        }
    }
};

void DropMembers(TSubCkt& b) {
    b.Parts.clear();
    b.Wires.clear();
    b.Grounds.clear();
    b.Texts.clear();
    b.Loose.Parts.clear();
    b.Loose.Wires.clear();
    b.Loose.Grounds.clear();
    b.Loose.Texts.clear();
}

}  // namespace

std::vector<std::string> BuildBlockFileLines(const TDesign& d, const TSubCkt& header, TPoint ref) {
    TLineWriter w;
    w.Add(header.Title);
    w.Add(header.VarExpression[0]);
    w.Add(header.VarExpression[1]);
    for (int v = 0; v < BlockVarCount; ++v) {
        w.Value(header.VarName[v], Indexed("Variable #", v));
        w.Add(header.VarDesc[v]);
        w.Value(FileReal(header.VarValue[v]), Indexed("VarValue #", v));
    }
    w.Add(RevisionLine);
    for (int v = 0; v < BlockVarCount; ++v) w.Add(StepModeLine(header.VarStepMode[v]));

    auto count = [&](std::size_t n, const char* label, int lines, const char* perLabel) {
        w.Add(ValueLine(FileInt(static_cast<long long>(n)), label, ""));
        w.Add(ValueLine(FileInt(lines), perLabel, ""));
    };
    auto x = [&](int v) { return FileInt(static_cast<long long>(v) - ref.X); };
    auto y = [&](int v) { return FileInt(static_cast<long long>(v) - ref.Y); };

    count(d.Parts.size(), "Passives", PassiveLines, "Lines Per Passive");
    for (const auto& p : d.Parts) {
        w.Add(ValueLine(FileInt(p->PartType), "PartType", " "));
        w.Value(p->PartNumber, "Part#");
        w.Value(FileReal(p->Value), "Value");
        w.Value(FileReal(p->ESR), "ESR");
        w.Value(FileReal(p->Rating), "Rating");
        w.Value(x(p->Position.X), "position X");
        w.Value(y(p->Position.Y), "position Y");
        w.Add("  " + FileBool(p->IsHorizontal) + "  //Is Horizontal");
        w.Value(FileInt(p->StepMode), "StepMode");
        w.Value(FileInt(p->State), "0short/1val/2open");
        w.Add(TrimBlanks(p->Equation1));
        w.Add(TrimBlanks(p->Equation2));
    }
    count(d.Grounds.size(), "Grounds", GroundLines, "Lines Per Ground");
    for (const auto& g : d.Grounds) {
        w.Add(ValueLine(x(g->Position.X), "position X", " "));
        w.Value(y(g->Position.Y), "position Y");
    }
    count(d.Wires.size(), "Wires", WireLines, "Lines Per Wire");
    for (const auto& wire : d.Wires) {
        w.Add(ValueLine(x(wire->End1.X), "End1 X", " "));
        w.Value(y(wire->End1.Y), "End1 Y");
        w.Value(x(wire->End2.X), "End2 X");
        w.Value(y(wire->End2.Y), "End2 Y");
    }
    count(d.Texts.size(), "Texts", TextLines, "Lines Per Text");
    for (const auto& t : d.Texts) {
        w.Add(t->Text);
        w.Value(x(t->Position.X), "position X");
        w.Value(y(t->Position.Y), "position Y");
        w.Value(FileInt(t->Size), "Size");
        w.Value(FileInt(t->Color), "color");
    }
    return w.Lines();
}

bool ReadBlockFile(const TDesign& d, const std::string& path, TSubCkt& block, int index) {
    auto lines = ReadTextLines(path);
    if (!lines) {
        DropMembers(block);
        return false;
    }
    return ReadBlockLines(d, std::move(*lines), block, index);
}

bool ReadBlockLines(const TDesign& d, std::vector<std::string> lines, TSubCkt& block, int index) {
    DropMembers(block);
    TLineReader r(std::move(lines));
    TSubCkt read;
    try {
        TBlockReader(d, r, read, index).Read();
    } catch (const EFileFormatError&) {
        return false;
    }
    block.Title = std::move(read.Title);
    block.VarExpression = std::move(read.VarExpression);
    block.VarName = std::move(read.VarName);
    block.VarDesc = std::move(read.VarDesc);
    block.VarValue = read.VarValue;
    block.VarStepMode = read.VarStepMode;
    block.Parts = std::move(read.Parts);
    block.Wires = std::move(read.Wires);
    block.Grounds = std::move(read.Grounds);
    block.Texts = std::move(read.Texts);
    block.Loose.Parts = std::move(read.Loose.Parts);
    block.Loose.Wires = std::move(read.Loose.Wires);
    block.Loose.Grounds = std::move(read.Loose.Grounds);
    block.Loose.Texts = std::move(read.Loose.Texts);
    return true;
}

}  // namespace pelmo
