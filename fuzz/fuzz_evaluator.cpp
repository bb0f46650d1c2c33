// The block evaluator must take any text: a value, or one of its own errors;
// never a crash, a hang, another exception or a value that is not finite.
#include <cmath>
#include <cstdint>
#include <string>

#include "blocks/bcParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const bool optimize : {true, false}) {
        pelmo::TbcParser p;
        p.OptimizationOn = optimize;
        p.DefineVariable("A", 2);
        p.DefineVariable("B", -3.5);
        p.DefineVariable("R0", 4);
        p.SetExpression(text);
        try {
            const double v = p.GetValue();
            if (!std::isfinite(v)) __builtin_trap();
            (void)p.UsesVariable("A");
            // A changed variable is seen by the parsed tree.
            p.DefineVariable("a", 1e300);
            const double w = p.GetValue();
            if (!std::isfinite(w)) __builtin_trap();
        } catch (const pelmo::EbcParserError&) {
        } catch (const pelmo::EbcMathError&) {
        }
    }
    return 0;
}
