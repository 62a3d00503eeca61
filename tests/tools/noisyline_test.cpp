// The headless logger on a pseudo-terminal playing a meter's line in real
// time: the same damaged byte-paced line as the desktop program gets, and a
// fast clean run. Counts only.
#include "platform/pseudoterminal.h"
#include "platform/timetexts.h"
#include "quenvo-log/headlesslogger.h"
#include "support/lineplayer.h"
#include "support/uitesting.h"

#include <QBuffer>
#include <gtest/gtest.h>

using uitesting::LinePlayer;
using uitesting::waitUntil;

namespace {

struct LoggedRun
{
    QStringList texts;
    int whole = 0;
    int damage = 0;
    int status = -1;
    QByteArray err;
    QString verdict;
};

LoggedRun logLine(const LinePlayer::Options &line)
{
    PseudoTerminal pty;
    EXPECT_TRUE(pty.isValid());
    LoggerOptions options;
    options.source = LoggerOptions::Source::Port;
    options.port = pty.slavePath();
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    HeadlessLogger logger(options, out, err);
    LoggedRun run;
    QObject::connect(&logger, &HeadlessLogger::readingLogged,
                     [&](const MeasurementRecord &record, const MeterFrame &) { run.texts << record.data; });
    logger.start();
    EXPECT_FALSE(logger.isFinished()) << err.data().toStdString();
    // Give the watchdog its quiet tick before the meter starts.
    uitesting::settle(300);
    LinePlayer player(pty, line);
    player.start();
    EXPECT_TRUE(waitUntil([&] { return player.done(); }, int(player.durationMs()) + 30000));
    uitesting::settle(400);
    logger.stop();
    run.whole = int(player.wholeTexts().size());
    run.damage = player.damageSpots();
    run.status = logger.exitStatus();
    run.err = err.data();
    run.verdict = LinePlayer::checkLogged(run.texts, player.wholeTexts(), 2 * player.damageSpots());
    return run;
}

} // namespace

TEST(LoggerOnANoisyLine, DamagedBytesNeverBecomeAReading)
{
    const LoggedRun run = logLine({150, 200, true, 25, 12});
    EXPECT_EQ(run.verdict, QString());
    EXPECT_GT(run.damage, 10);
    EXPECT_EQ(run.status, HeadlessLogger::Success) << run.err.toStdString();
}

TEST(LoggerOnANoisyLine, FiveHundredFramesASecondAllArriveOnceInOrder)
{
    const LoggedRun run = logLine({3000, 2, false, 0, 5});
    EXPECT_EQ(run.verdict, QString());
    EXPECT_EQ(run.texts.size(), 3000);
    EXPECT_EQ(run.status, HeadlessLogger::Success) << run.err.toStdString();
}
