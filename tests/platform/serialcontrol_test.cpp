// QtSerialControl through the real QSerialPort on a pseudo-terminal: receive
// threshold crossings, re-entry, link loss, open failures and the closed port.
#include "platform/pseudoterminal.h"
#include "platform/qtserialcontrol.h"
#include "support/uitesting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

using uitesting::kWaitMs;
using uitesting::settle;
using uitesting::waitUntil;

// Writes everything, waiting while the pty's queue is full.
void writeAll(PseudoTerminal &pty, const QByteArray &bytes)
{
    qsizetype done = 0;
    ASSERT_TRUE(waitUntil([&] {
        const qint64 n = pty.write(bytes.mid(done));
        if (n > 0)
            done += n;
        return n < 0 || done == bytes.size();
    }));
    ASSERT_EQ(done, bytes.size()) << qPrintable(pty.errorString());
}

QByteArray frameBytes(int index)
{
    QByteArray frame(14, '\0');
    for (int i = 0; i < 14; ++i)
        frame[i] = char((index * 31 + i * 7) & 0xFF);
    return frame;
}

class SerialControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.isValid()) << qPrintable(pty.errorString());
        control.setCommPort(pty.slavePath());
        ASSERT_TRUE(control.open()) << qPrintable(control.errorString());
    }

    PseudoTerminal pty;
    QtSerialControl control;
};

TEST_F(SerialControlTest, FrameInSmallChunksRaisesOneEventExactlyAtFourteenBytes)
{
    std::mt19937 random(20240517);
    std::uniform_int_distribution<int> chunkSize(1, 37);
    struct Seen
    {
        int commEvent;
        int waiting;
        QByteArray bytes;
    };
    QList<Seen> seen;
    QObject::connect(&control, &SerialControl::onComm, [&] {
        const int waiting = control.inBufferCount();
        seen.append({control.commEvent(), waiting, control.input()});
    });
    control.setRThreshold(14);

    constexpr int kFrames = 25;
    for (int f = 0; f < kFrames; ++f) {
        const QByteArray frame = frameBytes(f);
        int sent = 0;
        while (sent < 14) {
            const int n = std::min(chunkSize(random), 14 - sent);
            writeAll(pty, frame.mid(sent, n));
            sent += n;
            if (sent < 14) {
                // The chunk has reached the buffer and is below the threshold.
                ASSERT_TRUE(waitUntil([&] { return control.inBufferCount() == sent; }));
                ASSERT_EQ(seen.size(), f);
            }
        }
        ASSERT_TRUE(waitUntil([&] { return seen.size() == f + 1; })) << "frame " << f;
    }
    settle();
    ASSERT_EQ(seen.size(), kFrames);
    for (int f = 0; f < kFrames; ++f) {
        EXPECT_EQ(seen[f].commEvent, SerialControl::kEvReceive);
        EXPECT_EQ(seen[f].waiting, 14) << "frame " << f;
        EXPECT_EQ(seen[f].bytes, frameBytes(f)) << "frame " << f;
    }
    EXPECT_EQ(control.commEvent(), SerialControl::kEvNone);
}

TEST_F(SerialControlTest, StreamInRandomChunksLosesNothingAndNeverStallsAboveThreshold)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> chunkSize(1, 37);
    std::uniform_int_distribution<int> byteValue(0, 255);
    QByteArray stream;
    for (int i = 0; i < 1400; ++i)
        stream.append(char(byteValue(random)));

    QByteArray received;
    int events = 0;
    int eventsBelowThreshold = 0;
    QObject::connect(&control, &SerialControl::onComm, [&] {
        ++events;
        if (control.inBufferCount() < 14)
            ++eventsBelowThreshold;
        received += control.input();
    });
    control.setRThreshold(14);

    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype n = std::min<qsizetype>(chunkSize(random), stream.size() - at);
        writeAll(pty, stream.mid(at, n));
        at += n;
        settle(2);
    }
    // Everything arrives; what is left after the last event is less than
    // one threshold's worth, or an event was missed.
    ASSERT_TRUE(waitUntil([&] { return received.size() + control.inBufferCount() == stream.size(); }));
    settle();
    EXPECT_LT(control.inBufferCount(), 14);
    EXPECT_EQ(received + control.input(), stream);
    EXPECT_EQ(eventsBelowThreshold, 0);
    // Each event drained the buffer, so each answered a separate crossing.
    EXPECT_GE(events, 1);
    EXPECT_LE(events, int(stream.size() / 14));
}

