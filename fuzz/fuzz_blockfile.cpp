// The block file reader must take any bytes: a block, or a refusal; never a
// crash, a hang or an exception. A block it accepts must place, evaluate,
// dissolve, and survive being written and read again.
#include <cstdint>
#include <exception>
#include <string_view>

#include "base/MessageSink.h"
#include "base/TextCodec.h"
#include "base/TextFile.h"
#include "blocks/CircuitBlocks.h"
#include "blocks/bcParser.h"
#include "files/BlockFile.h"
#include "model/Design.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    pelmo::TDesign d;
    pelmo::TCircuitBlock& b = pelmo::AppendBlock(d);
    if (!pelmo::ReadBlockLines(d, pelmo::SplitLines(pelmo::Cp1252ToUtf8(bytes)), b, -1)) {
        if (!b.Parts.empty() || !b.Loose.Parts.empty()) __builtin_trap();
        return 0;
    }
    pelmo::UpdateBlockExtent(b);
    pelmo::PlaceNewBlock(d, {100, 50});
    pelmo::SilentMessageSink silent;
    try {
        pelmo::EvaluateBlocks(d, silent);
    } catch (const pelmo::EbcParserError&) {
    } catch (const pelmo::EbcMathError&) {
    }

    // Written back relative to the drawing and read again.
    std::swap(d.SharedBlock.Title, b.Title);
    d.SharedBlock.VarExpression = b.VarExpression;
    d.SharedBlock.VarName = b.VarName;
    d.SharedBlock.VarDesc = b.VarDesc;
    d.SharedBlock.VarValue = b.VarValue;
    d.SharedBlock.VarStepMode = b.VarStepMode;
    const auto lines = pelmo::BuildBlockFileLines(d, d.SharedBlock, pelmo::ExtentCentre(pelmo::DrawingExtent(d)));
    pelmo::TCircuitBlock again;
    if (!pelmo::ReadBlockLines(d, lines, again, 0)) __builtin_trap();
    if (again.Parts.size() != d.Parts.size() || again.Texts.size() != d.Texts.size()) __builtin_trap();

    pelmo::DissolveBlock(d, 0);
    pelmo::DeleteBlock(d, 0);
    return 0;
}
