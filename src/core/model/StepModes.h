#pragma once

#include <cstdint>

namespace pelmo {

// Step rule of a value control.
enum TValueStepMode : std::uint8_t { smIntRound, sm125, sm12345, smLog, smReal, smFine };

// Step rule of a part value (percentage steps, short/open, catalogue).
enum TPartStepMode : std::uint8_t {
    smmPC2,
    smmPC5,
    smmPC10,
    smmPC20,
    smmPCshort,
    smmPCopen,
    smmCatalog,
};

}  // namespace pelmo