// While armed the receive buffer holds one threshold's worth; later bytes
// wait behind it in order and move up as it is emptied, so that frames that
// arrive together are taken one by one.
TEST_F(SerialControlTest, OneEventPerCrossingWhileBytesKeepArriving)
{
    int events = 0;
    QObject::connect(&control, &SerialControl::onComm, [&] { ++events; });
    control.setRThreshold(14);

    for (int i = 1; i <= 40; ++i) {
        writeAll(pty, QByteArray(1, char(i)));
        ASSERT_TRUE(waitUntil([&] { return control.inBufferCount() == std::min(i, 14); }));
    }
    settle();
    EXPECT_EQ(events, 1); // risen once, never below again
    EXPECT_EQ(control.inBufferCount(), 14);
    QByteArray first;
    for (int i = 1; i <= 14; ++i)
        first.append(char(i));
    EXPECT_EQ(control.input(), first);
    ASSERT_TRUE(waitUntil([&] { return events == 2; })); // the next 14 moved up
    EXPECT_EQ(control.input().front(), char(15));
    ASSERT_TRUE(waitUntil([&] { return control.inBufferCount() == 12; }));
    settle();
    EXPECT_EQ(events, 2);

    control.discardInput();
    EXPECT_EQ(control.inBufferCount(), 0);
    writeAll(pty, frameBytes(1) + frameBytes(2)); // both at once
    ASSERT_TRUE(waitUntil([&] { return events == 3; }));
    EXPECT_EQ(control.input(), frameBytes(1));
    ASSERT_TRUE(waitUntil([&] { return events == 4; }));
    EXPECT_EQ(control.input(), frameBytes(2));
    settle();
    EXPECT_EQ(events, 4);
    EXPECT_EQ(control.inBufferCount(), 0);
}

TEST_F(SerialControlTest, ThresholdZeroRaisesNoEventAndSettingItLaterRaisesOne)
{
    int events = 0;
    QObject::connect(&control, &SerialControl::onComm, [&] { ++events; });
    EXPECT_EQ(control.rThreshold(), 0);

    for (int f = 0; f < 4; ++f)
        writeAll(pty, frameBytes(f));
    ASSERT_TRUE(waitUntil([&] { return control.inBufferCount() == 56; }));
    settle();
    EXPECT_EQ(events, 0);

    // 56 already waiting when the threshold is set: one frame's worth in the
    // buffer, the rest behind it; one event is queued.
    control.setRThreshold(14);
    EXPECT_EQ(control.inBufferCount(), 14);
    EXPECT_EQ(events, 0);
    ASSERT_TRUE(waitUntil([&] { return events == 1; }));
    writeAll(pty, frameBytes(5));
    settle();
    EXPECT_EQ(events, 1);

    // Back to 0: everything waiting counts again; drained: nothing more.
    control.setRThreshold(0);
    ASSERT_TRUE(waitUntil([&] { return control.inBufferCount() == 70; }));
    control.discardInput();
    writeAll(pty, frameBytes(6));
    ASSERT_TRUE(waitUntil([&] { return control.inBufferCount() == 14; }));
    settle();
    EXPECT_EQ(events, 1);
}

TEST_F(SerialControlTest, QueuedEventIsDroppedWhenTheBytesAreGoneBeforeDelivery)
{
    int events = 0;
    QObject::connect(&control, &SerialControl::onComm, [&] { ++events; });
    writeAll(pty, frameBytes(0));
    ASSERT_TRUE(waitUntil([&] { return control.inBufferCount() == 14; }));
    control.setRThreshold(14);
    control.discardInput();
    settle();
    EXPECT_EQ(events, 0);
}

