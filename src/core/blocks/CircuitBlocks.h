#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/Geometry.h"

// Circuit blocks: groups of parts whose values are expressions of a few named
// variables. Evaluating writes the members' bound values; placing, moving,
// dissolving and deleting keep every member bound to its own block.

namespace pelmo {

struct TDesign;
struct TPart;
struct TCircuitBlock;
class MessageSink;
class TbcParser;

inline constexpr const char* MsgIllegalVariableName = "Illegal or duplicated variable name";
inline constexpr const char* MsgBlockExpressionError = "Error evaluating Circuit Block expression!";

// The evaluator the blocks share: one per thread for the whole run.
TbcParser& BlockEvaluator();

// Recomputes the member values of one block when it is marked NeedsEval:
// 1. the slot variables are defined ("pi" too); an invalid or repeated name
//    shows "Illegal or duplicated variable name" and leaves the later slots
//    undefined;
// 2. the intermediate variables (slots 0 and 1) are computed from their
//    expressions in slot order, so slot 1 and every member expression see the
//    new values. An expression that names its own slot or the later
//    intermediate slot is not computed (it would feed on its previous result
//    and drift at every solve); its slot keeps its stored value. Errors show
//    "Error evaluating Circuit Block expression!" and evaluation goes on;
// 3. each member part's value expression, rounded to E48, sets Value and
//    BoundValue; its second expression sets ESR (capacitors, inductors) or
//    Rating (resistors), unrounded; parts without expressions take their own
//    values as bound values.
// An error in a member expression is thrown (EbcParserError or EbcMathError)
// and the block stays marked NeedsEval.
void EvaluateBlock(TCircuitBlock& block, TbcParser& parser, MessageSink& messages);

// What evaluating a block gives, kept apart from the block: the solve uses
// the values without writing them into the design; ApplyBlockValues writes
// them, as EvaluateBlock does.
struct TBlockValues {
    // The intermediate variables (slots 0 and 1) computed; empty where the
    // slot keeps its stored value.
    std::array<std::optional<double>, 2> Intermediate;
    // Per member part, in the order of the block's Parts: the values of its
    // two expressions (empty where it has none). A member is listed once its
    // value is known; SecondDone tells whether its second expression was
    // reached too.
    struct TMember {
        std::optional<double> Value;   // rounded to E48
        std::optional<double> Second;  // a resistor's rating, else the ESR
        bool SecondDone = false;
        // What the member is solved with: these values where there are, else
        // the part's own.
        double ValueOf(const TPart& p) const;
        double ESROf(const TPart& p) const;
    };
    std::vector<TMember> Members;
    // False when a member expression ended the evaluation: the members
    // before it are done, the others are not.
    bool Complete = false;
};

// Steps 1 to 3 above without writing anything: the values go to `out`,
// member by member. A member expression error is thrown as above, with
// `out` holding what was done before it. Evaluates whether or not the block
// is marked NeedsEval.
void EvaluateBlockValues(const TCircuitBlock& block, TbcParser& parser, MessageSink& messages, TBlockValues& out);

// Writes evaluated values into the block and its members (value and bound
// value, ESR or rating and their bound fields); the block stays marked
// NeedsEval when the evaluation did not complete.
void ApplyBlockValues(TCircuitBlock& block, const TBlockValues& values);
// The same for the design's blocks, values[b] into block b (a list shorter
// than the blocks leaves the later ones alone).
void ApplyBlockValues(TDesign& d, const std::vector<TBlockValues>& values);

// Marks every circuit block as needing evaluation and evaluates it, so that
// every bound member part carries its current BoundValue and BoundESR. The
// solve calls this before its sweep; member expression errors propagate.
void EvaluateBlocks(TDesign& d, MessageSink& messages);

// Puts a block's members on the sheet centred at `point`. A block not yet on
// the sheet hands its members to the design's collections, and its parts get
// the next free designators; `moving` shifts members already there. Members
// get Subckt = index; with index -1 they become free elements and the block
// keeps only its header.
void PlaceBlock(TDesign& d, TCircuitBlock& block, int index, TPoint point, bool moving = false);

// Places a block just read from a file (the last one of the design) at the
// clicked point and marks it for evaluation.
void PlaceNewBlock(TDesign& d, TPoint point);

// "Change Block to separate parts": the members stay as free elements with
// their current values, the block goes, and the members of later blocks are
// renumbered so they stay with their own blocks.
void DissolveBlock(TDesign& d, int index);

// Deletes a block together with its members; later blocks keep their members.
void DeleteBlock(TDesign& d, int index);

// Flips between the schematic and the block designer. A modified design is
// offered for saving first ("Save current design?", Yes/No/Cancel); when the
// user cancels, or says Yes and `save` does not succeed, nothing changes and
// false is returned.
// Entering discards the design and the source; leaving discards the drawing,
// empties the block's member lists and puts a new source with its start-up
// values on the sheet. Both ways the design becomes untitled and unmodified.
bool ChangeBlockDesignMode(TDesign& d, MessageSink& messages, const std::function<bool()>& save);

// A name typed for a variable slot of the block under design, checked as the
// evaluation will check it: the evaluator's message for a name it refuses,
// "Illegal or duplicated variable name" for one that another slot (or "pi")
// already has, regardless of letter case. An empty name is fine: the slot is
// unused.
std::optional<std::string> CheckBlockVariableName(const TCircuitBlock& header, int slot, const std::string& name);

// User slots (2, 3, 4) that the tuning dialog shows: those with a description.
std::vector<int> TunedBlockSlots(const TCircuitBlock& block);

// Stores the tuning dialog's values and step modes of slots 2, 3 and 4 and
// marks the block for evaluation.
void StoreTunedBlockVariables(TCircuitBlock& block, const std::array<double, 3>& values,
                              const std::array<unsigned char, 3>& stepModes);

}  // namespace pelmo
