// Decoding cost per frame: parse plus decode, over a mix of functions and ranges.
#include "link/decoder.h"
#include "link/frameencoder.h"
#include "link/meterframe.h"

#include <benchmark/benchmark.h>

#include <vector>

static std::vector<std::array<std::uint8_t, kMeterFrameSize>> sampleFrames()
{
    std::vector<std::array<std::uint8_t, kMeterFrameSize>> frames;
    std::uint16_t count = 1234;
    for (int function = 0; function < 10; ++function)
        for (int subMode = 0; subMode < 4; ++subMode)
            for (int range = 0; range < 8; ++range) {
                MeterFrame f;
                f.functionCode = static_cast<std::uint8_t>(function);
                f.subMode = static_cast<std::uint8_t>(subMode);
                f.rangeIndex = static_cast<std::uint8_t>(range);
                f.displayCount = count;
                f.negative = (count & 1) != 0;
                count = static_cast<std::uint16_t>(count * 31 + 7);
                frames.push_back(encodeMeterFrame(f, static_cast<std::uint64_t>(count)));
            }
    return frames;
}

static void BM_ParseAndDecode(benchmark::State &state)
{
    const auto frames = sampleFrames();
    std::size_t i = 0;
    for (auto _ : state) {
        const Reading r = decodeMeterFrame(parseMeterFrame(frames[i]));
        benchmark::DoNotOptimize(r.value);
        benchmark::DoNotOptimize(r.displayText);
        i = (i + 1) % frames.size();
    }
    state.SetItemsProcessed(state.iterations()); // frames decoded per second
}
BENCHMARK(BM_ParseAndDecode);

BENCHMARK_MAIN();
