// The parameter-file reader must take any text: it refuses a file with a
// message that names it, or gives finite values of which at least one is set.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/TextFile.h"
#include "driverdata/TspFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmo;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string why;
    const auto values = ParseTspLines(SplitLines(text), "fuzz.tsp", why);
    if (!values) {
        if (why.rfind("fuzz.tsp", 0) != 0) __builtin_trap();
        return 0;
    }
    if (values->Empty()) __builtin_trap();
    for (const auto* v : {&values->Re, &values->Le, &values->Fs, &values->Qms, &values->Qes, &values->Qts, &values->Vas,
                          &values->Sd, &values->Bl, &values->Mms, &values->Cms, &values->Rms, &values->Xmax})
        if (v->has_value() && !std::isfinite(**v)) __builtin_trap();
    (void)ModelParamsFromTsp(*values, {});
    return 0;
}
