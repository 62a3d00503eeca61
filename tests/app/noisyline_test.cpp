// The desktop program on a pseudo-terminal playing a meter's line in real
// time: byte-paced frames with stray bytes, cut frames and frames without a
// pause, then a long clean run of whole frames. Counts only: no reading is
// ever made of bytes that were not one whole frame, each damaged spot costs
// at most the damaged frame and the next, and the link is never dropped.
#include "mainformharness.h"

#include "platform/pseudoterminal.h"
#include "platform/qtserialcontrol.h"
#include "support/lineplayer.h"

using uitesting::LinePlayer;
using uitesting::waitUntil;

namespace {

class DesktopOnANoisyLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.isValid()) << qPrintable(pty.errorString());
        window = std::make_unique<MainForm>(state, port, dialogs, graph, [this] { return pty.slavePath(); });
        window->show();
        ASSERT_TRUE(port.portOpen()) << qPrintable(port.errorString());
        ASSERT_TRUE(waitUntil([&] { return port.rThreshold() == 14; }));
        QObject::connect(&port, &SerialControl::linkLost, [this] { ++drops; });
    }

    QStringList stored() const
    {
        QStringList texts;
        for (const MeasurementRecord &r : state.records())
            texts << r.data;
        return texts;
    }

    void play(const LinePlayer::Options &options)
    {
        LinePlayer line(pty, options);
        line.start();
        ASSERT_TRUE(waitUntil([&] { return line.done(); }, int(line.durationMs()) + 30000));
        uitesting::settle(400);
        EXPECT_EQ(LinePlayer::checkLogged(stored(), line.wholeTexts(), 2 * line.damageSpots()), QString());
        EXPECT_EQ(drops, 0);
        whole = int(line.wholeTexts().size());
        damage = line.damageSpots();
    }

    PseudoTerminal pty;
    SharedState state;
    QtSerialControl port;
    ScriptedDialogs dialogs;
    NoGraphWindow graph;
    std::unique_ptr<MainForm> window;
    int drops = 0;
    int whole = 0;
    int damage = 0;
};

} // namespace

TEST_F(DesktopOnANoisyLine, DamagedBytesNeverBecomeAReading)
{
    play({150, 200, true, 25, 11});
    EXPECT_GT(damage, 10);
    EXPECT_GE(state.gRecordCount(), whole - 2 * damage);
}

TEST_F(DesktopOnANoisyLine, FastCleanFramesAllArriveOnceInOrder)
{
    play({1000, 20, false, 0, 3});
    EXPECT_EQ(state.gRecordCount(), 1000);
    EXPECT_EQ(port.transientErrors(), 0);
}
