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
    explicit Rig(ReceivePath::AfterDiscard policy = ReceivePath::AfterDiscard::StayArmed) : path(port, policy)
    {
        port.setCommPort(QStringLiteral("/dev/ttyUSB0"));
        port.open();
        QObject::connect(&port, &SerialControl::onComm, [this] {
            if (auto frame = path.takeFrame(accept))
                frames.push_back(*frame);
        });
        QObject::connect(&path, &ReceivePath::rearmNeeded, [this] { ++rearms; });
    }

    ScriptedSerialControl port;
    ReceivePath path;
    bool accept = true;
    std::vector<ReceivePath::Frame> frames;
    int rearms = 0;
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
    // The desktop program stays armed; the logger goes back to arming.
    for (const auto policy : {ReceivePath::AfterDiscard::StayArmed, ReceivePath::AfterDiscard::Rearm}) {
        Rig rig(policy);
        rig.path.watchdogTick();
        rig.port.deliver(bytes(28));
        EXPECT_TRUE(rig.frames.empty());
        EXPECT_EQ(rig.port.inBufferCount(), 0);
        EXPECT_EQ(rig.path.discards(), 1);
        const bool rearm = policy == ReceivePath::AfterDiscard::Rearm;
        EXPECT_EQ(rig.path.armed(), !rearm);
        EXPECT_EQ(rig.rearms, rearm ? 1 : 0);
    }
    // Thirteen bytes raise no event; the next byte makes fourteen.
    Rig rig;
    rig.path.watchdogTick();
    rig.port.deliver(bytes(13));
    EXPECT_EQ(rig.port.inBufferCount(), 13);
    rig.port.deliver(bytes(1));
    EXPECT_EQ(rig.frames.size(), 1u);
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
