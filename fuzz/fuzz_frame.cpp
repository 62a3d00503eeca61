// Fuzz target for the byte path: received bytes go through the receive path
// both programs ship, over a scripted serial control, in chunks with watchdog
// ticks between them, and every frame taken is decoded. Input: a run of operations; an operation byte of 0xF0
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
#include "link/receivepath.h"
#include "support/scriptedserialcontrol.h"

#include <cmath>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

using Frame = std::array<std::uint8_t, kMeterFrameSize>;
using Policy = ReceivePath::AfterDiscard;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// The receive path over a scripted port, keeping every frame it takes.
struct Receiver
{
    explicit Receiver(Policy policy) : path(port, policy)
    {
        port.setCommPort(QStringLiteral("fuzz"));
        port.open();
        QObject::connect(&port, &SerialControl::onComm, [this] {
            if (auto frame = path.takeFrame())
                frames.push_back(frame->bytes);
        });
    }
    void deliver(const std::uint8_t *data, std::size_t length)
    {
        port.deliver(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(length)));
    }

    ScriptedSerialControl port;
    ReceivePath path;
    std::vector<Frame> frames;
};

std::vector<Frame> runOperations(const std::uint8_t *data, std::size_t size, Policy policy,
                                 std::size_t &bytesIn)
{
    Receiver rx(policy);
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t op = data[at++];
        if (op >= 0xF0) {
            if (!rx.path.armed())
                rx.path.watchdogTick();
            continue;
        }
        const std::size_t length = std::min<std::size_t>(op % 37 + 1, size - at);
        rx.deliver(data + at, length);
        at += length;
        bytesIn += length;
        if (rx.path.armed())
            check(rx.port.inBufferCount() < static_cast<int>(kMeterFrameSize));
    }
    return rx.frames;
}

// The frames again, each cut into chunks of 1 to `maxChunk` bytes (sizes taken
// from the frame's own bytes), with a quiet tick before each.
std::vector<Frame> refeed(const std::vector<Frame> &frames, std::size_t maxChunk, Policy policy)
{
    Receiver rx(policy);
    for (const Frame &frame : frames) {
        if (!rx.path.armed())
            rx.path.watchdogTick();
        std::size_t at = 0;
        while (at < frame.size()) {
            const std::size_t length = std::min<std::size_t>(frame[at] % maxChunk + 1, frame.size() - at);
            rx.deliver(frame.data() + at, length);
            at += length;
        }
    }
    return rx.frames;
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
    for (const Policy policy : {Policy::StayArmed, Policy::Rearm}) {
        std::size_t bytesIn = 0;
        const std::vector<Frame> frames = runOperations(data, size, policy, bytesIn);
        check(frames.size() <= bytesIn / kMeterFrameSize);
        for (std::size_t maxChunk : {1u, 5u, 14u})
            check(refeed(frames, maxChunk, policy) == frames);
        for (const Frame &frame : frames)
            checkFrame(frame);
    }
    return 0;
}
