#include "link/meterframe.h"

MeterFrame parseMeterFrame(std::span<const std::uint8_t, kMeterFrameSize> b)
{
    MeterFrame f;
    f.displayCount = static_cast<std::uint16_t>(((b[2] & 0x0F) << 12) | ((b[3] & 0x0F) << 8) |
                                                ((b[4] & 0x0F) << 4) | (b[5] & 0x0F));
    f.negative = (b[6] & 0x01) != 0;
    f.acPlusDc = (b[6] & 0x08) != 0;
    f.rangeIndex = b[7] & 0x07;
    f.subMode = b[8] & 0x03;
    f.functionCode = b[9] & 0x0F;
    f.rel = (b[10] & 0x04) != 0;
    f.hold = (b[10] & 0x08) != 0;
    return f;
}
