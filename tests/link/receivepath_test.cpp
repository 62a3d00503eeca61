// The receive rules both programs ship, over a scripted serial control whose
// bytes arrive as a line delivers them.
#include "link/receivepath.h"

#include "support/scriptedserialcontrol.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

QByteArray bytes(int n, char first = 0)
{
    QByteArray b(n, 0);
    std::iota(b.begin(), b.end(), first);
    return b;
}

// A port and the receive path, with a handler that keeps every frame taken.
struct Rig
{
    Rig() : path(port)
    {
        port.setCommPort(QStringLiteral("/dev/ttyUSB0"));
        port.open();
        QObject::connect(&port, &SerialControl::onComm, [this] {
            if (auto frame = path.takeFrame(accept))
                frames.push_back(*frame);
        });
    }

    ScriptedSerialControl port;
    ReceivePath path;
    bool accept = true;
    std::vector<ReceivePath::Frame> frames;
};

} // namespace

TEST(ReceivePath, NothingIsTakenBeforeAQuietTickArmsReception)
{
    Rig rig;
    rig.port.deliver(bytes(14));
    EXPECT_TRUE(rig.frames.empty()); // threshold 0: no event at all
    EXPECT_EQ(rig.path.watchdogTick(), ReceivePath::Tick::Discarded);
    EXPECT_EQ(rig.port.inBufferCount(), 0);
    EXPECT_FALSE(rig.path.armed());
    EXPECT_EQ(rig.path.watchdogTick(), ReceivePath::Tick::Armed);
    EXPECT_TRUE(rig.path.armed());
    EXPECT_EQ(rig.port.rThreshold(), 14);

    rig.path.pause();
    EXPECT_EQ(rig.port.rThreshold(), 0);
    rig.port.close();
    const int discards = rig.port.discardCalls;
    EXPECT_EQ(rig.path.watchdogTick(), ReceivePath::Tick::PortClosed);
    EXPECT_EQ(rig.port.discardCalls, discards); // a closed port is not touched
}

TEST(ReceivePath, AFrameInSmallChunksIsTakenAtFourteenBytes)
{
    Rig rig;
    rig.path.watchdogTick();
    const QByteArray frame = bytes(14, 40);
    rig.port.deliver(frame.first(5));
    rig.port.deliver(frame.sliced(5, 8));
    EXPECT_TRUE(rig.frames.empty());
    rig.port.deliver(frame.sliced(13));
    ASSERT_EQ(rig.frames.size(), 1u);
    EXPECT_TRUE(std::equal(rig.frames[0].bytes.begin(), rig.frames[0].bytes.end(), frame.begin()));
    EXPECT_EQ(rig.frames[0].frame, parseMeterFrame(rig.frames[0].bytes));
    EXPECT_EQ(rig.port.inBufferCount(), 0);
    EXPECT_EQ(rig.path.framesTaken(), 1);
}

TEST(ReceivePath, AnythingButFourteenIsDiscardedWhole)
{
    // Reception stays armed after a discard: the next gap re-synchronises.
    {
        Rig rig;
        rig.path.watchdogTick();
        rig.port.deliver(bytes(28));
        EXPECT_TRUE(rig.frames.empty());
        EXPECT_EQ(rig.port.inBufferCount(), 0);
        EXPECT_EQ(rig.path.discards(), 1);
        EXPECT_TRUE(rig.path.armed());
    }
    // Thirteen bytes raise no event; the next byte makes fourteen.
    Rig rig;
    rig.path.watchdogTick();
    rig.port.deliver(bytes(13));
    EXPECT_EQ(rig.port.inBufferCount(), 13);
    rig.port.deliver(bytes(1));
    EXPECT_EQ(rig.frames.size(), 1u);
}

// The pause between frames delimits them: bytes that waited, short of a
// frame, through a quiet gap are dropped when the next bytes come, so a stray
// byte or a cut frame never joins the next frame.
TEST(ReceivePath, BytesWaitingThroughAGapAreStaleAndTheNextFrameStartsClean)
{
    const qint64 gap = ReceivePath::kFrameGapMs + 1;
    const QByteArray frame = bytes(14, 40);
    struct Damage
    {
        const char *what;
        QByteArray before;
    };
    for (const Damage &d : {Damage{"stray byte", QByteArray(1, '\x55')}, Damage{"cut frame", bytes(9, 7)},
                            Damage{"13 of 14", bytes(13, 3)}}) {
        SCOPED_TRACE(d.what);
        Rig rig;
        rig.path.watchdogTick();
        rig.port.deliver(d.before);
        // The next frame after the meter's pause, byte by byte.
        rig.port.deliver(frame.first(1), gap);
        for (int i = 1; i < 14; ++i)
            rig.port.deliver(frame.sliced(i, 1), 4);
        ASSERT_EQ(rig.frames.size(), 1u);
        EXPECT_TRUE(std::equal(rig.frames[0].bytes.begin(), rig.frames[0].bytes.end(), frame.begin()));
        EXPECT_EQ(rig.path.staleBytes(), d.before.size());
        EXPECT_EQ(rig.path.discards(), 0);
    }
    // Pauses inside a frame up to the gap keep its bytes together.
    Rig rig;
    rig.path.watchdogTick();
    rig.port.deliver(frame.first(5));
    rig.port.deliver(frame.sliced(5), ReceivePath::kFrameGapMs);
    ASSERT_EQ(rig.frames.size(), 1u);
    EXPECT_EQ(rig.path.staleBytes(), 0);
}

TEST(ReceivePath, AFullStoreDiscardsAndOtherEventsTouchNothing)
{
    Rig rig;
    rig.path.watchdogTick();
    rig.accept = false;
    rig.port.deliver(bytes(14));
    EXPECT_TRUE(rig.frames.empty());
    EXPECT_EQ(rig.port.inBufferCount(), 0);

    rig.accept = true;
    rig.port.buffer = bytes(14);
    const int discards = rig.port.discardCalls;
    rig.port.otherEvent(3);
    EXPECT_TRUE(rig.frames.empty());
    EXPECT_EQ(rig.port.inBufferCount(), 14);
    EXPECT_EQ(rig.port.discardCalls, discards);
}
