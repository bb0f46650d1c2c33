// Number reading and writing must take any text and any double.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "values/NumberFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    double x = 0;
    if (pelmo::TryParseReal(text, x)) {
        double back = 0;
        if (!pelmo::TryParseReal(pelmo::FormatFileReal(x), back)) __builtin_trap();
        (void)pelmo::FormatE4(x);
        (void)pelmo::FormatFixed(x, 3);
    }
    int n = 0;
    (void)pelmo::TryParseInt(text, n);
    if (size == sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        (void)pelmo::FormatFileReal(raw);
        (void)pelmo::FormatE4(raw);
        for (int d = 0; d < 6; ++d) (void)pelmo::FormatFixed(raw, d);
    }
    return 0;
}
