// Fuzz target for the frame path: any run of received bytes is cut into
// 14-byte frames the way the receive path takes them, and every frame must
// decode into a Reading that the rest of the program can use safely.
#include "link/decoder.h"
#include "link/frameencoder.h"
#include "link/meterframe.h"

#include <cmath>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    for (std::size_t at = 0; at + kMeterFrameSize <= size; at += kMeterFrameSize) {
        const std::span<const std::uint8_t, kMeterFrameSize> bytes(data + at, kMeterFrameSize);
        const MeterFrame frame = parseMeterFrame(bytes);
        // The encoder inverts the parser whatever it puts in the ignored bits.
        std::uint64_t noise = 0;
        for (std::size_t i = 0; i < 8; ++i)
            noise = (noise << 8) | bytes[i];
        if (!(parseMeterFrame(encodeMeterFrame(frame, noise)) == frame))
            std::abort();
        const Reading r = decodeMeterFrame(frame);
        // The bar graph divides by the full scale; the charts and files use the value.
        if (!(r.fullScale > 0.0) || !std::isfinite(r.value) || r.displayText.isEmpty() || r.decimals < 0 ||
            r.decimals > 4)
            std::abort();
        if (r.overRange != (r.displayText == QLatin1String(".OL")))
            std::abort();
    }
    return 0;
}
