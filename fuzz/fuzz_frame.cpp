// Fuzz target for the byte path: received bytes go through the receive rules
// in chunks, with watchdog ticks between them, and every frame taken is
// parsed and decoded. Input: a run of operations; an operation byte of 0xF0
// or more is a watchdog tick, any other byte b is followed by a chunk of
// b % 37 + 1 bytes.
//
// Invariants:
// - never more frames than bytes / 14, and nothing pending beyond one frame
//   while reception is armed;
// - the same frames, fed again whole or cut into other chunks with a quiet
//   tick between them, give the same frames: readings do not depend on how
//   the bytes are chunked;
// - the encoder inverts the parser whatever it puts in the ignored bits;
// - every frame decodes into a Reading the program can use (a full scale to
//   divide by, a finite value, a text; ".OL" exactly on over-range).
#include "link/decoder.h"
#include "link/frameencoder.h"
#include "link/meterframe.h"
#include "link/receiverules.h"

#include <cmath>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

using Frame = ReceiveRules::Frame;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<Frame> runOperations(const std::uint8_t *data, std::size_t size, bool rearm, std::size_t &bytesIn)
{
    ReceiveRules rules(rearm);
    std::vector<Frame> frames;
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t op = data[at++];
        if (op >= 0xF0) {
            rules.tick();
            continue;
        }
        const std::size_t length = std::min<std::size_t>(op % 37 + 1, size - at);
        if (auto frame = rules.receive(std::span<const std::uint8_t>(data + at, length)))
            frames.push_back(*frame);
        at += length;
        bytesIn += length;
        if (rules.armed())
            check(rules.pending() < kMeterFrameSize);
    }
    return frames;
}

// The frames again, each cut into chunks of 1 to `maxChunk` bytes (sizes taken
// from the frame's own bytes), with a quiet tick before each.
std::vector<Frame> refeed(const std::vector<Frame> &frames, std::size_t maxChunk, bool rearm)
{
    ReceiveRules rules(rearm);
    std::vector<Frame> out;
    for (const Frame &frame : frames) {
        rules.tick();
        std::size_t at = 0;
        while (at < frame.size()) {
            const std::size_t length = std::min<std::size_t>(frame[at] % maxChunk + 1, frame.size() - at);
            if (auto taken = rules.receive(std::span<const std::uint8_t>(frame.data() + at, length)))
                out.push_back(*taken);
            at += length;
        }
    }
    return out;
}

void checkFrame(const Frame &bytes)
{
    const MeterFrame frame = parseMeterFrame(bytes);
    std::uint64_t noise = 0;
    for (std::size_t i = 0; i < 8; ++i)
        noise = (noise << 8) | bytes[i];
    check(parseMeterFrame(encodeMeterFrame(frame, noise)) == frame);

    const Reading r = decodeMeterFrame(frame);
    check(r.fullScale > 0.0 && std::isfinite(r.value) && !r.displayText.isEmpty() && r.decimals >= 0 &&
          r.decimals <= 4);
    check(r.overRange == (r.displayText == QLatin1String(".OL")));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    for (const bool rearm : {false, true}) {
        std::size_t bytesIn = 0;
        const std::vector<Frame> frames = runOperations(data, size, rearm, bytesIn);
        check(frames.size() <= bytesIn / kMeterFrameSize);
        for (std::size_t maxChunk : {1u, 5u, 14u})
            check(refeed(frames, maxChunk, rearm) == frames);
        for (const Frame &frame : frames)
            checkFrame(frame);
    }
    return 0;
}