TEST_F(SerialControlTest, AllByteValuesPassUnchanged)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    writeAll(pty, all);
    ASSERT_TRUE(waitUntil([&] { return control.inBufferCount() == 256; }));
    EXPECT_EQ(control.input(), all);
    EXPECT_EQ(control.inBufferCount(), 0);
}

TEST_F(SerialControlTest, HandlerWaitingInANestedLoopIsReentered)
{
    // The outer handler empties the buffer, then waits in a nested event loop
    // as a modal dialog would; the next frame must raise a nested event.
    QList<int> eventsSeenInside;
    int depth = 0;
    int maxDepth = 0;
    int commEventAfterNested = -1;
    QObject::connect(&control, &SerialControl::onComm, [&] {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        eventsSeenInside.append(control.commEvent());
        control.input();
        if (depth == 1) {
            const int before = eventsSeenInside.size();
            writeAll(pty, frameBytes(9));
            waitUntil([&] { return eventsSeenInside.size() > before; });
            commEventAfterNested = control.commEvent();
        }
        --depth;
    });
    control.setRThreshold(14);
    writeAll(pty, frameBytes(8));
    ASSERT_TRUE(waitUntil([&] { return eventsSeenInside.size() == 2 && depth == 0; }));
    EXPECT_EQ(maxDepth, 2);
    EXPECT_EQ(eventsSeenInside, (QList<int>{SerialControl::kEvReceive, SerialControl::kEvReceive}));
    EXPECT_EQ(commEventAfterNested, SerialControl::kEvReceive);
    EXPECT_EQ(control.commEvent(), SerialControl::kEvNone);
}

TEST_F(SerialControlTest, FullBufferCanBeDiscardedAndReceptionGoesOn)
{
    writeAll(pty, QByteArray(3000, 'x'));
    ASSERT_TRUE(waitUntil([&] { return control.inBufferCount() == 1024; }));
    settle();
    EXPECT_EQ(control.inBufferCount(), 1024);

    QByteArray frame;
    QObject::connect(&control, &SerialControl::onComm, [&] { frame = control.input(); });
    control.discardInput(); // drops the buffer and what the device still holds
    control.setRThreshold(14);
    writeAll(pty, frameBytes(3));
    ASSERT_TRUE(waitUntil([&] { return !frame.isEmpty(); }));
    EXPECT_EQ(frame, frameBytes(3));
}

TEST_F(SerialControlTest, ClosedMasterLosesTheLinkOnceAndStopsReading)
{
    QSignalSpy lost(&control, &SerialControl::linkLost);
    int events = 0;
    QObject::connect(&control, &SerialControl::onComm, [&] { ++events; });
    control.setRThreshold(14);
    writeAll(pty, frameBytes(0).left(5));
    ASSERT_TRUE(waitUntil([&] { return control.inBufferCount() == 5; }));

    pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return lost.count() == 1; }, 1000 + kWaitMs));
    EXPECT_FALSE(control.portOpen());
    settle(1000); // a flood would go on here, or raise again
    EXPECT_EQ(lost.count(), 1);
    EXPECT_EQ(events, 0);
    EXPECT_FALSE(control.portOpen());
    EXPECT_EQ(control.inBufferCount(), 0);
    EXPECT_TRUE(control.input().isEmpty());
    const QString reason = lost.first().first().toString();
    EXPECT_TRUE(reason.contains(pty.slavePath())) << qPrintable(reason);
    EXPECT_EQ(control.errorString(), reason);
    control.close();

    // A new port opens and works, and loses its own link once again.
    PseudoTerminal next;
    ASSERT_TRUE(next.isValid());
    control.setCommPort(next.slavePath());
    ASSERT_TRUE(control.open()) << qPrintable(control.errorString());
    EXPECT_TRUE(control.errorString().isEmpty());
    writeAll(next, frameBytes(1));
    ASSERT_TRUE(waitUntil([&] { return events == 1; }));
    next.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return lost.count() == 2; }));
    settle();
    EXPECT_EQ(lost.count(), 2);
}

