#pragma once

#include "app/sharedstate.h"
#include "link/meterframe.h"
#include "link/receivepath.h"
#include "link/recordassembler.h"
#include "quenvo-log/logoutputs.h"
#include "virtualmeter/virtualmeter.h"

#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

class QIODevice;
class QtSerialControl;

struct LoggerOptions
{
    enum class Source {
        Lookup, // the meter's receiver, found among the serial ports
        Port,   // the serial device `port`
        Replay, // a raw capture: consecutive 14-byte frames
        Demo,   // the virtual meter, through a pseudo-terminal and the serial port
    };

    Source source = Source::Lookup;
    QString port;
    QString replayFile;
    QString csvFile;                                              // empty: no comma-separated log
    QString textFile;                                             // empty: no text log
    QString captureFile;                                          // empty: no capture
    logoutputs::Existing existing = logoutputs::Existing::Refuse; // an output that holds something
    qint64 count = 0;                                             // stop after so many readings; 0: no limit
    qint64 durationMs = 0;                                        // stop after so long; 0: no limit
    QString sysfsRoot = QStringLiteral("/sys");                   // where the receiver is looked up
    VirtualMeterOptions demo;                                     // the meter of Source::Demo
};

// The headless logger: numbers, decodes and logs every reading of one source
// until a limit, stop() or a failure ends it.
//
// Each reading goes out as a text-log record line on `out` (ending in a line
// feed) and, when asked, to the text log, the comma-separated log and the
// capture. From a live source every file is written and flushed per reading,
// so an interrupted run loses nothing already received; a replay (whose
// source stays on disk) writes the lines of kReplayBatch frames at once, and
// what is made goes out when the run ends (a stop, a limit, a failure). The files are
// written first and `out` is expected not to wait (see ConsoleOut); a replay
// pauses while `out` has more than kReplayBacklog bytes waiting, so a slow
// reader loses nothing.
// Output files are opened under the rules of logoutputs: a continued log
// goes on with the numbering after its last record. Live sources go through the receive
// path the desktop program ships, going back to arming after every discard.
// Readings are assembled and stored as the desktop program does; the store
// keeps the newest readings (it is emptied when full) while the numbering of
// the run goes on.
//
// The captured bytes are those of the frames logged, so a capture replays to
// the same readings.
class HeadlessLogger : public QObject
{
    Q_OBJECT
public:
    enum Status { Success = 0, RuntimeFailure = 1, UsageError = 2 };
    // A replay reads for at most this long before it lets other events (a
    // stop signal) be served.
    static constexpr int kReplaySliceMs = 10;
    static constexpr qint64 kReplayBacklog = 64 * 1024;
    // Frames a replay reads and logs before their lines go out together.
    static constexpr qsizetype kReplayBatch = 256;

    HeadlessLogger(const LoggerOptions &options, QIODevice &out, QIODevice &err, QObject *parent = nullptr);
    ~HeadlessLogger() override;

    // Opens the source and the files and starts logging; the end is reported
    // by finished(), which may come within this call (a failure at once).
    // Reading, a replay too, needs the event loop. Call once.
    void start();
    // Ends a started logger with Success: files complete, port closed.
    // Nothing once it has finished.
    void stop();

    bool isFinished() const { return m_finished; }
    int exitStatus() const { return m_status; }
    qint64 readingCount() const { return m_count; } // readings of this run
    // The serial device read by a live source (the pseudo-terminal for Demo).
    QString devicePath() const { return m_devicePath; }

Q_SIGNALS:
    // Reception is armed: the next receive event starts on a frame boundary.
    void armed();
    void readingLogged(const MeasurementRecord &record, const MeterFrame &frame);
    // Once, with the exit status.
    void finished(int status);

private:
    bool openOutputs();
    bool openOutput(QFile &file, const logoutputs::Output &output, qint64 &lastNumber, bool &needsHeading);
    bool writeFile(QFile &file, const QByteArray &bytes);
    bool writeOutput(QFile &file, const QByteArray &bytes);
    bool flushOutputs();
    QString writePending();
    bool readReplayBatch();
    void runReplay();
    void replaySlice();
    void endReplay();
    void afterConsoleBacklog(qint64 bytes, void (HeadlessLogger::*next)());
    void consoleWritten();
    void startLive(const QString &device);
    void watchdogTick();
    void onComm();
    void onLinkLost(const QString &reason);
    void logFrame(const ReceivePath::Frame &frame);
    void fail(int status, const QString &message);
    void finish(int status);
    void shutDown();
    void warnSilence();

    LoggerOptions m_options;
    QIODevice &m_out;
    QIODevice &m_err;

    std::unique_ptr<VirtualMeter> m_meter;
    std::unique_ptr<QtSerialControl> m_serial;
    std::unique_ptr<ReceivePath> m_receive;
    QString m_devicePath;
    QTimer m_watchdog;
    QTimer m_durationTimer;
    QTimer m_silence; // no reading for a while: one warning, then at most one a minute

    QFile m_csv;
    QFile m_text;
    QFile m_capture;
    QFile m_replay;
    QByteArray m_replayBatch; // frames read from the capture, m_replayFrame the next to log
    qsizetype m_replayFrame = 0;

    // Lines and bytes made but not yet handed to their output.
    QByteArray m_capturePending;
    QByteArray m_csvPending;
    QByteArray m_textPending;
    QByteArray m_outPending;

    qint64 m_count = 0;
    RecordAssembler m_assembler;
    SharedState m_store;
    qint64 m_numberBase = 0;   // readings of the run before the store was last emptied
    qint64 m_numberOffset = 0; // the last record number of the logs continued
    bool m_started = false;
    bool m_replayEnding = false;                        // no more frames are read; the standard output drains
    bool m_finishing = false;                           // finish() has begun: what waits has been handed out
    void (HeadlessLogger::*m_afterBacklog)() = nullptr; // runs once the backlog is down to m_backlogLimit
    qint64 m_backlogLimit = 0;
    bool m_finished = false;
    int m_status = Success;
};
