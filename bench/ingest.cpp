// Lossless ingest, as a whole program: a pseudo-terminal plays whole frames
// at a given rate (one write per frame) into the desktop program's windows
// (shown on the offscreen platform) or into the headless logger, and the
// program reports what was received against what was sent, and the link
// drops. Not a timed test: a figure for the record.
//
//   ingest desktop|logger FRAMES RATE_PER_SECOND [noisy]
//
// "noisy": byte-paced as a 2400-baud wire, a quarter of the frames followed
// or replaced by damage (a stray byte in a pause, a frame cut short, two
// frames without a pause); reports the readings made of bytes that were not
// one whole frame.
#include "app/mainform.h"
#include "app/sharedstate.h"
#include "graph/graphlink.h"
#include "platform/dialogs.h"
#include "platform/pseudoterminal.h"
#include "platform/qtserialcontrol.h"
#include "quenvo-log/headlesslogger.h"
#include "support/lineplayer.h"
#include "support/uitesting.h"

#include <QApplication>
#include <QBuffer>

#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char **argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s desktop|logger FRAMES RATE [noisy]\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const int frames = std::atoi(argv[2]);
    const double rate = std::atof(argv[3]);

    PseudoTerminal pty;
    if (!pty.isValid()) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", qPrintable(pty.errorString()));
        return 1;
    }
    uitesting::LinePlayer::Options line;
    line.frames = frames;
    line.intervalMs = std::max(1, int(1000.0 / rate + 0.5));
    const bool noisy = argc == 5 && QByteArray(argv[4]) == "noisy";
    line.bytePaced = noisy;
    line.damagePercent = noisy ? 25 : 0;
    QStringList texts;

    int received = 0;
    int drops = 0;
    SharedState state;
    QtSerialControl port;
    ScriptedDialogs dialogs;
    NoGraphWindow graph;
    std::unique_ptr<MainForm> window;
    QBuffer out;
    QBuffer err;
    std::unique_ptr<HeadlessLogger> logger;
    // At 50000 readings the store is full: "Yes" to saving, then the save
    // dialog cancelled, keeps them all in the store to be counted.
    dialogs.answers = {Dialogs::Answer::Yes};
    if (mode == QLatin1String("desktop")) {
        window = std::make_unique<MainForm>(state, port, dialogs, graph, [&] { return pty.slavePath(); });
        window->show();
        QObject::connect(&port, &SerialControl::linkLost, [&] { ++drops; });
    } else {
        LoggerOptions options;
        options.source = LoggerOptions::Source::Port;
        options.port = pty.slavePath();
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        logger = std::make_unique<HeadlessLogger>(options, out, err);
        QObject::connect(logger.get(), &HeadlessLogger::readingLogged,
                         [&](const MeasurementRecord &r, const MeterFrame &) {
                             ++received;
                             texts << r.data;
                         });
        QObject::connect(logger.get(), &HeadlessLogger::finished, [&] { ++drops; });
        logger->start();
    }
    uitesting::settle(400);
    uitesting::LinePlayer player(pty, line);
    player.start();
    uitesting::waitUntil([&] { return player.done(); }, int(player.durationMs()) + 60000);
    uitesting::settle(1000);
    if (window) {
        // Every reading stored, counting the store's emptying at 50000.
        received = state.gRecordCount();
        for (const MeasurementRecord &r : state.records())
            texts << r.data;
    }
    if (noisy) {
        const QStringList whole = player.wholeTexts();
        int invented = 0;
        for (const QString &t : texts)
            invented += !whole.contains(t);
        std::printf("%s noisy: %d frames (%lld whole, %d damaged spots): %d readings, %d invented\n",
                    qPrintable(mode), frames, static_cast<long long>(whole.size()), player.damageSpots(),
                    int(texts.size()), invented);
        return 0;
    }
    std::printf("%s: %d frames at %.0f/s: received %d of %d, link drops %d\n", qPrintable(mode), frames, rate,
                received, frames, drops);
    return 0;
}