TEST_F(SerialControlTest, SecondOpenOfTheSamePortFails)
{
    EXPECT_FALSE(control.open());
    EXPECT_EQ(control.openError(), SerialControl::OpenError::AlreadyOpen);
    EXPECT_TRUE(control.errorString().contains(pty.slavePath()));
    EXPECT_TRUE(control.portOpen());

    // Another control on the same device finds it held.
    QtSerialControl other;
    other.setCommPort(pty.slavePath());
    EXPECT_FALSE(other.open());
    EXPECT_EQ(other.openError(), SerialControl::OpenError::InUse);
    EXPECT_TRUE(other.errorString().contains(pty.slavePath()));
    EXPECT_FALSE(other.portOpen());

    control.close();
    EXPECT_TRUE(other.open()) << qPrintable(other.errorString());
    EXPECT_EQ(other.openError(), SerialControl::OpenError::None);
}

TEST_F(SerialControlTest, ClosedPortIgnoresEveryOperation)
{
    int events = 0;
    QObject::connect(&control, &SerialControl::onComm, [&] { ++events; });
    control.setRThreshold(14);
    control.close();
    control.close();
    EXPECT_FALSE(control.portOpen());

    writeAll(pty, frameBytes(0) + frameBytes(1));
    settle();
    EXPECT_EQ(events, 0);
    EXPECT_EQ(control.inBufferCount(), 0);
    EXPECT_TRUE(control.input().isEmpty());
    control.discardInput();
    EXPECT_EQ(control.commEvent(), SerialControl::kEvNone);

    // What arrived while closed is not delivered after opening again.
    ASSERT_TRUE(control.open());
    settle();
    EXPECT_EQ(control.inBufferCount(), 0);
    EXPECT_EQ(events, 0);
    QByteArray frame;
    QObject::connect(&control, &SerialControl::onComm, [&] { frame = control.input(); });
    writeAll(pty, frameBytes(2));
    ASSERT_TRUE(waitUntil([&] { return !frame.isEmpty(); }));
    EXPECT_EQ(frame, frameBytes(2));
}

TEST(SerialControlOpen, MissingOrNonSerialDevicesAreNotFound)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile plain(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("not a serial port");
    plain.close();

    // A character device that is not a terminal, under a path of its own:
    // lock files are keyed by the path, and other test programs may hold
    // /dev/null's at the same time.
    const QString nullDevice = dir.filePath(QStringLiteral("null"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), nullDevice));

    const QStringList paths = {dir.filePath(QStringLiteral("missing")), plain.fileName(), dir.path(),
                               nullDevice};
    for (const QString &path : paths) {
        QtSerialControl control;
        control.setCommPort(path);
        EXPECT_FALSE(control.open()) << qPrintable(path);
        EXPECT_EQ(control.openError(), SerialControl::OpenError::NotFound) << qPrintable(path);
        EXPECT_TRUE(control.errorString().contains(path)) << qPrintable(control.errorString());
        EXPECT_FALSE(control.portOpen());
    }
    QtSerialControl unnamed;
    EXPECT_FALSE(unnamed.open());
    EXPECT_EQ(unnamed.openError(), SerialControl::OpenError::NotFound);
}

TEST(SerialControlOpen, QtFailuresAreClassified)
{
    using E = SerialControl::OpenError;
    struct Case
    {
        QSerialPort::SerialPortError qt;
        bool denied;
        bool lockFolder;
        E expected;
    };
    const Case cases[] = {
        {QSerialPort::DeviceNotFoundError, false, true, E::NotFound},
        {QSerialPort::UnsupportedOperationError, false, true, E::NotFound},
        {QSerialPort::PermissionError, true, true, E::Permission},
        {QSerialPort::PermissionError, true, false, E::Permission},
        {QSerialPort::PermissionError, false, true, E::InUse},  // lock held, or the device busy
        {QSerialPort::PermissionError, false, false, E::Other}, // nowhere to put a lock file
        {QSerialPort::OpenError, false, true, E::AlreadyOpen},
        {QSerialPort::ResourceError, false, true, E::Other},
        {QSerialPort::UnknownError, false, true, E::Other},
    };
    for (const Case &c : cases)
        EXPECT_EQ(QtSerialControl::classifyOpenFailure(c.qt, c.denied, c.lockFolder), c.expected)
            << c.qt << " " << c.denied << " " << c.lockFolder;
}

} // namespace
