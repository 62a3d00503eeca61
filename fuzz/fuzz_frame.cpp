// Fuzz target for the byte path: a line as the meter and its receiver drive
// it, in modelled time, through the receive path both programs ship over a
// scripted serial control; every frame taken is decoded.
//
// Input: a run of items. Item byte b, by b >> 5:
//   0-2  a whole frame: the next 14 input bytes, delivered in chunks of
//        (b & 7) + 1 bytes with pauses of up to 40 ms inside it (a USB
//        bridge's packets), then the meter's pause;
//   3    the same, followed at once by the next item's bytes (a burst of
//        frames with no pause between them);
//   4    a cut frame: (b & 15) % 13 + 1 bytes, then a pause;
//   5    stray bytes in a pause: (b & 3) + 1 bytes with silence around them;
//   6, 7 a pause of its own; while reception is not armed, a watchdog tick.
//
// Invariants:
// - every frame taken is a frame that was sent whole, and they come in the
//   order sent: no reading is ever invented from misaligned bytes;
// - never more frames than bytes / 14, and nothing pending beyond one frame
//   while reception is armed;
// - the frames taken, fed again cut into other chunks with pauses between
//   them, are all taken again: readings do not depend on the chunking;
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

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// The meter's pause between frames and the longest pause inside one.
constexpr qint64 kPauseMs = ReceivePath::kFrameGapMs + 240;
constexpr qint64 kInsideMs = 40;

// The receive path over a scripted port, keeping every frame it takes.
struct Receiver
{
    Receiver() : path(port)
    {
        port.setCommPort(QStringLiteral("fuzz"));
        port.open();
        QObject::connect(&port, &SerialControl::onComm, [this] {
            if (auto frame = path.takeFrame())
                frames.push_back(frame->bytes);
        });
    }
    // Bytes after `quietMs` of silence; a pause long enough for the watchdog
    // gives it its tick first.
    void deliver(const std::uint8_t *data, std::size_t length, qint64 quietMs)
    {
        if (quietMs >= ReceivePath::kWatchdogMs && !path.armed())
            path.watchdogTick();
        port.deliver(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(length)),
                     quietMs);
        bytesIn += length;
        if (path.armed())
            check(port.inBufferCount() < static_cast<int>(kMeterFrameSize));
    }
    void sendFrame(const std::uint8_t *frame, std::size_t chunk, qint64 insideMs, qint64 quietBefore)
    {
        for (std::size_t at = 0; at < kMeterFrameSize; at += chunk) {
            deliver(frame + at, std::min(chunk, kMeterFrameSize - at), at == 0 ? quietBefore : insideMs);
        }
    }

    ScriptedSerialControl port;
    ReceivePath path;
    std::vector<Frame> frames;
    std::size_t bytesIn = 0;
};

// Whether `taken` is `sent` with some frames left out, in order.
bool inOrderSubset(const std::vector<Frame> &taken, const std::vector<Frame> &sent)
{
    std::size_t j = 0;
    for (const Frame &f : taken) {
        while (j < sent.size() && sent[j] != f)
            ++j;
        if (j == sent.size())
            return false;
        ++j;
    }
    return true;
}

std::vector<Frame> runItems(const std::uint8_t *data, std::size_t size, Receiver &rx,
                            std::vector<Frame> &sent)
{
    std::size_t at = 0;
    qint64 quiet = kPauseMs; // before the next bytes
    while (at < size) {
        const std::uint8_t b = data[at++];
        const int kind = b >> 5;
        if (kind <= 3) {
            if (size - at < kMeterFrameSize)
                break;
            Frame frame;
            std::copy(data + at, data + at + kMeterFrameSize, frame.begin());
            at += kMeterFrameSize;
            sent.push_back(frame);
            rx.sendFrame(frame.data(), (b & 7) + 1, ((b >> 3) & 3) * kInsideMs / 3, quiet);
            quiet = kind == 3 ? 0 : kPauseMs;
        } else if (kind == 4) {
            const std::size_t n = std::min<std::size_t>((b & 15) % 13 + 1, size - at);
            rx.deliver(data + at, n, quiet == 0 ? kPauseMs : quiet);
            at += n;
            quiet = kPauseMs;
        } else if (kind == 5) {
            const std::size_t n = std::min<std::size_t>((b & 3) + 1, size - at);
            rx.deliver(data + at, n, kPauseMs);
            at += n;
            quiet = kPauseMs;
        } else {
            if (!rx.path.armed())
                rx.path.watchdogTick();
            quiet = kPauseMs;
        }
    }
    return rx.frames;
}

// The frames again, each cut into chunks of 1 to `maxChunk` bytes (sizes
// taken from the frame's own bytes), with the meter's pause before each.
std::vector<Frame> refeed(const std::vector<Frame> &frames, std::size_t maxChunk)
{
    Receiver rx;
    for (const Frame &frame : frames)
        rx.sendFrame(frame.data(), frame[0] % maxChunk + 1, kInsideMs, kPauseMs);
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
    Receiver rx;
    std::vector<Frame> sent;
    const std::vector<Frame> frames = runItems(data, size, rx, sent);
    check(inOrderSubset(frames, sent));
    check(frames.size() <= rx.bytesIn / kMeterFrameSize);
    for (std::size_t maxChunk : {1u, 5u, 14u})
        check(refeed(frames, maxChunk) == frames);
    for (const Frame &frame : frames)
        checkFrame(frame);
    return 0;
}
