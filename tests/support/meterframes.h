#pragma once

// Builds a frame's fields for tests.
#include "link/meterframe.h"

#include <cstdint>

namespace testframes {

inline MeterFrame frame(int function, int subMode, int range, int count, bool negative = false,
                        bool acPlusDc = false)
{
    MeterFrame f;
    f.functionCode = static_cast<std::uint8_t>(function);
    f.subMode = static_cast<std::uint8_t>(subMode);
    f.rangeIndex = static_cast<std::uint8_t>(range);
    f.displayCount = static_cast<std::uint16_t>(count);
    f.negative = negative;
    f.acPlusDc = acPlusDc;
    return f;
}

} // namespace testframes
