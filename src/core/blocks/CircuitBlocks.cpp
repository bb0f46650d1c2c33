#include "blocks/CircuitBlocks.h"

#include <algorithm>
#include <unordered_set>

#include "base/MessageSink.h"
#include "blocks/bcParser.h"
#include "files/ValueLines.h"
#include "model/Design.h"
#include "values/ESeries.h"

namespace pelmo {

namespace {

constexpr bcFloat PiExtended = 3.141592653589793238462643383279502884L;

bool SameName(const std::string& a, const std::string& b) {
    const TCaseInsensitiveLess less;
    return !less(a, b) && !less(b, a);
}

TPoint Shifted(TPoint p, TPoint by) { return {p.X + by.X, p.Y + by.Y}; }

void ClearMemberLists(TCircuitBlock& b) {
    b.Parts.clear();
    b.Wires.clear();
    b.Grounds.clear();
    b.Texts.clear();
}

// The members of later blocks follow their blocks down one place.
void RenumberBlocksAfter(TDesign& d, int index) {
    for (int j = index + 1; j < static_cast<int>(d.Blocks.size()); ++j) {
        TCircuitBlock& b = *d.Blocks[j];
        for (TPart* p : b.Parts) p->Subckt = j - 1;
        for (TWire* w : b.Wires) w->Subckt = j - 1;
        for (TGround* g : b.Grounds) g->Subckt = j - 1;
        for (TSheetText* t : b.Texts) t->Subckt = j - 1;
    }
}

template <class T>
void RemoveMembers(std::vector<std::unique_ptr<T>>& collection, const std::vector<T*>& members) {
    const std::unordered_set<const T*> gone(members.begin(), members.end());
    std::erase_if(collection, [&](const std::unique_ptr<T>& e) { return gone.count(e.get()) != 0; });
}

// Hands the members a block owns to the design; parts get the next free
// designator of their type.
void AdoptMembers(TDesign& d, TCircuitBlock& b) {
    for (auto& p : b.Loose.Parts) {
        p->RefDes = NextPartRefDes(d, p->PartType);
        d.Parts.push_back(std::move(p));
    }
    for (auto& w : b.Loose.Wires) d.Wires.push_back(std::move(w));
    for (auto& g : b.Loose.Grounds) d.Grounds.push_back(std::move(g));
    for (auto& t : b.Loose.Texts) d.Texts.push_back(std::move(t));
    b.Loose.Parts.clear();
    b.Loose.Wires.clear();
    b.Loose.Grounds.clear();
    b.Loose.Texts.clear();
}

}  // namespace

TbcParser& BlockEvaluator() {
    // Created with its variables cleared: every evaluation defines its own.
    // One per thread, so that a search solving its own copy of the design
    // on another thread never shares the evaluator with the program's solve.
    thread_local TbcParser* const parser = [] {
        thread_local TbcParser p;
        p.ClearVariables();
        return &p;
    }();
    return *parser;
}

void EvaluateBlockValues(const TCircuitBlock& b, TbcParser& p, MessageSink& messages, TBlockValues& out) {
    out = {};
    p.ClearVariables();
    p.DefineVariable("pi", PiExtended);

    std::array<bool, BlockVarCount> defined{};
    for (int v = 0; v < BlockVarCount; ++v) {
        const std::string& name = b.VarName[v];
        if (name.empty()) continue;
        bool ok = true;
        for (int u = 0; u < v; ++u)
            if (defined[u] && SameName(b.VarName[u], name)) ok = false;
        if (ok) {
            try {
                p.DefineVariable(name, b.VarValue[v]);
            } catch (const EbcParserError&) {
                ok = false;
            }
        }
        if (!ok) {
            messages.ShowMessage(MsgIllegalVariableName);
            break;
        }
        defined[v] = true;
    }

    for (int v = 0; v < 2; ++v) {
        const std::string& name = b.VarName[v];
        const std::string& expression = b.VarExpression[v];
        if (!defined[v] || TrimBlanks(expression).empty()) continue;
        try {
            p.SetExpression(expression);
            // Only user variables and earlier intermediates: the result must
            // not depend on what the previous solve left in the slots.
            if (p.UsesVariable(name) || (v == 0 && defined[1] && p.UsesVariable(b.VarName[1]))) continue;
            const double value = p.GetValue();
            out.Intermediate[static_cast<std::size_t>(v)] = value;
            p.DefineVariable(name, value);
        } catch (const std::exception&) {
            messages.ShowMessage(MsgBlockExpressionError);
        }
    }

    // Member by member, so that an error leaves the members before it done.
    out.Members.reserve(b.Parts.size());
    for (const TPart* part : b.Parts) {
        TBlockValues::TMember m;
        if (!TrimBlanks(part->Equation1).empty()) {
            p.SetExpression(part->Equation1);
            m.Value = RoundToESeries(p.GetValue(), esE48);
        }
        out.Members.push_back(m);
        if (!TrimBlanks(part->Equation2).empty()) {
            p.SetExpression(part->Equation2);
            out.Members.back().Second = p.GetValue();
        }
        out.Members.back().SecondDone = true;
    }
    out.Complete = true;
}

double TBlockValues::TMember::ValueOf(const TPart& p) const { return Value ? *Value : p.Value; }

double TBlockValues::TMember::ESROf(const TPart& p) const {
    return Second && p.PartType != TPartType::Resistor ? *Second : p.ESR;
}

void ApplyBlockValues(TCircuitBlock& b, const TBlockValues& values) {
    for (std::size_t v = 0; v < values.Intermediate.size(); ++v)
        if (values.Intermediate[v]) b.VarValue[v] = *values.Intermediate[v];
    for (std::size_t i = 0; i < values.Members.size() && i < b.Parts.size(); ++i) {
        TPart& part = *b.Parts[i];
        const TBlockValues::TMember& m = values.Members[i];
        if (m.Value) part.Value = *m.Value;
        part.BoundValue = part.Value;
        if (!m.SecondDone) continue;
        // The second expression drives a resistor's rating, else the ESR; the
        // bound field it does not drive keeps the part's own value.
        if (m.Second) (part.PartType == TPartType::Resistor ? part.Rating : part.ESR) = *m.Second;
        part.BoundRating = part.Rating;
        part.BoundESR = part.ESR;
    }
    b.NeedsEval = !values.Complete;
}

void ApplyBlockValues(TDesign& d, const std::vector<TBlockValues>& values) {
    for (std::size_t b = 0; b < values.size() && b < d.Blocks.size(); ++b) ApplyBlockValues(*d.Blocks[b], values[b]);
}

void EvaluateBlock(TCircuitBlock& b, TbcParser& p, MessageSink& messages) {
    if (!b.NeedsEval) return;
    TBlockValues values;
    try {
        EvaluateBlockValues(b, p, messages, values);
    } catch (...) {
        ApplyBlockValues(b, values);
        throw;
    }
    ApplyBlockValues(b, values);
}

void EvaluateBlocks(TDesign& d, MessageSink& messages) {
    for (auto& b : d.Blocks) {
        b->NeedsEval = true;
        EvaluateBlock(*b, BlockEvaluator(), messages);
    }
}

void PlaceBlock(TDesign& d, TCircuitBlock& b, int index, TPoint point, bool moving) {
    b.Selected = false;
    UpdateBlockExtent(b);
    const TPoint by{point.X - b.Center.X, point.Y - b.Center.Y};
    if (!moving) AdoptMembers(d, b);
    for (TPart* p : b.Parts) {
        p->Subckt = index;
        SetPartPosition(d, *p, Shifted(p->Position, by));
    }
    for (TGround* g : b.Grounds) {
        g->Subckt = index;
        SetGroundPosition(d, *g, Shifted(g->Position, by));
    }
    for (TWire* w : b.Wires) {
        w->Subckt = index;
        w->Selected = false;
        SetWireEnds(d, *w, Shifted(w->End1, by), Shifted(w->End2, by));
    }
    for (TSheetText* t : b.Texts) {
        t->Subckt = index;
        SetTextPosition(d, *t, Shifted(t->Position, by));
    }
    UpdateBlockExtent(b);
    // Placed as free elements, the members no longer belong to the block.
    if (index < 0) ClearMemberLists(b);
}

void PlaceNewBlock(TDesign& d, TPoint point) {
    if (d.Blocks.empty()) return;
    const int index = static_cast<int>(d.Blocks.size()) - 1;
    PlaceBlock(d, *d.Blocks[index], index, point);
    d.Blocks[index]->NeedsEval = true;
}

void DissolveBlock(TDesign& d, int index) {
    if (index < 0 || index >= static_cast<int>(d.Blocks.size())) return;
    TCircuitBlock& b = *d.Blocks[index];
    for (TPart* p : b.Parts) p->Subckt = -1;
    for (TWire* w : b.Wires) w->Subckt = -1;
    for (TGround* g : b.Grounds) g->Subckt = -1;
    for (TSheetText* t : b.Texts) t->Subckt = -1;
    ClearMemberLists(b);
    RenumberBlocksAfter(d, index);
    d.Blocks.erase(d.Blocks.begin() + index);
}

void DeleteBlock(TDesign& d, int index) {
    if (index < 0 || index >= static_cast<int>(d.Blocks.size())) return;
    TCircuitBlock& b = *d.Blocks[index];
    RemoveMembers(d.Parts, b.Parts);
    RemoveMembers(d.Wires, b.Wires);
    RemoveMembers(d.Grounds, b.Grounds);
    RemoveMembers(d.Texts, b.Texts);
    ClearMemberLists(b);
    RenumberBlocksAfter(d, index);
    d.Blocks.erase(d.Blocks.begin() + index);
}

bool ChangeBlockDesignMode(TDesign& d, MessageSink& messages, const std::function<bool()>& save) {
    if (d.Modified) {
        const MessageSink::Answer answer = messages.Ask("Save current design?", true);
        if (answer == MessageSink::Answer::Cancel) return false;
        // Going on after a failed or cancelled save would throw the design away.
        if (answer == MessageSink::Answer::Yes && (!save || !save())) return false;
    }
    d.BlockDesignMode = !d.BlockDesignMode;
    ClearElements(d);
    d.Settings.clear();
    d.FileName.clear();
    if (d.BlockDesignMode) {
        d.Source.Placed = false;  // a block has no source
    } else {
        ClearMemberLists(d.SharedBlock);
        d.SharedBlock.Loose = {};
        InitSource(d.Source);
        SetSourcePosition(d, d.Source, d.Source.Position);
    }
    d.Modified = false;
    return true;
}

std::optional<std::string> CheckBlockVariableName(const TCircuitBlock& b, int slot, const std::string& name) {
    if (name.empty()) return std::nullopt;
    try {
        TbcParser p;
        p.DefineVariable(name, 0);
    } catch (const EbcParserError& e) {
        return std::string(e.what());
    }
    // "pi" is defined before the slots, so a slot of that name would replace it.
    if (SameName(name, "pi")) return std::string(MsgIllegalVariableName);
    for (int v = 0; v < BlockVarCount; ++v)
        if (v != slot && SameName(b.VarName[v], name)) return std::string(MsgIllegalVariableName);
    return std::nullopt;
}

std::vector<int> TunedBlockSlots(const TCircuitBlock& b) {
    std::vector<int> slots;
    for (int v = 2; v <= 4; ++v)
        if (!b.VarDesc[v].empty()) slots.push_back(v);
    return slots;
}

void StoreTunedBlockVariables(TCircuitBlock& b, const std::array<double, 3>& values,
                              const std::array<unsigned char, 3>& stepModes) {
    for (int i = 0; i < 3; ++i) {
        b.VarValue[2 + i] = values[i];
        b.VarStepMode[2 + i] = stepModes[i];
    }
    b.NeedsEval = true;
}

}  // namespace pelmo
