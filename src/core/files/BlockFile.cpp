#include "files/BlockFile.h"

#include "base/TextFile.h"
#include "files/ElementLayouts.h"
#include "model/Design.h"

namespace pelmo {

namespace {

constexpr TFileKind File = TFileKind::Block;

// A block read into its own record first, so that a failed read leaves the
// target's header alone.
class TBlockReader {
public:
    TBlockReader(const TDesign& d, TLineReader& r, TCircuitBlock& b, int index) : d_(d), r_(r), b_(b), index_(index) {}

    void Read() {
        // "rev 1" marks a header with the step modes; without it the header
        // ends before that line and every slot steps by smLog.
        const TLayout<TCircuitBlock>& header = BlockHeaderLayout();
        const int size = r_.Raw(BlockHeaderLinesBeforeStepModes) == BlockRevisionLine ? header.Size()
                                                                                      : BlockHeaderLinesBeforeStepModes;
        ReadElement(r_, header, b_, 0, size, {});
        std::size_t pos = static_cast<std::size_t>(size);

        const TPart& def = d_.DefaultPart(TPartType::Resistor);
        pos = ReadSection(
            r_, PartLayout(File), pos, {},
            [&]() -> TPart& {
                // A new resistor's defaults; the file gives the rest.
                TPart& p = Keep(b_.Parts, b_.Loose.Parts);
                p.StepMode = def.StepMode;
                p.SpecTolerance = def.SpecTolerance;
                p.SearchTolerance = def.SearchTolerance;
                p.ESRSearchTolerance = def.ESRSearchTolerance;
                p.State = TPartState::Normal;
                return p;
            },
            [&](TPart& p) { SetPartPosition(d_, p, p.Position); });
        pos = ReadSection(
            r_, GroundLayout(File), pos, {}, [&]() -> TGround& { return Keep(b_.Grounds, b_.Loose.Grounds); },
            [&](TGround& g) { SetGroundPosition(d_, g, g.Position); });
        pos = ReadSection(
            r_, WireLayout(File), pos, {}, [&]() -> TWire& { return Keep(b_.Wires, b_.Loose.Wires); },
            [&](TWire& w) { SetWireEnds(d_, w, w.End1, w.End2); });
        ReadSection(
            r_, TextLayout(File), pos, {}, [&]() -> TSheetText& { return Keep(b_.Texts, b_.Loose.Texts); },
            [&](TSheetText& t) { SetTextPosition(d_, t, t.Position); });
    }

private:
    const TDesign& d_;
    TLineReader& r_;
    TCircuitBlock& b_;
    int index_;

    // A new member of the block, owned by it until it is placed.
    template <class T>
    T& Keep(std::vector<T*>& members, std::vector<std::unique_ptr<T>>& owned) {
        owned.push_back(std::make_unique<T>());
        T& e = *owned.back();
        e.Subckt = index_;
        members.push_back(&e);
        return e;
    }
};

void DropMembers(TCircuitBlock& b) {
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

std::vector<std::string> BuildBlockFileLines(const TDesign& d, const TCircuitBlock& header, TPoint ref) {
    TLineWriter w;
    TLineContext c;
    c.Origin = ref;
    WriteElement(w, BlockHeaderLayout(), header, c);
    WriteSection(w, PartLayout(File), d.Parts, c);
    WriteSection(w, GroundLayout(File), d.Grounds, c);
    WriteSection(w, WireLayout(File), d.Wires, c);
    WriteSection(w, TextLayout(File), d.Texts, c);
    return w.Lines();
}

bool ReadBlockFile(const TDesign& d, const std::string& path, TCircuitBlock& block, int index) {
    auto lines = ReadTextLines(path);
    if (!lines) {
        DropMembers(block);
        return false;
    }
    return ReadBlockLines(d, std::move(*lines), block, index);
}

bool ReadBlockLines(const TDesign& d, std::vector<std::string> lines, TCircuitBlock& block, int index) {
    DropMembers(block);
    TLineReader r(std::move(lines));
    TCircuitBlock read;
    try {
        TBlockReader(d, r, read, index).Read();
    } catch (const EFileFormatError&) {
        return false;
    }
    // The header and the members are the file's; the rest of the block stays.
    auto take = [](auto& to, auto& from, auto... fields) { ((to.*fields = std::move(from.*fields)), ...); };
    take(block, read, &TCircuitBlock::Title, &TCircuitBlock::VarExpression, &TCircuitBlock::VarName,
         &TCircuitBlock::VarDesc, &TCircuitBlock::VarValue, &TCircuitBlock::VarStepMode, &TCircuitBlock::Parts,
         &TCircuitBlock::Wires, &TCircuitBlock::Grounds, &TCircuitBlock::Texts);
    take(block.Loose, read.Loose, &TLooseMembers::Parts, &TLooseMembers::Wires, &TLooseMembers::Grounds,
         &TLooseMembers::Texts);
    return true;
}

}  // namespace pelmo
